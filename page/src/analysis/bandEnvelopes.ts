// Detection envelopes computed straight from the mono signal, without keeping any
// filtered whole-signal arrays. Each filtered sample is rounded to float32 as if
// stored, and its square is added to the two overlapping frames it belongs to, in
// sample order, so each frame's sum equals the sequential sum over its window.
//   wide bands: low (one-pole 150 Hz), mid (one-pole 4 kHz − low), high (x − one-pole 4 kHz)
//   detector bands: kick (two 120 Hz biquad low-passes), hat (two 6 kHz biquad high-passes)

import { biquadCoefficients, onePoleCoefficient } from "./filters";
import { HOP, WINDOW } from "./frames";

export interface WideEnvelopes {
  low: Float32Array;
  mid: Float32Array;
  high: Float32Array;
}

export interface DetectorEnvelopes {
  kick: Float32Array;
  hat: Float32Array;
}

/** Samples in frame f's window (at least 1, the divisor of its mean square). */
function frameSamples(n: number, f: number): number {
  return Math.max(1, Math.min(n, f * HOP + WINDOW) - f * HOP);
}

export function wideBandEnvelopes(x: Float32Array, sampleRate: number, frames: number): WideEnvelopes {
  const n = x.length;
  const aLow = onePoleCoefficient(sampleRate, 150);
  const aMid = onePoleCoefficient(sampleRate, 4000);
  const low = new Float32Array(frames);
  const mid = new Float32Array(frames);
  const high = new Float32Array(frames);
  const finish = (f: number, sl: number, sm: number, sh: number) => {
    if (f < 0 || f >= frames) return;
    const count = frameSamples(n, f);
    low[f] = Math.sqrt(sl / count);
    mid[f] = Math.sqrt(sm / count);
    high[f] = Math.sqrt(sh / count);
  };
  let yLow = 0, yMid = 0;
  // Sums of the frame that started a block earlier (p…) and of the one starting in this block (c…).
  let pLow = 0, pMid = 0, pHigh = 0;
  const blocks = Math.ceil(n / HOP);
  for (let b = 0; b < blocks; b++) {
    const end = Math.min(n, (b + 1) * HOP);
    let cLow = 0, cMid = 0, cHigh = 0;
    for (let i = b * HOP; i < end; i++) {
      const xi = x[i];
      yLow = yLow + aLow * (xi - yLow);
      yMid = yMid + aMid * (xi - yMid);
      const l = Math.fround(yLow);
      const m = Math.fround(yMid);
      const p = Math.fround(m - l);
      const h = Math.fround(xi - m);
      const sl = l * l, sm = p * p, sh = h * h;
      cLow += sl; cMid += sm; cHigh += sh;
      pLow += sl; pMid += sm; pHigh += sh;
    }
    finish(b - 1, pLow, pMid, pHigh);
    pLow = cLow; pMid = cMid; pHigh = cHigh;
  }
  finish(blocks - 1, pLow, pMid, pHigh); // a last frame without a second block (short clips)
  return { low, mid, high };
}

export function detectorBandEnvelopes(x: Float32Array, sampleRate: number, frames: number): DetectorEnvelopes {
  const n = x.length;
  const lp = biquadCoefficients("lowpass", sampleRate, 120);
  const hp = biquadCoefficients("highpass", sampleRate, 6000);
  const lb0 = lp.b0, lb1 = lp.b1, lb2 = lp.b2, la0 = lp.a0, la1 = lp.a1, la2 = lp.a2;
  const hb0 = hp.b0, hb1 = hp.b1, hb2 = hp.b2, ha0 = hp.a0, ha1 = hp.a1, ha2 = hp.a2;
  const kick = new Float32Array(frames);
  const hat = new Float32Array(frames);
  const finish = (f: number, sk: number, sh: number) => {
    if (f < 0 || f >= frames) return;
    const count = frameSamples(n, f);
    kick[f] = Math.sqrt(sk / count);
    hat[f] = Math.sqrt(sh / count);
  };
  // Two direct-form-I sections in series per band, each with its own state.
  let kx1 = 0, kx2 = 0, ky1 = 0, ky2 = 0, kkx1 = 0, kkx2 = 0, kky1 = 0, kky2 = 0;
  let hx1 = 0, hx2 = 0, hy1 = 0, hy2 = 0, hhx1 = 0, hhx2 = 0, hhy1 = 0, hhy2 = 0;
  let pKick = 0, pHat = 0;
  const blocks = Math.ceil(n / HOP);
  for (let b = 0; b < blocks; b++) {
    const end = Math.min(n, (b + 1) * HOP);
    let cKick = 0, cHat = 0;
    for (let i = b * HOP; i < end; i++) {
      const xi = x[i];
      const k0 = (lb0 * xi + lb1 * kx1 + lb2 * kx2 - la1 * ky1 - la2 * ky2) / la0;
      kx2 = kx1; kx1 = xi; ky2 = ky1; ky1 = k0;
      const k = Math.fround(k0);
      const kk0 = (lb0 * k + lb1 * kkx1 + lb2 * kkx2 - la1 * kky1 - la2 * kky2) / la0;
      kkx2 = kkx1; kkx1 = k; kky2 = kky1; kky1 = kk0;
      const kk = Math.fround(kk0);

      const h0 = (hb0 * xi + hb1 * hx1 + hb2 * hx2 - ha1 * hy1 - ha2 * hy2) / ha0;
      hx2 = hx1; hx1 = xi; hy2 = hy1; hy1 = h0;
      const h = Math.fround(h0);
      const hh0 = (hb0 * h + hb1 * hhx1 + hb2 * hhx2 - ha1 * hhy1 - ha2 * hhy2) / ha0;
      hhx2 = hhx1; hhx1 = h; hhy2 = hhy1; hhy1 = hh0;
      const hh = Math.fround(hh0);

      const sk = kk * kk, sh = hh * hh;
      cKick += sk; cHat += sh;
      pKick += sk; pHat += sh;
    }
    finish(b - 1, pKick, pHat);
    pKick = cKick; pHat = cHat;
  }
  finish(blocks - 1, pKick, pHat);
  return { kick, hat };
}

