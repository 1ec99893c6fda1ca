// Small WAV helpers for the end-to-end tests: 16-bit PCM writing and a chunk-walking reader for
// 16-bit PCM and 32-bit float files.

export interface Pcm {
  sampleRate: number;
  channels: Float32Array[];
}

export function writeWav16(sampleRate: number, channels: Int16Array[]): Uint8Array {
  const k = channels.length;
  const n = channels[0]?.length ?? 0;
  const bytes = new Uint8Array(44 + n * k * 2);
  const view = new DataView(bytes.buffer);
  const tag = (at: number, s: string) => [...s].forEach((c, i) => (bytes[at + i] = c.charCodeAt(0)));
  tag(0, "RIFF");
  view.setUint32(4, 36 + n * k * 2, true);
  tag(8, "WAVE");
  tag(12, "fmt ");
  view.setUint32(16, 16, true);
  view.setUint16(20, 1, true);
  view.setUint16(22, k, true);
  view.setUint32(24, sampleRate, true);
  view.setUint32(28, sampleRate * k * 2, true);
  view.setUint16(32, k * 2, true);
  view.setUint16(34, 16, true);
  tag(36, "data");
  view.setUint32(40, n * k * 2, true);
  for (let i = 0; i < n; i++) for (let c = 0; c < k; c++) view.setInt16(44 + (i * k + c) * 2, channels[c][i], true);
  return bytes;
}

export function readWav(bytes: Uint8Array): Pcm & { bits: number; format: number } {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const text = (at: number) => String.fromCharCode(...bytes.subarray(at, at + 4));
  if (text(0) !== "RIFF" || text(8) !== "WAVE") throw new Error("not a WAV file");
  let at = 12;
  let format = 0, k = 0, rate = 0, bits = 0;
  while (at + 8 <= bytes.length) {
    const id = text(at);
    const size = view.getUint32(at + 4, true);
    const body = at + 8;
    if (id === "fmt ") {
      format = view.getUint16(body, true);
      k = view.getUint16(body + 2, true);
      rate = view.getUint32(body + 4, true);
      bits = view.getUint16(body + 14, true);
      if (format === 0xfffe) format = view.getUint16(body + 24, true);
    } else if (id === "data") {
      const width = bits / 8;
      const n = Math.floor(size / (width * k));
      const channels = Array.from({ length: k }, () => new Float32Array(n));
      for (let i = 0; i < n; i++)
        for (let c = 0; c < k; c++) {
          const p = body + (i * k + c) * width;
          channels[c][i] = format === 3 ? view.getFloat32(p, true) : view.getInt16(p, true) / 32768;
        }
      return { sampleRate: rate, channels, bits, format };
    }
    at = body + size + (size & 1);
  }
  throw new Error("no data chunk");
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
