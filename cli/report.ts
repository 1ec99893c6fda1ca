// Text outputs of `tindle extract`: the summary and the hits CSV.

import { LANES, type Lane } from "../page/src/analysis/types";
import { gridNameFromDiv } from "../page/src/grid/types";
import type { Extraction } from "./pipeline";

const TEMPO_SOURCE_TEXT = { given: "given", estimated: "estimated", default: "default, no estimate" } as const;
const LANE_NAMES: Record<Lane, string> = { low: "kick", mid: "snare", high: "hat" };

/** Tempo as written in outputs: up to three decimals, no trailing zeros. */
export function formatBpm(bpm: number): string {
  return String(Number(bpm.toFixed(3)));
}

export function formatSummary(name: string, x: Extraction, findLoopRequested: boolean): string {
  const a = x.analysis;
  const perBar = a.gridDiv * 4;
  const laneCounts = LANES.map((lane) => `${LANE_NAMES[lane]} ${a.onsets.filter((o) => o.voices.includes(lane)).length}`);
  const pocket = `${a.meanDevMs <= 0 ? "Push" : "Drag"} ${Math.abs(a.meanDevMs).toFixed(1)} ms`;
  const lines = [
    `== ${name}`,
    `tempo      ${formatBpm(x.bpm)} BPM (${TEMPO_SOURCE_TEXT[x.tempoSource]})`,
    `grid       ${gridNameFromDiv(a.gridDiv)} · ${a.steps / perBar} bars × ${perBar} steps`,
    `swing      ${a.swingPct.toFixed(1)}%`,
    `pocket     ${pocket}`,
    `tightness  ±${a.tightnessMs.toFixed(1)} ms`,
    `hits       ${a.onsets.length} (${laneCounts.join(" · ")})`,
  ];
  if (findLoopRequested) {
    lines.push(
      x.loop
        ? `loop       ${x.loop.startSec.toFixed(3)} s – ${x.loop.endSec.toFixed(3)} s · ${x.loop.bars} bars · score ${x.loop.score.toFixed(3)}`
        : "loop       none found (whole file analysed)",
    );
  }
  return `${lines.join("\n")}\n`;
}

/** One row per struck lane, after `# bpm=` (and `# loop=`) comments and a header line. */
export function formatHitsCsv(x: Extraction): string {
  const lines = [`# bpm=${formatBpm(x.bpm)}`];
  if (x.loop) lines.push(`# loop=${x.loop.startSec.toFixed(6)},${x.loop.bars}`);
  lines.push("time_s,lane,velocity");
  for (const o of x.analysis.onsets) {
    for (const lane of o.voices) lines.push(`${o.time.toFixed(6)},${lane},${o.vels[lane] ?? o.velocity}`);
  }
  return `${lines.join("\n")}\n`;
}
