// The JSON the service answers for the release list and for one release.

import type { WaveformSummary } from "../../page/src/grid/types.ts";
import type { LoopPlan, ReleasePlan } from "./releases.ts";

export interface ReleaseSummary {
  id: number;
  slug: string;
  title: string;
  artist?: string;
  genre?: string;
  artworkUrlSm?: string;
}

export interface AssetJson {
  id: number;
  type: string;
  title?: string;
  filename: string;
  bpm?: number;
  waveform?: WaveformSummary;
}

export type PlannedAsset =
  | { id: number; kind: "audio"; loop: LoopPlan }
  | { id: number; kind: "other"; title: string; filename: string; type: string };

const FIRST_ASSET_ID = 5001;

/** Numbers every asset of every release in list order; other files come before the loops. */
export function layoutAssets(plans: readonly ReleasePlan[]): Map<number, PlannedAsset[]> {
  let next = FIRST_ASSET_ID;
  const byRelease = new Map<number, PlannedAsset[]>();
  for (const plan of plans) {
    const others = plan.otherFiles.map((f): PlannedAsset => ({ id: next++, kind: "other", ...f }));
    const loops = plan.loops.map((loop): PlannedAsset => ({ id: next++, kind: "audio", loop }));
    byRelease.set(plan.id, [...others, ...loops]);
  }
  return byRelease;
}

/** The artwork URL in the style the plan asks for; `base` ends in "/". */
export function artworkUrl(plan: ReleasePlan, base: string): string | undefined {
  const file = `${base}artwork/${plan.slug}.svg`;
  switch (plan.artwork) {
    case "width":
      return `${file}?width=160&fit=crop`;
    case "width-last":
      return `${file}?fit=crop&width=160`;
    case "plain":
      return file;
    case "none":
      return undefined;
  }
}

export function releaseSummary(plan: ReleasePlan, base: string): ReleaseSummary {
  return {
    id: plan.id,
    slug: plan.slug,
    title: plan.title,
    ...(plan.artist !== undefined && { artist: plan.artist }),
    ...(plan.genre !== undefined && { genre: plan.genre }),
    ...(plan.artwork !== "none" && { artworkUrlSm: artworkUrl(plan, base) }),
  };
}

export function assetJson(asset: PlannedAsset, waveform: WaveformSummary | undefined): AssetJson {
  if (asset.kind === "other") return { id: asset.id, type: asset.type, title: asset.title, filename: asset.filename };
  const { loop } = asset;
  return {
    id: asset.id,
    type: "audio",
    ...(loop.title !== undefined && { title: loop.title }),
    filename: loop.filename,
    ...(loop.tagBpm && { bpm: loop.bpm }),
    ...(loop.withWaveform && waveform && { waveform }),
  };
}
