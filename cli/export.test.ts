import { mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { afterAll, beforeAll, describe, expect, it } from "vitest";
import { makeClip } from "../page/src/audio/clip";
import { renderHits, rockBeat } from "../page/src/analysis/testSignals";
import { findDrumMap } from "../page/src/drummaps/drumMaps";
import { analyzeGroove } from "../page/src/grid/analyze";
import { defaultEditState } from "../page/src/groove/editState";
import { deriveGroove } from "../page/src/groove/derive";
import { writeGrooveFile } from "../page/src/writers/grooveFile";
import { writeMidiFile } from "../page/src/writers/midiFile";
import { noteOnsOf, readMidi } from "../page/src/writers/testing/readMidi";
import { nodeIo, runExtract, type ExtractIo } from "./extract";
import { EXPORT_COMMAND } from "./export";
import { encodeWavFile, parseWavFile } from "./wavFile";

let dir: string;
const clip = makeClip(44100, [renderHits(rockBeat(120, 2), 4)]);
beforeAll(() => {
  dir = mkdtempSync(join(tmpdir(), "tindle-export-"));
  writeFileSync(join(dir, "Funk Loop 1.wav"), encodeWavFile(clip, "pcm16"));
  writeFileSync(join(dir, "b.wav"), encodeWavFile(clip, "pcm16"));
  mkdirSync(join(dir, "out"));
});
afterAll(() => rmSync(dir, { recursive: true, force: true }));

function run(argv: string[]) {
  let out = "";
  let err = "";
  const io: ExtractIo = { ...nodeIo, stdout: (t) => void (out += t), stderr: (t) => void (err += t) };
  return { code: runExtract(argv, io, EXPORT_COMMAND), out, err };
}

/** What the page exports for this file dropped in with default edits at 120 BPM. */
function pageExport() {
  const decoded = parseWavFile(encodeWavFile(clip, "pcm16"));
  const analysis = analyzeGroove(decoded, 120, 4, {});
  return deriveGroove(analysis, defaultEditState()).exported;
}

describe("tindle extract -o", () => {
  it("writes the page's MIDI export for default edits", () => {
    const path = join(dir, "loop.mid");
    const r = run(["--bpm", "120", "--map", "bfd", "-o", path, join(dir, "Funk Loop 1.wav")]);
    expect(r.err).toBe("");
    expect(r.code).toBe(0);
    const bytes = new Uint8Array(readFileSync(path));
    expect(bytes).toEqual(writeMidiFile(pageExport(), findDrumMap("bfd")!, "Funk Loop 1.wav"));
    const read = readMidi(bytes);
    expect(read.trackName).toBe("Funk Loop 1.wav");
    expect(noteOnsOf(read).length).toBeGreaterThan(8);
    expect(new Set(read.events.map((e) => e.note))).toEqual(new Set([24, 26, 30]));
    expect(r.out).toContain(`export     ${path} (BFD 3, ${bytes.length} bytes)`);
  });

  it("writes a groove file for agr, chosen by --map or by the .agr extension", () => {
    const path = join(dir, "loop.agr");
    expect(run(["--bpm", "120", "-o", path, join(dir, "Funk Loop 1.wav")]).code).toBe(0);
    const expected = writeGrooveFile(pageExport(), "Funk Loop 1.wav");
    expect(readFileSync(path, "utf8")).toBe(expected);
    const viaMap = join(dir, "groove-by-map");
    expect(run(["--bpm", "120", "--map", "agr", "-o", viaMap, join(dir, "Funk Loop 1.wav")]).code).toBe(0);
    expect(readFileSync(viaMap, "utf8")).toBe(expected);
  });

  it("names files as the page does inside a directory", () => {
    const out = join(dir, "out");
    const r = run(["--bpm", "120", "--map", "template", "-o", out, join(dir, "Funk Loop 1.wav"), join(dir, "b.wav")]);
    expect(r.code).toBe(0);
    expect(readMidi(readFileSync(join(out, "funk-loop-1-groove-template.mid"))).trackName).toBe("Funk Loop 1.wav");
    expect(readMidi(readFileSync(join(out, "b-groove-template.mid"))).trackName).toBe("b.wav");
    run(["--bpm", "120", "-o", out, join(dir, "b.wav")]);
    expect(readMidi(readFileSync(join(out, "b-groove.mid"))).events.some((e) => e.note === 36)).toBe(true);
  });

  it("analyses a tempo outside 20-400 BPM at the bound, as the page does", () => {
    const path = join(dir, "fast.mid");
    const r = run(["--bpm", "900", "-o", path, join(dir, "b.wav")]);
    expect(r.code).toBe(0);
    expect(readMidi(readFileSync(path)).microsecondsPerBeat).toBe(150_000);
    expect(r.out).toContain("analysed at 400 BPM");
  });

  it.each([
    [["--map", "wav-loop", "-o", "x.wav"], /audio exports need a drum kit/],
    [["--map", "casio", "-o", "x.mid"], /--map takes gm, toontrack, bfd/],
    [["--map", "gm"], /--map needs -o/],
    [["--map", "agr", "-o", "x.mid"], /map agr writes a \.agr file/],
    [["--map", "ssd", "-o", "x.agr"], /map ssd writes a \.mid file/],
  ])("refuses %j", (args, message) => {
    const r = run([...args, join(dir, "b.wav")]);
    expect(r.code).toBe(2);
    expect(r.err).toMatch(message);
  });

  it("refuses a single file name for several inputs", () => {
    const r = run(["-o", join(dir, "one.mid"), join(dir, "b.wav"), join(dir, "Funk Loop 1.wav")]);
    expect(r.code).toBe(2);
    expect(r.err).toMatch(/with several inputs give an existing directory/);
  });

  it("lists the export flags in the help", () => {
    const r = run(["--help"]);
    expect(r.out).toMatch(/--map ID/);
    expect(r.out).toMatch(/-o FILE\|DIR/);
  });
});
