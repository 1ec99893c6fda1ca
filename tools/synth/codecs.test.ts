import { inflateSync } from "node:zlib";
import { describe, expect, it } from "vitest";
import { crc32, decodeWav16, encodePng, encodeWav16, renderPattern, velocityGain, WAV_HEADER_BYTES, type KitSamples } from "./index.ts";

describe("encodeWav16", () => {
  it("writes the canonical mono 16-bit header (golden bytes)", () => {
    const bytes = encodeWav16(Float32Array.of(0.5), 44_100);
    expect(Buffer.from(bytes).toString("hex")).toBe(
      "52494646" + "26000000" + "57415645" + "666d7420" + "10000000" + "0100" + "0100" +
        "44ac0000" + "88580100" + "0200" + "1000" + "64617461" + "02000000" + "0040",
    );
  });

  it.each([
    [0, 0],
    [1, 32767],
    [-1, -32767],
    [1.7, 32767],
    [-3, -32767],
    [0.25, 8192], // 8191.75 rounds to the nearest step
    [-0.25, -8192],
    [Number.NaN, 0],
  ])("stores %d as %d", (sample, expected) => {
    const bytes = encodeWav16(Float32Array.of(sample), 44_100);
    expect(new DataView(bytes.buffer).getInt16(WAV_HEADER_BYTES, true)).toBe(expected);
  });

  it("round-trips through the decoder within one step", () => {
    const input = Float32Array.from({ length: 100 }, (_, i) => Math.sin(i / 5) * 0.8);
    const decoded = decodeWav16(encodeWav16(input, 22_050))!;
    expect(decoded).toMatchObject({ sampleRate: 22_050, channels: 1, bitsPerSample: 16 });
    decoded.samples.forEach((x, i) => expect(Math.abs(x - input[i])).toBeLessThan(1 / 16384));
  });

  it("decodes nothing from truncated or foreign bytes", () => {
    const good = encodeWav16(new Float32Array(10), 44_100);
    expect(decodeWav16(good.subarray(0, 50))).toBeUndefined();
    expect(decodeWav16(new TextEncoder().encode("not a wav file at all, just text padding it out"))).toBeUndefined();
    const odd = encodeWav16(Float32Array.of(0.5, -0.5), 44_100);
    new DataView(odd.buffer).setUint32(40, 3, true); // a data chunk of an odd size keeps its whole frames
    expect(decodeWav16(odd)?.samples.length).toBe(1);
  });
});

describe("encodePng", () => {
  it("writes signature, IHDR, deflated rows and IEND with valid CRCs", () => {
    const rgba = Uint8Array.from({ length: 3 * 2 * 4 }, (_, i) => i * 7);
    const png = encodePng(3, 2, rgba);
    const view = new DataView(png.buffer);
    expect([...png.subarray(0, 8)]).toEqual([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]);
    const chunks: { type: string; data: Uint8Array }[] = [];
    for (let offset = 8; offset < png.length; ) {
      const length = view.getUint32(offset);
      const type = String.fromCharCode(...png.subarray(offset + 4, offset + 8));
      const data = png.subarray(offset + 8, offset + 8 + length);
      expect(view.getUint32(offset + 8 + length)).toBe(crc32(png.subarray(offset + 4, offset + 8 + length)));
      chunks.push({ type, data });
      offset += 12 + length;
    }
    expect(chunks.map((c) => c.type)).toEqual(["IHDR", "IDAT", "IEND"]);
    expect([...chunks[0].data]).toEqual([0, 0, 0, 3, 0, 0, 0, 2, 8, 6, 0, 0, 0]);
    const rows = inflateSync(chunks[1].data);
    expect([...rows.subarray(0, 1)]).toEqual([0]);
    expect([...rows.subarray(1, 13)]).toEqual([...rgba.subarray(0, 12)]);
    expect([...rows.subarray(14, 26)]).toEqual([...rgba.subarray(12, 24)]);
  });

  it("uses the standard CRC-32 and refuses a mismatched pixel buffer", () => {
    expect(crc32(new TextEncoder().encode("IEND"))).toBe(0xae426082);
    expect(() => encodePng(2, 2, new Uint8Array(4))).toThrow(RangeError);
  });
});

describe("renderPattern", () => {
  const impulse = (value: number) => Float32Array.of(value, value / 2, value / 4);
  const kit: KitSamples = { kick: impulse(1), snare: impulse(0.5), hat: impulse(0.25) };

  it("starts each sample at its hit's frame, scaled by velocity, and sums layered hits", () => {
    const out = renderPattern(
      [
        { timeSec: 2 / 100, lane: "low", velocity: 127 },
        { timeSec: 2 / 100, lane: "high", velocity: 127 },
        { timeSec: 6 / 100, lane: "mid", velocity: 64 },
      ],
      kit,
      10,
      100,
    );
    const mid = 0.5 * velocityGain(64);
    expect([...out]).toEqual(
      [0, 0, 1.25, 0.625, 0.3125, 0, mid, mid / 2, mid / 4, 0].map((x) => Math.fround(x)),
    );
  });

  it("folds tails past the end onto the start only when asked", () => {
    const hits = [{ timeSec: 0.04, lane: "low" as const, velocity: 127 }];
    expect([...renderPattern(hits, kit, 5, 100)]).toEqual([0, 0, 0, 0, 1]);
    expect([...renderPattern(hits, kit, 5, 100, { wrapTails: true })]).toEqual([0.5, 0.25, 0, 0, 1]);
  });

  it("gives louder hits for higher velocities", () => {
    expect(velocityGain(127)).toBe(1);
    expect(velocityGain(30)).toBeLessThan(velocityGain(31));
    expect(velocityGain(0)).toBe(0);
  });
});
