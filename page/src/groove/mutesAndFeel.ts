// The last two stages of the derived groove: muted steps and feel.

import { clamp, roundHalfUp } from "../analysis/round";
import { isEmptyMap } from "./editState";
import type { Groove, GrooveDna, IndexMap } from "./types";

/** Drops every hit on a muted step of the folded bar. */
export function applyStepMutes(groove: Groove, muteSteps: IndexMap<true>, gridDiv: number): Groove {
  if (isEmptyMap(muteSteps)) return groove;
  const perBar = gridDiv * 4;
  return { ...groove, onsets: groove.onsets.filter((hit) => !muteSteps[hit.gridIndex % perBar]) };
}

/**
 * Scales each hit's deviation from its step by timing/100 ("Pocket") and each
 * velocity's distance from the mean by dynamics/100 ("Dynamics").
 */
export function applyFeel(groove: Groove, timingPct: number, dynamicsPct: number): Groove {
  if (timingPct === 100 && dynamicsPct === 100) return groove;
  const kt = timingPct / 100;
  const kd = dynamicsPct / 100;
  const hits = groove.onsets;
  const meanVelocity = hits.length > 0 ? hits.reduce((sum, h) => sum + h.velocity, 0) / hits.length : 100;
  const scale = (v: number) => clamp(roundHalfUp(meanVelocity + (v - meanVelocity) * kd), 1, 127);
  return {
    ...groove,
    onsets: hits.map((hit) => {
      const gridTime = hit.time - hit.devMs / 1000;
      const vels: typeof hit.vels = {};
      for (const [lane, v] of Object.entries(hit.vels) as [keyof typeof hit.vels, number][]) vels[lane] = scale(v);
      return {
        ...hit,
        time: Math.max(0, gridTime + (hit.devMs * kt) / 1000),
        devMs: hit.devMs * kt,
        devTicks: roundHalfUp(hit.devTicks * kt),
        velocity: scale(hit.velocity),
        vels,
      };
    }),
    meanDevMs: groove.meanDevMs * kt,
    tightnessMs: groove.tightnessMs * kt,
  };
}

/** The folded bar: the largest velocity and the hit count per step. Muted steps still count. */
export function computeGrooveDna(groove: Groove, perBar: number): GrooveDna {
  const slots = new Array<number>(perBar).fill(0);
  const counts = new Array<number>(perBar).fill(0);
  for (const hit of groove.onsets) {
    const step = hit.gridIndex % perBar;
    slots[step] = Math.max(slots[step], hit.velocity);
    counts[step] += 1;
  }
  return { slots, counts };
}
