// Types of the onset analysis engine: what detection takes and what it returns.

/** A groove lane, shown as KICK, SNARE and HAT. */
export type Lane = "low" | "mid" | "high";

/** Lanes in their fixed order; `voices` lists always follow it. */
export const LANES: readonly Lane[] = ["low", "mid", "high"];

/** Per-voice settings use these keys for the same three lanes. */
export type Voice = "kick" | "snare" | "hat";

export interface VoiceGains {
  kick: number;
  snare: number;
  hat: number;
}

export interface DetectOptions {
  /** 0-1, default 0.5; higher finds quieter hits. Clamped. */
  sensitivity?: number;
  /** Per-voice balance, 0-2 in the interface; missing keys are 1. */
  gains?: Partial<VoiceGains>;
  /** true (default): a hit may strike several lanes; false: one lane per hit. */
  layered?: boolean;
}

/** Spectral magnitudes of a hit in four bands. */
export interface BandEnergies {
  sub: number;
  body: number;
  crack: number;
  air: number;
}

/** Band scores 0-1 used for the lane decision. */
export type BandScores = VoiceGains;

export type OnsetOrigin = "wide" | "kick" | "hat";

/** Velocity 1-127 per struck lane. */
export type LaneVelocities = Partial<Record<Lane, number>>;

/** One detected hit. */
export interface Onset {
  /** Seconds; start of the detection frame (a multiple of 256 samples). */
  time: number;
  /** Overall velocity 1-127 from the peak amplitude against the loudest kept hit. */
  velocity: number;
  /** Peak absolute mono sample over the 35 ms from `time`. */
  amp: number;
  /** Brightness 0 (dark) to 1 (bright). */
  tilt: number;
  /** Primary lane. */
  band: Lane;
  /** Lanes struck, in the order low, mid, high. */
  voices: Lane[];
  vels: LaneVelocities;
  scores: BandScores;
  origin: OnsetOrigin;
  bands: BandEnergies;
}

export interface OnsetAnalysis {
  /** Ascending by time. */
  onsets: Onset[];
  /** Wide-detector onset strength per frame, maximum 1 (all zero for silence). */
  flux: number[];
  /** Seconds per flux frame: 256 / sample rate. */
  fluxHopSec: number;
}
