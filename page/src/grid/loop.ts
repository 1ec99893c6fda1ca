// findLoop: where a clean loop of 8, 4 or 2 bars starts in a longer take, scored
// by how well the smoothed onset flux repeats one loop (or one bar) later.

import type { AudioClip } from "../audio/clip";
import { detectOnsets } from "../analysis/detect";
import { smoothFiveFloat64 } from "../analysis/frames";
import type { DetectOptions, Onset } from "../analysis/types";
import type { LoopCandidate } from "./types";

export const DEFAULT_BAR_COUNTS: readonly number[] = [8, 4, 2];
const MAX_STARTS = 24;
const MAX_SHIFT = 3;
const MIN_SCORE = 0.35;
const PREFER_LONGER_WITHIN = 0.07;

/** Pearson correlation of sm[a … a+n−1] and sm[b … b+n−1]; 0 for flat windows. */
export function windowCorrelation(sm: Float64Array, a: number, b: number, n: number): number {
  let sumU = 0;
  let sumV = 0;
  for (let i = 0; i < n; i++) {
    sumU += sm[a + i];
    sumV += sm[b + i];
  }
  const meanU = sumU / n;
  const meanV = sumV / n;
  let cov = 0;
  let varU = 0;
  let varV = 0;
  for (let i = 0; i < n; i++) {
    const u = sm[a + i] - meanU;
    const v = sm[b + i] - meanV;
    cov += u * v;
    varU += u * u;
    varV += v * v;
  }
  const denom = Math.sqrt(varU * varV);
  return denom <= 1e-12 ? 0 : cov / denom;
}

/** Best correlation with the second window shifted by −3 … 3 frames; −1 when none fits. */
export function windowMatch(sm: Float64Array, a: number, b: number, n: number): number {
  // Guard the first window too: it must lie inside the flux like the second.
  if (n < 1 || a < 0 || a + n > sm.length) return -1;
  let best = -1;
  let found = false;
  for (let s = -MAX_SHIFT; s <= MAX_SHIFT; s++) {
    const start = b + s;
    if (start < 0 || start + n > sm.length) continue;
    const c = windowCorrelation(sm, a, start, n);
    if (!found || c > best) best = c;
    found = true;
  }
  return best;
}

/** Up to 24 loop starts: 5 ms before each loud hit (velocity ≥ 65 % of the loudest). */
export function candidateStarts(onsets: readonly Onset[]): number[] {
  let maxVel = 0;
  for (const o of onsets) if (o.velocity > maxVel) maxVel = o.velocity;
  const starts: number[] = [];
  for (const o of onsets) {
    if (starts.length >= MAX_STARTS) break;
    if (o.velocity >= 0.65 * maxVel) starts.push(Math.max(0, o.time - 0.005));
  }
  return starts;
}

/** Scores every start for every bar count, in the given order. */
export function scoreLoopCandidates(
  sm: Float64Array,
  hopSec: number,
  durationSec: number,
  starts: readonly number[],
  barSec: number,
  barCounts: readonly number[],
): LoopCandidate[] {
  const candidates: LoopCandidate[] = [];
  for (const bars of barCounts) {
    const loopSec = bars * barSec;
    const loopFrames = Math.floor(loopSec / hopSec);
    const barFrames = Math.floor(barSec / hopSec);
    if (loopFrames < 4 || barFrames < 2) continue;
    for (const s of starts) {
      if (s + loopSec > durationSec + 0.08 * barSec) continue;
      const t = Math.floor(s / hopSec);
      const following = Math.min(sm.length - t - loopFrames, loopFrames);
      let score: number;
      if (following >= barFrames) {
        score = windowMatch(sm, t, t + loopFrames, following);
      } else if (bars > 1) {
        const half = Math.floor(loopFrames / 2);
        score = Math.max(windowMatch(sm, t, t + barFrames, loopFrames - barFrames), windowMatch(sm, t, t + half, half));
      } else {
        continue;
      }
      candidates.push({ startSec: s, endSec: s + loopSec, bars, score });
    }
  }
  return candidates;
}

/** Highest score; the earliest candidate wins ties. */
function highest(candidates: readonly LoopCandidate[]): LoopCandidate | undefined {
  let best: LoopCandidate | undefined;
  for (const c of candidates) if (best === undefined || c.score > best.score) best = c;
  return best;
}

/** Prefers the first bar count (in the given order) scoring within 0.07 of the best. */
export function chooseLoop(candidates: readonly LoopCandidate[], barCounts: readonly number[]): LoopCandidate | undefined {
  const best = highest(candidates);
  if (best === undefined) return undefined;
  for (const bars of barCounts) {
    const bestOfCount = highest(candidates.filter((c) => c.bars === bars));
    if (bestOfCount && bestOfCount.score >= best.score - PREFER_LONGER_WITHIN && bestOfCount.score > MIN_SCORE) {
      return bestOfCount;
    }
  }
  return best.score > MIN_SCORE ? best : undefined;
}

export function findLoop(
  clip: AudioClip,
  bpm: number,
  options: DetectOptions = {},
  barCounts: readonly number[] = DEFAULT_BAR_COUNTS,
): LoopCandidate | undefined {
  const { onsets, flux, fluxHopSec } = detectOnsets(clip, options);
  if (onsets.length === 0) return undefined;
  const barSec = (60 / bpm) * 4;
  const durationSec = clip.length / clip.sampleRate;
  const sm = smoothFiveFloat64(flux);
  const candidates = scoreLoopCandidates(sm, fluxHopSec, durationSec, candidateStarts(onsets), barSec, barCounts);
  return chooseLoop(candidates, barCounts);
}
