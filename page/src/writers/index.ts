// File writers: Standard MIDI Files, Ableton groove files, export names and the audio export mixes.
export { writeMidiFile, notesOfHit, endTickFor, trackNameFrom, TICKS_PER_QUARTER } from "./midiFile";
export type { MidiGroove, MidiGrooveHit } from "./midiFile";
export { writeGrooveFile, grooveNameFor, grooveLengthBeats, escapeXmlAttribute } from "./grooveFile";
export type { GrooveFileGroove } from "./grooveFile";
export { formatShortestNumber } from "./numberText";
export { exportFileName, fileNameBase } from "./fileName";
export { exportTargetFor } from "./exportTargets";
export type { ExportTarget, ExportKind } from "./exportTargets";
export { buildExport, DEFAULT_EXPORT_NAME } from "./buildExport";
export type { ExportInputs, ExportFile, WritableGroove } from "./buildExport";
export {
  scaleClip,
  renderKitForExport,
  mixLoopExport,
  mixMidiExport,
  mixBothExport,
  mixAudioExport,
  audioExportWav,
  UNITY_MIX,
} from "./audioExport";
export type { MixLevels } from "./audioExport";
