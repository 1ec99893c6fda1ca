// Asks the native stretch service for a clip at another tempo. The shell re-dispatches each
// tnStretchResult on the window as STRETCH_RESULT_EVENT; requests are matched by id, so
// several may be in flight at once.

import type { AudioClip } from "./clip.ts";
import { clipToWavBase64, wavBase64ToClip } from "./wav.ts";
import { STRETCH_RESULT_EVENT } from "../bridge/events.ts";
import { desktopShim, type StretchRequest } from "../bridge/shim.ts";

export const STRETCH_TIMEOUT_MS = 30_000;
const REQUEST_ID_LENGTH = 11;

export interface NativeStretchDeps {
  /** The shim's stretch member, or undefined outside the plug-in. */
  stretch: ((request: StretchRequest) => void) | undefined;
  /** Where the shell re-dispatches stretch answers. */
  events: EventTarget;
  random: () => number;
}

function platformDeps(): NativeStretchDeps {
  const shim = desktopShim();
  return {
    stretch: typeof shim?.stretch === "function" ? (request) => shim.stretch(request) : undefined,
    events: globalThis as unknown as EventTarget,
    random: Math.random,
  };
}

export function makeRequestId(random: () => number): string {
  let id = "";
  for (let i = 0; i < REQUEST_ID_LENGTH; i++) id += Math.floor(random() * 36).toString(36);
  return id;
}

/** Resolves to the stretched clip, or null on no shim, a rejected or empty answer, or the time-out. */
export function stretchViaNative(
  clip: AudioClip,
  ratio: number,
  deps: NativeStretchDeps = platformDeps(),
): Promise<AudioClip | null> {
  const stretch = deps.stretch;
  if (!stretch) return Promise.resolve(null);
  const reqId = makeRequestId(deps.random);
  return new Promise((resolve) => {
    let done = false;
    const finish = (result: AudioClip | null) => {
      if (done) return;
      done = true;
      clearTimeout(timer);
      deps.events.removeEventListener(STRETCH_RESULT_EVENT, onResult);
      resolve(result);
    };
    const onResult = (event: Event) => {
      const detail = (event as CustomEvent<unknown>).detail as { reqId?: unknown; base64?: unknown } | null;
      if (!detail || detail.reqId !== reqId) return;
      const base64 = typeof detail.base64 === "string" ? detail.base64 : "";
      finish(base64 ? wavBase64ToClip(base64) : null);
    };
    deps.events.addEventListener(STRETCH_RESULT_EVENT, onResult);
    const timer = setTimeout(() => finish(null), STRETCH_TIMEOUT_MS);
    try {
      stretch({ reqId, base64: clipToWavBase64(clip), ratio });
    } catch {
      finish(null);
    }
  });
}
