import { describe, expect, it } from "vitest";
import { detectOnsets } from "./detect";
import { goldenFixture } from "./goldenFixture";
import { analyzeGroove } from "../grid/analyze";

// Pinned output of the whole pipeline on a fixed fixture, so that optimisations
// cannot change results unnoticed: [frame, origin, voices, lane velocities, velocity].
const GOLDEN_HITS = [
  [0, "wide", "low+high", "126/90", 117],
  [42, "hat", "high", "97", 55],
  [85, "wide", "mid+high", "125/127", 110],
  [128, "hat", "high", "99", 40],
  [150, "hat", "high", "127", 41],
  [171, "wide", "low+high", "127/127", 120],
  [214, "wide", "low+high", "105/103", 102],
  [257, "wide", "mid+high", "127/127", 123],
  [300, "hat", "high", "104", 46],
  [343, "wide", "low+high", "126/127", 119],
  [386, "hat", "high", "111", 60],
  [430, "wide", "mid+high", "122/127", 119],
  [472, "hat", "high", "112", 43],
  [494, "hat", "high", "127", 48],
  [516, "wide", "low+high", "127/112", 115],
  [558, "kick", "low", "74", 102],
  [569, "kick", "low", "100", 79],
  [602, "wide", "mid+high", "127/127", 127],
  [645, "hat", "high", "93", 41],
];
const GOLDEN_FLUX_FRAMES = 688;
const GOLDEN_FLUX_CHECKSUM = 2766.6298727920093; // Σ flux[i] · (i + 1)
const GOLDEN_SPECTRAL_SUM = 4871.343877000595; // Σ over hits of the four bands, tilt and amp

describe("golden analysis", () => {
  const clip = goldenFixture();
  const result = detectOnsets(clip);

  it("finds the same hits with the same lanes and velocities", () => {
    const summary = result.onsets.map((o) => [
      Math.round((o.time * 44100) / 256),
      o.origin,
      o.voices.join("+"),
      o.voices.map((l) => o.vels[l]).join("/"),
      o.velocity,
    ]);
    expect(summary).toEqual(GOLDEN_HITS);
  });

  it("gives the same flux and spectra", () => {
    expect(result.flux).toHaveLength(GOLDEN_FLUX_FRAMES);
    const checksum = result.flux.reduce((s, v, i) => s + v * (i + 1), 0);
    expect(checksum).toBeCloseTo(GOLDEN_FLUX_CHECKSUM, 9);
    const spectral = result.onsets.reduce((s, o) => s + o.bands.sub + o.bands.body + o.bands.crack + o.bands.air + o.tilt + o.amp, 0);
    expect(spectral / GOLDEN_SPECTRAL_SUM).toBeCloseTo(1, 6);
  });

  it("is deterministic and leaves the clip untouched", () => {
    const before = Array.from(clip.channels[0].subarray(0, 1000));
    expect(detectOnsets(clip)).toEqual(result);
    expect(Array.from(clip.channels[0].subarray(0, 1000))).toEqual(before);
  });

  it("analyzeGroove carries the same hits", () => {
    const g = analyzeGroove(clip, 120, 4);
    expect(g.onsets.map((o) => o.time)).toEqual(result.onsets.map((o) => o.time));
    expect(g.flux).toEqual(result.flux);
  });
});
