import { describe, expect, it } from "vitest";
import { makeClip } from "../audio/clip";
import { renderHits, rockBeat } from "../analysis/testSignals";
import type { Onset } from "../analysis/types";
import { analyzeGroove } from "./analyze";
import { anchorPhase, deviationStats, fitGrid, grooveSteps, placeOnGrid, searchGridPhase, swingPercent } from "./gridFit";

const hit = (time: number, velocity = 100): Onset => ({
  time,
  velocity,
  amp: 0.5,
  tilt: 0.5,
  band: "low",
  voices: ["low"],
  vels: { low: velocity },
  scores: { kick: 1, snare: 0, hat: 0 },
  origin: "wide",
  bands: { sub: 1, body: 0, crack: 0, air: 0 },
});

describe("placing hits on a 120 BPM sixteenth grid", () => {
  const step = 60 / 120 / 4;
  it("step 8 plus 10 ms: gridIndex 8, devMs 10, devTicks 19", () => {
    const p = placeOnGrid(8 * step + 0.01, 0, step, 120);
    expect(p.gridIndex).toBe(8);
    expect(p.devMs).toBeCloseTo(10, 9);
    expect(p.devTicks).toBe(19);
  });
  it("a hit exactly halfway between steps 7 and 8 goes to step 8, half a step early", () => {
    const p = placeOnGrid(7.5 * step, 0, step, 120);
    expect(p.gridIndex).toBe(8);
    expect(p.devMs).toBeCloseTo(-62.5, 9);
    expect(p.devTicks).toBe(-120);
  });
  it("never gives a step below 0", () => {
    expect(placeOnGrid(-0.1, 0, step, 120).gridIndex).toBe(0);
  });
  it.each([
    [15, 16],
    [16, 32],
    [0, 16],
  ])("a last hit at step %d makes %d steps", (last, steps) => expect(grooveSteps(last, 4)).toBe(steps));
  it("whole bars of triplet steps", () => expect(grooveSteps(12, 3)).toBe(24));

  it("fits a whole groove: phase from the hits, stats from the deviations", () => {
    const times = [0, 0.25, 0.5, 0.75, 1.0 + 0.01, 1.25, 1.5, 1.75];
    // The late hit is quiet, so the on-grid hits decide the phase.
    const fit = fitGrid(times.map((t, i) => hit(t, i === 4 ? 1 : 127)), 120, 4);
    expect(fit.gridPhase).toBe(0);
    expect(fit.stepSec).toBe(0.125);
    expect(fit.onsets[4]).toMatchObject({ gridIndex: 8, devTicks: 19 });
    expect(fit.steps).toBe(16);
    expect(fit.meanDevMs).toBeCloseTo(10 / 8, 9);
    expect(fit.tightnessMs).toBeCloseTo(Math.sqrt((7 * (10 / 8) ** 2 + (10 - 10 / 8) ** 2) / 8), 9);
  });
});

describe("grid phase", () => {
  it("finds the offset of hits laid late by a quarter step, anchored at the first hit", () => {
    const step = 0.125;
    const hits = [1, 2, 3, 5, 8].map((k) => hit(k * step + step / 4));
    expect(searchGridPhase(hits, step)).toBeCloseTo(step / 4, 12);
    expect(fitGrid(hits, 120, 4).gridPhase).toBeCloseTo(step + step / 4, 12);
    expect(fitGrid(hits, 120, 4).onsets.map((o) => o.gridIndex)).toEqual([0, 1, 2, 4, 7]);
  });
  it("uses phase 0 and a bar of steps with no hits", () => {
    const fit = fitGrid([], 120, 4);
    expect(fit).toMatchObject({ gridPhase: 0, steps: 16, swingPct: 50, meanDevMs: 0, tightnessMs: 0 });
  });
  it("weights the cost by velocity", () => {
    // Two clusters 1/4 step apart: the phase lands near the louder one.
    const step = 0.125;
    const hits = [hit(0, 20), hit(step * 2 + step / 4, 127), hit(step * 4 + step / 4, 127)];
    const phase = searchGridPhase(hits, step);
    expect(phase).toBeGreaterThan(step / 5);
    expect(phase).toBeLessThan(step / 4);
    expect(anchorPhase(step / 4, 0, step)).toBeCloseTo(step / 4, 12);
  });
});

describe("swing", () => {
  const beat = 0.5;
  it.each([
    ["straight eighths", [0, 0.5, 1, 1.5], 50],
    ["triplet swing", [0, 2 / 3, 1, 1 + 2 / 3], 66.667],
    ["no off-beats", [0, 1, 2], 50],
    ["0.3 and 0.7 of the beat are not collected", [0.3, 0.7, 1.5], 50],
  ])("%s", (_name, beats, pct) => {
    expect(swingPercent(beats.map((b) => b * beat), 0, 120)).toBeCloseTo(pct as number, 2);
  });
  it("measures a swung synthetic beat", () => {
    const clip = makeClip(44100, [renderHits(rockBeat(100, 2, 2 / 3), 4.8)]);
    expect(analyzeGroove(clip, 100, 3).swingPct).toBeGreaterThan(62);
  });
});

describe("deviation statistics", () => {
  it("mean and population standard deviation", () => {
    expect(deviationStats([2, 4, 4, 4, 5, 5, 7, 9])).toEqual({ meanDevMs: 5, tightnessMs: 2 });
  });
});

describe("analyzeGroove", () => {
  it("returns the grid, the flux and a 720-bin waveform", () => {
    const clip = makeClip(44100, [renderHits(rockBeat(120, 2), 4)]);
    const g = analyzeGroove(clip, 120, 4);
    expect(g).toMatchObject({ bpm: 120, gridDiv: 4, stepSec: 0.125, steps: 32, duration: 4 });
    expect(g.peaksHi).toHaveLength(720);
    expect(g.tone).toHaveLength(720);
    expect(Math.abs(g.gridPhase)).toBeLessThan(g.stepSec / 2);
    expect(g.onsets.every((o) => Math.abs(o.devMs) < 12)).toBe(true);
  });
  it("handles a silent clip", () => {
    const g = analyzeGroove(makeClip(44100, [new Float32Array(44100)]), 120, 8);
    expect(g).toMatchObject({ onsets: [], gridPhase: 0, steps: 32, swingPct: 50, meanDevMs: 0, tightnessMs: 0 });
  });
});
