import { describe, expect, it } from "vitest";
import { exportFileName } from "./fileName";
import { exportTargetFor } from "./exportTargets";

describe("exportFileName", () => {
  it.each([
    ["DAW capture 3 · auto-loop 4 bars", "bfd", "daw-capture-3-auto-loop-4-bars-groove-bfd.mid"],
    ["DAW capture 3 · auto-loop 4 bars", "gm", "daw-capture-3-auto-loop-4-bars-groove.mid"],
    ["DAW capture 3 · auto-loop 4 bars", "agr", "daw-capture-3-auto-loop-4-bars-groove.agr"],
    ["DAW capture 3 · auto-loop 4 bars", "template", "daw-capture-3-auto-loop-4-bars-groove-template.mid"],
    ["!!! ··· ???", "gm", "-groove.mid"],
    ["", "gm", "groove-groove.mid"],
    [undefined, "ad2", "groove-groove-ad2.mid"],
    ["My Loop.wav", "wav-loop", "my-loop-loop.wav"],
    ["My Loop.wav", "wav-midi", "my-loop-midi-kit.wav"],
    ["My Loop.wav", "wav-both", "my-loop-loop-plus-midi.wav"],
    ["take.final.aiff", "gm", "take-final-groove.mid"],
    ["--Funk__Beat--  (v2)", "gm", "funk__beat-v2-groove.mid"],
    ["Demo Loop 94", "ssd", "demo-loop-94-groove-ssd.mid"],
  ])("%s with %s → %s", (name, mapId, fileName) => {
    expect(exportFileName(name, mapId)).toBe(fileName);
  });
});

describe("exportTargetFor", () => {
  it.each([
    ["gm", "audio/midi", "mid"],
    ["toontrack", "audio/midi", "mid"],
    ["agr", "application/xml", "agr"],
    ["wav-loop", "audio/wav", "wav"],
    ["wav-midi", "audio/wav", "wav"],
    ["wav-both", "audio/wav", "wav"],
  ])("%s is %s .%s", (mapId, mimeType, extension) => {
    expect(exportTargetFor(mapId)).toMatchObject({ mimeType, extension });
  });
});
