// Laying a grid over hits: the phase search, each hit's step and deviation,
// swing, push/drag and tightness. Pure functions over hit lists.

import { roundHalfUp } from "../analysis/round";
import type { Onset } from "../analysis/types";
import type { GridFit, GridOnset } from "./types";

export const PHASE_CANDIDATES = 96;
export const TICKS_PER_QUARTER = 960;

/** Grid phase (s) with the lowest velocity-weighted squared offset; the smallest phase wins ties. */
export function searchGridPhase(onsets: readonly Pick<Onset, "time" | "velocity">[], stepSec: number): number {
  let bestPhase = 0;
  let bestCost = Infinity;
  for (let k = 0; k < PHASE_CANDIDATES; k++) {
    const phase = (k / PHASE_CANDIDATES) * stepSec;
    let cost = 0;
    for (const o of onsets) {
      const q = (o.time - phase) / stepSec;
      const r = q - roundHalfUp(q);
      const offsetSec = r * stepSec;
      cost += offsetSec * offsetSec * o.velocity;
    }
    if (cost < bestCost) {
      bestCost = cost;
      bestPhase = phase;
    }
  }
  return bestPhase;
}

/** Moves the phase by whole steps so that step 0 is the step nearest the first hit. */
export function anchorPhase(phase: number, firstTimeSec: number | undefined, stepSec: number): number {
  if (firstTimeSec === undefined) return phase;
  return phase + roundHalfUp((firstTimeSec - phase) / stepSec) * stepSec;
}

export interface GridPlacement {
  gridIndex: number;
  devMs: number;
  devTicks: number;
}

/** The nearest grid step (round-half-up, never below 0) and the deviation from it. */
export function placeOnGrid(timeSec: number, gridPhase: number, stepSec: number, bpm: number): GridPlacement {
  const gridIndex = Math.max(0, roundHalfUp((timeSec - gridPhase) / stepSec));
  const devSec = timeSec - (gridPhase + gridIndex * stepSec);
  return { gridIndex, devMs: 1000 * devSec, devTicks: roundHalfUp(((devSec * bpm) / 60) * TICKS_PER_QUARTER) };
}

/** Mean position (percent) of off-beat hits within the beat; 50 when there are none. */
export function swingPercent(timesSec: Iterable<number>, gridPhase: number, bpm: number): number {
  const beatSec = 60 / bpm;
  let sum = 0;
  let count = 0;
  for (const t of timesSec) {
    const p = (t - gridPhase) / beatSec;
    const frac = p - Math.floor(p);
    if (frac > 0.3 && frac < 0.7) {
      sum += frac;
      count++;
    }
  }
  return count > 0 ? (100 * sum) / count : 50;
}

/** Mean and population standard deviation of devMs (0 and 0 with no hits). */
export function deviationStats(devMs: readonly number[]): { meanDevMs: number; tightnessMs: number } {
  if (devMs.length === 0) return { meanDevMs: 0, tightnessMs: 0 };
  let sum = 0;
  for (const d of devMs) sum += d;
  const mean = sum / devMs.length;
  let sq = 0;
  for (const d of devMs) sq += (d - mean) * (d - mean);
  return { meanDevMs: mean, tightnessMs: Math.sqrt(sq / devMs.length) };
}

/** Whole bars of steps holding the last hit's step, at least one bar. */
export function grooveSteps(lastGridIndex: number, gridDiv: number): number {
  const perBar = gridDiv * 4;
  return Math.max(perBar, Math.ceil((lastGridIndex + 1) / perBar) * perBar);
}

/** Fits the grid of `gridDiv` steps per beat at `bpm` over hits in time order. */
export function fitGrid(onsets: readonly Onset[], bpm: number, gridDiv: number): GridFit {
  const stepSec = 60 / bpm / gridDiv;
  const gridPhase = anchorPhase(searchGridPhase(onsets, stepSec), onsets[0]?.time, stepSec);
  const placed: GridOnset[] = onsets.map((o) => ({ ...o, ...placeOnGrid(o.time, gridPhase, stepSec, bpm) }));
  const stats = deviationStats(placed.map((o) => o.devMs));
  const lastIndex = placed.length > 0 ? placed[placed.length - 1].gridIndex : 0;
  return {
    onsets: placed,
    gridPhase,
    stepSec,
    steps: grooveSteps(lastIndex, gridDiv),
    swingPct: swingPercent(placed.map((o) => o.time), gridPhase, bpm),
    ...stats,
  };
}
