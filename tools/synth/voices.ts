// The three drum voices. Each render is a pure function of its parameters, the
// sample rate and an injected random source; the result is one mono one-shot whose
// attack starts at frame 0, peak-normalised and faded to silence at its end.
//
// Every voice is shaped the way a close-miked drum behaves: the strike is a short,
// loud burst, and what rings on afterwards (shell, wires, cymbal) is a quieter tail
// that only ever falls. A hit therefore stands out clearly from the ringing of the
// hits before it, and a voice never swells a second time after its attack.

import { fadeOutTail, filter, normalizePeak, saturate } from "./filters.ts";
import { noiseSample, type Rng } from "./rng.ts";

/** Pitched sine sweep (the head) with a beater click on top. */
export interface KickParams {
  lengthSec: number;
  /** Pitch at the attack, falling exponentially to `endHz`. */
  startHz: number;
  endHz: number;
  /** Time constant of the pitch fall. */
  sweepSec: number;
  /** Time constant of the resonance's amplitude decay. */
  decaySec: number;
  /** Extra level of the first few tens of milliseconds over the resonance (0 = none). */
  punch: number;
  /** Level of the beater click relative to the body (about 1 makes the click the loudest moment). */
  clickLevel: number;
  /** Centre of the click's band-passed noise. */
  clickHz: number;
  /** Saturation of the head's tone (0 = clean). */
  drive: number;
  /** Output peak (0-1). */
  peak: number;
}

/** Tuned two-mode body, a stick transient and band-limited noise for the wires. */
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
  /** Time constant of the wires' ringing tail. */
  noiseDecaySec: number;
  noiseLevel: number;
  /** Level of the wires' ringing tail relative to their initial burst (0-1). */
  ringLevel: number;
  /** Short stick transient. */
  snapLevel: number;
  /** Saturation of the head's modes (0 = clean); the wires stay clean. */
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
  /** Time constant of the cymbal's ringing tail. */
  decaySec: number;
  /** Level of the ringing tail relative to the stick's initial tick (0-1). */
  ringLevel: number;
  /** Saturation of the metal before it is struck (0 = clean). */
  drive: number;
  peak: number;
}

const TAIL_FADE_SEC = 0.03;
/** Length of the burst with which a head, the wires or a cymbal answer the stick. */
const STRIKE_SEC = 0.012;
/** Decay of the beater's click on the kick head. */
const CLICK_SEC = 0.0025;
// Band-limited noise is quiet next to a full-scale tone; these bring wires and stick to the body's level.
const WIRE_GAIN = 5;
const SNAP_GAIN = 3;
/** Level of the snare head's ringing relative to its initial burst. */
const BODY_RING = 0.35;

// Inharmonic ratios of the classic six-oscillator metal voice.
const HAT_PARTIAL_RATIOS = [1, 1.4827, 1.8003, 2.5461, 2.6303, 3.8967];

function frameCount(lengthSec: number, sampleRate: number): number {
  return Math.max(1, Math.floor(lengthSec * sampleRate + 0.5));
}

function finish(mix: Float32Array, peak: number, sampleRate: number): Float32Array {
  return fadeOutTail(normalizePeak(mix, peak), frameCount(TAIL_FADE_SEC, sampleRate));
}

/** A strike: a burst decaying over `STRIKE_SEC` on top of a tail of relative level `ring`. */
function strikeEnvelope(t: number, decaySec: number, ring: number): number {
  return (1 - ring) * Math.exp(-t / STRIKE_SEC) + ring * Math.exp(-t / decaySec);
}

function decayingNoise(length: number, decaySec: number, sampleRate: number, rng: Rng, ring = 1): Float32Array {
  const out = new Float32Array(length);
  for (let i = 0; i < length; i++) out[i] = noiseSample(rng) * strikeEnvelope(i / sampleRate, decaySec, ring);
  return out;
}

export function renderKick(p: KickParams, sampleRate: number, rng: Rng): Float32Array {
  const n = frameCount(p.lengthSec, sampleRate);
  const tone = new Float32Array(n);
  const envelope = new Float32Array(n);
  let phase = 0;
  for (let i = 0; i < n; i++) {
    const t = i / sampleRate;
    const hz = p.endHz + (p.startHz - p.endHz) * Math.exp(-t / p.sweepSec);
    tone[i] = Math.sin(phase);
    envelope[i] = Math.exp(-t / p.decaySec) * (1 + p.punch * Math.exp(-t / (2 * STRIKE_SEC)));
    phase += (2 * Math.PI * hz) / sampleRate;
  }
  // Drive colours the head's tone without flattening its decay, and the overtones are
  // rolled off again the way the shell and a kick mic keep the energy low.
  const head = saturate(tone, p.drive).map((x, i) => x * envelope[i]);
  const body = filter(head, "lowpass", 4 * p.endHz, 0.7071, sampleRate, 2);
  const click = filter(decayingNoise(n, CLICK_SEC, sampleRate, rng), "bandpass", p.clickHz, 0.8, sampleRate);
  const clickGain = p.clickLevel * 4; // band-passed noise is quiet next to a full-scale sine
  const mix = body.map((x, i) => x + clickGain * click[i]);
  return finish(mix, p.peak, sampleRate);
}

export function renderSnare(p: SnareParams, sampleRate: number, rng: Rng): Float32Array {
  const n = frameCount(p.lengthSec, sampleRate);
  const modeA = new Float32Array(n);
  const modeB = new Float32Array(n);
  let phaseA = 0;
  let phaseB = 0;
  for (let i = 0; i < n; i++) {
    const t = i / sampleRate;
    // The head is struck slightly sharp and settles within a few milliseconds.
    const bend = 1 + 0.12 * Math.exp(-t / 0.005);
    modeA[i] = Math.sin(phaseA);
    modeB[i] = Math.sin(phaseB);
    phaseA += (2 * Math.PI * p.bodyHz * bend) / sampleRate;
    phaseB += (2 * Math.PI * p.bodyHz * p.modeRatio * bend) / sampleRate;
  }
  // Each mode is driven on its own: driving them together would add a difference tone
  // down in the kick's range.
  const [drivenA, drivenB] = [modeA, modeB].map((mode) => saturate(mode, p.drive));
  const body = drivenA.map((x, i) => (x + 0.6 * drivenB[i]) * strikeEnvelope(i / sampleRate, p.bodyDecaySec, BODY_RING));
  let wires = decayingNoise(n, p.noiseDecaySec, sampleRate, rng, p.ringLevel);
  wires = filter(wires, "highpass", p.noiseLowHz, 0.7071, sampleRate, 2);
  wires = filter(wires, "lowpass", p.noiseHighHz, 0.7071, sampleRate, 2);
  let snap = filter(decayingNoise(n, 0.003, sampleRate, rng), "highpass", 1000, 0.7071, sampleRate);
  snap = filter(snap, "lowpass", p.noiseHighHz, 0.7071, sampleRate, 2);
  const mix = body.map((x, i) => p.bodyLevel * x + p.noiseLevel * WIRE_GAIN * wires[i] + p.snapLevel * SNAP_GAIN * snap[i]);
  // The sizzle stays below the hats' band, so a snare never reads as a hat.
  const tame = filter(mix, "lowpass", p.noiseHighHz * 1.3, 0.7071, sampleRate, 2);
  return finish(tame, p.peak, sampleRate);
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
    metal[i] = (sum / partialsHz.length + p.noiseLevel * noiseSample(rng)) / (1 + p.noiseLevel);
  }
  const struck = saturate(metal, p.drive).map((x, i) => x * strikeEnvelope(i / sampleRate, p.decaySec, p.ringLevel));
  const banded = filter(struck, "bandpass", p.bandHz, p.bandQ, sampleRate);
  const bright = filter(banded, "highpass", p.highpassHz, 0.7071, sampleRate, 2);
  return finish(bright, p.peak, sampleRate);
}
