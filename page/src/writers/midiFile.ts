// Standard MIDI File writer: format 0, one track, 960 ticks per quarter note,
// every struck lane a note on channel 10 by the chosen drum map.

import type { Lane, LaneVelocities } from "../analysis/types";
import { roundHalfUp } from "../analysis/round";
import type { DrumMap } from "../drummaps/drumMaps";
import {
  END_OF_TRACK,
  TIME_SIGNATURE_4_4,
  encodeTrackEvents,
  noteOffBytes,
  noteOnBytes,
  tempoBytes,
  trackNameBytes,
  uint16BigEndian,
  writeChunk,
  type TrackEvent,
} from "./midiEncoding";

export const TICKS_PER_QUARTER = 960;
export const TICKS_PER_BAR = 4 * TICKS_PER_QUARTER;
/** Every note lasts a 32nd note. */
export const NOTE_LENGTH_TICKS = 120;
export const TRACK_NAME_MAX_UNITS = 60;

export interface MidiGrooveHit {
  readonly time: number;
  readonly velocity: number;
  readonly voices: readonly Lane[];
  readonly vels: LaneVelocities;
}

/** What the MIDI writer reads of a groove. */
export interface MidiGroove {
  readonly bpm: number;
  readonly gridPhase: number;
  readonly duration: number;
  readonly onsets: readonly MidiGrooveHit[];
}

/** Whole 4/4 bars covering the clip's duration, at least one. */
export function endTickFor(durationSec: number, ticksPerSec: number): number {
  const durationTicks = roundHalfUp(durationSec * ticksPerSec);
  if (!Number.isFinite(durationTicks)) return TICKS_PER_BAR;
  return Math.max(TICKS_PER_BAR, Math.ceil(durationTicks / TICKS_PER_BAR) * TICKS_PER_BAR);
}

/** One byte per character (low seven bits of its first UTF-16 unit) of the first 60 code units. */
export function trackNameFrom(name: string): number[] {
  return Array.from(name.slice(0, TRACK_NAME_MAX_UNITS), (c) => c.charCodeAt(0) & 0x7f);
}

/** The notes a hit strikes: lanes sharing a note merge into one at the larger velocity. */
export function notesOfHit(hit: MidiGrooveHit, map: DrumMap): { note: number; velocity: number }[] {
  const notes: { note: number; velocity: number }[] = [];
  for (const lane of hit.voices) {
    const note = map.notes[lane];
    const velocity = hit.vels[lane] ?? hit.velocity;
    const existing = notes.find((n) => n.note === note);
    if (existing) existing.velocity = Math.max(existing.velocity, velocity);
    else notes.push({ note, velocity });
  }
  return notes;
}

export function writeMidiFile(groove: MidiGroove, map: DrumMap, name: string): Uint8Array {
  // The model never passes a tempo outside 20-400 BPM; anything unusable falls back to 120.
  const bpm = Number.isFinite(groove.bpm) && groove.bpm > 0 ? groove.bpm : 120;
  const ticksPerSec = (bpm / 60) * TICKS_PER_QUARTER;
  const endTick = endTickFor(groove.duration, ticksPerSec);

  const noteEvents: TrackEvent[] = [];
  for (const hit of groove.onsets) {
    // The grid phase is tick 0; anything earlier starts the file.
    const tick = Math.max(0, roundHalfUp((hit.time - groove.gridPhase) * ticksPerSec));
    // A note at or past the end would have its note-off before its note-on (a hanging note).
    if (!(tick < endTick)) continue;
    for (const { note, velocity } of notesOfHit(hit, map)) {
      noteEvents.push({ tick, bytes: noteOnBytes(note, roundHalfUp(velocity)) });
      noteEvents.push({ tick: Math.min(tick + NOTE_LENGTH_TICKS, endTick), bytes: noteOffBytes(note) });
    }
  }
  // Array.prototype.sort is stable: equal ticks keep creation order.
  noteEvents.sort((a, b) => a.tick - b.tick);
  const lastTick = noteEvents.length > 0 ? noteEvents[noteEvents.length - 1].tick : 0;

  const track = encodeTrackEvents([
    { tick: 0, bytes: trackNameBytes(trackNameFrom(name)) },
    { tick: 0, bytes: tempoBytes(roundHalfUp(60_000_000 / bpm)) },
    { tick: 0, bytes: TIME_SIGNATURE_4_4 },
    ...noteEvents,
    { tick: Math.max(endTick, lastTick), bytes: END_OF_TRACK },
  ]);
  const header = [...uint16BigEndian(0), ...uint16BigEndian(1), ...uint16BigEndian(TICKS_PER_QUARTER)];
  return Uint8Array.from([...writeChunk("MThd", header), ...writeChunk("MTrk", track)]);
}

