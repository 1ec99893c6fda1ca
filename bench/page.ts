// Page benchmarks in Debian's Chromium: WAV/Base64 codec of a 60 s stereo clip, the local
// stretcher on a 16 s stereo loop, first paint to "ready" of the built page, and the bundle
// sizes. Prints figures; never fails on timing. Also leaves screenshots in build/bench/.
// Run: npx tsx bench/page.ts   (builds the page first when needed)

import { execFileSync } from "node:child_process";
import { mkdirSync, readdirSync, readFileSync } from "node:fs";
import { join } from "node:path";
import { gzipSync } from "node:zlib";
import {
  PAGE_DIR,
  ROOT,
  buildAudioBundle,
  clickWav,
  fakeBackendScript,
  launchChromium,
  startServer,
} from "../page/test/harness.ts";

const RUNS = 7;
// tsx keeps function names through a helper that the browser side of evaluate() lacks.
const NAME_HELPER = "window.__name = (f) => f;";
const median = (xs: number[]) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const fmt = (ms: number) => `${ms.toFixed(1)} ms`;

async function main() {
  execFileSync(join(ROOT, "scripts/build-page.sh"), { stdio: "inherit" });
  const outDir = join(ROOT, "build/bench");
  mkdirSync(outDir, { recursive: true });
  const browser = await launchChromium();

  // Audio utilities in a bare page.
  const bundle = await buildAudioBundle();
  const audioServer = await startServer([bundle.dir]);
  audioServer.routes.set("index.html", new TextEncoder().encode('<!doctype html><script src="audio.js"></script>'));
  const page = await browser.newPage();
  await page.addInitScript({ content: NAME_HELPER });
  await page.goto(`${audioServer.origin}/index.html`);
  const audio = await page.evaluate((runs) => {
    const a = (window as any).tindleAudio;
    const rate = 44100;
    let seed = 1;
    const rnd = () => ((seed = (seed * 1664525 + 1013904223) >>> 0) / 2 ** 32) * 2 - 1;
    const long = a.makeClip(rate, [0, 1].map(() => Float32Array.from({ length: 60 * rate }, () => 0.5 * rnd())));
    const loopLen = 16 * rate;
    const drums = [new Float32Array(loopLen), new Float32Array(loopLen)];
    for (let hit = 0; hit < 64; hit++) {
      const at = Math.round(hit * 0.25 * rate + (hit % 3) * 90);
      const decay = hit % 4 === 0 ? 0.12 : hit % 2 ? 0.03 : 0.08;
      for (let i = 0; i < 0.2 * rate && at + i < loopLen; i++) {
        const x = 0.7 * Math.exp(-i / (decay * rate)) * rnd();
        drums[0][at + i] += x;
        drums[1][at + i] += 0.8 * x;
      }
    }
    const loop = a.makeClip(rate, drums);
    const time = (fn: () => unknown) => {
      const out: number[] = [];
      for (let r = 0; r < runs; r++) {
        const t0 = performance.now();
        fn();
        out.push(performance.now() - t0);
      }
      return out;
    };
    const base64 = a.clipToWavBase64(long);
    return {
      encode: time(() => a.clipToWavBase64(long)),
      decode: time(() => a.wavBase64ToClip(base64)),
      stretch: time(() => a.stretchLocally(loop, 0.8)),
      // Web views without the native Base64 codec (older WebKitGTK) take the table path.
      tableEncode: time(() => a.encodeWithTable(a.clipToWav(long))),
      tableDecode: time(() => a.decodeWithTable(base64)),
      base64Chars: base64.length,
    };
  }, RUNS);
  await page.close();
  await audioServer.close();
  bundle.cleanup();

  // The built page: first paint to "ready", and screenshots.
  const pageServer = await startServer();
  for (const name of ["demo-loop-94.wav", "demo-loop-128.wav", "demo-shuffle-82.wav", "demo-loop-82.wav"]) {
    if (!readdirSync(join(ROOT, "resources")).includes(name)) pageServer.routes.set(name, clickWav(1));
  }
  const startups: { paint: number; ready: number }[] = [];
  for (let r = 0; r < RUNS; r++) {
    const context = await browser.newContext({ viewport: { width: 1280, height: 720 } });
    const p = await context.newPage();
    await p.addInitScript({ content: NAME_HELPER + fakeBackendScript() });
    await p.goto(pageServer.origin + "/");
    await p.waitForFunction(() => (window as any).__emitted.some((e: any) => e.payload.type === "ready"));
    startups.push(
      await p.evaluate(() => ({
        paint: performance.getEntriesByName("first-paint")[0]?.startTime ?? Number.NaN,
        ready: (window as any).__emitted.find((e: any) => e.payload.type === "ready").at,
      })),
    );
    if (r === 0) {
      await p.evaluate(() => document.fonts.ready);
      await p.waitForTimeout(300);
      await p.screenshot({ path: join(outDir, "page-dark.png") });
      await p.evaluate(() => document.documentElement.setAttribute("data-theme", "cool-light"));
      await p.screenshot({ path: join(outDir, "page-cool-light.png") });
    }
    await context.close();
  }
  await pageServer.close();
  await browser.close();

  const files = readdirSync(PAGE_DIR);
  const size = (ending: string) => {
    const name = files.find((f) => f.startsWith("plugin-") && f.endsWith(ending))!;
    const bytes = readFileSync(join(PAGE_DIR, name));
    return `${name}: ${bytes.length} B, gzip ${gzipSync(bytes, { level: 9 }).length} B`;
  };

  console.log(`clipToWavBase64, 60 s stereo (${audio.base64Chars} chars): median ${fmt(median(audio.encode))} (target < 150 ms)`);
  console.log(`wavBase64ToClip, 60 s stereo: median ${fmt(median(audio.decode))} (target < 150 ms)`);
  console.log(
    `  without native Base64: encode ${fmt(median(audio.tableEncode))}, Base64 decode alone ${fmt(median(audio.tableDecode))}`,
  );
  console.log(`stretchLocally, 16 s stereo loop at 0.8: median ${fmt(median(audio.stretch))} (target < 400 ms)`);
  const gaps = startups.map((s) => s.ready - s.paint);
  console.log(
    `first paint to "ready": median ${fmt(median(gaps))} (target < 300 ms; negative: "ready" went out before the first paint); ` +
      `navigation to first paint ${fmt(median(startups.map((s) => s.paint)))}, to ready ${fmt(median(startups.map((s) => s.ready)))}`,
  );
  console.log(`script ${size(".js")}`);
  console.log(`style sheet ${size(".css")}`);
  console.log(`screenshots: ${join(outDir, "page-dark.png")}, ${join(outDir, "page-cool-light.png")}`);
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
