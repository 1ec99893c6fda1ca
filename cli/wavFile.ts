// WAV file reader for the command line: PCM 16/24-bit and 32-bit float, any
// channel count and rate. Unlike the page's lenient bridge reader, it refuses
// anything it cannot read faithfully and says why.

import { makeClip, type AudioClip } from "../page/src/audio/clip";
import { clipToWav } from "../page/src/audio/wav";

export const SUPPORTED_WAV = "WAV with 16-bit PCM, 24-bit PCM or 32-bit float samples";

export class WavFormatError extends Error {}

const FORMAT_PCM = 1;
const FORMAT_FLOAT = 3;
const FORMAT_EXTENSIBLE = 0xfffe;

function tag(bytes: Uint8Array, at: number): string {
  return String.fromCharCode(bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]);
}

export interface WavFormat {
  formatTag: number;
  channelCount: number;
  sampleRate: number;
  bitsPerSample: number;
  blockAlign: number;
}

function readFormat(view: DataView, at: number, size: number): WavFormat {
  if (size < 16) throw new WavFormatError(`"fmt " chunk too short (${size} bytes)`);
  let formatTag = view.getUint16(at, true);
  const bitsPerSample = view.getUint16(at + 14, true);
  if (formatTag === FORMAT_EXTENSIBLE) {
    if (size < 26) throw new WavFormatError("extensible \"fmt \" chunk too short");
    formatTag = view.getUint16(at + 24, true); // first two bytes of the sub-format GUID
  }
  return {
    formatTag,
    channelCount: view.getUint16(at + 2, true),
    sampleRate: view.getUint32(at + 4, true),
    bitsPerSample,
    blockAlign: view.getUint16(at + 12, true),
  };
}

function describeEncoding(f: WavFormat): string {
  const kind = f.formatTag === FORMAT_PCM ? "PCM" : f.formatTag === FORMAT_FLOAT ? "float" : `format 0x${f.formatTag.toString(16)}`;
  return `${f.bitsPerSample}-bit ${kind}`;
}

export interface WavLayout {
  format: WavFormat;
  /** Offset and declared size of the "data" chunk's body; the size is not checked against the file. */
  dataAt: number;
  dataBytes: number;
}

/** Walks the chunks up to "data"; throws WavFormatError when the file has no "fmt " or "data" chunk. */
export function readWavLayout(bytes: Uint8Array): WavLayout {
  if (bytes.length < 12 || tag(bytes, 0) !== "RIFF" || tag(bytes, 8) !== "WAVE") {
    throw new WavFormatError(`not a WAV file (supported: ${SUPPORTED_WAV})`);
  }
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  let format: WavFormat | undefined;
  let at = 12;
  while (bytes.length - at >= 8) {
    const id = tag(bytes, at);
    const size = view.getUint32(at + 4, true);
    const body = at + 8;
    if (id === "fmt ") {
      if (body + size > bytes.length) throw new WavFormatError("truncated file: \"fmt \" chunk runs past the end");
      format = readFormat(view, body, size);
    } else if (id === "data") {
      if (!format) break;
      return { format, dataAt: body, dataBytes: size };
    }
    at = body + size + (size & 1);
  }
  if (!format) throw new WavFormatError("truncated or damaged file: no \"fmt \" chunk");
  throw new WavFormatError("truncated or damaged file: no \"data\" chunk");
}

/** Parses WAV bytes into a clip; throws WavFormatError with a readable reason. */
export function parseWavFile(bytes: Uint8Array): AudioClip {
  const { format, dataAt, dataBytes } = readWavLayout(bytes);
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const { formatTag, bitsPerSample, channelCount, sampleRate } = format;
  const supported =
    (formatTag === FORMAT_PCM && (bitsPerSample === 16 || bitsPerSample === 24)) ||
    (formatTag === FORMAT_FLOAT && bitsPerSample === 32);
  if (!supported) throw new WavFormatError(`unsupported encoding ${describeEncoding(format)} (supported: ${SUPPORTED_WAV})`);
  if (channelCount < 1) throw new WavFormatError("no channels");
  if (sampleRate < 1) throw new WavFormatError("sample rate is 0");
  const bytesPerSample = bitsPerSample / 8;
  const frameBytes = bytesPerSample * channelCount;
  if (format.blockAlign !== 0 && format.blockAlign !== frameBytes) {
    throw new WavFormatError(`block size ${format.blockAlign} does not match ${channelCount} channels of ${bitsPerSample} bits`);
  }
  if (dataAt + dataBytes > bytes.length) {
    throw new WavFormatError(`truncated file: data chunk declares ${dataBytes} bytes, only ${bytes.length - dataAt} present`);
  }
  const frames = Math.floor(dataBytes / frameBytes);
  if (frames === 0) throw new WavFormatError("no audio frames");

  const channels = Array.from({ length: channelCount }, () => new Float32Array(frames));
  for (let ch = 0; ch < channelCount; ch++) {
    const out = channels[ch];
    let p = dataAt + ch * bytesPerSample;
    if (bitsPerSample === 16) {
      for (let i = 0; i < frames; i++, p += frameBytes) out[i] = view.getInt16(p, true) / 32768;
    } else if (bitsPerSample === 24) {
      for (let i = 0; i < frames; i++, p += frameBytes) {
        const v = bytes[p] | (bytes[p + 1] << 8) | (bytes[p + 2] << 16);
        out[i] = ((v << 8) >> 8) / 8388608;
      }
    } else {
      for (let i = 0; i < frames; i++, p += frameBytes) {
        const v = view.getFloat32(p, true);
        out[i] = Number.isFinite(v) ? v : 0;
      }
    }
  }
  return makeClip(sampleRate, channels);
}

/** Encodes a clip as WAV (16-bit PCM as the page writes it, 24-bit PCM or 32-bit float), for tests and benchmarks. */
export function encodeWavFile(clip: AudioClip, encoding: "pcm16" | "pcm24" | "float32" = "pcm16"): Uint8Array {
  if (encoding === "pcm16") return clipToWav(clip);
  const channelCount = clip.channels.length;
  const bytesPerSample = encoding === "pcm24" ? 3 : 4;
  const dataBytes = clip.length * channelCount * bytesPerSample;
  const bytes = new Uint8Array(44 + dataBytes + (dataBytes & 1));
  const view = new DataView(bytes.buffer);
  const ascii = (at: number, s: string) => {
    for (let i = 0; i < 4; i++) bytes[at + i] = s.charCodeAt(i);
  };
  ascii(0, "RIFF");
  view.setUint32(4, bytes.length - 8, true);
  ascii(8, "WAVE");
  ascii(12, "fmt ");
  view.setUint32(16, 16, true);
  view.setUint16(20, encoding === "float32" ? FORMAT_FLOAT : FORMAT_PCM, true);
  view.setUint16(22, channelCount, true);
  view.setUint32(24, clip.sampleRate, true);
  view.setUint32(28, clip.sampleRate * channelCount * bytesPerSample, true);
  view.setUint16(32, channelCount * bytesPerSample, true);
  view.setUint16(34, bytesPerSample * 8, true);
  ascii(36, "data");
  view.setUint32(40, dataBytes, true);
  let p = 44;
  for (let i = 0; i < clip.length; i++) {
    for (let ch = 0; ch < channelCount; ch++, p += bytesPerSample) {
      if (encoding === "float32") view.setFloat32(p, clip.channels[ch][i], true);
      else {
        const v = Math.round(Math.max(-1, Math.min(1, clip.channels[ch][i])) * 8388607);
        bytes[p] = v & 0xff;
        bytes[p + 1] = (v >> 8) & 0xff;
        bytes[p + 2] = (v >> 16) & 0xff;
      }
    }
  }
  return bytes;
}
