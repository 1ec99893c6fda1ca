// Starter loops: short grooves the extractor loads first, most carrying hand-made corrections
// (`edits`) as a groove edit-state document. Field order follows the page's own document.

import type { LoopRecipe } from "../audio/render.ts";

export interface StarterLoopPlan {
  label: string;
  file: string;
  recipe: LoopRecipe;
  edits?: Record<string, unknown>;
}

/** A complete edit state: every setting and every note-edit collection. */
const pocketFunkEdits = {
  sensitivity: 0.55,
  gridDiv: 4,
  gains: { kick: 1, snare: 1.2, hat: 0.9 },
  layered: true,
  mapId: "gm",
  bpmOverride: 92,
  feelTiming: 100,
  feelDynamics: 100,
  overrides: { "0": "low" },
  velOverrides: { "0": 118 },
  timeOverrides: {},
  muteSteps: {},
  addedNotes: [{ id: 1, timeSec: 1.956, band: "low", velocity: 96 }],
  removedNotes: {},
  removedVoices: {},
};

/** Settings only; the missing feel fields mean 100 and the missing collections mean empty. */
const backbeatEdits = {
  sensitivity: 0.6,
  gridDiv: 4,
  gains: { kick: 1.1, snare: 1, hat: 0.8 },
  layered: true,
  mapId: "gm",
  bpmOverride: 104,
};

const shuffleEdits = {
  sensitivity: 0.5,
  gridDiv: 3,
  gains: { kick: 1, snare: 1, hat: 1 },
  layered: false,
  mapId: "toontrack",
  bpmOverride: 86,
  feelTiming: 120,
  feelDynamics: 90,
  overrides: {},
  velOverrides: {},
  timeOverrides: {},
  muteSteps: { "11": true },
  addedNotes: [],
  removedNotes: {},
  removedVoices: {},
};

export const STARTER_LOOPS: readonly StarterLoopPlan[] = [
  { label: "Pocket Funk 92", file: "Pocket Funk 92.wav", recipe: { style: "funk", kit: "funk", bars: 2, bpm: 92 }, edits: pocketFunkEdits },
  { label: "Backbeat 104", file: "Backbeat 104.wav", recipe: { style: "backbeat", kit: "session", bars: 4, bpm: 104 }, edits: backbeatEdits },
  { label: "Dusty Shuffle 86", file: "Dusty Shuffle 86.wav", recipe: { style: "shuffle", kit: "dry", bars: 2, bpm: 86 }, edits: shuffleEdits },
  { label: "Halftime 70", file: "Halftime 70.wav", recipe: { style: "halftime", kit: "rock", bars: 2, bpm: 70 } },
];

/** The list answer: label, tempo, file and, where present, the edits. */
export function starterLoopsJson(loops: readonly StarterLoopPlan[]) {
  return { loops: loops.map((l) => ({ label: l.label, bpm: l.recipe.bpm, file: l.file, ...(l.edits && { edits: l.edits }) })) };
}
