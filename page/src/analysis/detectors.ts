// The three hit detectors. Each returns the frames it accepts, in order.

import { HOP } from "./frames";

/** Detection constants that depend on the sample rate and the sensitivity. */
export interface DetectorSettings {
  /** Threshold base I = 0.28 − 0.24 · sensitivity. */
  thresholdBase: number;
  /** Half-width of the local mean, frames. */
  meanHalfWidth: number;
  /** Minimum spacing between hits of one detector, frames. */
  minSpacing: number;
  sampleRate: number;
}

/** Mean of values over frames max(0, f − A) up to but not including min(F, f + A). */
export function localMean(values: ArrayLike<number>, f: number, halfWidth: number): number {
  const lo = Math.max(0, f - halfWidth);
  const hi = Math.min(values.length, f + halfWidth);
  let sum = 0;
  for (let k = lo; k < hi; k++) sum += values[k];
  return sum / (hi - lo);
}

/**
 * Wide-detector rise check: for an envelope, the five frames after f against the
 * five before (frames below 0 count as 0), over offsets with f + k < F.
 */
function risesAfter(env: Float32Array, f: number): boolean {
  const frames = env.length;
  let before = 0;
  let after = 0;
  let counted = 0;
  for (let k = 1; k <= 5; k++) {
    if (f + k >= frames) break;
    counted++;
    if (f - k >= 0) before += env[f - k];
    after += env[f + k];
  }
  return counted > 0 && after > 1.26 * before;
}

/** Wide detector over the normalised flux; the rise is confirmed on lowS, mid or high. */
export function wideDetectorFrames(
  flux: Float64Array,
  envelopes: readonly [Float32Array, Float32Array, Float32Array],
  s: DetectorSettings,
): number[] {
  const frames = flux.length;
  const accepted: number[] = [];
  let last = -s.minSpacing;
  let lastValue = 0;
  for (let f = 0; f <= frames - 2; f++) {
    const v = flux[f];
    if (v < flux[f + 1] || (f > 0 && v < flux[f - 1])) continue;
    if (f - last < s.minSpacing) continue;
    if (v < s.thresholdBase + 1.3 * localMean(flux, f, s.meanHalfWidth)) continue;
    const sinceLastSec = ((f - last) * HOP) / s.sampleRate;
    if (sinceLastSec < 0.15 && v < lastValue * Math.exp(-sinceLastSec / 0.06)) continue;
    if (!risesAfter(envelopes[0], f) && !risesAfter(envelopes[1], f) && !risesAfter(envelopes[2], f)) continue;
    last = f;
    lastValue = v;
    accepted.push(f);
  }
  return accepted;
}

/**
 * Band detector (kick or hat) over an envelope. Returns candidate frames that pass
 * the peak, threshold, spacing and rise tests; the caller drops duplicates.
 * Spacing counts from every frame that passed the rise test, duplicate or not.
 */
export function bandDetectorFrames(env: Float32Array, s: DetectorSettings): number[] {
  const frames = env.length;
  const rise = new Float64Array(frames);
  let maxRise = 0;
  for (let f = 1; f < frames; f++) {
    const r = Math.max(0, env[f] - env[f - 1]);
    rise[f] = r;
    if (r > maxRise) maxRise = r;
  }
  if (!(maxRise > 0)) return [];
  for (let f = 1; f < frames; f++) rise[f] /= maxRise;
  const accepted: number[] = [];
  const threshold = 0.55 * s.thresholdBase;
  let last = -s.minSpacing;
  for (let f = 1; f <= frames - 2; f++) {
    const r = rise[f];
    if (r < rise[f - 1] || r < rise[f + 1]) continue;
    if (f - last < s.minSpacing) continue;
    if (r < threshold + 1.3 * localMean(rise, f, s.meanHalfWidth)) continue;
    let before = 0;
    let after = 0;
    let counted = 0;
    for (let k = 1; k <= 5; k++) {
      if (f - k < 0 || f + k >= frames) continue;
      counted++;
      before += env[f - k];
      after += env[f + k];
    }
    if (counted > 0 && !(after > 1.26 * before)) continue;
    last = f;
    accepted.push(f);
  }
  return accepted;
}
