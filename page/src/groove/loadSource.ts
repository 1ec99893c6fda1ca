// The asynchronous shell around Load: decode, estimate the tempo when none was
// given, and install the clip unless a newer load started meanwhile.

import type { AudioClip } from "../audio/clip";
import { isTempo } from "./parseEdits";
import { failLoad, finishLoad, isCurrentLoad, startLoad, type GrooveModel } from "./model";

export interface ModelStore {
  get(): GrooveModel;
  set(model: GrooveModel): void;
}

export interface LoadInput {
  readonly name: string;
  readonly data: Uint8Array | ArrayBuffer | AudioClip;
  readonly tempo?: number;
  /** The load request's id; none for dropped and picked files. */
  readonly loadId?: number;
}

export interface LoadServices {
  decodeAudio(bytes: Uint8Array | ArrayBuffer): Promise<AudioClip>;
  estimateTempo(clip: AudioClip): number | undefined;
  /** Hands the new source audio on (the plug-in keeps it with the session). */
  onSourceAudio?(name: string, givenTempo: number | undefined, clip: AudioClip): void;
  logError?(message: string, error: unknown): void;
}

const isClip = (data: LoadInput["data"]): data is AudioClip =>
  !(data instanceof Uint8Array) && !(data instanceof ArrayBuffer);

/** Resolves once the load has finished, failed or been superseded. */
export async function loadSource(store: ModelStore, input: LoadInput, services: LoadServices): Promise<void> {
  const started = startLoad(store.get(), input.name);
  store.set(started.model);
  const ticket = started.ticket;
  let clip: AudioClip;
  try {
    clip = isClip(input.data) ? input.data : await services.decodeAudio(input.data);
  } catch (error) {
    services.logError?.("local file decode failed:", error);
    store.set(failLoad(store.get(), ticket));
    return;
  }
  if (!isCurrentLoad(store.get(), ticket)) return;
  const tempo = isTempo(input.tempo) ? input.tempo : undefined;
  const estimatedTempo = tempo === undefined ? services.estimateTempo(clip) : undefined;
  store.set(finishLoad(store.get(), ticket, { clip, tempo, estimatedTempo, loadId: input.loadId }));
  services.onSourceAudio?.(input.name, tempo, clip);
}
