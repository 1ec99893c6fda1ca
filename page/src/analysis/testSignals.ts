// Deterministic synthetic drum sounds for tests and benchmarks: a kick (pitch-
// dropping sine), a snare (tone plus noise), a hat (high-passed noise burst).

import type { Lane } from "./types";

/** Small seeded generator (mulberry32) so fixtures never change. */
export function seededRandom(seed: number): () => number {
  let a = seed >>> 0;
  return () => {
    a = (a + 0x6d2b79f5) >>> 0;
    let t = a;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

export interface SynthHit {
  timeSec: number;
  lane: Lane;
  /** Linear gain 0-1. */
  gain: number;
}

function addKick(out: Float32Array, sampleRate: number, start: number, gain: number): void {
  const len = Math.min(out.length - start, Math.round(0.35 * sampleRate));
  let phase = 0;
  for (let i = 0; i < len; i++) {
    const t = i / sampleRate;
    const freq = 50 + 90 * Math.exp(-t / 0.03);
    phase += (2 * Math.PI * freq) / sampleRate;
    out[start + i] += gain * 0.9 * Math.sin(phase) * Math.exp(-t / 0.12);
  }
}

function addSnare(out: Float32Array, sampleRate: number, start: number, gain: number, rnd: () => number): void {
  const len = Math.min(out.length - start, Math.round(0.25 * sampleRate));
  let prev = 0;
  for (let i = 0; i < len; i++) {
    const t = i / sampleRate;
    const noise = rnd() * 2 - 1;
    const bright = noise - 0.6 * prev; // gentle high-frequency tilt
    prev = noise;
    const tone = Math.sin(2 * Math.PI * 190 * t) * Math.exp(-t / 0.05);
    out[start + i] += gain * (0.45 * tone + 0.45 * bright * Math.exp(-t / 0.07));
  }
}

function addHat(out: Float32Array, sampleRate: number, start: number, gain: number, rnd: () => number): void {
  const len = Math.min(out.length - start, Math.round(0.06 * sampleRate));
  let x1 = 0;
  let x2 = 0;
  for (let i = 0; i < len; i++) {
    const t = i / sampleRate;
    const noise = rnd() * 2 - 1;
    const hp = noise - 2 * x1 + x2; // second difference: strongly high-passed
    x2 = x1;
    x1 = noise;
    out[start + i] += gain * 0.12 * hp * Math.exp(-t / 0.012);
  }
}

/** Mono signal of the given hits. */
export function renderHits(hits: readonly SynthHit[], lengthSec: number, sampleRate = 44100, seed = 1): Float32Array {
  const out = new Float32Array(Math.round(lengthSec * sampleRate));
  const rnd = seededRandom(seed);
  for (const h of hits) {
    const start = Math.round(h.timeSec * sampleRate);
    if (start >= out.length) continue;
    if (h.lane === "low") addKick(out, sampleRate, start, h.gain);
    else if (h.lane === "mid") addSnare(out, sampleRate, start, h.gain, rnd);
    else addHat(out, sampleRate, start, h.gain, rnd);
  }
  return out;
}

/** A rock beat: kick on 1 and 3 (and the "and" of 3), snare on 2 and 4, eighth hats. */
export function rockBeat(bpm: number, bars: number, swing = 0.5): SynthHit[] {
  const beat = 60 / bpm;
  const hits: SynthHit[] = [];
  for (let bar = 0; bar < bars; bar++) {
    for (let b = 0; b < 4; b++) {
      const t = (bar * 4 + b) * beat;
      hits.push({ timeSec: t, lane: "high", gain: 0.8 });
      hits.push({ timeSec: t + swing * beat, lane: "high", gain: 0.55 });
      if (b === 0 || b === 2) hits.push({ timeSec: t, lane: "low", gain: 1 });
      if (b === 1 || b === 3) hits.push({ timeSec: t, lane: "mid", gain: 0.9 });
    }
    hits.push({ timeSec: (bar * 4 + 2.5) * beat, lane: "low", gain: 0.7 });
  }
  return hits.sort((a, b) => a.timeSec - b.timeSec);
}
