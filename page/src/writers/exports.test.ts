import { describe, expect, it } from "vitest";
import { makeClip, type AudioClip } from "../audio/clip";
import { hitGain } from "../audition/renderGroove";
import { audioExportWav, mixAudioExport, mixBothExport, scaleClip, type MixLevels } from "./audioExport";
import { buildExport } from "./buildExport";
import { readMidi, noteOnsOf } from "./testing/readMidi";
import { testGroove, testHit } from "./testing/grooves";

const RATE = 1000;
const constant = (seconds: number, ...values: number[]): AudioClip =>
  makeClip(RATE, values.map((v) => new Float32Array(seconds * RATE).fill(v)));
const levels = (loop: number, midi: number, master: number): MixLevels => ({ loop, midi, master });

describe("audio export mixes", () => {
  const source = constant(1, 0.2);
  const kit = { low: constant(0.01, 0.5) };
  const groove = { onsets: [testHit(0.5, ["low"], 127)] };

  it("prints the loop at loop · master, or the clip itself at unity", () => {
    expect(mixAudioExport("wav-loop", source, undefined, kit, levels(1, 0.3, 1))).toBe(source);
    expect(scaleClip(source, 1.0005)).toBe(source);
    expect(mixAudioExport("wav-loop", source, undefined, kit, levels(0.5, 1, 1.5))!.channels[0][0]).toBeCloseTo(0.15, 6);
  });

  it("needs a groove for the kit exports", () => {
    expect(mixAudioExport("wav-midi", source, undefined, kit, levels(1, 1, 1))).toBeUndefined();
    expect(audioExportWav("wav-midi", source, undefined, kit, levels(1, 1, 1))).toBeUndefined();
    expect(mixAudioExport("wav-both", source, undefined, kit, levels(1, 1, 1))).toBeUndefined();
  });

  it("prints the kit render at the source's own length and tempo, at midi · master", () => {
    const out = mixAudioExport("wav-midi", source, groove, kit, levels(1, 0.5, 1))!;
    // 16-bit stereo WAV: 44-byte header plus 4 bytes per frame.
    expect(audioExportWav("wav-midi", source, groove, kit, levels(1, 0.5, 1))!.length).toBe(44 + 4 * 1000);
    expect([out.channels.length, out.length, out.sampleRate]).toEqual([2, 1000, RATE]);
    expect(out.channels[1][500]).toBeCloseTo(0.5 * 0.9 * 0.5, 6);
    expect(out.channels[1][499]).toBe(0);
  });

  it("mixes a mono source into both channels with the kit, limited to 0.98 as a whole", () => {
    const out = mixAudioExport("wav-both", source, groove, kit, levels(1, 1, 1))!;
    expect(out.channels[0][0]).toBeCloseTo(0.2, 6);
    expect(out.channels[1][500]).toBeCloseTo(0.2 + 0.5 * hitGain(127), 6);
    const loud = mixBothExport(constant(1, 0.9, -0.4), constant(1, 0.5, 0.5), levels(1, 1, 1));
    expect(loud.channels[0][0]).toBeCloseTo(0.98, 6);
    expect(loud.channels[1][0]).toBeCloseTo(0.1 * (0.98 / 1.4), 6);
  });
});

describe("buildExport", () => {
  const groove = testGroove([testHit(0, ["low"], 100), testHit(0.5, ["mid", "high"], 90, { mid: 90, high: 70 })]);

  it("writes MIDI for a drum map under the source name, or Groove", () => {
    const file = buildExport({ mapId: "gm", sourceName: "test", exportGroove: groove })!;
    expect(file.mimeType).toBe("audio/midi");
    expect(file.bytes.length).toBe(75);
    expect(readMidi(buildExport({ mapId: "bfd", sourceName: "", exportGroove: groove })!.bytes)).toMatchObject({ trackName: "Groove" });
    expect(noteOnsOf(readMidi(buildExport({ mapId: "bfd", exportGroove: groove })!.bytes))).toEqual(["0:24:100", "960:26:90", "960:30:70"]);
  });

  it("writes the groove file as UTF-8 for agr", () => {
    const file = buildExport({ mapId: "agr", sourceName: "Café", exportGroove: groove })!;
    expect(file.mimeType).toBe("application/xml");
    const text = new TextDecoder().decode(file.bytes);
    expect(text).toContain('<Name Value="Café Groove" />');
    expect(file.bytes.length).toBe(new TextEncoder().encode(text).length);
  });

  it("gives nothing without a groove or before the audio render is ready", () => {
    expect(buildExport({ mapId: "gm", sourceName: "x" })).toBeUndefined();
    expect(buildExport({ mapId: "wav-both", exportGroove: groove })).toBeUndefined();
    const wav = new Uint8Array([1, 2, 3]);
    expect(buildExport({ mapId: "wav-loop", renderedWav: wav })).toEqual({ bytes: wav, mimeType: "audio/wav" });
  });
});
