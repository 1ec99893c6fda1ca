// `tindle extract --map ID -o FILE`: writes the groove as the page's export
// would for a dropped file with default edits: a Standard MIDI File for a drum
// map, an Ableton groove file for "agr".

import { basename, extname, join } from "node:path";
import { DRUM_MAPS, GROOVE_FILE_MAP_ID, findDrumMap, isAudioExportId } from "../page/src/drummaps/drumMaps";
import { analyzeGroove } from "../page/src/grid/analyze";
import type { GrooveAnalysis } from "../page/src/grid/types";
import { defaultEditState } from "../page/src/groove/editState";
import { deriveGroove } from "../page/src/groove/derive";
import { analysisTempo } from "../page/src/groove/tempo";
import type { GrooveEditState } from "../page/src/groove/types";
import { buildExport } from "../page/src/writers/buildExport";
import { exportFileName } from "../page/src/writers/fileName";
import {
  EXTRACT_COMMAND,
  hitsCsvOutput,
  summaryOutput,
  type ExtractCommand,
  type ExtractIo,
  type FileOutput,
} from "./extract";
import { defaultExtractOptions, EXTRACT_OPTIONS, UsageError, type ExtractOptions, type OptionDef } from "./options";
import { detectOptionsOf, type Extraction } from "./pipeline";

export interface ExportOptions extends ExtractOptions {
  /** Drum-map id; by the output's extension when absent (.agr → "agr", else "gm"). */
  mapId?: string;
  /** File or directory to write. */
  outPath?: string;
}

const MAP_IDS = DRUM_MAPS.map((map) => map.id);

export const EXPORT_OPTIONS: readonly OptionDef<ExportOptions>[] = [
  {
    flag: "--map",
    value: "ID",
    help: `export map: ${MAP_IDS.join(", ")} (default gm; agr writes an Ableton groove file)`,
    apply(o, value) {
      if (isAudioExportId(value)) return `--map ${value}: audio exports need a drum kit and are not offered here`;
      if (!findDrumMap(value)) return `--map takes ${MAP_IDS.join(", ")}, got "${value}"`;
      o.mapId = value;
    },
  },
  {
    flag: "-o",
    value: "FILE|DIR",
    help: "write the export: .mid for a drum map, .agr for agr (a directory gets the page's file name)",
    apply(o, value) {
      if (value === "") return "-o needs a file or directory name";
      o.outPath = value;
    },
  },
];

const extensionOf = (path: string) => extname(path).toLowerCase();

/** The map to write: --map, else by the output file's extension. */
export function exportMapId(options: ExportOptions, io: Pick<ExtractIo, "isDirectory">): string {
  if (options.mapId !== undefined) return options.mapId;
  const out = options.outPath;
  return out !== undefined && !io.isDirectory(out) && extensionOf(out) === ".agr" ? GROOVE_FILE_MAP_ID : "gm";
}

function validateExport(options: ExportOptions, files: readonly string[], io: ExtractIo): void {
  const out = options.outPath;
  if (out === undefined) {
    if (options.mapId !== undefined) throw new UsageError("--map needs -o FILE or -o DIR");
    return;
  }
  const toDirectory = io.isDirectory(out);
  if (files.length > 1 && !toDirectory) throw new UsageError(`-o ${out}: with several inputs give an existing directory`);
  if (toDirectory) return;
  const mapId = exportMapId(options, io);
  const wanted = mapId === GROOVE_FILE_MAP_ID ? ".agr" : ".mid";
  const given = extensionOf(out);
  if ((given === ".mid" || given === ".agr") && given !== wanted) {
    throw new UsageError(`-o ${out}: map ${mapId} writes a ${wanted} file`);
  }
}

/** The page's edit state for these options: defaults plus the detect settings and map. */
export function editStateFor(options: ExportOptions, mapId: string, bpm: number): GrooveEditState {
  return {
    ...defaultEditState(mapId),
    sensitivity: options.sensitivity,
    gridDiv: options.gridDiv,
    gains: { ...options.gains },
    layered: options.layered,
    bpmOverride: bpm,
  };
}

/** The analysis at the tempo the page would use (it analyses typed tempos within 20-400 BPM). */
function pageAnalysis(extraction: Extraction, options: ExportOptions): GrooveAnalysis {
  const bpm = analysisTempo(extraction.bpm);
  if (bpm === extraction.analysis.bpm) return extraction.analysis;
  return analyzeGroove(extraction.analysed, bpm, options.gridDiv, detectOptionsOf(options));
}

/** The export bytes of one analysed file, named as the page names a dropped file. */
export function exportBytes(path: string, extraction: Extraction, options: ExportOptions, mapId: string): Uint8Array {
  const analysis = pageAnalysis(extraction, options);
  const derived = deriveGroove(analysis, editStateFor(options, mapId, extraction.bpm));
  const file = buildExport({ mapId, sourceName: basename(path), exportGroove: derived.exported });
  if (!file) throw new Error("nothing to export");
  return file.bytes;
}

export const exportFileOutput: FileOutput<ExportOptions> = (ctx) => {
  const out = ctx.options.outPath;
  if (out === undefined) return;
  const mapId = exportMapId(ctx.options, ctx.io);
  const target = ctx.io.isDirectory(out) ? join(out, exportFileName(basename(ctx.path), mapId)) : out;
  const bytes = exportBytes(ctx.path, ctx.extraction, ctx.options, mapId);
  ctx.io.writeFile(target, bytes);
  const tempoNote = analysisTempo(ctx.extraction.bpm) !== ctx.extraction.bpm ? ` · analysed at ${analysisTempo(ctx.extraction.bpm)} BPM` : "";
  ctx.log(`export     ${target} (${findDrumMap(mapId)?.label ?? mapId}, ${bytes.length} bytes${tempoNote})\n`);
};

/** `tindle extract` with the export flags. */
export const EXPORT_COMMAND: ExtractCommand<ExportOptions> = {
  optionDefs: [...EXTRACT_OPTIONS, ...EXPORT_OPTIONS],
  defaults: (): ExportOptions => defaultExtractOptions(),
  outputs: [summaryOutput, hitsCsvOutput, exportFileOutput],
  validate(options, files, io) {
    EXTRACT_COMMAND.validate?.(options, files, io);
    validateExport(options, files, io);
  },
};
