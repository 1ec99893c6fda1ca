// The source tempo: typed text, the offered range, and the tempo the analysis runs at.

import { clamp } from "../analysis/round";

/** The tempo control offers this range. */
export const OFFERED_TEMPO_MIN_BPM = 40;
export const OFFERED_TEMPO_MAX_BPM = 220;
/** A typed tempo outside the offered range is analysed within these bounds, so the grid stays a sane size. */
export const ANALYSIS_TEMPO_MIN_BPM = 20;
export const ANALYSIS_TEMPO_MAX_BPM = 400;
export const DEFAULT_TEMPO_BPM = 120;

/** An empty field, 0, a negative value or text that is not a number clears the tempo (null). */
export function typedTempo(text: string): number | null {
  const trimmed = text.trim();
  if (trimmed === "") return null;
  const bpm = Number(trimmed);
  return Number.isFinite(bpm) && bpm > 0 ? bpm : null;
}

export function analysisTempo(bpmOverride: number | null): number {
  if (bpmOverride === null || !Number.isFinite(bpmOverride) || bpmOverride <= 0) return DEFAULT_TEMPO_BPM;
  return clamp(bpmOverride, ANALYSIS_TEMPO_MIN_BPM, ANALYSIS_TEMPO_MAX_BPM);
}

/** True when the analysis does not run at the tempo as given. */
export function isTempoClamped(bpmOverride: number | null): boolean {
  return bpmOverride !== null && analysisTempo(bpmOverride) !== bpmOverride;
}
