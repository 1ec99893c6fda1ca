// Transient-preserving time stretch on the page, for when the native stretch service is not
// there. The loop is cut into segments that start just before each attack; every segment is
// played back at normal speed from its start, so attacks stay sharp, and the time it has to
// fill (or lose) is made up behind the attack by crossfaded loop-backs or decaying grains.

import { clamp } from "../analysis/round.ts";
import { makeClip, type AudioClip } from "./clip.ts";
import { soundTouchStretch } from "./soundtouchStretch.ts";

interface Detection {
  /** Transient block indexes, ascending. */
  transients: number[];
  /** Candidate loop-back points as sample positions, ascending. */
  softOnsets: number[];
}

/** Returns a stereo clip of max(1, round((end − start) / ratio)) frames. */
export function stretchLocally(clip: AudioClip, ratio: number, startFrame = 0, endFrame = clip.length): AudioClip {
  const s0 = clampInt(startFrame, 0, clip.length);
  const s1 = clampInt(endFrame, s0, clip.length);
  const safeRatio = Number.isFinite(ratio) && ratio > 0 ? ratio : 1;
  const rate = clip.sampleRate;
  const outputFrames = Math.max(1, Math.round((s1 - s0) / safeRatio));
  if (clip.channels.length === 0 || s1 - s0 < 2) {
    return makeClip(rate, [new Float32Array(outputFrames), new Float32Array(outputFrames)]);
  }
  const left = clip.channels[0];
  const right = clip.channels[1] ?? left;
  const blockSize = Math.max(32, Math.round(0.004 * rate));
  const detection = detectTransients(left, right, s0, s1, rate, blockSize);
  if (detection.transients.length === 0) return soundTouchStretch(clip, safeRatio, s0, s1);

  const ms = (x: number) => Math.round((x * rate) / 1000);
  const starts = segmentStarts(detection.transients, s0, s1, blockSize, ms);
  const out: [Float32Array, Float32Array] = [new Float32Array(outputFrames), new Float32Array(outputFrames)];
  const source: [Float32Array, Float32Array] = [left, right];
  const outStart = (s: number) => Math.min(outputFrames, Math.round((s - s0) / safeRatio));
  const segmentCount = starts.length - 1;
  for (let k = 0; k < segmentCount; k++) {
    const isLast = k === segmentCount - 1;
    const from = outStart(starts[k]);
    const to = isLast ? outputFrames : outStart(starts[k + 1]);
    if (to <= from) continue;
    const segment = {
      start: starts[k],
      sourceEnd: Math.min(s1, starts[k + 1] + ms(3)),
      outFrom: from,
      outTo: to,
    };
    fillSegment(source, out, segment, detection.softOnsets, ms);
    const fadeIn = k > 0 ? Math.min(ms(2), Math.floor((to - from) / 2)) : 0;
    const keepsTail = isLast && segment.start + (to - from) >= s1;
    const fadeOut = keepsTail ? 0 : Math.min(ms(20), to - from);
    applyFades(out, from, to, fadeIn, fadeOut);
  }
  return makeClip(rate, out);
}

function clampInt(x: number, lo: number, hi: number): number {
  return clamp(Number.isFinite(x) ? Math.round(x) : lo, lo, hi);
}

/** Block energies of the mid signal's first difference, their rises, and the peaks among them. */
export function detectTransients(
  left: Float32Array,
  right: Float32Array,
  s0: number,
  s1: number,
  rate: number,
  blockSize: number,
): Detection {
  const blocks = Math.max(1, Math.floor((s1 - s0) / blockSize));
  const energy = new Float64Array(blocks);
  for (let b = 0; b < blocks; b++) {
    const from = s0 + b * blockSize;
    const to = Math.min(s1, from + blockSize);
    let sum = 0;
    for (let i = Math.max(from, s0 + 1); i < to; i++) {
      const d = (left[i] + right[i]) / 2 - (left[i - 1] + right[i - 1]) / 2;
      sum += d * d;
    }
    energy[b] = Math.sqrt(sum) / (to - from);
  }
  const rise = new Float64Array(blocks);
  for (let b = 1; b < blocks; b++) rise[b] = Math.max(0, energy[b] - energy[b - 1]);
  const prefix = new Float64Array(blocks + 1);
  for (let b = 0; b < blocks; b++) prefix[b + 1] = prefix[b] + rise[b];
  const halfWindow = Math.max(4, Math.round((0.25 * rate) / blockSize));
  const localMean = (b: number) => {
    const lo = Math.max(0, b - halfWindow);
    const hi = Math.min(blocks, b + halfWindow);
    return (prefix[hi] - prefix[lo]) / (hi - lo);
  };
  const minGapBlocks = Math.round((0.028 * rate) / blockSize);
  const transients: number[] = [];
  const softOnsets: number[] = [];
  for (let b = 1; b <= blocks - 2; b++) {
    const r = rise[b];
    if (r < rise[b - 1] || r < rise[b + 1]) continue;
    const mean = localMean(b);
    if (r >= 1.15 * mean && r >= 0.00005) softOnsets.push(s0 + b * blockSize);
    if (r < 1.8 * mean || r < 0.0001) continue;
    const previous = transients[transients.length - 1];
    if (previous !== undefined && b - previous < minGapBlocks) {
      if (r > rise[previous]) transients[transients.length - 1] = b;
    } else {
      transients.push(b);
    }
  }
  return { transients, softOnsets };
}

/** Segment boundaries: s0, each attack less 3 ms, and s1 as the closing entry. */
function segmentStarts(
  transients: number[],
  s0: number,
  s1: number,
  blockSize: number,
  ms: (x: number) => number,
): number[] {
  const candidates = [s0, ...transients.map((b) => Math.max(s0, s0 + b * blockSize - ms(3))), s1];
  const kept = [candidates[0]];
  for (let i = 1; i < candidates.length; i++) {
    if (candidates[i] - candidates[i - 1] > ms(10)) kept.push(candidates[i]);
  }
  if (kept[kept.length - 1] !== s1) kept.push(s1);
  return kept;
}

interface Segment {
  start: number;
  sourceEnd: number;
  outFrom: number;
  outTo: number;
}

function fillSegment(
  source: [Float32Array, Float32Array],
  out: [Float32Array, Float32Array],
  seg: Segment,
  softOnsets: number[],
  ms: (x: number) => number,
): void {
  const crossfade = ms(10);
  const sourceLength = seg.sourceEnd - seg.start;
  let read = seg.start;
  let o = seg.outFrom;
  while (o < seg.outTo) {
    const sourceLeft = seg.sourceEnd - read;
    if (sourceLeft > crossfade || seg.outTo - o <= sourceLeft) {
      out[0][o] = source[0][read];
      out[1][o] = source[1][read];
      o++;
      read++;
      continue;
    }
    let loopPoint = seg.start + Math.min(ms(40), Math.floor(sourceLength / 2));
    const onset = latestOnsetBefore(softOnsets, seg.start, read - ms(20));
    if (onset !== undefined) loopPoint = Math.max(loopPoint, onset + ms(5));
    const back = Math.min(ms(80), read - loopPoint);
    if (back > crossfade) {
      for (let i = 0; i < crossfade && o < seg.outTo; i++, o++) {
        const w = 0.5 + 0.5 * Math.cos((Math.PI * i) / crossfade);
        for (let ch = 0; ch < 2; ch++) {
          out[ch][o] = w * source[ch][read + i] + (1 - w) * source[ch][read - back + i];
        }
      }
      read += crossfade - back;
      continue;
    }
    writeDecayingGrains(source, out, read, Math.min(ms(12), Math.max(0, read - seg.start - ms(2))), o, seg.outTo, ms(2));
    return;
  }
}

/** The last soft onset after `after` and at or before `limit`. */
function latestOnsetBefore(onsets: number[], after: number, limit: number): number | undefined {
  let found: number | undefined;
  for (const onset of onsets) {
    if (onset > limit) break;
    if (onset > after) found = onset;
  }
  return found;
}

/** Repeats the grain ending at `read` under a Hann window with falling gain; silence after. */
function writeDecayingGrains(
  source: [Float32Array, Float32Array],
  out: [Float32Array, Float32Array],
  read: number,
  grain: number,
  from: number,
  to: number,
  minGrain: number,
): void {
  if (grain <= minGrain) return; // the output is already silent there
  let o = from;
  for (let gain = 0.6; gain > 0.02 && o < to; gain *= 0.55) {
    for (let i = 0; i < grain && o < to; i++, o++) {
      const w = gain * (0.5 - 0.5 * Math.cos((2 * Math.PI * i) / grain));
      out[0][o] = w * source[0][read - grain + i];
      out[1][o] = w * source[1][read - grain + i];
    }
  }
}

function applyFades(out: [Float32Array, Float32Array], from: number, to: number, fadeIn: number, fadeOut: number): void {
  for (let i = 0; i < fadeIn; i++) {
    const g = 0.5 - 0.5 * Math.cos((Math.PI * i) / fadeIn);
    out[0][from + i] *= g;
    out[1][from + i] *= g;
  }
  for (let i = 0; i < fadeOut; i++) {
    const g = 0.5 - 0.5 * Math.cos((Math.PI * (i + 1)) / (fadeOut + 1));
    out[0][to - 1 - i] *= g;
    out[1][to - 1 - i] *= g;
  }
}
