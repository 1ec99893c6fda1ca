import { mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { afterAll, beforeAll, describe, expect, it } from "vitest";
import { makeClip } from "../page/src/audio/clip";
import { renderHits, rockBeat } from "../page/src/analysis/testSignals";
import { EXTRACT_COMMAND, nodeIo, runExtract, type ExtractIo } from "./extract";
import { defaultExtractOptions, EXTRACT_OPTIONS, parseArgs } from "./options";
import { encodeWavFile } from "./wavFile";

let dir: string;
beforeAll(() => {
  dir = mkdtempSync(join(tmpdir(), "tindle-extract-"));
  writeFileSync(join(dir, "a.wav"), encodeWavFile(makeClip(44100, [renderHits(rockBeat(120, 2), 4)]), "pcm16"));
  const b = renderHits(rockBeat(96, 1), 2.5, 48000);
  writeFileSync(join(dir, "b.wav"), encodeWavFile(makeClip(48000, [b, b]), "float32"));
  writeFileSync(join(dir, "bad.wav"), "RIFF....WAVEjunk");
  mkdirSync(join(dir, "csv"));
});
afterAll(() => rmSync(dir, { recursive: true, force: true }));

function run(argv: string[]) {
  let out = "";
  let err = "";
  const io: ExtractIo = { ...nodeIo, stdout: (t) => void (out += t), stderr: (t) => void (err += t) };
  const code = runExtract(argv, io, EXTRACT_COMMAND);
  return { code, out, err };
}

describe("tindle extract", () => {
  it("continues past a bad file, reports it in one stderr line and exits non-zero", () => {
    const r = run([join(dir, "a.wav"), join(dir, "bad.wav"), join(dir, "missing.wav"), join(dir, "b.wav")]);
    expect(r.code).toBe(1);
    expect(r.out).toContain(`== ${join(dir, "a.wav")}`);
    expect(r.out).toContain(`== ${join(dir, "b.wav")}`);
    const errLines = r.err.trim().split("\n");
    expect(errLines).toEqual([
      expect.stringMatching(/bad\.wav: truncated or damaged file: no "fmt " chunk$/),
      expect.stringMatching(/missing\.wav: no such file$/),
      "tindle extract: 2 of 4 files failed",
    ]);
  });

  it("prints tempo, swing, pocket, tightness, bars and hits", () => {
    const r = run(["--bpm", "120", join(dir, "a.wav")]);
    expect(r.code).toBe(0);
    expect(r.err).toBe("");
    expect(r.out).toMatch(/^tempo {6}120 BPM \(given\)$/m);
    expect(r.out).toMatch(/^grid {7}16th · 2 bars × 16 steps$/m);
    expect(r.out).toMatch(/^swing {6}\d+\.\d%$/m);
    expect(r.out).toMatch(/^pocket {5}(Push|Drag) \d+\.\d ms$/m);
    expect(r.out).toMatch(/^tightness {2}±\d+\.\d ms$/m);
    expect(r.out).toMatch(/^hits {7}\d+ \(kick \d+ · snare \d+ · hat \d+\)$/m);
    expect(run([join(dir, "a.wav")]).out).toMatch(/BPM \(estimated\)/);
  });

  it("writes the hits CSV with its comments and header, one row per struck lane", () => {
    const csvPath = join(dir, "a.csv");
    const r = run(["--bpm=120", "--find-loop", "--hits-csv", csvPath, join(dir, "a.wav")]);
    expect(r.code).toBe(0);
    const lines = readFileSync(csvPath, "utf8").trimEnd().split("\n");
    expect(lines[0]).toBe("# bpm=120");
    expect(lines[1]).toMatch(/^# loop=\d+\.\d{6},[248]$/);
    expect(lines[2]).toBe("time_s,lane,velocity");
    const rows = lines.slice(3);
    expect(rows.length).toBeGreaterThan(16);
    for (const row of rows) expect(row).toMatch(/^\d+\.\d{6},(low|mid|high),(\d|[1-9]\d|1[01]\d|12[0-7])$/);
    const times = rows.map((row) => Number(row.split(",")[0]));
    expect(times).toEqual([...times].sort((a, b) => a - b));
    expect(new Set(rows.map((row) => row.split(",")[1]))).toEqual(new Set(["low", "mid", "high"]));
  });

  it("sends CSV to stdout with - and moves the summary to stderr", () => {
    const r = run(["--hits-csv", "-", "--bpm", "120", join(dir, "a.wav")]);
    expect(r.out.split("\n").slice(0, 2)).toEqual(["# bpm=120", "time_s,lane,velocity"]);
    expect(r.err).toContain("== ");
    const batch = run(["--hits-csv", "-", join(dir, "a.wav"), join(dir, "b.wav")]);
    expect(batch.out.match(/^# file=/gm)).toHaveLength(2);
  });

  it("writes one CSV per input into a directory in a batch", () => {
    const r = run(["--hits-csv", join(dir, "csv"), join(dir, "a.wav"), join(dir, "b.wav")]);
    expect(r.code).toBe(0);
    expect(readFileSync(join(dir, "csv", "b.csv"), "utf8")).toMatch(/^# bpm=[\d.]+\ntime_s,lane,velocity\n/);
  });

  it.each([
    [["--grid", "16ths", "x.wav"], /--grid takes 8th, 8T, 16th, 32nd, got "16ths"/],
    [["--sensitivity", "120", "x.wav"], /--sensitivity takes a number from 0 to 100/],
    [["--hat", "-1", "x.wav"], /unknown option -1|--hat takes a number from 0 to 2/],
    [["--kick", "abc", "x.wav"], /--kick takes a number from 0 to 2, got "abc"/],
    [["--bpm", "0", "x.wav"], /--bpm takes a tempo above 0/],
    [["--bpm"], /--bpm needs a value/],
    [["--loud", "x.wav"], /unknown option --loud/],
    [[], /no input files/],
    [["--hits-csv", "one.csv", "x.wav", "y.wav"], /with several inputs give an existing directory or -/],
  ])("refuses %j with a usage error (exit 2)", (argv, reason) => {
    const r = run(argv);
    expect(r.code).toBe(2);
    expect(r.err).toMatch(reason);
    expect(r.err).toContain("usage: tindle extract");
  });

  it("maps the flags onto the detect settings", () => {
    const { options, files } = parseArgs(
      ["--grid", "8T", "--sensitivity", "75", "--kick", "2", "--snare=0.5", "--single", "--", "-odd.wav"],
      EXTRACT_OPTIONS,
      defaultExtractOptions(),
    );
    expect(options).toMatchObject({ gridDiv: 3, sensitivity: 0.75, gains: { kick: 2, snare: 0.5, hat: 1 }, layered: false });
    expect(files).toEqual(["-odd.wav"]);
  });
});
