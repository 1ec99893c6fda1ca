// Speed of the analysis. Prints figures; never fails on timing.
//   npx tsx bench/analysis.ts [groove|capture|extract ...]   (default: all)
// groove:  analyzeGroove of an 8-bar 120 BPM stereo loop (16 s), target ≤ 25 ms median.
// capture: a 60 s stereo take through estimateTempo + findLoop + cutLoop + analyzeGroove, target ≤ 400 ms.
// extract: `tindle extract` over 30 loops against `aubioonset -O specflux`, wall time per minute of audio.

import { execFileSync, spawnSync } from "node:child_process";
import { mkdtempSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";
import { stereoLoop, SR } from "./analysisFixtures";
import { analyzeGroove } from "../page/src/grid/analyze";
import { cutLoop } from "../page/src/grid/cut";
import { findLoop } from "../page/src/grid/loop";
import { estimateTempo } from "../page/src/grid/tempo";
import { encodeWavFile } from "../cli/wavFile";

const root = resolve(dirname(fileURLToPath(import.meta.url)), "..");

function timeMs(fn: () => void): number {
  const t0 = performance.now();
  fn();
  return performance.now() - t0;
}

function stats(samples: number[]): { median: number; p90: number; min: number } {
  const s = [...samples].sort((a, b) => a - b);
  return { median: s[Math.floor((s.length - 1) / 2)], p90: s[Math.floor(0.9 * (s.length - 1))], min: s[0] };
}

const fmt = (ms: number) => `${ms.toFixed(1)} ms`;

function benchGroove(): void {
  const clip = stereoLoop(120, 8);
  for (let i = 0; i < 5; i++) analyzeGroove(clip, 120, 4);
  const runs = Array.from({ length: 30 }, () => timeMs(() => analyzeGroove(clip, 120, 4)));
  const s = stats(runs);
  const hits = analyzeGroove(clip, 120, 4).onsets.length;
  console.log(`analyzeGroove, 8 bars @ 120 BPM, 16 s stereo (${hits} hits): median ${fmt(s.median)}, p90 ${fmt(s.p90)}, min ${fmt(s.min)}  [target ≤ 25 ms]`);
}

function benchCapture(): void {
  const take = stereoLoop(120, 30, 7);
  const flow = () => {
    const bpm = estimateTempo(take) ?? 120;
    const loop = findLoop(take, bpm);
    const clip = loop ? cutLoop(take, loop.startSec, loop.endSec) : take;
    analyzeGroove(clip, bpm, 4);
  };
  flow();
  const runs = Array.from({ length: 7 }, () => timeMs(flow));
  const parts = {
    estimateTempo: timeMs(() => estimateTempo(take)),
    findLoop: timeMs(() => findLoop(take, 120)),
    cutLoop: timeMs(() => cutLoop(take, 10, 26)),
    analyzeGroove: timeMs(() => analyzeGroove(cutLoop(take, 10, 26), 120, 4)),
  };
  const s = stats(runs);
  console.log(`capture flow, 60 s stereo take: median ${fmt(s.median)}, p90 ${fmt(s.p90)}  [target ≤ 400 ms]`);
  console.log(`  of which ${Object.entries(parts).map(([k, v]) => `${k} ${fmt(v)}`).join(", ")}`);
}

function benchExtract(): void {
  const dir = mkdtempSync(join(tmpdir(), "tindle-bench-"));
  try {
    let audioSec = 0;
    const files: string[] = [];
    for (let i = 0; i < 30; i++) {
      const bpm = 80 + ((i * 37) % 90);
      const bars = [1, 2, 4, 8][i % 4];
      const clip = stereoLoop(bpm, bars, i + 1);
      audioSec += clip.length / SR;
      const path = join(dir, `loop-${String(i).padStart(2, "0")}.wav`);
      writeFileSync(path, encodeWavFile(clip, "pcm16"));
      files.push(path);
    }
    const perMinute = (ms: number) => `${((ms / audioSec) * 60).toFixed(0)} ms per minute of audio`;
    const t0 = performance.now();
    execFileSync(join(root, "tindle"), ["extract", ...files], { stdio: ["ignore", "ignore", "inherit"] });
    const tindleMs = performance.now() - t0;
    const t1 = performance.now();
    execFileSync(join(root, "tindle"), ["extract", "--hits-csv", join(dir), ...files], { stdio: ["ignore", "ignore", "inherit"] });
    const tindleCsvMs = performance.now() - t1;
    console.log(`tindle extract, 30 loops, ${audioSec.toFixed(1)} s of audio: ${fmt(tindleMs)} wall (${perMinute(tindleMs)}); with --hits-csv ${fmt(tindleCsvMs)}`);
    if (spawnSync("aubioonset", ["--help"]).error) {
      console.log("aubioonset not installed; skipping the comparison");
      return;
    }
    const t2 = performance.now();
    for (const f of files) execFileSync("aubioonset", ["-O", "specflux", "-i", f], { stdio: ["ignore", "ignore", "ignore"] });
    const aubioMs = performance.now() - t2;
    console.log(`aubioonset -O specflux, same files (one process each): ${fmt(aubioMs)} wall (${perMinute(aubioMs)})`);
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

const wanted = process.argv.slice(2);
const all = wanted.length === 0;
if (all || wanted.includes("groove")) benchGroove();
if (all || wanted.includes("capture")) benchCapture();
if (all || wanted.includes("extract")) benchExtract();
