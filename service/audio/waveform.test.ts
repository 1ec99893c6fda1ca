import { describe, expect, it } from "vitest";
import { summarizeWaveform } from "./waveform.ts";

const sine = (hz: number, seconds: number, level = 1) =>
  Float32Array.from({ length: Math.round(seconds * 44_100) }, (_, i) => level * Math.sin((2 * Math.PI * hz * i) / 44_100));

describe("summarizeWaveform", () => {
  it("scales peaks to the loudest slice and keeps silence at 0", () => {
    const samples = new Float32Array(44_100);
    samples.set(sine(100, 0.25, 0.5), 0);
    samples.set(sine(100, 0.25, 0.25), 22_050);
    const { peaks, tone } = summarizeWaveform(samples, 4);
    expect(peaks).toEqual([1, 0, 0.5, 0]);
    expect(tone[1]).toBe(0);
  });

  it("rates a high tone brighter than a low one, within 0-1", () => {
    const low = summarizeWaveform(sine(60, 0.1), 1).tone[0];
    const high = summarizeWaveform(sine(8000, 0.1), 1).tone[0];
    expect(low).toBeGreaterThan(0);
    expect(high).toBeGreaterThan(low + 0.4);
    expect(high).toBeLessThanOrEqual(1);
  });

  it("gives the asked number of slices even for very short input", () => {
    const { peaks, tone } = summarizeWaveform(new Float32Array(3), 8);
    expect(peaks).toHaveLength(8);
    expect(tone).toHaveLength(8);
  });
});
