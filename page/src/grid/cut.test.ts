import { describe, expect, it } from "vitest";
import { makeClip } from "../audio/clip";
import { cutLoop } from "./cut";

const SR = 44100;
const ramp = (n: number) => Float32Array.from({ length: n }, (_, i) => i / n);

describe("cutLoop", () => {
  it("from 0 s: 3 ms linear fades in and out", () => {
    const clip = makeClip(SR, [new Float32Array(2 * SR).fill(1), new Float32Array(2 * SR).fill(-1)]);
    const cut = cutLoop(clip, 0, 1);
    expect(cut.length).toBe(SR);
    expect(cut.channels).toHaveLength(2);
    const x = cut.channels[0];
    const fade = 132; // round(0.003 · 44100)
    expect([x[0], x[1], x[fade - 1], x[fade]]).toEqual([0, Math.fround(1 / fade), Math.fround((fade - 1) / fade), 1]);
    expect([x[SR - 1], x[SR - 2], x[SR - fade], x[SR - fade - 1]]).toEqual([0, Math.fround(1 / fade), Math.fround((fade - 1) / fade), 1]);
    expect(cut.channels[1][1]).toBe(Math.fround(-1 / fade));
  });

  it("from 1 s: a 12 ms equal-power seam into the audio before the start, and no fade at the start", () => {
    const input = ramp(3 * SR);
    const cut = cutLoop(makeClip(SR, [input]), 1, 2);
    const x = cut.channels[0];
    const seam = 529; // round(0.012 · 44100)
    expect(x[0]).toBe(input[SR]);
    expect(x[SR - seam - 1]).toBe(input[2 * SR - seam - 1]);
    for (const i of [0, 264, seam - 1]) {
      const w = (i + 1) / (seam + 1);
      const k = SR - seam + i;
      const want = input[SR + k] * Math.cos((w * Math.PI) / 2) + input[SR - seam + i] * Math.sin((w * Math.PI) / 2);
      expect(x[k]).toBe(Math.fround(want));
    }
    // The last sample is almost the one just before the loop's start.
    expect(x[SR - 1]).toBeCloseTo(input[SR - 1], 2);
  });

  it("limits the seam by the audio before the start and by an eighth of the loop", () => {
    const input = ramp(SR);
    const near = cutLoop(makeClip(SR, [input]), 100 / SR, 0.5).channels[0];
    expect(near[near.length - 101]).toBe(input[100 + near.length - 101]); // untouched before the 100-sample seam
    const short = cutLoop(makeClip(SR, [input]), 0.5, 0.5 + 800 / SR).channels[0];
    expect(short[699]).toBe(input[SR / 2 + 699]); // seam is 100 samples (800 / 8)
    expect(short[700]).not.toBe(input[SR / 2 + 700]);
  });

  it("clamps the end to the clip and never returns fewer than one frame", () => {
    const clip = makeClip(SR, [ramp(SR)]);
    expect(cutLoop(clip, 0.5, 5).length).toBe(SR / 2);
    expect(cutLoop(clip, 0.5, 0.5).length).toBe(1);
    const past = cutLoop(clip, 2, 3);
    expect(past.length).toBe(1);
    expect(past.channels[0][0]).toBe(0);
    expect(past.sampleRate).toBe(SR);
  });
});
