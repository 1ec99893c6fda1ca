// Tempo, grid and loop finding: places detected hits in musical time.
export type * from "./types";
export { GRID_CHOICES, gridDivFromName, gridNameFromDiv } from "./types";
export { estimateTempo, bestTempoLag, bpmFromLag } from "./tempo";
export { analyzeGroove, WAVEFORM_BINS } from "./analyze";
export { fitGrid, placeOnGrid, swingPercent, deviationStats, grooveSteps, searchGridPhase, anchorPhase, TICKS_PER_QUARTER } from "./gridFit";
export { findLoop, DEFAULT_BAR_COUNTS } from "./loop";
export { cutLoop, DEFAULT_SEAM_SEC } from "./cut";
export { summarizeWaveform } from "./waveform";
