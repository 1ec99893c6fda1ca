// The statistics row: six tiles read from the muted groove.

import { roundHalfUp } from "../analysis/round";
import type { Groove } from "./types";

export interface StatTile {
  readonly caption: string;
  readonly value: string;
}

const oneDecimal = (x: number) => (roundHalfUp(x * 10) / 10).toFixed(1);

export function grooveStats(muted: Groove): StatTile[] {
  const perBar = muted.gridDiv * 4;
  return [
    { caption: "BPM", value: String(roundHalfUp(muted.bpm)) },
    { caption: "Hits", value: String(muted.onsets.length) },
    { caption: "Swing", value: `${oneDecimal(muted.swingPct)}%` },
    { caption: muted.meanDevMs <= 0 ? "Push" : "Drag", value: `${oneDecimal(Math.abs(muted.meanDevMs))}ms` },
    { caption: "Tightness", value: `±${oneDecimal(muted.tightnessMs)}ms` },
    { caption: "Bars", value: `${muted.steps / perBar}×${perBar}` },
  ];
}
