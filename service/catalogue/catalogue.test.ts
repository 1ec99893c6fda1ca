import { createHash } from "node:crypto";
import { beforeAll, describe, expect, it } from "vitest";
import { CATALOGUE_KITS, CURATED_FIRST_SLUGS, CURATED_LAST_SLUGS, LIBRARY_GENRE, PRODUCT_SERIES_WORDS } from "../catalogue-config.ts";
import { oneShotPlans } from "./oneshots.ts";
import { planCatalogue, type PlannedFile } from "./plan.ts";
import { RELEASE_PLANS, type ReleasePlan } from "./releases.ts";
import { STARTER_LOOPS } from "./starter-loops.ts";

// The library's filter as the page applies it: exact genre, then the exclusion pattern.
const exclusion = new RegExp(
  ["\\bmidi\\b", "locked", "multitrack", "maschine", "ableton pack", "pro tools session", "sample library", ...PRODUCT_SERIES_WORDS].join("|"),
  "i",
);
const shownByLibrary = (r: { genre?: string; title?: string }) => r.genre === LIBRARY_GENRE && !exclusion.test(r.title ?? "");

const hashOf = (files: readonly PlannedFile[]) => {
  const hash = createHash("sha256");
  for (const f of files) hash.update(`${f.route}\n${f.file}\n${f.type}\n`).update(f.body);
  return hash.digest("hex");
};

describe("release list", () => {
  const shown = RELEASE_PLANS.filter(shownByLibrary);
  const hidden = RELEASE_PLANS.filter((r) => !shownByLibrary(r));

  it("has at least nine packs the library shows, in an order the curation changes", () => {
    expect(shown.length).toBeGreaterThanOrEqual(9);
    const slugs = shown.map((r) => r.slug);
    for (const slug of [...CURATED_FIRST_SLUGS, ...CURATED_LAST_SLUGS]) expect(slugs).toContain(slug);
    expect(slugs.slice(0, 5)).not.toEqual([...CURATED_FIRST_SLUGS]);
  });

  type Rule = [string, (r: ReleasePlan) => boolean];
  const hidingRules: Rule[] = [
    ["another genre", (r) => r.genre !== undefined && r.genre !== LIBRARY_GENRE],
    ["no genre", (r) => r.genre === undefined],
    ...["midi", "locked", "multitrack", "maschine", "ableton pack", "pro tools session", "sample library", ...PRODUCT_SERIES_WORDS].map(
      (word): Rule => [`the title word "${word}"`, (r) => r.genre === LIBRARY_GENRE && r.title.toLowerCase().includes(word)],
    ),
  ];
  it.each(hidingRules)("has a release hidden by %s", (_, matches) => {
    expect(hidden.some(matches)).toBe(true);
  });

  it("keeps a title with midi inside a longer word", () => {
    expect(shown.some((r) => /midi/i.test(r.title))).toBe(true);
  });

  it("has unique ids and slugs", () => {
    expect(new Set(RELEASE_PLANS.map((r) => r.id)).size).toBe(RELEASE_PLANS.length);
    expect(new Set(RELEASE_PLANS.map((r) => r.slug)).size).toBe(RELEASE_PLANS.length);
  });
});

describe("one-shot catalogue", () => {
  const rows = oneShotPlans();

  it("offers more than 300 kicks, so the browser must cut its list", () => {
    expect(rows.filter((r) => r.voice === "kick").length).toBeGreaterThan(300);
  });

  it.each(CATALOGUE_KITS.map((k) => k.slug))("has free and non-free samples of every voice for %s", (slug) => {
    for (const voice of ["kick", "snare", "hat"] as const) {
      const own = rows.filter((r) => r.slug === slug && r.voice === voice);
      expect(own.some((r) => !r.free)).toBe(true);
      if (!(slug === "stadium-rock-stomps" && voice === "hat")) expect(own.some((r) => r.free)).toBe(true);
    }
  });

  it("has one kit pack without a free hat, whose kit falls back to the session hat", () => {
    const packsWithFreeHat = new Set(rows.filter((r) => r.voice === "hat" && r.free).map((r) => r.slug));
    expect(CATALOGUE_KITS.filter((k) => !packsWithFreeHat.has(k.slug)).map((k) => k.slug)).toEqual(["stadium-rock-stomps"]);
  });

  it("has a pack whose first sample of a voice is not free", () => {
    expect(CATALOGUE_KITS.some((k) => rows.find((r) => r.slug === k.slug && r.voice === "kick")?.free === false)).toBe(true);
  });

  it("names every sample uniquely within its pack and voice", () => {
    expect(new Set(rows.map((r) => `${r.slug}/${r.voice}/${r.file}`)).size).toBe(rows.length);
  });
});

describe("starter loops", () => {
  const editKeys = ["sensitivity", "gridDiv", "gains", "layered", "mapId", "bpmOverride", "feelTiming", "feelDynamics",
    "overrides", "velOverrides", "timeOverrides", "muteSteps", "addedNotes", "removedNotes", "removedVoices"];

  it("mixes full edits, partial edits and none, with keys in the document's order", () => {
    const withEdits = STARTER_LOOPS.filter((l) => l.edits);
    expect(withEdits.length).toBeGreaterThan(0);
    expect(STARTER_LOOPS.some((l) => !l.edits)).toBe(true);
    expect(withEdits.some((l) => Object.keys(l.edits!).length === editKeys.length)).toBe(true);
    expect(withEdits.some((l) => !("feelTiming" in l.edits!))).toBe(true);
    for (const { edits } of withEdits) {
      const keys = Object.keys(edits!);
      expect(keys).toEqual(editKeys.slice(0, keys.length));
    }
  });
});

describe("generated catalogue", () => {
  const base = "http://127.0.0.1:47810/";
  let files: PlannedFile[];
  beforeAll(() => {
    files = planCatalogue(base);
  }, 120_000);

  it("is the same, byte for byte, when made again", () => {
    expect(hashOf(planCatalogue(base))).toBe(hashOf(files));
  }, 120_000);

  it("gives every route one file", () => {
    const routes = files.flatMap((f) => (f.route === null ? [] : [f.route]));
    expect(new Set(routes).size).toBe(routes.length);
    expect(new Set(files.map((f) => f.file)).size).toBe(files.length);
  });

  it("gives every starter loop the exact length of its bars", () => {
    for (const loop of STARTER_LOOPS) {
      const wav = files.find((f) => f.route === `plugin/starterloops/audio/${loop.file}`)!;
      const frames = (wav.body.byteLength - 44) / 2;
      expect(frames).toBe(Math.round(((loop.recipe.bars * 240) / loop.recipe.bpm) * 44_100));
    }
  });
});
