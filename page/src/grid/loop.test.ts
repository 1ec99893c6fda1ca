import { describe, expect, it } from "vitest";
import { makeClip } from "../audio/clip";
import { renderHits, rockBeat, seededRandom } from "../analysis/testSignals";
import { chooseLoop, findLoop, scoreLoopCandidates, windowCorrelation, windowMatch } from "./loop";
import type { LoopCandidate } from "./types";

// One bar = 1 s = 128 frames at a hop of 1/128 s, so frame counts are exact.
const HOP = 1 / 128;
const BAR = 1;

/** A smoothed flux that repeats every bar. */
function periodicFlux(bars: number, seed = 5): Float64Array {
  const rnd = seededRandom(seed);
  const pattern = Array.from({ length: 128 }, () => rnd());
  return Float64Array.from({ length: bars * 128 }, (_, i) => pattern[i % 128]);
}

function scramble(sm: Float64Array, from: number, to: number, seed = 9): void {
  const rnd = seededRandom(seed);
  for (let i = from; i < to; i++) sm[i] = rnd();
}

describe("correlation windows", () => {
  it("is 1 for a repeat, 0 for a flat window, and tolerates ±3 frames of drift", () => {
    const sm = periodicFlux(3);
    expect(windowCorrelation(sm, 0, 128, 128)).toBeCloseTo(1, 12);
    expect(windowCorrelation(new Float64Array(300).fill(0.3), 0, 100, 100)).toBe(0);
    const drifted = Float64Array.from({ length: 384 }, (_, i) => (i < 128 ? sm[i] : sm[Math.max(0, i - 2)]));
    expect(windowMatch(drifted, 0, 128, 120)).toBeCloseTo(1, 12);
  });
  it("is −1 when no shift fits inside the flux", () => {
    expect(windowMatch(periodicFlux(2), 0, 200, 100)).toBe(-1);
  });
});

describe("loop candidates", () => {
  it("6-bar take: no 8-bar loop fits; a 4-bar loop half a bar in compares its first 1.5 bars with the 1.5 bars after it", () => {
    const sm = periodicFlux(6);
    const score = () => scoreLoopCandidates(sm, HOP, 6, [0.5], BAR, [8, 4]);
    expect(score()).toEqual([{ startSec: 0.5, endSec: 4.5, bars: 4, score: expect.closeTo(1, 9) }]);
    scramble(sm, 64 + 192, 576); // inside the loop, past its first 1.5 bars
    expect(score()[0].score).toBeCloseTo(1, 9);
    scramble(sm, 576 + 10, 576 + 100); // inside the 1.5 bars after the loop
    expect(score()[0].score).toBeLessThan(0.8);
  });

  it("2-bar take: a 2-bar loop compares bar with bar and half with half; a 1-bar loop compares the two bars", () => {
    const sm = periodicFlux(2);
    const two = scoreLoopCandidates(sm, HOP, 2, [0], BAR, [2]);
    expect(two).toHaveLength(1);
    expect(two[0].score).toBe(Math.max(windowMatch(sm, 0, 128, 128), windowMatch(sm, 0, 128, 128)));
    expect(two[0].score).toBeCloseTo(1, 9);
    const one = scoreLoopCandidates(sm, HOP, 2, [0], BAR, [1]);
    expect(one).toEqual([{ startSec: 0, endSec: 1, bars: 1, score: windowMatch(sm, 0, 128, 128) }]);
  });

  it("1-bar take: nothing for a 1-bar request", () => {
    expect(scoreLoopCandidates(periodicFlux(1), HOP, 1, [0], BAR, [1])).toEqual([]);
  });

  it("lets a loop run past the end by at most 8 % of a bar", () => {
    const sm = periodicFlux(4);
    expect(scoreLoopCandidates(sm, HOP, 4, [0.07], BAR, [4])).toHaveLength(1);
    expect(scoreLoopCandidates(sm, HOP, 4, [0.09], BAR, [4])).toHaveLength(0);
  });

  it("skips bar counts shorter than 4 frames or bars shorter than 2 frames", () => {
    expect(scoreLoopCandidates(periodicFlux(4), HOP, 4, [0], 1.5 * HOP, [2])).toEqual([]);
  });
});

describe("choosing a loop", () => {
  const c = (bars: number, score: number, startSec = 0): LoopCandidate => ({ startSec, endSec: startSec + bars, bars, score });
  it.each([
    ["prefers 8 bars within 0.07 of the best", [c(8, 0.9), c(4, 0.95), c(2, 0.96)], c(8, 0.9)],
    ["takes 4 bars when 8 bars trails by more", [c(8, 0.8), c(4, 0.95), c(2, 0.96)], c(4, 0.95)],
    ["earliest start wins a tie", [c(4, 0.9, 1), c(4, 0.9, 3)], c(4, 0.9, 1)],
    ["a preferred count must still beat 0.35", [c(8, 0.33), c(4, 0.38)], c(4, 0.38)],
    ["nothing at or below 0.35", [c(8, 0.35), c(4, 0.2)], undefined],
    ["nothing without candidates", [], undefined],
  ])("%s", (_name, candidates, want) => {
    expect(chooseLoop(candidates, [8, 4, 2])).toEqual(want);
  });
});

describe("findLoop", () => {
  it("finds a 4-bar loop in a 6-bar take of a steady beat", () => {
    const clip = makeClip(44100, [renderHits(rockBeat(120, 6), 12)]);
    const loop = findLoop(clip, 120);
    expect(loop?.bars).toBe(4);
    expect(loop!.score).toBeGreaterThan(0.9);
    expect(loop!.endSec - loop!.startSec).toBeCloseTo(8, 9);
  });
  it("finds nothing in silence", () => {
    expect(findLoop(makeClip(44100, [new Float32Array(44100 * 10)]), 120)).toBeUndefined();
  });
});
