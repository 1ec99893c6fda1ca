import { describe, expect, it } from "vitest";
import { makeClip, type AudioClip } from "../audio/clip";
import { hitGain, renderGroove, type KitSamples } from "./renderGroove";
import { testHit } from "../writers/testing/grooves";

const RATE = 1000;
const silence = (seconds: number, channels = 1): AudioClip =>
  makeClip(RATE, Array.from({ length: channels }, () => new Float32Array(seconds * RATE)));
const constant = (seconds: number, value: number, rate = RATE): AudioClip =>
  makeClip(rate, [new Float32Array(Math.round(seconds * rate)).fill(value)]);
const firstNonZero = (channel: Float32Array) => channel.findIndex((x) => x !== 0);

describe("renderGroove", () => {
  it("places each struck lane's one-shot at its velocity's gain in both channels", () => {
    const kit: KitSamples = { low: constant(0.01, 0.5), high: constant(0.01, 0.25) };
    const groove = { onsets: [testHit(0.1, ["low", "high"], 127, { low: 127, high: 64 })] };
    const out = renderGroove(groove, silence(1, 1), kit, 1);
    expect(out.channels).toHaveLength(2);
    expect([out.length, out.sampleRate]).toEqual([1000, RATE]);
    expect(out.channels[0][100]).toBeCloseTo(0.5 * hitGain(127) + 0.25 * hitGain(64), 6);
    expect(hitGain(127)).toBeCloseTo(0.9, 12);
    expect(Array.from(out.channels[1])).toEqual(Array.from(out.channels[0]));
    expect(out.channels[0][99]).toBe(0);
    expect(out.channels[0][110]).toBe(0);
  });

  it("uses the band when a hit has no voices, and skips lanes the kit lacks", () => {
    const kit: KitSamples = { mid: constant(0.005, 0.5) };
    const hit = { ...testHit(0.2, [], 127), band: "mid" as const };
    const out = renderGroove({ onsets: [hit, testHit(0.4, ["high"], 127)] }, silence(1), kit, 1);
    expect(firstNonZero(out.channels[0])).toBe(200);
    expect(out.channels[0].slice(300).every((x) => x === 0)).toBe(true);
  });

  it("cuts a hit 10 ms before the end instead of wrapping it", () => {
    const kick = constant(1.5, 0.5);
    const out = renderGroove({ onsets: [testHit(0.99, ["low"], 127)] }, silence(1), { low: kick }, 1);
    expect(firstNonZero(out.channels[0])).toBe(990);
    expect(out.channels[0].slice(0, 990).every((x) => x === 0)).toBe(true);
    expect(out.length).toBe(1000);
  });

  it("plays only the part after the start of a hit placed before it", () => {
    const ramp = makeClip(RATE, [Float32Array.from({ length: 20 }, (_, i) => (i + 1) / 100)]);
    const out = renderGroove({ onsets: [testHit(-0.005, ["low"], 127)] }, silence(1), { low: ramp }, 1);
    expect(out.channels[0][0]).toBeCloseTo(0.06 * hitGain(127), 6);
    expect(firstNonZero(out.channels[0].subarray(15))).toBe(-1);
  });

  it("skips hits at or beyond the end", () => {
    const out = renderGroove({ onsets: [testHit(1, ["low"]), testHit(5, ["low"])] }, silence(1), { low: constant(0.1, 0.5) }, 1);
    expect(firstNonZero(out.channels[0])).toBe(-1);
  });

  it("scales a loud sum as a whole so its peak is 0.98", () => {
    const kit: KitSamples = { low: constant(0.1, 0.8), mid: constant(0.1, 0.8) };
    const groove = { onsets: [testHit(0.1, ["low"], 127), testHit(0.15, ["mid"], 127), testHit(0.5, ["low"], 127)] };
    const out = renderGroove(groove, silence(1), kit, 1);
    const peak = 0.72 * 2;
    expect(Math.max(...out.channels[0])).toBeCloseTo(0.98, 6);
    // The lone hit far from the loud spot is scaled too.
    expect(out.channels[0][550]).toBeCloseTo(0.72 * (0.98 / peak), 6);
  });

  it("moves hits by the time scale while each sample keeps its length", () => {
    const kit: KitSamples = { low: constant(0.05, 0.5) };
    const groove = { onsets: [testHit(0.2, ["low"], 127)] };
    const slow = renderGroove(groove, silence(1), kit, 2);
    const fast = renderGroove(groove, silence(1), kit, 0.5);
    expect(firstNonZero(slow.channels[0])).toBe(400);
    expect(firstNonZero(fast.channels[0])).toBe(100);
    const sounding = (c: AudioClip) => c.channels[0].filter((x) => x !== 0).length;
    expect([sounding(slow), sounding(fast)]).toEqual([50, 50]);
  });
});
