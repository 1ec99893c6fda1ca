// Runs inside Chromium: the same figures as bench/analysis.ts (groove, capture).

import { analyzeGroove } from "../page/src/grid/analyze";
import { cutLoop } from "../page/src/grid/cut";
import { findLoop } from "../page/src/grid/loop";
import { estimateTempo } from "../page/src/grid/tempo";
import { stereoLoop } from "./analysisFixtures";

function median(values: number[]): number {
  const s = [...values].sort((a, b) => a - b);
  return s[Math.floor((s.length - 1) / 2)];
}

function timeMs(fn: () => void): number {
  const t0 = performance.now();
  fn();
  return performance.now() - t0;
}

export function runBench(): { grooveMedianMs: number; grooveMinMs: number; captureMedianMs: number } {
  const clip = stereoLoop(120, 8);
  for (let i = 0; i < 5; i++) analyzeGroove(clip, 120, 4);
  const groove = Array.from({ length: 30 }, () => timeMs(() => analyzeGroove(clip, 120, 4)));
  const take = stereoLoop(120, 30, 7);
  const flow = () => {
    const bpm = estimateTempo(take) ?? 120;
    const loop = findLoop(take, bpm);
    analyzeGroove(loop ? cutLoop(take, loop.startSec, loop.endSec) : take, bpm, 4);
  };
  flow();
  const capture = Array.from({ length: 7 }, () => timeMs(flow));
  return { grooveMedianMs: median(groove), grooveMinMs: Math.min(...groove), captureMedianMs: median(capture) };
}
