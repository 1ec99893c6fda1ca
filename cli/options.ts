// Command-line options of `tindle extract`, as a table so that other outputs
// (file writers) can add their own flags without touching the parser.

import type { VoiceGains } from "../page/src/analysis/types";
import { GRID_CHOICES, gridDivFromName, type GridDiv } from "../page/src/grid/types";

export interface ExtractOptions {
  /** Tempo to use; estimated from the audio when absent. */
  bpm?: number;
  gridDiv: GridDiv;
  /** 0-1 (the flag takes 0-100). */
  sensitivity: number;
  gains: VoiceGains;
  layered: boolean;
  /** CSV destination: a file, a directory (several inputs) or "-" for stdout. */
  hitsCsv?: string;
  findLoop: boolean;
}

export function defaultExtractOptions(): ExtractOptions {
  return { gridDiv: 4, sensitivity: 0.5, gains: { kick: 1, snare: 1, hat: 1 }, layered: true, findLoop: false };
}

export interface OptionDef<T> {
  /** "--bpm" */
  flag: string;
  /** Placeholder for the value ("N"); absent for a switch. */
  value?: string;
  help: string;
  /** Applies the value; returns an error text when it is unusable. */
  apply(options: T, value: string): string | undefined | void;
}

export class UsageError extends Error {}

function numberIn(text: string, lo: number, hi: number): number | undefined {
  if (!/^[+]?(\d+\.?\d*|\.\d+)$/.test(text.trim())) return undefined;
  const v = Number(text);
  return Number.isFinite(v) && v >= lo && v <= hi ? v : undefined;
}

function gainOption(voice: keyof VoiceGains): OptionDef<ExtractOptions> {
  return {
    flag: `--${voice}`,
    value: "0-2",
    help: `${voice} detection balance (default 1)`,
    apply(o, value) {
      const g = numberIn(value, 0, 2);
      if (g === undefined) return `--${voice} takes a number from 0 to 2, got "${value}"`;
      o.gains[voice] = g;
    },
  };
}

export const EXTRACT_OPTIONS: readonly OptionDef<ExtractOptions>[] = [
  {
    flag: "--bpm",
    value: "N",
    help: "tempo of the loop (default: estimated, else 120)",
    apply(o, value) {
      const bpm = numberIn(value, 1, 999);
      if (bpm === undefined) return `--bpm takes a tempo above 0, got "${value}"`;
      o.bpm = bpm;
    },
  },
  {
    flag: "--grid",
    value: GRID_CHOICES.map((c) => c.name).join("|"),
    help: "grid division (default 16th)",
    apply(o, value) {
      const div = gridDivFromName(value);
      if (div === undefined) return `--grid takes ${GRID_CHOICES.map((c) => c.name).join(", ")}, got "${value}"`;
      o.gridDiv = div;
    },
  },
  {
    flag: "--sensitivity",
    value: "0-100",
    help: "higher finds quieter hits (default 50)",
    apply(o, value) {
      const s = numberIn(value, 0, 100);
      if (s === undefined) return `--sensitivity takes a number from 0 to 100, got "${value}"`;
      o.sensitivity = s / 100;
    },
  },
  gainOption("kick"),
  gainOption("snare"),
  gainOption("hat"),
  {
    flag: "--single",
    help: "one lane per hit (default: layered, several lanes per hit)",
    apply(o) {
      o.layered = false;
    },
  },
  {
    flag: "--hits-csv",
    value: "FILE|DIR|-",
    help: "write time_s,lane,velocity rows (a directory for several inputs, - for stdout)",
    apply(o, value) {
      if (value === "") return "--hits-csv needs a file name or -";
      o.hitsCsv = value;
    },
  },
  {
    flag: "--find-loop",
    help: "find the best 8-, 4- or 2-bar loop and analyse that loop",
    apply(o) {
      o.findLoop = true;
    },
  },
];

/** Splits argv into options and input files; throws UsageError on a bad flag or value. */
export function parseArgs<T>(argv: readonly string[], optionDefs: readonly OptionDef<T>[], options: T): { options: T; files: string[] } {
  const files: string[] = [];
  let onlyFiles = false;
  for (let i = 0; i < argv.length; i++) {
    const arg = argv[i];
    if (onlyFiles || !arg.startsWith("-") || arg === "-") {
      files.push(arg);
      continue;
    }
    if (arg === "--") {
      onlyFiles = true;
      continue;
    }
    const eq = arg.indexOf("=");
    const flag = eq > 0 ? arg.slice(0, eq) : arg;
    const optionDef = optionDefs.find((s) => s.flag === flag);
    if (!optionDef) throw new UsageError(`unknown option ${flag}`);
    let value = "";
    if (optionDef.value !== undefined) {
      if (eq > 0) value = arg.slice(eq + 1);
      else if (i + 1 < argv.length) value = argv[++i];
      else throw new UsageError(`${flag} needs a value (${optionDef.value})`);
    } else if (eq > 0) {
      throw new UsageError(`${flag} takes no value`);
    }
    const problem = optionDef.apply(options, value);
    if (problem) throw new UsageError(problem);
  }
  return { options, files };
}

export function usageText<T>(optionDefs: readonly OptionDef<T>[]): string {
  const rows = optionDefs.map((s) => [s.value ? `${s.flag} ${s.value}` : s.flag, s.help]);
  const width = Math.max(...rows.map((r) => r[0].length));
  return [
    "usage: tindle extract [options] FILE.wav [FILE.wav ...]",
    "Extracts the groove of drum loops: tempo, swing, pocket and every hit's lane and velocity.",
    "",
    ...rows.map(([a, b]) => `  ${a.padEnd(width)}  ${b}`),
    "",
  ].join("\n");
}
