import { describe, expect, it } from "vitest";
import { defaultEditState } from "./editState";
import { cycleVoice, toggleStepMute } from "./editOps";
import {
  setFeelDynamics,
  setFeelTiming,
  setGain,
  setGridDiv,
  setLayered,
  setMapId,
  setSensitivity,
  setTypedTempo,
} from "./settings";
import { analysisTempo, isTempoClamped } from "./tempo";
import type { GrooveEditState } from "./types";

const hit = { srcIdx: 0, gridIndex: 0, voices: ["mid" as const] };
const edited: GrooveEditState = {
  ...toggleStepMute(cycleVoice(defaultEditState(), hit), 3),
  addedNotes: [{ id: 1, timeSec: 0.2, band: "mid", velocity: 100 }],
};

describe("which edits survive a setting change", () => {
  it.each([
    ["gains", (e: GrooveEditState) => setGain(e, "kick", 1.7)],
    ["layered", (e: GrooveEditState) => setLayered(e, false)],
    ["map", (e: GrooveEditState) => setMapId(e, "bfd")],
    ["feel timing", (e: GrooveEditState) => setFeelTiming(e, 40)],
    ["feel dynamics", (e: GrooveEditState) => setFeelDynamics(e, 140)],
    ["tempo", (e: GrooveEditState) => setTypedTempo(e, "101")],
  ])("%s keeps pins, added notes and mutes", (_name, change) => {
    const next = change(edited);
    expect(next).not.toEqual(edited);
    expect([next.overrides, next.addedNotes, next.muteSteps]).toEqual([{ 0: "low" }, edited.addedNotes, { 3: true }]);
  });

  it("sensitivity drops note edits and mutes", () => {
    const next = setSensitivity(edited, 0.7);
    expect([next.sensitivity, next.overrides, next.addedNotes, next.muteSteps]).toEqual([0.7, {}, [], {}]);
    expect(setSensitivity(edited, 0.5)).toBe(edited);
  });

  it("grid division drops mutes only", () => {
    const next = setGridDiv(edited, 3);
    expect([next.gridDiv, next.overrides, next.muteSteps]).toEqual([3, { 0: "low" }, {}]);
    expect(setGridDiv(edited, 5)).toBe(edited);
    expect(setGridDiv(edited, 4)).toBe(edited);
  });

  it("clamps ranges and refuses unknown choices", () => {
    expect(setSensitivity(edited, 7).sensitivity).toBe(1);
    expect(setGain(edited, "hat", -1).gains.hat).toBe(0);
    expect(setFeelTiming(edited, 1e9).feelTiming).toBe(150);
    expect(setFeelDynamics(edited, NaN)).toBe(edited);
    expect(setMapId(edited, "nope")).toBe(edited);
    expect(setMapId(edited, "wav-both").mapId).toBe("wav-both");
  });
});

describe("typed tempo", () => {
  it.each([
    ["94", 94],
    [" 128.5 ", 128.5],
    ["", null],
    ["0", null],
    ["-90", null],
    ["abc", null],
    ["12abc", null],
    ["Infinity", null],
    ["1e400", null],
    ["1000", 1000],
  ])("%j sets %s", (text, bpm) => {
    expect(setTypedTempo(edited, text).bpmOverride).toBe(bpm);
  });

  it.each([
    [null, 120, false],
    [94, 94, false],
    [10, 20, true],
    [1000, 400, true],
    [1e300, 400, true],
  ])("%s is analysed at %s BPM", (bpm, used, clamped) => {
    expect(analysisTempo(bpm)).toBe(used);
    expect(isTempoClamped(bpm)).toBe(clamped);
  });
});
