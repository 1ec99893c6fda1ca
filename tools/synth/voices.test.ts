import { describe, expect, it } from "vitest";
import {
  KIT_IDS,
  VOICES,
  bandEnergyFraction,
  filter,
  makeRng,
  peakOf,
  powerSpectrum,
  renderKitVoice,
  rmsOf,
  spectralCentroid,
} from "./index.ts";

const RATE = 44_100;
const MIN_FRAMES = Math.ceil(0.888 * RATE);
const MAX_FRAMES = Math.floor(1.8 * RATE);

describe("makeRng", () => {
  it("repeats for a seed, differs between seeds and stays in [0, 1)", () => {
    const draw = (seed: number) => Array.from({ length: 1000 }, makeRng(seed));
    expect(draw(7)).toEqual(draw(7));
    expect(draw(7)).not.toEqual(draw(8));
    const values = draw(123);
    expect(Math.min(...values)).toBeGreaterThanOrEqual(0);
    expect(Math.max(...values)).toBeLessThan(1);
  });
});

describe("biquad filters", () => {
  const sine = (hz: number) => Float32Array.from({ length: RATE }, (_, i) => Math.sin((2 * Math.PI * hz * i) / RATE));
  const gainDb = (out: Float32Array, input: Float32Array) =>
    20 * Math.log10(rmsOf(out.subarray(RATE / 2)) / rmsOf(input.subarray(RATE / 2)));

  it.each([
    ["lowpass", 1000, 1000, -3.01],
    ["highpass", 1000, 1000, -3.01],
    ["lowpass", 1000, 100, 0],
    ["highpass", 1000, 100, -40],
  ] as const)("%s at %d Hz passes a %d Hz sine at %d dB", (kind, cutoffHz, toneHz, expectedDb) => {
    const input = sine(toneHz);
    expect(gainDb(filter(input, kind, cutoffHz, Math.SQRT1_2, RATE), input)).toBeCloseTo(expectedDb, 0);
  });
});

describe("kit voices", () => {
  const cases = KIT_IDS.flatMap((kit) => VOICES.map((voice) => ({ kit, voice, samples: renderKitVoice(kit, voice, RATE, 1) })));

  it.each(cases)("$kit $voice: 0.888-1.8 s, below full scale, silent at the end", ({ samples }) => {
    expect(samples.length).toBeGreaterThanOrEqual(MIN_FRAMES);
    expect(samples.length).toBeLessThanOrEqual(MAX_FRAMES);
    expect(peakOf(samples)).toBeLessThan(0.96);
    expect(Math.abs(samples[samples.length - 1])).toBeLessThan(1e-6);
  });

  it.each(cases)("$kit $voice: attack at the start (loudest 10 ms within the first 50 ms)", ({ samples }) => {
    const window = 441;
    let loudest = 0;
    for (let start = 0; start + window <= samples.length; start += window) {
      if (rmsOf(samples.subarray(start, start + window)) > rmsOf(samples.subarray(loudest, loudest + window))) loudest = start;
    }
    expect(loudest).toBeLessThanOrEqual(4 * window);
  });

  it.each(KIT_IDS)("%s: kick below 200 Hz, hat above 5 kHz, snare in between", (kit) => {
    const [kick, snare, hat] = VOICES.map((voice) => renderKitVoice(kit, voice, RATE, 1));
    expect(bandEnergyFraction(kick, RATE, 0, 200)).toBeGreaterThan(0.9);
    expect(bandEnergyFraction(hat, RATE, 5000, RATE / 2)).toBeGreaterThan(0.9);
    const centroids = [kick, snare, hat].map((s) => spectralCentroid(s, RATE));
    expect(centroids[0]).toBeLessThan(centroids[1]);
    expect(centroids[1]).toBeLessThan(centroids[2]);
  });

  // Level per 512-sample frame (hop 256) of a band, each frame averaged with its four neighbours.
  const bandEnvelope = (samples: Float32Array, band: (x: Float32Array) => Float32Array) => {
    const x = band(samples);
    const frames = Array.from({ length: Math.floor((x.length - 512) / 256) + 1 }, (_, f) => rmsOf(x.subarray(256 * f, 256 * f + 512)));
    return frames.map((_, f) => {
      const near = frames.slice(Math.max(0, f - 2), f + 3);
      return near.reduce((a, b) => a + b, 0) / near.length;
    });
  };
  const frameMs = (frame: number) => (frame * 256 * 1000) / RATE;
  const kickBand = (x: Float32Array) => filter(x, "lowpass", 120, Math.SQRT1_2, RATE, 2);
  const snareBand = (x: Float32Array) => filter(filter(x, "highpass", 150, Math.SQRT1_2, RATE), "lowpass", 4000, Math.SQRT1_2, RATE);

  it.each(KIT_IDS)("%s: the kick's low end swells once, right at the attack, then only falls", (kit) => {
    const env = bandEnvelope(renderKitVoice(kit, "kick", RATE, 1), kickBand);
    const peak = env.indexOf(Math.max(...env));
    expect(frameMs(peak)).toBeLessThan(40);
    // A second swell would read as a second kick.
    const regrowth = Math.max(...env.slice(peak + 1).map((level, i) => level - env[peak + i]));
    expect(regrowth).toBeLessThan(0.02 * env[peak]);
  });

  it.each(KIT_IDS)("%s: the snare's strike stands 12 dB clear of its ring 120 ms later", (kit) => {
    // A quick second stroke (a 16th at 128 BPM) must rise well above the first one's ring.
    const env = bandEnvelope(renderKitVoice(kit, "snare", RATE, 1), snareBand);
    const peak = Math.max(...env);
    const later = env[Math.round((0.12 * RATE) / 256)];
    expect(20 * Math.log10(later / peak)).toBeLessThan(-12);
  });

  it.each(KIT_IDS)("%s: the snare's sizzle stays well below the hat's band level", (kit) => {
    // Band level 6-16 kHz over the first 46 ms after the attack, as a lane sorter would see it.
    const airLevel = (samples: Float32Array) => {
      const { power, binHz } = powerSpectrum(samples.subarray(88, 88 + 2048), RATE);
      let sum = 0;
      power.forEach((p, k) => (sum += k * binHz >= 6000 && k * binHz <= 16000 ? p : 0));
      return Math.sqrt(sum);
    };
    const snare = airLevel(renderKitVoice(kit, "snare", RATE, 1));
    const hat = airLevel(renderKitVoice(kit, "hat", RATE, 1));
    expect(snare).toBeLessThan(0.3 * hat);
  });

  it("gives each kit its own sound", () => {
    const centroid = (kit: (typeof KIT_IDS)[number]) => Math.round(spectralCentroid(renderKitVoice(kit, "snare", RATE, 1), RATE));
    expect(new Set(KIT_IDS.map(centroid)).size).toBe(KIT_IDS.length);
  });

  it("renders the same samples for the same seed and different noise for another", () => {
    expect(renderKitVoice("funk", "snare", RATE, 5)).toEqual(renderKitVoice("funk", "snare", RATE, 5));
    expect(renderKitVoice("funk", "snare", RATE, 5)).not.toEqual(renderKitVoice("funk", "snare", RATE, 6));
  });
});
