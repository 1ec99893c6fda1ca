// Entry of the audio bundle the browser tests and benchmarks load into a bare page.
export { makeClip } from "../src/audio/clip.ts";
export { decodeAudio } from "../src/audio/decode.ts";
export { clipToWav, clipToWavBase64, wavBase64ToClip } from "../src/audio/wav.ts";
export { stretchLocally } from "../src/audio/stretchLocal.ts";
export { bytesToBase64, encodeWithTable, decodeWithTable } from "../src/audio/base64.ts";
