// Mono 16-bit PCM WAV encoder with the canonical 44-byte header.

export const WAV_HEADER_BYTES = 44;

/** Float sample (-1..1, clamped; NaN as silence) to a signed 16-bit value, round half up. */
export function toInt16(sample: number): number {
  if (Number.isNaN(sample)) return 0;
  const clamped = Math.min(1, Math.max(-1, sample));
  return Math.min(32767, Math.floor(clamped * 32767 + 0.5));
}

/** Encodes mono float samples as a 16-bit PCM WAV file. */
export function encodeWav16(samples: Float32Array, sampleRate: number): Uint8Array {
  const dataBytes = samples.length * 2;
  const bytes = new Uint8Array(WAV_HEADER_BYTES + dataBytes);
  const view = new DataView(bytes.buffer);
  const ascii = (offset: number, text: string) => {
    for (let i = 0; i < text.length; i++) bytes[offset + i] = text.charCodeAt(i);
  };
  ascii(0, "RIFF");
  view.setUint32(4, 36 + dataBytes, true);
  ascii(8, "WAVE");
  ascii(12, "fmt ");
  view.setUint32(16, 16, true); // fmt chunk size
  view.setUint16(20, 1, true); // PCM
  view.setUint16(22, 1, true); // mono
  view.setUint32(24, sampleRate, true);
  view.setUint32(28, sampleRate * 2, true); // byte rate
  view.setUint16(32, 2, true); // block align
  view.setUint16(34, 16, true); // bits per sample
  ascii(36, "data");
  view.setUint32(40, dataBytes, true);
  for (let i = 0; i < samples.length; i++) view.setInt16(WAV_HEADER_BYTES + i * 2, toInt16(samples[i]), true);
  return bytes;
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
