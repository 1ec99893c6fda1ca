// The current export: bytes and MIME type for the selected map, rebuilt on every change.

import { laneMapFor } from "../drummaps/drumMaps";
import { exportTargetFor } from "./exportTargets";
import { writeGrooveFile, type GrooveFileGroove } from "./grooveFile";
import { writeMidiFile, type MidiGroove } from "./midiFile";

export type WritableGroove = MidiGroove & GrooveFileGroove;

export interface ExportInputs {
  readonly mapId: string;
  /** The source name; the file's track and groove name ("Groove" when empty). */
  readonly sourceName?: string;
  /** The export groove (edits, mutes and feel applied), when a groove exists. */
  readonly exportGroove?: WritableGroove;
  /** WAV bytes of the audio export, once rendered for the current inputs. */
  readonly renderedWav?: Uint8Array;
}

export interface ExportFile {
  readonly bytes: Uint8Array;
  readonly mimeType: string;
}

export const DEFAULT_EXPORT_NAME = "Groove";

export function buildExport(inputs: ExportInputs): ExportFile | undefined {
  const target = exportTargetFor(inputs.mapId);
  if (target.kind === "audio") {
    return inputs.renderedWav ? { bytes: inputs.renderedWav, mimeType: target.mimeType } : undefined;
  }
  const groove = inputs.exportGroove;
  if (!groove) return undefined;
  const name = inputs.sourceName || DEFAULT_EXPORT_NAME;
  if (target.kind === "groove") {
    return { bytes: new TextEncoder().encode(writeGrooveFile(groove, name)), mimeType: target.mimeType };
  }
  return { bytes: writeMidiFile(groove, laneMapFor(inputs.mapId), name), mimeType: target.mimeType };
}
