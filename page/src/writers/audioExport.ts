// The three audio exports, mixed from the source clip and the kit render at the
// audition mixer's levels. Pure: the kit arrives decoded (loading it is asynchronous and elsewhere).

import { makeClip, type AudioClip } from "../audio/clip";
import { clipToWav } from "../audio/wav";
import type { AudioExportId } from "../drummaps/drumMaps";
import { RENDER_PEAK_LIMIT, limitPeak, renderGroove, type KitSamples, type RenderableGroove } from "../audition/renderGroove";

/** Linear gains 0-1.5 of the audition mixer; WAV exports print at these. */
export interface MixLevels {
  readonly loop: number;
  readonly midi: number;
  readonly master: number;
}

export const UNITY_MIX: MixLevels = Object.freeze({ loop: 1, midi: 1, master: 1 });
export const MAX_MIX_GAIN = 1.5;

/** A copy with every sample times `gain`, or the clip itself when the gain is within 0.001 of 1. */
export function scaleClip(clip: AudioClip, gain: number): AudioClip {
  if (Math.abs(gain - 1) < 0.001) return clip;
  return makeClip(clip.sampleRate, clip.channels.map((channel) => channel.map((x) => x * gain)));
}

/** The kit render every audio export uses: the source's own tempo, never the audition tempo. */
export function renderKitForExport(groove: RenderableGroove, source: AudioClip, kit: KitSamples): AudioClip {
  return renderGroove(groove, source, kit, 1);
}

export function mixLoopExport(source: AudioClip, levels: MixLevels): AudioClip {
  return scaleClip(source, levels.loop * levels.master);
}

export function mixMidiExport(kitRender: AudioClip, levels: MixLevels): AudioClip {
  return scaleClip(kitRender, levels.midi * levels.master);
}

/** Source and kit render summed per channel (mono sources feed both), limited to 0.98 as a whole. */
export function mixBothExport(source: AudioClip, kitRender: AudioClip, levels: MixLevels): AudioClip {
  const length = source.length;
  const output = [0, 1].map((ch) => {
    const loop = source.channels[Math.min(ch, source.channels.length - 1)];
    const kit = kitRender.channels[Math.min(ch, kitRender.channels.length - 1)];
    const out = new Float32Array(length);
    const kitLength = Math.min(length, kit.length);
    for (let i = 0; i < length; i++) {
      out[i] = (loop[i] * levels.loop + (i < kitLength ? kit[i] * levels.midi : 0)) * levels.master;
    }
    return out;
  });
  limitPeak(output, RENDER_PEAK_LIMIT);
  return makeClip(source.sampleRate, output);
}

/** The clip an audio export writes, or nothing when it needs a groove and there is none. */
export function mixAudioExport(
  id: AudioExportId,
  source: AudioClip,
  exportGroove: RenderableGroove | undefined,
  kit: KitSamples,
  levels: MixLevels,
): AudioClip | undefined {
  if (id === "wav-loop") return mixLoopExport(source, levels);
  if (!exportGroove) return undefined;
  const kitRender = renderKitForExport(exportGroove, source, kit);
  return id === "wav-midi" ? mixMidiExport(kitRender, levels) : mixBothExport(source, kitRender, levels);
}

/** The 16-bit WAV bytes of an audio export, or nothing when it needs a groove and there is none. */
export function audioExportWav(
  id: AudioExportId,
  source: AudioClip,
  exportGroove: RenderableGroove | undefined,
  kit: KitSamples,
  levels: MixLevels,
): Uint8Array | undefined {
  const clip = mixAudioExport(id, source, exportGroove, kit, levels);
  return clip ? clipToWav(clip) : undefined;
}
