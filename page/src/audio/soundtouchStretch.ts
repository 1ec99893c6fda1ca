// Last-resort stretch for material without transients (pads, tones): SoundTouch's tempo
// change with its default parameters.

import { SoundTouch } from "soundtouchjs";
import { makeClip, type AudioClip } from "./clip.ts";

const CONFIGURED_SAMPLE_RATE = 44100;
const OVERLAP_MS = 8;
const BLOCK_FRAMES = 8192;

/** Stretches frames start…end to max(1, round((end − start) / ratio)) stereo frames. */
export function soundTouchStretch(clip: AudioClip, ratio: number, start: number, end: number): AudioClip {
  const left = clip.channels[0];
  const right = clip.channels[1] ?? left;
  const inputFrames = end - start;
  const outputFrames = Math.max(1, Math.round(inputFrames / ratio));
  const outLeft = new Float32Array(outputFrames);
  const outRight = new Float32Array(outputFrames);

  const touch = new SoundTouch();
  // 0 selects SoundTouch's automatic sequence and seek-window lengths; quick seek is its default.
  touch.stretch.setParameters(CONFIGURED_SAMPLE_RATE, 0, 0, OVERLAP_MS);
  touch.stretch.quickSeek = true;
  touch.tempo = ratio;

  const interleaved = new Float32Array(inputFrames * 2);
  for (let i = 0; i < inputFrames; i++) {
    interleaved[2 * i] = left[start + i];
    interleaved[2 * i + 1] = right[start + i];
  }
  touch.inputBuffer.putSamples(interleaved, 0, inputFrames);
  touch.process();
  // Trailing silence flushes the frames SoundTouch holds back for its next window.
  const flush = new Float32Array(BLOCK_FRAMES * 2);
  touch.inputBuffer.putSamples(flush, 0, BLOCK_FRAMES);
  touch.process();

  const block = new Float32Array(BLOCK_FRAMES * 2);
  let written = 0;
  while (written < outputFrames) {
    const frames = Math.min(BLOCK_FRAMES, touch.outputBuffer.frameCount);
    if (frames === 0) break;
    touch.outputBuffer.receiveSamples(block, frames);
    const take = Math.min(frames, outputFrames - written);
    for (let i = 0; i < take; i++) {
      outLeft[written + i] = block[2 * i];
      outRight[written + i] = block[2 * i + 1];
    }
    written += take;
  }
  return makeClip(clip.sampleRate, [outLeft, outRight]);
}
