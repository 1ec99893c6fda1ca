import { describe, expect, it } from "vitest";
import { makeClip } from "../audio/clip";
import { seededRandom } from "../analysis/testSignals";
import { summarizeWaveform } from "./waveform";

const SR = 44100;

describe("summarizeWaveform", () => {
  it("normalises peaks to the loudest bin and measures tone above 400 Hz", () => {
    const rnd = seededRandom(2);
    const x = new Float32Array(SR);
    for (let i = 0; i < SR / 2; i++) x[i] = 0.5 * Math.sin((2 * Math.PI * 50 * i) / SR);
    for (let i = SR / 2; i < SR; i++) x[i] = 0.25 * (rnd() - rnd());
    const s = summarizeWaveform(makeClip(SR, [x]), 4);
    expect(s.peaks[0]).toBe(1);
    expect(s.peaks[3]).toBeLessThan(0.6);
    expect(s.tone[0]).toBeLessThan(0.1);
    expect(s.tone[3]).toBeGreaterThan(0.8);
  });
  it("gives zero peaks and neutral tone for silence", () => {
    const s = summarizeWaveform(makeClip(SR, [new Float32Array(1000)]), 10);
    expect(s).toEqual({ peaks: new Array(10).fill(0), tone: new Array(10).fill(0.5) });
  });
  it("stays finite when the clip has fewer frames than bins", () => {
    const s = summarizeWaveform(makeClip(SR, [Float32Array.of(0.5, -1, 0.25)]), 8);
    expect(s.peaks).toHaveLength(8);
    expect([...s.peaks, ...s.tone].every(Number.isFinite)).toBe(true);
    expect(Math.max(...s.peaks)).toBe(1);
  });
});

describe("summarizeWaveform against a stored low-pass", () => {
  it("matches bin sums over the 400 Hz one-pole output exactly", async () => {
    const { onePoleLowpass } = await import("../analysis/filters");
    const rnd = seededRandom(8);
    const x = Float32Array.from({ length: 10007 }, () => rnd() - 0.5);
    const lp = onePoleLowpass(x, SR, 400);
    const bins = 720;
    const len = x.length / bins;
    const s = summarizeWaveform(makeClip(SR, [x]), bins);
    for (const i of [0, 1, 359, 719]) {
      const start = Math.floor(i * len);
      const end = Math.max(start + 1, Math.floor((i + 1) * len));
      let low = 0, total = 0;
      for (let k = start; k < end; k++) {
        low += lp[k] * lp[k];
        total += x[k] * x[k];
      }
      expect(s.tone[i]).toBe(Math.min(1, Math.max(0, 1 - low / total)));
    }
  });
});
