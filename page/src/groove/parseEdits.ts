// Reading a GrooveEditState document from outside (a restored session or a
// starter loop's `edits`): every field is checked on its own, what is valid is
// taken and the rest ignored. Never throws.

import { LANES, type Lane, type Voice, type VoiceGains } from "../analysis/types";
import { clamp } from "../analysis/round";
import { isPlainObject } from "../json";
import { isExportMapId } from "../drummaps/drumMaps";
import { MAX_FEEL_PERCENT, MAX_VOICE_GAIN } from "./editState";
import type { GridDiv } from "../grid/types";
import type { AddedNote, GrooveEditState, IndexMap, NoteEdits } from "./types";

/** Canonical decimal indices only ("0", "17"; not "01", "-1", "1.5"), below 10⁹. */
const INDEX_KEY = /^(0|[1-9]\d{0,8})$/;
/** Bound for times and offsets: far beyond any loop, small enough to keep every derived number sane. */
export const MAX_EDIT_TIME_SEC = 3600;
const MAX_ADDED_ID = 1_000_000_000;
const VOICES: readonly Voice[] = ["kick", "snare", "hat"];
const GRID_DIVS: readonly number[] = [2, 3, 4, 8];

type Json = unknown;

const isFiniteNumber = (value: Json): value is number => typeof value === "number" && Number.isFinite(value);
export const isLane = (value: Json): value is Lane => typeof value === "string" && (LANES as readonly string[]).includes(value);
export const isVelocity = (value: Json): value is number =>
  typeof value === "number" && Number.isInteger(value) && value >= 1 && value <= 127;
export const isGridDiv = (value: Json): value is GridDiv => typeof value === "number" && GRID_DIVS.includes(value);

function indexMap<T>(value: Json, read: (entry: Json, index: number) => T | undefined): IndexMap<T> {
  const out: Record<number, T> = {};
  if (!isPlainObject(value)) return out;
  for (const key of Object.keys(value)) {
    if (!INDEX_KEY.test(key)) continue;
    const entry = read(value[key], Number(key));
    if (entry !== undefined) out[Number(key)] = entry;
  }
  return out;
}

function laneList(value: Json): readonly Lane[] | undefined {
  if (!Array.isArray(value)) return undefined;
  const lanes: Lane[] = [];
  for (const lane of value) if (isLane(lane) && !lanes.includes(lane)) lanes.push(lane);
  return lanes.length > 0 ? lanes : undefined;
}

function addedNoteList(value: Json): AddedNote[] {
  if (!Array.isArray(value)) return [];
  const notes: AddedNote[] = [];
  for (const entry of value) {
    if (!isPlainObject(entry)) continue;
    const { id, timeSec, band, velocity } = entry;
    if (typeof id !== "number" || !Number.isInteger(id) || id < 1 || id > MAX_ADDED_ID) continue;
    if (!isFiniteNumber(timeSec) || timeSec < 0 || timeSec > MAX_EDIT_TIME_SEC) continue;
    if (!isLane(band) || notes.some((n) => n.id === id)) continue;
    notes.push({ id, timeSec, band, velocity: isVelocity(velocity) ? velocity : 100 });
  }
  return notes;
}

const trueFlag = (entry: Json) => (entry === true ? (true as const) : undefined);

/** The six note-edit collections of a document; each is empty when absent or unusable. */
export function parseNoteEdits(doc: Record<string, unknown>): NoteEdits {
  return {
    overrides: indexMap(doc.overrides, (e) => (isLane(e) ? e : undefined)),
    velOverrides: indexMap(doc.velOverrides, (e) => (isVelocity(e) ? e : undefined)),
    timeOverrides: indexMap(doc.timeOverrides, (e) =>
      isFiniteNumber(e) && Math.abs(e) <= MAX_EDIT_TIME_SEC * 1000 ? e : undefined,
    ),
    addedNotes: addedNoteList(doc.addedNotes),
    removedNotes: indexMap(doc.removedNotes, trueFlag),
    removedVoices: indexMap(doc.removedVoices, laneList),
  };
}

export function parseMuteSteps(value: Json, gridDiv: GridDiv): IndexMap<true> {
  const perBar = gridDiv * 4;
  return indexMap(value, (entry, step) => (step < perBar ? trueFlag(entry) : undefined));
}

function parseGains(value: Json, current: Readonly<VoiceGains>): VoiceGains | undefined {
  if (!isPlainObject(value)) return undefined;
  const gains = { ...current };
  let found = false;
  for (const voice of VOICES) {
    const gain = value[voice];
    if (isFiniteNumber(gain)) {
      gains[voice] = clamp(gain, 0, MAX_VOICE_GAIN);
      found = true;
    }
  }
  return found ? gains : undefined;
}

/** A usable source tempo: a positive finite number (the analysis clamps it further). */
export const isTempo = (value: Json): value is number => isFiniteNumber(value) && value > 0;

/** Note edits, tempo and mutes held back until the load with the same id has its clip. */
export interface PendingRestore {
  readonly id: number;
  readonly noteEdits: NoteEdits;
  readonly bpmOverride: number | null;
  readonly muteSteps: IndexMap<true>;
}

export interface RestoreRecord {
  readonly id: number;
  /** The settings applied at once. */
  readonly settings: GrooveEditState;
  readonly pending: PendingRestore;
}

/**
 * Reads a restore record against the current state: settings present and valid
 * replace the current ones (feel defaults to 100 when absent), the rest waits.
 * Nothing without a numeric `id`.
 */
export function parseRestoreRecord(doc: Json, current: GrooveEditState): RestoreRecord | undefined {
  try {
    if (!isPlainObject(doc) || !isFiniteNumber(doc.id)) return undefined;
    const gridDiv = isGridDiv(doc.gridDiv) ? doc.gridDiv : current.gridDiv;
    const feel = (value: Json) => (isFiniteNumber(value) ? clamp(value, 0, MAX_FEEL_PERCENT) : 100);
    const settings: GrooveEditState = {
      ...current,
      sensitivity: isFiniteNumber(doc.sensitivity) ? clamp(doc.sensitivity, 0, 1) : current.sensitivity,
      gridDiv,
      gains: parseGains(doc.gains, current.gains) ?? current.gains,
      layered: typeof doc.layered === "boolean" ? doc.layered : current.layered,
      mapId: isExportMapId(doc.mapId) ? doc.mapId : current.mapId,
      feelTiming: feel(doc.feelTiming),
      feelDynamics: feel(doc.feelDynamics),
    };
    const pending: PendingRestore = {
      id: doc.id,
      noteEdits: parseNoteEdits(doc),
      bpmOverride: isTempo(doc.bpmOverride) ? doc.bpmOverride : null,
      muteSteps: parseMuteSteps(doc.muteSteps, gridDiv),
    };
    return { id: doc.id, settings, pending };
  } catch {
    // A hostile object (throwing getters, proxies) is ignored as a whole.
    return undefined;
  }
}

/** Parses JSON text first; unparsable text gives nothing. */
export function parseRestoreText(text: string, id: number, current: GrooveEditState): RestoreRecord | undefined {
  try {
    const doc: unknown = JSON.parse(text);
    return isPlainObject(doc) ? parseRestoreRecord({ ...doc, id }, current) : undefined;
  } catch {
    return undefined;
  }
}
