import { readFileSync } from "node:fs";
import { describe, expect, it } from "vitest";
import { grooveLengthBeats, grooveNameFor, writeGrooveFile } from "./grooveFile";
import { formatShortestNumber } from "./numberText";
import { testGroove, testHit } from "./testing/grooves";

const golden = (file: string) => readFileSync(new URL(`./testdata/${file}`, import.meta.url), "utf8");
const lengthFields = (xml: string) =>
  [...xml.matchAll(/<(CurrentEnd|LoopEnd|OutMarker|HiddenLoopEnd) Value="([^"]*)" \/>/g)].map((m) => m[2]);

describe("writeGrooveFile", () => {
  it("fills the whole template for a small groove", () => {
    const groove = testGroove(
      [testHit(0, ["low"], 112), testHit(0.321, ["high"], 64), testHit(0.6423, ["low", "mid"], 97), testHit(0.95, ["mid"], 127)],
      { bpm: 94, gridPhase: -0.004, steps: 16 },
    );
    expect(writeGrooveFile(groove, `Kit "A" & B <demo> it's`)).toBe(golden("small-groove.agr"));
  });

  it("leaves line 82 with its tabs only when there are no hits", () => {
    const lines = writeGrooveFile(testGroove([]), "x").split("\n");
    expect(lines).toHaveLength(131);
    expect(lines[81]).toBe("\t".repeat(9));
    expect(lines[130]).toBe("");
    expect(lines[90]).toBe('\t'.repeat(7) + '<NextId Value="1" />');
  });

  it("gives 8 beats in all four length fields for a 2-bar groove", () => {
    expect(lengthFields(writeGrooveFile(testGroove([], { steps: 32 }), "x"))).toEqual(["8", "8", "8", "8"]);
  });

  it.each([
    [16, 4, 4],
    [32, 4, 8],
    [24, 3, 8],
    [64, 8, 8],
    [8, 2, 4],
    [1, 4, 4],
  ])("length of %i steps at gridDiv %i is %i beats", (steps, gridDiv, beats) => {
    expect(grooveLengthBeats(steps, gridDiv)).toBe(beats);
  });

  it("keeps a layered hit as one event on key 36 with its overall velocity", () => {
    const xml = writeGrooveFile(testGroove([testHit(0.5, ["low", "high"], 90, { low: 127, high: 10 })]), "x");
    expect(xml.match(/<MidiNoteEvent /g)).toHaveLength(1);
    expect(xml).toContain('Time="1" Duration="0.0625" Velocity="90"');
    expect(xml).toContain('<MidiKey Value="36" />');
  });

  it("writes an early hit at time 0 and a tiny offset in exponent form", () => {
    const groove = testGroove([testHit(0, ["low"]), testHit(0.0100003, ["low"])], { gridPhase: 0.01, bpm: 50 });
    const times = [...writeGrooveFile(groove, "x").matchAll(/<MidiNoteEvent Time="([^"]*)"/g)].map((m) => m[1]);
    expect(times[0]).toBe("0");
    expect(times[1]).toMatch(/^2\.\d+e-7$/);
    expect(times).toHaveLength(2);
  });
});

describe("groove name", () => {
  it.each([
    ["Loop", "Loop Groove"],
    ["a&b", "a&amp;b Groove"],
    [`<"it's">`, "&lt;&quot;it's&quot;&gt; Groove"],
    ["&amp;", "&amp;amp; Groove"],
    ["$& $1 [LENGTH]", "$&amp; $1 [LENGTH] Groove"],
  ])("escapes %s", (name, expected) => {
    expect(grooveNameFor(name)).toBe(expected);
  });

  it("cuts a 70-character name to its first 64 characters, losing the suffix", () => {
    const name = "abcdefghij".repeat(7);
    expect(grooveNameFor(name)).toBe(name.slice(0, 64));
    expect(grooveNameFor("x".repeat(60))).toBe("x".repeat(60) + " Gro");
  });

  it("cuts before escaping", () => {
    expect(grooveNameFor("&".repeat(70))).toBe("&amp;".repeat(64));
  });

  it("keeps a name with $ patterns and placeholders literally in the document", () => {
    const xml = writeGrooveFile(testGroove([]), "$& [LENGTH] [NOTES]");
    expect(xml).toContain('<Name Value="$&amp; [LENGTH] [NOTES] Groove" />');
    expect(lengthFields(xml)).toEqual(["4", "4", "4", "4"]);
  });
});

describe("formatShortestNumber", () => {
  it.each([
    [4, "4"],
    [8, "8"],
    [0, "0"],
    [-0, "0"],
    [0.5, "0.5"],
    [1.35, "1.35"],
    [0.1 + 0.2, "0.30000000000000004"],
    [2.5e-7, "2.5e-7"],
    [0.000001, "0.000001"],
    [1e-7, "1e-7"],
    [123456789, "123456789"],
  ])("%d → %s", (value, text) => {
    expect(formatShortestNumber(value)).toBe(text);
  });
});
