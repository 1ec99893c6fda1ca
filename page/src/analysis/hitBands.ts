// What a hit sounds like: four band magnitudes and a brightness from one
// Hann-windowed 2048-point spectrum taken 2 ms after the hit, and its peak level.

import { clamp, roundHalfUp } from "./round";
import { makeFftPlan, powerSpectrum, type FftPlan } from "./fft";
import type { BandEnergies } from "./types";

export const SPECTRUM_SIZE = 2048;
const BINS = SPECTRUM_SIZE / 2;

export interface HitSpectrumResult {
  bands: BandEnergies;
  tilt: number;
}

/** Reusable tables and scratch for many hit spectra of one clip. */
export interface HitSpectrumWorkspace {
  readonly plan: FftPlan;
  readonly hann: Float64Array;
  readonly frame: Float32Array;
  readonly power: Float32Array;
}

export function makeHitSpectrumWorkspace(): HitSpectrumWorkspace {
  const hann = new Float64Array(SPECTRUM_SIZE);
  for (let k = 0; k < SPECTRUM_SIZE; k++) hann[k] = 0.5 - 0.5 * Math.cos((2 * Math.PI * k) / (SPECTRUM_SIZE - 1));
  return {
    plan: makeFftPlan(SPECTRUM_SIZE),
    hann,
    frame: new Float32Array(SPECTRUM_SIZE),
    power: new Float32Array(BINS),
  };
}

/** Sum of power over the bins of lo…hi Hz, both ends inclusive. */
export function bandPowerSum(power: Float32Array, binHz: number, loHz: number, hiHz: number): number {
  const first = Math.max(1, roundHalfUp(loHz / binHz));
  const last = Math.min(BINS - 1, roundHalfUp(hiHz / binHz));
  let sum = 0;
  for (let k = first; k <= last; k++) sum += power[k];
  return sum;
}

/** Tilt 0-1 from the spectral centroid; 1 at 12,400 Hz. */
export function tiltFromCentroid(centroidHz: number): number {
  return clamp(Math.log2(1 + centroidHz / 400) / 5, 0, 1);
}

/** Spectrum of the hit whose frame starts at sample `start` of the mono signal. */
export function hitSpectrum(
  x: Float32Array,
  sampleRate: number,
  start: number,
  ws: HitSpectrumWorkspace = makeHitSpectrumWorkspace(),
): HitSpectrumResult {
  const n = x.length;
  let from = start + roundHalfUp(0.002 * sampleRate);
  if (from + SPECTRUM_SIZE > n) from = Math.max(0, n - SPECTRUM_SIZE);
  const { frame, hann, power } = ws;
  for (let k = 0; k < SPECTRUM_SIZE; k++) {
    const i = from + k;
    frame[k] = i < n ? x[i] * hann[k] : 0;
  }
  powerSpectrum(ws.plan, frame, power);
  const binHz = sampleRate / SPECTRUM_SIZE;
  const bands: BandEnergies = {
    sub: Math.sqrt(bandPowerSum(power, binHz, 30, 110)),
    body: Math.sqrt(bandPowerSum(power, binHz, 120, 550)),
    crack: Math.sqrt(bandPowerSum(power, binHz, 900, 5000)),
    air: Math.sqrt(bandPowerSum(power, binHz, 6000, 16000)),
  };
  let weighted = 0;
  let total = 0;
  for (let k = 1; k < BINS; k++) {
    weighted += power[k] * k * binHz;
    total += power[k];
  }
  const centroidHz = total > 0 ? weighted / total : 0;
  return { bands, tilt: tiltFromCentroid(centroidHz) };
}

/** Largest |x| from `start` over 35 ms (to the end of the signal at most). */
export function peakAmplitude(x: Float32Array, sampleRate: number, start: number): number {
  const end = Math.min(x.length, start + roundHalfUp(0.035 * sampleRate));
  let peak = 0;
  for (let i = start; i < end; i++) {
    const v = Math.abs(x[i]);
    if (v > peak) peak = v;
  }
  return peak;
}
