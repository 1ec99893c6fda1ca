// Detection accuracy against ground truth. Prints tables; never fails.
//   npx tsx bench/accuracy.ts
// Sources: the demo loops with their generator's hit lists (resources/*.wav and
// build/media-truth/*.json, made by scripts/build-media.sh), and General-MIDI
// patterns rendered with fluidsynth + FluidR3_GM (see accuracyPatterns.ts).
// Per lane: precision, recall and F-measure at ±20 ms and ±50 ms, the median
// timing error of matched hits, and the tempo estimate against the true tempo.

import { existsSync, readdirSync, readFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";
import type { AudioClip } from "../page/src/audio/clip";
import { LANES, type DetectOptions, type Lane } from "../page/src/analysis/types";
import { analyzeGroove } from "../page/src/grid/analyze";
import { estimateTempo } from "../page/src/grid/tempo";
import { parseWavFile } from "../cli/wavFile";
import { addScores, emptyScore, fMeasure, laneConfusion, median, precision, recall, scoreLanes, type LaneScore, type TruthHit } from "./accuracyScore";
import { renderPatterns } from "./accuracyPatterns";

const root = resolve(dirname(fileURLToPath(import.meta.url)), "..");
const TOLERANCES_SEC = [0.02, 0.05];

interface Source {
  group: string;
  name: string;
  bpm: number;
  clip: AudioClip;
  truth: TruthHit[];
}

function demoLoopSources(): Source[] {
  const truthDir = join(root, "build", "media-truth");
  if (!existsSync(truthDir)) {
    console.log("(no build/media-truth: run scripts/build-media.sh to include the demo loops)");
    return [];
  }
  return readdirSync(truthDir)
    .filter((f) => f.endsWith(".json"))
    .sort()
    .flatMap((f) => {
      const doc = JSON.parse(readFileSync(join(truthDir, f), "utf8")) as {
        name: string;
        fileName: string;
        bpm: number;
        hits: { timeSec: number; lane: Lane }[];
      };
      const wav = join(root, "resources", doc.fileName);
      if (!existsSync(wav)) return [];
      return [{ group: "demo loops", name: doc.name, bpm: doc.bpm, clip: parseWavFile(readFileSync(wav)), truth: doc.hits }];
    });
}

function gmSources(): { sources: Source[]; note: string } {
  try {
    const { rendered, calibration } = renderPatterns(join(tmpdir(), "tindle-accuracy"));
    const lags = [...calibration.lagSec.entries()].map(([k, v]) => `${k}: ${(v * 1000).toFixed(1)}`).join(", ");
    return {
      sources: rendered.map((r) => ({ group: "GM / fluidsynth", name: r.pattern.name, bpm: r.bpm, clip: r.clip, truth: r.truth })),
      note: `onset lag per note/velocity, ms: ${lags}; spread over block positions ≤ ${(calibration.spreadSec * 1000).toFixed(2)} ms`,
    };
  } catch (e) {
    return { sources: [], note: `GM patterns skipped: ${e instanceof Error ? e.message : String(e)}` };
  }
}

const pct = (x: number) => `${(100 * x).toFixed(0)}%`.padStart(5);
const ms = (s: number) => (Number.isNaN(s) ? "   –" : `${(s * 1000).toFixed(1)}`.padStart(5));

function laneRow(label: string, s20: LaneScore, s50: LaneScore): string {
  const absErr = s50.errorsSec.map(Math.abs);
  return [
    label.padEnd(30),
    String(s50.truth).padStart(5),
    String(s50.detected).padStart(5),
    pct(precision(s20)), pct(recall(s20)), pct(fMeasure(s20)),
    pct(precision(s50)), pct(recall(s50)), pct(fMeasure(s50)),
    ms(median(s50.errorsSec)), ms(median(absErr)),
  ].join("  ");
}

const HEADER =
  `${"source / lane".padEnd(30)}  truth  found  P@20   R@20   F@20   P@50   R@50   F@50   med±  |med|   (ms; errors = detected − truth at ±50 ms)`;

function evaluate(sources: readonly Source[], options: DetectOptions, totalsOnly = false): void {
  const totals = new Map<string, [LaneScore, LaneScore]>();
  const log = totalsOnly ? () => {} : console.log;
  log(HEADER);
  for (const src of sources) {
    const analysis = analyzeGroove(src.clip, src.bpm, 4, options);
    const found = analysis.onsets.map((o) => ({ timeSec: o.time, voices: o.voices }));
    const [by20, by50] = TOLERANCES_SEC.map((t) => scoreLanes(src.truth, found, t));
    for (const lane of LANES) {
      log(laneRow(`${src.name} · ${lane}`, by20[lane], by50[lane]));
      const k = `${src.group} · ${lane}`;
      const [a, b] = totals.get(k) ?? [emptyScore(), emptyScore()];
      totals.set(k, [addScores(a, by20[lane]), addScores(b, by50[lane])]);
    }
    const confusion = laneConfusion(src.truth, found, 0.05);
    log(
      `${"".padEnd(4)}lanes given to truth hits: ${LANES.map((l) => `${l} → ${Object.entries(confusion[l]).map(([k, v]) => `${k}×${v}`).join(" ")}`).join(" | ")}`,
    );
  }
  log("");
  console.log(HEADER);
  for (const [k, [a, b]] of totals) console.log(laneRow(`TOTAL ${k}`, a, b));
}

function tempoTable(sources: readonly Source[]): void {
  console.log(`${"source".padEnd(30)}  true BPM  estimate  error`);
  let exact = 0;
  let octave = 0;
  for (const s of sources) {
    const est = estimateTempo(s.clip);
    const err = est === undefined ? NaN : est - s.bpm;
    const ratio = est === undefined ? NaN : est / s.bpm;
    if (Math.abs(ratio - 1) <= 0.01) exact++;
    else if ([0.5, 2, 2 / 3, 1.5].some((r) => Math.abs(ratio / r - 1) <= 0.01)) octave++;
    console.log(`${s.name.padEnd(30)}  ${s.bpm.toFixed(1).padStart(8)}  ${(est?.toFixed(1) ?? "none").padStart(8)}  ${Number.isNaN(err) ? "" : err.toFixed(1).padStart(5)}`);
  }
  console.log(`within 1 %: ${exact}/${sources.length}; off by a factor 2, 1/2, 3/2 or 2/3: ${octave}/${sources.length}`);
}

const demo = demoLoopSources();
const gm = gmSources();
const all = [...demo, ...gm.sources];
console.log(gm.note);
console.log("\n== Detection, default settings (sensitivity 0.5, layered)\n");
evaluate(all, {});
for (const sensitivity of [0.25, 0.75, 1]) {
  console.log(`\n== Detection totals at sensitivity ${sensitivity}\n`);
  evaluate(all, { sensitivity }, true);
}
console.log("\n== Tempo (estimateTempo, default settings)\n");
tempoTable(all);
