// Tiny Standard MIDI File encoders: variable-length quantities, track events
// and chunks. The MIDI writer composes the file from these.

/** Seven bits per byte, most significant group first, bit 7 set on all but the last byte. */
export function encodeVariableLength(value: number): number[] {
  let rest = Math.max(0, Math.floor(value));
  const groups = [rest & 0x7f];
  rest = Math.floor(rest / 128);
  while (rest > 0) {
    groups.unshift((rest & 0x7f) | 0x80);
    rest = Math.floor(rest / 128);
  }
  return groups;
}

/** One track event: its absolute tick and its bytes after the delta time. */
export interface TrackEvent {
  readonly tick: number;
  readonly bytes: readonly number[];
}

/** Track bytes: each event preceded by its delta from the previous one. Running status is never used. */
export function encodeTrackEvents(events: readonly TrackEvent[]): number[] {
  const out: number[] = [];
  let previousTick = 0;
  for (const event of events) {
    out.push(...encodeVariableLength(event.tick - previousTick), ...event.bytes);
    previousTick = Math.max(previousTick, event.tick);
  }
  return out;
}

export function uint32BigEndian(value: number): number[] {
  return [(value >>> 24) & 0xff, (value >>> 16) & 0xff, (value >>> 8) & 0xff, value & 0xff];
}

export function uint16BigEndian(value: number): number[] {
  return [(value >>> 8) & 0xff, value & 0xff];
}

/** A chunk: four-character id, 32-bit big-endian length, body. */
export function writeChunk(id: string, body: readonly number[]): number[] {
  const idBytes = Array.from(id, (c) => c.charCodeAt(0) & 0x7f);
  return [...idBytes, ...uint32BigEndian(body.length), ...body];
}

const dataByte = (value: number) => Math.max(0, Math.min(127, Math.floor(value)));
const velocityByte = (value: number) => Math.max(1, Math.min(127, Math.floor(value)));

export const CHANNEL_10_NOTE_ON = 0x99;
export const CHANNEL_10_NOTE_OFF = 0x89;

export function noteOnBytes(note: number, velocity: number): number[] {
  return [CHANNEL_10_NOTE_ON, dataByte(note), velocityByte(velocity)];
}

export function noteOffBytes(note: number): number[] {
  return [CHANNEL_10_NOTE_OFF, dataByte(note), 0];
}

export function trackNameBytes(nameBytes: readonly number[]): number[] {
  return [0xff, 0x03, ...encodeVariableLength(nameBytes.length), ...nameBytes];
}

/** Tempo meta event; the value is limited to the three bytes the event holds. */
export function tempoBytes(microsPerQuarter: number): number[] {
  const value = Math.max(1, Math.min(0xffffff, Math.floor(microsPerQuarter)));
  return [0xff, 0x51, 0x03, (value >>> 16) & 0xff, (value >>> 8) & 0xff, value & 0xff];
}

/** 4/4, 24 MIDI clocks per click, 8 thirty-second notes per quarter. */
export const TIME_SIGNATURE_4_4: readonly number[] = [0xff, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08];

export const END_OF_TRACK: readonly number[] = [0xff, 0x2f, 0x00];
