// The audio engine on a real device: the shipped Tindle standalone and its probe build
// (Tindle_Probe: the same application plus native/tests/probe/TindleProbe.cpp, which reports
// the processor's readings through files) run under Xvfb against the private JACK dummy server
// that scripts/with-services.sh starts (44.1 kHz, 512 frames). build/native/tindle-jack-io
// plays WAV files into Tindle's input ports and records its outputs.
//
// Each application runs with setsid in its own process group with HOME and XDG_* in a temporary
// folder, and the whole group is killed at the end (WebKit's child process survives SIGTERM).
import { execFileSync, spawn, type ChildProcess } from "node:child_process";
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { afterAll, afterEach, describe, expect, test } from "vitest";
import { privateEnvironment, repoRoot } from "./tindleApp.ts";

const shippedApp = join(repoRoot, "build/native/Tindle_artefacts/Release/Standalone/Tindle");
const probeApp = join(repoRoot, "build/native/Tindle_Probe");
const jackTool = join(repoRoot, "build/native/tindle-jack-io");
const haveServices = Boolean(process.env.DISPLAY && process.env.JACK_DEFAULT_SERVER);

const folders: string[] = [];
const running: ChildProcess[] = [];

function privateHome(): string {
  const home = mkdtempSync(join(tmpdir(), "tindle-device-"));
  folders.push(home);
  return home;
}


/** Starts an application with setsid (detached: its own process group), once no earlier
    Tindle client is left on the JACK server (JACK would name a second one "Tindle-01"). */
async function launch(path: string, home: string, extra: Record<string, string> = {}): Promise<ChildProcess> {
  await until(() => tindlePorts().length === 0, 15_000, "earlier Tindle clients leaving JACK");
  const child = spawn(path, [], { cwd: home, env: { ...privateEnvironment(home), ...extra }, detached: true, stdio: "ignore" });
  running.push(child);
  return child;
}

function killGroup(child: ChildProcess) {
  try {
    if (child.pid) process.kill(-child.pid, "SIGKILL");
  } catch {
    // already gone
  }
}

const sleep = (ms: number) => new Promise((r) => setTimeout(r, ms));

async function until<T>(probe: () => T | undefined | false | null, timeoutMs: number, what: string): Promise<T> {
  const deadline = Date.now() + timeoutMs;
  for (;;) {
    const value = probe();
    if (value) return value;
    if (Date.now() > deadline) throw new Error(`timed out: ${what}`);
    await sleep(50);
  }
}

function tindlePorts(): string[] {
  return execFileSync("jack_lsp", [], { encoding: "utf8" })
    .split("\n")
    .map((l) => l.trim())
    .filter((l) => /^Tindle:/.test(l));
}

/** Stereo 16-bit WAV of deterministic noise that is never 0 (so its first frame is findable). */
function noiseWav(frames: number, seed: number): { bytes: Uint8Array; left: Int16Array; right: Int16Array } {
  let state = seed >>> 0;
  const next = () => {
    state = (Math.imul(state, 1664525) + 1013904223) >>> 0;
    const v = ((state >>> 8) % 40001) - 20000;
    return v === 0 ? 1 : v;
  };
  const left = new Int16Array(frames).map(next);
  const right = new Int16Array(frames).map(next);
  const bytes = new Uint8Array(44 + frames * 4);
  const view = new DataView(bytes.buffer);
  const tag = (at: number, s: string) => [...s].forEach((c, i) => (bytes[at + i] = c.charCodeAt(0)));
  tag(0, "RIFF"); view.setUint32(4, 36 + frames * 4, true); tag(8, "WAVEfmt ");
  view.setUint32(16, 16, true); view.setUint16(20, 1, true); view.setUint16(22, 2, true);
  view.setUint32(24, 44100, true); view.setUint32(28, 44100 * 4, true); view.setUint16(32, 4, true); view.setUint16(34, 16, true);
  tag(36, "data"); view.setUint32(40, frames * 4, true);
  for (let i = 0; i < frames; i++) {
    view.setInt16(44 + i * 4, left[i], true);
    view.setInt16(46 + i * 4, right[i], true);
  }
  return { bytes, left, right };
}

/** Planar channels of a 32-bit float WAV as tindle-jack-io writes it. */
function readFloatWav(path: string): Float32Array[] {
  const b = readFileSync(path);
  const channels = b.readUInt16LE(22);
  const dataSize = b.readUInt32LE(40);
  const frames = dataSize / (4 * channels);
  const out = Array.from({ length: channels }, () => new Float32Array(frames));
  for (let i = 0; i < frames; i++) for (let c = 0; c < channels; c++) out[c][i] = b.readFloatLE(44 + (i * channels + c) * 4);
  return out;
}

/** JUCE's MemoryBlock::toBase64Encoding ("<size>.<6-bit chars>", least significant bits first). */
function decodeJuceBase64(text: string): Uint8Array {
  const table = ".ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+";
  const dot = text.indexOf(".");
  const size = Number(text.slice(0, dot));
  const bytes = new Uint8Array(size);
  [...text.slice(dot + 1)].forEach((c, i) => {
    const v = table.indexOf(c);
    for (let bit = 0; bit < 6; bit++) {
      const at = i * 6 + bit;
      if (at < size * 8 && (v >> bit) & 1) bytes[at >> 3] |= 1 << (at & 7);
    }
  });
  return bytes;
}

function settingsValue(settingsXml: string, name: string): string | undefined {
  return new RegExp(`<VALUE name="${name}" val="([^"]*)"`).exec(settingsXml)?.[1];
}

afterEach(() => {
  for (const child of running.splice(0)) killGroup(child);
});

afterAll(() => {
  for (const dir of folders) rmSync(dir, { recursive: true, force: true });
});

describe.skipIf(!haveServices)("audio engine on the JACK dummy device", () => {
  test("the shipped standalone opens stereo in and out and never plays its input back", async () => {
    expect(existsSync(shippedApp), shippedApp).toBe(true);
    const home = privateHome();
    const app = await launch(shippedApp, home);

    const ports = await until(() => {
      const p = tindlePorts();
      return p.length >= 4 ? p : undefined;
    }, 30_000, "Tindle's JACK ports");
    expect(ports).toEqual(["Tindle:in_1", "Tindle:in_2", "Tindle:out_1", "Tindle:out_2"]);

    // Play one second of loud noise into its inputs and record its outputs meanwhile.
    const noise = noiseWav(44100, 7);
    writeFileSync(join(home, "noise.wav"), noise.bytes);
    const summary = JSON.parse(
      execFileSync(jackTool, ["--play", join(home, "noise.wav"), "--to", "Tindle", "--from", "Tindle",
        "--record", join(home, "out.wav"), "--tail", "8192", "--wait", "20"], { encoding: "utf8" }));
    expect(summary.sampleRate).toBe(44100);
    expect(summary.connected).toEqual([
      "tindle-jack-io:play_1->Tindle:in_1", "tindle-jack-io:play_2->Tindle:in_2",
      "Tindle:out_1->tindle-jack-io:rec_1", "Tindle:out_2->tindle-jack-io:rec_2"]);

    const out = readFloatWav(join(home, "out.wav"));
    expect(out).toHaveLength(2);
    expect(out[0].length).toBe(44100 + 8192);
    // The standalone clears its output apart from auditions (none is playing): silence.
    expect(out.every((ch) => ch.every((v) => v === 0))).toBe(true);
    expect(app.exitCode).toBeNull();
  });

  test("blocks run at the device's pace and the input reaches the capture store sample-exactly", async () => {
    expect(existsSync(probeApp), probeApp).toBe(true);
    const home = privateHome();
    const probeDir = join(home, "probe");
    mkdirSync(probeDir);

    type Status = Record<string, any>;
    const status = (): Status | undefined => {
      try {
        return JSON.parse(readFileSync(join(probeDir, "status.json"), "utf8"));
      } catch {
        return undefined;
      }
    };
    let commands = 0;
    const command = async (word: string) => {
      writeFileSync(join(probeDir, "command.tmp"), word);
      execFileSync("mv", [join(probeDir, "command.tmp"), join(probeDir, "command")]);
      commands++;
      await until(() => (status()?.commandsDone ?? 0) >= commands, 10_000, `probe command ${word}`);
    };

    // A JACK client killed just before (the previous test) can still be leaving the server when
    // this one opens its device; such a start gets one more launch, and says so.
    let app: ChildProcess | undefined;
    let first: Status | undefined;
    for (let attempt = 1; !first; attempt++) {
      app = await launch(probeApp, home, { TINDLE_PROBE_DIR: probeDir });
      try {
        first = await until(() => {
          const s = status();
          return s?.ready && s.lastBlockMs > 0 ? s : undefined;
        }, 20_000, "the processor running");
      } catch (e) {
        const detail = `last status ${JSON.stringify(status())}, exit ${app.exitCode ?? app.signalCode}`;
        killGroup(app);
        if (attempt === 2) throw new Error(`${(e as Error).message}; ${detail}`);
        console.warn(`[ device ] processor not running 20 s after launch (${detail}); launching again`);
        rmSync(join(probeDir, "status.json"), { force: true });
      }
    }
    expect(first.standalone).toBe(true);
    expect(first.hostSampleRate).toBe(44100);
    expect(first.captureSampleRate).toBe(44100);
    expect(first.captureChannels).toBe(2);
    expect(first.capturing).toBe(false);
    // The editor switched the wrapper's input mute off, so the device input reaches processBlock.
    await until(() => status()?.muteInput === false, 15_000, "input mute switched off");

    // processBlock keeps being called: lastBlockMs follows the clock.
    await sleep(500);
    const later = status()!;
    expect(later.lastBlockMs).toBeGreaterThan(first.lastBlockMs + 300);
    expect(later.nowMs - later.lastBlockMs).toBeLessThan(250);

    // Capture runs at the device's pace, in whole 512-frame blocks.
    await command("startCapture");
    const t0 = status()!;
    await sleep(1000);
    const t1 = status()!;
    expect(t1.capturing).toBe(true);
    const framesPerSecond = (t1.captureWritePos - t0.captureWritePos) / ((t1.nowMs - t0.nowMs) / 1000);
    expect(framesPerSecond).toBeGreaterThan(44100 * 0.7);
    expect(framesPerSecond).toBeLessThan(44100 * 1.3);
    expect(t1.captureWritePos % 512).toBe(0);

    // Play noise into Tindle's inputs; it must land in the capture store bit for bit.
    const frames = 22050;
    const noise = noiseWav(frames, 99);
    writeFileSync(join(home, "noise.wav"), noise.bytes);
    execFileSync(jackTool, ["--play", join(home, "noise.wav"), "--to", "Tindle", "--tail", "2048", "--wait", "20"]);
    await command("stopCapture");
    await command("dumpCapture");
    const stopped = status()!;
    expect(stopped.capturing).toBe(false);

    const raw = readFileSync(join(probeDir, "capture.f32"));
    const captured = new Float32Array(raw.buffer, raw.byteOffset, raw.byteLength / 4);
    expect(captured.length).toBe(stopped.captureWritePos * 2);
    const leftAt = (i: number) => captured[i * 2];
    const rightAt = (i: number) => captured[i * 2 + 1];

    let start = 0;
    while (start < stopped.captureWritePos && leftAt(start) === 0) start++;
    expect(start).toBeLessThan(stopped.captureWritePos - frames);
    let mismatches = 0;
    for (let i = 0; i < frames; i++) {
      if (leftAt(start + i) !== noise.left[i] / 32768) mismatches++;
      if (rightAt(start + i) !== noise.right[i] / 32768) mismatches++;
    }
    expect(mismatches).toBe(0);
    for (let i = start + frames; i < stopped.captureWritePos; i++) expect(leftAt(i)).toBe(0);
    const loudest = Math.max(...Array.from(noise.left, Math.abs), ...Array.from(noise.right, Math.abs)) / 32768;
    expect(stopped.peakMax).toBeCloseTo(loudest, 6); // the status JSON prints ~10 digits

    // Quit as the close button would: the wrapper saves the processor's state blob and its keys.
    await command("quit");
    await until(() => app!.exitCode !== null || app!.signalCode !== null, 15_000, "the application quitting");
    const settings = readFileSync(join(home, ".config", "Tindle.settings"), "utf8");
    expect(settingsValue(settings, "shouldMuteInput")).toBe("0");
    const blob = decodeJuceBase64(settingsValue(settings, "filterState") ?? "0.");
    expect(Buffer.from(blob.subarray(0, 7)).toString("latin1")).toBe("Tindle\0");
    expect(settingsValue(settings, "audioSetup")).toBeDefined();
  });
});
