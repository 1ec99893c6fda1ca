import { describe, expect, it } from "vitest";
import { makeClip } from "../audio/clip";
import { applyBiquad, applyBiquadTwice, biquadCoefficients, mixToMono, onePoleLowpass, splitWideBands } from "./filters";
import { frameCount, frameRms, rmsEnvelope, smoothFiveFloat32 } from "./frames";
import { detectorBandEnvelopes, wideBandEnvelopes } from "./bandEnvelopes";
import { seededRandom } from "./testSignals";
import { makeFftPlan, powerSpectrum } from "./fft";
import { bandPowerSum, hitSpectrum, peakAmplitude, tiltFromCentroid } from "./hitBands";
import { bandScore, decideLanes, velocityCurve } from "./scoring";
import { roundHalfUp } from "./round";

const sine = (hz: number, sampleRate: number, n: number) =>
  Float32Array.from({ length: n }, (_, i) => Math.sin((2 * Math.PI * hz * i) / sampleRate));

const rmsTail = (x: Float32Array) => {
  let s = 0;
  for (let i = x.length / 2; i < x.length; i++) s += x[i] * x[i];
  return Math.sqrt(s / (x.length / 2));
};

describe("roundHalfUp", () => {
  it.each([
    [2.5, 3],
    [-2.5, -2],
    [-0.5, 0],
    [1.49, 1],
    [19.2, 19],
  ])("rounds %d to %d", (x, want) => expect(roundHalfUp(x)).toBe(want));
});

describe("mixToMono", () => {
  it("sums channels times 1 / channel count", () => {
    const clip = makeClip(44100, [Float32Array.of(1, 0.5), Float32Array.of(0, 0.5), Float32Array.of(0.5, -1)]);
    const x = mixToMono(clip);
    expect(Array.from(x)).toEqual([Math.fround(1.5 / 3), 0]);
  });
  it("leaves a mono clip's samples as they are, in a new array", () => {
    const ch = Float32Array.of(0.25, -0.75);
    const x = mixToMono(makeClip(44100, [ch]));
    expect(Array.from(x)).toEqual([0.25, -0.75]);
    expect(x).not.toBe(ch);
  });
});

describe("filters", () => {
  it("one-pole low-pass follows its recursion from a zero state", () => {
    const a = 1 - Math.exp((-2 * Math.PI * 150) / 44100);
    const y = onePoleLowpass(Float32Array.of(1, 1, 1), 44100, 150);
    expect(y[0]).toBe(Math.fround(a));
    expect(y[1]).toBe(Math.fround(a + a * (1 - a)));
  });

  it.each([
    ["lowpass", 120, 30, 1],
    ["lowpass", 120, 2000, 0],
    ["highpass", 6000, 12000, 1],
    ["highpass", 6000, 300, 0],
  ] as const)("biquad %s at %d Hz passes %d Hz with gain ≈ %d", (kind, cutoff, hz, gain) => {
    const y = applyBiquad(sine(hz, 44100, 8192), biquadCoefficients(kind, 44100, cutoff));
    expect(rmsTail(y) * Math.SQRT2).toBeCloseTo(gain, 1);
  });

  it("biquad gain at the cutoff is 1/√2 per section and 1/2 for two in series", () => {
    const c = biquadCoefficients("lowpass", 44100, 1000);
    const x = sine(1000, 44100, 16384);
    expect(rmsTail(applyBiquad(x, c)) * Math.SQRT2).toBeCloseTo(Math.SQRT1_2, 3);
    expect(rmsTail(applyBiquadTwice(x, c)) * Math.SQRT2).toBeCloseTo(0.5, 3);
  });

  it("two fused sections equal two stored passes sample for sample", () => {
    const c = biquadCoefficients("highpass", 44100, 6000);
    const x = sine(7000, 44100, 1000).map((v, i) => v * ((i * 7919) % 13) / 13);
    expect(Array.from(applyBiquadTwice(x, c))).toEqual(Array.from(applyBiquad(applyBiquad(x, c), c)));
  });
});

describe("frame grid", () => {
  it.each([
    [0, 1],
    [511, 1],
    [767, 1],
    [768, 2],
    [1024, 3],
    [44100, 171],
  ])("%d samples give %d frames", (n, frames) => expect(frameCount(n)).toBe(frames));

  it("frame RMS divides by the samples present, at least one", () => {
    const x = new Float32Array(600).fill(0.5);
    expect(frameRms(x, 0)).toBeCloseTo(0.5, 12);
    expect(frameRms(x, 2)).toBeCloseTo(0.5, 12); // 88 samples left
    expect(frameRms(new Float32Array(0), 0)).toBe(0);
  });

  it("five-frame smoothing averages only frames inside the range at the edges", () => {
    const s = smoothFiveFloat32(Float32Array.of(3, 0, 0, 0, 6));
    expect(Array.from(s)).toEqual([1, 0.75, Math.fround(1.8), 1.5, 2]);
  });
});

describe("power spectrum", () => {
  it.each([4, 64, 2048])("matches a direct DFT at %d points", (n) => {
    const frame = Float32Array.from({ length: n }, (_, i) => Math.sin(i * 0.7) + 0.3 * Math.cos(i * 2.1) + (i % 5) / 10);
    const power = new Float32Array(n / 2);
    powerSpectrum(makeFftPlan(n), frame, power);
    for (let k = 0; k < n / 2; k++) {
      let re = 0, im = 0;
      for (let i = 0; i < n; i++) {
        re += frame[i] * Math.cos((-2 * Math.PI * k * i) / n);
        im += frame[i] * Math.sin((-2 * Math.PI * k * i) / n);
      }
      const want = re * re + im * im;
      expect(Math.abs(power[k] - want)).toBeLessThanOrEqual(1e-6 * Math.max(1, want));
    }
  });
});

describe("one-pass band envelopes", () => {
  // The fused passes must equal filtering whole signals, storing them and taking frame RMS.
  it.each([0, 100, 511, 767, 768, 1000, 5000, 44100])("equal the stored-signal envelopes for %d samples", (n) => {
    const rnd = seededRandom(n + 1);
    const x = Float32Array.from({ length: n }, (_, i) => (rnd() - 0.5) * (1 + Math.sin(i / 300)));
    const frames = frameCount(n);
    const wide = wideBandEnvelopes(x, 44100, frames);
    const bands = splitWideBands(x, 44100);
    expect(wide.low).toEqual(rmsEnvelope(bands.low, frames));
    expect(wide.mid).toEqual(rmsEnvelope(bands.mid, frames));
    expect(wide.high).toEqual(rmsEnvelope(bands.high, frames));
    const det = detectorBandEnvelopes(x, 44100, frames);
    const lp = biquadCoefficients("lowpass", 44100, 120);
    const hp = biquadCoefficients("highpass", 44100, 6000);
    expect(det.kick).toEqual(rmsEnvelope(applyBiquad(applyBiquad(x, lp), lp), frames));
    expect(det.hat).toEqual(rmsEnvelope(applyBiquad(applyBiquad(x, hp), hp), frames));
  });
  it("split bands follow their definitions sample by sample", () => {
    const x = Float32Array.of(1, -0.5, 0.25, 0.8);
    const { low, mid, high } = splitWideBands(x, 44100);
    const l = onePoleLowpass(x, 44100, 150);
    const m4 = onePoleLowpass(x, 44100, 4000);
    expect(Array.from(low)).toEqual(Array.from(l));
    expect(Array.from(mid)).toEqual(Array.from(m4).map((v, i) => Math.fround(v - l[i])));
    expect(Array.from(high)).toEqual(Array.from(x).map((v, i) => Math.fround(v - m4[i])));
  });
});

describe("hit spectrum", () => {
  const bins = (lo: number, hi: number) => {
    // Power 1 in every bin: the band sum counts the bins.
    return bandPowerSum(new Float32Array(1024).fill(1), 44100 / 2048, lo, hi);
  };
  it.each([
    [30, 110, 5],
    [120, 550, 21],
    [900, 5000, 191],
    [6000, 16000, 465],
  ])("band %d-%d Hz covers %d bins at 44.1 kHz", (lo, hi, count) => expect(bins(lo, hi)).toBe(count));

  it("tilt reaches 1 at a centroid of 12,400 Hz and 0 at 0 Hz", () => {
    expect(tiltFromCentroid(12400)).toBeCloseTo(1, 12);
    expect(tiltFromCentroid(0)).toBe(0);
    expect(tiltFromCentroid(20000)).toBe(1);
  });

  it("puts a low sine in sub and a high sine in air, with matching tilt", () => {
    const low = hitSpectrum(sine(60, 44100, 8192), 44100, 0);
    const high = hitSpectrum(sine(9000, 44100, 8192), 44100, 0);
    expect(low.bands.sub).toBeGreaterThan(100 * low.bands.air);
    expect(high.bands.air).toBeGreaterThan(100 * high.bands.sub);
    expect(low.tilt).toBeLessThan(0.2);
    expect(high.tilt).toBeGreaterThan(0.7);
  });

  it("takes the last 2048 samples when the hit is near the end and zero-pads short clips", () => {
    const x = sine(1000, 44100, 3000);
    expect(hitSpectrum(x, 44100, 2900)).toEqual(hitSpectrum(x, 44100, 952 - 88));
    expect(hitSpectrum(new Float32Array(100), 44100, 0).bands).toEqual({ sub: 0, body: 0, crack: 0, air: 0 });
  });

  it("peak amplitude looks 35 ms ahead of the hit", () => {
    const x = new Float32Array(5000);
    x[1543] = -0.8; // last sample of the 1544-sample window at 44.1 kHz
    x[1544] = 0.9;
    expect(peakAmplitude(x, 44100, 0)).toBeCloseTo(0.8, 6);
  });
});

describe("velocity curve and band score", () => {
  it.each([
    [1, 127],
    [0.5, 84],
    [0, 1],
    [2, 127],
  ])("vel(%d) = %d", (x, v) => expect(velocityCurve(x)).toBe(v));

  it("treats a tiny reference as an absent band, lowered by gain and multiplier", () => {
    // floor = 0.012 / (gain · mult) · refMax
    expect(bandScore(1, 0.011, 1, 1)).toBe(0);
    expect(bandScore(0.005, 0.013, 1, 1)).toBeCloseTo(0.005 / 0.013, 12);
    expect(bandScore(0.005, 0.007, 2, 1)).toBeCloseTo(0.005 / 0.007, 12);
    expect(bandScore(0.005, 0.002, 1, 1, 8)).toBe(1);
    expect(bandScore(0, 0, 2, 1e-9)).toBe(0);
  });
});

describe("lane decision", () => {
  const unit = { kick: 1, snare: 1, hat: 1 };
  it.each([
    ["ties favour low", { kick: 0.5, snare: 0.5, hat: 0.5 }, unit, true, "low", ["low", "mid", "high"]],
    ["snare over hat on a tie", { kick: 0.1, snare: 0.5, hat: 0.5 }, unit, true, "mid", ["mid", "high"]],
    ["layered kick and hat", { kick: 0.9, snare: 0.4, hat: 0.31 }, unit, true, "low", ["low", "high"]],
    ["nothing above threshold keeps the primary", { kick: 0.1, snare: 0.2, hat: 0.3 }, unit, true, "high", ["high"]],
    ["single mode keeps one lane", { kick: 0.9, snare: 0.8, hat: 0.9 }, unit, false, "low", ["low"]],
    ["gain 0 silences a voice", { kick: 1, snare: 0.5, hat: 0.2 }, { kick: 0, snare: 1, hat: 1 }, true, "mid", ["mid"]],
    ["all weighted scores 0: low wins", { kick: 1, snare: 1, hat: 1 }, { kick: 0, snare: 0, hat: 0 }, true, "low", ["low"]],
    ["gain 2 lifts a weak voice", { kick: 0.3, snare: 0.1, hat: 0.2 }, { kick: 1, snare: 1, hat: 2 }, true, "high", ["high"]],
  ] as const)("%s", (_name, scores, gains, layered, primary, voices) => {
    expect(decideLanes(scores, gains, layered)).toEqual({ primary, voices });
  });
});
