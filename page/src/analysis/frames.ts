// The analysis frame grid: hop 256, window 512. Envelopes are float32 arrays.

export const HOP = 256;
export const WINDOW = 512;

/** F = max(1, floor((N − 512) / 256) + 1). */
export function frameCount(length: number): number {
  return Math.max(1, Math.floor((length - WINDOW) / HOP) + 1);
}

/** RMS of frame f: samples 256·f up to min(N, 256·f + 512). */
export function frameRms(signal: Float32Array, frame: number): number {
  const start = frame * HOP;
  const end = Math.min(signal.length, start + WINDOW);
  let sum = 0;
  for (let i = start; i < end; i++) sum += signal[i] * signal[i];
  return Math.sqrt(sum / Math.max(1, end - start));
}

/** Frame RMS of every frame of the grid. */
export function rmsEnvelope(signal: Float32Array, frames: number): Float32Array {
  const out = new Float32Array(frames);
  for (let f = 0; f < frames; f++) out[f] = frameRms(signal, f);
  return out;
}

/** Centred five-frame moving average; at the edges only frames inside the range count. */
export function smoothFive(values: ArrayLike<number>, out: Float32Array | Float64Array): void {
  const n = values.length;
  for (let f = 0; f < n; f++) {
    const lo = Math.max(0, f - 2);
    const hi = Math.min(n - 1, f + 2);
    let sum = 0;
    for (let k = lo; k <= hi; k++) sum += values[k];
    out[f] = sum / (hi - lo + 1);
  }
}

export function smoothFiveFloat32(values: Float32Array): Float32Array {
  const out = new Float32Array(values.length);
  smoothFive(values, out);
  return out;
}

export function smoothFiveFloat64(values: ArrayLike<number>): Float64Array {
  const out = new Float64Array(values.length);
  smoothFive(values, out);
  return out;
}
