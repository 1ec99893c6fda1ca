import { afterEach, describe, expect, it, vi } from "vitest";
import { makeClip, type AudioClip } from "./clip.ts";
import { stretchLocally } from "./stretchLocal.ts";
import { soundTouchStretch } from "./soundtouchStretch.ts";
import { STRETCH_TIMEOUT_MS, makeRequestId, stretchViaNative, type NativeStretchDeps } from "./stretchNative.ts";
import { clipToWavBase64 } from "./wav.ts";
import { STRETCH_RESULT_EVENT } from "../bridge/events.ts";

const RATE = 44100;

/** Isolated hits: a sharp attack with an 80 ms decay of seeded noise. */
function hitsClip(hitTimesSec: number[], lengthSec: number): AudioClip {
  let seed = 12345;
  const rnd = () => ((seed = (seed * 1664525 + 1013904223) >>> 0) / 2 ** 32) * 2 - 1;
  const left = new Float32Array(Math.round(lengthSec * RATE));
  for (const t of hitTimesSec) {
    const at = Math.round(t * RATE);
    for (let i = 0; i < 0.25 * RATE && at + i < left.length; i++) left[at + i] = 0.8 * Math.exp(-i / (0.08 * RATE)) * rnd();
  }
  const right = left.map((x) => x * 0.5);
  return makeClip(RATE, [left, right]);
}

const peakIn = (x: Float32Array, from: number, to: number) => {
  let peak = 0;
  for (let i = Math.max(0, from); i < Math.min(x.length, to); i++) peak = Math.max(peak, Math.abs(x[i]));
  return peak;
};

describe("stretchLocally", () => {
  const hits = [0.25, 0.75, 1.25, 1.75];
  const clip = hitsClip(hits, 2);

  it.each([0.5, 0.8, 1, 1.3, 2])("gives round(length / ratio) stereo frames at ratio %f", (ratio) => {
    const out = stretchLocally(clip, ratio);
    expect(out.length).toBe(Math.round(clip.length / ratio));
    expect(out.channels).toHaveLength(2);
    expect(out.sampleRate).toBe(RATE);
    expect(out.channels.every((c) => c.every(Number.isFinite))).toBe(true);
  });

  it("keeps each attack at ratio 0.5, moved to twice its time", () => {
    const out = stretchLocally(clip, 0.5);
    const ms = (x: number) => Math.round((x * RATE) / 1000);
    for (const t of hits) {
      const src = Math.round(t * RATE);
      const dst = 2 * src;
      const inputPeak = peakIn(clip.channels[0], src, src + ms(10));
      // The attack lands just before 2t (its segment starts 3 ms and up to one block ahead of it)...
      const outPeak = peakIn(out.channels[0], dst - ms(10), dst + ms(10));
      expect(outPeak, `attack at ${t}s`).toBeCloseTo(inputPeak, 5);
      // ...and is a sample-exact copy of the source attack, not a smeared one.
      const start = out.channels[0].findIndex((x, i) => i >= dst - ms(10) && Math.abs(x) > 0.5 * inputPeak);
      const srcStart = clip.channels[0].findIndex((x, i) => i >= src && Math.abs(x) > 0.5 * inputPeak);
      expect(start - dst, `attack position at ${t}s`).toBeGreaterThanOrEqual(-ms(8));
      expect(start - dst).toBeLessThanOrEqual(0);
      for (let k = 0; k < ms(3); k++) expect(out.channels[0][start + k]).toBe(clip.channels[0][srcStart + k]);
    }
  });

  it("reproduces the input at ratio 1 except for the segment fades", () => {
    const out = stretchLocally(clip, 1);
    let exact = 0;
    for (let i = 0; i < clip.length; i++) {
      const x = clip.channels[0][i];
      const y = out.channels[0][i];
      if (y === x) {
        exact++;
      } else {
        expect(y / x, `sample ${i} is a faded copy`).toBeGreaterThanOrEqual(0);
        expect(Math.abs(y)).toBeLessThanOrEqual(Math.abs(x));
      }
    }
    expect(exact / clip.length).toBeGreaterThan(0.9);
  });

  it("uses the right channel and a mono clip's only channel for both sides", () => {
    const mono = makeClip(RATE, [clip.channels[0]]);
    const out = stretchLocally(mono, 0.8);
    expect(Array.from(out.channels[1])).toEqual(Array.from(out.channels[0]));
    expect(peakIn(out.channels[0], 0, out.length)).toBeGreaterThan(0.5);
  });

  it("stretches a sine tone (no transients) through SoundTouch, keeping its pitch", () => {
    const n = RATE;
    const sine = Float32Array.from({ length: n }, (_, i) => 0.5 * Math.sin((2 * Math.PI * 220 * i) / RATE));
    const tone = makeClip(RATE, [sine, sine]);
    const out = stretchLocally(tone, 0.8);
    expect(out.length).toBe(Math.round(n / 0.8));
    expect(Array.from(out.channels[0])).toEqual(Array.from(soundTouchStretch(tone, 0.8, 0, n).channels[0]));
    // Pitch: zero crossings per second in the steady middle stay at 2 × 220.
    const from = Math.round(0.2 * RATE);
    const to = Math.round(1.0 * RATE);
    let crossings = 0;
    for (let i = from + 1; i < to; i++) if (out.channels[0][i - 1] < 0 !== out.channels[0][i] < 0) crossings++;
    expect(crossings / ((to - from) / RATE)).toBeCloseTo(440, -1);
    expect(peakIn(out.channels[0], from, to)).toBeGreaterThan(0.45);
  });

  it.each([
    ["an empty clip", makeClip(RATE, [new Float32Array(0)]), 0.5, 1],
    ["a clip without channels", makeClip(RATE, []), 1, 1],
    ["a non-positive ratio", hitsClip([0.1], 0.5), -2, Math.round(0.5 * RATE)],
    ["a NaN ratio", hitsClip([0.1], 0.5), Number.NaN, Math.round(0.5 * RATE)],
  ])("survives %s", (_, input, ratio, frames) => {
    const out = stretchLocally(input as AudioClip, ratio as number);
    expect(out.length).toBe(frames);
  });

  it("stretches only the frames between start and end", () => {
    const out = stretchLocally(clip, 0.5, RATE, 2 * RATE);
    expect(out.length).toBe(2 * RATE);
    expect(peakIn(out.channels[0], 0, 100)).toBe(0); // the region starts in silence
  });
});

describe("stretchViaNative", () => {
  afterEach(() => vi.useRealTimers());

  const clip = makeClip(RATE, [Float32Array.of(0.1, 0.2, 0.3)]);
  function fakeNative() {
    const events = new EventTarget();
    const requests: { reqId: string; base64: string; ratio: number }[] = [];
    const deps: NativeStretchDeps = { stretch: (r) => requests.push(r), events, random: Math.random };
    const answer = (detail: unknown) => events.dispatchEvent(new CustomEvent(STRETCH_RESULT_EVENT, { detail }));
    return { deps, requests, answer };
  }

  it("gives nothing at once without the shim", async () => {
    expect(await stretchViaNative(clip, 2, { stretch: undefined, events: new EventTarget(), random: Math.random })).toBeNull();
  });

  it("sends the clip as Base64 WAV with a request id and decodes the matching answer", async () => {
    const { deps, requests, answer } = fakeNative();
    const result = stretchViaNative(clip, 1.5, deps);
    expect(requests).toHaveLength(1);
    expect(requests[0].reqId).toMatch(/^[a-z0-9]{11}$/);
    expect(requests[0].ratio).toBe(1.5);
    expect(requests[0].base64).toBe(clipToWavBase64(clip));
    const stretched = makeClip(RATE, [Float32Array.of(0.5, -0.5)]);
    answer({ reqId: "someone-else", base64: clipToWavBase64(clip) });
    answer({ reqId: requests[0].reqId, base64: clipToWavBase64(stretched) });
    expect((await result)?.length).toBe(2);
  });

  it.each([
    ["a rejection", { error: "bad request" }],
    ["an empty result", { base64: "" }],
    ["an undecodable result", { base64: "not a wav" }],
  ])("gives nothing for %s", async (_, fields) => {
    const { deps, requests, answer } = fakeNative();
    const result = stretchViaNative(clip, 2, deps);
    answer({ reqId: requests[0].reqId, ...fields });
    expect(await result).toBeNull();
  });

  it("gives nothing after exactly 30 s without an answer, and ignores a late answer", async () => {
    vi.useFakeTimers();
    const { deps, requests, answer } = fakeNative();
    let settled: unknown = "pending";
    void stretchViaNative(clip, 2, deps).then((r) => (settled = r));
    await vi.advanceTimersByTimeAsync(STRETCH_TIMEOUT_MS - 1);
    expect(settled).toBe("pending");
    await vi.advanceTimersByTimeAsync(1);
    expect(settled).toBeNull();
    expect(STRETCH_TIMEOUT_MS).toBe(30_000);
    expect(() => answer({ reqId: requests[0].reqId, base64: clipToWavBase64(clip) })).not.toThrow();
    expect(settled).toBeNull();
  });

  it("makes 11-character lower-case base-36 ids", () => {
    expect(makeRequestId(() => 0)).toBe("00000000000");
    expect(makeRequestId(() => 0.9999)).toBe("zzzzzzzzzzz");
  });
});
