// Test helper: small hand-made grooves for the writers and the renderer.

import type { Lane, LaneVelocities } from "../../analysis/types";

export interface TestHit {
  time: number;
  velocity: number;
  band: Lane;
  voices: Lane[];
  vels: LaneVelocities;
}

export function testHit(time: number, voices: Lane[], velocity = 100, vels: LaneVelocities = {}): TestHit {
  return { time, velocity, band: voices[0] ?? "low", voices, vels };
}

export function testGroove(onsets: TestHit[], overrides: Partial<{ bpm: number; gridPhase: number; duration: number; gridDiv: number; steps: number }> = {}) {
  return { bpm: 120, gridPhase: 0, duration: 2, gridDiv: 4, steps: 16, onsets, ...overrides };
}
