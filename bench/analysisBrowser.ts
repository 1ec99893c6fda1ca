// The analysis speed figures in Chromium (Debian's /usr/bin/chromium through playwright-core).
//   npx tsx bench/analysisBrowser.ts

import { mkdtempSync, readFileSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";
import { chromium } from "playwright-core";
import { build } from "vite";

const here = dirname(fileURLToPath(import.meta.url));
const work = mkdtempSync(join(tmpdir(), "tindle-bench-browser-"));
try {
  await build({
    configFile: false,
    logLevel: "silent",
    build: {
      outDir: join(work, "out"),
      minify: false,
      lib: { entry: resolve(here, "analysisBrowserEntry.ts"), formats: ["iife"], name: "TindleBench", fileName: () => "bench.js" },
    },
  });
  const code = readFileSync(join(work, "out", "bench.js"), "utf8");
  const context = await chromium.launchPersistentContext(join(work, "profile"), {
    executablePath: "/usr/bin/chromium",
    headless: true,
    args: ["--no-sandbox", "--disable-gpu", "--disable-background-networking", "--disable-component-update", "--disable-sync", "--disable-quic", "--no-first-run"],
  });
  try {
    const page = await context.newPage();
    await page.setContent("<!doctype html><title>bench</title>");
    await page.addScriptTag({ content: code });
    const r = await page.evaluate(() => (window as unknown as { TindleBench: { runBench(): Record<string, number> } }).TindleBench.runBench());
    console.log(`Chromium ${context.browser()?.version() ?? ""}`);
    console.log(`analyzeGroove, 8 bars @ 120 BPM, 16 s stereo: median ${r.grooveMedianMs.toFixed(1)} ms, min ${r.grooveMinMs.toFixed(1)} ms  [target ≤ 25 ms]`);
    console.log(`capture flow, 60 s stereo take: median ${r.captureMedianMs.toFixed(1)} ms  [target ≤ 400 ms]`);
  } finally {
    await context.close();
  }
} finally {
  rmSync(work, { recursive: true, force: true });
}
