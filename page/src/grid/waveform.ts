// summarizeWaveform: per-bin peak and tone of a clip for the waveform displays.

import type { AudioClip } from "../audio/clip";
import { mixToMono, onePoleCoefficient, onePoleLowpass } from "../analysis/filters";
import { clamp } from "../analysis/round";
import type { WaveformSummary } from "./types";

export function summarizeWaveform(clip: AudioClip, bins: number): WaveformSummary {
  return summarizeMono(mixToMono(clip), clip.sampleRate, bins);
}

/** summarizeWaveform of an already mixed mono signal. */
export function summarizeMono(x: Float32Array, sampleRate: number, bins: number): WaveformSummary {
  const n = x.length;
  const binLength = n / bins;
  const peaks = new Array<number>(bins);
  const tone = new Array<number>(bins);
  // With at least one sample per bin the bins tile the signal in order, so the
  // 400 Hz one-pole can run inline; tiny clips (overlapping bins) filter up front.
  const lp = binLength < 1 ? onePoleLowpass(x, sampleRate, 400) : undefined;
  const a = onePoleCoefficient(sampleRate, 400);
  let y = 0;
  let maxPeak = 0;
  for (let i = 0; i < bins; i++) {
    const start = Math.floor(i * binLength);
    // Clips shorter than the bin count would read past the end; stop at the last sample.
    const end = Math.min(n, Math.max(start + 1, Math.floor((i + 1) * binLength)));
    let peak = 0;
    let lowEnergy = 0;
    let total = 0;
    if (lp) {
      for (let k = start; k < end; k++) {
        const v = x[k];
        const abs = v < 0 ? -v : v;
        if (abs > peak) peak = abs;
        lowEnergy += lp[k] * lp[k];
        total += v * v;
      }
    } else {
      for (let k = start; k < end; k++) {
        const v = x[k];
        y = y + a * (v - y);
        const low = Math.fround(y); // as if stored in a float32 signal
        const abs = v < 0 ? -v : v;
        if (abs > peak) peak = abs;
        lowEnergy += low * low;
        total += v * v;
      }
    }
    peaks[i] = peak;
    tone[i] = total > 0 ? clamp(1 - lowEnergy / total, 0, 1) : 0.5;
    if (peak > maxPeak) maxPeak = peak;
  }
  if (maxPeak > 0) for (let i = 0; i < bins; i++) peaks[i] /= maxPeak;
  return { peaks, tone };
}
