import { spawnSync } from "node:child_process";
import { mkdtempSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";
import { describe, expect, it } from "vitest";
import { makeClip } from "../page/src/audio/clip";
import { renderHits, rockBeat } from "../page/src/analysis/testSignals";
import { encodeWavFile } from "./wavFile";

const script = resolve(dirname(fileURLToPath(import.meta.url)), "..", "tindle");

describe("./tindle script", () => {
  it("runs `extract` from any working directory and exits non-zero on a bad file", () => {
    const dir = mkdtempSync(join(tmpdir(), "tindle-script-"));
    writeFileSync(join(dir, "loop.wav"), encodeWavFile(makeClip(44100, [renderHits(rockBeat(120, 1), 2)])));
    writeFileSync(join(dir, "notes.txt"), "hello");
    const r = spawnSync(script, ["extract", "--bpm", "120", "loop.wav", "notes.txt"], { cwd: dir, encoding: "utf8" });
    rmSync(dir, { recursive: true, force: true });
    expect(r.stdout).toContain("== loop.wav");
    expect(r.stdout).toContain("tempo      120 BPM (given)");
    expect(r.stderr).toContain("tindle extract: notes.txt: not a WAV file");
    expect(r.status).toBe(1);
  }, 30_000);
});
