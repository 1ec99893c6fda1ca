// Drum maps: which MIDI note each lane becomes in an exported file, plus the
// three audio exports that share the "Export Map" selector. Fixed table, pure.

import type { Lane } from "../analysis/types";

export interface DrumMap {
  readonly id: string;
  readonly label: string;
  readonly notes: Readonly<Record<Lane, number>>;
  readonly laneNames: Readonly<Record<Lane, string>>;
  readonly hint: string;
}

const drumLaneNames = { low: "KICK", mid: "SNARE", high: "HAT" } as const;

function drumMap(
  id: string,
  label: string,
  [low, mid, high]: readonly [number, number, number],
  hint: string,
  laneNames: Readonly<Record<Lane, string>> = drumLaneNames,
): DrumMap {
  return Object.freeze({ id, label, notes: Object.freeze({ low, mid, high }), laneNames, hint });
}

const sameName = (name: string) => Object.freeze({ low: name, mid: name, high: name });

/** All drum maps in selector order; the first is the default. */
export const DRUM_MAPS: readonly DrumMap[] = Object.freeze([
  drumMap("gm", "General MIDI", [36, 38, 42],
    "GM channel 10 · kick 36 / snare 38 / closed hat 42 · unquantized"),
  drumMap("toontrack", "Superior / EZdrummer (Toontrack)", [36, 38, 42],
    "channel 10 · Toontrack map (GM-compatible core) · kick 36 / snare center 38 / closed hat tip 42"),
  drumMap("bfd", "BFD 3", [24, 26, 30],
    "channel 10 · BFD3 keymap · kick hit 24 / snare hit 26 / hat closed tip 30 (not GM!)"),
  drumMap("ssd", "Corvane SSD5", [36, 38, 42],
    "channel 10 · SSD5 default map (GM-aligned core) · kick 36 / snare 38 / closed hat 42"),
  drumMap("ad2", "Addictive Drums 2 (XLN)", [36, 38, 49],
    "channel 10 · AD2 keymap · kick 36 / snare open hit 38 / closed hat tip 49 (42 would be AD2's sidestick)"),
  drumMap("grooveagent", "Groove Agent (Cubase)", [36, 38, 42],
    "channel 10 · Groove Agent SE/5 acoustic kits (GM-aligned pads) · kick C1 36 / snare D1 38 / closed hat F#1 42"),
  drumMap("template", "Groove template (single note)", [37, 37, 37],
    "channel 10 · all hits on side stick 37 · pure timing+velocity template", sameName("STICK")),
  drumMap("agr", "Ableton groove file (.agr)", [36, 36, 36],
    ".agr for Live's Groove Pool · timing + velocity, unquantized · drop it on any clip", sameName("GROOVE")),
]);

export const DEFAULT_MAP_ID = "gm";

/** The map id that selects the groove-file writer instead of the MIDI writer. */
export const GROOVE_FILE_MAP_ID = "agr";

export type AudioExportId = "wav-loop" | "wav-midi" | "wav-both";

export interface AudioExport {
  readonly id: AudioExportId;
  readonly label: string;
}

/** The selector's "Audio" group, in order. */
export const AUDIO_EXPORTS: readonly AudioExport[] = Object.freeze([
  { id: "wav-loop", label: "Current Loop (.wav)" },
  { id: "wav-midi", label: "MIDI Loop (.wav)" },
  { id: "wav-both", label: "MIDI + Current Loop (.wav)" },
]);

export const AUDIO_EXPORT_HINT =
  "render audio: the loop, the MIDI groove through the current kit, or both together";

/** Web-storage key of the selected export map. */
export const MAP_STORAGE_KEY = "ostrel.tindle.map";

export function findDrumMap(id: string): DrumMap | undefined {
  return DRUM_MAPS.find((map) => map.id === id);
}

export function isAudioExportId(id: unknown): id is AudioExportId {
  return AUDIO_EXPORTS.some((entry) => entry.id === id);
}

/** True for every value `mapId` may hold: a drum-map id or an audio export id. */
export function isExportMapId(id: unknown): id is string {
  return typeof id === "string" && (findDrumMap(id) !== undefined || isAudioExportId(id));
}

/** The selected id at start: the stored value when it names a map or an audio export, else "gm". */
export function storedMapId(stored: unknown): string {
  return isExportMapId(stored) ? stored : DEFAULT_MAP_ID;
}

/** The map used wherever a per-lane map is needed; audio exports (and unknown ids) use "gm". */
export function laneMapFor(mapId: string): DrumMap {
  return findDrumMap(mapId) ?? DRUM_MAPS[0];
}

/** True when all three lanes share one note: the view then treats each hit as one note. */
export function isSingleNoteMap(map: DrumMap): boolean {
  return map.notes.low === map.notes.mid && map.notes.mid === map.notes.high;
}
