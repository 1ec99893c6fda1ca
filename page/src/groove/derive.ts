// The derived grooves, recomputed from scratch on every change. Only the analysis
// is expensive; it is memoised on exactly its inputs (clip, tempo, grid, detect
// options), so note edits, mutes and feel never re-run detection.

import type { AudioClip } from "../audio/clip";
import type { DetectOptions } from "../analysis/types";
import type { GridDiv, GrooveAnalysis } from "../grid/types";
import { applyNoteEdits } from "./noteEdits";
import { applyFeel, applyStepMutes, computeGrooveDna } from "./mutesAndFeel";
import { grooveStats, type StatTile } from "./stats";
import { analysisTempo } from "./tempo";
import type { Groove, GrooveDna, GrooveEditState } from "./types";

export interface DerivedGroove {
  readonly analysis: GrooveAnalysis;
  /** Note edits applied; the DNA panel's source. */
  readonly edited: Groove;
  /** Muted steps dropped; what the displays and statistics show. */
  readonly muted: Groove;
  /** Feel applied; what audition and every export use. */
  readonly exported: Groove;
  readonly dna: GrooveDna;
  readonly stats: StatTile[];
}

export function deriveGroove(analysis: GrooveAnalysis, edits: GrooveEditState): DerivedGroove {
  const edited = applyNoteEdits(analysis, edits);
  const muted = applyStepMutes(edited, edits.muteSteps, edits.gridDiv);
  const exported = applyFeel(muted, edits.feelTiming, edits.feelDynamics);
  return { analysis, edited, muted, exported, dna: computeGrooveDna(edited, edits.gridDiv * 4), stats: grooveStats(muted) };
}

export type AnalyzeGroove = (clip: AudioClip, bpm: number, gridDiv: GridDiv, options: DetectOptions) => GrooveAnalysis;

interface AnalysisKey {
  readonly clip: AudioClip;
  readonly bpm: number;
  readonly gridDiv: GridDiv;
  readonly sensitivity: number;
  readonly kick: number;
  readonly snare: number;
  readonly hat: number;
  readonly layered: boolean;
}

function analysisKey(clip: AudioClip, edits: GrooveEditState): AnalysisKey {
  const { sensitivity, gridDiv, layered, gains } = edits;
  return { clip, bpm: analysisTempo(edits.bpmOverride), gridDiv, sensitivity, kick: gains.kick, snare: gains.snare, hat: gains.hat, layered };
}

const sameKey = (a: AnalysisKey, b: AnalysisKey) =>
  (Object.keys(a) as (keyof AnalysisKey)[]).every((field) => a[field] === b[field]);

/** A function that analyses only when the analysis inputs changed since its last call. */
export function createAnalysisMemo(analyze: AnalyzeGroove) {
  let last: { key: AnalysisKey; analysis: GrooveAnalysis } | undefined;
  return (clip: AudioClip, edits: GrooveEditState): GrooveAnalysis => {
    const key = analysisKey(clip, edits);
    if (!last || !sameKey(last.key, key)) {
      const options: DetectOptions = { sensitivity: key.sensitivity, gains: { ...edits.gains }, layered: key.layered };
      last = { key, analysis: analyze(clip, key.bpm, key.gridDiv, options) };
    }
    return last.analysis;
  };
}

/** Source clip and edit state → every derived value, or nothing without a clip. */
export function createGrooveDeriver(analyze: AnalyzeGroove) {
  const analysisFor = createAnalysisMemo(analyze);
  return (sourceClip: AudioClip | undefined, edits: GrooveEditState): DerivedGroove | undefined =>
    sourceClip ? deriveGroove(analysisFor(sourceClip, edits), edits) : undefined;
}
