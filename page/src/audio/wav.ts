// WAV encoding and decoding for audio that crosses the bridge: the page writes 16-bit PCM,
// and reads back whatever the native side sends (16-, 24-bit PCM or 32-bit float).

import { clamp } from "../analysis/round.ts";
import { makeClip, type AudioClip } from "./clip.ts";
import { base64ToBytes, bytesToBase64 } from "./base64.ts";

const HEADER_BYTES = 44;
// Rates an AudioBuffer can hold; anything else cannot be played or re-encoded.
const MIN_SAMPLE_RATE = 3000;
const MAX_SAMPLE_RATE = 768000;
// 16- and 24-bit integer or 32-bit float samples; anything else would be misread.
const READABLE_BITS = [16, 24, 32];

/** 16-bit PCM WAV with the canonical 44-byte header; full scale is ±32,767. */
export function clipToWav(clip: AudioClip): Uint8Array {
  const channelCount = clip.channels.length;
  const dataBytes = clip.length * channelCount * 2;
  const bytes = new Uint8Array(HEADER_BYTES + dataBytes);
  const view = new DataView(bytes.buffer);
  writeTag(bytes, 0, "RIFF");
  view.setUint32(4, 36 + dataBytes, true);
  writeTag(bytes, 8, "WAVE");
  writeTag(bytes, 12, "fmt ");
  view.setUint32(16, 16, true);
  view.setUint16(20, 1, true);
  view.setUint16(22, channelCount, true);
  view.setUint32(24, clip.sampleRate, true);
  view.setUint32(28, clip.sampleRate * channelCount * 2, true);
  view.setUint16(32, channelCount * 2, true);
  view.setUint16(34, 16, true);
  writeTag(bytes, 36, "data");
  view.setUint32(40, dataBytes, true);
  // Every platform the page runs on is little-endian, as WAV is.
  const frames = new Int16Array(bytes.buffer, HEADER_BYTES, clip.length * channelCount);
  for (let ch = 0; ch < channelCount; ch++) {
    const samples = clip.channels[ch];
    for (let i = 0, at = ch; i < clip.length; i++, at += channelCount) {
      frames[at] = Math.round(clamp(samples[i], -1, 1) * 32767);
    }
  }
  return bytes;
}

export function clipToWavBase64(clip: AudioClip): string {
  return bytesToBase64(clipToWav(clip));
}

/** Reads a Base64 WAV into a clip of at most two channels; malformed input gives null. */
export function wavBase64ToClip(text: string): AudioClip | null {
  const bytes = base64ToBytes(text);
  return bytes ? wavBytesToClip(bytes) : null;
}

export function wavBytesToClip(bytes: Uint8Array): AudioClip | null {
  try {
    return readWav(bytes);
  } catch {
    return null;
  }
}

interface WavLayout {
  channelCount: number;
  sampleRate: number;
  bitsPerSample: number;
  dataOffset: number;
  dataBytes: number;
}

function findLayout(bytes: Uint8Array, view: DataView): WavLayout | null {
  if (bytes.length < 12 || readTag(bytes, 0) !== "RIFF") return null;
  let format: Pick<WavLayout, "channelCount" | "sampleRate" | "bitsPerSample"> | null = null;
  let data: Pick<WavLayout, "dataOffset" | "dataBytes"> | null = null;
  let at = 12;
  while (bytes.length - at >= 8) {
    const id = readTag(bytes, at);
    const size = view.getUint32(at + 4, true);
    if (id === "fmt ") {
      format = {
        channelCount: view.getUint16(at + 10, true),
        sampleRate: view.getUint32(at + 12, true),
        bitsPerSample: view.getUint16(at + 22, true),
      };
    } else if (id === "data") {
      data = { dataOffset: at + 8, dataBytes: size };
    }
    at += 8 + size + (size % 2); // chunks are padded to an even size
  }
  return format && data ? { ...format, ...data } : null;
}

function readWav(bytes: Uint8Array): AudioClip | null {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const layout = findLayout(bytes, view);
  if (!layout) return null;
  const { channelCount, sampleRate, bitsPerSample, dataOffset, dataBytes } = layout;
  if (channelCount < 1 || !READABLE_BITS.includes(bitsPerSample)) return null;
  const bytesPerSample = bitsPerSample / 8;
  if (sampleRate < MIN_SAMPLE_RATE || sampleRate > MAX_SAMPLE_RATE) return null;
  if (dataOffset + dataBytes > bytes.length) return null;
  const frames = Math.floor(dataBytes / bytesPerSample / channelCount);
  const kept = Math.min(2, channelCount);
  const read = sampleReader(view, bytesPerSample);
  const channels: Float32Array[] = [];
  for (let ch = 0; ch < kept; ch++) {
    const out = new Float32Array(frames);
    const stride = channelCount * bytesPerSample;
    let at = dataOffset + ch * bytesPerSample;
    for (let g = 0; g < frames; g++, at += stride) out[g] = read(at);
    channels.push(out);
  }
  return makeClip(sampleRate, channels);
}

function sampleReader(view: DataView, bytesPerSample: number): (at: number) => number {
  if (bytesPerSample === 4) return (at) => view.getFloat32(at, true);
  if (bytesPerSample === 3) {
    return (at) => {
      const v = view.getUint8(at) | (view.getUint8(at + 1) << 8) | (view.getInt8(at + 2) << 16);
      return v / 8388608;
    };
  }
  return (at) => view.getInt16(at, true) / 32768;
}

function writeTag(bytes: Uint8Array, at: number, tag: string): void {
  for (let i = 0; i < 4; i++) bytes[at + i] = tag.charCodeAt(i);
}

function readTag(bytes: Uint8Array, at: number): string {
  return String.fromCharCode(bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]);
}
