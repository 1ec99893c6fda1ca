// Whole-signal filters for the analysis. Signals are 32-bit float arrays; filter
// states and arithmetic are double precision, each output sample is stored as float32.

import type { AudioClip } from "../audio/clip";

/** Sample-wise sum of all channels times 1 / channel count. */
export function mixToMono(clip: AudioClip): Float32Array {
  const n = clip.length;
  const channels = clip.channels;
  const count = channels.length;
  if (count === 1) return channels[0].slice();
  const out = new Float32Array(n);
  if (count === 0) return out;
  const scale = 1 / count;
  if (count === 2) {
    const a = channels[0];
    const b = channels[1];
    for (let i = 0; i < n; i++) out[i] = (a[i] + b[i]) * scale;
    return out;
  }
  for (let i = 0; i < n; i++) {
    let sum = 0;
    for (let c = 0; c < count; c++) sum += channels[c][i];
    out[i] = sum * scale;
  }
  return out;
}

export function onePoleCoefficient(sampleRate: number, cutoffHz: number): number {
  return 1 - Math.exp((-2 * Math.PI * cutoffHz) / sampleRate);
}

/** One-pole low-pass y += a·(x − y), starting from 0. */
export function onePoleLowpass(signal: Float32Array, sampleRate: number, cutoffHz: number): Float32Array {
  const a = onePoleCoefficient(sampleRate, cutoffHz);
  const out = new Float32Array(signal.length);
  let y = 0;
  for (let i = 0; i < signal.length; i++) {
    y = y + a * (signal[i] - y);
    out[i] = y;
  }
  return out;
}

/**
 * The three bands of the wide detector in one pass: L = low-pass 150 Hz,
 * P = low-pass 4 kHz − L, H = x − low-pass 4 kHz.
 */
export function splitWideBands(
  x: Float32Array,
  sampleRate: number,
): { low: Float32Array; mid: Float32Array; high: Float32Array } {
  const n = x.length;
  const aLow = onePoleCoefficient(sampleRate, 150);
  const aMid = onePoleCoefficient(sampleRate, 4000);
  const low = new Float32Array(n);
  const mid = new Float32Array(n);
  const high = new Float32Array(n);
  let yLow = 0;
  let yMid = 0;
  for (let i = 0; i < n; i++) {
    const xi = x[i];
    yLow = yLow + aLow * (xi - yLow);
    yMid = yMid + aMid * (xi - yMid);
    const l = Math.fround(yLow);
    const m = Math.fround(yMid);
    low[i] = l;
    mid[i] = m - l;
    high[i] = xi - m;
  }
  return { low, mid, high };
}

export interface BiquadCoefficients {
  b0: number;
  b1: number;
  b2: number;
  a0: number;
  a1: number;
  a2: number;
}

/** Audio-EQ-cookbook low- or high-pass with Q = 1/√2. */
export function biquadCoefficients(kind: "lowpass" | "highpass", sampleRate: number, cutoffHz: number): BiquadCoefficients {
  const w0 = (2 * Math.PI * cutoffHz) / sampleRate;
  const cw = Math.cos(w0);
  const alpha = Math.sin(w0) / Math.SQRT2;
  const a0 = 1 + alpha;
  const a1 = -2 * cw;
  const a2 = 1 - alpha;
  if (kind === "lowpass") {
    const b0 = (1 - cw) / 2;
    return { b0, b1: 1 - cw, b2: b0, a0, a1, a2 };
  }
  const b0 = (1 + cw) / 2;
  return { b0, b1: -(1 + cw), b2: b0, a0, a1, a2 };
}

/** One direct-form-I section over the whole signal, zero initial state. */
export function applyBiquad(signal: Float32Array, c: BiquadCoefficients): Float32Array {
  const out = new Float32Array(signal.length);
  const { b0, b1, b2, a0, a1, a2 } = c;
  let x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  for (let i = 0; i < signal.length; i++) {
    const x0 = signal[i];
    const y0 = (b0 * x0 + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2) / a0;
    out[i] = y0;
    x2 = x1; x1 = x0;
    y2 = y1; y1 = y0;
  }
  return out;
}

/**
 * The same section applied twice in series (a fourth-order slope), fused into one
 * pass. The first section's output is rounded to float32 before it feeds the
 * second, exactly as if it had been stored.
 */
export function applyBiquadTwice(signal: Float32Array, c: BiquadCoefficients): Float32Array {
  const out = new Float32Array(signal.length);
  const { b0, b1, b2, a0, a1, a2 } = c;
  let x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  let u1 = 0, u2 = 0, v1 = 0, v2 = 0;
  for (let i = 0; i < signal.length; i++) {
    const x0 = signal[i];
    const y0 = (b0 * x0 + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2) / a0;
    x2 = x1; x1 = x0;
    y2 = y1; y1 = y0;
    const u0 = Math.fround(y0);
    const v0 = (b0 * u0 + b1 * u1 + b2 * u2 - a1 * v1 - a2 * v2) / a0;
    out[i] = v0;
    u2 = u1; u1 = u0;
    v2 = v1; v1 = v0;
  }
  return out;
}
