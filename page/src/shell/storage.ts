// The page's preferences in web storage. Every access is guarded: a storage that throws (or
// is missing) reads as absent and forgets writes, and a value that fails its check reads as
// the key's default.

import { MAP_STORAGE_KEY, storedMapId } from "../drummaps/drumMaps.ts";
import { isPlainObject, type JsonObject } from "../json.ts";
import { MAX_MIX_GAIN, UNITY_MIX, type MixLevels } from "../writers/audioExport.ts";

export type { JsonObject, MixLevels };

export const STORAGE_KEYS = {
  theme: "ostrel.theme",
  tour: "ostrel.tindle.tour",
  map: MAP_STORAGE_KEY,
  kit: "ostrel.tindle.kit",
  customKit: "ostrel.tindle.customkit",
  customKits: "ostrel.tindle.customkits",
  mix: "ostrel.tindle.mix",
} as const;

export type StorageKey = (typeof STORAGE_KEYS)[keyof typeof STORAGE_KEYS];

/** The two Storage members the page uses. */
export interface KeyValueStore {
  getItem(key: string): string | null;
  setItem(key: string, value: string): void;
}

export const DEFAULT_THEME = "dark";
export const CUSTOM_KIT_ID = "custom";

export const DEFAULT_MIX: MixLevels = UNITY_MIX;

/** The page's local storage, or null where touching it throws (privacy modes, sandboxing). */
export function pageStorage(): KeyValueStore | null {
  try {
    return (globalThis as { localStorage?: KeyValueStore }).localStorage ?? null;
  } catch {
    return null;
  }
}

export function readItem(store: KeyValueStore | null, key: StorageKey): string | null {
  try {
    const value = store?.getItem(key);
    return typeof value === "string" ? value : null;
  } catch {
    return null;
  }
}

export function writeItem(store: KeyValueStore | null, key: StorageKey, value: string): void {
  try {
    store?.setItem(key, value);
  } catch {
    // Storage full or unavailable: the preference is simply not kept.
  }
}

/** The theme is taken as stored; only an empty or missing value falls back. */
export function readTheme(store: KeyValueStore | null): string {
  return readItem(store, STORAGE_KEYS.theme) || DEFAULT_THEME;
}

export function tourSeen(store: KeyValueStore | null): boolean {
  return !!readItem(store, STORAGE_KEYS.tour);
}

export function markTourSeen(store: KeyValueStore | null): void {
  writeItem(store, STORAGE_KEYS.tour, "1");
}

/** The export map: a drum-map id or one of the audio exports, else the default map. */
export function readMapId(store: KeyValueStore | null): string {
  return storedMapId(readItem(store, STORAGE_KEYS.map));
}

/** The audition kit: "custom" or a catalogue slug; otherwise the first catalogue kit. */
export function readKitId(store: KeyValueStore | null, catalogueSlugs: readonly string[]): string {
  const fallback = catalogueSlugs[0] ?? CUSTOM_KIT_ID;
  const value = readItem(store, STORAGE_KEYS.kit);
  return value !== null && (value === CUSTOM_KIT_ID || catalogueSlugs.includes(value)) ? value : fallback;
}

function readJsonObject(store: KeyValueStore | null, key: StorageKey): JsonObject {
  const text = readItem(store, key);
  if (text === null) return {};
  try {
    const value: unknown = JSON.parse(text);
    return isPlainObject(value) ? value : {};
  } catch {
    return {};
  }
}

/** The custom kit's JSON object; its sample fields are checked by the kit module. */
export function readCustomKit(store: KeyValueStore | null): JsonObject {
  return readJsonObject(store, STORAGE_KEYS.customKit);
}

/** Saved kits by name; names are trimmed and must be non-empty, values must be objects. */
export function readCustomKits(store: KeyValueStore | null): Record<string, JsonObject> {
  const kits: [string, JsonObject][] = [];
  for (const [name, kit] of Object.entries(readJsonObject(store, STORAGE_KEYS.customKits))) {
    if (name.trim() !== "" && isPlainObject(kit)) kits.push([name.trim(), kit]);
  }
  // fromEntries defines own properties, so a kit named "__proto__" stays a kit.
  return Object.fromEntries(kits);
}

export function readMix(store: KeyValueStore | null): MixLevels {
  const value = readJsonObject(store, STORAGE_KEYS.mix);
  const ok = (x: unknown): x is number => typeof x === "number" && Number.isFinite(x) && x >= 0 && x <= MAX_MIX_GAIN;
  return ok(value.loop) && ok(value.midi) && ok(value.master)
    ? { loop: value.loop, midi: value.midi, master: value.master }
    : { ...DEFAULT_MIX };
}

export function writeJson(store: KeyValueStore | null, key: StorageKey, value: unknown): void {
  writeItem(store, key, JSON.stringify(value));
}
