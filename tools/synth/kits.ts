// Voicings of the six built-in kits. Each kit differs in tuning, decay, filtering and drive:
// session is the balanced all-rounder, dry is short and damped, jazz is high-tuned and
// airy, funk is tight and cracking, rock is big and driven, indie is dark and a bit dirty.
// All six keep the balance of a kit recorded as a whole rather than of one-shots each
// pushed to full scale: the snare peaks highest, the kick (whose low end carries far more
// energy per peak) sits a few dB below it and the hats lower still, so a groove played
// through a kit comes out mixed the way a drummer plays it.

import { deriveSeed, makeRng } from "./rng.ts";
import { renderHat, renderKick, renderSnare, type HatParams, type KickParams, type SnareParams } from "./voices.ts";

export const KIT_IDS = ["session", "dry", "jazz", "funk", "rock", "indie"] as const;
export type KitId = (typeof KIT_IDS)[number];

export const VOICES = ["kick", "snare", "hat"] as const;
export type Voice = (typeof VOICES)[number];

export interface KitVoicing {
  kick: KickParams;
  snare: SnareParams;
  hat: HatParams;
}

/** One decoded kit: a mono one-shot per voice. */
export interface KitSamples {
  kick: Float32Array;
  snare: Float32Array;
  hat: Float32Array;
}

export const KIT_VOICINGS: Record<KitId, KitVoicing> = {
  session: {
    kick: { lengthSec: 1.3, startHz: 115, endHz: 52, sweepSec: 0.012, decaySec: 0.12, punch: 0.4, clickLevel: 1.5, clickHz: 3500, drive: 0.3, peak: 0.6 },
    snare: { lengthSec: 1.1, bodyHz: 190, modeRatio: 1.6, bodyDecaySec: 0.07, bodyLevel: 0.8, noiseLowHz: 1800, noiseHighHz: 4500, noiseDecaySec: 0.14, noiseLevel: 0.7, ringLevel: 0.35, snapLevel: 0.5, drive: 0.3, peak: 0.9 },
    hat: { lengthSec: 0.95, baseHz: 420, detune: 0.01, noiseLevel: 0.5, bandHz: 9500, bandQ: 0.8, highpassHz: 7000, decaySec: 0.05, ringLevel: 0.5, drive: 0.2, peak: 0.4 },
  },
  dry: {
    kick: { lengthSec: 0.95, startHz: 105, endHz: 56, sweepSec: 0.01, decaySec: 0.07, punch: 0.6, clickLevel: 1.3, clickHz: 2800, drive: 0.1, peak: 0.6 },
    snare: { lengthSec: 0.92, bodyHz: 210, modeRatio: 1.5, bodyDecaySec: 0.045, bodyLevel: 0.9, noiseLowHz: 2000, noiseHighHz: 4500, noiseDecaySec: 0.07, noiseLevel: 0.55, ringLevel: 0.2, snapLevel: 0.4, drive: 0.1, peak: 0.9 },
    hat: { lengthSec: 0.9, baseHz: 400, detune: 0.005, noiseLevel: 0.3, bandHz: 8500, bandQ: 1.2, highpassHz: 6500, decaySec: 0.03, ringLevel: 0.4, drive: 0.05, peak: 0.4 },
  },
  jazz: {
    kick: { lengthSec: 1.4, startHz: 130, endHz: 72, sweepSec: 0.01, decaySec: 0.2, punch: 0.2, clickLevel: 1.3, clickHz: 2000, drive: 0.05, peak: 0.6 },
    snare: { lengthSec: 1.25, bodyHz: 240, modeRatio: 1.7, bodyDecaySec: 0.08, bodyLevel: 0.6, noiseLowHz: 1500, noiseHighHz: 4500, noiseDecaySec: 0.18, noiseLevel: 0.9, ringLevel: 0.3, snapLevel: 0.35, drive: 0.05, peak: 0.85 },
    hat: { lengthSec: 1.2, baseHz: 470, detune: 0.02, noiseLevel: 0.6, bandHz: 10500, bandQ: 0.7, highpassHz: 7500, decaySec: 0.1, ringLevel: 0.6, drive: 0.05, peak: 0.4 },
  },
  funk: {
    kick: { lengthSec: 1.1, startHz: 125, endHz: 58, sweepSec: 0.01, decaySec: 0.09, punch: 0.5, clickLevel: 1.3, clickHz: 4500, drive: 0.4, peak: 0.6 },
    snare: { lengthSec: 1.0, bodyHz: 260, modeRatio: 1.55, bodyDecaySec: 0.06, bodyLevel: 0.75, noiseLowHz: 2500, noiseHighHz: 4500, noiseDecaySec: 0.11, noiseLevel: 0.8, ringLevel: 0.3, snapLevel: 0.8, drive: 0.35, peak: 0.9 },
    hat: { lengthSec: 0.9, baseHz: 440, detune: 0.01, noiseLevel: 0.4, bandHz: 10000, bandQ: 1.0, highpassHz: 7500, decaySec: 0.04, ringLevel: 0.45, drive: 0.2, peak: 0.4 },
  },
  rock: {
    kick: { lengthSec: 1.6, startHz: 105, endHz: 48, sweepSec: 0.015, decaySec: 0.12, punch: 0.4, clickLevel: 1.4, clickHz: 3800, drive: 0.7, peak: 0.6 },
    snare: { lengthSec: 1.4, bodyHz: 175, modeRatio: 1.65, bodyDecaySec: 0.1, bodyLevel: 0.9, noiseLowHz: 1600, noiseHighHz: 5000, noiseDecaySec: 0.16, noiseLevel: 0.85, ringLevel: 0.3, snapLevel: 0.55, drive: 0.6, peak: 0.92 },
    hat: { lengthSec: 1.1, baseHz: 380, detune: 0.015, noiseLevel: 0.6, bandHz: 9000, bandQ: 0.6, highpassHz: 6500, decaySec: 0.08, ringLevel: 0.55, drive: 0.4, peak: 0.4 },
  },
  indie: {
    kick: { lengthSec: 1.2, startHz: 115, endHz: 60, sweepSec: 0.012, decaySec: 0.13, punch: 0.3, clickLevel: 1.4, clickHz: 2500, drive: 0.9, peak: 0.6 },
    snare: { lengthSec: 1.2, bodyHz: 200, modeRatio: 1.45, bodyDecaySec: 0.08, bodyLevel: 0.85, noiseLowHz: 1400, noiseHighHz: 4000, noiseDecaySec: 0.16, noiseLevel: 0.7, ringLevel: 0.35, snapLevel: 0.4, drive: 0.8, peak: 0.9 },
    hat: { lengthSec: 1.0, baseHz: 360, detune: 0.03, noiseLevel: 0.7, bandHz: 8000, bandQ: 0.7, highpassHz: 6000, decaySec: 0.07, ringLevel: 0.5, drive: 0.6, peak: 0.4 },
  },
};

/** Renders one voice of a kit; the seed is split per kit and voice so each sample stands alone. */
export function renderKitVoice(kitId: KitId, voice: Voice, sampleRate: number, seed: number): Float32Array {
  const rng = makeRng(deriveSeed(seed, `${kitId}/${voice}`));
  const voicing = KIT_VOICINGS[kitId];
  if (voice === "kick") return renderKick(voicing.kick, sampleRate, rng);
  if (voice === "snare") return renderSnare(voicing.snare, sampleRate, rng);
  return renderHat(voicing.hat, sampleRate, rng);
}

export function renderKit(kitId: KitId, sampleRate: number, seed: number): KitSamples {
  return {
    kick: renderKitVoice(kitId, "kick", sampleRate, seed),
    snare: renderKitVoice(kitId, "snare", sampleRate, seed),
    hat: renderKitVoice(kitId, "hat", sampleRate, seed),
  };
}
