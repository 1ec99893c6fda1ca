// estimateTempo: the loop's tempo from the autocorrelation of the onset flux.

import type { AudioClip } from "../audio/clip";
import { onsetFluxMono } from "../analysis/detect";
import { mixToMono } from "../analysis/filters";
import { roundHalfUp } from "../analysis/round";
import type { DetectOptions } from "../analysis/types";

/** Lag (frames) with the largest autocorrelation / √lag; the shortest lag wins ties. */
export function bestTempoLag(flux: ArrayLike<number>, hopSec: number): number | undefined {
  const frames = flux.length;
  const minLag = roundHalfUp(60 / 190 / hopSec);
  const maxLag = Math.min(frames - 1, roundHalfUp(60 / 55 / hopSec));
  if (maxLag <= minLag) return undefined;
  let bestLag = -1;
  let bestValue = -Infinity;
  for (let lag = minLag; lag <= maxLag; lag++) {
    let sum = 0;
    for (let i = 0; i + lag < frames; i++) sum += flux[i] * flux[i + lag];
    const weighted = sum / Math.sqrt(lag);
    if (weighted > bestValue) {
      bestValue = weighted;
      bestLag = lag;
    }
  }
  if (bestLag < 0 || !(bestValue > 0)) return undefined;
  return bestLag;
}

/** Tempo of a lag folded into 70 ≤ bpm < 180, to one decimal. */
export function bpmFromLag(lag: number, hopSec: number): number {
  let bpm = 60 / (lag * hopSec);
  while (bpm < 70) bpm *= 2;
  while (bpm >= 180) bpm /= 2;
  return roundHalfUp(bpm * 10) / 10;
}

/** BPM 70-180 to one decimal, or undefined for clips too short or silent. */
export function estimateTempo(clip: AudioClip, options: DetectOptions = {}): number | undefined {
  // The flux does not depend on the detect options; only the hits do, and they are not needed here.
  void options;
  const { flux, fluxHopSec } = onsetFluxMono(mixToMono(clip), clip.sampleRate);
  const lag = bestTempoLag(flux, fluxHopSec);
  return lag === undefined ? undefined : bpmFromLag(lag, fluxHopSec);
}
