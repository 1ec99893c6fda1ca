import { describe, expect, it } from "vitest";
import { makeClip } from "./clip.ts";
import { base64ToBytes, bytesToBase64, decodeWithTable, encodeWithTable } from "./base64.ts";
import { clipToWav, clipToWavBase64, wavBase64ToClip, wavBytesToClip } from "./wav.ts";

const b64 = (bytes: Uint8Array) => Buffer.from(bytes).toString("base64");

/** Builds a RIFF file from chunks; sizes as given, odd chunks padded with one byte. */
function riff(chunks: { id: string; body: Uint8Array; size?: number }[]): Uint8Array {
  const parts: number[] = [...Buffer.from("RIFF"), 0, 0, 0, 0, ...Buffer.from("WAVE")];
  for (const c of chunks) {
    const size = c.size ?? c.body.length;
    parts.push(...Buffer.from(c.id), size & 255, (size >> 8) & 255, (size >> 16) & 255, size >>> 24, ...c.body);
    if (c.body.length % 2) parts.push(0);
  }
  const bytes = Uint8Array.from(parts);
  new DataView(bytes.buffer).setUint32(4, bytes.length - 8, true);
  return bytes;
}

function fmtBody(channels: number, rate: number, bits: number, extra = 0): Uint8Array {
  const body = new Uint8Array(16 + extra);
  const v = new DataView(body.buffer);
  v.setUint16(0, bits === 32 ? 3 : 1, true);
  v.setUint16(2, channels, true);
  v.setUint32(4, rate, true);
  v.setUint32(8, (rate * channels * bits) / 8, true);
  v.setUint16(12, (channels * bits) / 8, true);
  v.setUint16(14, bits, true);
  return body;
}

describe("clipToWav", () => {
  it("writes the canonical 44-byte header: 1 stereo frame gives 48 bytes at byte rate 176,400", () => {
    const bytes = clipToWav(makeClip(44100, [Float32Array.of(0.5), Float32Array.of(-1)]));
    const v = new DataView(bytes.buffer);
    expect(bytes.length).toBe(48);
    expect(Buffer.from(bytes.subarray(0, 4)).toString()).toBe("RIFF");
    expect(v.getUint32(4, true)).toBe(40);
    expect(Buffer.from(bytes.subarray(8, 16)).toString()).toBe("WAVEfmt ");
    expect([v.getUint32(16, true), v.getUint16(20, true), v.getUint16(22, true)]).toEqual([16, 1, 2]);
    expect([v.getUint32(24, true), v.getUint32(28, true), v.getUint16(32, true), v.getUint16(34, true)]).toEqual([
      44100, 176400, 4, 16,
    ]);
    expect(Buffer.from(bytes.subarray(36, 40)).toString()).toBe("data");
    expect(v.getUint32(40, true)).toBe(4);
    expect([v.getInt16(44, true), v.getInt16(46, true)]).toEqual([16384, -32767]);
  });

  it.each([
    [1.0, 32767],
    [-1.0, -32767],
    [2.5, 32767],
    [-7, -32767],
    [0.25, 8192],
    [-0.000001, 0],
  ])("maps %f to %i (full scale ±32,767, clamped)", (x, expected) => {
    const bytes = clipToWav(makeClip(8000, [Float32Array.of(x)]));
    expect(bytes.length).toBe(46);
    expect(new DataView(bytes.buffer).getInt16(44, true)).toBe(expected);
  });
});

describe("wavBase64ToClip", () => {
  it("round-trips a clip through 16-bit within two quantisation steps (written at 32,767, read at 32,768)", () => {
    const left = Float32Array.from({ length: 1000 }, (_, i) => Math.sin(i / 7) * 0.9);
    const right = Float32Array.from({ length: 1000 }, (_, i) => Math.cos(i / 5) * -0.4);
    const clip = wavBase64ToClip(clipToWavBase64(makeClip(48000, [left, right])))!;
    expect(clip.sampleRate).toBe(48000);
    expect(clip.length).toBe(1000);
    expect(clip.channels).toHaveLength(2);
    for (let i = 0; i < 1000; i++) {
      expect(Math.abs(clip.channels[0][i] - left[i])).toBeLessThan(2 / 32767);
      expect(Math.abs(clip.channels[1][i] - right[i])).toBeLessThan(2 / 32767);
    }
  });

  it("keeps the first two channels of a 6-channel 24-bit file", () => {
    const frames = 3;
    const data = new Uint8Array(frames * 6 * 3);
    const v = new DataView(data.buffer);
    for (let g = 0; g < frames; g++) {
      for (let ch = 0; ch < 6; ch++) {
        const value = (ch + 1) * 100000 * (g % 2 ? -1 : 1);
        const at = (g * 6 + ch) * 3;
        v.setUint8(at, value & 255);
        v.setUint8(at + 1, (value >> 8) & 255);
        v.setInt8(at + 2, value >> 16);
      }
    }
    const clip = wavBase64ToClip(b64(riff([{ id: "fmt ", body: fmtBody(6, 44100, 24) }, { id: "data", body: data }])))!;
    expect(clip.channels).toHaveLength(2);
    expect(clip.length).toBe(3);
    expect(Array.from(clip.channels[0])).toEqual([100000, -100000, 100000].map((x) => Math.fround(x / 8388608)));
    expect(Array.from(clip.channels[1])).toEqual([200000, -200000, 200000].map((x) => Math.fround(x / 8388608)));
  });

  it("reads 32-bit float samples", () => {
    const data = new Uint8Array(8);
    new DataView(data.buffer).setFloat32(0, 0.75, true);
    new DataView(data.buffer).setFloat32(4, -1.25, true);
    const clip = wavBase64ToClip(b64(riff([{ id: "fmt ", body: fmtBody(1, 44100, 32) }, { id: "data", body: data }])))!;
    expect(Array.from(clip.channels[0])).toEqual([0.75, -1.25]);
  });

  it("skips the pad byte after an odd-sized chunk", () => {
    const data = new Uint8Array(4);
    new DataView(data.buffer).setInt16(0, 16384, true);
    new DataView(data.buffer).setInt16(2, -32768, true);
    const file = riff([
      { id: "LIST", body: Uint8Array.of(1, 2, 3) }, // 3 bytes + pad
      { id: "fmt ", body: fmtBody(1, 22050, 16, 1) }, // 17-byte fmt + pad
      { id: "data", body: data },
    ]);
    const clip = wavBase64ToClip(b64(file))!;
    expect(clip.sampleRate).toBe(22050);
    expect(Array.from(clip.channels[0])).toEqual([0.5, -1]);
  });

  const good = b64(riff([{ id: "fmt ", body: fmtBody(1, 44100, 16) }, { id: "data", body: new Uint8Array(8) }]));
  it.each([
    ["empty text", ""],
    ["Base64 with garbage", good.slice(0, 20) + "*!?" + good.slice(20)],
    ["not RIFF", b64(Buffer.from("RIFX0000WAVEfmt "))],
    ["RIFF without chunks", b64(Buffer.from("RIFF\x04\x00\x00\x00WAVE"))],
    ["no data chunk", b64(riff([{ id: "fmt ", body: fmtBody(1, 44100, 16) }]))],
    ["no fmt chunk", b64(riff([{ id: "data", body: new Uint8Array(8) }]))],
    ["data running past the end", b64(riff([{ id: "fmt ", body: fmtBody(1, 44100, 16) }, { id: "data", body: new Uint8Array(8), size: 800 }]))],
    ["truncated file", good.slice(0, 40)],
    ["zero channels", b64(riff([{ id: "fmt ", body: fmtBody(0, 44100, 16) }, { id: "data", body: new Uint8Array(8) }]))],
    ["zero sample rate", b64(riff([{ id: "fmt ", body: fmtBody(1, 0, 16) }, { id: "data", body: new Uint8Array(8) }]))],
    ["zero bits", b64(riff([{ id: "fmt ", body: fmtBody(1, 44100, 0) }, { id: "data", body: new Uint8Array(8) }]))],
    ["8-bit samples", b64(riff([{ id: "fmt ", body: fmtBody(1, 44100, 8) }, { id: "data", body: new Uint8Array(8) }]))],
    ["20-bit samples", b64(riff([{ id: "fmt ", body: fmtBody(1, 44100, 20) }, { id: "data", body: new Uint8Array(8) }]))],
    ["fmt chunk cut short by the file end", b64(Buffer.from("RIFF\x10\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00"))],
  ])("gives nothing for %s", (_, text) => {
    expect(wavBase64ToClip(text)).toBeNull();
  });

  it("accepts the well-formed control case of the table above", () => {
    expect(wavBase64ToClip(good)?.length).toBe(4);
  });

  it("never throws on random bytes behind a RIFF tag", () => {
    let seed = 7;
    const rnd = () => ((seed = (seed * 1103515245 + 12345) >>> 0) / 2 ** 32);
    for (let n = 0; n < 300; n++) {
      const bytes = Uint8Array.from({ length: 16 + Math.floor(rnd() * 80) }, () => Math.floor(rnd() * 256));
      bytes.set(Buffer.from("RIFF"), 0);
      if (n % 2) bytes.set(Buffer.from("fmt "), 12);
      expect(() => wavBytesToClip(bytes)).not.toThrow();
    }
  });
});

describe("Base64", () => {
  it.each([0, 1, 2, 3, 4, 5, 255, 256, 1000])("matches the platform encoder and decodes back (%i bytes)", (n) => {
    const bytes = Uint8Array.from({ length: n }, (_, i) => (i * 37 + 11) & 255);
    const expected = Buffer.from(bytes).toString("base64");
    expect(encodeWithTable(bytes)).toBe(expected);
    expect(bytesToBase64(bytes)).toBe(expected);
    expect(Array.from(decodeWithTable(expected)!)).toEqual(Array.from(bytes));
    expect(Array.from(base64ToBytes(expected)!)).toEqual(Array.from(bytes));
  });

  it.each(["A", "ab=c", "abc\n", "ab-_", "ééé="])("rejects %j", (text) => {
    expect(decodeWithTable(text)).toBeNull();
  });

  it.each(["A", "ab=c", "ab-_", "ééé=", "QUJD*"])("gives nothing for %j on any platform", (text) => {
    expect(base64ToBytes(text)).toBeNull();
  });
});
