// The library's small waveform strip: per-slice peak level and tone (0 dark, 1 bright).

export interface WaveformSummary {
  peaks: number[];
  tone: number[];
}

const round3 = (x: number) => Math.round(x * 1000) / 1000;

/**
 * Splits the signal into `slices` equal parts. A peak is the slice's largest magnitude relative
 * to the loudest slice; the tone is the share of first-difference energy in the slice, which
 * is near 0 for a kick's low thump and rises towards 1 for hats.
 */
export function summarizeWaveform(samples: Float32Array, slices: number): WaveformSummary {
  const rawPeaks: number[] = [];
  const tone: number[] = [];
  for (let s = 0; s < slices; s++) {
    const from = Math.floor((s * samples.length) / slices);
    const to = Math.max(from + 1, Math.floor(((s + 1) * samples.length) / slices));
    let peak = 0;
    let energy = 0;
    let diffEnergy = 0;
    for (let i = from; i < to && i < samples.length; i++) {
      const x = samples[i];
      const d = x - (i > 0 ? samples[i - 1] : 0);
      peak = Math.max(peak, Math.abs(x));
      energy += x * x;
      diffEnergy += d * d;
    }
    rawPeaks.push(peak);
    // sqrt(diffEnergy / energy) / 2 is sin(pi f / rate) for a sine of frequency f; the
    // outer square root spreads drums, which sit low on that scale, across the colour ramp.
    tone.push(energy > 0 ? round3(Math.sqrt(Math.min(1, Math.sqrt(diffEnergy / energy) / 2))) : 0);
  }
  const loudest = Math.max(0, ...rawPeaks);
  const peaks = rawPeaks.map((p) => (loudest > 0 ? round3(p / loudest) : 0));
  return { peaks, tone };
}
