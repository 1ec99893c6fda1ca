// The page's audio utilities: decoding, WAV over the bridge, and the two stretchers.
export { makeClip, clipDurationSec, type AudioClip } from "./clip.ts";
export { decodeAudio, DECODE_SAMPLE_RATE } from "./decode.ts";
export { clipToWav, clipToWavBase64, wavBase64ToClip, wavBytesToClip } from "./wav.ts";
export { stretchViaNative, STRETCH_TIMEOUT_MS } from "./stretchNative.ts";
export { stretchLocally } from "./stretchLocal.ts";
