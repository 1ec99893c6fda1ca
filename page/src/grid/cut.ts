// cutLoop: a loop cut from a clip so that it loops without a click.

import { makeClip, type AudioClip } from "../audio/clip";
import { roundHalfUp } from "../analysis/round";

export const DEFAULT_SEAM_SEC = 0.012;

/**
 * Copies startSec…endSec. With audio before the start, the loop's last X samples
 * fade (equal power) into the X samples preceding its start, so the end runs
 * seamlessly into the first sample. From the clip's first sample, 3 ms linear fades instead.
 */
export function cutLoop(clip: AudioClip, startSec: number, endSec: number, fadeSec = DEFAULT_SEAM_SEC): AudioClip {
  const rate = clip.sampleRate;
  const n = clip.length;
  const s0 = Math.max(0, roundHalfUp(startSec * rate));
  const s1 = Math.min(n, roundHalfUp(endSec * rate));
  const length = Math.max(1, s1 - s0);
  const seam = Math.min(roundHalfUp(fadeSec * rate), s0, Math.floor(length / 8));
  const channels = clip.channels.map((input) => {
    // A start at or past the end leaves silence rather than reading outside the clip.
    const out = new Float32Array(length);
    out.set(input.subarray(Math.min(s0, n), Math.min(s0 + length, n)));
    if (seam > 0) {
      for (let i = 0; i < seam; i++) {
        const w = (i + 1) / (seam + 1);
        const k = length - seam + i;
        const tail = s0 + k < n ? input[s0 + k] : 0;
        out[k] = tail * Math.cos((w * Math.PI) / 2) + input[s0 - seam + i] * Math.sin((w * Math.PI) / 2);
      }
    } else if (seam === 0) {
      const fade = Math.min(roundHalfUp(0.003 * rate), Math.floor(length / 4));
      for (let i = 0; i < fade; i++) {
        const g = i / fade;
        out[i] *= g;
        out[length - 1 - i] *= g;
      }
    }
    return out;
  });
  return makeClip(rate, channels);
}
