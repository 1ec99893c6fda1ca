// Drum maps and the audio export ids of the "Export Map" selector.
export type { DrumMap, AudioExport, AudioExportId } from "./drumMaps";
export {
  DRUM_MAPS,
  DEFAULT_MAP_ID,
  GROOVE_FILE_MAP_ID,
  AUDIO_EXPORTS,
  AUDIO_EXPORT_HINT,
  MAP_STORAGE_KEY,
  findDrumMap,
  isAudioExportId,
  isExportMapId,
  storedMapId,
  laneMapFor,
  isSingleNoteMap,
} from "./drumMaps";
