// The fixed fixture of the golden analysis test: a 2-bar stereo groove with
// ghost notes, a flam and a left/right difference, rendered deterministically.

import { makeClip, type AudioClip } from "../audio/clip";
import { renderHits, rockBeat, type SynthHit } from "./testSignals";

export function goldenFixture(): AudioClip {
  const beat = 0.5;
  const extra: SynthHit[] = [
    { timeSec: 1.75 * beat, lane: "mid", gain: 0.2 },
    { timeSec: 5.75 * beat, lane: "mid", gain: 0.25 },
    { timeSec: 6.5 * beat + 0.004, lane: "low", gain: 0.6 },
    { timeSec: 7 * beat + 0.03, lane: "mid", gain: 0.5 },
    { timeSec: 7.25 * beat, lane: "high", gain: 0.35 },
  ];
  const hits = [...rockBeat(120, 2), ...extra].sort((a, b) => a.timeSec - b.timeSec);
  const left = renderHits(hits, 4, 44100, 11);
  const hats = renderHits(hits.filter((h) => h.lane === "high"), 4, 44100, 12);
  const right = left.map((v, i) => 0.8 * v + 0.3 * hats[i]);
  return makeClip(44100, [left, right]);
}
