// The four built-in demo loops: what each is called, how long it is, which kit plays it
// and the groove the drummer plays. Frame counts are fixed; the page and the
// session restore find the loops by these names.
//
// Kick, snare and hat struck on one step land within about 10 ms of each other (feel and
// nudges included): further apart they flam, and a flam is heard, and extracted, as one hit.

import { STRAIGHT_16THS, swung16ths, type Groove, type KitId } from "../synth/index.ts";

export interface DemoLoop {
  /** Display name, also the key a saved session uses to find the loop again. */
  name: string;
  fileName: string;
  bpm: number;
  bars: number;
  frames: number;
  kit: KitId;
  groove: Groove;
}

const DEMO_LOOP_94: Groove = {
  bpm: 94,
  stepPositions: swung16ths(0.54),
  jitterMs: 5,
  laneOffsetMs: { mid: 8 }, // laid-back backbeat
  nudges: [{ bar: 1, step: 14, lane: "low", ms: -7 }],
  bars: [
    { low: "X.....x...x.....", mid: "....X..g....X..g", high: "x.o.x.o.x.o.x.o." },
    { low: "X.....x.x.x...x.", mid: "....X..g.g..X...", high: "x.o.x.o.x.o.x.oo" },
  ],
};

const DEMO_LOOP_128: Groove = {
  bpm: 128,
  stepPositions: [...STRAIGHT_16THS],
  jitterMs: 4,
  laneOffsetMs: { mid: -3 }, // snare on top of the beat
  nudges: [{ bar: 3, step: 15, lane: "mid", ms: -9 }], // the fill rushes into the downbeat
  bars: [
    { low: "X.......X.x.....", mid: "....X.......X...", high: "X.x.X.x.X.x.X.x." },
    { low: "X.......X.x...x.", mid: "....X.......X...", high: "X.x.X.x.X.x.X.x." },
    { low: "X.......X.x.....", mid: "....X.......X..g", high: "X.x.X.x.X.x.X.x." },
    { low: "X.......X.......", mid: "....X.......xxxX", high: "X.x.X.x.X.x....." },
  ],
};

const DEMO_SHUFFLE_82: Groove = {
  bpm: 82,
  // Triplet shuffle, the last partial a touch early the way a relaxed shuffle sits.
  stepPositions: [0, 1 / 3, 0.64],
  jitterMs: 6,
  laneOffsetMs: { mid: 10 },
  nudges: [{ bar: 3, step: 11, lane: "mid", ms: -12 }],
  bars: [
    { low: "X.....X.....", mid: "..gX.g..gX.g", high: "x.ox.ox.ox.o" },
    { low: "X....xX.....", mid: "..gX.g..gX.g", high: "x.ox.ox.ox.o" },
    { low: "X.....X.....", mid: "..gX.g.ggX.g", high: "x.ox.ox.ox.o" },
    { low: "X....xX....x", mid: "..gX.g..gXgx", high: "x.ox.ox.ox.." },
  ],
};

const DEMO_LOOP_82: Groove = {
  bpm: 82,
  stepPositions: swung16ths(0.52),
  jitterMs: 4,
  laneOffsetMs: { mid: 6 },
  nudges: [
    { bar: 0, step: 13, lane: "low", ms: -9 },
    { bar: 2, step: 2, lane: "low", ms: 8 },
  ],
  bars: [
    { low: "X.x.......X..x..", mid: "....X..g.g..X..g", high: "XoxoXoxoXoxoXoxo" },
    { low: "X.x.......X....x", mid: "....X..g.g..X.g.", high: "XoxoXoxoXoxoXoxo" },
    { low: "X.x.......X..x..", mid: "....X..g.g..X..g", high: "XoxoXoxoXoxoXoxo" },
    { low: "X.x.......X.x...", mid: "....X..g.g..X.xX", high: "XoxoXoxoXoxoXo.." },
  ],
};

/** In menu order; the first is the default loop at start-up. */
export const DEMO_LOOPS: readonly DemoLoop[] = [
  { name: "Demo Loop 94", fileName: "demo-loop-94.wav", bpm: 94, bars: 2, frames: 225_192, kit: "session", groove: DEMO_LOOP_94 },
  { name: "Demo Loop 128", fileName: "demo-loop-128.wav", bpm: 128, bars: 4, frames: 330_750, kit: "rock", groove: DEMO_LOOP_128 },
  { name: "Demo Shuffle 82", fileName: "demo-shuffle-82.wav", bpm: 82, bars: 4, frames: 516_293, kit: "jazz", groove: DEMO_SHUFFLE_82 },
  { name: "Demo Loop 82", fileName: "demo-loop-82.wav", bpm: 82, bars: 4, frames: 516_294, kit: "funk", groove: DEMO_LOOP_82 },
];

/** Finds a demo loop by display name ("Demo Loop 94") or file stem ("demo-loop-94"). */
export function findDemoLoop(name: string): DemoLoop | undefined {
  return DEMO_LOOPS.find((loop) => loop.name === name || loop.fileName === name || loop.fileName === `${name}.wav`);
}
