// Spectral measurements used to check a voice's character (and handy for analysis tests).

/** In-place radix-2 FFT; `re.length` must be a power of two. */
function fft(re: Float64Array, im: Float64Array): void {
  const n = re.length;
  for (let i = 1, j = 0; i < n; i++) {
    let bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) {
      [re[i], re[j]] = [re[j], re[i]];
      [im[i], im[j]] = [im[j], im[i]];
    }
  }
  for (let size = 2; size <= n; size <<= 1) {
    const angle = (-2 * Math.PI) / size;
    for (let start = 0; start < n; start += size) {
      for (let k = 0; k < size / 2; k++) {
        const wr = Math.cos(angle * k);
        const wi = Math.sin(angle * k);
        const a = start + k;
        const b = a + size / 2;
        const tr = re[b] * wr - im[b] * wi;
        const ti = re[b] * wi + im[b] * wr;
        re[b] = re[a] - tr;
        im[b] = im[a] - ti;
        re[a] += tr;
        im[a] += ti;
      }
    }
  }
}

/** Power per FFT bin (zero-padded to a power of two) and the bin width in Hz. */
export function powerSpectrum(samples: Float32Array, sampleRate: number): { power: Float64Array; binHz: number } {
  let n = 1;
  while (n < samples.length) n <<= 1;
  const re = new Float64Array(n);
  const im = new Float64Array(n);
  re.set(samples);
  fft(re, im);
  const power = new Float64Array(n / 2 + 1);
  for (let k = 0; k < power.length; k++) power[k] = re[k] * re[k] + im[k] * im[k];
  return { power, binHz: sampleRate / n };
}

/** Share (0-1) of the signal's energy between `lowHz` and `highHz`. */
export function bandEnergyFraction(samples: Float32Array, sampleRate: number, lowHz: number, highHz: number): number {
  const { power, binHz } = powerSpectrum(samples, sampleRate);
  let band = 0;
  let total = 0;
  for (let k = 1; k < power.length; k++) {
    total += power[k];
    const hz = k * binHz;
    if (hz >= lowHz && hz < highHz) band += power[k];
  }
  return total === 0 ? 0 : band / total;
}

export function peakOf(samples: Float32Array): number {
  let peak = 0;
  for (const x of samples) peak = Math.max(peak, Math.abs(x));
  return peak;
}

export function rmsOf(samples: Float32Array): number {
  let sum = 0;
  for (const x of samples) sum += x * x;
  return samples.length === 0 ? 0 : Math.sqrt(sum / samples.length);
}

/** Power-weighted mean frequency in Hz. */
export function spectralCentroid(samples: Float32Array, sampleRate: number): number {
  const { power, binHz } = powerSpectrum(samples, sampleRate);
  let weighted = 0;
  let total = 0;
  for (let k = 1; k < power.length; k++) {
    weighted += k * binHz * power[k];
    total += power[k];
  }
  return total === 0 ? 0 : weighted / total;
}
