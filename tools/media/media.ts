// The complete embedded media set as pure data: the six kits' one-shots, the four demo
// loops played by those kits, and the logo. Also the ground truth of every demo loop,
// the exact hits the loop was rendered from.

import {
  KIT_IDS,
  VOICES,
  deriveSeed,
  encodeWav16,
  makeRng,
  normalizePeak,
  performGroove,
  renderKit,
  renderPattern,
  type DrumHit,
  type KitId,
  type KitSamples,
} from "../synth/index.ts";
import { findDemoLoop, DEMO_LOOPS, type DemoLoop } from "./demoLoops.ts";
import { KIT_FILE_NAMES, LOGO_FILE_NAME } from "./kitFiles.ts";
import { renderLogoPng } from "./logo.ts";

export const MEDIA_SAMPLE_RATE = 44_100;
/** Changing this re-rolls every sample and every loop's humanisation. */
export const MEDIA_SEED = 0x7d1e;
/** Loops are mixed to this peak (about -1 dBFS). */
export const LOOP_PEAK = 0.89;

export interface MediaFile {
  fileName: string;
  bytes: Uint8Array;
}

export function builtInKit(kitId: KitId): KitSamples {
  return renderKit(kitId, MEDIA_SAMPLE_RATE, MEDIA_SEED);
}

function performDemoLoop(loop: DemoLoop): DrumHit[] {
  return performGroove(loop.groove, MEDIA_SAMPLE_RATE, loop.frames, makeRng(deriveSeed(MEDIA_SEED, loop.fileName)));
}

/**
 * The hits a demo loop was rendered from, by display name or file stem: each hit's sample
 * start in seconds (a whole frame at 44,100 Hz), its lane and velocity. Nothing for unknown names.
 */
export function demoLoopGroundTruth(name: string): DrumHit[] | undefined {
  const loop = findDemoLoop(name);
  return loop && performDemoLoop(loop);
}

export function renderDemoLoop(loop: DemoLoop, kit: KitSamples = builtInKit(loop.kit)): Float32Array {
  const mix = renderPattern(performDemoLoop(loop), kit, loop.frames, MEDIA_SAMPLE_RATE, { wrapTails: true });
  return normalizePeak(mix, LOOP_PEAK);
}

/** The JSON document written next to the build for the analysis tests. */
export function groundTruthDocument(loop: DemoLoop) {
  return {
    name: loop.name,
    fileName: loop.fileName,
    bpm: loop.bpm,
    bars: loop.bars,
    frames: loop.frames,
    sampleRate: MEDIA_SAMPLE_RATE,
    kit: loop.kit,
    hits: performDemoLoop(loop),
  };
}

export function buildMediaFiles(): MediaFile[] {
  const kits = new Map(KIT_IDS.map((id) => [id, builtInKit(id)] as const));
  const files: MediaFile[] = [];
  for (const id of KIT_IDS) {
    for (const voice of VOICES) files.push({ fileName: KIT_FILE_NAMES[id][voice], bytes: encodeWav16(kits.get(id)![voice], MEDIA_SAMPLE_RATE) });
  }
  for (const loop of DEMO_LOOPS) files.push({ fileName: loop.fileName, bytes: encodeWav16(renderDemoLoop(loop, kits.get(loop.kit)), MEDIA_SAMPLE_RATE) });
  files.push({ fileName: LOGO_FILE_NAME, bytes: renderLogoPng() });
  return files;
}
