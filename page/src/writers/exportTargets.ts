// What each export map id produces: file kind, MIME type, name suffix, extension.

import { GROOVE_FILE_MAP_ID, isAudioExportId, type AudioExportId } from "../drummaps/drumMaps";

export type ExportKind = "midi" | "groove" | "audio";

export interface ExportTarget {
  readonly kind: ExportKind;
  readonly mimeType: string;
  readonly suffix: string;
  readonly extension: string;
}

const AUDIO_SUFFIXES: Readonly<Record<AudioExportId, string>> = {
  "wav-loop": "-loop",
  "wav-midi": "-midi-kit",
  "wav-both": "-loop-plus-midi",
};

export function exportTargetFor(mapId: string): ExportTarget {
  if (mapId === GROOVE_FILE_MAP_ID) {
    return { kind: "groove", mimeType: "application/xml", suffix: "-groove", extension: "agr" };
  }
  if (isAudioExportId(mapId)) {
    return { kind: "audio", mimeType: "audio/wav", suffix: AUDIO_SUFFIXES[mapId], extension: "wav" };
  }
  const suffix = mapId === "gm" ? "-groove" : `-groove-${mapId}`;
  return { kind: "midi", mimeType: "audio/midi", suffix, extension: "mid" };
}
