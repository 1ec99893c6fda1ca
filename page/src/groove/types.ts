// Types of the groove model: the user's settings and note edits, and the
// grooves derived from an analysis.

import type { BandEnergies, BandScores, Lane, OnsetOrigin, VoiceGains } from "../analysis/types";
import type { GridDiv, GridOnset, GrooveAnalysis } from "../grid/types";

/** Hit index (position in the unedited analysis's onsets) or folded-bar step → value. */
export type IndexMap<T> = Readonly<Record<number, T>>;

export interface AddedNote {
  /** ≥ 1, unique within the load. */
  readonly id: number;
  /** Seconds from the clip's start. */
  readonly timeSec: number;
  readonly band: Lane;
  /** 1-127; 100 when added. */
  readonly velocity: number;
}

/** The six collections that address hits of the unedited analysis. */
export interface NoteEdits {
  readonly overrides: IndexMap<Lane>;
  readonly velOverrides: IndexMap<number>;
  /** Milliseconds from the hit's grid step in the unedited analysis. */
  readonly timeOverrides: IndexMap<number>;
  readonly addedNotes: readonly AddedNote[];
  readonly removedNotes: IndexMap<true>;
  readonly removedVoices: IndexMap<readonly Lane[]>;
}

/** Settings and note edits; its JSON is the "uiState" document and a starter loop's `edits`. */
export interface GrooveEditState extends NoteEdits {
  readonly sensitivity: number;
  readonly gridDiv: GridDiv;
  readonly gains: Readonly<VoiceGains>;
  readonly layered: boolean;
  readonly mapId: string;
  /** The source loop's tempo, or null (the analysis then runs at 120). */
  readonly bpmOverride: number | null;
  readonly feelTiming: number;
  readonly feelDynamics: number;
  /** Muted steps of the folded bar, 0 to gridDiv · 4 − 1. */
  readonly muteSteps: IndexMap<true>;
}

/** A hit of the edited, muted or export groove. Added notes carry no scores, bands or origin. */
export interface GrooveHit extends Omit<GridOnset, "scores" | "origin" | "bands"> {
  scores?: BandScores;
  origin?: OnsetOrigin;
  bands?: BandEnergies;
  /** Index in the unedited analysis, or −1 for an added note. */
  srcIdx: number;
  addedId?: number;
}

export interface Groove extends Omit<GrooveAnalysis, "onsets"> {
  onsets: GrooveHit[];
}

/** What the edit operations need to know about the hit they act on. */
export type HitRef = Pick<GrooveHit, "srcIdx" | "addedId" | "gridIndex" | "voices">;

/** Per step of the folded bar: the largest velocity and the number of hits. */
export interface GrooveDna {
  readonly slots: number[];
  readonly counts: number[];
}
