import { describe, expect, it } from "vitest";
import { defaultEditState, editStateToJson } from "./editState";
import { parseRestoreText } from "./parseEdits";
import type { GrooveEditState } from "./types";

describe("uiState JSON", () => {
  it("writes the defaults exactly", () => {
    expect(editStateToJson(defaultEditState())).toBe(
      '{"sensitivity":0.5,"gridDiv":4,"gains":{"kick":1,"snare":1,"hat":1},"layered":true,"mapId":"gm",' +
        '"bpmOverride":null,"feelTiming":100,"feelDynamics":100,"overrides":{},"velOverrides":{},' +
        '"timeOverrides":{},"muteSteps":{},"addedNotes":[],"removedNotes":{},"removedVoices":{}}',
    );
    expect(editStateToJson(defaultEditState("bfd"))).toContain('"mapId":"bfd"');
  });

  it("writes numeric keys ascending, whatever order they were set in", () => {
    const overrides: Record<number, "low" | "mid"> = {};
    const state: GrooveEditState = {
      ...defaultEditState(),
      sensitivity: 0.1 + 0.2,
      gains: { kick: 1.35, snare: 0, hat: 2 },
      bpmOverride: 94.5,
      overrides: Object.assign(overrides, { 10: "mid", 2: "low", 1: "mid" }),
      timeOverrides: { 300: -12.5, 7: 2.5e-7 },
      removedVoices: { 12: ["high", "low"], 3: ["mid"] },
      addedNotes: [{ velocity: 90, band: "high", timeSec: 1.25, id: 2 } as GrooveEditState["addedNotes"][number]],
    };
    const json = editStateToJson(state);
    expect(json).toContain('"sensitivity":0.30000000000000004');
    expect(json).toContain('"gains":{"kick":1.35,"snare":0,"hat":2}');
    expect(json).toContain('"overrides":{"1":"mid","2":"low","10":"mid"}');
    expect(json).toContain('"timeOverrides":{"7":2.5e-7,"300":-12.5}');
    expect(json).toContain('"addedNotes":[{"id":2,"timeSec":1.25,"band":"high","velocity":90}]');
    expect(json).toContain('"removedVoices":{"3":["mid"],"12":["high","low"]}');
  });

  it("survives a round trip through restore", () => {
    const state: GrooveEditState = {
      sensitivity: 0.8,
      gridDiv: 8,
      gains: { kick: 0.5, snare: 1.5, hat: 2 },
      layered: false,
      mapId: "ad2",
      bpmOverride: 97.3,
      feelTiming: 40,
      feelDynamics: 150,
      overrides: { 0: "high" },
      velOverrides: { 4: 12 },
      timeOverrides: { 5: -8.25 },
      muteSteps: { 31: true },
      addedNotes: [{ id: 3, timeSec: 0.75, band: "mid", velocity: 100 }],
      removedNotes: { 9: true },
      removedVoices: { 2: ["low"] },
    };
    expect(editStateToJson(state)).not.toBe(editStateToJson(defaultEditState()));
    const record = parseRestoreText(editStateToJson(state), 7, defaultEditState())!;
    const { id, noteEdits, bpmOverride, muteSteps } = record.pending;
    expect(id).toBe(7);
    const restored = { ...record.settings, ...noteEdits, bpmOverride, muteSteps };
    expect(editStateToJson(restored)).toBe(editStateToJson(state));
  });
});
