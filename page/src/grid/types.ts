// Types of tempo, grid and loop finding.

import type { Onset } from "../analysis/types";

/** Grid steps per beat. */
export type GridDiv = 2 | 3 | 4 | 8;

export type GridName = "8th" | "8T" | "16th" | "32nd";

/** Grid choices in display order. */
export const GRID_CHOICES: readonly { readonly name: GridName; readonly gridDiv: GridDiv }[] = [
  { name: "8th", gridDiv: 2 },
  { name: "8T", gridDiv: 3 },
  { name: "16th", gridDiv: 4 },
  { name: "32nd", gridDiv: 8 },
];

export function gridDivFromName(name: string): GridDiv | undefined {
  return GRID_CHOICES.find((c) => c.name === name)?.gridDiv;
}

export function gridNameFromDiv(gridDiv: number): GridName | undefined {
  return GRID_CHOICES.find((c) => c.gridDiv === gridDiv)?.name;
}

/** A hit placed on the grid. */
export interface GridOnset extends Onset {
  /** Nearest grid step counted from the grid phase, ≥ 0. */
  gridIndex: number;
  /** time − (gridPhase + gridIndex · stepSec), ms; negative is early. */
  devMs: number;
  /** The same deviation in ticks at 960 per quarter note. */
  devTicks: number;
}

/** A grid laid over hits. */
export interface GridFit {
  onsets: GridOnset[];
  /** Time of grid step 0, s; within half a step of the first hit. */
  gridPhase: number;
  stepSec: number;
  /** Whole bars of steps, at least one bar. */
  steps: number;
  swingPct: number;
  meanDevMs: number;
  tightnessMs: number;
}

export interface GrooveAnalysis extends GridFit {
  bpm: number;
  gridDiv: GridDiv;
  flux: number[];
  fluxHopSec: number;
  peaksHi: number[];
  tone: number[];
  /** Clip duration, s. */
  duration: number;
}

export interface LoopCandidate {
  startSec: number;
  /** startSec + bars · bar length; may pass the clip's end by up to 8 % of a bar. */
  endSec: number;
  bars: number;
  /** Repeat match −1 to 1. */
  score: number;
}

export interface WaveformSummary {
  /** Per-bin peak 0-1, normalised to the loudest bin. */
  peaks: number[];
  /** Per-bin share of energy above roughly 400 Hz, 0-1. */
  tone: number[];
}
