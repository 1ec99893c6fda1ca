// Power spectrum of a real frame by a radix-2 iterative FFT (bit-reversal
// permutation, then butterflies of growing size). The real frame of N samples is
// packed into N/2 complex values, transformed, and split back into the N/2 bins of
// the real spectrum, which halves the work. A plan holds the tables and scratch
// arrays, so many frames of one size transform without allocating.

export interface FftPlan {
  /** Real frame length N. */
  readonly size: number;
  readonly bitReversed: Uint32Array;
  /** exp(−2πi·k/(N/2)), k < N/4: the butterflies' twiddles. */
  readonly cosTable: Float64Array;
  readonly sinTable: Float64Array;
  /** exp(−2πi·k/N), k < N/2: the real-spectrum split. */
  readonly splitCos: Float64Array;
  readonly splitSin: Float64Array;
  readonly re: Float64Array;
  readonly im: Float64Array;
}

export function makeFftPlan(size: number): FftPlan {
  if (size < 4 || (size & (size - 1)) !== 0) throw new Error(`FFT size must be a power of two ≥ 4, got ${size}`);
  const m = size / 2;
  const bits = Math.log2(m);
  const bitReversed = new Uint32Array(m);
  for (let i = 0; i < m; i++) {
    let r = 0;
    for (let b = 0; b < bits; b++) r |= ((i >> b) & 1) << (bits - 1 - b);
    bitReversed[i] = r;
  }
  const cosTable = new Float64Array(m / 2);
  const sinTable = new Float64Array(m / 2);
  for (let k = 0; k < m / 2; k++) {
    cosTable[k] = Math.cos((2 * Math.PI * k) / m);
    sinTable[k] = -Math.sin((2 * Math.PI * k) / m);
  }
  const splitCos = new Float64Array(m);
  const splitSin = new Float64Array(m);
  for (let k = 0; k < m; k++) {
    splitCos[k] = Math.cos((2 * Math.PI * k) / size);
    splitSin[k] = -Math.sin((2 * Math.PI * k) / size);
  }
  return { size, bitReversed, cosTable, sinTable, splitCos, splitSin, re: new Float64Array(m), im: new Float64Array(m) };
}

/** In-place complex FFT of re/im (length m), input already in bit-reversed order. */
function complexFft(re: Float64Array, im: Float64Array, cosTable: Float64Array, sinTable: Float64Array): void {
  const m = re.length;
  for (let len = 2; len <= m; len <<= 1) {
    const halfLen = len >> 1;
    const stride = m / len;
    for (let start = 0; start < m; start += len) {
      for (let k = 0, t = 0; k < halfLen; k++, t += stride) {
        const wr = cosTable[t];
        const wi = sinTable[t];
        const a = start + k;
        const b = a + halfLen;
        const br = re[b];
        const bi = im[b];
        const tr = br * wr - bi * wi;
        const ti = br * wi + bi * wr;
        re[b] = re[a] - tr;
        im[b] = im[a] - ti;
        re[a] += tr;
        im[a] += ti;
      }
    }
  }
}

/**
 * Power spectrum re² + im² of bins 0 … N/2 − 1 of the real `frame`
 * (which must hold `plan.size` samples), written into `power`.
 */
export function powerSpectrum(plan: FftPlan, frame: ArrayLike<number>, power: Float32Array): void {
  const { bitReversed, re, im, splitCos, splitSin } = plan;
  const m = re.length;
  for (let n = 0; n < m; n++) {
    const j = bitReversed[n];
    re[j] = frame[2 * n];
    im[j] = frame[2 * n + 1];
  }
  complexFft(re, im, plan.cosTable, plan.sinTable);
  for (let k = 0; k < m; k++) {
    const mk = k === 0 ? 0 : m - k;
    const zr = re[k], zi = im[k], cr = re[mk], ci = im[mk];
    // Even part E = (Z[k] + conj Z[m−k]) / 2, odd part O = (Z[k] − conj Z[m−k]) / 2i.
    const er = 0.5 * (zr + cr);
    const ei = 0.5 * (zi - ci);
    const or = 0.5 * (zi + ci);
    const oi = -0.5 * (zr - cr);
    const wr = splitCos[k];
    const wi = splitSin[k];
    const xr = er + wr * or - wi * oi;
    const xi = ei + wr * oi + wi * or;
    power[k] = xr * xr + xi * xi;
  }
}
