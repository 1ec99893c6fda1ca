// Starter loops: the four built-in demo loops served next to the page, replaced by the
// service's list when it answers with one.

import { isPlainObject } from "../json.ts";

export interface StarterLoop {
  /** Display name; also how a saved session finds the loop again. */
  name: string;
  bpm: number;
  /** Relative URL of the loop's audio. */
  url: string;
  /** Edit-state document applied when the loop loads. */
  edits?: Record<string, unknown>;
}

export const DEMO_LOOPS: readonly StarterLoop[] = Object.freeze([
  { name: "Demo Loop 94", bpm: 94, url: "demo-loop-94.wav" },
  { name: "Demo Loop 128", bpm: 128, url: "demo-loop-128.wav" },
  { name: "Demo Shuffle 82", bpm: 82, url: "demo-shuffle-82.wav" },
  { name: "Demo Loop 82", bpm: 82, url: "demo-loop-82.wav" },
]);

export const STARTER_LIST_URL = "ostrelapi/plugin/starterloops";
const STARTER_AUDIO_PREFIX = "ostrelapi/plugin/starterloops/audio/";

/** The service's `loops` list as starter loops; null when it is missing, empty or unusable. */
export function parseStarterList(body: unknown): StarterLoop[] | null {
  if (!isPlainObject(body) || !Array.isArray(body.loops)) return null;
  const loops: StarterLoop[] = [];
  for (const entry of body.loops) {
    if (!isPlainObject(entry) || typeof entry.file !== "string" || entry.file === "") continue;
    const loop: StarterLoop = {
      name: typeof entry.label === "string" ? entry.label : entry.file,
      bpm: typeof entry.bpm === "number" && Number.isFinite(entry.bpm) ? entry.bpm : 0,
      url: STARTER_AUDIO_PREFIX + encodeURIComponent(entry.file),
    };
    if (isPlainObject(entry.edits)) loop.edits = entry.edits;
    loops.push(loop);
  }
  return loops.length > 0 ? loops : null;
}

export function findStarterLoop(loops: readonly StarterLoop[], name: string): StarterLoop | undefined {
  return loops.find((loop) => loop.name === name);
}

/** Fetches the service's starter-loop list; every failure gives null. */
export async function fetchStarterList(fetchJson: (url: string) => Promise<unknown>): Promise<StarterLoop[] | null> {
  try {
    return parseStarterList(await fetchJson(STARTER_LIST_URL));
  } catch {
    return null;
  }
}
