// Onset analysis engine: turns a drum loop into hits with lanes and velocities.
export type * from "./types";
export { LANES } from "./types";
export { roundHalfUp, clamp } from "./round";
export { detectOnsets, detectOnsetsMono } from "./detect";
export { mixToMono, onePoleLowpass } from "./filters";
export { frameRms } from "./frames";
export { velocityCurve } from "./scoring";
