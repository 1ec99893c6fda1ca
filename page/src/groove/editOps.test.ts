import { describe, expect, it } from "vitest";
import { defaultEditState } from "./editState";
import {
  addNote,
  cycleVoice,
  moveNote,
  nudgeTiming,
  removeNote,
  removeVoices,
  resetEdits,
  setVelocity,
  toggleStepMute,
} from "./editOps";
import { applyNoteEdits } from "./noteEdits";
import { testAnalysis } from "./testing/analysis";
import type { GrooveEditState, GrooveHit } from "./types";

const analysis = testAnalysis([
  { time: 0, voices: ["low", "high"], velocity: 110 },
  { time: 0.5, voices: ["mid"], velocity: 100 },
  { time: 0.752, voices: ["high"], velocity: 60 },
]);
const base = defaultEditState();
const shown = (edits: GrooveEditState, srcIdx: number): GrooveHit | undefined =>
  applyNoteEdits(analysis, edits).onsets.find((h) => h.srcIdx === srcIdx);
const added = (edits: GrooveEditState, id: number) => applyNoteEdits(analysis, edits).onsets.find((h) => h.addedId === id)!;

describe("cycleVoice", () => {
  it("pins a snare hit to kick first, then snare, hat, and back to its detected lanes", () => {
    let edits = base;
    const lanes: string[][] = [];
    for (let i = 0; i < 4; i++) {
      edits = cycleVoice(edits, shown(edits, 1)!);
      lanes.push(shown(edits, 1)!.voices);
    }
    expect(lanes).toEqual([["low"], ["mid"], ["high"], ["mid"]]);
    expect(edits.overrides).toEqual({});
  });

  it("cycles an added note's lane low → mid → high → low", () => {
    let { edits } = addNote(base, analysis, 1, 1.0, "low");
    const bands = [1, 2, 3].map(() => {
      edits = cycleVoice(edits, added(edits, 1));
      return added(edits, 1).band;
    });
    expect(bands).toEqual(["mid", "high", "low"]);
  });

  it("keeps a hit whose pinned lane was deleted from it before", () => {
    let edits = removeVoices(base, shown(base, 0)!, ["high"]);
    for (let i = 0; i < 3; i++) edits = cycleVoice(edits, shown(edits, 0)!);
    expect(shown(edits, 0)?.voices).toEqual(["high"]);
  });
});

describe("removeVoices and removeNote", () => {
  it("removes the hat, then the kick deletes the whole hit", () => {
    const once = removeVoices(base, shown(base, 0)!, ["high"]);
    expect(shown(once, 0)?.voices).toEqual(["low"]);
    expect(once.removedVoices).toEqual({ 0: ["high"] });
    const twice = removeVoices(once, shown(once, 0)!, ["low"]);
    expect(twice.removedNotes).toEqual({ 0: true });
    expect(shown(twice, 0)).toBeUndefined();
  });

  it("joins lane lists without duplicates, in order of first appearance", () => {
    const three = testAnalysis([{ time: 0, voices: ["low", "mid", "high"] }]);
    const hit = applyNoteEdits(three, base).onsets[0];
    const edits = removeVoices(removeVoices(base, hit, ["high"]), { ...hit, voices: ["low", "mid"] }, ["mid", "high"]);
    expect(edits.removedVoices).toEqual({ 0: ["high", "mid"] });
  });

  it("removes added notes from the list and ignores hits without a valid index", () => {
    const { edits } = addNote(base, analysis, 1, 0.3, "mid");
    expect(removeVoices(edits, added(edits, 1), ["mid"]).addedNotes).toEqual([]);
    for (const srcIdx of [-1, 1.5, NaN]) {
      const hit = { srcIdx, gridIndex: 0, voices: ["low" as const] };
      expect(removeNote(base, hit)).toBe(base);
      expect(removeVoices(base, hit, ["low"])).toBe(base);
    }
  });
});

describe("moveNote and nudgeTiming", () => {
  it("keeps a moved hit's offset from its step across a grid change", () => {
    const sixteenths = testAnalysis([{ time: 0, voices: ["low"] }, { time: 0.5, voices: ["mid"] }]);
    const moved = moveNote(base, sixteenths, applyNoteEdits(sixteenths, base).onsets[1], 0.53);
    expect(moved.timeOverrides[1]).toBeCloseTo(30, 9);
    // Same hits on a triplet grid with another phase: 30 ms after the hit's own step there.
    const triplets = testAnalysis([{ time: 0.01, voices: ["low"] }, { time: 0.51, voices: ["mid"] }], { gridDiv: 3, gridPhase: 0.01 });
    const hit = applyNoteEdits(triplets, moved).onsets[1];
    expect(hit.gridIndex).toBe(3);
    expect(hit.devMs).toBeCloseTo(30, 9);
    expect(hit.time).toBeCloseTo(0.54, 12);
  });

  it("pins the lane when a move gives one, and does nothing to detected hits without an analysis", () => {
    const edits = moveNote(base, analysis, shown(base, 2)!, 0.9, "low");
    expect(shown(edits, 2)).toMatchObject({ voices: ["low"], gridIndex: 7 });
    expect(moveNote(base, undefined, shown(base, 2)!, 0.9)).toBe(base);
  });

  it("moves added notes directly, never before the clip's start", () => {
    let { edits } = addNote(base, undefined, 5, 0.3, "mid");
    edits = moveNote(edits, undefined, added(edits, 5), -1, "high");
    expect(edits.addedNotes).toEqual([{ id: 5, timeSec: 0, band: "high", velocity: 100 }]);
  });

  it("sets the deviation from the step the hit is shown on", () => {
    const edits = nudgeTiming(base, analysis, shown(base, 2)!, -20);
    expect(shown(edits, 2)?.devMs).toBeCloseTo(-20, 9);
    expect(shown(edits, 2)?.gridIndex).toBe(6);
  });
});

describe("setVelocity", () => {
  it.each([
    [64, 64],
    [0, 1],
    [500, 127],
    [99.5, 100],
  ])("%d becomes %d", (v, stored) => {
    expect(setVelocity(base, shown(base, 1)!, v).velOverrides).toEqual({ 1: stored });
  });

  it("ignores non-numbers and sets an added note's own velocity", () => {
    expect(setVelocity(base, shown(base, 1)!, NaN)).toBe(base);
    const { edits } = addNote(base, analysis, 1, 0.3, "mid");
    expect(setVelocity(edits, added(edits, 1), 20).addedNotes[0].velocity).toBe(20);
  });
});

describe("addNote and step mutes", () => {
  it("unmutes the step a new note lands on", () => {
    const muted = toggleStepMute(toggleStepMute(base, 6), 2);
    expect(muted.muteSteps).toEqual({ 2: true, 6: true });
    // 0.74 s is nearest step 6 (0.75 s).
    const result = addNote(muted, analysis, 3, 0.74, "high");
    expect(result.edits.muteSteps).toEqual({ 2: true });
    expect(result.edits.addedNotes).toEqual([{ id: 3, timeSec: 0.74, band: "high", velocity: 100 }]);
    expect(result.nextAddedId).toBe(4);
  });

  it("folds a note in a later bar onto its bar step", () => {
    const muted = toggleStepMute(base, 6);
    expect(addNote(muted, analysis, 1, 2.75, "low").edits.muteSteps).toEqual({});
  });

  it("toggles only steps of the folded bar", () => {
    expect(toggleStepMute(toggleStepMute(base, 4), 4).muteSteps).toEqual({});
    for (const step of [-1, 16, 2.5, NaN]) expect(toggleStepMute(base, step)).toBe(base);
    expect(toggleStepMute({ ...base, gridDiv: 8 }, 31).muteSteps).toEqual({ 31: true });
  });
});

describe("resetEdits", () => {
  it("clears corrections, gains and layered but keeps sensitivity, grid, tempo, feel and map", () => {
    const edited: GrooveEditState = {
      ...base,
      sensitivity: 0.9, gridDiv: 8, bpmOverride: 100, feelTiming: 20, feelDynamics: 30, mapId: "bfd",
      gains: { kick: 2, snare: 0, hat: 1 }, layered: false,
      overrides: { 1: "low" }, velOverrides: { 1: 3 }, timeOverrides: { 1: 4 }, muteSteps: { 3: true },
      addedNotes: [{ id: 1, timeSec: 0, band: "low", velocity: 100 }], removedNotes: { 2: true }, removedVoices: { 0: ["low"] },
    };
    expect(resetEdits(edited)).toEqual({
      ...defaultEditState("bfd"), sensitivity: 0.9, gridDiv: 8, bpmOverride: 100, feelTiming: 20, feelDynamics: 30,
    });
  });
});
