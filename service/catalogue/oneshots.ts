// The one-shot catalogue: every sample of the five kit packs, per voice. Kicks are plentiful
// (more than the browser lists at once); some samples are free, and one pack has no free hat.

import type { KitId, Voice } from "../../tools/synth/kits.ts";
import { CATALOGUE_KITS } from "../catalogue-config.ts";

export interface OneShotRow {
  slug: string;
  voice: Voice;
  file: string;
  label: string;
  pack: string;
  free: boolean;
}

export interface OneShotPlan extends OneShotRow {
  /** Built-in voicing the sample is varied from. */
  base: KitId;
}

export const SAMPLES_PER_PACK: Record<Voice, number> = { kick: 66, snare: 24, hat: 24 };

const PACKS: Record<string, { pack: string; base: KitId; firstFree: number; noFree?: Voice }> = {
  "backbeat-essentials": { pack: "Backbeat Essentials", base: "session", firstFree: 0 },
  "pocket-funk-vol-2": { pack: "Pocket Funk Vol. 2", base: "funk", firstFree: 2 },
  "brushwork-sessions": { pack: "Brushwork Sessions", base: "jazz", firstFree: 0 },
  "ghost-note-grooves": { pack: "Ghost Note Grooves", base: "dry", firstFree: 1 },
  "stadium-rock-stomps": { pack: "Stadium Rock Stomps", base: "rock", firstFree: 0, noFree: "hat" },
};

const DESCRIPTORS: Record<Voice, readonly string[]> = {
  kick: ["Felt", "Wood Beater", "Deep", "Tight", "Boomy", "Muffled", "Punchy", "Round", "Ported", "Vintage", "Sub"],
  snare: ["Crack", "Rimshot", "Fat", "Brushed", "Snappy", "Ringy", "Dry", "Ghost"],
  hat: ["Closed", "Tip", "Foot", "Half Open", "Crisp", "Dark"],
};

const VOICE_NAMES: Record<Voice, string> = { kick: "Kick", snare: "Snare", hat: "Hat" };
const FREE_EVERY = 5;

export function oneShotPlans(): OneShotPlan[] {
  const rows: OneShotPlan[] = [];
  for (const { slug } of CATALOGUE_KITS) {
    const { pack, base, firstFree, noFree } = PACKS[slug];
    for (const voice of ["kick", "snare", "hat"] as const) {
      const descriptors = DESCRIPTORS[voice];
      for (let i = 0; i < SAMPLES_PER_PACK[voice]; i++) {
        const number = String(i + 1).padStart(2, "0");
        const label = `${VOICE_NAMES[voice]} ${number} ${descriptors[i % descriptors.length]}`;
        const free = voice !== noFree && i % FREE_EVERY === firstFree;
        rows.push({ slug, voice, file: `${label}.wav`, label, pack, free, base });
      }
    }
  }
  return rows;
}

export function oneShotsJson(plans: readonly OneShotPlan[]): { samples: OneShotRow[] } {
  return { samples: plans.map(({ slug, voice, file, label, pack, free }) => ({ slug, voice, file, label, pack, free })) };
}
