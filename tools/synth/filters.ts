// Biquad filters (RBJ cookbook) and simple shaping, all pure: input in, new buffer out.

export type BiquadKind = "lowpass" | "highpass" | "bandpass";

export interface BiquadCoefficients {
  b0: number;
  b1: number;
  b2: number;
  a1: number;
  a2: number;
}

/** Normalised coefficients; `q` of 0.7071 gives a Butterworth low/high pass. */
export function biquadCoefficients(
  kind: BiquadKind,
  frequencyHz: number,
  q: number,
  sampleRate: number,
): BiquadCoefficients {
  const w0 = (2 * Math.PI * Math.min(frequencyHz, sampleRate * 0.49)) / sampleRate;
  const cos = Math.cos(w0);
  const alpha = Math.sin(w0) / (2 * q);
  const a0 = 1 + alpha;
  let b0: number;
  let b1: number;
  let b2: number;
  if (kind === "lowpass") {
    b0 = (1 - cos) / 2;
    b1 = 1 - cos;
    b2 = (1 - cos) / 2;
  } else if (kind === "highpass") {
    b0 = (1 + cos) / 2;
    b1 = -(1 + cos);
    b2 = (1 + cos) / 2;
  } else {
    // Band pass with 0 dB peak gain.
    b0 = alpha;
    b1 = 0;
    b2 = -alpha;
  }
  return { b0: b0 / a0, b1: b1 / a0, b2: b2 / a0, a1: (-2 * cos) / a0, a2: (1 - alpha) / a0 };
}

/** Runs one biquad over `input` (direct form I, double precision state). */
export function applyBiquad(input: Float32Array, c: BiquadCoefficients): Float32Array {
  const out = new Float32Array(input.length);
  let x1 = 0;
  let x2 = 0;
  let y1 = 0;
  let y2 = 0;
  for (let i = 0; i < input.length; i++) {
    const x = input[i];
    const y = c.b0 * x + c.b1 * x1 + c.b2 * x2 - c.a1 * y1 - c.a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    out[i] = y;
  }
  return out;
}

/** Convenience: `stages` identical biquads in series (steeper slopes). */
export function filter(
  input: Float32Array,
  kind: BiquadKind,
  frequencyHz: number,
  q: number,
  sampleRate: number,
  stages = 1,
): Float32Array {
  const c = biquadCoefficients(kind, frequencyHz, q, sampleRate);
  let out = input;
  for (let s = 0; s < stages; s++) out = applyBiquad(out, c);
  return out;
}

/** Soft saturation normalised so that ±1 maps to ±1; `drive` 0 is a clean pass. */
export function saturate(input: Float32Array, drive: number): Float32Array {
  if (drive <= 0) return Float32Array.from(input);
  const k = 1 + drive * 4;
  const norm = 1 / Math.tanh(k);
  return input.map((x) => Math.tanh(k * x) * norm);
}

/** Scales so the absolute peak equals `peak` (silence stays silence). */
export function normalizePeak(input: Float32Array, peak: number): Float32Array {
  let max = 0;
  for (const x of input) max = Math.max(max, Math.abs(x));
  if (max === 0) return Float32Array.from(input);
  const gain = peak / max;
  return input.map((x) => x * gain);
}

/** Raised-cosine fade to zero over the last `fadeFrames` frames, so a one-shot never ends on a step. */
export function fadeOutTail(input: Float32Array, fadeFrames: number): Float32Array {
  const out = Float32Array.from(input);
  const n = Math.min(fadeFrames, out.length);
  for (let i = 0; i < n; i++) {
    const index = out.length - n + i;
    out[index] *= 0.5 * (1 + Math.cos((Math.PI * (i + 1)) / n));
  }
  return out;
}
