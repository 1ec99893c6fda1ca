// Everything the local catalogue serves, as files with their routes. Pure and deterministic:
// the same base address and seed give the same bytes.

import { SAMPLE_RATE, kitRenderer, renderLoop, renderOneShot } from "../audio/render.ts";
import { encodeWav16 } from "../../tools/synth/wav.ts";
import { summarizeMono } from "../../page/src/grid/waveform.ts";
import { deriveSeed } from "../../tools/synth/rng.ts";
import { artworkSvg } from "./artwork.ts";
import { oneShotPlans, oneShotsJson } from "./oneshots.ts";
import { assetJson, layoutAssets, releaseSummary } from "./release-json.ts";
import { RELEASE_PLANS } from "./releases.ts";
import { STARTER_LOOPS, starterLoopsJson } from "./starter-loops.ts";

export const CATALOGUE_SEED = 0x7a11d1e;
export const RELEASES_FILE = "releases.json";
const WAVEFORM_SLICES = 144;

export interface PlannedFile {
  /** Request path below the base (decoded, no leading "/"); null for files read by the server itself. */
  route: string | null;
  /** Path inside the data folder. */
  file: string;
  type: string;
  body: Uint8Array;
  /** The body is a WAV file to be stored as MP3. */
  encodeMp3?: boolean;
}

const json = (value: unknown) => new TextEncoder().encode(JSON.stringify(value));

export function planCatalogue(base: string, seed = CATALOGUE_SEED): PlannedFile[] {
  const files: PlannedFile[] = [];
  const assets = layoutAssets(RELEASE_PLANS);
  const kit = kitRenderer(seed);

  files.push({ route: null, file: RELEASES_FILE, type: "application/json", body: json(RELEASE_PLANS.map((p) => releaseSummary(p, base))) });
  for (const plan of RELEASE_PLANS) {
    const listed = (assets.get(plan.id) ?? []).map((asset) => {
      if (asset.kind === "other") return assetJson(asset, undefined);
      const samples = renderLoop(asset.loop, kit(asset.loop.kit), deriveSeed(seed, `asset/${asset.id}`));
      const file = `previews/${asset.id}.mp3`;
      files.push({ route: `assets/${asset.id}/preview-audio`, file, type: "audio/mpeg", body: encodeWav16(samples, SAMPLE_RATE), encodeMp3: true });
      return assetJson(asset, waveformJson(samples));
    });
    files.push({ route: `releases/${plan.id}`, file: `releases/${plan.id}.json`, type: "application/json", body: json({ ...releaseSummary(plan, base), assets: listed }) });
    if (plan.artwork !== "none") {
      files.push({ route: `artwork/${plan.slug}.svg`, file: `artwork/${plan.slug}.svg`, type: "image/svg+xml", body: new TextEncoder().encode(artworkSvg(plan.slug, plan.title)) });
    }
  }

  files.push({ route: "plugin/starterloops", file: "starterloops.json", type: "application/json", body: json(starterLoopsJson(STARTER_LOOPS)) });
  STARTER_LOOPS.forEach((loop, i) => {
    const samples = renderLoop(loop.recipe, kit(loop.recipe.kit), deriveSeed(seed, `starter/${loop.file}`));
    files.push({ route: `plugin/starterloops/audio/${loop.file}`, file: `starterloops/${i + 1}.wav`, type: "audio/wav", body: encodeWav16(samples, SAMPLE_RATE) });
  });

  const shots = oneShotPlans();
  files.push({ route: "plugin/oneshots", file: "oneshots.json", type: "application/json", body: json(oneShotsJson(shots)) });
  shots.forEach((shot, i) => {
    const samples = renderOneShot(shot.base, shot.voice, deriveSeed(seed, `oneshot/${shot.slug}/${shot.voice}/${shot.file}`));
    files.push({
      route: `plugin/oneshots/audio/${shot.slug}/${shot.voice}/${shot.file}`,
      file: `oneshots/${shot.slug}/${shot.voice}/${i + 1}.wav`,
      type: "audio/wav",
      body: encodeWav16(samples, SAMPLE_RATE),
    });
  });
  return files;
}

const round3 = (x: number) => Math.round(x * 1000) / 1000;

/** The page's own waveform summary of an asset, rounded to keep the release JSON small. */
function waveformJson(samples: Float32Array) {
  const { peaks, tone } = summarizeMono(samples, SAMPLE_RATE, WAVEFORM_SLICES);
  return { peaks: peaks.map(round3), tone: tone.map(round3) };
}
