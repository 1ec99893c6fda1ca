// Turning band strengths into scores, lanes and velocities.

import { clamp, roundHalfUp } from "./round";
import type { BandScores, Lane, VoiceGains } from "./types";

/** vel(x) = clamp(round(127 · x^0.6), 1, 127). */
export function velocityCurve(x: number): number {
  return clamp(roundHalfUp(127 * Math.pow(x, 0.6)), 1, 127);
}

/**
 * A band's strength against its loop-wide reference, 0-1. A reference that is
 * tiny next to the strongest band's (`refMax`) counts as absent; gain lowers that floor.
 */
export function bandScore(value: number, ref: number, gain: number, refMax: number, mult = 1): number {
  if (ref < (0.012 / (Math.max(0.01, gain) * mult)) * refMax) return 0;
  return Math.min(1, value / ref);
}

export interface LaneDecision {
  primary: Lane;
  voices: Lane[];
}

/** Primary lane (ties favour low, then mid) and the struck lanes. */
export function decideLanes(scores: BandScores, gains: VoiceGains, layered: boolean): LaneDecision {
  const kick = scores.kick * gains.kick;
  const snare = scores.snare * gains.snare;
  const hat = scores.hat * gains.hat;
  const primary: Lane = kick >= snare && kick >= hat ? "low" : snare >= hat ? "mid" : "high";
  if (!layered) return { primary, voices: [primary] };
  const voices: Lane[] = [];
  if (kick > 0.35) voices.push("low");
  if (snare > 0.4) voices.push("mid");
  if (hat > 0.3) voices.push("high");
  return { primary, voices: voices.length > 0 ? voices : [primary] };
}
