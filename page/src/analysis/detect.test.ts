import { describe, expect, it } from "vitest";
import { makeClip } from "../audio/clip";
import { classifyHit, detectOnsets, detectorSettings, loopReferences, type LoopReferences, type RawHit } from "./detect";
import { renderHits, rockBeat, seededRandom, type SynthHit } from "./testSignals";
import type { BandEnergies } from "./types";

const SR = 44100;
const mono = (x: Float32Array, sampleRate = SR) => makeClip(sampleRate, [x]);
const beatClip = () => mono(renderHits(rockBeat(120, 2), 4));

describe("detectOnsets edge cases", () => {
  it("finds nothing in silence and returns an all-zero flux", () => {
    const clip = makeClip(SR, [new Float32Array(SR), new Float32Array(SR)]);
    const r = detectOnsets(clip);
    expect(r.onsets).toEqual([]);
    expect(r.flux).toHaveLength(171);
    expect(r.flux.every((v) => v === 0)).toBe(true);
    expect(r.fluxHopSec).toBeCloseTo(256 / SR, 15);
  });

  it("gives a single flux value and no hits for fewer than 768 samples", () => {
    const rnd = seededRandom(3);
    const x = Float32Array.from({ length: 767 }, () => rnd() * 2 - 1);
    const r = detectOnsets(mono(x));
    expect(r.onsets).toEqual([]);
    expect(r.flux).toEqual([1]);
  });

  it("counts two kicks 30 ms apart as one hit", () => {
    const hits: SynthHit[] = [
      { timeSec: 0.5, lane: "low", gain: 1 },
      { timeSec: 0.53, lane: "low", gain: 1 },
      { timeSec: 1.5, lane: "low", gain: 1 },
    ];
    const r = detectOnsets(mono(renderHits(hits, 2.5)));
    expect(r.onsets.filter((o) => o.time > 0.4 && o.time < 0.7)).toHaveLength(1);
  });

  it("places every hit on the 256-sample frame grid, in time order", () => {
    for (const sampleRate of [44100, 48000]) {
      const r = detectOnsets(mono(renderHits(rockBeat(120, 2), 4, sampleRate), sampleRate));
      expect(r.onsets.length).toBeGreaterThan(10);
      for (const o of r.onsets) {
        const frames = (o.time * sampleRate) / 256;
        expect(Math.abs(frames - Math.round(frames))).toBeLessThan(1e-9);
      }
      const times = r.onsets.map((o) => o.time);
      expect(times).toEqual([...times].sort((a, b) => a - b));
    }
  });

  it("never keeps a detector hit within 40 ms of a wide hit, nor a hat hit that close to a kick hit", () => {
    const r = detectOnsets(beatClip(), { sensitivity: 1 });
    for (const o of r.onsets) {
      if (o.origin === "wide") continue;
      const blockers = r.onsets.filter((p) => p !== o && (p.origin === "wide" || (o.origin === "hat" && p.origin === "kick")));
      for (const p of blockers) expect(Math.abs(p.time - o.time)).toBeGreaterThanOrEqual(0.04);
    }
  });
});

describe("velocities", () => {
  it("gives the loudest hit 127 and one at half its amplitude 84", () => {
    // Kicks on frame boundaries so that both peak windows see the same waveform.
    const t = (frame: number) => (frame * 256) / SR;
    const hits: SynthHit[] = [
      { timeSec: t(100), lane: "low", gain: 1 },
      { timeSec: t(300), lane: "low", gain: 0.5 },
    ];
    const r = detectOnsets(mono(renderHits(hits, 2.5)));
    expect(r.onsets.map((o) => o.velocity)).toEqual([127, 84]);
  });

  it("gives each struck lane a velocity and no other", () => {
    for (const o of detectOnsets(beatClip()).onsets) {
      expect(Object.keys(o.vels).sort()).toEqual([...o.voices].sort());
      for (const v of Object.values(o.vels)) expect(v).toBeGreaterThanOrEqual(1);
    }
  });
});

describe("detector settings", () => {
  it.each([
    [0, 0.28],
    [0.5, 0.16],
    [1, 0.04],
    [-3, 0.28],
    [7, 0.04],
  ])("sensitivity %d gives threshold base %d", (sensitivity, base) => {
    expect(detectorSettings(SR, sensitivity).thresholdBase).toBeCloseTo(base, 12);
  });
  it.each([
    [44100, 31, 8],
    [48000, 34, 8],
  ])("at %d Hz the local mean spans ±%d frames and hits are %d frames apart", (rate, a, s) => {
    expect(detectorSettings(rate, 0.5)).toMatchObject({ meanHalfWidth: a, minSpacing: s });
  });
  it("treats a sensitivity or gain that is not a number as its default", () => {
    expect(detectorSettings(SR, Number.NaN).thresholdBase).toBeCloseTo(0.16, 12);
    const clip = beatClip();
    expect(detectOnsets(clip, { sensitivity: Number.NaN, gains: { hat: Number.NaN } })).toEqual(detectOnsets(clip));
  });
  it("finds more quiet hits at sensitivity 1 than at 0", () => {
    const hits = rockBeat(120, 2).map((h, i) => (i % 3 === 0 ? { ...h, gain: h.gain * 0.15 } : h));
    const clip = mono(renderHits(hits, 4));
    expect(detectOnsets(clip, { sensitivity: 1 }).onsets.length).toBeGreaterThan(
      detectOnsets(clip, { sensitivity: 0 }).onsets.length,
    );
  });
});

describe("lanes", () => {
  const bands = (sub: number, body: number, crack: number, air: number): BandEnergies => ({ sub, body, crack, air });
  const raw = (b: BandEnergies, origin: RawHit["origin"] = "wide"): RawHit => ({ time: 1, amp: 0.5, tilt: 0.5, bands: b, origin });
  const refs = (ref: BandEnergies, extra: Partial<LoopReferences> = {}): LoopReferences => ({
    ref,
    refMax: Math.max(ref.sub, ref.body, ref.crack, ref.air),
    hatCount: 0,
    hatMedian: 0,
    hatMult: 1,
    ...extra,
  });
  const unit = { kick: 1, snare: 1, hat: 1 };

  it("layered: kick above 0.35, snare at most 0.4 and hat above 0.3 strike low and high", () => {
    // kick 1, snare = max(√(0.1·0.4), 0.6·0.4) = 0.24, hat 0.5
    const o = classifyHit(raw(bands(10, 1, 4, 5)), refs(bands(10, 10, 10, 10)), unit, true);
    expect(o.scores.kick).toBe(1);
    expect(o.scores.snare).toBeCloseTo(0.24, 12);
    expect(o.scores.hat).toBe(0.5);
    expect(o.band).toBe("low");
    expect(o.voices).toEqual(["low", "high"]);
    expect(o.vels).toEqual({ low: 127, high: 84 });
  });

  it("single mode gives one voice, and a kick-detector hit that is not low loses its voice", () => {
    const r = refs(bands(10, 10, 10, 10));
    expect(classifyHit(raw(bands(10, 1, 4, 5)), r, unit, false).voices).toEqual(["low"]);
    const snareLike = classifyHit(raw(bands(2, 9, 9, 1), "kick"), r, unit, false);
    expect(snareLike.band).toBe("low");
    expect(snareLike.voices).toEqual([]);
    const kickLike = classifyHit(raw(bands(9, 2, 2, 1), "kick"), r, unit, false);
    expect(kickLike.voices).toEqual(["low"]);
  });

  it("hat gain 2 halves the air-share threshold", () => {
    // air share 0.03: absent at gain 1 (< 0.04), present at gain 2 (≥ 0.02)
    const hit = raw(bands(50, 20, 27, 3));
    const r = refs(bands(50, 50, 50, 10));
    expect(classifyHit(hit, r, unit, true).scores.hat).toBe(0);
    expect(classifyHit(hit, r, { ...unit, hat: 2 }, true).scores.hat).toBeCloseTo(0.3, 12);
  });

  it("hat-detector statistics cap the air reference and multiply the absence floor", () => {
    const hits = [0.1, 0.2, 0.3, 0.4].map((air, i) => ({ ...raw(bands(1, 1, 1, air), i < 2 ? "hat" : "wide") }));
    const r = loopReferences(hits);
    expect(r.hatCount).toBe(2);
    expect(r.hatMedian).toBe(0.1);
    expect(r.hatMult).toBe(8);
    expect(r.ref.air).toBeCloseTo(0.14, 12);
    expect(r.refMax).toBe(1);
  });

  it("references are the 95th percentile of all recorded hits", () => {
    const hits = Array.from({ length: 21 }, (_, i) => raw(bands(i, 2 * i, 0, 0)));
    const r = loopReferences(hits);
    expect(r.ref).toEqual({ sub: 19, body: 38, crack: 0, air: 0 });
    expect(loopReferences([]).ref).toEqual({ sub: 0, body: 0, crack: 0, air: 0 });
    expect(loopReferences([]).refMax).toBe(1e-9);
  });

  it("with layered false every detected hit has exactly one voice, its band", () => {
    for (const o of detectOnsets(beatClip(), { layered: false }).onsets) expect(o.voices).toEqual([o.band]);
  });

  it("sorts a clean kick/snare/hat pattern into the right lanes", () => {
    const truth = rockBeat(120, 2);
    const found = detectOnsets(beatClip()).onsets;
    for (const lane of ["low", "mid"] as const) {
      for (const h of truth.filter((t) => t.lane === lane)) {
        const near = found.find((o) => Math.abs(o.time - h.timeSec) < 0.02);
        expect(near?.voices, `${lane} at ${h.timeSec}`).toContain(lane);
      }
    }
    const hatOnly = truth.filter((t) => t.lane === "high" && !truth.some((u) => u !== t && u.timeSec === t.timeSec));
    for (const h of hatOnly) {
      const near = found.find((o) => Math.abs(o.time - h.timeSec) < 0.02);
      expect(near?.voices, `hat at ${h.timeSec}`).toEqual(["high"]);
    }
  });

  it("kick gain 0 means no hit has low as its primary unless all its weighted scores are 0", () => {
    for (const o of detectOnsets(beatClip(), { gains: { kick: 0 } }).onsets) {
      if (o.origin === "kick") continue;
      if (o.band === "low") expect(o.scores.snare === 0 && o.scores.hat === 0).toBe(true);
    }
  });
});
