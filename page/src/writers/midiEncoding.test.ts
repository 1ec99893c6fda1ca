import { describe, expect, it } from "vitest";
import { encodeTrackEvents, encodeVariableLength, tempoBytes, writeChunk } from "./midiEncoding";

describe("encodeVariableLength", () => {
  it.each([
    [0, [0x00]],
    [0x40, [0x40]],
    [0x7f, [0x7f]],
    [0x80, [0x81, 0x00]],
    [840, [0x86, 0x48]],
    [0x2000, [0xc0, 0x00]],
    [0x3fff, [0xff, 0x7f]],
    [0x4000, [0x81, 0x80, 0x00]],
    [0x0fffffff, [0xff, 0xff, 0xff, 0x7f]],
  ])("%i", (value, bytes) => {
    expect(encodeVariableLength(value)).toEqual(bytes);
  });
});

describe("track and chunk encoders", () => {
  it("writes deltas between absolute ticks", () => {
    const track = encodeTrackEvents([
      { tick: 0, bytes: [0x99, 36, 100] },
      { tick: 120, bytes: [0x89, 36, 0] },
      { tick: 120, bytes: [0x99, 38, 90] },
    ]);
    expect(track).toEqual([0x00, 0x99, 36, 100, 0x78, 0x89, 36, 0, 0x00, 0x99, 38, 90]);
  });

  it("writes a chunk id, big-endian length and body", () => {
    expect(writeChunk("MTrk", [1, 2, 3])).toEqual([0x4d, 0x54, 0x72, 0x6b, 0, 0, 0, 3, 1, 2, 3]);
  });

  it("keeps the tempo within its three bytes", () => {
    expect(tempoBytes(500_000)).toEqual([0xff, 0x51, 0x03, 0x07, 0xa1, 0x20]);
    expect(tempoBytes(1e12).slice(3)).toEqual([0xff, 0xff, 0xff]);
  });
});
