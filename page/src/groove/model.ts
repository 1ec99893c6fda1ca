// The groove model's state: the loaded source, the edit state, the next
// added-note id and a restore waiting for its load. Every transition is a pure
// function returning a new model; the async load shell lives in loadSource.ts.

import type { Lane } from "../analysis/types";
import { clipDurationSec, type AudioClip } from "../audio/clip";
import { storedMapId } from "../drummaps/drumMaps";
import type { GrooveAnalysis } from "../grid/types";
import { EMPTY_NOTE_EDITS, defaultEditState } from "./editState";
import { addNote } from "./editOps";
import { isTempo, parseRestoreRecord, type PendingRestore } from "./parseEdits";
import type { GrooveEditState } from "./types";

export interface TrimSelection {
  readonly inSec: number;
  readonly outSec: number;
}

export interface SourceState {
  /** As loaded and decoded, before any trim. */
  readonly rawClip?: AudioClip;
  /** What is analysed: the raw clip or a trimmed cut; none while a load runs. */
  readonly sourceClip?: AudioClip;
  readonly sourceName: string;
  /** The tempo came from estimateTempo. */
  readonly estimated: boolean;
  /** The open trim panel's selection; none while the panel is closed. */
  readonly trim?: TrimSelection;
  /** Grows with every load; a decode that finishes for an older count is dropped. */
  readonly loadCounter: number;
  /** Load-request id of the installed clip (none for files and after a trim). */
  readonly loadedId?: number;
  readonly busy: boolean;
  readonly error?: string;
}

export interface GrooveModel {
  readonly source: SourceState;
  readonly edits: GrooveEditState;
  readonly nextAddedId: number;
  readonly pendingRestore?: PendingRestore;
  /** Ids of the restore records already acted on. */
  readonly restoredIds: readonly number[];
}

/** Start state; `storedMap` is the web-storage value of the selected map. */
export function initialModel(storedMap?: unknown): GrooveModel {
  return {
    source: { sourceName: "", estimated: false, loadCounter: 0, busy: false },
    edits: defaultEditState(storedMapId(storedMap)),
    nextAddedId: 1,
    restoredIds: [],
  };
}

export function decodeErrorText(sourceName: string): string {
  return `Couldn't decode "${sourceName}" — is it an audio file?`;
}

function nextIdAfter(notes: GrooveEditState["addedNotes"]): number {
  return notes.reduce((max, note) => Math.max(max, note.id), 0) + 1;
}

/**
 * A new source clip invalidates every index: the note edits and mutes go, unless
 * the restore waiting for exactly this load brings its own.
 */
function onSourceClipChanged(model: GrooveModel, loadId: number | undefined): GrooveModel {
  const pending = model.pendingRestore;
  if (pending && loadId !== undefined && pending.id === loadId) return applyPendingRestore(model, pending);
  return { ...model, edits: { ...model.edits, ...EMPTY_NOTE_EDITS, muteSteps: {} }, nextAddedId: 1 };
}

function applyPendingRestore(model: GrooveModel, pending: PendingRestore): GrooveModel {
  const bpmOverride = pending.bpmOverride ?? model.edits.bpmOverride;
  return {
    ...model,
    edits: { ...model.edits, ...pending.noteEdits, muteSteps: pending.muteSteps, bpmOverride },
    nextAddedId: nextIdAfter(pending.noteEdits.addedNotes),
    pendingRestore: undefined,
    source: pending.bpmOverride === null ? model.source : { ...model.source, estimated: false },
  };
}

// ---- Load ----

/** Step 1 of a load: count it, clear the source and tempo, show busy. Returns the load's ticket. */
export function startLoad(model: GrooveModel, sourceName: string): { model: GrooveModel; ticket: number } {
  const ticket = model.source.loadCounter + 1;
  const source: SourceState = {
    ...model.source,
    sourceClip: undefined,
    sourceName,
    estimated: false,
    loadCounter: ticket,
    busy: true,
    error: undefined,
  };
  return { model: { ...model, source, edits: { ...model.edits, bpmOverride: null } }, ticket };
}

export const isCurrentLoad = (model: GrooveModel, ticket: number): boolean => model.source.loadCounter === ticket;

export interface DecodedSource {
  readonly clip: AudioClip;
  /** The load request's tempo, when it gave one. */
  readonly tempo?: number;
  /** estimateTempo of the clip, asked only when no tempo was given. */
  readonly estimatedTempo?: number;
  readonly loadId?: number;
}

/** Installs a decoded clip, unless a newer load has started since. */
export function finishLoad(model: GrooveModel, ticket: number, decoded: DecodedSource): GrooveModel {
  if (!isCurrentLoad(model, ticket)) return model;
  const given = isTempo(decoded.tempo) ? decoded.tempo : undefined;
  const estimate = given === undefined && isTempo(decoded.estimatedTempo) ? decoded.estimatedTempo : undefined;
  const installed: GrooveModel = {
    ...model,
    edits: { ...model.edits, bpmOverride: given ?? estimate ?? null },
    source: {
      ...model.source,
      rawClip: decoded.clip,
      sourceClip: decoded.clip,
      estimated: estimate !== undefined,
      trim: undefined,
      loadedId: decoded.loadId,
      busy: false,
      error: undefined,
    },
  };
  return onSourceClipChanged(installed, decoded.loadId);
}

export function failLoad(model: GrooveModel, ticket: number): GrooveModel {
  if (!isCurrentLoad(model, ticket)) return model;
  return { ...model, source: { ...model.source, busy: false, error: decodeErrorText(model.source.sourceName) } };
}

// ---- Restore ----

/**
 * A restore record (session restore or a starter loop's edits): once per id,
 * settings at once, note edits, tempo and mutes held for the load with the same id.
 */
export function receiveRestore(model: GrooveModel, doc: unknown): GrooveModel {
  const record = parseRestoreRecord(doc, model.edits);
  if (!record || model.restoredIds.includes(record.id)) return model;
  const { settings } = record;
  let edits = settings;
  if (settings.sensitivity !== model.edits.sensitivity) edits = { ...edits, ...EMPTY_NOTE_EDITS, muteSteps: {} };
  else if (settings.gridDiv !== model.edits.gridDiv) edits = { ...edits, muteSteps: {} };
  const next: GrooveModel = { ...model, edits, pendingRestore: record.pending, restoredIds: [...model.restoredIds, record.id] };
  // The clip of that load may already be in place.
  const loaded = next.source.sourceClip !== undefined && next.source.loadedId === record.id;
  return loaded ? applyPendingRestore(next, record.pending) : next;
}

// ---- Edits ----

export function updateEdits(model: GrooveModel, change: (edits: GrooveEditState) => GrooveEditState): GrooveModel {
  const edits = change(model.edits);
  return edits === model.edits ? model : { ...model, edits };
}

export function addNoteAt(model: GrooveModel, analysis: GrooveAnalysis | undefined, timeSec: number, lane: Lane): GrooveModel {
  const added = addNote(model.edits, analysis, model.nextAddedId, timeSec, lane);
  return { ...model, edits: added.edits, nextAddedId: added.nextAddedId };
}

// ---- Trim ----

export const MIN_TRIM_SEC = 0.05;

const rawDuration = (model: GrooveModel) => (model.source.rawClip ? clipDurationSec(model.source.rawClip) : 0);

function withTrim(model: GrooveModel, trim: TrimSelection | undefined): GrooveModel {
  return { ...model, source: { ...model.source, trim } };
}

/** Opening the panel selects the whole raw clip. */
export function openTrim(model: GrooveModel): GrooveModel {
  if (!model.source.rawClip) return model;
  return withTrim(model, { inSec: 0, outSec: rawDuration(model) });
}

export function closeTrim(model: GrooveModel): GrooveModel {
  return withTrim(model, undefined);
}

/** Dragging the in point keeps it at least 0.05 s before the out point. */
export function moveTrimIn(model: GrooveModel, inSec: number): GrooveModel {
  const trim = model.source.trim;
  if (!trim || !Number.isFinite(inSec)) return model;
  return withTrim(model, { ...trim, inSec: Math.max(0, Math.min(inSec, trim.outSec - MIN_TRIM_SEC)) });
}

/** Dragging the out point keeps it at least 0.05 s after the in point. */
export function moveTrimOut(model: GrooveModel, outSec: number): GrooveModel {
  const trim = model.source.trim;
  if (!trim || !Number.isFinite(outSec)) return model;
  return withTrim(model, { ...trim, outSec: Math.min(rawDuration(model), Math.max(outSec, trim.inSec + MIN_TRIM_SEC)) });
}

/** A bar button (n bars from the in point) is offered while it fits, with 20 ms to spare. */
export function isTrimBarsOffered(model: GrooveModel, bars: number, tempoBpm: number): boolean {
  const trim = model.source.trim;
  return trim !== undefined && trim.inSec + bars * (240 / tempoBpm) <= rawDuration(model) + 0.02;
}

export function selectTrimBars(model: GrooveModel, bars: number, tempoBpm: number): GrooveModel {
  const trim = model.source.trim;
  if (!trim || !isTrimBarsOffered(model, bars, tempoBpm)) return model;
  return withTrim(model, { ...trim, outSec: Math.min(rawDuration(model), trim.inSec + bars * (240 / tempoBpm)) });
}

export function selectTrimFull(model: GrooveModel): GrooveModel {
  return model.source.trim ? withTrim(model, { inSec: 0, outSec: rawDuration(model) }) : model;
}

export type CutLoop = (clip: AudioClip, startSec: number, endSec: number) => AudioClip;

/**
 * Trim (a, b): the whole raw clip when the selection covers it, otherwise a cut
 * with the default seam. The raw clip never changes, so trims can be redone.
 */
export function applyTrim(model: GrooveModel, inSec: number, outSec: number, cut: CutLoop): GrooveModel {
  const raw = model.source.rawClip;
  if (!raw || !Number.isFinite(inSec) || !Number.isFinite(outSec) || outSec - inSec < MIN_TRIM_SEC) return model;
  const duration = clipDurationSec(raw);
  const whole = inSec <= 0.001 && outSec >= duration - 0.001;
  const sourceClip = whole ? raw : cut(raw, Math.max(0, inSec), Math.min(duration, outSec));
  if (sourceClip === model.source.sourceClip) return closeTrim(model);
  return onSourceClipChanged({ ...model, source: { ...model.source, sourceClip, trim: undefined, loadedId: undefined } }, undefined);
}
