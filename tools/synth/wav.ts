// Mono 16-bit PCM WAV for the generated media: the page's encoder writes it, and a strict
// reader of that canonical 44-byte layout lets the media tests check what shipped.

import { makeClip } from "../../page/src/audio/clip.ts";
import { clipToWav } from "../../page/src/audio/wav.ts";

export const WAV_HEADER_BYTES = 44;

/** Encodes mono float samples as a 16-bit PCM WAV file (clamped to ±1, full scale ±32,767). */
export function encodeWav16(samples: Float32Array, sampleRate: number): Uint8Array {
  return clipToWav(makeClip(sampleRate, [samples]));
}

export interface DecodedWav16 {
  sampleRate: number;
  channels: number;
  bitsPerSample: number;
  samples: Float32Array;
}

/** Reads back what `encodeWav16` writes (canonical header only); nothing for anything else. */
export function decodeWav16(bytes: Uint8Array): DecodedWav16 | undefined {
  if (bytes.length < WAV_HEADER_BYTES) return undefined;
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const tag = (offset: number) => String.fromCharCode(...bytes.subarray(offset, offset + 4));
  if (tag(0) !== "RIFF" || tag(8) !== "WAVE" || tag(12) !== "fmt " || tag(36) !== "data") return undefined;
  const channels = view.getUint16(22, true);
  const bitsPerSample = view.getUint16(34, true);
  const dataBytes = view.getUint32(40, true);
  if (view.getUint16(20, true) !== 1 || bitsPerSample !== 16 || WAV_HEADER_BYTES + dataBytes > bytes.length) return undefined;
  const samples = new Float32Array(Math.floor(dataBytes / 2));
  for (let i = 0; i < samples.length; i++) samples[i] = view.getInt16(WAV_HEADER_BYTES + i * 2, true) / 32768;
  return { sampleRate: view.getUint32(24, true), channels, bitsPerSample, samples };
}
