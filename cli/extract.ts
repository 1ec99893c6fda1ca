// `tindle extract`: a batch over WAV files. Each file goes through read → analyse
// → outputs; a bad file gets one line on stderr and the batch moves on.
// Outputs are a list of steps: the summary, the hits CSV and (export.ts) the MIDI or groove file.

import { readFileSync, statSync, writeFileSync } from "node:fs";
import { basename, extname, join } from "node:path";
import type { AudioClip } from "../page/src/audio/clip";
import { defaultExtractOptions, EXTRACT_OPTIONS, parseArgs, usageText, UsageError, type ExtractOptions, type OptionDef } from "./options";
import { extractGroove, type Extraction } from "./pipeline";
import { formatHitsCsv, formatSummary } from "./report";
import { parseWavFile } from "./wavFile";

export interface ExtractIo {
  readFile(path: string): Uint8Array;
  writeFile(path: string, data: string | Uint8Array): void;
  isDirectory(path: string): boolean;
  stdout(text: string): void;
  stderr(text: string): void;
}

export const nodeIo: ExtractIo = {
  readFile: (path) => readFileSync(path),
  writeFile: (path, data) => writeFileSync(path, data),
  isDirectory: (path) => {
    try {
      return statSync(path).isDirectory();
    } catch {
      return false;
    }
  },
  stdout: (text) => process.stdout.write(text),
  stderr: (text) => process.stderr.write(text),
};

/** What an output step sees of one file. */
export interface FileContext<T extends ExtractOptions = ExtractOptions> {
  path: string;
  /** Index of this input among the inputs. */
  index: number;
  inputCount: number;
  options: T;
  extraction: Extraction;
  io: ExtractIo;
  /** Where the summary goes: stderr when CSV rows use stdout. */
  log(text: string): void;
}

/** An output step; throws to mark the file as failed. */
export type FileOutput<T extends ExtractOptions = ExtractOptions> = (ctx: FileContext<T>) => void;

export interface ExtractCommand<T extends ExtractOptions = ExtractOptions> {
  optionDefs: readonly OptionDef<T>[];
  defaults: () => T;
  outputs: readonly FileOutput<T>[];
  /** Checks that need every option and the input count; throws UsageError. */
  validate?: (options: T, files: readonly string[], io: ExtractIo) => void;
}

export function stemOf(path: string): string {
  return basename(path, extname(path));
}

export const summaryOutput: FileOutput = (ctx) => {
  ctx.log(formatSummary(ctx.path, ctx.extraction, ctx.options.findLoop));
};

export const hitsCsvOutput: FileOutput = (ctx) => {
  const target = ctx.options.hitsCsv;
  if (target === undefined) return;
  const csv = formatHitsCsv(ctx.extraction);
  if (target === "-") {
    ctx.io.stdout(ctx.inputCount > 1 ? `# file=${ctx.path}\n${csv}` : csv);
  } else if (ctx.inputCount > 1 || ctx.io.isDirectory(target)) {
    ctx.io.writeFile(join(target, `${stemOf(ctx.path)}.csv`), csv);
  } else {
    ctx.io.writeFile(target, csv);
  }
};

function validateHitsCsv(options: ExtractOptions, files: readonly string[], io: ExtractIo): void {
  const target = options.hitsCsv;
  if (target !== undefined && target !== "-" && files.length > 1 && !io.isDirectory(target)) {
    throw new UsageError(`--hits-csv ${target}: with several inputs give an existing directory or -`);
  }
}

export const EXTRACT_COMMAND: ExtractCommand = {
  optionDefs: EXTRACT_OPTIONS,
  defaults: defaultExtractOptions,
  outputs: [summaryOutput, hitsCsvOutput],
  validate: validateHitsCsv,
};

function message(e: unknown): string {
  if (e instanceof Error) {
    const code = (e as NodeJS.ErrnoException).code;
    if (code === "ENOENT") return "no such file";
    if (code === "EISDIR") return "is a directory";
    if (code === "EACCES") return "permission denied";
    return e.message;
  }
  return String(e);
}

/** Runs the command over argv; returns the exit code (0 ok, 1 a file failed, 2 usage). */
export function runExtract<T extends ExtractOptions>(argv: readonly string[], io: ExtractIo, command: ExtractCommand<T>): number {
  if (argv.includes("--help") || argv.includes("-h")) {
    io.stdout(usageText(command.optionDefs));
    return 0;
  }
  let options: T;
  let files: string[];
  try {
    ({ options, files } = parseArgs(argv, command.optionDefs, command.defaults()));
    if (files.length === 0) throw new UsageError("no input files");
    command.validate?.(options, files, io);
  } catch (e) {
    if (!(e instanceof UsageError)) throw e;
    io.stderr(`tindle extract: ${e.message}\n${usageText(command.optionDefs)}`);
    return 2;
  }
  const log = options.hitsCsv === "-" ? io.stderr : io.stdout;
  let failed = 0;
  files.forEach((path, index) => {
    try {
      const clip: AudioClip = parseWavFile(io.readFile(path));
      const extraction = extractGroove(clip, options);
      const ctx: FileContext<T> = { path, index, inputCount: files.length, options, extraction, io, log };
      for (const output of command.outputs) output(ctx);
    } catch (e) {
      failed++;
      io.stderr(`tindle extract: ${path}: ${message(e)}\n`);
    }
  });
  if (failed > 0 && files.length > 1) io.stderr(`tindle extract: ${failed} of ${files.length} files failed\n`);
  return failed > 0 ? 1 : 0;
}
