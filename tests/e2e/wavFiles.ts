// WAV helpers for the end-to-end tests: integer-exact 16-bit PCM files in, and the command
// line's reader (with the file's encoding) for what the application writes.

import { makeClip } from "../../page/src/audio/clip.ts";
import { clipToWav } from "../../page/src/audio/wav.ts";
import { parseWavFile, readWavLayout } from "../../cli/wavFile.ts";

export interface Pcm {
  sampleRate: number;
  channels: readonly Float32Array[];
}

/** 16-bit PCM holding exactly these sample values (−32,767…32,767: the page's full scale). */
export function writeWav16(sampleRate: number, channels: Int16Array[]): Uint8Array {
  return clipToWav(makeClip(sampleRate, channels.map((c) => Float32Array.from(c, (v) => v / 32767))));
}

/** Samples scaled by 1/32,768 (16-bit) or as stored (float), with the format tag (1 PCM, 3 float) and bit depth. */
export function readWav(bytes: Uint8Array): Pcm & { bits: number; format: number } {
  const { format } = readWavLayout(bytes);
  const clip = parseWavFile(bytes);
  return { sampleRate: clip.sampleRate, channels: clip.channels, bits: format.bitsPerSample, format: format.formatTag };
}

export const toBase64 = (bytes: Uint8Array) => Buffer.from(bytes).toString("base64");
export const fromBase64 = (text: string) => new Uint8Array(Buffer.from(text, "base64"));

/** A deterministic, non-periodic test signal (so a match can only happen at one offset). */
export function noiseBurstSignal(frames: number, seed: number): Int16Array {
  const out = new Int16Array(frames);
  let s = seed >>> 0;
  for (let i = 0; i < frames; i++) {
    s = (Math.imul(s, 1664525) + 1013904223) >>> 0;
    out[i] = ((s >>> 16) - 32768) >> 2; // about -12 dBFS
  }
  return out;
}

/** Offset at which `needle` appears in `hay` with the smallest peak error, searching every offset. */
export function bestAlignment(hay: Float32Array, needle: Float32Array, probe = 2048): { offset: number; maxError: number } {
  const m = Math.min(probe, needle.length);
  let best = { offset: -1, maxError: Infinity };
  for (let off = 0; off + m <= hay.length; off++) {
    let worst = 0;
    for (let i = 0; i < m && worst < best.maxError; i++) worst = Math.max(worst, Math.abs(hay[off + i] - needle[i]));
    if (worst < best.maxError) best = { offset: off, maxError: worst };
  }
  return best;
}
