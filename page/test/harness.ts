// Shared by the page's browser tests and benchmarks: a static server that answers like the
// native resource server (files by their last path segment), Debian's Chromium through
// playwright-core, a fake JUCE backend, and a bundle of the audio modules for direct calls.

import { createServer, type Server } from "node:http";
import { existsSync, mkdtempSync, readFileSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve } from "node:path";
import { fileURLToPath } from "node:url";
import { chromium, type Browser } from "playwright-core";
import { build } from "vite";
import { makeClip } from "../src/audio/clip.ts";
import { clipToWav } from "../src/audio/wav.ts";

export const ROOT = resolve(fileURLToPath(new URL("../..", import.meta.url)));
export const PAGE_DIR = join(ROOT, "build/page");
const RESOURCES_DIR = join(ROOT, "resources");

const MIME: [string, string][] = [
  [".html", "text/html"],
  [".js", "text/javascript"],
  [".css", "text/css"],
  [".png", "image/png"],
  [".woff2", "font/woff2"],
  [".wav", "audio/wav"],
  [".json", "application/json"],
];

export interface StaticServer {
  origin: string;
  /** Normalised paths in request order. */
  requests: string[];
  /** Extra or replacement answers by normalised path (no leading "/", no query). */
  routes: Map<string, Uint8Array | null>;
  close(): Promise<void>;
}

/** Serves the given folders (first match wins) on 127.0.0.1 at a random port. */
export async function startServer(dirs: string[] = [PAGE_DIR, RESOURCES_DIR]): Promise<StaticServer> {
  const requests: string[] = [];
  const routes = new Map<string, Uint8Array | null>();
  const server: Server = createServer((req, res) => {
    const path = decodeURIComponent((req.url ?? "/").split("?")[0]).replace(/^\/+/, "");
    requests.push(path);
    const name = path === "" ? "plugin.html" : path.slice(path.lastIndexOf("/") + 1);
    let body: Uint8Array | null | undefined = routes.get(path);
    if (body === undefined) {
      const dir = dirs.find((d) => name !== "" && existsSync(join(d, name)));
      body = dir && !path.startsWith("ostrelapi/") ? readFileSync(join(dir, name)) : null;
    }
    if (!body) {
      res.writeHead(404).end();
      return;
    }
    const type = MIME.find(([ending]) => name.endsWith(ending))?.[1] ?? "application/octet-stream";
    res.writeHead(200, { "Content-Type": type, "Content-Length": body.length }).end(body);
  });
  await new Promise<void>((done) => server.listen(0, "127.0.0.1", done));
  const address = server.address();
  const port = typeof address === "object" && address ? address.port : 0;
  return {
    origin: `http://127.0.0.1:${port}`,
    requests,
    routes,
    close: () => new Promise((done) => server.close(() => done())),
  };
}

export function launchChromium(): Promise<Browser> {
  return chromium.launch({
    executablePath: "/usr/bin/chromium",
    headless: true,
    args: [
      "--no-sandbox",
      "--disable-gpu",
      "--disable-background-networking",
      "--disable-component-update",
      "--disable-sync",
      "--autoplay-policy=no-user-gesture-required",
    ],
  });
}

/**
 * A fake native side for addInitScript: records every tnToNative payload in
 * window.__emitted, records listener registrations in window.__registered, and answers
 * "ready" like the dispatcher: one status record, then the optional restore.
 */
export function fakeBackendScript(restore?: unknown): string {
  return `(() => {
    const listeners = [];
    window.__emitted = [];
    window.__registered = [];
    window.__fire = (id, payload) => { for (const [eventId, fn] of listeners) if (eventId === id) fn(payload); };
    const restore = ${JSON.stringify(restore ?? null)};
    window.__JUCE__ = { backend: {
      emitEvent(id, payload) {
        window.__emitted.push({ id, payload: JSON.parse(JSON.stringify(payload)), at: performance.now(), registered: window.__registered.length });
        if (id === "tnToNative" && payload && payload.type === "ready") {
          setTimeout(() => {
            window.__fire("tnFromNative", { capturing: false, seconds: 0, hostBpm: 0, captureId: 0, previewPlaying: false, previewEnded: 0 });
            if (restore) window.__fire("tnRestore", restore);
          }, 0);
        }
      },
      addEventListener(id, fn) { window.__registered.push(id); listeners.push([id, fn]); return [id, listeners.length - 1]; },
      removeEventListener() {},
    } };
  })();`;
}

/** A mono 16-bit WAV of short clicks, standing in for a demo loop. */
export function clickWav(seconds: number, sampleRate = 44100): Uint8Array {
  const samples = new Float32Array(Math.round(seconds * sampleRate));
  const clickPeriod = Math.round(sampleRate / 2);
  for (let i = 0; i < samples.length; i++) {
    samples[i] = (20000 / 32767) * Math.exp(-(i % clickPeriod) / 400) * Math.sin(i / 3);
  }
  return clipToWav(makeClip(sampleRate, [samples]));
}

/** Bundles the audio modules into one script that sets window.tindleAudio. */
export async function buildAudioBundle(): Promise<{ dir: string; cleanup(): void }> {
  const dir = mkdtempSync(join(tmpdir(), "tindle-audio-"));
  await build({
    configFile: false,
    logLevel: "silent",
    root: ROOT,
    build: {
      outDir: dir,
      emptyOutDir: true,
      minify: false,
      lib: {
        entry: fileURLToPath(new URL("./audioEntry.ts", import.meta.url)),
        formats: ["iife"],
        name: "tindleAudio",
        fileName: () => "audio.js",
      },
    },
  });
  return { dir, cleanup: () => rmSync(dir, { recursive: true, force: true }) };
}
