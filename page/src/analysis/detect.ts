// detectOnsets: the whole detection pipeline. Reduces each filtered band to frame
// envelopes in one pass over the clip, runs the wide, kick and hat detectors, then
// scores every hit against the loop's own loud hits to give lanes and velocities.
// Pure and synchronous (the page thread, or Node for the command line).

import type { AudioClip } from "../audio/clip";
import { mixToMono } from "./filters";
import { HOP, frameCount, smoothFiveFloat32 } from "./frames";
import { detectorBandEnvelopes, wideBandEnvelopes } from "./bandEnvelopes";
import { bandDetectorFrames, wideDetectorFrames, type DetectorSettings } from "./detectors";
import { hitSpectrum, makeHitSpectrumWorkspace, peakAmplitude, type HitSpectrumWorkspace } from "./hitBands";
import { bandScore, decideLanes, velocityCurve } from "./scoring";
import { clamp, roundHalfUp } from "./round";
import type { BandEnergies, DetectOptions, Lane, LaneVelocities, Onset, OnsetAnalysis, OnsetOrigin, VoiceGains } from "./types";

/** A hit before scoring. */
export interface RawHit {
  time: number;
  amp: number;
  tilt: number;
  bands: BandEnergies;
  origin: OnsetOrigin;
}

/** Loop-wide references against which every hit's bands are scored. */
export interface LoopReferences {
  ref: BandEnergies;
  refMax: number;
  /** Number of hat-detector hits. */
  hatCount: number;
  /** Median `air` of the hat-detector hits (0 with fewer than two). */
  hatMedian: number;
  /** Hat multiplier Q: 8 with at least two hat-detector hits, else 1. */
  hatMult: number;
}

/** A setting that is missing or not a finite number takes its default. */
function finiteOr(value: number | undefined, fallback: number): number {
  return typeof value === "number" && Number.isFinite(value) ? value : fallback;
}

export function resolveGains(options: DetectOptions): VoiceGains {
  const g = options.gains ?? {};
  return { kick: finiteOr(g.kick, 1), snare: finiteOr(g.snare, 1), hat: finiteOr(g.hat, 1) };
}

export function detectorSettings(sampleRate: number, sensitivity: number | undefined): DetectorSettings {
  return {
    thresholdBase: 0.28 - 0.24 * clamp(finiteOr(sensitivity, 0.5), 0, 1),
    meanHalfWidth: Math.max(1, roundHalfUp((0.18 * sampleRate) / HOP)),
    minSpacing: Math.max(1, roundHalfUp((0.045 * sampleRate) / HOP)),
    sampleRate,
  };
}

/** Wide-detector onset strength per frame, normalised to a maximum of 1. */
export function computeFlux(lowS: Float32Array, mid: Float32Array, high: Float32Array): Float64Array {
  const frames = lowS.length;
  const flux = new Float64Array(frames);
  flux[0] = lowS[0] + mid[0] + 1.5 * high[0];
  let max = flux[0];
  for (let f = 1; f < frames; f++) {
    const v =
      Math.max(0, lowS[f] - lowS[f - 1]) + Math.max(0, mid[f] - mid[f - 1]) + 1.5 * Math.max(0, high[f] - high[f - 1]);
    flux[f] = v;
    if (v > max) max = v;
  }
  if (max > 0) for (let f = 0; f < frames; f++) flux[f] /= max;
  return flux;
}

/** Value at index floor(q · (n − 1)) of the ascending values (0 when empty). */
function quantile(values: number[], q: number): number {
  if (values.length === 0) return 0;
  const sorted = values.slice().sort((a, b) => a - b);
  return sorted[Math.floor(q * (sorted.length - 1))];
}

export function loopReferences(hits: readonly RawHit[]): LoopReferences {
  const ref: BandEnergies = {
    sub: quantile(hits.map((h) => h.bands.sub), 0.95),
    body: quantile(hits.map((h) => h.bands.body), 0.95),
    crack: quantile(hits.map((h) => h.bands.crack), 0.95),
    air: quantile(hits.map((h) => h.bands.air), 0.95),
  };
  const refMax = Math.max(ref.sub, ref.body, ref.crack, ref.air, 1e-9);
  const hatAir = hits.filter((h) => h.origin === "hat").map((h) => h.bands.air);
  let hatMedian = 0;
  if (hatAir.length >= 2) {
    hatMedian = quantile(hatAir, 0.5);
    if (hatMedian > 0) ref.air = Math.min(ref.air, 1.4 * hatMedian);
  }
  return { ref, refMax, hatCount: hatAir.length, hatMedian, hatMult: hatAir.length >= 2 ? 8 : 1 };
}

const DETECTOR_LANE: Record<OnsetOrigin, Lane | undefined> = { wide: undefined, kick: "low", hat: "high" };

/** Scores, lanes and lane velocities of one hit; `velocity` is set later. */
export function classifyHit(hit: RawHit, refs: LoopReferences, gains: VoiceGains, layered: boolean): Onset {
  const { sub, body, crack, air } = hit.bands;
  const { ref, refMax, hatMult } = refs;
  const bandSum = sub + body + crack + air;
  const airShare = air / (bandSum === 0 ? 1 : bandSum);
  const bodyScore = bandScore(body, ref.body, gains.snare, refMax);
  const crackScore = bandScore(crack, ref.crack, gains.snare, refMax);
  const hatAbsent =
    airShare < 0.04 / Math.max(0.01, gains.hat) &&
    hit.origin !== "hat" &&
    !(refs.hatCount >= 2 && air >= 0.5 * refs.hatMedian);
  const scores = {
    kick: bandScore(sub, ref.sub, gains.kick, refMax),
    snare: Math.max(Math.sqrt(bodyScore * crackScore), 0.6 * crackScore),
    hat: hatAbsent ? 0 : bandScore(air, ref.air, gains.hat, refMax, hatMult),
  };
  const decision = decideLanes(scores, gains, layered);
  const detectorLane = DETECTOR_LANE[hit.origin];
  const band = detectorLane ?? decision.primary;
  const voices = detectorLane === undefined ? decision.voices : decision.voices.includes(detectorLane) ? [detectorLane] : [];
  const vels: LaneVelocities = {};
  for (const lane of voices) {
    if (lane === "low") vels.low = velocityCurve(bandScore(sub, ref.sub, 1, refMax));
    else if (lane === "mid")
      vels.mid = velocityCurve(Math.max(bandScore(body, ref.body, 1, refMax), bandScore(crack, ref.crack, 1, refMax)));
    else vels.high = velocityCurve(bandScore(air, ref.air, 1, refMax, hatMult));
  }
  return { time: hit.time, velocity: 0, amp: hit.amp, tilt: hit.tilt, band, voices, vels, scores, origin: hit.origin, bands: hit.bands };
}

/** Sorted-times membership test: is any time within 0.04 s (strictly) of t? */
function hasHitNear(sortedTimes: readonly number[], t: number): boolean {
  let lo = 0;
  let hi = sortedTimes.length;
  while (lo < hi) {
    const m = (lo + hi) >> 1;
    if (sortedTimes[m] < t) lo = m + 1;
    else hi = m;
  }
  return (lo < sortedTimes.length && Math.abs(sortedTimes[lo] - t) < 0.04) || (lo > 0 && Math.abs(t - sortedTimes[lo - 1]) < 0.04);
}

function insertSorted(sortedTimes: number[], t: number): void {
  let i = sortedTimes.length;
  while (i > 0 && sortedTimes[i - 1] > t) i--;
  sortedTimes.splice(i, 0, t);
}

/** Hits of the frame grid, all from mono x. */
function makeHit(
  x: Float32Array,
  sampleRate: number,
  frame: number,
  origin: OnsetOrigin,
  ws: HitSpectrumWorkspace,
): RawHit {
  const start = frame * HOP;
  const { bands, tilt } = hitSpectrum(x, sampleRate, start, ws);
  return { time: start / sampleRate, amp: peakAmplitude(x, sampleRate, start), tilt, bands, origin };
}

/** Every hit of the clip with its time, lanes and velocities, plus the onset flux. */
export function detectOnsets(clip: AudioClip, options: DetectOptions = {}): OnsetAnalysis {
  return detectOnsetsMono(mixToMono(clip), clip.sampleRate, options);
}

interface WideDetection {
  frames: number;
  lowS: Float32Array;
  mid: Float32Array;
  high: Float32Array;
  flux: Float64Array;
}

function wideDetection(x: Float32Array, sampleRate: number): WideDetection {
  const frames = frameCount(x.length);
  const wide = wideBandEnvelopes(x, sampleRate, frames);
  const lowS = smoothFiveFloat32(wide.low);
  return { frames, lowS, mid: wide.mid, high: wide.high, flux: computeFlux(lowS, wide.mid, wide.high) };
}

/** Only the normalised flux of detectOnsets (identical values), without finding hits. */
export function onsetFluxMono(x: Float32Array, sampleRate: number): { flux: number[]; fluxHopSec: number } {
  return { flux: Array.from(wideDetection(x, sampleRate).flux), fluxHopSec: HOP / sampleRate };
}

/** detectOnsets on an already mixed mono signal. */
export function detectOnsetsMono(x: Float32Array, sampleRate: number, options: DetectOptions = {}): OnsetAnalysis {
  const settings = detectorSettings(sampleRate, options.sensitivity);
  const gains = resolveGains(options);
  const layered = options.layered ?? true;
  const { frames, lowS, mid, high, flux } = wideDetection(x, sampleRate);

  const ws = makeHitSpectrumWorkspace();
  const hits: RawHit[] = [];
  const takenTimes: number[] = [];
  for (const f of wideDetectorFrames(flux, [lowS, mid, high], settings)) {
    const hit = makeHit(x, sampleRate, f, "wide", ws);
    hits.push(hit);
    takenTimes.push(hit.time);
  }

  const detectorBands = detectorBandEnvelopes(x, sampleRate, frames);
  const kickTimes: number[] = [];
  for (const f of bandDetectorFrames(smoothFiveFloat32(detectorBands.kick), settings)) {
    const t = (f * HOP) / sampleRate;
    if (hasHitNear(takenTimes, t)) continue;
    hits.push(makeHit(x, sampleRate, f, "kick", ws));
    kickTimes.push(t);
  }
  for (const t of kickTimes) insertSorted(takenTimes, t);

  for (const f of bandDetectorFrames(detectorBands.hat, settings)) {
    const t = (f * HOP) / sampleRate;
    if (hasHitNear(takenTimes, t)) continue;
    hits.push(makeHit(x, sampleRate, f, "hat", ws));
  }

  hits.sort((a, b) => a.time - b.time);
  const refs = loopReferences(hits);
  const kept = hits
    .map((h) => classifyHit(h, refs, gains, layered))
    .filter((o) => o.origin === "wide" || o.voices.length > 0);

  let maxAmp = 0;
  for (const o of kept) if (o.amp > maxAmp) maxAmp = o.amp;
  if (maxAmp === 0) maxAmp = 1;
  for (const o of kept) o.velocity = velocityCurve(o.amp / maxAmp);

  return { onsets: kept, flux: Array.from(flux), fluxHopSec: HOP / sampleRate };
}
