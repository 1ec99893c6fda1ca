// The release list: loop packs in the order the service returns them (newest first), each
// with its assets. Some releases exist only for the library to hide: another genre, the
// word "midi", the session and software formats, and the product-series words.

import type { KitId } from "../../tools/synth/kits.ts";
import type { GrooveStyleId } from "../audio/grooves.ts";
import { LIBRARY_GENRE } from "../catalogue-config.ts";

/** How a release's small artwork URL is written: a leading or trailing `width`, none, or absent. */
export type ArtworkStyle = "width" | "width-last" | "plain" | "none";

export interface LoopPlan {
  /** Absent: the library shows the file name. */
  title?: string;
  filename: string;
  style: GrooveStyleId;
  kit: KitId;
  bars: number;
  bpm: number;
  /** False: the asset is listed without its tempo. */
  tagBpm: boolean;
  /** False: the asset is listed without a waveform. */
  withWaveform: boolean;
}

export interface ReleasePlan {
  id: number;
  slug: string;
  title: string;
  artist?: string;
  genre?: string;
  artwork: ArtworkStyle;
  loops: LoopPlan[];
  /** Files of other types (MIDI, artwork) that the library skips. */
  otherFiles: { title: string; filename: string; type: string }[];
}

const loop = (
  title: string | undefined,
  style: GrooveStyleId,
  kit: KitId,
  bpm: number,
  bars = 2,
  options: { tagBpm?: boolean; withWaveform?: boolean; filename?: string } = {},
): LoopPlan => ({
  title,
  filename: options.filename ?? `${(title ?? style).toLowerCase().replace(/[^a-z0-9]+/g, "_")}_${bpm}bpm.wav`,
  style,
  kit,
  bars,
  bpm,
  tagBpm: options.tagBpm ?? true,
  withWaveform: options.withWaveform ?? true,
});

const midiFile = (name: string) => ({ title: `${name} (MIDI)`, filename: `${name.toLowerCase().replace(/ /g, "_")}.mid`, type: "midi" });
const G = LIBRARY_GENRE;

export const RELEASE_PLANS: readonly ReleasePlan[] = [
  { id: 231, slug: "late-night-lo-fi", title: "Late Night Lo-Fi", artist: "Nadia Crane", genre: G, artwork: "none", otherFiles: [],
    loops: [loop("Tape Hiss Groove", "lofi", "indie", 78), loop("Sleepy Swing", "lofi", "dry", 84), loop("Dim Lights", "halftime", "indie", 72, 2, { tagBpm: false })] },
  { id: 229, slug: "midi-groove-pack-funk", title: "Funk Grooves MIDI Pack", artist: "Dez Okafor", genre: G, artwork: "width", otherFiles: [midiFile("Funk Groove 1")],
    loops: [loop("Funk Groove 1", "funk", "funk", 98)] },
  { id: 227, slug: "pocket-funk-vol-2", title: "Pocket Funk Vol. 2", artist: "Dez Okafor", genre: G, artwork: "width", otherFiles: [midiFile("Greasy 96")],
    loops: [loop("Greasy 96", "funk", "funk", 96), loop("Sixteenth Street", "funk", "funk", 102), loop(undefined, "ghost", "funk", 92, 2, { filename: "pocket_ghosts_92.wav" }), loop("Tight Pocket", "linear", "funk", 100, 4)] },
  { id: 226, slug: "studio-kit-expansion", title: "Studio Kit Expansion", artist: "Vandery", genre: "Virtual Instruments", artwork: "width", otherFiles: [],
    loops: [loop("Kit Demo", "backbeat", "session", 110)] },
  { id: 224, slug: "backbeat-essentials", title: "Backbeat Essentials", artist: "Marla Quinn", genre: G, artwork: "width", otherFiles: [midiFile("Two And Four")],
    loops: [loop("Two And Four", "backbeat", "session", 100), loop("Four On The Snare", "backbeat", "session", 112, 4), loop("Laid Back", "backbeat", "dry", 88, 2, { withWaveform: false }), loop("Driving Eighths", "rock", "session", 120)] },
  { id: 221, slug: "locked-grooves-stems", title: "Locked Grooves: Stems", artist: "Rory Blake", genre: G, artwork: "width", otherFiles: [],
    loops: [loop("Stem 1", "rock", "rock", 124)] },
  { id: 219, slug: "midilands-breaks", title: "Midilands Breaks", artist: "The Tipton Three", genre: G, artwork: "width-last", otherFiles: [],
    loops: [loop("Canal Break", "funk", "indie", 94), loop("Foundry Beat", "backbeat", "indie", 104), loop("Black Country Shuffle", "shuffle", "indie", 86)] },
  { id: 217, slug: "brushwork-sessions", title: "Brushwork Sessions", artist: "Teo Halvorsen", genre: G, artwork: "width", otherFiles: [],
    loops: [loop("Brushes In Three", "brush", "jazz", 84), loop("Ballad Sweep", "brush", "jazz", 70), loop("Bossa Brush", "bossa", "jazz", 124, 2, { tagBpm: false })] },
  { id: 216, slug: "multitrack-sessions-vol-1", title: "Multitrack Sessions Vol. 1", artist: "Marla Quinn", genre: G, artwork: "width", otherFiles: [],
    loops: [loop("Full Kit Take", "backbeat", "session", 96)] },
  { id: 214, slug: "ghost-note-grooves", title: "Ghost Note Grooves", artist: "June Sato", genre: G, artwork: "width", otherFiles: [],
    loops: [loop("Whisper Snare", "ghost", "dry", 90), loop("Featherweight", "ghost", "dry", 96), loop("Paper Thin", "ghost", "session", 100)] },
  { id: 212, slug: "maschine-expansion-boom-bap", title: "Maschine Expansion: Boom Bap", genre: G, artwork: "width", otherFiles: [],
    loops: [loop("Boom Bap 1", "lofi", "dry", 90)] },
  { id: 211, slug: "dusty-shuffle", title: "Dusty Shuffle", artist: "Nadia Crane", genre: G, artwork: "plain", otherFiles: [],
    loops: [loop("Dusty Shuffle", "shuffle", "session", 82), loop("Porch Swing", "shuffle", "dry", 92), loop("Half Shuffle", "shuffle", "rock", 76)] },
  { id: 209, slug: "ableton-pack-live-drums", title: "Ableton Pack: Live Drums", artist: "Vandery", genre: G, artwork: "width", otherFiles: [],
    loops: [loop("Live Kit 1", "rock", "session", 118)] },
  { id: 207, slug: "halftime-heavy", title: "Halftime Heavy", artist: "Rory Blake", genre: G, artwork: "width", otherFiles: [],
    loops: [loop("Slow Crush", "halftime", "rock", 70), loop("Sludge Pocket", "halftime", "rock", 66), loop("Big Halftime", "halftime", "session", 80)] },
  { id: 206, slug: "pro-tools-session-big-room", title: "Pro Tools Session: Big Room", artist: "Rory Blake", genre: G, artwork: "width", otherFiles: [],
    loops: [loop("Big Room", "rock", "rock", 122)] },
  { id: 205, slug: "linear-sixteenths", title: "Linear Sixteenths", artist: "June Sato", genre: G, artwork: "width", otherFiles: [midiFile("Linear Study")],
    loops: [] },
  { id: 204, slug: "vandery-sample-library", title: "The Vandery Sample Library", artist: "Vandery", genre: G, artwork: "width", otherFiles: [],
    loops: [loop("Library Tour", "backbeat", "session", 100)] },
  { id: 203, slug: "stemkit-jazz-trio", title: "Stemkit: Jazz Trio", artist: "Teo Halvorsen", genre: G, artwork: "width", otherFiles: [],
    loops: [loop("Trio Ride", "brush", "jazz", 132)] },
  { id: 202, slug: "kitforge-rock", title: "KITFORGE Rock Edition", artist: "Rory Blake", genre: G, artwork: "width", otherFiles: [],
    loops: [loop("Forge Beat", "rock", "rock", 128)] },
  { id: 201, slug: "rimshot-bossa", title: "Rimshot Bossa", artist: "Lia Moreno", genre: G, artwork: "width", otherFiles: [],
    loops: [loop("Rimshot Bossa", "bossa", "jazz", 120), loop("Copacabana Click", "bossa", "dry", 128)] },
  { id: 199, slug: "loops-and-samples-near-miss", title: "Garage Grooves", artist: "Sam Ode", genre: "Loops & Samples", artwork: "width", otherFiles: [],
    loops: [loop("Garage 1", "backbeat", "indie", 108)] },
  { id: 198, slug: "untagged-demo", title: "Untagged Demo", artist: "Sam Ode", artwork: "width", otherFiles: [],
    loops: [loop("Demo Groove", "backbeat", "dry", 100)] },
  { id: 196, slug: "stadium-rock-stomps", title: "Stadium Rock Stomps", artist: "Rory Blake", genre: G, artwork: "width", otherFiles: [],
    loops: [loop("Arena Stomp", "rock", "rock", 116), loop("Encore", "rock", "rock", 132, 4), loop("Floor Tom Feel", "halftime", "rock", 74)] },
];
