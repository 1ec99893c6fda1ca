// Turns a written groove (step patterns per bar and lane) into humanised hits:
// each step gets one shared timing error, so layered hits on a step land together,
// then each lane's feel (pushed or laid-back) and any single-hit nudges are added.

import { hitStartFrame, type DrumHit, type Lane } from "./pattern.ts";
import { gaussian, type Rng } from "./rng.ts";

/** A bar: one string per lane, one character per step. */
export interface GrooveBar {
  low: string;
  mid: string;
  high: string;
}

/** A hit moved off its step by a fixed amount (negative = pushed, positive = dragged). */
export interface Nudge {
  bar: number;
  step: number;
  lane: Lane;
  ms: number;
}

export interface Groove {
  bpm: number;
  /** Where each step of a beat falls, as a fraction of the beat (swing lives here). */
  stepPositions: readonly number[];
  bars: readonly GrooveBar[];
  /** Standard deviation of the per-step timing error. */
  jitterMs: number;
  /** Constant feel per lane: negative ahead of the beat, positive behind it. */
  laneOffsetMs: Partial<Record<Lane, number>>;
  nudges?: readonly Nudge[];
}

/** Velocity classes written in the patterns; "." is a rest. */
const STROKE_VELOCITY: Record<string, { mean: number; sigma: number }> = {
  X: { mean: 118, sigma: 4 },
  x: { mean: 96, sigma: 6 },
  o: { mean: 74, sigma: 6 },
  g: { mean: 34, sigma: 5 },
};

const LANES: readonly Lane[] = ["low", "mid", "high"];

export const STRAIGHT_16THS = [0, 0.25, 0.5, 0.75] as const;

/** 16ths with the off-16ths delayed; `swing` 0.5 is straight, 2/3 a triplet feel. */
export function swung16ths(swing: number): number[] {
  return [0, swing / 2, 0.5, 0.5 + swing / 2];
}

export function grooveStepsPerBar(groove: Groove): number {
  return groove.stepPositions.length * 4;
}

/** Rejects patterns whose strings have the wrong length or unknown strokes. */
export function validateGroove(groove: Groove): string[] {
  const problems: string[] = [];
  const steps = grooveStepsPerBar(groove);
  groove.bars.forEach((bar, index) => {
    for (const lane of LANES) {
      const pattern = bar[lane];
      if (pattern.length !== steps) problems.push(`bar ${index + 1} ${lane}: ${pattern.length} steps, expected ${steps}`);
      for (const stroke of pattern) if (stroke !== "." && !(stroke in STROKE_VELOCITY)) problems.push(`bar ${index + 1} ${lane}: unknown stroke "${stroke}"`);
    }
  });
  return problems;
}

function clampVelocity(value: number): number {
  return Math.min(127, Math.max(1, Math.floor(value + 0.5)));
}

/**
 * Plays the groove once. Times are snapped to whole frames so a hit's `timeSec` is exactly
 * where its sample starts in the rendered audio; nothing starts before 0 or at/after `lengthFrames`.
 */
export function performGroove(groove: Groove, sampleRate: number, lengthFrames: number, rng: Rng): DrumHit[] {
  const beatSec = 60 / groove.bpm;
  const stepsPerBeat = groove.stepPositions.length;
  const hits: DrumHit[] = [];
  groove.bars.forEach((bar, barIndex) => {
    for (let step = 0; step < stepsPerBeat * 4; step++) {
      const beat = barIndex * 4 + Math.floor(step / stepsPerBeat);
      const gridSec = (beat + groove.stepPositions[step % stepsPerBeat]) * beatSec;
      const stepErrorSec = gaussian(rng, groove.jitterMs) / 1000;
      for (const lane of LANES) {
        const stroke = bar[lane][step];
        const velocity = STROKE_VELOCITY[stroke];
        if (!velocity) continue;
        const nudgeMs = groove.nudges?.find((n) => n.bar === barIndex && n.step === step && n.lane === lane)?.ms ?? 0;
        const timeSec = gridSec + stepErrorSec + ((groove.laneOffsetMs[lane] ?? 0) + nudgeMs) / 1000;
        const frame = Math.min(lengthFrames - 1, Math.max(0, hitStartFrame(timeSec, sampleRate)));
        hits.push({ timeSec: frame / sampleRate, lane, velocity: clampVelocity(velocity.mean + gaussian(rng, velocity.sigma)) });
      }
    }
  });
  return hits.sort((a, b) => a.timeSec - b.timeSec || LANES.indexOf(a.lane) - LANES.indexOf(b.lane));
}
