// Test helper: a GrooveAnalysis built by hand, with grid fields placed as the
// grid analysis places them.

import type { Lane, LaneVelocities } from "../../analysis/types";
import type { GridDiv, GridOnset, GrooveAnalysis } from "../../grid/types";
import { deviationStats, placeOnGrid, swingPercent } from "../../grid/gridFit";

export interface HitSpec {
  time: number;
  voices: Lane[];
  velocity?: number;
  vels?: LaneVelocities;
}

export function testAnalysis(
  hits: HitSpec[],
  { bpm = 120, gridDiv = 4 as GridDiv, gridPhase = 0, duration = 2 } = {},
): GrooveAnalysis {
  const stepSec = 60 / bpm / gridDiv;
  const onsets: GridOnset[] = hits.map(({ time, voices, velocity = 100, vels }) => ({
    time,
    velocity,
    amp: velocity / 127,
    tilt: 0.5,
    band: voices[0],
    voices,
    vels: vels ?? Object.fromEntries(voices.map((lane) => [lane, velocity])),
    scores: { kick: 0, snare: 0, hat: 0 },
    origin: "wide",
    bands: { sub: 0, body: 0, crack: 0, air: 0 },
    ...placeOnGrid(time, gridPhase, stepSec, bpm),
  }));
  const perBar = gridDiv * 4;
  const last = onsets.length > 0 ? onsets[onsets.length - 1].gridIndex : 0;
  return {
    onsets,
    bpm,
    gridDiv,
    gridPhase,
    stepSec,
    steps: Math.max(perBar, Math.ceil((last + 1) / perBar) * perBar),
    swingPct: swingPercent(onsets.map((o) => o.time), gridPhase, bpm),
    ...deviationStats(onsets.map((o) => o.devMs)),
    flux: [],
    fluxHopSec: 256 / 44100,
    peaksHi: [],
    tone: [],
    duration,
  };
}

/** One hit per 16th step over `bars` bars at 120 BPM, lanes and velocities varying, a few ms off the grid. */
export function sixteenthsAnalysis(bars: number, bpm = 120): GrooveAnalysis {
  const stepSec = 60 / bpm / 4;
  const hits: HitSpec[] = [];
  for (let i = 0; i < bars * 16; i++) {
    const voices: Lane[] = i % 4 === 0 ? ["low", "high"] : i % 8 === 4 ? ["mid", "high"] : ["high"];
    hits.push({ time: i * stepSec + (((i * 7) % 11) - 5) / 1000 + 0.005, voices, velocity: 60 + ((i * 13) % 60) });
  }
  return testAnalysis(hits, { bpm, duration: bars * 16 * stepSec });
}
