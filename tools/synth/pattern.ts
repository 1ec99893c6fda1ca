// Plays a list of hits through a kit into one mono buffer.

import type { KitSamples } from "./kits.ts";

export type Lane = "low" | "mid" | "high";

/** One drum hit: when its sample starts, which lane plays it, and how hard (MIDI 1-127). */
export interface DrumHit {
  timeSec: number;
  lane: Lane;
  velocity: number;
}

const LANE_VOICE = { low: "kick", mid: "snare", high: "hat" } as const;

/** Amplitude of a hit of `velocity`; square law, so a ghost note at 30 sits near -25 dB. */
export function velocityGain(velocity: number): number {
  const v = Math.min(127, Math.max(0, velocity)) / 127;
  return v * v;
}

/** The frame at which a hit at `timeSec` starts (round half up). */
export function hitStartFrame(timeSec: number, sampleRate: number): number {
  return Math.floor(timeSec * sampleRate + 0.5);
}

export interface RenderPatternOptions {
  /** Folds tails that run past the end back onto the start, so the result loops seamlessly. */
  wrapTails?: boolean;
}

/** Mixes every hit's one-shot, scaled by its velocity; no normalisation or limiting. */
export function renderPattern(
  hits: readonly DrumHit[],
  kit: KitSamples,
  lengthFrames: number,
  sampleRate: number,
  options: RenderPatternOptions = {},
): Float32Array {
  const out = new Float32Array(lengthFrames);
  const mix = new Float64Array(lengthFrames);
  for (const hit of hits) {
    const sample = kit[LANE_VOICE[hit.lane]];
    const gain = velocityGain(hit.velocity);
    const start = hitStartFrame(hit.timeSec, sampleRate);
    for (let i = 0; i < sample.length; i++) {
      let frame = start + i;
      if (frame >= lengthFrames) {
        if (!options.wrapTails) break;
        frame %= lengthFrames;
      }
      if (frame >= 0) mix[frame] += gain * sample[i];
    }
  }
  for (let i = 0; i < lengthFrames; i++) out[i] = mix[i];
  return out;
}
