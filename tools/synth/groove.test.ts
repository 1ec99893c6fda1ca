import { describe, expect, it } from "vitest";
import { makeRng } from "./rng.ts";
import { STRAIGHT_16THS, performGroove, swung16ths, validateGroove, type Groove } from "./groove.ts";

const RATE = 1000; // one frame per millisecond keeps the arithmetic readable
const bar = { low: "X.......x.......", mid: "....x.......g...", high: "x...x...x...x..." };
const base: Groove = { bpm: 120, stepPositions: [...STRAIGHT_16THS], bars: [bar], jitterMs: 0, laneOffsetMs: {} };

describe("performGroove", () => {
  it("places strokes on their steps with their velocity classes", () => {
    const hits = performGroove(base, RATE, 2000, makeRng(1));
    expect(hits.map((h) => [h.timeSec, h.lane])).toEqual([
      [0, "low"], [0, "high"], [0.5, "mid"], [0.5, "high"], [1, "low"], [1, "high"], [1.5, "mid"], [1.5, "high"],
    ]);
    const ghost = hits.find((h) => h.lane === "mid" && h.timeSec === 1.5)!;
    const accent = hits.find((h) => h.lane === "low" && h.timeSec === 0)!;
    expect(ghost.velocity).toBeLessThan(50);
    expect(accent.velocity).toBeGreaterThan(105);
  });

  it("keeps layered strokes together under jitter, but applies lane feel and nudges", () => {
    const groove: Groove = {
      ...base,
      jitterMs: 8,
      laneOffsetMs: { mid: 12 },
      nudges: [{ bar: 0, step: 8, lane: "low", ms: -20 }],
    };
    const hits = performGroove(groove, RATE, 2000, makeRng(3));
    const at = (lane: string, near: number) => hits.find((h) => h.lane === lane && Math.abs(h.timeSec - near) < 0.06)!;
    expect(at("low", 0).timeSec).toBe(at("high", 0).timeSec);
    expect(at("mid", 0.5).timeSec - at("high", 0.5).timeSec).toBeCloseTo(0.012, 6);
    expect(at("low", 1).timeSec - at("high", 1).timeSec).toBeCloseTo(-0.02, 6);
    expect(hits.some((h) => h.timeSec !== Math.round(h.timeSec * 2) / 2)).toBe(true);
  });

  it("never starts a hit before the loop or at its end", () => {
    const groove: Groove = { ...base, nudges: [{ bar: 0, step: 0, lane: "low", ms: -30 }], laneOffsetMs: { high: 900 } };
    const hits = performGroove(groove, RATE, 2000, makeRng(1));
    expect(Math.min(...hits.map((h) => h.timeSec))).toBe(0);
    expect(Math.max(...hits.map((h) => h.timeSec))).toBe(1.999);
  });

  it("swings the off-16ths", () => {
    expect(swung16ths(0.5)).toEqual([...STRAIGHT_16THS]);
    expect(swung16ths(2 / 3)[1]).toBeCloseTo(1 / 3);
  });
});

describe("validateGroove", () => {
  it("reports bars of the wrong length and unknown strokes", () => {
    expect(validateGroove(base)).toEqual([]);
    expect(validateGroove({ ...base, bars: [{ ...bar, mid: "....x...", high: "x...x...x...x..?" }] })).toEqual([
      "bar 1 mid: 8 steps, expected 16",
      'bar 1 high: unknown stroke "?"',
    ]);
  });
});
