// Timing statistics of a list of hits: push/drag, tightness and swing, as the
// grid analysis measures them.

import { roundHalfUp } from "../analysis/round";

/** Mean and population standard deviation of the deviations (0 and 0 for none). */
export function deviationStats(devMs: readonly number[]): { meanDevMs: number; tightnessMs: number } {
  if (devMs.length === 0) return { meanDevMs: 0, tightnessMs: 0 };
  let sum = 0;
  for (const d of devMs) sum += d;
  const mean = sum / devMs.length;
  let squares = 0;
  for (const d of devMs) squares += (d - mean) * (d - mean);
  return { meanDevMs: mean, tightnessMs: Math.sqrt(squares / devMs.length) };
}

/** Mean position of off-beat hits (strictly between 0.3 and 0.7 of the beat) in percent; 50 when none. */
export function swingPercent(timesSec: readonly number[], gridPhase: number, bpm: number): number {
  const beatSec = 60 / bpm;
  let sum = 0;
  let count = 0;
  for (const time of timesSec) {
    const position = (time - gridPhase) / beatSec;
    const frac = position - Math.floor(position);
    if (frac > 0.3 && frac < 0.7) {
      sum += frac;
      count++;
    }
  }
  return count > 0 ? (100 * sum) / count : 50;
}

/** Grid fields of a time on the given grid: nearest step from the phase, deviation in ms and ticks. */
export function gridPlacement(
  timeSec: number,
  gridPhase: number,
  stepSec: number,
  bpm: number,
): { gridIndex: number; devMs: number; devTicks: number } {
  const gridIndex = Math.max(0, roundHalfUp((timeSec - gridPhase) / stepSec));
  const devMs = (timeSec - (gridPhase + gridIndex * stepSec)) * 1000;
  const devTicks = roundHalfUp((devMs / 1000) * (bpm / 60) * 960);
  return { gridIndex, devMs, devTicks };
}
