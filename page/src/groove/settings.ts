// Setting operations and which edits survive them. Note edits and mutes point
// at hits of one analysis: a new sensitivity re-detects (edits and mutes go), a
// new grid refolds the bar (mutes go). Gains, layered, map, feel and tempo keep all edits.

import type { Voice } from "../analysis/types";
import { clamp } from "../analysis/round";
import { isExportMapId } from "../drummaps/drumMaps";
import { EMPTY_NOTE_EDITS, MAX_FEEL_PERCENT, MAX_VOICE_GAIN } from "./editState";
import { isGridDiv, isTempo } from "./parseEdits";
import { typedTempo } from "./tempo";
import type { GrooveEditState } from "./types";

const finite = (value: number) => Number.isFinite(value);

export function setSensitivity(edits: GrooveEditState, sensitivity: number): GrooveEditState {
  if (!finite(sensitivity)) return edits;
  const value = clamp(sensitivity, 0, 1);
  if (value === edits.sensitivity) return edits;
  return { ...edits, sensitivity: value, ...EMPTY_NOTE_EDITS, muteSteps: {} };
}

export function setGridDiv(edits: GrooveEditState, gridDiv: number): GrooveEditState {
  if (!isGridDiv(gridDiv) || gridDiv === edits.gridDiv) return edits;
  return { ...edits, gridDiv, muteSteps: {} };
}

export function setGain(edits: GrooveEditState, voice: Voice, gain: number): GrooveEditState {
  if (!finite(gain)) return edits;
  return { ...edits, gains: { ...edits.gains, [voice]: clamp(gain, 0, MAX_VOICE_GAIN) } };
}

export function setLayered(edits: GrooveEditState, layered: boolean): GrooveEditState {
  return { ...edits, layered };
}

export function setMapId(edits: GrooveEditState, mapId: string): GrooveEditState {
  return isExportMapId(mapId) ? { ...edits, mapId } : edits;
}

export function setFeelTiming(edits: GrooveEditState, percent: number): GrooveEditState {
  return finite(percent) ? { ...edits, feelTiming: clamp(percent, 0, MAX_FEEL_PERCENT) } : edits;
}

export function setFeelDynamics(edits: GrooveEditState, percent: number): GrooveEditState {
  return finite(percent) ? { ...edits, feelDynamics: clamp(percent, 0, MAX_FEEL_PERCENT) } : edits;
}

export function setBpmOverride(edits: GrooveEditState, bpm: number | null): GrooveEditState {
  return { ...edits, bpmOverride: isTempo(bpm) ? bpm : null };
}

/** Typing a tempo: the typed number, or null for an empty field, 0 or text that is not a number. */
export function setTypedTempo(edits: GrooveEditState, text: string): GrooveEditState {
  return setBpmOverride(edits, typedTempo(text));
}
