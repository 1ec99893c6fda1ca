import { describe, expect, it } from "vitest";
import { makeClip } from "../page/src/audio/clip";
import { encodeWavFile, parseWavFile, readWavLayout } from "./wavFile";

const clip = makeClip(48000, [Float32Array.of(0, 0.5, -0.5, 0.25), Float32Array.of(-1, 0.125, 0.75, 0), Float32Array.of(0.1, 0.2, 0.3, 0.4)]);

function withFormat(bytes: Uint8Array, formatTag: number, bits: number): Uint8Array {
  const copy = bytes.slice();
  const view = new DataView(copy.buffer);
  view.setUint16(20, formatTag, true);
  view.setUint16(34, bits, true);
  return copy;
}

describe("parseWavFile", () => {
  it.each([
    ["pcm16", 1 / 32767],
    ["pcm24", 1 / 8388607],
    ["float32", 0],
  ] as const)("reads %s with every channel and the file's rate", (encoding, tolerance) => {
    const read = parseWavFile(encodeWavFile(clip, encoding));
    expect(read.sampleRate).toBe(48000);
    expect(read.length).toBe(4);
    expect(read.channels).toHaveLength(3);
    for (let ch = 0; ch < 3; ch++) {
      for (let i = 0; i < 4; i++) expect(Math.abs(read.channels[ch][i] - clip.channels[ch][i])).toBeLessThanOrEqual(tolerance + 1e-7);
    }
  });

  it("reads WAVE_FORMAT_EXTENSIBLE and skips odd-sized chunks with their pad byte", () => {
    const plain = encodeWavFile(makeClip(44100, [Float32Array.of(0.5, -0.5)]), "pcm16");
    // fmt chunk of 40 bytes (extensible, sub-format PCM) and a 3-byte "LIST" chunk before data.
    const fmt = new Uint8Array(48);
    const v = new DataView(fmt.buffer);
    fmt.set([0x66, 0x6d, 0x74, 0x20]);
    v.setUint32(4, 40, true);
    fmt.set(plain.subarray(20, 36), 8);
    v.setUint16(8, 0xfffe, true);
    v.setUint16(8 + 16, 22, true);
    v.setUint16(8 + 24, 1, true);
    const list = Uint8Array.of(0x4c, 0x49, 0x53, 0x54, 3, 0, 0, 0, 1, 2, 3, 0);
    const bytes = new Uint8Array([...plain.subarray(0, 12), ...fmt, ...list, ...plain.subarray(36)]);
    const read = parseWavFile(bytes);
    expect(Array.from(read.channels[0])).toEqual([16384 / 32768, -16383 / 32768]);
  });

  const good = encodeWavFile(makeClip(44100, [new Float32Array(100)]), "pcm16");
  it.each([
    ["text", new TextEncoder().encode("not audio at all"), /not a WAV file \(supported: WAV with 16-bit PCM, 24-bit PCM or 32-bit float/],
    ["an empty file", new Uint8Array(0), /not a WAV file/],
    ["a truncated data chunk", good.subarray(0, 100), /truncated file: data chunk declares 200 bytes, only 56 present/],
    ["a header without data", good.subarray(0, 36), /no "data" chunk/],
    ["zero frames", encodeWavFile(makeClip(44100, [new Float32Array(0)])), /no audio frames/],
    ["8-bit PCM", withFormat(good, 1, 8), /unsupported encoding 8-bit PCM \(supported:/],
    ["64-bit float", withFormat(good, 3, 64), /unsupported encoding 64-bit float/],
    ["A-law", withFormat(good, 6, 8), /unsupported encoding 8-bit format 0x6/],
  ])("refuses %s with a clear reason", (_name, bytes, reason) => {
    expect(() => parseWavFile(bytes)).toThrow(reason);
  });
});

describe("readWavLayout", () => {
  it.each([
    ["pcm16", 1, 16, 4 * 3 * 2],
    ["pcm24", 1, 24, 4 * 3 * 3],
    ["float32", 3, 32, 4 * 3 * 4],
  ] as const)("reports %s as format %i, %i bits, with the data chunk's place and size", (encoding, formatTag, bitsPerSample, dataBytes) => {
    const layout = readWavLayout(encodeWavFile(clip, encoding));
    expect(layout).toEqual({
      format: { formatTag, channelCount: 3, sampleRate: 48000, bitsPerSample, blockAlign: (3 * bitsPerSample) / 8 },
      dataAt: 44,
      dataBytes,
    });
  });
});
