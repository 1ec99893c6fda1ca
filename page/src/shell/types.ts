// Records the shell hands to the extraction view.

import type { AudioClip } from "../audio/clip.ts";

/** Audio the extraction view shall show; the view loads once per distinct id. */
export interface LoadRequest {
  id: number;
  name: string;
  /** Encoded audio file bytes, or a clip already decoded. */
  data: ArrayBuffer | AudioClip;
  /** The source's known tempo in BPM, or null. */
  bpm: number | null;
}

/**
 * Settings and edits the view applies to the clip of the load request with the same id: the
 * edit-state JSON object as stored, plus that id. The groove model checks its fields.
 */
export type RestoreDocument = Readonly<Record<string, unknown>> & { readonly id: number };

export function restoreDocument(id: number, state: Record<string, unknown>): RestoreDocument {
  return { ...state, id };
}

export const DEFAULT_STARTER_ID = -1;
export const RESTORE_ID = 500000;
