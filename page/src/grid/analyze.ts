// analyzeGroove: detection, then the grid fit, then the waveform summary.

import { clipDurationSec, type AudioClip } from "../audio/clip";
import { detectOnsetsMono } from "../analysis/detect";
import { mixToMono } from "../analysis/filters";
import type { DetectOptions } from "../analysis/types";
import { fitGrid } from "./gridFit";
import type { GridDiv, GrooveAnalysis } from "./types";
import { summarizeMono } from "./waveform";

export const WAVEFORM_BINS = 720;

export function analyzeGroove(clip: AudioClip, bpm: number, gridDiv: GridDiv = 4, options: DetectOptions = {}): GrooveAnalysis {
  const x = mixToMono(clip);
  const { onsets, flux, fluxHopSec } = detectOnsetsMono(x, clip.sampleRate, options);
  const fit = fitGrid(onsets, bpm, gridDiv);
  const { peaks, tone } = summarizeMono(x, clip.sampleRate, WAVEFORM_BINS);
  return {
    ...fit,
    bpm,
    gridDiv,
    flux,
    fluxHopSec,
    peaksHi: peaks,
    tone,
    duration: clipDurationSec(clip),
  };
}
