import { describe, expect, it } from "vitest";
import { findDrumMap, type DrumMap } from "../drummaps/drumMaps";
import { writeMidiFile } from "./midiFile";
import { noteOnsOf, readMidi, toHex } from "./testing/readMidi";
import { testGroove, testHit } from "./testing/grooves";

const map = (id: string): DrumMap => findDrumMap(id)!;
const gm = map("gm");

/** Writes, then reads back with the independent parser, which must accept the file. */
function writeAndRead(groove: ReturnType<typeof testGroove>, drumMap = gm, name = "test") {
  const bytes = writeMidiFile(groove, drumMap, name);
  return { bytes, read: readMidi(bytes) };
}

describe("writeMidiFile", () => {
  it("writes the 75-byte worked example byte for byte", () => {
    const groove = testGroove([
      testHit(0, ["low"], 100),
      testHit(0.5, ["mid", "high"], 90, { mid: 90, high: 70 }),
    ]);
    const { bytes, read } = writeAndRead(groove);
    expect(toHex(bytes)).toBe(
      "4D 54 68 64 00 00 00 06 00 00 00 01 03 C0 4D 54 72 6B 00 00 00 35 00 FF 03 04 74 65 73 74 " +
        "00 FF 51 03 07 A1 20 00 FF 58 04 04 02 18 08 00 99 24 64 78 89 24 00 86 48 99 26 5A 00 99 2A 46 " +
        "78 89 26 00 00 89 2A 00 95 48 FF 2F 00",
    );
    expect(bytes.length).toBe(75);
    expect(read).toMatchObject({ format: 0, tracks: 1, ticksPerBeat: 960, trackName: "test", microsecondsPerBeat: 500_000, endTick: 3840 });
    expect(read.events.every((e) => e.channel === 9)).toBe(true);
  });

  it("writes 94 BPM as 638,298 µs per quarter (09 BD 5A)", () => {
    const { bytes, read } = writeAndRead(testGroove([], { bpm: 94 }));
    expect(toHex(bytes)).toContain("FF 51 03 09 BD 5A");
    expect(read.microsecondsPerBeat).toBe(638_298);
  });

  it.each([
    ["gm", ["960:36:100", "960:42:60"]],
    ["template", ["960:37:100"]],
    ["bfd", ["960:24:100", "960:30:60"]],
    ["ad2", ["960:36:100", "960:49:60"]],
  ])("maps a layered kick and hat under %s", (id, noteOns) => {
    const groove = testGroove([testHit(0.5, ["low", "high"], 80, { low: 100, high: 60 })]);
    expect(noteOnsOf(writeAndRead(groove, map(id)).read)).toEqual(noteOns);
  });

  it("takes the larger velocity when merged lanes come in either order", () => {
    const groove = testGroove([testHit(0, ["low", "mid", "high"], 80, { low: 40, mid: 110, high: 60 })]);
    expect(noteOnsOf(writeAndRead(groove, map("template")).read)).toEqual(["0:37:110"]);
  });

  it("uses the overall velocity for a lane without its own", () => {
    const groove = testGroove([testHit(0, ["mid"], 77)]);
    expect(noteOnsOf(writeAndRead(groove).read)).toEqual(["0:38:77"]);
  });

  it("puts a note-off after a following note-on of the same note", () => {
    // 60 ticks apart at 120 BPM: 1920 ticks per second.
    const groove = testGroove([testHit(0.25, ["low"], 100), testHit(0.25 + 60 / 1920, ["low"], 90)]);
    const order = writeAndRead(groove).read.events.map((e) => `${e.type}@${e.tick}`);
    expect(order).toEqual(["noteOn@480", "noteOn@540", "noteOff@600", "noteOff@660"]);
  });

  it("writes an earlier note-off before a later note-on on the same tick", () => {
    const groove = testGroove([testHit(0, ["low"]), testHit(120 / 1920, ["low"])]);
    const order = writeAndRead(groove).read.events.map((e) => `${e.type}@${e.tick}`);
    expect(order).toEqual(["noteOn@0", "noteOff@120", "noteOn@120", "noteOff@240"]);
  });

  it("writes a hit before the grid phase at tick 0", () => {
    const groove = testGroove([testHit(0.01, ["low"]), testHit(0.52, ["mid"])], { gridPhase: 0.02 });
    expect(noteOnsOf(writeAndRead(groove).read)).toEqual(["0:36:100", "960:38:100"]);
  });

  it("writes an empty groove as the meta events and the end of track one bar on", () => {
    const { bytes, read } = writeAndRead(testGroove([]), gm, "x");
    expect(toHex(bytes.slice(22))).toBe("00 FF 03 01 78 00 FF 51 03 07 A1 20 00 FF 58 04 04 02 18 08 9E 00 FF 2F 00");
    expect(read.endTick).toBe(3840);
  });

  it("ends on the whole bar that covers a longer clip", () => {
    expect(writeAndRead(testGroove([], { duration: 2.01 })).read.endTick).toBe(7680);
    expect(writeAndRead(testGroove([], { duration: 8 })).read.endTick).toBe(15360);
  });

  it("cuts a note-off at the end tick and leaves out notes from the end on", () => {
    const groove = testGroove([testHit(1.99, ["low"]), testHit(2, ["mid"]), testHit(2.3, ["high"])]);
    const { read } = writeAndRead(groove);
    expect(read.events.map((e) => `${e.type}:${e.note}@${e.tick}`)).toEqual(["noteOn:36@3821", "noteOff:36@3840"]);
    expect(read.endTick).toBe(3840);
  });

  it("keeps the first 60 UTF-16 units of the name, one 7-bit byte per character", () => {
    const long = "n".repeat(70);
    expect(writeAndRead(testGroove([]), gm, long).read.trackName).toBe("n".repeat(60));
    const bytes = writeMidiFile(testGroove([]), gm, "é·🥁");
    // é (E9) → 69, · (B7) → 37, the drum's high surrogate (D83E) → 3E: three characters, three bytes.
    expect(toHex(bytes.slice(22, 29))).toBe("00 FF 03 03 69 37 3E");
  });
});
