// Synthetic loops for the speed benchmarks.

import { makeClip, type AudioClip } from "../page/src/audio/clip";
import { renderHits, rockBeat, type SynthHit } from "../page/src/analysis/testSignals";

export const SR = 44100;

/** A busier beat than the rock pattern: sixteenth hats and ghost snares. */
function busyBeat(bpm: number, bars: number): SynthHit[] {
  const beat = 60 / bpm;
  const hits = rockBeat(bpm, bars);
  for (let bar = 0; bar < bars; bar++) {
    for (let s = 0; s < 16; s += 2) hits.push({ timeSec: (bar * 4 + s / 4 + 0.25) * beat, lane: "high", gain: 0.3 });
    hits.push({ timeSec: (bar * 4 + 1.75) * beat, lane: "mid", gain: 0.2 });
  }
  return hits.sort((a, b) => a.timeSec - b.timeSec);
}

export function stereoLoop(bpm: number, bars: number, seed = 1): AudioClip {
  const lengthSec = (bars * 4 * 60) / bpm;
  const left = renderHits(busyBeat(bpm, bars), lengthSec, SR, seed);
  const right = left.map((v, i) => 0.9 * v + 0.05 * left[Math.max(0, i - 7)]);
  return makeClip(SR, [left, right]);
}

