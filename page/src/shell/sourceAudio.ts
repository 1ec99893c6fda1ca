// The "sourceAudio" report: a starter loop is saved by name only, anything else with its audio.

import type { AudioClip } from "../audio/clip.ts";
import { clipToWavBase64 } from "../audio/wav.ts";
import type { PageMessage } from "../bridge/messages.ts";
import { findStarterLoop, type StarterLoop } from "../sources/starterLoops.ts";

export function sourceAudioMessage(
  name: string,
  bpm: number | null,
  clip: AudioClip,
  starterLoops: readonly StarterLoop[],
): PageMessage {
  const tempo = bpm !== null && Number.isFinite(bpm) && bpm > 0 ? bpm : 0;
  return findStarterLoop(starterLoops, name)
    ? { type: "sourceAudio", demo: true, name, bpm: tempo }
    : { type: "sourceAudio", demo: false, name, bpm: tempo, wavBase64: clipToWavBase64(clip) };
}
