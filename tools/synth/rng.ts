// Seeded pseudo-random numbers. Every generator takes an `Rng` explicitly so the
// same seed always yields the same audio, byte for byte.

/** Uniform numbers in [0, 1). */
export type Rng = () => number;

/** Mulberry32: tiny, fast and good enough for noise and humanising. */
export function makeRng(seed: number): Rng {
  let state = seed >>> 0;
  return () => {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

/** Uniform in [-1, 1): white-noise sample. */
export function noiseSample(rng: Rng): number {
  return rng() * 2 - 1;
}

/** Standard normal (Box–Muller), scaled by `sigma`. */
export function gaussian(rng: Rng, sigma = 1): number {
  const u = 1 - rng(); // (0, 1]: keeps log finite
  const v = rng();
  return sigma * Math.sqrt(-2 * Math.log(u)) * Math.cos(2 * Math.PI * v);
}

/** Derives an independent seed from a base seed and a label (FNV-1a over the label). */
export function deriveSeed(seed: number, label: string): number {
  let hash = (0x811c9dc5 ^ seed) >>> 0;
  for (let i = 0; i < label.length; i++) {
    hash ^= label.charCodeAt(i);
    hash = Math.imul(hash, 0x01000193) >>> 0;
  }
  return hash;
}
