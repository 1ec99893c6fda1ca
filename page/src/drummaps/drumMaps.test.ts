import { describe, expect, it } from "vitest";
import {
  AUDIO_EXPORTS,
  DRUM_MAPS,
  findDrumMap,
  isExportMapId,
  isSingleNoteMap,
  laneMapFor,
  storedMapId,
} from "./drumMaps";

describe("drum map table", () => {
  it("lists the eight maps in selector order with their notes", () => {
    expect(DRUM_MAPS.map((m) => [m.id, m.notes.low, m.notes.mid, m.notes.high])).toEqual([
      ["gm", 36, 38, 42],
      ["toontrack", 36, 38, 42],
      ["bfd", 24, 26, 30],
      ["ssd", 36, 38, 42],
      ["ad2", 36, 38, 49],
      ["grooveagent", 36, 38, 42],
      ["template", 37, 37, 37],
      ["agr", 36, 36, 36],
    ]);
  });

  it("carries labels, lane names and hints", () => {
    expect(findDrumMap("gm")).toMatchObject({
      label: "General MIDI",
      laneNames: { low: "KICK", mid: "SNARE", high: "HAT" },
      hint: "GM channel 10 · kick 36 / snare 38 / closed hat 42 · unquantized",
    });
    expect(findDrumMap("template")?.laneNames).toEqual({ low: "STICK", mid: "STICK", high: "STICK" });
    expect(findDrumMap("agr")).toMatchObject({
      label: "Ableton groove file (.agr)",
      laneNames: { low: "GROOVE", mid: "GROOVE", high: "GROOVE" },
      hint: ".agr for Live's Groove Pool · timing + velocity, unquantized · drop it on any clip",
    });
    expect(findDrumMap("ad2")?.hint).toBe(
      "channel 10 · AD2 keymap · kick 36 / snare open hit 38 / closed hat tip 49 (42 would be AD2's sidestick)",
    );
  });

  it("marks the maps whose lanes share one note", () => {
    expect(DRUM_MAPS.filter(isSingleNoteMap).map((m) => m.id)).toEqual(["template", "agr"]);
  });
});

describe("map ids", () => {
  it("finds maps by id only", () => {
    expect(findDrumMap("bfd")?.label).toBe("BFD 3");
    expect(findDrumMap("wav-loop")).toBeUndefined();
    expect(findDrumMap("GM")).toBeUndefined();
  });

  it("offers the three audio exports after the maps", () => {
    expect(AUDIO_EXPORTS.map((e) => e.id)).toEqual(["wav-loop", "wav-midi", "wav-both"]);
  });

  it.each([
    ["bfd", "bfd"],
    ["wav-both", "wav-both"],
    ["nope", "gm"],
    ["", "gm"],
    [null, "gm"],
    [42, "gm"],
    ["__proto__", "gm"],
  ])("a stored %j selects %s", (stored, id) => {
    expect(storedMapId(stored)).toBe(id);
  });

  it("uses the gm lanes for audio exports", () => {
    expect(laneMapFor("wav-midi").id).toBe("gm");
    expect(laneMapFor("ssd").id).toBe("ssd");
    expect(isExportMapId("wav-midi")).toBe(true);
    expect(isExportMapId("constructor")).toBe(false);
  });
});
