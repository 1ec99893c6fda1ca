// Edit operations: each takes a hit as shown (of the muted groove) and changes
// only the edit collections. Pure; the view calls them from its gestures.

import { LANES, type Lane } from "../analysis/types";
import { clamp, roundHalfUp } from "../analysis/round";
import type { GrooveAnalysis } from "../grid/types";
import { EMPTY_NOTE_EDITS } from "./editState";
import { MAX_EDIT_TIME_SEC } from "./parseEdits";
import type { GrooveEditState, HitRef, IndexMap } from "./types";

function withKey<T>(map: IndexMap<T>, key: number, value: T): IndexMap<T> {
  return { ...map, [key]: value };
}

function withoutKey<T>(map: IndexMap<T>, key: number): IndexMap<T> {
  if (map[key] === undefined) return map;
  const out: Record<number, T> = { ...map };
  delete out[key];
  return out;
}

const isDetectedIndex = (index: number) => Number.isInteger(index) && index >= 0;

/** A detected hit's index when it is usable (and, given an analysis, names one of its hits). */
function detectedIndex(hit: HitRef, analysis?: GrooveAnalysis): number | undefined {
  if (hit.addedId !== undefined || !isDetectedIndex(hit.srcIdx)) return undefined;
  if (analysis && hit.srcIdx >= analysis.onsets.length) return undefined;
  return hit.srcIdx;
}

const velocityOf = (velocity: number) => clamp(roundHalfUp(velocity), 1, 127);
const noteTimeOf = (timeSec: number) => clamp(timeSec, 0, MAX_EDIT_TIME_SEC);

function updateAddedNote(
  edits: GrooveEditState,
  id: number,
  change: (note: GrooveEditState["addedNotes"][number]) => GrooveEditState["addedNotes"][number],
): GrooveEditState {
  if (!edits.addedNotes.some((note) => note.id === id)) return edits;
  return { ...edits, addedNotes: edits.addedNotes.map((note) => (note.id === id ? change(note) : note)) };
}

/**
 * Pins a detected hit to one lane. A lane the user deleted from this hit before
 * is restored, so the pin never leaves the hit without voices (it would vanish).
 */
function pinLane(edits: GrooveEditState, index: number, lane: Lane): GrooveEditState {
  const removed = edits.removedVoices[index];
  let removedVoices = edits.removedVoices;
  if (removed?.includes(lane)) {
    const rest = removed.filter((l) => l !== lane);
    removedVoices = rest.length > 0 ? withKey(removedVoices, index, rest) : withoutKey(removedVoices, index);
  }
  return { ...edits, overrides: withKey(edits.overrides, index, lane), removedVoices };
}

const nextLane = (lane: Lane): Lane => LANES[(LANES.indexOf(lane) + 1) % LANES.length];

/** Added note: low → mid → high → low. Detected hit: pin none → low → mid → high → none. */
export function cycleVoice(edits: GrooveEditState, hit: HitRef): GrooveEditState {
  if (hit.addedId !== undefined) return updateAddedNote(edits, hit.addedId, (n) => ({ ...n, band: nextLane(n.band) }));
  const index = detectedIndex(hit);
  if (index === undefined) return edits;
  const pinned = edits.overrides[index];
  if (pinned === "high") return { ...edits, overrides: withoutKey(edits.overrides, index) };
  return pinLane(edits, index, pinned === undefined ? "low" : nextLane(pinned));
}

export function setVelocity(edits: GrooveEditState, hit: HitRef, velocity: number): GrooveEditState {
  if (!Number.isFinite(velocity)) return edits;
  const v = velocityOf(velocity);
  if (hit.addedId !== undefined) return updateAddedNote(edits, hit.addedId, (n) => ({ ...n, velocity: v }));
  const index = detectedIndex(hit);
  return index === undefined ? edits : { ...edits, velOverrides: withKey(edits.velOverrides, index, v) };
}

/** Moves a hit to `timeSec`; a detected hit keeps the move as an offset from its original grid step. */
export function moveNote(
  edits: GrooveEditState,
  analysis: GrooveAnalysis | undefined,
  hit: HitRef,
  timeSec: number,
  lane?: Lane,
): GrooveEditState {
  if (!Number.isFinite(timeSec)) return edits;
  if (hit.addedId !== undefined) {
    return updateAddedNote(edits, hit.addedId, (n) => ({ ...n, timeSec: noteTimeOf(timeSec), band: lane ?? n.band }));
  }
  if (!analysis) return edits;
  const index = detectedIndex(hit, analysis);
  if (index === undefined) return edits;
  const stepTime = analysis.gridPhase + analysis.onsets[index].gridIndex * analysis.stepSec;
  const offsetMs = clamp((timeSec - stepTime) * 1000, -MAX_EDIT_TIME_SEC * 1000, MAX_EDIT_TIME_SEC * 1000);
  const moved = { ...edits, timeOverrides: withKey(edits.timeOverrides, index, offsetMs) };
  return lane === undefined ? moved : pinLane(moved, index, lane);
}

/** Sets the hit's deviation from the step it is shown on. */
export function nudgeTiming(
  edits: GrooveEditState,
  analysis: GrooveAnalysis | undefined,
  hit: HitRef,
  devMs: number,
): GrooveEditState {
  if (!analysis) return edits;
  return moveNote(edits, analysis, hit, analysis.gridPhase + hit.gridIndex * analysis.stepSec + devMs / 1000);
}

export function removeNote(edits: GrooveEditState, hit: HitRef): GrooveEditState {
  if (hit.addedId !== undefined) {
    const addedNotes = edits.addedNotes.filter((note) => note.id !== hit.addedId);
    return addedNotes.length === edits.addedNotes.length ? edits : { ...edits, addedNotes };
  }
  const index = detectedIndex(hit);
  return index === undefined ? edits : { ...edits, removedNotes: withKey(edits.removedNotes, index, true as const) };
}

/** Deletes lanes from a hit; deleting its last lanes deletes the hit. */
export function removeVoices(edits: GrooveEditState, hit: HitRef, lanes: readonly Lane[]): GrooveEditState {
  if (hit.addedId !== undefined) return removeNote(edits, hit);
  const index = detectedIndex(hit);
  if (index === undefined) return edits;
  if (hit.voices.every((lane) => lanes.includes(lane))) return removeNote(edits, hit);
  const union: Lane[] = [...(edits.removedVoices[index] ?? [])];
  for (const lane of lanes) if (!union.includes(lane)) union.push(lane);
  return { ...edits, removedVoices: withKey(edits.removedVoices, index, union) };
}

/** The folded-bar step nearest a time. */
export function foldedStepAt(timeSec: number, analysis: GrooveAnalysis, gridDiv: number): number {
  return Math.max(0, roundHalfUp((timeSec - analysis.gridPhase) / analysis.stepSec)) % (gridDiv * 4);
}

/** Appends a note (velocity 100) and unmutes its step so it sounds. */
export function addNote(
  edits: GrooveEditState,
  analysis: GrooveAnalysis | undefined,
  nextAddedId: number,
  timeSec: number,
  lane: Lane,
): { edits: GrooveEditState; nextAddedId: number } {
  if (!Number.isFinite(timeSec)) return { edits, nextAddedId };
  const time = noteTimeOf(timeSec);
  let next: GrooveEditState = {
    ...edits,
    addedNotes: [...edits.addedNotes, { id: nextAddedId, timeSec: time, band: lane, velocity: 100 }],
  };
  if (analysis) next = { ...next, muteSteps: withoutKey(next.muteSteps, foldedStepAt(time, analysis, edits.gridDiv)) };
  return { edits: next, nextAddedId: nextAddedId + 1 };
}

export function toggleStepMute(edits: GrooveEditState, step: number): GrooveEditState {
  if (!Number.isInteger(step) || step < 0 || step >= edits.gridDiv * 4) return edits;
  const muteSteps = edits.muteSteps[step] ? withoutKey(edits.muteSteps, step) : withKey(edits.muteSteps, step, true as const);
  return { ...edits, muteSteps };
}

/** Back to detection as found: gains, layered and all corrections; sensitivity, grid, tempo, feel and map stay. */
export function resetEdits(edits: GrooveEditState): GrooveEditState {
  return { ...edits, gains: { kick: 1, snare: 1, hat: 1 }, layered: true, ...EMPTY_NOTE_EDITS, muteSteps: {} };
}
