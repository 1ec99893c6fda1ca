// Scoring detected hits against ground truth, per lane: one-to-one matching
// within a tolerance, precision / recall / F-measure, timing errors.

import { LANES, type Lane } from "../page/src/analysis/types";

export interface TruthHit {
  timeSec: number;
  lane: Lane;
}

export interface DetectedHit {
  timeSec: number;
  voices: readonly Lane[];
}

export interface LaneScore {
  truth: number;
  detected: number;
  matched: number;
  /** Signed errors (detected − truth) of the matched pairs, seconds. */
  errorsSec: number[];
}

/** Greedy one-to-one matching of sorted times: closest pairs first. */
export function matchTimes(truth: readonly number[], found: readonly number[], toleranceSec: number): [number, number][] {
  const pairs: { i: number; j: number; d: number }[] = [];
  for (let i = 0; i < truth.length; i++) {
    for (let j = 0; j < found.length; j++) {
      const d = Math.abs(found[j] - truth[i]);
      if (d <= toleranceSec) pairs.push({ i, j, d });
    }
  }
  pairs.sort((a, b) => a.d - b.d || a.i - b.i || a.j - b.j);
  const usedT = new Set<number>();
  const usedF = new Set<number>();
  const out: [number, number][] = [];
  for (const p of pairs) {
    if (usedT.has(p.i) || usedF.has(p.j)) continue;
    usedT.add(p.i);
    usedF.add(p.j);
    out.push([p.i, p.j]);
  }
  return out;
}

export function scoreLanes(truth: readonly TruthHit[], found: readonly DetectedHit[], toleranceSec: number): Record<Lane, LaneScore> {
  const result = {} as Record<Lane, LaneScore>;
  for (const lane of LANES) {
    const t = truth.filter((h) => h.lane === lane).map((h) => h.timeSec);
    const f = found.filter((h) => h.voices.includes(lane)).map((h) => h.timeSec);
    const pairs = matchTimes(t, f, toleranceSec);
    result[lane] = { truth: t.length, detected: f.length, matched: pairs.length, errorsSec: pairs.map(([i, j]) => f[j] - t[i]) };
  }
  return result;
}

export function addScores(a: LaneScore, b: LaneScore): LaneScore {
  return { truth: a.truth + b.truth, detected: a.detected + b.detected, matched: a.matched + b.matched, errorsSec: [...a.errorsSec, ...b.errorsSec] };
}

export function emptyScore(): LaneScore {
  return { truth: 0, detected: 0, matched: 0, errorsSec: [] };
}

export function precision(s: LaneScore): number {
  return s.detected > 0 ? s.matched / s.detected : s.truth === 0 ? 1 : 0;
}

export function recall(s: LaneScore): number {
  return s.truth > 0 ? s.matched / s.truth : 1;
}

export function fMeasure(s: LaneScore): number {
  const p = precision(s);
  const r = recall(s);
  return p + r > 0 ? (2 * p * r) / (p + r) : 0;
}

export function median(values: readonly number[]): number {
  if (values.length === 0) return NaN;
  const s = [...values].sort((a, b) => a - b);
  const m = s.length >> 1;
  return s.length % 2 ? s[m] : (s[m - 1] + s[m]) / 2;
}

/** Which lanes the detector gave to each truth hit it found (any lane) within the tolerance. */
export function laneConfusion(truth: readonly TruthHit[], found: readonly DetectedHit[], toleranceSec: number): Record<Lane, Record<string, number>> {
  const out = { low: {}, mid: {}, high: {} } as Record<Lane, Record<string, number>>;
  for (const h of truth) {
    let best: DetectedHit | undefined;
    for (const f of found) {
      if (Math.abs(f.timeSec - h.timeSec) <= toleranceSec && (!best || Math.abs(f.timeSec - h.timeSec) < Math.abs(best.timeSec - h.timeSec))) best = f;
    }
    const key = best ? best.voices.join("+") || "(none)" : "missed";
    out[h.lane][key] = (out[h.lane][key] ?? 0) + 1;
  }
  return out;
}
