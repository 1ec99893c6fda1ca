// Kit rendering of a groove: each struck lane plays its one-shot at the hit's
// time, into a silent stereo clip the length of a reference clip. Pure; page thread.

import type { Lane, LaneVelocities } from "../analysis/types";
import { roundHalfUp } from "../analysis/round";
import { makeClip, type AudioClip } from "../audio/clip";

/** Decoded one-shots per lane ("low" kick, "mid" snare, "high" hat); a missing lane is silent. */
export type KitSamples = Partial<Record<Lane, AudioClip>>;

export interface RenderableHit {
  readonly time: number;
  readonly velocity: number;
  readonly band: Lane;
  readonly voices: readonly Lane[];
  readonly vels: LaneVelocities;
}

export interface RenderableGroove {
  readonly onsets: readonly RenderableHit[];
}

/** Loud sums are scaled as a whole so the largest sample sits here. */
export const RENDER_PEAK_LIMIT = 0.98;

export function hitGain(velocity: number): number {
  return 0.9 * Math.pow(Math.max(0, velocity) / 127, 1.5);
}

/**
 * Renders against the reference's length and sample rate. `timeScale` moves the
 * hits (1 / audition rate) while the one-shots keep their pitch and length.
 * Samples are added without resampling: every clip on the page is decoded at one rate.
 */
export function renderGroove(
  groove: RenderableGroove,
  reference: AudioClip,
  kit: KitSamples,
  timeScale: number,
): AudioClip {
  const length = reference.length;
  const mix = new Float32Array(length);
  for (const hit of groove.onsets) {
    const lanes = hit.voices.length > 0 ? hit.voices : [hit.band];
    const start = roundHalfUp(hit.time * timeScale * reference.sampleRate);
    if (!(start < length)) continue;
    for (const lane of lanes) {
      const sample = kit[lane];
      if (!sample || sample.channels.length === 0) continue;
      addScaled(mix, sample.channels[0], start, hitGain(hit.vels[lane] ?? hit.velocity));
    }
  }
  limitPeak([mix], RENDER_PEAK_LIMIT);
  // Both channels carry the same mono sum.
  return makeClip(reference.sampleRate, [mix, mix.slice()]);
}

/** Adds source · gain into target from `start`, cut at the target's end (no wrap-around). */
function addScaled(target: Float32Array, source: Float32Array, start: number, gain: number): void {
  const skip = Math.max(0, -start);
  const count = Math.min(source.length, target.length - start) - skip;
  if (count <= 0) return;
  const into = target.subarray(start + skip, start + skip + count);
  const from = source.subarray(skip, skip + count);
  // Unrolled by four: this loop is nearly all of the render's time.
  let i = 0;
  for (; i + 3 < count; i += 4) {
    into[i] += from[i] * gain;
    into[i + 1] += from[i + 1] * gain;
    into[i + 2] += from[i + 2] * gain;
    into[i + 3] += from[i + 3] * gain;
  }
  for (; i < count; i++) into[i] += from[i] * gain;
}

export function peakOf(channels: readonly Float32Array[]): number {
  let peak = 0;
  for (const channel of channels) {
    for (let i = 0; i < channel.length; i++) {
      const a = Math.abs(channel[i]);
      if (a > peak) peak = a;
    }
  }
  return peak;
}

/** Scales all channels together so the largest absolute sample is at most `limit`. */
export function limitPeak(channels: readonly Float32Array[], limit: number): void {
  const peak = peakOf(channels);
  if (peak <= limit) return;
  const scale = limit / peak;
  for (const channel of channels) {
    for (let i = 0; i < channel.length; i++) channel[i] *= scale;
  }
}
