// The editor against the real application: the real standalone (its end-to-end build) under
// Xvfb with JACK's dummy backend, driven from inside the real WebKitGTK web view through the
// real bridge and resource server.
import { execFileSync } from "node:child_process";
import { existsSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { afterAll, beforeAll, describe, expect, test } from "vitest";
import { e2eAppPath, repoRoot, TindleApp } from "./tindleApp.ts";
import { bestAlignment, fromBase64, noiseBurstSignal, readWav, toBase64, writeWav16 } from "./wavFiles.ts";

const haveServices = Boolean(process.env.DISPLAY && process.env.JACK_DEFAULT_SERVER);
const jackTool = join(repoRoot, "build/native/tindle-jack-io");

function jackPorts(pattern: string): string[] {
  return execFileSync("jack_lsp", [], { encoding: "utf8" })
    .split("\n")
    .map((l) => l.trim())
    .filter((l) => l && new RegExp(pattern).test(l));
}

async function until<T>(probe: () => T | undefined | false, timeoutMs: number, what: string): Promise<T> {
  const deadline = Date.now() + timeoutMs;
  for (;;) {
    const value = probe();
    if (value) return value;
    if (Date.now() > deadline) throw new Error(`timed out: ${what}`);
    await new Promise((r) => setTimeout(r, 100));
  }
}

/** Tindle's JACK ports, once its device has started. */
async function tindlePorts(): Promise<{ inputs: string[]; outputs: string[] }> {
  return until(
    () => {
      const all = jackPorts("^(Tindle|JUCE)");
      const inputs = all.filter((p) => /:in/i.test(p));
      const outputs = all.filter((p) => /:out/i.test(p));
      return inputs.length > 0 && outputs.length > 0 ? { inputs, outputs } : undefined;
    },
    15_000,
    "Tindle's JACK ports",
  );
}

const sleep = (ms: number) => new Promise((r) => setTimeout(r, ms));

describe.skipIf(!haveServices || !existsSync(e2eAppPath))("editor end to end", () => {
  let home = "";
  let app: TindleApp | undefined;
  const figures: string[] = [];

  beforeAll(() => {
    home = mkdtempSync(join(tmpdir(), "tindle-e2e-home-"));
  });

  /** The application of this run, started on first use (each test can also run alone). */
  async function running(): Promise<TindleApp> {
    if (!app || app.exited !== null) app = await TindleApp.launch({ home });
    return app;
  }

  afterAll(() => {
    app?.kill();
    if (figures.length) console.log(figures.join("\n"));
    rmSync(home, { recursive: true, force: true });
  });

  test("ready gives one status record and no restore without a saved session", async () => {
    const tindle = await running();
    const loadedAt = tindle.reports.find((r) => r.op === "loaded")!.receivedAt - tindle.startedAt;

    const sent = await tindle.send({ type: "ready" });
    const first = await tindle.waitFor((r) => r.event === "tnFromNative", 2000, sent.seq);
    figures.push(`[ figure ] start to driver page loaded: ${loadedAt.toFixed(0)} ms; start to first status after ready: ${(first.receivedAt - tindle.startedAt).toFixed(0)} ms`);

    // The answer to "ready" comes at once (page-side clock; the exact count is the dispatcher's test).
    expect(first.at - sent.at).toBeLessThan(500);
    expect(Object.keys(first.payload)).toEqual(["capturing", "seconds", "hostBpm", "captureId", "previewPlaying", "previewEnded"]);
    expect(first.payload.captureId).toBe(0);
    await sleep(500);
    expect(tindle.events("tnRestore")).toHaveLength(0);

    // Timer records keep arriving about ten times a second.
    const ticks = tindle.events("tnFromNative", sent.seq).length;
    expect(ticks).toBeGreaterThanOrEqual(3);
  });

  test("a capture fed through JACK comes back as capture.wav sample for sample", async () => {
    const tindle = await running();
    expect(existsSync(jackTool), "the JACK play tool is built").toBe(true);
    const { inputs } = await tindlePorts();

    const frames = 44100 * 2;
    const left = noiseBurstSignal(frames, 1);
    const right = noiseBurstSignal(frames, 2);
    const fedPath = join(home, "fed.wav");
    writeFileSync(fedPath, writeWav16(44100, [left, right]));

    const mark = tindle.mark;
    await tindle.send({ type: "startCapture" });
    await tindle.waitFor((r) => r.event === "tnFromNative" && r.payload.capturing === true, 3000, mark);

    execFileSync(jackTool, ["--play", fedPath, ...inputs.slice(0, 2).flatMap((p) => ["--to-port", p])], { timeout: 20_000 });
    await sleep(300);

    const stopMark = tindle.mark;
    await tindle.send({ type: "stopCapture" });
    const ended = await tindle.waitFor((r) => r.event === "tnFromNative" && r.payload.captureId === 1, 3000, stopMark);
    expect(ended.payload.capturing).toBe(false);
    expect(ended.payload.peaks).toBeUndefined();

    const fetched = await tindle.fetch("capture.wav?id=1");
    figures.push(`[ figure ] capture.wav through the web view: ${fetched.size} bytes in ${fetched.ms.toFixed(0)} ms`);
    expect(fetched.status).toBe(200);
    expect(fetched.type).toBe("audio/wav");
    const captured = readWav(fromBase64(fetched.base64));
    expect(captured.sampleRate).toBe(44100);
    expect(captured.channels).toHaveLength(2);

    const fedLeft = Float32Array.from(left, (x) => x / 32768);
    const fedRight = Float32Array.from(right, (x) => x / 32768);
    const { offset, maxError } = bestAlignment(captured.channels[0], fedLeft);
    expect(offset, "the fed audio is in the capture").toBeGreaterThanOrEqual(0);
    figures.push(`[ figure ] fed audio found at frame ${offset} of the capture (the capture starts before playback)`);

    // Sample for sample after that constant latency, on both channels (16-bit both ways).
    const tolerance = 1.5 / 32768;
    let worst = 0;
    for (let i = 0; i < frames; i++) {
      worst = Math.max(worst, Math.abs(captured.channels[0][offset + i] - fedLeft[i]));
      worst = Math.max(worst, Math.abs(captured.channels[1][offset + i] - fedRight[i]));
    }
    expect(maxError).toBeLessThanOrEqual(tolerance);
    expect(worst).toBeLessThanOrEqual(tolerance);
  });

  test("previewBuffer and previewPlay put that buffer on the JACK output", async () => {
    const tindle = await running();
    const { outputs } = await tindlePorts();
    const frames = 22050;
    const loop = noiseBurstSignal(frames, 3);
    const wav = writeWav16(44100, [loop, loop]);

    await tindle.send({ type: "previewBuffer", base64: toBase64(wav), loopEndSec: frames / 44100 }, { type: "previewPlay", offsetSec: 0 });
    const recorded = join(home, "out.wav");
    execFileSync(jackTool, ["--record", recorded, "--frames", String(frames * 3), ...outputs.slice(0, 2).flatMap((p) => ["--from-port", p])], { timeout: 20_000 });
    await tindle.send({ type: "previewStop" });

    const out = readWav(readFileSync(recorded));
    const expected = Float32Array.from(loop, (x) => x / 32768);
    // The loop repeats, so search a two-loop window for its start and compare a whole loop. The
    // one sample at the loop seam is interpolated across the wrap and is left out.
    const window = out.channels[0].subarray(0, frames * 2);
    const found = bestAlignment(window, expected.subarray(1));
    expect(found.offset).toBeGreaterThanOrEqual(0);
    expect(found.maxError).toBeLessThanOrEqual(2 / 32768);
    const start = found.offset - 1;
    for (const channel of out.channels) {
      let worst = 0;
      for (let i = 1; i < frames; i++) worst = Math.max(worst, Math.abs(channel[start + i] - expected[i]));
      expect(worst).toBeLessThanOrEqual(2 / 32768);
    }
  });

  test("stretchAudio is answered with a float WAV of the requested length", async () => {
    const tindle = await running();
    const frames = 44100;
    const tone = Int16Array.from({ length: frames }, (_, i) => Math.round(8000 * Math.sin((2 * Math.PI * 440 * i) / 44100)));
    const mark = tindle.mark;
    await tindle.send(
      { type: "stretchAudio", reqId: "e2e-1", ratio: 1.25, base64: toBase64(writeWav16(44100, [tone, tone])) },
      { type: "stretchAudio", reqId: "", ratio: 1.25, base64: "" },
    );

    const rejected = await tindle.waitFor((r) => r.event === "tnStretchResult" && r.payload.reqId === "", 5000, mark);
    expect(rejected.payload).toEqual({ reqId: "", error: "bad request" });

    const answer = await tindle.waitFor((r) => r.event === "tnStretchResult" && r.payload.reqId === "e2e-1", 10_000, mark);
    const result = readWav(fromBase64(answer.payload.base64));
    expect(result.format).toBe(3);
    expect(result.bits).toBe(32);
    expect(result.channels).toHaveLength(2);
    expect(result.channels[0].length).toBe(35280);
    figures.push(`[ figure ] stretch round trip of 1 s stereo: ${(answer.receivedAt - rejected.receivedAt).toFixed(0)} ms after the rejection`);
  });

  test("downloadExport writes beat.mid then beat2.mid into Downloads", async () => {
    const tindle = await running();
    const midi = fromBase64("TVRoZAAAAAYAAAABA8BNVHJrAAAABAD/LwA=");
    await tindle.send(
      { type: "downloadExport", filename: "beat.mid", base64: toBase64(midi) },
      { type: "downloadExport", filename: "beat.mid", base64: toBase64(midi) },
      { type: "downloadExport", filename: "../../x.mid", base64: toBase64(midi) },
    );
    const downloads = join(home, "Downloads");
    await until(() => readdirSync(downloads).length >= 3, 5000, "three downloads");
    expect(readdirSync(downloads).sort()).toEqual(["....x.mid", "beat.mid", "beat2.mid"]);
    expect(readFileSync(join(downloads, "beat2.mid"))).toEqual(Buffer.from(midi));
  });

  test("the drag strip shows the export (screenshot)", async () => {
    const tindle = await running();
    const midi = fromBase64("TVRoZAAAAAYAAAABA8BNVHJrAAAABAD/LwA=");
    await tindle.send({ type: "exportState", filename: "funk-groove-gm.mid", base64: toBase64(midi) });
    await sleep(800);
    const shot = join(repoRoot, "build/test-results/editor-drag-strip.png");
    execFileSync("mkdir", ["-p", join(repoRoot, "build/test-results")]);
    execFileSync("import", ["-window", "root", shot], { timeout: 20_000 });
    expect(existsSync(shot)).toBe(true);
  });

  test("the pass-through reaches the catalogue service below its base only", async () => {
    const tindle = await running();
    const service = join(repoRoot, "scripts/service.sh");
    if (!existsSync(service)) return;
    const serviceWasRunning = (() => {
      try {
        execFileSync(service, ["status"], { stdio: "ignore" });
        return true;
      } catch {
        return false;
      }
    })();
    if (!serviceWasRunning) execFileSync(service, ["start"], { stdio: "ignore", timeout: 120_000 });
    try {
      const releases = await tindle.fetch("ostrelapi/releases");
      expect(releases.status).toBe(200);
      expect(releases.type).toBe("application/json");
      const list = JSON.parse(Buffer.from(releases.base64, "base64").toString("utf8"));
      expect(Array.isArray(list) ? list : list.releases).toBeInstanceOf(Array);

      const loops = await tindle.fetch("ostrelapi/plugin/starterloops");
      expect(loops.status).toBe(200);
      expect(JSON.parse(Buffer.from(loops.base64, "base64").toString("utf8")).loops).toBeInstanceOf(Array);

      for (const path of ["ostrelapi/a%2F..%2F..%2Fsecret", "ostrelapi/no-such-route"]) {
        const refused = await tindle.fetch(path);
        expect(refused.status, path).toBe(404);
        expect(refused.size, path).toBe(0);
      }
    } finally {
      if (!serviceWasRunning) execFileSync(service, ["stop"], { stdio: "ignore" });
    }
  });

  test("the session survives quitting: tnRestore and a byte-identical restore.wav", async () => {
    const tindle = await running();
    const frames = 4410;
    const source = writeWav16(44100, [noiseBurstSignal(frames, 9)]);
    const uiState = JSON.stringify({ swing: 54, lanes: ["low", "mid", "high"], note: "é ✓" });
    await tindle.send(
      { type: "uiState", json: uiState },
      { type: "sourceAudio", demo: false, name: "my loop.wav", bpm: 97.5, wavBase64: toBase64(source) },
    );
    await sleep(300);
    await tindle.quit();
    app = undefined;
    await sleep(500);

    // The editor switched the wrapper's input mute off, and the wrapper kept that on quitting.
    const settings = readFileSync(join(home, ".config/Tindle.settings"), "utf8");
    expect(settings).toMatch(/name="shouldMuteInput" val="0"/);
    expect(settings).toMatch(/name="filterState"/);

    const restarted = await running();
    const sent = await restarted.send({ type: "ready" });
    const restore = await restarted.waitFor((r) => r.event === "tnRestore", 3000, sent.seq);
    expect(restore.payload).toEqual({ uiState, name: "my loop.wav", bpm: 97.5, demo: false });
    await sleep(500);
    expect(restarted.events("tnRestore")).toHaveLength(1);

    const fetched = await restarted.fetch("restore.wav");
    expect(fetched.status).toBe(200);
    expect(fromBase64(fetched.base64)).toEqual(source);
  });
});
