// GrooveEditState defaults and its exact JSON text ("uiState"): fields in a
// fixed order, numeric keys ascending, numbers in their shortest round-trip form.

import { DEFAULT_MAP_ID } from "../drummaps/drumMaps";
import type { AddedNote, GrooveEditState, IndexMap, NoteEdits } from "./types";

/** Upper bounds of a voice gain (linear) and of the feel amounts (percent); both start at 0. */
export const MAX_VOICE_GAIN = 2;
export const MAX_FEEL_PERCENT = 150;

export const EMPTY_NOTE_EDITS: NoteEdits = Object.freeze({
  overrides: Object.freeze({}),
  velOverrides: Object.freeze({}),
  timeOverrides: Object.freeze({}),
  addedNotes: Object.freeze([]) as readonly AddedNote[],
  removedNotes: Object.freeze({}),
  removedVoices: Object.freeze({}),
});

export function defaultEditState(mapId: string = DEFAULT_MAP_ID): GrooveEditState {
  return {
    sensitivity: 0.5,
    gridDiv: 4,
    gains: { kick: 1, snare: 1, hat: 1 },
    layered: true,
    mapId,
    bpmOverride: null,
    feelTiming: 100,
    feelDynamics: 100,
    ...EMPTY_NOTE_EDITS,
    muteSteps: {},
  };
}

export const isEmptyMap = (map: IndexMap<unknown>): boolean => Object.keys(map).length === 0;

export function hasNoteEdits(edits: NoteEdits): boolean {
  return (
    !isEmptyMap(edits.overrides) ||
    !isEmptyMap(edits.velOverrides) ||
    !isEmptyMap(edits.timeOverrides) ||
    edits.addedNotes.length > 0 ||
    !isEmptyMap(edits.removedNotes) ||
    !isEmptyMap(edits.removedVoices)
  );
}

/** Keys in ascending numeric order, whatever order the record was built in. */
export function sortedIndexEntries<T>(map: IndexMap<T>): [number, T][] {
  return Object.keys(map)
    .map((key) => [Number(key), (map as Record<string, T>)[key]] as [number, T])
    .sort((a, b) => a[0] - b[0]);
}

function ascending<T>(map: IndexMap<T>): Record<string, T> {
  const out: Record<string, T> = {};
  for (const [index, value] of sortedIndexEntries(map)) out[String(index)] = value;
  return out;
}

/** The document with its fields in the fixed order. */
export function editStateDocument(state: GrooveEditState): Record<string, unknown> {
  return {
    sensitivity: state.sensitivity,
    gridDiv: state.gridDiv,
    gains: { kick: state.gains.kick, snare: state.gains.snare, hat: state.gains.hat },
    layered: state.layered,
    mapId: state.mapId,
    bpmOverride: state.bpmOverride,
    feelTiming: state.feelTiming,
    feelDynamics: state.feelDynamics,
    overrides: ascending(state.overrides),
    velOverrides: ascending(state.velOverrides),
    timeOverrides: ascending(state.timeOverrides),
    muteSteps: ascending(state.muteSteps),
    addedNotes: state.addedNotes.map(({ id, timeSec, band, velocity }) => ({ id, timeSec, band, velocity })),
    removedNotes: ascending(state.removedNotes),
    removedVoices: ascending(state.removedVoices),
  };
}

/** The "uiState" JSON text. JSON writes numbers in their shortest round-trip form. */
export function editStateToJson(state: GrooveEditState): string {
  return JSON.stringify(editStateDocument(state));
}
