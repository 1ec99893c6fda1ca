// Test helper: reads a written MIDI file back with an independent parser
// (midi-file, a dev dependency) and lists its events at absolute ticks.

import { parseMidi } from "midi-file";

export interface ReadEvent {
  tick: number;
  type: string;
  note?: number;
  velocity?: number;
  channel?: number;
}

export interface ReadMidi {
  format: number;
  tracks: number;
  ticksPerBeat: number | undefined;
  trackName: string | undefined;
  microsecondsPerBeat: number | undefined;
  events: ReadEvent[];
  endTick: number;
}

export function readMidi(bytes: Uint8Array): ReadMidi {
  const parsed = parseMidi(bytes);
  let tick = 0;
  const events: ReadEvent[] = [];
  let trackName: string | undefined;
  let microsecondsPerBeat: number | undefined;
  let endTick = -1;
  for (const event of parsed.tracks[0]) {
    tick += event.deltaTime;
    if (event.type === "trackName") trackName = event.text;
    else if (event.type === "setTempo") microsecondsPerBeat = event.microsecondsPerBeat;
    else if (event.type === "endOfTrack") endTick = tick;
    else if (event.type === "noteOn" || event.type === "noteOff") {
      events.push({ tick, type: event.type, note: event.noteNumber, velocity: event.velocity, channel: event.channel });
    } else if (event.type !== "timeSignature") events.push({ tick, type: event.type });
  }
  return {
    format: parsed.header.format,
    tracks: parsed.header.numTracks,
    ticksPerBeat: parsed.header.ticksPerBeat,
    trackName,
    microsecondsPerBeat,
    events,
    endTick,
  };
}

/** Note-ons as "tick:note:velocity" for compact assertions. */
export function noteOnsOf(read: ReadMidi): string[] {
  return read.events.filter((e) => e.type === "noteOn").map((e) => `${e.tick}:${e.note}:${e.velocity}`);
}

export function toHex(bytes: Uint8Array): string {
  return Array.from(bytes, (b) => b.toString(16).toUpperCase().padStart(2, "0")).join(" ");
}
