// Groove model: settings and corrections, the derived grooves, load, restore and trim.
export type * from "./types";
export { defaultEditState, editStateToJson, editStateDocument, hasNoteEdits, EMPTY_NOTE_EDITS } from "./editState";
export { parseRestoreRecord, parseRestoreText, parseNoteEdits } from "./parseEdits";
export type { PendingRestore, RestoreRecord } from "./parseEdits";
export { applyNoteEdits, ADDED_NOTE_TILT } from "./noteEdits";
export { applyStepMutes, applyFeel, computeGrooveDna } from "./mutesAndFeel";
export {
  cycleVoice,
  setVelocity,
  moveNote,
  nudgeTiming,
  removeNote,
  removeVoices,
  addNote,
  toggleStepMute,
  resetEdits,
  foldedStepAt,
} from "./editOps";
export {
  setSensitivity,
  setGridDiv,
  setGain,
  setLayered,
  setMapId,
  setFeelTiming,
  setFeelDynamics,
  setBpmOverride,
  setTypedTempo,
} from "./settings";
export * from "./tempo";
export { grooveStats } from "./stats";
export type { StatTile } from "./stats";
export { deriveGroove, createAnalysisMemo, createGrooveDeriver } from "./derive";
export type { DerivedGroove, AnalyzeGroove } from "./derive";
export * from "./model";
export { loadSource } from "./loadSource";
export type { ModelStore, LoadInput, LoadServices } from "./loadSource";
