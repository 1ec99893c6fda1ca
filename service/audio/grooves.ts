// Drum grooves written as step grids and played with a human feel: offbeats swung,
// every hit nudged a few milliseconds and its velocity varied, all from a seeded source.

import { gaussian, type Rng } from "../../tools/synth/rng.ts";
import type { DrumHit, Lane } from "../../tools/synth/pattern.ts";

/**
 * One bar per lane, one character per step: "X" accent, "x" normal, "o" soft, "g" ghost,
 * "." rest. All three rows of a style have the same length (16 for sixteenths, 12 for triplets).
 */
export interface GrooveStyle {
  kick: string;
  snare: string;
  hat: string;
  /** Delay of every odd step as a fraction of a step (0 straight, 0.33 heavy shuffle). */
  swing: number;
  /** Standard deviation of the timing nudge. */
  humanizeMs: number;
}

export const GROOVE_STYLES = {
  backbeat: { kick: "X.....x.X.......", snare: "....X.......X...", hat: "x.o.x.o.x.o.x.o.", swing: 0, humanizeMs: 4 },
  funk: { kick: "X..x..x...X..x..", snare: "....X..g.g..X..g", hat: "xoxoxoxoxoxoxoxo", swing: 0.08, humanizeMs: 3 },
  shuffle: { kick: "X.....x.....", snare: "...X.g...X.g", hat: "x.ox.ox.ox.o", swing: 0, humanizeMs: 5 },
  halftime: { kick: "X......x..x.....", snare: "........X.......", hat: "x.x.x.x.x.x.x.x.", swing: 0.05, humanizeMs: 4 },
  bossa: { kick: "X..x.X..X..x.X..", snare: "x..x..x...x..x..", hat: "xxxxxxxxxxxxxxxx", swing: 0, humanizeMs: 3 },
  rock: { kick: "X.x.....X.x.....", snare: "....X.......X...", hat: "X.x.X.x.X.x.X.x.", swing: 0, humanizeMs: 5 },
  lofi: { kick: "X.......x.x.....", snare: "....X.....g.X...", hat: "x.ox.ox.x.ox.ox.", swing: 0.2, humanizeMs: 8 },
  linear: { kick: "X..x....x..x....", snare: "..o...X...o...X.", hat: ".x..xx..xo..x..x", swing: 0, humanizeMs: 3 },
  ghost: { kick: "X.....x...x.....", snare: "g.g.X.g.g.g.X.gg", hat: "x.x.x.x.x.x.x.x.", swing: 0.1, humanizeMs: 4 },
  brush: { kick: "X.....x.....", snare: "g.gX.gg.gX.g", hat: "...x.....x..", swing: 0, humanizeMs: 6 },
} satisfies Record<string, GrooveStyle>;

export type GrooveStyleId = keyof typeof GROOVE_STYLES;

const STEP_VELOCITY: Record<string, number> = { X: 120, x: 100, o: 72, g: 38 };
const LANE_ROWS: readonly [Lane, keyof GrooveStyle][] = [["low", "kick"], ["mid", "snare"], ["high", "hat"]];

/** Seconds of `bars` 4/4 bars at `bpm`. */
export function loopSeconds(bars: number, bpm: number): number {
  return (bars * 4 * 60) / bpm;
}

/** The hits of `bars` bars of `style` at `bpm`, in time order per lane. */
export function grooveHits(style: GrooveStyle, bars: number, bpm: number, rng: Rng): DrumHit[] {
  const stepsPerBar = style.kick.length;
  const stepSec = loopSeconds(1, bpm) / stepsPerBar;
  const hits: DrumHit[] = [];
  for (let bar = 0; bar < bars; bar++) {
    for (const [lane, row] of LANE_ROWS) {
      const steps = style[row] as string;
      for (let step = 0; step < stepsPerBar; step++) {
        const base = STEP_VELOCITY[steps[step]];
        if (base === undefined) continue;
        const swingSec = step % 2 === 1 ? style.swing * stepSec : 0;
        const gridSec = (bar * stepsPerBar + step) * stepSec + swingSec;
        const timeSec = Math.max(0, gridSec + gaussian(rng, style.humanizeMs / 1000));
        const velocity = Math.min(127, Math.max(1, Math.round(base + gaussian(rng, 5))));
        hits.push({ timeSec, lane, velocity });
      }
    }
  }
  return hits;
}
