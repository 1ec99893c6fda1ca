import { createHash } from "node:crypto";
import { readFileSync } from "node:fs";
import { inflateSync } from "node:zlib";
import { describe, expect, it } from "vitest";
import { makeClip } from "../../page/src/audio/clip.ts";
import { analyzeGroove } from "../../page/src/grid/analyze.ts";
import { KIT_IDS, VOICES, decodeWav16, peakOf, renderPattern, validateGroove, type DrumHit } from "../synth/index.ts";
import {
  DEMO_LOOPS,
  KIT_FILE_NAMES,
  LOGO_FILE_NAME,
  LOOP_PEAK,
  MEDIA_SAMPLE_RATE,
  buildMediaFiles,
  demoLoopGroundTruth,
  type MediaFile,
} from "./index.ts";

const RATE = MEDIA_SAMPLE_RATE;
const files = buildMediaFiles();
const byName = new Map(files.map((f) => [f.fileName, f.bytes]));
const digest = (set: MediaFile[]) => set.map((f) => `${f.fileName} ${createHash("sha256").update(f.bytes).digest("hex")}`);

function decodedAudio(fileName: string) {
  const bytes = byName.get(fileName);
  expect(bytes, fileName).toBeDefined();
  const wav = decodeWav16(bytes!);
  expect(wav, fileName).toBeDefined();
  return { bytes: bytes!, wav: wav! };
}

describe("media set", () => {
  it("holds exactly the 18 one-shots, 4 loops and the logo, byte-identical on every build", () => {
    const expected = [
      ...KIT_IDS.flatMap((kit) => VOICES.map((voice) => KIT_FILE_NAMES[kit][voice])),
      ...DEMO_LOOPS.map((loop) => loop.fileName),
      LOGO_FILE_NAME,
    ];
    expect(files.map((f) => f.fileName).sort()).toEqual(expected.sort());
    expect(new Set(expected).size).toBe(23);
    expect(digest(buildMediaFiles())).toEqual(digest(files));
  });

  it("is the output list scripts/build-media.sh checks for staleness", () => {
    const script = readFileSync(new URL("../../scripts/build-media.sh", import.meta.url), "utf8");
    const listed = /^outputs=\(([^)]*)\)/m.exec(script)?.[1].split(/\s+/).filter(Boolean) ?? [];
    const generated = [
      ...files.map((f) => `resources/${f.fileName}`),
      ...DEMO_LOOPS.map((loop) => `build/media-truth/${loop.fileName.replace(/\.wav$/, ".json")}`),
    ];
    expect(listed.sort()).toEqual(generated.sort());
  });

  it.each(KIT_IDS.flatMap((kit) => VOICES.map((voice) => KIT_FILE_NAMES[kit][voice])))(
    "%s is a mono 16-bit 44.1 kHz one-shot of 0.888-1.8 s that never clips",
    (fileName) => {
      const { wav } = decodedAudio(fileName);
      expect(wav).toMatchObject({ sampleRate: RATE, channels: 1, bitsPerSample: 16 });
      expect(wav.samples.length / RATE).toBeGreaterThanOrEqual(0.888);
      expect(wav.samples.length / RATE).toBeLessThanOrEqual(1.8);
      expect(peakOf(wav.samples)).toBeLessThan(0.97);
    },
  );

  it("draws a wide logo with both transparent and opaque pixels", () => {
    const png = byName.get(LOGO_FILE_NAME)!;
    const view = new DataView(png.buffer, png.byteOffset);
    const [width, height] = [view.getUint32(16), view.getUint32(20)];
    expect(width).toBeGreaterThan(4 * height);
    const idatLength = view.getUint32(33);
    const rows = inflateSync(png.subarray(41, 41 + idatLength));
    const alphas = Array.from({ length: width * height }, (_, i) => rows[Math.floor(i / width) * (1 + 4 * width) + 1 + (i % width) * 4 + 3]);
    expect(alphas).toContain(0);
    expect(alphas).toContain(255);
  });
});

describe.each(DEMO_LOOPS)("$name", (loop) => {
  const hits = demoLoopGroundTruth(loop.name)!;
  const beatSec = 60 / loop.bpm;

  it("has its exact frame count, header and level", () => {
    const { bytes, wav } = decodedAudio(loop.fileName);
    expect(wav).toMatchObject({ sampleRate: RATE, channels: 1, bitsPerSample: 16 });
    expect(wav.samples.length).toBe(loop.frames);
    expect(bytes.length).toBe(44 + 2 * loop.frames);
    expect(Math.abs(loop.frames - (loop.bars * 4 * beatSec * RATE))).toBeLessThan(1.5);
    const peak = peakOf(wav.samples);
    expect(peak).toBeGreaterThan(0.8);
    expect(peak).toBeLessThan(0.9);
    expect(validateGroove(loop.groove)).toEqual([]);
    expect(loop.groove.bars.length).toBe(loop.bars);
    expect(loop.groove.bpm).toBe(loop.bpm);
  });

  it("keeps a ground truth of whole-frame, sorted, in-range hits", () => {
    expect(demoLoopGroundTruth(loop.fileName.replace(".wav", ""))).toEqual(hits);
    expect(hits.length).toBeGreaterThan(loop.bars * 8);
    hits.forEach((hit, i) => {
      expect(Math.abs(hit.timeSec * RATE - Math.round(hit.timeSec * RATE))).toBeLessThan(1e-6);
      expect(hit.timeSec).toBeGreaterThanOrEqual(0);
      expect(hit.timeSec * RATE).toBeLessThan(loop.frames);
      expect(Number.isInteger(hit.velocity) && hit.velocity >= 1 && hit.velocity <= 127).toBe(true);
      expect(["low", "mid", "high"]).toContain(hit.lane);
      if (i > 0) expect(hit.timeSec).toBeGreaterThanOrEqual(hits[i - 1].timeSec);
    });
  });

  it("is played like a drummer: near the grid but not on it, with ghost notes and layered hits", () => {
    const deviationsMs = hits.map((hit) => {
      // Distance to the closest written step position.
      const beat = Math.floor(hit.timeSec / beatSec);
      const candidates = [-1, 0, 1].flatMap((b) => loop.groove.stepPositions.map((p) => (beat + b + p) * beatSec));
      return Math.min(...candidates.map((t) => Math.abs(hit.timeSec - t))) * 1000;
    });
    expect(Math.max(...deviationsMs)).toBeLessThan(40);
    expect(deviationsMs.reduce((a, b) => a + b, 0) / deviationsMs.length).toBeGreaterThan(2);
    expect(hits.some((h) => h.lane === "mid" && h.velocity < 50)).toBe(true);
    const layered = hits.filter((h, i) => i > 0 && h.timeSec === hits[i - 1].timeSec && h.lane !== hits[i - 1].lane);
    expect(layered.length).toBeGreaterThan(0);
  });

  it("converts back to its ground truth: every hit in its lane within 20 ms, nothing extra", () => {
    // Ghost notes (about -22 dB) may go unnoticed or be heard as the hat they sit on, as
    // they would in any recording; every other hit must be found in its own lane.
    const isGhost = (hit: DrumHit) => hit.lane === "mid" && hit.velocity < 50;
    const { wav } = decodedAudio(loop.fileName);
    const onsets = analyzeGroove(makeClip(RATE, [wav.samples]), loop.bpm).onsets;
    const near = (timeSec: number, other: number) => Math.abs(timeSec - other) <= 0.02;
    for (const lane of ["low", "mid", "high"] as const) {
      const found = onsets.filter((o) => o.voices.includes(lane)).map((o) => o.time);
      const truth = hits.filter((h) => h.lane === lane);
      const missed = truth.filter((h) => !isGhost(h) && !found.some((t) => near(t, h.timeSec)));
      const extra = found.filter((t) => !truth.some((h) => near(t, h.timeSec)));
      expect({ lane, missed, extra }).toEqual({ lane, missed: [], extra: [] });
    }
  });

  it("is exactly its ground truth played through its kit's one-shot files", () => {
    const { wav } = decodedAudio(loop.fileName);
    const kitFile = (voice: (typeof VOICES)[number]) => decodedAudio(KIT_FILE_NAMES[loop.kit][voice]).wav.samples;
    const kit = { kick: kitFile("kick"), snare: kitFile("snare"), hat: kitFile("hat") };
    const worstError = (truth: DrumHit[]) => {
      const mix = renderPattern(truth, kit, loop.frames, RATE, { wrapTails: true });
      const gain = LOOP_PEAK / peakOf(mix);
      let worst = 0;
      mix.forEach((x, i) => (worst = Math.max(worst, Math.abs(x * gain - wav.samples[i]))));
      return worst;
    };
    expect(worstError(hits)).toBeLessThan(0.002);
    // A one-millisecond shift of the truth is already far off: the check has teeth.
    expect(worstError(hits.map((h) => ({ ...h, timeSec: h.timeSec + 0.001 })))).toBeGreaterThan(0.05);
  });
});

describe("demoLoopGroundTruth", () => {
  it("knows nothing of other names", () => {
    expect(demoLoopGroundTruth("Demo Loop 95")).toBeUndefined();
    expect(demoLoopGroundTruth("")).toBeUndefined();
  });

  it("swings the shuffle: its off-beat hats sit near two thirds of the beat", () => {
    const loop = DEMO_LOOPS.find((l) => l.name === "Demo Shuffle 82")!;
    const beatSec = 60 / loop.bpm;
    const offbeats = demoLoopGroundTruth(loop.name)!
      .filter((h) => h.lane === "high")
      .map((h) => (h.timeSec / beatSec) % 1)
      .filter((phase) => phase > 0.4 && phase < 0.9);
    expect(offbeats.length).toBeGreaterThan(8);
    const mean = offbeats.reduce((a, b) => a + b, 0) / offbeats.length;
    expect(mean).toBeGreaterThan(0.6);
    expect(mean).toBeLessThan(0.7);
  });
});

describe("scripts/build-media.sh", () => {
  it("checks every generated file when deciding whether to skip", () => {
    const script = readFileSync(new URL("../../scripts/build-media.sh", import.meta.url), "utf8");
    for (const file of files) expect(script).toContain(`resources/${file.fileName}`);
    for (const loop of DEMO_LOOPS) expect(script).toContain(`build/media-truth/${loop.fileName.replace(".wav", ".json")}`);
  });
});
