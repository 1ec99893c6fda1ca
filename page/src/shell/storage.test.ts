import { describe, expect, it } from "vitest";
import {
  DEFAULT_MIX,
  STORAGE_KEYS,
  markTourSeen,
  readCustomKit,
  readCustomKits,
  readKitId,
  readMapId,
  readMix,
  readTheme,
  tourSeen,
  writeItem,
  type KeyValueStore,
} from "./storage.ts";
import { applyPageQuery, parsePageQuery } from "./query.ts";

const SLUGS = ["pack-one", "pack-two"];

function memoryStore(entries: Record<string, string> = {}): KeyValueStore & { data: Map<string, string> } {
  const data = new Map(Object.entries(entries));
  return { data, getItem: (k) => data.get(k) ?? null, setItem: (k, v) => void data.set(k, v) };
}

const throwingStore: KeyValueStore = {
  getItem: () => {
    throw new Error("SecurityError");
  },
  setItem: () => {
    throw new Error("QuotaExceededError");
  },
};

/** Every preference read at once, as the page would. */
const readAll = (store: KeyValueStore | null) => ({
  theme: readTheme(store),
  tourSeen: tourSeen(store),
  map: readMapId(store),
  kit: readKitId(store, SLUGS),
  customKit: readCustomKit(store),
  customKits: readCustomKits(store),
  mix: readMix(store),
});

const DEFAULTS = {
  theme: "dark",
  tourSeen: false,
  map: "gm",
  kit: "pack-one",
  customKit: {},
  customKits: {},
  mix: DEFAULT_MIX,
};

describe("web storage", () => {
  it.each([
    ["an empty storage", memoryStore()],
    ["no storage", null],
    ["a storage that throws", throwingStore],
  ])("reads every key's default from %s", (_, store) => {
    expect(readAll(store)).toEqual(DEFAULTS);
  });

  it("reads invalid values as defaults", () => {
    const store = memoryStore({
      [STORAGE_KEYS.theme]: "",
      [STORAGE_KEYS.tour]: "",
      [STORAGE_KEYS.map]: "GM",
      [STORAGE_KEYS.kit]: "unknown-pack",
      [STORAGE_KEYS.customKit]: "{not json",
      [STORAGE_KEYS.customKits]: "[1,2]",
      [STORAGE_KEYS.mix]: '{"loop":1.6,"midi":1,"master":1}',
    });
    expect(readAll(store)).toEqual(DEFAULTS);
  });

  it.each([
    ['{"loop":0.5,"midi":1}', DEFAULT_MIX],
    ['{"loop":"1","midi":1,"master":1}', DEFAULT_MIX],
    ['{"loop":-0.1,"midi":1,"master":1}', DEFAULT_MIX],
    ["null", DEFAULT_MIX],
    ['{"loop":0,"midi":1.5,"master":0.25}', { loop: 0, midi: 1.5, master: 0.25 }],
  ])("checks the mix %s", (text, expected) => {
    expect(readMix(memoryStore({ [STORAGE_KEYS.mix]: text }))).toEqual(expected);
  });

  it("reads valid values, which differ from the defaults", () => {
    const store = memoryStore({
      [STORAGE_KEYS.theme]: "hybrid",
      [STORAGE_KEYS.tour]: "yes",
      [STORAGE_KEYS.map]: "wav-both",
      [STORAGE_KEYS.kit]: "custom",
      [STORAGE_KEYS.customKit]: '{"kick":{"url":"k.wav","label":"K","free":true}}',
      [STORAGE_KEYS.customKits]: '{" Mine ":{},"":{},"bad":3}',
      [STORAGE_KEYS.mix]: '{"loop":0.2,"midi":0.3,"master":0.4}',
    });
    const all = readAll(store);
    expect(all).not.toEqual(DEFAULTS);
    expect(all).toEqual({
      theme: "hybrid",
      tourSeen: true,
      map: "wav-both",
      kit: "custom",
      customKit: { kick: { url: "k.wav", label: "K", free: true } },
      customKits: { Mine: {} },
      mix: { loop: 0.2, midi: 0.3, master: 0.4 },
    });
    expect(readMapId(memoryStore({ [STORAGE_KEYS.map]: "bfd" }))).toBe("bfd");
    expect(readKitId(memoryStore({ [STORAGE_KEYS.kit]: "pack-two" }), SLUGS)).toBe("pack-two");
  });

  it("keeps a saved kit named __proto__ as an ordinary entry", () => {
    const kits = readCustomKits(memoryStore({ [STORAGE_KEYS.customKits]: '{"__proto__":{"a":1},"b":{}}' }));
    expect(Object.keys(kits)).toEqual(["__proto__", "b"]);
    expect(Object.getPrototypeOf(kits)).toBe(Object.prototype);
    expect((kits as Record<string, unknown>).a).toBeUndefined();
  });

  it("keeps the stored key names, which saved preferences depend on", () => {
    expect(Object.values(STORAGE_KEYS)).toEqual([
      "ostrel.theme",
      "ostrel.tindle.tour",
      "ostrel.tindle.map",
      "ostrel.tindle.kit",
      "ostrel.tindle.customkit",
      "ostrel.tindle.customkits",
      "ostrel.tindle.mix",
    ]);
  });

  it("survives writes to a storage that throws", () => {
    expect(() => writeItem(throwingStore, STORAGE_KEYS.theme, "aurora")).not.toThrow();
    expect(() => markTourSeen(throwingStore)).not.toThrow();
  });
});

describe("page URL query", () => {
  it.each([
    ["", { theme: null, skipTour: false, tab: "extract" }],
    ["?theme=aurora&tour=0&tab=ostrel", { theme: "aurora", skipTour: true, tab: "ostrel" }],
    ["?tour=1&tab=library", { theme: null, skipTour: false, tab: "extract" }],
    ["?theme=My%20Theme&tab=OSTREL", { theme: "My Theme", skipTour: false, tab: "extract" }],
  ])("reads %j", (search, expected) => {
    expect(parsePageQuery(search)).toEqual(expected);
  });

  it("stores the theme as it comes and marks the tour seen for tour=0", () => {
    const store = memoryStore();
    applyPageQuery(parsePageQuery("?theme=neon&tour=0"), store);
    expect(store.data.get(STORAGE_KEYS.theme)).toBe("neon");
    expect(store.data.get(STORAGE_KEYS.tour)).toBe("1");
    expect(readTheme(store)).toBe("neon");
    const untouched = memoryStore();
    applyPageQuery(parsePageQuery("?tab=ostrel"), untouched);
    expect(untouched.data.size).toBe(0);
    expect(() => applyPageQuery(parsePageQuery("?theme=x&tour=0"), throwingStore)).not.toThrow();
  });
});
