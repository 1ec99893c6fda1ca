// Editor figures against the real standalone (its end-to-end build) under Xvfb and JACK's dummy
// backend: application start to the page's "ready" answer, and, with --capture, fetching the
// "capture.wav" of a full 60-second capture through the web view. Prints figures; run it under
// scripts/with-services.sh:
//   scripts/with-services.sh npx tsx bench/editor-webview.ts [runs] [--capture]
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { TindleApp } from "../tests/e2e/tindleApp.ts";

const runs = Number(process.argv.find((a) => /^\d+$/.test(a)) ?? 3);
const withCapture = process.argv.includes("--capture");
const loaded: number[] = [];
const answered: number[] = [];
const median = (xs: number[]) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];

for (let i = 0; i < runs; i++) {
  const home = mkdtempSync(join(tmpdir(), "tindle-bench-home-"));
  const app = await TindleApp.launch({ home });
  try {
    loaded.push(app.reports.find((r) => r.op === "loaded")!.receivedAt - app.startedAt);
    const sent = await app.send({ type: "ready" });
    const status = await app.waitFor((r) => r.event === "tnFromNative", 5000, sent.seq);
    answered.push(status.receivedAt - app.startedAt);

    if (withCapture && i === runs - 1) {
      const mark = app.mark;
      await app.send({ type: "startCapture" });
      await app.waitFor((r) => r.event === "tnFromNative" && r.payload.captureId === 1, 75_000, mark);
      const fetched = await app.fetch("capture.wav?id=1", false, 120_000);
      console.log(`[ figure ] capture.wav of a 60 s stereo capture through the web view: ${fetched.size} bytes in ${fetched.ms.toFixed(0)} ms`);
    }
  } finally {
    await app.quit(5000);
    rmSync(home, { recursive: true, force: true });
  }
}

console.log(`[ figure ] start to page loaded: median ${median(loaded).toFixed(0)} ms over ${runs} runs (${loaded.map((x) => x.toFixed(0)).join(", ")})`);
console.log(`[ figure ] start to "ready" answered: median ${median(answered).toFixed(0)} ms (target <= 2000 ms)`);
