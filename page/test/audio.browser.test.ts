import { join } from "node:path";
import { afterAll, beforeAll, describe, expect, it } from "vitest";
import type { Browser, Page } from "playwright-core";
import { buildAudioBundle, clickWav, launchChromium, startServer, type StaticServer } from "./harness.ts";

let browser: Browser;
let server: StaticServer;
let page: Page;
let bundle: { dir: string; cleanup(): void };

beforeAll(async () => {
  bundle = await buildAudioBundle();
  server = await startServer([bundle.dir]);
  server.routes.set("index.html", new TextEncoder().encode('<!doctype html><script src="audio.js"></script>'));
  server.routes.set("clicks-22050.wav", clickWav(0.5, 22050));
  server.routes.set("not-audio.txt", new TextEncoder().encode("just some text, no audio here"));
  browser = await launchChromium();
  page = await browser.newPage();
  await page.goto(`${server.origin}/index.html`);
});
afterAll(async () => {
  await browser?.close();
  await server?.close();
  bundle?.cleanup();
});

describe("decodeAudio in Chromium", () => {
  it("decodes a 22,050 Hz WAV to 44,100 Hz with the duration kept", async () => {
    const result = await page.evaluate(async () => {
      const bytes = await (await fetch("clicks-22050.wav")).arrayBuffer();
      const clip = await (window as any).tindleAudio.decodeAudio(bytes);
      let peak = 0;
      for (const x of clip.channels[0]) peak = Math.max(peak, Math.abs(x));
      return { rate: clip.sampleRate, length: clip.length, channels: clip.channels.length, peak };
    });
    expect(result.rate).toBe(44100);
    expect(result.channels).toBe(1);
    expect(result.length).toBeGreaterThanOrEqual(22049);
    expect(result.length).toBeLessThanOrEqual(22051);
    expect(result.peak).toBeGreaterThan(0.3);
  });

  it("rejects bytes that are not audio after the one retry, without hanging", async () => {
    const outcome = await page.evaluate(async () => {
      const bytes = await (await fetch("not-audio.txt")).arrayBuffer();
      try {
        await (window as any).tindleAudio.decodeAudio(bytes);
        return "decoded";
      } catch (error) {
        return `rejected: ${(error as Error).name}`;
      }
    });
    expect(outcome).toMatch(/^rejected/);
  });

  it("round-trips its own WAV through the platform decoder", async () => {
    const equal = await page.evaluate(async () => {
      const audio = (window as any).tindleAudio;
      const left = Float32Array.from({ length: 4410 }, (_, i) => Math.sin(i / 9) * 0.7);
      const clip = audio.makeClip(44100, [left, left.map((x: number) => -x)]);
      const decoded = await audio.decodeAudio(audio.clipToWav(clip));
      let worst = 0;
      for (let i = 0; i < 4410; i++) worst = Math.max(worst, Math.abs(decoded.channels[1][i] + left[i]));
      return { length: decoded.length, worst };
    });
    expect(equal.length).toBe(4410);
    expect(equal.worst).toBeLessThan(1e-4);
  });
});
