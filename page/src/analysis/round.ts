/** The one rounding rule of the analysis and the writers: halves go up, floor(x + 0.5). */
export function roundHalfUp(x: number): number {
  return Math.floor(x + 0.5);
}

export function clamp(x: number, lo: number, hi: number): number {
  return x < lo ? lo : x > hi ? hi : x;
}
