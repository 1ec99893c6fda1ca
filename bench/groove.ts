// Speed of the groove model, the writers and the kit render. Prints figures;
// never fails on timing.
//   npx tsx bench/groove.ts
// derive:  full re-derivation after a note edit (analysis memoised) of an 8-bar 16th-note groove, target < 2 ms.
// export:  buildExport of that groove as MIDI, target < 1 ms.
// render:  renderGroove of 8 bars at 44.1 kHz stereo, target < 15 ms.

import { makeClip, type AudioClip } from "../page/src/audio/clip";
import { renderGroove, type KitSamples } from "../page/src/audition/renderGroove";
import { createGrooveDeriver } from "../page/src/groove/derive";
import { defaultEditState } from "../page/src/groove/editState";
import { moveNote, setVelocity, toggleStepMute } from "../page/src/groove/editOps";
import { sixteenthsAnalysis } from "../page/src/groove/testing/analysis";
import type { GrooveEditState } from "../page/src/groove/types";
import { buildExport } from "../page/src/writers/buildExport";

const SR = 44100;
const RUNS = 200;

function measure(label: string, targetMs: number, run: (i: number) => void): void {
  for (let i = 0; i < 50; i++) run(i);
  const samples: number[] = [];
  for (let i = 0; i < RUNS; i++) {
    const t0 = performance.now();
    run(i);
    samples.push(performance.now() - t0);
  }
  samples.sort((a, b) => a - b);
  const at = (q: number) => samples[Math.floor(q * (samples.length - 1))].toFixed(3);
  console.log(`${label}: median ${at(0.5)} ms, p90 ${at(0.9)} ms, max ${at(1)} ms  [target < ${targetMs} ms]`);
}

/** A decaying noise burst standing in for a one-shot. */
function oneShot(seconds: number, seed: number): AudioClip {
  const samples = new Float32Array(Math.round(seconds * SR));
  let state = seed;
  for (let i = 0; i < samples.length; i++) {
    state = (state * 16807) % 2147483647;
    samples[i] = ((state / 2147483647) * 2 - 1) * Math.exp((-4 * i) / samples.length);
  }
  return makeClip(SR, [samples]);
}

const analysis = sixteenthsAnalysis(8);
const clip = makeClip(SR, [new Float32Array(Math.round(analysis.duration * SR)), new Float32Array(Math.round(analysis.duration * SR))]);
const derive = createGrooveDeriver(() => analysis);

// A realistic edit state: some pins, moves and mutes, feel away from 100 so every stage runs.
let edits: GrooveEditState = { ...defaultEditState(), feelTiming: 80, feelDynamics: 120 };
for (let i = 0; i < 128; i += 9) edits = setVelocity(edits, { ...analysis.onsets[i], srcIdx: i }, 90);
for (let i = 3; i < 128; i += 17) edits = moveNote(edits, analysis, { ...analysis.onsets[i], srcIdx: i }, analysis.onsets[i].time + 0.004);
edits = toggleStepMute(edits, 15);
derive(clip, edits);

console.log(`groove: 8 bars of 16ths at 120 BPM, ${analysis.onsets.length} hits (${analysis.onsets.reduce((n, h) => n + h.voices.length, 0)} notes)`);
measure("derive after a note edit", 2, (i) => {
  const hit = { ...analysis.onsets[i % 128], srcIdx: i % 128 };
  derive(clip, setVelocity(edits, hit, 1 + (i % 127)));
});

const exported = derive(clip, edits)!.exported;
measure("buildExport MIDI", 1, () => buildExport({ mapId: "gm", sourceName: "DAW capture 3 · auto-loop 8 bars", exportGroove: exported }));
measure("buildExport .agr", 1, () => buildExport({ mapId: "agr", sourceName: "DAW capture 3 · auto-loop 8 bars", exportGroove: exported }));

const kit: KitSamples = { low: oneShot(1.0, 1), mid: oneShot(0.8, 2), high: oneShot(0.4, 3) };
console.log(`render: ${clip.length} frames (${analysis.duration} s) stereo; one-shots kick 1.0 s, snare 0.8 s, hat 0.4 s`);
measure("renderGroove 8 bars", 15, () => renderGroove(exported, clip, kit, 1));
