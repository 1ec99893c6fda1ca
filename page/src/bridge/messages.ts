// Every message of the bridge, both ways. Page-to-native messages all travel as the
// tnToNative event; native events are parsed here field by field with their defaults, so the
// rest of the page only ever sees well-formed records.

import { isPlainObject, type JsonObject } from "../json.ts";

export type PageMessage =
  | { type: "ready" }
  | { type: "uiState"; json: string }
  | { type: "sourceAudio"; demo: true; name: string; bpm: number }
  | { type: "sourceAudio"; demo: false; name: string; bpm: number; wavBase64: string }
  | { type: "downloadExport"; filename: string; base64: string }
  | { type: "openExternal"; url: string }
  | { type: "previewBuffer"; base64: string; loopEndSec: number }
  | { type: "previewShot"; base64: string; fromSec: number }
  | { type: "previewPlay"; offsetSec: number }
  | { type: "previewStop" }
  | { type: "stretchAudio"; reqId: string; ratio: number; base64: string }
  | { type: "startCapture" }
  | { type: "stopCapture" }
  | { type: "exportState"; filename: string; base64: string }
  | { type: "dragExport"; filename: string; base64: string }
  | { type: "saveExport"; filename: string; base64: string };

export type PageMessageType = PageMessage["type"];

/** The status record pushed as tnFromNative every 100 ms. */
export interface StatusRecord {
  capturing: boolean;
  seconds: number;
  hostBpm: number;
  captureId: number;
  previewPlaying: boolean;
  previewEnded: number;
  /** Present only while capturing. */
  peaks?: number[];
}

/** tnRestore: the session the host project stored. */
export interface RestorePayload {
  uiState: string;
  name: string;
  bpm: number;
  demo: boolean;
}

/** tnStretchResult: base64 on success, error on rejection. */
export interface StretchResultPayload {
  reqId: string;
  base64?: string;
  error?: string;
}

export interface NativeEventMap {
  tnFromNative: StatusRecord;
  tnRestore: RestorePayload;
  tnStretchResult: StretchResultPayload;
}

export type NativeEventId = keyof NativeEventMap;

export const INITIAL_STATUS: StatusRecord = Object.freeze({
  capturing: false,
  seconds: 0,
  hostBpm: 0,
  captureId: 0,
  previewPlaying: false,
  previewEnded: 0,
});

const fieldsOf = (payload: unknown): JsonObject => (isPlainObject(payload) ? payload : {});

const num = (f: JsonObject, key: string): number => {
  const v = f[key];
  return typeof v === "number" && Number.isFinite(v) ? v : 0;
};
const str = (f: JsonObject, key: string): string => (typeof f[key] === "string" ? (f[key] as string) : "");
const bool = (f: JsonObject, key: string): boolean => f[key] === true;

export function parseStatus(payload: unknown): StatusRecord {
  const f = fieldsOf(payload);
  const status: StatusRecord = {
    capturing: bool(f, "capturing"),
    seconds: num(f, "seconds"),
    hostBpm: num(f, "hostBpm"),
    captureId: num(f, "captureId"),
    previewPlaying: bool(f, "previewPlaying"),
    previewEnded: num(f, "previewEnded"),
  };
  if (Array.isArray(f.peaks)) status.peaks = f.peaks.map((v) => (typeof v === "number" && Number.isFinite(v) ? v : 0));
  return status;
}

export function parseRestore(payload: unknown): RestorePayload {
  const f = fieldsOf(payload);
  return { uiState: str(f, "uiState"), name: str(f, "name"), bpm: num(f, "bpm"), demo: bool(f, "demo") };
}

export function parseStretchResult(payload: unknown): StretchResultPayload {
  const f = fieldsOf(payload);
  const result: StretchResultPayload = { reqId: str(f, "reqId") };
  if (typeof f.base64 === "string") result.base64 = f.base64;
  if (typeof f.error === "string") result.error = f.error;
  return result;
}

export const nativeEventParsers: { [K in NativeEventId]: (payload: unknown) => NativeEventMap[K] } = {
  tnFromNative: parseStatus,
  tnRestore: parseRestore,
  tnStretchResult: parseStretchResult,
};
