// Session restore: which audio to fetch for a tnRestore, and how its edit state is read.

import type { RestorePayload } from "../bridge/messages.ts";
import { findStarterLoop, type StarterLoop } from "../sources/starterLoops.ts";
import { isPlainObject } from "../json.ts";

export const RESTORE_AUDIO_URL = "restore.wav";

/** A demo source is fetched again by name (else the list's first loop); other audio comes from the native side. */
export function restoreAudioUrl(restore: RestorePayload, starterLoops: readonly StarterLoop[]): string | null {
  if (!restore.demo) return RESTORE_AUDIO_URL;
  return (findStarterLoop(starterLoops, restore.name) ?? starterLoops[0])?.url ?? null;
}

/** The saved edit state as a JSON object; throws on text that is not one. */
export function parseEditState(uiState: string): Record<string, unknown> {
  const value: unknown = JSON.parse(uiState);
  if (!isPlainObject(value)) throw new Error("saved edit state is not a JSON object");
  return value;
}
