import { describe, expect, it } from "vitest";
import { makeClip } from "../audio/clip";
import { renderHits, rockBeat } from "../analysis/testSignals";
import { bestTempoLag, bpmFromLag, estimateTempo } from "./tempo";

const HOP_44K = 256 / 44100;

describe("tempo from the best lag", () => {
  it.each([
    [172, 120.2],
    [54, 95.7],
    [86, 120.2],
    [188, 110],
  ])("lag %d at 44.1 kHz reads as %d BPM", (lag, bpm) => expect(bpmFromLag(lag, HOP_44K)).toBe(bpm));

  it("searches lags 54 to 188 and lets the shortest lag win a tie", () => {
    // An impulse train every 60 frames also correlates at 120 and 180, weighted lower by √lag.
    const flux = Array.from({ length: 1000 }, (_, i) => (i % 60 === 0 ? 1 : 0));
    expect(bestTempoLag(flux, HOP_44K)).toBe(60);
    expect(bestTempoLag(new Array(1000).fill(0), HOP_44K)).toBeUndefined();
    expect(bestTempoLag(new Array(55).fill(1), HOP_44K)).toBeUndefined();
    // Constant flux: every lag's sum is (F − lag); /√lag is largest at the shortest lag.
    expect(bestTempoLag(new Array(400).fill(1), HOP_44K)).toBe(54);
  });
});

describe("estimateTempo", () => {
  it.each([96, 120, 140])("hears a %d BPM rock beat", (bpm) => {
    const clip = makeClip(44100, [renderHits(rockBeat(bpm, 4), (4 * 4 * 60) / bpm)]);
    expect(Math.abs(estimateTempo(clip)! - bpm)).toBeLessThan(1.5);
  });
  it("gives nothing for silence and for clips of 55 frames or fewer", () => {
    expect(estimateTempo(makeClip(44100, [new Float32Array(44100 * 3)]))).toBeUndefined();
    expect(estimateTempo(makeClip(44100, [renderHits(rockBeat(120, 1), 14336 / 44100)]))).toBeUndefined();
  });
});
