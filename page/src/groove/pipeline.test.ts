import { describe, expect, it } from "vitest";
import { defaultEditState, EMPTY_NOTE_EDITS } from "./editState";
import { applyNoteEdits } from "./noteEdits";
import { applyFeel, applyStepMutes, computeGrooveDna } from "./mutesAndFeel";
import { deriveGroove } from "./derive";
import { testAnalysis } from "./testing/analysis";
import type { NoteEdits } from "./types";

// 120 BPM, 16ths: stepSec 0.125.
const analysis = testAnalysis([
  { time: 0.002, voices: ["low", "high"], velocity: 110, vels: { low: 110, high: 70 } },
  { time: 0.26, voices: ["high"], velocity: 60 },
  { time: 0.49, voices: ["mid"], velocity: 100 },
  { time: 0.755, voices: ["high"], velocity: 50 },
]);
const edits = (change: Partial<NoteEdits>): NoteEdits => ({ ...EMPTY_NOTE_EDITS, ...change });

describe("applyNoteEdits", () => {
  it("returns the analysis with source indices when there are no edits", () => {
    const groove = applyNoteEdits(analysis, EMPTY_NOTE_EDITS);
    expect(groove.onsets.map((h) => h.srcIdx)).toEqual([0, 1, 2, 3]);
    expect(groove.onsets[2]).toMatchObject({ ...analysis.onsets[2], srcIdx: 2 });
    expect(groove.meanDevMs).toBe(analysis.meanDevMs);
  });

  it("pins lanes and sets velocities on every remaining voice without touching the statistics", () => {
    const groove = applyNoteEdits(analysis, edits({ overrides: { 1: "low" }, velOverrides: { 0: 33, 1: 44 } }));
    expect(groove.onsets[0]).toMatchObject({ velocity: 33, vels: { low: 33, high: 33 } });
    expect(groove.onsets[1]).toMatchObject({ band: "low", voices: ["low"], velocity: 44, vels: { low: 44 } });
    expect([groove.meanDevMs, groove.tightnessMs, groove.swingPct]).toEqual([analysis.meanDevMs, analysis.tightnessMs, analysis.swingPct]);
  });

  it("places a moved hit from its original step and recomputes the statistics", () => {
    // Hit 2 sits on step 4 (0.5 s); 140 ms later is 15 ms after step 5.
    const groove = applyNoteEdits(analysis, edits({ timeOverrides: { 2: 140 } }));
    const moved = groove.onsets.find((h) => h.srcIdx === 2)!;
    expect(moved.time).toBeCloseTo(0.64, 12);
    expect(moved.gridIndex).toBe(5);
    expect(moved.devMs).toBeCloseTo(15, 9);
    expect(moved.devTicks).toBe(29); // round(0.015 · 2 · 960 = 28.8)
    expect(groove.meanDevMs).not.toBe(analysis.meanDevMs);
  });

  it("removes lanes, keeping the band when it remains and moving it otherwise", () => {
    const groove = applyNoteEdits(analysis, edits({ removedVoices: { 0: ["low"], 1: ["high"] } }));
    expect(groove.onsets[0]).toMatchObject({ srcIdx: 0, band: "high", voices: ["high"] });
    expect(groove.onsets.map((h) => h.srcIdx)).toEqual([0, 2, 3]); // hit 1 lost its only voice
  });

  it("appends added notes with their fields, sorted stably after detected hits", () => {
    const groove = applyNoteEdits(
      analysis,
      edits({
        removedNotes: { 3: true },
        addedNotes: [
          { id: 2, timeSec: 0.49, band: "low", velocity: 127 },
          { id: 1, timeSec: 0.1, band: "high", velocity: 64 },
        ],
      }),
    );
    expect(groove.onsets.map((h) => [h.srcIdx, h.addedId])).toEqual([[0, undefined], [-1, 1], [1, undefined], [2, undefined], [-1, 2]]);
    const added = groove.onsets[1];
    expect(added).toEqual({
      time: 0.1, velocity: 64, amp: 64 / 127, tilt: 0.95, band: "high", voices: ["high"], vels: { high: 64 },
      gridIndex: 1, devMs: expect.closeTo(-25, 9), devTicks: -48, srcIdx: -1, addedId: 1,
    });
    expect("scores" in added || "origin" in added || "bands" in added).toBe(false);
    expect(groove.steps).toBe(analysis.steps);
  });

  it("ignores indices that name no hit", () => {
    const groove = applyNoteEdits(analysis, edits({ overrides: { 17: "mid" }, velOverrides: { 99: 1 } }));
    expect(groove.onsets.map((h) => h.velocity)).toEqual([110, 60, 100, 50]);
  });
});

describe("step mutes and DNA", () => {
  it("mutes step 4 of every bar while the DNA still shows it", () => {
    const hits = [0, 4, 5, 20, 36, 53].map((step) => ({ time: step * 0.125, voices: ["mid" as const], velocity: 60 + step }));
    const a = testAnalysis(hits, { duration: 8 });
    const derived = deriveGroove(a, { ...defaultEditState(), muteSteps: { 4: true } });
    expect(derived.muted.onsets.map((h) => h.gridIndex)).toEqual([0, 5, 53]);
    expect(derived.exported.onsets.map((h) => h.gridIndex)).toEqual([0, 5, 53]);
    expect(derived.dna.slots[4]).toBe(60 + 36);
    expect(derived.dna.counts[4]).toBe(3);
    expect(derived.dna.counts[5]).toBe(2);
  });

  it("folds by gridDiv · 4 steps", () => {
    const a = testAnalysis([{ time: 0, voices: ["low"] }, { time: 2, voices: ["low"] }], { gridDiv: 3, duration: 4 });
    expect(computeGrooveDna(applyNoteEdits(a, EMPTY_NOTE_EDITS), 12).counts).toEqual([2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0]);
    expect(applyStepMutes(applyNoteEdits(a, EMPTY_NOTE_EDITS), { 0: true }, 3).onsets).toHaveLength(0);
  });
});

describe("applyFeel", () => {
  const groove = applyNoteEdits(analysis, EMPTY_NOTE_EDITS);

  it("returns the groove itself at 100 and 100", () => {
    expect(applyFeel(groove, 100, 100)).toBe(groove);
  });

  it("quantises at timing 0 and flattens at dynamics 0", () => {
    const flat = applyFeel(groove, 0, 0);
    const mean = (110 + 60 + 100 + 50) / 4;
    flat.onsets.forEach((hit, i) => {
      expect(hit.time).toBeCloseTo(analysis.gridPhase + analysis.onsets[i].gridIndex * analysis.stepSec, 12);
      expect(hit.devMs + 0).toBe(0);
      expect(hit.devTicks + 0).toBe(0);
      expect(hit.velocity).toBe(Math.floor(mean + 0.5));
      for (const v of Object.values(hit.vels)) expect(v).toBe(Math.floor(mean + 0.5));
    });
    expect(flat.meanDevMs).toBe(0);
    expect(flat.tightnessMs).toBe(0);
    expect(flat.swingPct).toBe(groove.swingPct);
  });

  it("exaggerates at 150, clamping velocities and times", () => {
    const big = applyFeel(groove, 150, 150);
    expect(big.onsets[3].devMs).toBeCloseTo(groove.onsets[3].devMs * 1.5, 12);
    expect(big.onsets.map((h) => h.velocity)).toEqual([125, 50, 110, 35]);
    const early = applyNoteEdits(testAnalysis([{ time: 0, voices: ["low"] }], { gridPhase: 0.01 }), EMPTY_NOTE_EDITS);
    expect(applyFeel(early, 150, 100).onsets[0].time).toBe(0);
  });
});
