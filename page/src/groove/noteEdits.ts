// applyNoteEdits: the analysis with the user's corrections, addressed by hit index.

import type { Lane } from "../analysis/types";
import type { GrooveAnalysis } from "../grid/types";
import { hasNoteEdits, isEmptyMap } from "./editState";
import { deviationStats, placeOnGrid, swingPercent } from "../grid/gridFit";
import type { AddedNote, Groove, GrooveHit, NoteEdits } from "./types";

/** Display colour (tilt) of an added note by lane. */
export const ADDED_NOTE_TILT: Readonly<Record<Lane, number>> = { low: 0.05, mid: 0.42, high: 0.95 };

function addedNoteHit(note: AddedNote, analysis: GrooveAnalysis): GrooveHit {
  return {
    time: note.timeSec,
    velocity: note.velocity,
    amp: note.velocity / 127,
    tilt: ADDED_NOTE_TILT[note.band],
    band: note.band,
    voices: [note.band],
    vels: { [note.band]: note.velocity },
    ...placeOnGrid(note.timeSec, analysis.gridPhase, analysis.stepSec, analysis.bpm),
    srcIdx: -1,
    addedId: note.id,
  };
}

export function applyNoteEdits(analysis: GrooveAnalysis, edits: NoteEdits): Groove {
  if (!hasNoteEdits(edits)) {
    return { ...analysis, onsets: analysis.onsets.map((onset, i) => ({ ...onset, srcIdx: i })) };
  }
  const { overrides, velOverrides, timeOverrides, removedNotes, removedVoices } = edits;
  const hits: GrooveHit[] = [];
  analysis.onsets.forEach((onset, i) => {
    if (removedNotes[i]) return;
    const hit: GrooveHit = { ...onset, srcIdx: i };
    const pinned = overrides[i];
    if (pinned !== undefined) {
      hit.band = pinned;
      hit.voices = [pinned];
    }
    const velocity = velOverrides[i];
    if (velocity !== undefined) {
      hit.velocity = velocity;
      hit.vels = { ...hit.vels };
      for (const lane of hit.voices) hit.vels[lane] = velocity;
    }
    const offsetMs = timeOverrides[i];
    if (offsetMs !== undefined) {
      const time = analysis.gridPhase + onset.gridIndex * analysis.stepSec + offsetMs / 1000;
      hit.time = time;
      Object.assign(hit, placeOnGrid(time, analysis.gridPhase, analysis.stepSec, analysis.bpm));
    }
    const removedLanes = removedVoices[i];
    if (removedLanes !== undefined && removedLanes.length > 0) {
      hit.voices = hit.voices.filter((lane) => !removedLanes.includes(lane));
      if (!hit.voices.includes(hit.band) && hit.voices.length > 0) hit.band = hit.voices[0];
    }
    if (hit.voices.length > 0) hits.push(hit);
  });
  for (const note of edits.addedNotes) hits.push(addedNoteHit(note, analysis));
  // Stable: detected hits in index order before added notes at equal times.
  hits.sort((a, b) => a.time - b.time);

  const movesHits =
    !isEmptyMap(timeOverrides) || edits.addedNotes.length > 0 || !isEmptyMap(removedNotes) || !isEmptyMap(removedVoices);
  if (!movesHits || hits.length === 0) return { ...analysis, onsets: hits };
  return {
    ...analysis,
    onsets: hits,
    ...deviationStats(hits.map((h) => h.devMs)),
    swingPct: swingPercent(
      hits.map((h) => h.time),
      analysis.gridPhase,
      analysis.bpm,
    ),
  };
}
