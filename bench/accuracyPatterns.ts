// General-MIDI drum patterns rendered through fluidsynth with FluidR3_GM, with
// ground truth corrected for how the renderer places notes.
//
// fluidsynth starts notes on 64-sample block boundaries and its MIDI player keeps
// time in milliseconds. Rendering at 64 kHz makes one block exactly 1 ms, and a
// pulse of P ticks per beat at 60000/P BPM makes one tick exactly 1 ms, so every
// note starts exactly at its tick. Each drum sample has its own acoustic onset
// lag (silence or a slow attack at the start of the sample), measured by
// rendering every (note, velocity) alone. The render is resampled to 44.1 kHz
// with sox, as the page would decode it, and the lag is measured after that too.

import { execFileSync } from "node:child_process";
import { mkdirSync, readFileSync, writeFileSync, existsSync } from "node:fs";
import { join } from "node:path";
import midiFile from "midi-file";
import { makeClip, type AudioClip } from "../page/src/audio/clip";
import type { Lane } from "../page/src/analysis/types";
import { seededRandom } from "../page/src/analysis/testSignals";
import { parseWavFile } from "../cli/wavFile";
import type { TruthHit } from "./accuracyScore";

export const SOUNDFONT = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
const RENDER_RATE = 64000;

/** GM drum notes used, with their lane. */
const NOTE_LANE: Record<number, Lane> = { 36: "low", 37: "mid", 38: "mid", 39: "mid", 42: "high", 44: "high", 46: "high", 51: "high" };

interface Voice {
  note: number;
  velocity: number;
}

/** Pattern letters: which note and velocity a step plays in each row. */
const ROWS: Record<"kick" | "snare" | "hat", Record<string, Voice>> = {
  kick: { X: { note: 36, velocity: 118 }, x: { note: 36, velocity: 88 } },
  snare: { X: { note: 38, velocity: 118 }, x: { note: 38, velocity: 88 }, g: { note: 38, velocity: 40 }, c: { note: 39, velocity: 105 }, s: { note: 37, velocity: 95 } },
  hat: { X: { note: 42, velocity: 112 }, x: { note: 42, velocity: 78 }, o: { note: 46, velocity: 92 }, p: { note: 44, velocity: 80 }, r: { note: 51, velocity: 96 } },
};

export interface GmPattern {
  name: string;
  /** Ticks per beat; the tempo is 60000 / ticksPerBeat BPM so that one tick is 1 ms. */
  ticksPerBeat: number;
  stepsPerBeat: 3 | 4;
  /** Delay of odd steps, as a fraction of a step (16th swing). */
  swing?: number;
  /** Random timing offset, up to ± this many ms per note (humanised). */
  jitterMs?: number;
  bars: { kick: string; snare: string; hat: string }[];
}

export const GM_PATTERNS: readonly GmPattern[] = [
  {
    name: "rock 8ths 120",
    ticksPerBeat: 500,
    stepsPerBeat: 4,
    bars: [
      { kick: "X.......X.x.....", snare: "....X.......X...", hat: "X.x.X.x.X.x.X.x." },
      { kick: "X.......X.x.....", snare: "....X.......X...", hat: "X.x.X.x.X.x.X.x." },
      { kick: "X.......X.x.....", snare: "....X.......X...", hat: "X.x.X.x.X.x.X.x." },
      { kick: "X.......X.x..x..", snare: "....X.......X.XX", hat: "X.x.X.x.X.x.X..." },
    ],
  },
  {
    name: "funk 16ths ghosts 100",
    ticksPerBeat: 600,
    stepsPerBeat: 4,
    jitterMs: 6,
    bars: [
      { kick: "X..x..X...X..x..", snare: "....X..g.g..X..g", hat: "XxxxXxxxXxxxXxxx" },
      { kick: "X..x..X...X.....", snare: "....X..g.g..X.g.", hat: "XxxxXxxxXxxxXxxo" },
      { kick: "X..x..X...X..x..", snare: "....X..g.g..X..g", hat: "XxxxXxxxXxxxXxxx" },
      { kick: "X..x..X...X.x...", snare: "....X..g.g..X.XX", hat: "XxxxXxxxXxxxX..." },
    ],
  },
  {
    name: "shuffle ride 80",
    ticksPerBeat: 750,
    stepsPerBeat: 3,
    jitterMs: 5,
    bars: [
      { kick: "X.....X..X..", snare: "...X.....X..", hat: "r.rr.rr.rr.r" },
      { kick: "X.....X.....", snare: "...X..g..X.g", hat: "r.rr.rr.rr.r" },
      { kick: "X.....X..X..", snare: "...X.....X..", hat: "r.rr.rr.rr.r" },
      { kick: "X.....X.X...", snare: "...X..g..XXX", hat: "r.rr.rr.r..." },
    ],
  },
  {
    name: "house clap 125",
    ticksPerBeat: 480,
    stepsPerBeat: 4,
    bars: [
      { kick: "X...X...X...X...", snare: "....c.......c...", hat: "..o...o...o...o." },
      { kick: "X...X...X...X...", snare: "....c.......c...", hat: "x.o.x.o.x.o.x.o." },
      { kick: "X...X...X...X...", snare: "....c.......c...", hat: "..o...o...o...o." },
      { kick: "X...X...X...X.x.", snare: "....c.......c.c.", hat: "x.o.x.o.x.o.x.o." },
    ],
  },
  {
    name: "swung hip-hop 75",
    ticksPerBeat: 800,
    stepsPerBeat: 4,
    swing: 0.3,
    jitterMs: 8,
    bars: [
      { kick: "X..x....X.x.....", snare: "....X.......X...", hat: "XxXxXxXxXxXxXxXx" },
      { kick: "X..x....X.x..x..", snare: "....X..s....X...", hat: "XxXxXxXxXxXxXxXx" },
      { kick: "X..x....X.x.....", snare: "....X.......X...", hat: "XxXxXxXxXxXxXxXx" },
      { kick: "X..x....X.x.x...", snare: "....X..s....X..g", hat: "XxXxXxXxXxXxXp.p" },
    ],
  },
  {
    name: "breakbeat 150",
    ticksPerBeat: 400,
    stepsPerBeat: 4,
    jitterMs: 4,
    bars: [
      { kick: "X.........X.....", snare: "....X.......X...", hat: "x.x.x.x.x.x.x.x." },
      { kick: "X.X.......X.....", snare: "....X..g....X...", hat: "x.x.x.x.x.x.x.x." },
      { kick: "X.........X.....", snare: "....X.......X...", hat: "x.x.x.x.x.x.x.x." },
      { kick: "X.X.......X..X..", snare: "....X..g..X.X.X.", hat: "x.x.x.x.x.x.x.o." },
    ],
  },
];

export function patternBpm(p: GmPattern): number {
  return 60000 / p.ticksPerBeat;
}

interface ScheduledNote extends Voice {
  tick: number;
}

export function scheduleNotes(p: GmPattern, seed = 1): ScheduledNote[] {
  const rnd = seededRandom(seed);
  const stepTicks = p.ticksPerBeat / p.stepsPerBeat;
  const stepsPerBar = p.stepsPerBeat * 4;
  const notes: ScheduledNote[] = [];
  p.bars.forEach((bar, b) => {
    for (const row of ["kick", "snare", "hat"] as const) {
      const line = bar[row];
      for (let s = 0; s < stepsPerBar; s++) {
        const voice = ROWS[row][line[s]];
        if (!voice) continue;
        const swing = s % 2 === 1 ? (p.swing ?? 0) * stepTicks : 0;
        const jitter = p.jitterMs ? (rnd() * 2 - 1) * p.jitterMs : 0;
        const tick = Math.max(0, Math.round((b * stepsPerBar + s) * stepTicks + swing + jitter));
        notes.push({ ...voice, tick });
      }
    }
  });
  return notes.sort((a, b) => a.tick - b.tick || a.note - b.note);
}

function writeDrumMidi(path: string, notes: readonly ScheduledNote[], ticksPerBeat: number, endTick: number): void {
  type Ev = Record<string, unknown> & { deltaTime: number };
  const timed: { tick: number; ev: Omit<Ev, "deltaTime"> }[] = [];
  for (const n of notes) {
    timed.push({ tick: n.tick, ev: { channel: 9, type: "noteOn", noteNumber: n.note, velocity: n.velocity } });
    timed.push({ tick: n.tick + 60, ev: { channel: 9, type: "noteOff", noteNumber: n.note, velocity: 0 } });
  }
  timed.sort((a, b) => a.tick - b.tick);
  const events: Ev[] = [{ deltaTime: 0, meta: true, type: "setTempo", microsecondsPerBeat: ticksPerBeat * 1000 }];
  let last = 0;
  for (const t of timed) {
    events.push({ deltaTime: t.tick - last, ...t.ev });
    last = t.tick;
  }
  events.push({ deltaTime: Math.max(0, endTick - last), meta: true, type: "endOfTrack" });
  const bytes = midiFile.writeMidi({ header: { format: 0, numTracks: 1, ticksPerBeat }, tracks: [events as never] });
  writeFileSync(path, Buffer.from(bytes));
}

/** MIDI → fluidsynth at 64 kHz → sox to 44.1 kHz; returns the 44.1 kHz clip. */
function render(dir: string, stem: string, notes: readonly ScheduledNote[], ticksPerBeat: number, endTick: number): AudioClip {
  const mid = join(dir, `${stem}.mid`);
  const raw = join(dir, `${stem}-64k.wav`);
  const wav = join(dir, `${stem}.wav`);
  writeDrumMidi(mid, notes, ticksPerBeat, endTick);
  execFileSync("fluidsynth", ["-ni", "-q", "-R", "0", "-C", "0", "-g", "0.6", "-r", String(RENDER_RATE), "-F", raw, SOUNDFONT, mid], { stdio: "ignore" });
  execFileSync("sox", [raw, "-b", "16", wav, "rate", "-v", "44100"], { stdio: "ignore" });
  return parseWavFile(readFileSync(wav));
}

/** First sample (seconds) at or above 1/32 of the peak of the 100 ms after `fromSec`. */
export function acousticOnsetSec(clip: AudioClip, fromSec: number): number {
  const rate = clip.sampleRate;
  const start = Math.max(0, Math.floor(fromSec * rate));
  const end = Math.min(clip.length, start + Math.round(0.1 * rate));
  const level = (i: number) => clip.channels.reduce((m, ch) => Math.max(m, Math.abs(ch[i])), 0);
  let peak = 0;
  for (let i = start; i < end; i++) peak = Math.max(peak, level(i));
  for (let i = start; i < end; i++) if (level(i) >= peak / 32) return i / rate;
  return NaN;
}

export interface Calibration {
  /** Lag (s) from a note's tick to its acoustic onset in the 44.1 kHz render, per "note/velocity". */
  lagSec: Map<string, number>;
  /** Largest spread of the lag over the test positions, s (0 when the block placement is exact). */
  spreadSec: number;
}

const key = (v: Voice) => `${v.note}/${v.velocity}`;

/** Renders each (note, velocity) alone at several times and measures its onset lag. */
export function calibrate(dir: string, voices: readonly Voice[]): Calibration {
  const lagSec = new Map<string, number>();
  let spreadSec = 0;
  for (const v of voices) {
    const ticks = [1000, 2537, 4071]; // 1 ms ticks at 60 BPM: 1.000 s, 2.537 s, 4.071 s
    const clip = render(dir, `cal-${v.note}-${v.velocity}`, ticks.map((tick) => ({ ...v, tick })), 1000, 5500);
    const lags = ticks.map((t) => acousticOnsetSec(clip, t / 1000 - 0.002) - t / 1000);
    spreadSec = Math.max(spreadSec, Math.max(...lags) - Math.min(...lags));
    lagSec.set(key(v), lags.reduce((a, b) => a + b, 0) / lags.length);
  }
  return { lagSec, spreadSec };
}

export interface RenderedPattern {
  pattern: GmPattern;
  bpm: number;
  clip: AudioClip;
  truth: TruthHit[];
}

/** Renders every pattern (cached under dir) with its lag-corrected ground truth. */
export function renderPatterns(dir: string): { rendered: RenderedPattern[]; calibration: Calibration } {
  mkdirSync(dir, { recursive: true });
  if (!existsSync(SOUNDFONT)) throw new Error(`${SOUNDFONT} missing (Debian package fluid-soundfont-gm)`);
  const schedules = GM_PATTERNS.map((p, i) => scheduleNotes(p, i + 1));
  const voices = new Map<string, Voice>();
  for (const notes of schedules) for (const n of notes) voices.set(key(n), { note: n.note, velocity: n.velocity });
  const calibration = calibrate(dir, [...voices.values()]);
  const rendered = GM_PATTERNS.map((pattern, i) => {
    const notes = schedules[i];
    const loopTicks = pattern.bars.length * 4 * pattern.ticksPerBeat;
    const full = render(dir, `pattern-${i}`, notes, pattern.ticksPerBeat, loopTicks);
    // Trim to exactly the loop, as a loop file would be.
    const frames = Math.round((loopTicks / 1000) * full.sampleRate);
    const clip = makeClip(full.sampleRate, full.channels.map((c) => c.slice(0, frames)));
    const truth = notes.map((n) => ({ timeSec: n.tick / 1000 + calibration.lagSec.get(key(n))!, lane: NOTE_LANE[n.note] }));
    return { pattern, bpm: patternBpm(pattern), clip, truth };
  });
  return { rendered, calibration };
}
