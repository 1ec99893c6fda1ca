// AudioClip: decoded audio as immutable planar 32-bit float channels.
// Every operation that changes audio returns a new clip.

export interface AudioClip {
  readonly sampleRate: number;
  /** One array per channel, all of `length` frames; nominal range −1 to 1. */
  readonly channels: readonly Float32Array[];
  /** Length in frames. */
  readonly length: number;
}

export function makeClip(sampleRate: number, channels: Float32Array[]): AudioClip {
  const length = channels.length > 0 ? channels[0].length : 0;
  for (const c of channels) {
    if (c.length !== length) throw new Error("clip channels differ in length");
  }
  return Object.freeze({ sampleRate, channels: Object.freeze(channels.slice()), length });
}

export function clipDurationSec(clip: AudioClip): number {
  return clip.sampleRate > 0 ? clip.length / clip.sampleRate : 0;
}
