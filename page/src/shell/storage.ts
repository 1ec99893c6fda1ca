// The page's preferences in web storage. Every access is guarded: a storage that throws (or
// is missing) reads as absent and forgets writes, and a value that fails its check reads as
// the key's default.

export const STORAGE_KEYS = {
  theme: "ostrel.theme",
  tour: "ostrel.tindle.tour",
  map: "ostrel.tindle.map",
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
export const DEFAULT_MAP_ID = "gm";
export const AUDIO_EXPORT_IDS = ["wav-loop", "wav-midi", "wav-both"] as const;
export const CUSTOM_KIT_ID = "custom";

export interface MixLevels {
  loop: number;
  midi: number;
  master: number;
}
export const DEFAULT_MIX: MixLevels = Object.freeze({ loop: 1, midi: 1, master: 1 });
const MAX_MIX_GAIN = 1.5;

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

/** The export map: a drum-map id (from the caller's table) or one of the audio exports. */
export function readMapId(store: KeyValueStore | null, drumMapIds: readonly string[]): string {
  const value = readItem(store, STORAGE_KEYS.map);
  if (value === null) return DEFAULT_MAP_ID;
  return drumMapIds.includes(value) || (AUDIO_EXPORT_IDS as readonly string[]).includes(value) ? value : DEFAULT_MAP_ID;
}

/** The audition kit: "custom" or a catalogue slug; otherwise the first catalogue kit. */
export function readKitId(store: KeyValueStore | null, catalogueSlugs: readonly string[]): string {
  const fallback = catalogueSlugs[0] ?? CUSTOM_KIT_ID;
  const value = readItem(store, STORAGE_KEYS.kit);
  return value !== null && (value === CUSTOM_KIT_ID || catalogueSlugs.includes(value)) ? value : fallback;
}

export type JsonObject = Record<string, unknown>;

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

export function isPlainObject(value: unknown): value is JsonObject {
  return value !== null && typeof value === "object" && !Array.isArray(value);
}

/** The custom kit's JSON object; its sample fields are checked by the kit module. */
export function readCustomKit(store: KeyValueStore | null): JsonObject {
  return readJsonObject(store, STORAGE_KEYS.customKit);
}

/** Saved kits by name; names are trimmed and must be non-empty, values must be objects. */
export function readCustomKits(store: KeyValueStore | null): Record<string, JsonObject> {
  const kits: Record<string, JsonObject> = {};
  for (const [name, kit] of Object.entries(readJsonObject(store, STORAGE_KEYS.customKits))) {
    if (name.trim() !== "" && isPlainObject(kit)) kits[name.trim()] = kit;
  }
  return kits;
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
