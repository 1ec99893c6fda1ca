import { describe, expect, it, vi } from "vitest";
import { makeClip, type AudioClip } from "../audio/clip";
import { MAX_FEEL_PERCENT, MAX_VOICE_GAIN, defaultEditState, editStateToJson } from "./editState";
import { parseRestoreText } from "./parseEdits";
import { loadSource, type LoadServices, type ModelStore } from "./loadSource";
import {
  addNoteAt,
  applyTrim,
  decodeErrorText,
  initialModel,
  isTrimBarsOffered,
  moveTrimIn,
  moveTrimOut,
  openTrim,
  receiveRestore,
  selectTrimBars,
  selectTrimFull,
  updateEdits,
  type GrooveModel,
} from "./model";
import { setGain, setSensitivity } from "./settings";
import { cycleVoice } from "./editOps";

const clip = (seconds = 2, rate = 100): AudioClip => makeClip(rate, [new Float32Array(Math.round(seconds * rate))]);

function store(model = initialModel()): ModelStore & { model: GrooveModel } {
  const s = { model, get: () => s.model, set: (m: GrooveModel) => void (s.model = m) };
  return s;
}

function deferred<T>() {
  let resolve!: (value: T) => void;
  let reject!: (error: unknown) => void;
  const promise = new Promise<T>((res, rej) => ((resolve = res), (reject = rej)));
  return { promise, resolve, reject };
}

const services = (over: Partial<LoadServices> = {}): LoadServices => ({
  decodeAudio: async () => clip(),
  estimateTempo: () => undefined,
  ...over,
});

const pin0 = (m: GrooveModel) => updateEdits(m, (e) => cycleVoice(e, { srcIdx: 0, gridIndex: 0, voices: ["mid"] }));

describe("load", () => {
  it("takes the given tempo, else the estimate, else none", async () => {
    const s = store();
    await loadSource(s, { name: "a", data: clip(), tempo: 94 }, services({ estimateTempo: () => 101 }));
    expect([s.model.edits.bpmOverride, s.model.source.estimated]).toEqual([94, false]);
    await loadSource(s, { name: "b", data: new Uint8Array(4) }, services({ estimateTempo: () => 101 }));
    expect([s.model.edits.bpmOverride, s.model.source.estimated]).toEqual([101, true]);
    await loadSource(s, { name: "c", data: new Uint8Array(4), tempo: 0 }, services());
    expect([s.model.edits.bpmOverride, s.model.source.estimated, s.model.source.sourceName]).toEqual([null, false, "c"]);
  });

  it("drops a decode that finishes after a newer load started", async () => {
    const s = store();
    const slow = deferred<AudioClip>();
    const fast = clip(3);
    const onSourceAudio = vi.fn();
    const first = loadSource(s, { name: "old", data: new Uint8Array(1) }, services({ decodeAudio: () => slow.promise, onSourceAudio }));
    expect(s.model.source.busy).toBe(true);
    await loadSource(s, { name: "new", data: fast, tempo: 120 }, services({ onSourceAudio }));
    slow.resolve(clip(9));
    await first;
    expect(s.model.source.sourceClip).toBe(fast);
    expect(s.model.source.rawClip).toBe(fast);
    expect(s.model.source.busy).toBe(false);
    expect(onSourceAudio).toHaveBeenCalledTimes(1);
    expect(onSourceAudio).toHaveBeenCalledWith("new", 120, fast);
  });

  it("shows the decode error of the current load only", async () => {
    const s = store();
    const logError = vi.fn();
    const stale = deferred<AudioClip>();
    const staleLoad = loadSource(s, { name: "x", data: new Uint8Array(1) }, services({ decodeAudio: () => stale.promise, logError }));
    await loadSource(s, { name: "bad.txt", data: new Uint8Array(1) }, services({ decodeAudio: async () => Promise.reject(new Error("no")), logError }));
    expect(s.model.source.error).toBe(decodeErrorText("bad.txt"));
    expect(s.model.source.error).toBe('Couldn\'t decode "bad.txt" — is it an audio file?');
    expect(s.model.source.sourceClip).toBeUndefined();
    expect(s.model.source.busy).toBe(false);
    await loadSource(s, { name: "good", data: clip() }, services());
    stale.reject(new Error("late"));
    await staleLoad;
    expect(s.model.source.error).toBeUndefined();
    expect(logError).toHaveBeenCalledTimes(2);
  });

  it("empties note edits and mutes for a new clip and restarts added-note ids", async () => {
    const s = store();
    await loadSource(s, { name: "a", data: clip() }, services());
    s.model = addNoteAt(pin0(s.model), undefined, 0.5, "low");
    expect(s.model.nextAddedId).toBe(2);
    await loadSource(s, { name: "b", data: clip() }, services());
    expect([s.model.edits.overrides, s.model.edits.addedNotes, s.model.nextAddedId]).toEqual([{}, [], 1]);
  });
});

describe("restore", () => {
  const record = {
    id: 500000,
    sensitivity: 0.7,
    gridDiv: 8,
    mapId: "ad2",
    bpmOverride: 97,
    feelDynamics: 40,
    overrides: { 2: "high" },
    addedNotes: [{ id: 4, timeSec: 1, band: "mid", velocity: 90 }, { id: 9, timeSec: 1.5, band: "low", velocity: 80 }],
    muteSteps: { 30: true },
  };

  it("applies settings at once and the edits with the load of the same id", async () => {
    const s = store();
    s.model = { ...s.model, edits: { ...s.model.edits, feelTiming: 30 } };
    s.model = receiveRestore(s.model, record);
    expect(s.model.edits).toMatchObject({ sensitivity: 0.7, gridDiv: 8, mapId: "ad2", feelTiming: 100, feelDynamics: 40, overrides: {} });
    await loadSource(s, { name: "other", data: clip(), loadId: -1 }, services());
    expect(s.model.edits.overrides).toEqual({});
    expect(s.model.pendingRestore?.id).toBe(500000);
    await loadSource(s, { name: "saved", data: clip(), tempo: 120, loadId: 500000 }, services());
    expect(s.model.edits).toMatchObject({ overrides: { 2: "high" }, muteSteps: { 30: true }, bpmOverride: 97 });
    expect(s.model.edits.addedNotes).toHaveLength(2);
    expect(s.model.nextAddedId).toBe(10);
    expect(s.model.pendingRestore).toBeUndefined();
  });

  it("acts once per id", async () => {
    const s = store();
    s.model = receiveRestore(s.model, record);
    await loadSource(s, { name: "saved", data: clip(), loadId: 500000 }, services());
    s.model = updateEdits(s.model, (e) => setGain(e, "kick", 0.2));
    const again = receiveRestore(s.model, { ...record, mapId: "bfd" });
    expect(again).toBe(s.model);
  });

  it("keeps the tempo of the load when the record has none", async () => {
    const s = store();
    s.model = receiveRestore(s.model, { ...record, bpmOverride: null, id: -11 });
    await loadSource(s, { name: "starter", data: clip(), tempo: 88, loadId: -11 }, services());
    expect(s.model.edits.bpmOverride).toBe(88);
    expect(s.model.edits.overrides).toEqual({ 2: "high" });
  });

  it("lands at once when the clip of that load is already in place", async () => {
    const s = store();
    await loadSource(s, { name: "starter", data: clip(), tempo: 88, loadId: -21 }, services());
    s.model = receiveRestore(s.model, { ...record, id: -21 });
    expect(s.model.edits.overrides).toEqual({ 2: "high" });
  });

  it("starts added-note ids at 1 after restoring none", async () => {
    const s = store();
    s.model = receiveRestore(s.model, { id: 3, addedNotes: "nope" });
    await loadSource(s, { name: "x", data: clip(), loadId: 3 }, services());
    expect(s.model.nextAddedId).toBe(1);
  });

  it.each([
    ["not an object", "hello"],
    ["no id", { sensitivity: 0.1 }],
    ["a text id", { id: "5", sensitivity: 0.1 }],
    ["null", null],
    ["an array", [1, 2]],
  ])("ignores a record that is %s", (_what, doc) => {
    const model = initialModel();
    expect(receiveRestore(model, doc)).toBe(model);
  });

  it("takes what is valid from a hostile record and never throws", async () => {
    const hostile = {
      id: 7,
      sensitivity: "high",
      gridDiv: 5,
      gains: { kick: 9, snare: "x", hat: -3 },
      layered: 1,
      mapId: "evil",
      bpmOverride: -5,
      feelTiming: "100",
      feelDynamics: 1e308,
      overrides: { 0: "mid", "-1": "low", "1.5": "low", "01": "high", 2: "kick", 3: null, __proto__: { 4: "high" }, 99999999999: "low" },
      velOverrides: { 0: 64, 1: 0, 2: 128, 3: 1.5, 4: "100", 5: 1e400 },
      timeOverrides: { 0: 12.5, 1: "3", 2: 1e300, 3: -40, 4: NaN },
      muteSteps: { 3: true, 4: 1, 16: true, 2: "true" },
      addedNotes: [
        { id: 1, timeSec: 0.5, band: "low", velocity: 90 },
        { id: 1, timeSec: 0.6, band: "low", velocity: 90 },
        { id: 0, timeSec: 0.5, band: "low" },
        { id: 2, timeSec: -1, band: "low" },
        { id: 3, timeSec: 0.5, band: "kick" },
        { id: 4, timeSec: 0.5, band: "mid" },
        { id: 5.5, timeSec: 0.5, band: "mid" },
        { id: 6, timeSec: 1e300, band: "mid" },
        null,
        "note",
      ],
      removedNotes: { 0: true, 1: false, 2: "yes" },
      removedVoices: { 0: ["low", "low", "bass", 3], 1: [], 2: "high", 3: ["high"] },
    };
    const s = store();
    s.model = receiveRestore(s.model, JSON.parse(JSON.stringify(hostile)));
    await loadSource(s, { name: "x", data: clip(), loadId: 7 }, services());
    expect(JSON.parse(editStateToJson(s.model.edits))).toEqual({
      sensitivity: 0.5,
      gridDiv: 4,
      gains: { kick: 2, snare: 1, hat: 0 },
      layered: true,
      mapId: "gm",
      bpmOverride: null,
      feelTiming: 100,
      feelDynamics: 150,
      overrides: { 0: "mid" },
      velOverrides: { 0: 64 },
      timeOverrides: { 0: 12.5, 3: -40 },
      muteSteps: { 3: true },
      addedNotes: [{ id: 1, timeSec: 0.5, band: "low", velocity: 90 }, { id: 4, timeSec: 0.5, band: "mid", velocity: 100 }],
      removedNotes: { 0: true },
      removedVoices: { 0: ["low"], 3: ["high"] },
    });
    expect(s.model.nextAddedId).toBe(5);
  });

  it("survives random documents", () => {
    const values = [null, true, 0, -1, 1.5, 1e308, "", "x", [], {}, [1, "a"], { 0: 1 }, { a: { b: [] } }];
    const fields = ["sensitivity", "gridDiv", "gains", "layered", "mapId", "bpmOverride", "feelTiming", "feelDynamics",
      "overrides", "velOverrides", "timeOverrides", "muteSteps", "addedNotes", "removedNotes", "removedVoices"];
    let seed = 1;
    const random = () => ((seed = (seed * 16807) % 2147483647) / 2147483647);
    for (let round = 0; round < 300; round++) {
      const doc: Record<string, unknown> = { id: round };
      for (const field of fields) if (random() < 0.7) doc[field] = values[Math.floor(random() * values.length)];
      const { edits } = receiveRestore(initialModel(), doc);
      expect(edits.sensitivity).toBeGreaterThanOrEqual(0);
      expect(edits.sensitivity).toBeLessThanOrEqual(1);
      for (const gain of Object.values(edits.gains)) expect(gain >= 0 && gain <= MAX_VOICE_GAIN, `gain ${gain}`).toBe(true);
      for (const feel of [edits.feelTiming, edits.feelDynamics]) {
        expect(feel >= 0 && feel <= MAX_FEEL_PERCENT, `feel ${feel}`).toBe(true);
      }
      // What was taken reads back unchanged.
      const json = editStateToJson(edits);
      const again = parseRestoreText(json, round, defaultEditState())!;
      expect(editStateToJson({ ...again.settings, bpmOverride: edits.bpmOverride })).toBe(json);
    }
  });
});

describe("trim", () => {
  async function loaded() {
    const s = store();
    await loadSource(s, { name: "a", data: clip(4), tempo: 120 }, services());
    return s;
  }
  const fakeCut = (c: AudioClip, a: number, b: number) => makeClip(c.sampleRate, [c.channels[0].slice(Math.round(a * c.sampleRate), Math.round(b * c.sampleRate))]);

  it("cuts from the raw clip, empties edits, and can be redone from the full audio", async () => {
    const s = await loaded();
    const raw = s.model.source.rawClip!;
    s.model = pin0(openTrim(s.model));
    s.model = applyTrim(s.model, 1, 3, fakeCut);
    expect(s.model.source.sourceClip?.length).toBe(200);
    expect(s.model.source.rawClip).toBe(raw);
    expect(s.model.source.trim).toBeUndefined();
    expect(s.model.edits.overrides).toEqual({});
    s.model = applyTrim(s.model, 0.0005, 3.9995, fakeCut);
    expect(s.model.source.sourceClip).toBe(raw);
  });

  it("does nothing for a selection under 50 ms or without a clip", async () => {
    const s = await loaded();
    const pinned = pin0(s.model);
    expect(applyTrim(pinned, 1, 1.04, fakeCut)).toBe(pinned);
    const empty = initialModel();
    expect(applyTrim(empty, 0, 1, fakeCut)).toBe(empty);
  });

  it("keeps the edits when the trim leaves the clip as it was", async () => {
    const s = await loaded();
    const pinned = pin0(openTrim(s.model));
    const next = applyTrim(pinned, 0, 4, fakeCut);
    expect(next.edits).toBe(pinned.edits);
    expect(next.source.trim).toBeUndefined();
  });

  it("keeps the selection at least 50 ms wide and inside the clip", async () => {
    let m = openTrim((await loaded()).model);
    expect(m.source.trim).toEqual({ inSec: 0, outSec: 4 });
    m = moveTrimOut(m, 1);
    m = moveTrimIn(m, 2);
    expect(m.source.trim).toEqual({ inSec: 0.95, outSec: 1 });
    m = moveTrimIn(m, -3);
    m = moveTrimOut(m, 0.01);
    expect(m.source.trim).toEqual({ inSec: 0, outSec: 0.05 });
    m = moveTrimOut(m, 99);
    expect(m.source.trim).toEqual({ inSec: 0, outSec: 4 });
  });

  it("offers bar buttons while they fit with 20 ms to spare", async () => {
    let m = moveTrimIn(openTrim((await loaded()).model), 1.99);
    // 120 BPM: a bar is 2 s.
    expect([1, 2, 4, 8].map((n) => isTrimBarsOffered(m, n, 120))).toEqual([true, false, false, false]);
    m = selectTrimBars(m, 1, 120);
    expect(m.source.trim).toEqual({ inSec: 1.99, outSec: 3.99 });
    m = moveTrimIn(m, 2.01);
    expect(isTrimBarsOffered(m, 1, 120)).toBe(true);
    m = selectTrimBars(m, 1, 120);
    expect(m.source.trim?.outSec).toBe(4);
    expect(selectTrimBars(m, 2, 120)).toBe(m);
    expect(selectTrimFull(m).source.trim).toEqual({ inSec: 0, outSec: 4 });
  });
});

describe("survival through the model", () => {
  it("gains keep pins, sensitivity drops them", () => {
    const pinned = pin0(initialModel());
    expect(updateEdits(pinned, (e) => setGain(e, "snare", 0.3)).edits.overrides).toEqual({ 0: "low" });
    expect(updateEdits(pinned, (e) => setSensitivity(e, 0.9)).edits.overrides).toEqual({});
  });

  it("starts with the stored map when it is valid", () => {
    expect(initialModel("toontrack").edits.mapId).toBe("toontrack");
    expect(initialModel("wav-loop").edits.mapId).toBe("wav-loop");
    expect(initialModel("junk").edits.mapId).toBe("gm");
  });
});
