// The three drum voices. Each render is a pure function of its parameters, the
// sample rate and an injected random source; the result is one mono one-shot whose
// attack starts at frame 0, peak-normalised and faded to silence at its end.

import { fadeOutTail, filter, normalizePeak, saturate } from "./filters.ts";
import { noiseSample, type Rng } from "./rng.ts";

/** Pitched sine sweep with a click on top. */
export interface KickParams {
  lengthSec: number;
  /** Pitch at the attack, falling exponentially to `endHz`. */
  startHz: number;
  endHz: number;
  /** Time constant of the pitch fall. */
  sweepSec: number;
  /** Time constant of the amplitude decay. */
  decaySec: number;
  /** Level of the beater click relative to the body (0-1). */
  clickLevel: number;
  /** Centre of the click's band-passed noise. */
  clickHz: number;
  /** Saturation amount (0 = clean). */
  drive: number;
  /** Output peak (0-1). */
  peak: number;
}

/** Tuned two-mode body plus band-limited noise for the wires. */
export interface SnareParams {
  lengthSec: number;
  bodyHz: number;
  /** Second drum-head mode as a ratio of `bodyHz`. */
  modeRatio: number;
  bodyDecaySec: number;
  bodyLevel: number;
  /** Wire noise band edges (high pass, low pass). */
  noiseLowHz: number;
  noiseHighHz: number;
  noiseDecaySec: number;
  noiseLevel: number;
  /** Short bright stick transient. */
  snapLevel: number;
  drive: number;
  peak: number;
}

/** Metallic noise: detuned square partials plus noise through a band pass and a high pass. */
export interface HatParams {
  lengthSec: number;
  /** Lowest partial; the others follow fixed inharmonic ratios. */
  baseHz: number;
  /** Spread of the partials around their ratios (0 = exact). */
  detune: number;
  noiseLevel: number;
  bandHz: number;
  bandQ: number;
  highpassHz: number;
  decaySec: number;
  drive: number;
  peak: number;
}

const TAIL_FADE_SEC = 0.03;

// Inharmonic ratios of the classic six-oscillator metal voice.
const HAT_PARTIAL_RATIOS = [1, 1.4827, 1.8003, 2.5461, 2.6303, 3.8967];

function frameCount(lengthSec: number, sampleRate: number): number {
  return Math.max(1, Math.floor(lengthSec * sampleRate + 0.5));
}

function finish(
  mix: Float32Array,
  drive: number,
  peak: number,
  sampleRate: number,
  afterDrive: (x: Float32Array) => Float32Array = (x) => x,
): Float32Array {
  const shaped = afterDrive(saturate(normalizePeak(mix, 1), drive));
  return fadeOutTail(normalizePeak(shaped, peak), frameCount(TAIL_FADE_SEC, sampleRate));
}

function decayingNoise(length: number, decaySec: number, sampleRate: number, rng: Rng): Float32Array {
  const out = new Float32Array(length);
  for (let i = 0; i < length; i++) out[i] = noiseSample(rng) * Math.exp(-i / sampleRate / decaySec);
  return out;
}

export function renderKick(p: KickParams, sampleRate: number, rng: Rng): Float32Array {
  const n = frameCount(p.lengthSec, sampleRate);
  const body = new Float32Array(n);
  let phase = 0;
  for (let i = 0; i < n; i++) {
    const t = i / sampleRate;
    const hz = p.endHz + (p.startHz - p.endHz) * Math.exp(-t / p.sweepSec);
    body[i] = Math.sin(phase) * Math.exp(-t / p.decaySec);
    phase += (2 * Math.PI * hz) / sampleRate;
  }
  const click = filter(decayingNoise(n, 0.0015, sampleRate, rng), "bandpass", p.clickHz, 0.8, sampleRate);
  const clickGain = p.clickLevel * 4; // band-passed noise is quiet next to a full-scale sine
  const mix = body.map((x, i) => x + clickGain * click[i]);
  return finish(mix, p.drive, p.peak, sampleRate);
}

export function renderSnare(p: SnareParams, sampleRate: number, rng: Rng): Float32Array {
  const n = frameCount(p.lengthSec, sampleRate);
  const body = new Float32Array(n);
  let phaseA = 0;
  let phaseB = 0;
  for (let i = 0; i < n; i++) {
    const t = i / sampleRate;
    // The head is struck slightly sharp and settles within a few milliseconds.
    const bend = 1 + 0.25 * Math.exp(-t / 0.008);
    body[i] = (Math.sin(phaseA) + 0.6 * Math.sin(phaseB)) * Math.exp(-t / p.bodyDecaySec);
    phaseA += (2 * Math.PI * p.bodyHz * bend) / sampleRate;
    phaseB += (2 * Math.PI * p.bodyHz * p.modeRatio * bend) / sampleRate;
  }
  let wires = decayingNoise(n, p.noiseDecaySec, sampleRate, rng);
  wires = filter(wires, "highpass", p.noiseLowHz, 0.7071, sampleRate, 2);
  wires = filter(wires, "lowpass", p.noiseHighHz, 0.7071, sampleRate, 2);
  let snap = filter(decayingNoise(n, 0.003, sampleRate, rng), "highpass", 2000, 0.7071, sampleRate);
  snap = filter(snap, "lowpass", p.noiseHighHz, 0.7071, sampleRate, 2);
  const mix = body.map((x, i) => p.bodyLevel * x + p.noiseLevel * 3 * wires[i] + p.snapLevel * 2 * snap[i]);
  // The sizzle stays below the hats' band even after drive, so a snare never reads as a hat.
  const tame = (x: Float32Array) => filter(x, "lowpass", p.noiseHighHz * 1.3, 0.7071, sampleRate);
  return finish(mix, p.drive, p.peak, sampleRate, tame);
}

export function renderHat(p: HatParams, sampleRate: number, rng: Rng): Float32Array {
  const n = frameCount(p.lengthSec, sampleRate);
  const partialsHz = HAT_PARTIAL_RATIOS.map((ratio) => p.baseHz * ratio * (1 + p.detune * (rng() * 2 - 1)));
  const phases = partialsHz.map(() => rng());
  const metal = new Float32Array(n);
  for (let i = 0; i < n; i++) {
    let sum = 0;
    for (let k = 0; k < partialsHz.length; k++) {
      const cycle = (phases[k] + (partialsHz[k] * i) / sampleRate) % 1;
      sum += cycle < 0.5 ? 1 : -1;
    }
    metal[i] = (sum / partialsHz.length + p.noiseLevel * noiseSample(rng)) * Math.exp(-i / sampleRate / p.decaySec);
  }
  const banded = filter(metal, "bandpass", p.bandHz, p.bandQ, sampleRate);
  const bright = filter(banded, "highpass", p.highpassHz, 0.7071, sampleRate, 2);
  return finish(bright, p.drive, p.peak, sampleRate);
}
