// Audio file bytes to an AudioClip through the platform decoder. Everything downstream
// expects 44.1 kHz, so the offline decoder resamples; if the platform refuses that, the
// device-rate decoder is the one fallback.

import { makeClip, type AudioClip } from "./clip.ts";

export const DECODE_SAMPLE_RATE = 44100;

/** The parts of a Web Audio context the decoder needs. */
export interface DecodingContext {
  decodeAudioData(data: ArrayBuffer): Promise<AudioBuffer>;
  close?(): Promise<void>;
}

export interface DecoderFactories {
  offline(sampleRate: number): DecodingContext;
  device(): DecodingContext;
}

const platformDecoders: DecoderFactories = {
  offline: (sampleRate) => new OfflineAudioContext(1, 1, sampleRate),
  device: () => new AudioContext(),
};

export async function decodeAudio(
  bytes: ArrayBuffer | Uint8Array,
  decoders: DecoderFactories = platformDecoders,
): Promise<AudioClip> {
  try {
    // decodeAudioData detaches its argument, so each attempt gets its own copy.
    return bufferToClip(await decoders.offline(DECODE_SAMPLE_RATE).decodeAudioData(copyOf(bytes)));
  } catch (offlineError) {
    console.warn("offline decode failed, retrying on AudioContext:", offlineError);
  }
  let context: DecodingContext | null = null;
  try {
    context = decoders.device();
    return bufferToClip(await context.decodeAudioData(copyOf(bytes)));
  } finally {
    await context?.close?.().catch(() => undefined);
  }
}

function copyOf(bytes: ArrayBuffer | Uint8Array): ArrayBuffer {
  const view = bytes instanceof Uint8Array ? bytes : new Uint8Array(bytes);
  return view.slice().buffer;
}

function bufferToClip(buffer: AudioBuffer): AudioClip {
  const channels: Float32Array[] = [];
  for (let ch = 0; ch < buffer.numberOfChannels; ch++) channels.push(buffer.getChannelData(ch).slice());
  return makeClip(buffer.sampleRate, channels);
}
