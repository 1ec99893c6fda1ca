// Drum synthesis toolkit used at build time (embedded media) and by service tooling.
// Everything is pure and deterministic: randomness comes from an injected `Rng`.
//
//   const rng = makeRng(42);
//   const kick = renderKick(KIT_VOICINGS.rock.kick, 44100, rng);       // Float32Array one-shot
//   const kit = renderKit("funk", 44100, 7);                          // { kick, snare, hat }
//   const hits = performGroove(groove, 44100, frames, makeRng(3));    // humanised DrumHit[]
//   const loop = renderPattern(hits, kit, frames, 44100, { wrapTails: true });
//   const wav = encodeWav16(normalizePeak(loop, 0.89), 44100);        // Uint8Array, mono 16-bit
//   const png = encodePng(width, height, rgbaPixels);

export { makeRng, gaussian, noiseSample, deriveSeed, type Rng } from "./rng.ts";
export { renderKick, renderSnare, renderHat, type KickParams, type SnareParams, type HatParams } from "./voices.ts";
export {
  KIT_IDS,
  KIT_VOICINGS,
  VOICES,
  renderKit,
  renderKitVoice,
  type KitId,
  type KitSamples,
  type KitVoicing,
  type Voice,
} from "./kits.ts";
export { renderPattern, velocityGain, hitStartFrame, type DrumHit, type Lane, type RenderPatternOptions } from "./pattern.ts";
export { filter, applyBiquad, biquadCoefficients, saturate, normalizePeak, fadeOutTail, type BiquadKind } from "./filters.ts";
export { encodeWav16, decodeWav16, WAV_HEADER_BYTES, type DecodedWav16 } from "./wav.ts";
export { encodePng, crc32 } from "./png.ts";
export { bandEnergyFraction, powerSpectrum, peakOf, rmsOf, spectralCentroid } from "./measure.ts";
export {
  STRAIGHT_16THS,
  grooveStepsPerBar,
  performGroove,
  swung16ths,
  validateGroove,
  type Groove,
  type GrooveBar,
  type Nudge,
} from "./groove.ts";
