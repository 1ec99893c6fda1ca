// Renders the catalogue's audio with the repo's drum synthesiser: loops from groove styles
// played through a built-in voicing, and one-shots as seeded variations of a voicing.

import { normalizePeak } from "../../tools/synth/filters.ts";
import { KIT_VOICINGS, renderKit, type KitId, type KitSamples, type Voice } from "../../tools/synth/kits.ts";
import { renderPattern } from "../../tools/synth/pattern.ts";
import { deriveSeed, makeRng, type Rng } from "../../tools/synth/rng.ts";
import { renderHat, renderKick, renderSnare } from "../../tools/synth/voices.ts";
import { GROOVE_STYLES, grooveHits, loopSeconds, type GrooveStyleId } from "./grooves.ts";

export const SAMPLE_RATE = 44_100;

export interface LoopRecipe {
  style: GrooveStyleId;
  kit: KitId;
  bars: number;
  bpm: number;
}

/** Renders each built-in kit once, on first use; loops share them. */
export function kitRenderer(seed: number): (kitId: KitId) => KitSamples {
  const kits = new Map<KitId, KitSamples>();
  return (kitId) => {
    const known = kits.get(kitId);
    if (known) return known;
    const kit = renderKit(kitId, SAMPLE_RATE, deriveSeed(seed, `kit/${kitId}`));
    kits.set(kitId, kit);
    return kit;
  };
}

/** A seamless loop of exactly `bars` bars through `kit`, peak-normalised to 0.9. */
export function renderLoop(recipe: LoopRecipe, kit: KitSamples, seed: number): Float32Array {
  const key = `${recipe.style}/${recipe.kit}/${recipe.bars}/${recipe.bpm}`;
  const hits = grooveHits(GROOVE_STYLES[recipe.style], recipe.bars, recipe.bpm, makeRng(deriveSeed(seed, key)));
  const frames = Math.round(loopSeconds(recipe.bars, recipe.bpm) * SAMPLE_RATE);
  return normalizePeak(renderPattern(hits, kit, frames, SAMPLE_RATE, { wrapTails: true }), 0.9);
}

// Catalogue one-shots are short; the browser only previews them and kits loop nothing.
const ONE_SHOT_SECONDS: Record<Voice, number> = { kick: 0.5, snare: 0.45, hat: 0.3 };

const spread = (rng: Rng, amount: number) => 1 + amount * (rng() * 2 - 1);

/** A one-shot derived from a built-in voicing: retuned, with longer or shorter decay and drive. */
export function renderOneShot(base: KitId, voice: Voice, seed: number): Float32Array {
  const rng = makeRng(seed);
  const lengthSec = ONE_SHOT_SECONDS[voice];
  const tune = spread(rng, 0.18);
  const decay = spread(rng, 0.35);
  const drive = Math.min(1, Math.max(0, rng() * 0.8));
  const v = KIT_VOICINGS[base];
  if (voice === "kick") {
    const p = { ...v.kick, lengthSec, startHz: v.kick.startHz * tune, endHz: v.kick.endHz * tune, decaySec: v.kick.decaySec * decay, drive };
    return renderKick(p, SAMPLE_RATE, rng);
  }
  if (voice === "snare") {
    const p = { ...v.snare, lengthSec, bodyHz: v.snare.bodyHz * tune, noiseDecaySec: v.snare.noiseDecaySec * decay, drive };
    return renderSnare(p, SAMPLE_RATE, rng);
  }
  const p = { ...v.hat, lengthSec, baseHz: v.hat.baseHz * tune, decaySec: v.hat.decaySec * decay, drive };
  return renderHat(p, SAMPLE_RATE, rng);
}
