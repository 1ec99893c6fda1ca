// The per-file pipeline of `tindle extract`: tempo, optional loop cut, groove
// analysis. Everything it computes is the page's own analysis.

import type { AudioClip } from "../page/src/audio/clip";
import type { DetectOptions } from "../page/src/analysis/types";
import { analyzeGroove } from "../page/src/grid/analyze";
import { cutLoop } from "../page/src/grid/cut";
import { findLoop } from "../page/src/grid/loop";
import { estimateTempo } from "../page/src/grid/tempo";
import type { GrooveAnalysis, LoopCandidate } from "../page/src/grid/types";
import type { ExtractOptions } from "./options";

export const FALLBACK_BPM = 120;

export interface Extraction {
  /** The whole input. */
  source: AudioClip;
  /** What was analysed: the cut loop with --find-loop (when one was found), else the source. */
  analysed: AudioClip;
  bpm: number;
  /** Where the tempo came from: --bpm, the estimate, or the 120 BPM fallback. */
  tempoSource: "given" | "estimated" | "default";
  /** The loop found with --find-loop. */
  loop?: LoopCandidate;
  analysis: GrooveAnalysis;
}

export function detectOptionsOf(o: ExtractOptions): DetectOptions {
  return { sensitivity: o.sensitivity, gains: { ...o.gains }, layered: o.layered };
}

export function extractGroove(source: AudioClip, o: ExtractOptions): Extraction {
  // Like the page, the estimate uses the default detect settings.
  const estimate = o.bpm === undefined ? estimateTempo(source) : undefined;
  const tempoSource = o.bpm !== undefined ? "given" : estimate !== undefined ? "estimated" : "default";
  const bpm = o.bpm ?? estimate ?? FALLBACK_BPM;
  const detect = detectOptionsOf(o);
  const loop = o.findLoop ? findLoop(source, bpm, detect) : undefined;
  const analysed = loop ? cutLoop(source, loop.startSec, loop.endSec) : source;
  const analysis = analyzeGroove(analysed, bpm, o.gridDiv, detect);
  return { source, analysed, bpm, tempoSource, loop, analysis };
}
