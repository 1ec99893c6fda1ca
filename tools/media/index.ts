// Embedded media: names, ground truth and the pure builders behind generate.ts.
export { DEMO_LOOPS, findDemoLoop, type DemoLoop } from "./demoLoops.ts";
export { KIT_FILE_NAMES, LOGO_FILE_NAME } from "./kitFiles.ts";
export {
  LOOP_PEAK,
  MEDIA_SAMPLE_RATE,
  MEDIA_SEED,
  buildMediaFiles,
  builtInKit,
  demoLoopGroundTruth,
  groundTruthDocument,
  renderDemoLoop,
  type MediaFile,
} from "./media.ts";
export { renderLogoPixels, renderLogoPng } from "./logo.ts";
