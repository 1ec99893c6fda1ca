import { describe, expect, it, vi } from "vitest";
import { makeClip } from "../audio/clip";
import { defaultEditState } from "./editState";
import { addNote, cycleVoice, toggleStepMute } from "./editOps";
import { createGrooveDeriver, deriveGroove, type AnalyzeGroove } from "./derive";
import { setFeelTiming, setGain, setGridDiv, setLayered, setMapId, setSensitivity, setTypedTempo } from "./settings";
import { grooveStats } from "./stats";
import { applyNoteEdits } from "./noteEdits";
import { testAnalysis } from "./testing/analysis";
import type { GrooveEditState } from "./types";

const clipA = makeClip(100, [new Float32Array(200)]);
const clipB = makeClip(100, [new Float32Array(200)]);

describe("createGrooveDeriver", () => {
  it("re-analyses only when clip, tempo, grid or detect options change", () => {
    const analyze = vi.fn<AnalyzeGroove>((_clip, bpm, gridDiv) =>
      testAnalysis([{ time: 0, voices: ["low"] }, { time: 0.5, voices: ["mid"] }], { bpm, gridDiv }),
    );
    const derive = createGrooveDeriver(analyze);
    let edits = defaultEditState();
    derive(clipA, edits);
    expect(analyze).toHaveBeenCalledTimes(1);
    expect(analyze).toHaveBeenLastCalledWith(clipA, 120, 4, { sensitivity: 0.5, gains: { kick: 1, snare: 1, hat: 1 }, layered: true });

    const keeps: ((e: GrooveEditState) => GrooveEditState)[] = [
      (e) => cycleVoice(e, { srcIdx: 0, gridIndex: 0, voices: ["low"] }),
      (e) => addNote(e, undefined, 1, 0.25, "high").edits,
      (e) => toggleStepMute(e, 8),
      (e) => setFeelTiming(e, 20),
      (e) => setMapId(e, "agr"),
    ];
    for (const change of keeps) derive(clipA, (edits = change(edits)));
    expect(analyze).toHaveBeenCalledTimes(1);

    const reanalyses: ((e: GrooveEditState) => GrooveEditState)[] = [
      (e) => setTypedTempo(e, "90"),
      (e) => setGridDiv(e, 3),
      (e) => setSensitivity(e, 0.6),
      (e) => setGain(e, "hat", 1.5),
      (e) => setLayered(e, false),
    ];
    for (const change of reanalyses) derive(clipA, (edits = change(edits)));
    expect(analyze).toHaveBeenCalledTimes(6);
    expect(analyze).toHaveBeenLastCalledWith(clipA, 90, 3, { sensitivity: 0.6, gains: { kick: 1, snare: 1, hat: 1.5 }, layered: false });
    derive(clipB, edits);
    expect(analyze).toHaveBeenCalledTimes(7);
    expect(derive(undefined, edits)).toBeUndefined();
  });

  it("analyses a typed tempo outside 20-400 BPM at the nearest bound", () => {
    const analyze = vi.fn<AnalyzeGroove>((_clip, bpm) => testAnalysis([], { bpm }));
    const derive = createGrooveDeriver(analyze);
    expect(derive(clipA, setTypedTempo(defaultEditState(), "100000"))?.analysis.bpm).toBe(400);
    expect(derive(clipA, setTypedTempo(defaultEditState(), "3"))?.analysis.bpm).toBe(20);
  });
});

describe("grooveStats", () => {
  it("shows the muted groove's figures", () => {
    const analysis = testAnalysis(
      [{ time: 0.003, voices: ["low"] }, { time: 0.33, voices: ["high"] }, { time: 2.51, voices: ["mid"] }],
      { bpm: 93.6, duration: 3 },
    );
    const stats = grooveStats(applyNoteEdits(analysis, defaultEditState()));
    // Deviations +3, +9.5 and −54.1 ms; one off-beat hit at 0.515 of its beat.
    expect(stats).toEqual([
      { caption: "BPM", value: "94" },
      { caption: "Hits", value: "3" },
      { caption: "Swing", value: "51.5%" },
      { caption: "Push", value: "13.9ms" },
      { caption: "Tightness", value: "±28.6ms" },
      { caption: "Bars", value: "2×16" },
    ]);
  });

  it("reads Drag for late playing and Push for exact playing", () => {
    const late = deriveGroove(testAnalysis([{ time: 0.0104, voices: ["low"] }]), defaultEditState());
    expect(late.stats[3]).toEqual({ caption: "Drag", value: "10.4ms" });
    const onGrid = deriveGroove(testAnalysis([{ time: 0, voices: ["low"] }]), defaultEditState());
    expect(onGrid.stats.slice(2)).toEqual([
      { caption: "Swing", value: "50.0%" },
      { caption: "Push", value: "0.0ms" },
      { caption: "Tightness", value: "±0.0ms" },
      { caption: "Bars", value: "1×16" },
    ]);
  });
});
