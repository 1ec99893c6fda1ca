import { afterEach, describe, expect, it, vi } from "vitest";
import { decodeAudio, type DecoderFactories, type DecodingContext } from "./decode.ts";

function fakeBuffer(sampleRate: number, channels: number[][]): AudioBuffer {
  return {
    sampleRate,
    numberOfChannels: channels.length,
    length: channels[0].length,
    getChannelData: (ch: number) => Float32Array.from(channels[ch]),
  } as unknown as AudioBuffer;
}

function context(decode: (data: ArrayBuffer) => Promise<AudioBuffer>, onClose = () => {}): DecodingContext {
  return { decodeAudioData: decode, close: async () => onClose() };
}

describe("decodeAudio", () => {
  afterEach(() => vi.restoreAllMocks());

  it("decodes at 44,100 Hz on the offline decoder, with its own copy of the bytes", async () => {
    const bytes = Uint8Array.of(1, 2, 3);
    const rates: number[] = [];
    const decoders: DecoderFactories = {
      offline: (rate) => {
        rates.push(rate);
        return context(async (data) => {
          expect(data).not.toBe(bytes.buffer);
          new Uint8Array(data).fill(0); // a real decoder detaches the buffer
          return fakeBuffer(rate, [[0.5, -0.5]]);
        });
      },
      device: () => {
        throw new Error("not used");
      },
    };
    const clip = await decodeAudio(bytes, decoders);
    expect(rates).toEqual([44100]);
    expect(clip.sampleRate).toBe(44100);
    expect(Array.from(clip.channels[0])).toEqual([0.5, -0.5]);
    expect(Array.from(bytes)).toEqual([1, 2, 3]);
  });

  it("retries once at the device rate, logs why, and closes the device context", async () => {
    const warn = vi.spyOn(console, "warn").mockImplementation(() => {});
    let closed = 0;
    const decoders: DecoderFactories = {
      offline: () => context(async () => Promise.reject(new Error("rate refused"))),
      device: () => context(async () => fakeBuffer(48000, [[0.1], [0.2]]), () => closed++),
    };
    const clip = await decodeAudio(new ArrayBuffer(4), decoders);
    expect(clip.sampleRate).toBe(48000);
    expect(clip.channels).toHaveLength(2);
    expect(closed).toBe(1);
    expect(warn.mock.calls[0][0]).toBe("offline decode failed, retrying on AudioContext:");
  });

  it("hands a second failure to the caller and still closes the device context", async () => {
    vi.spyOn(console, "warn").mockImplementation(() => {});
    let closed = 0;
    const decoders: DecoderFactories = {
      offline: () => {
        throw new Error("no offline context");
      },
      device: () => context(async () => Promise.reject(new Error("not audio")), () => closed++),
    };
    await expect(decodeAudio(new ArrayBuffer(4), decoders)).rejects.toThrow("not audio");
    expect(closed).toBe(1);
  });
});
