import { execFileSync } from "node:child_process";
import { readFileSync, readdirSync } from "node:fs";
import { join } from "node:path";
import { afterAll, beforeAll, beforeEach, describe, expect, it } from "vitest";
import type { Browser, Page } from "playwright-core";
import { PAGE_DIR, ROOT, clickWav, fakeBackendScript, launchChromium, startServer, type StaticServer } from "./harness.ts";

let browser: Browser;
let server: StaticServer;

beforeAll(async () => {
  execFileSync(join(ROOT, "scripts/build-page.sh"), { stdio: "ignore" });
  server = await startServer();
  browser = await launchChromium();
});
afterAll(async () => {
  await browser?.close();
  await server?.close();
});
beforeEach(() => {
  server.requests.length = 0;
  server.routes.clear();
  for (const name of ["demo-loop-94.wav", "demo-loop-128.wav", "demo-shuffle-82.wav", "demo-loop-82.wav"]) {
    server.routes.set(name, clickWav(1));
  }
});

interface Opened {
  page: Page;
  console: string[];
  close(): Promise<void>;
}

async function open(query = "", backend: { restore?: unknown } | null = {}): Promise<Opened> {
  const context = await browser.newContext();
  const page = await context.newPage();
  const console: string[] = [];
  page.on("console", (m) => console.push(m.text()));
  if (backend) await page.addInitScript({ content: fakeBackendScript(backend.restore) });
  await page.goto(`${server.origin}/${query}`);
  return { page, console, close: () => context.close() };
}

const emittedTypes = (page: Page) => page.evaluate(() => (window as any).__emitted.map((e: any) => e.payload.type));
const loadId = (page: Page) => page.locator(".extractor-view").getAttribute("data-load-id");

describe("start-up", () => {
  it("sends uiState, an empty exportState, then ready after its three listeners", async () => {
    const { page, close } = await open();
    await page.waitForFunction(() => (window as any).__emitted.some((e: any) => e.payload.type === "ready"));
    const emitted = await page.evaluate(() => (window as any).__emitted);
    expect(emitted.map((e: any) => e.payload.type)).toEqual(["uiState", "exportState", "ready"]);
    expect(emitted.every((e: any) => e.id === "tnToNative")).toBe(true);
    expect(JSON.parse(emitted[0].payload.json)).toMatchObject({ sensitivity: 0.5, gridDiv: 4, mapId: "gm" });
    expect(emitted[1].payload).toEqual({ type: "exportState", filename: "", base64: "" });
    expect(await page.evaluate(() => (window as any).__registered)).toEqual(["tnFromNative", "tnRestore", "tnStretchResult"]);
    expect(emitted[2].registered).toBe(3);
    await expect.poll(() => loadId(page)).toBe("-1");
    expect(server.requests).toContain("ostrelapi/plugin/starterloops");
    expect(server.requests).toContain("demo-loop-94.wav");
    await close();
  });

  it("reports the stored export map in the first uiState", async () => {
    const context = await browser.newContext();
    const page = await context.newPage();
    await page.addInitScript({ content: 'localStorage.setItem("ostrel.tindle.map", "bfd");' + fakeBackendScript() });
    await page.goto(server.origin + "/");
    await page.waitForFunction(() => (window as any).__emitted.length > 0);
    const first = await page.evaluate(() => (window as any).__emitted[0].payload);
    expect(first.type).toBe("uiState");
    expect(Object.keys(JSON.parse(first.json))).toEqual([
      "sensitivity", "gridDiv", "gains", "layered", "mapId", "bpmOverride", "feelTiming", "feelDynamics",
      "overrides", "velOverrides", "timeOverrides", "muteSteps", "addedNotes", "removedNotes", "removedVoices",
    ]);
    expect(JSON.parse(first.json).mapId).toBe("bfd");
    await context.close();
  });

  it("without a backend still starts and loads the default starter loop", async () => {
    const { page, console, close } = await open("", null);
    await expect.poll(() => loadId(page)).toBe("-1");
    await expect.poll(() => page.locator(".placeholder-note").textContent()).toBe("Demo Loop 94");
    expect(await page.evaluate(() => typeof (window as any).__JUCE__)).toBe("undefined");
    // The shim's calls go nowhere and do not throw.
    await page.evaluate(() => (window as any).ostrelDesktop.saveMidi({ filename: "a.mid", base64: "AA==" }));
    expect(console.filter((line) => /error/i.test(line) && !/404/.test(line))).toEqual([]);
    await close();
  });
});

describe("session restore", () => {
  const restore = (fields: object) => ({ restore: { uiState: '{"sensitivity":0.8}', name: "My Loop", bpm: 90, demo: false, ...fields } });

  it("loads a starter loop by name without fetching restore.wav", async () => {
    const { page, close } = await open("", restore({ demo: true, name: "Demo Loop 128" }));
    await expect.poll(() => loadId(page)).toBe("500000");
    await expect.poll(() => page.locator(".placeholder-note").textContent()).toBe("Demo Loop 128");
    expect(server.requests).toContain("demo-loop-128.wav");
    expect(server.requests).not.toContain("restore.wav");
    await close();
  });

  it("fetches restore.wav for a session with its own audio", async () => {
    server.routes.set("restore.wav", clickWav(0.5));
    const { page, close } = await open("", restore({}));
    await expect.poll(() => loadId(page)).toBe("500000");
    await expect.poll(() => page.locator(".placeholder-note").textContent()).toBe("My Loop");
    expect(server.requests).toContain("restore.wav");
    await close();
  });

  it("reloads the audio of a session whose uiState does not parse, and logs it", async () => {
    server.routes.set("restore.wav", clickWav(0.5));
    const { page, console, close } = await open("", restore({ uiState: "{broken" }));
    await expect.poll(() => loadId(page)).toBe("500000");
    await expect.poll(() => console.some((line) => line.startsWith("session restore failed:"))).toBe(true);
    await close();
  });
});

describe("bridge plumbing", () => {
  it("the head shim turns calls into tnToNative messages", async () => {
    const { page, close } = await open();
    await page.waitForFunction(() => (window as any).__emitted.length >= 3);
    const sent = await page.evaluate(() => {
      const w = window as any;
      w.__emitted.length = 0;
      const shim = w.ostrelDesktop;
      shim.startDragMidi({ filename: "g.mid", base64: "TVRoZA==" });
      shim.saveMidi({ filename: "g.mid", base64: "TVRoZA==" });
      shim.downloadFile({ filename: "g.wav", base64: "UklGRg==" });
      shim.stretch({ reqId: "r1", base64: "UklGRg==", ratio: 0.5 });
      shim.preview.buffer({ base64: "UklGRg==", loopEndSec: 2 });
      shim.preview.play({ offsetSec: 0.5 });
      shim.preview.shot({ base64: "UklGRg==", fromSec: 0 });
      shim.preview.stop();
      shim.startDragSample({ any: 1 });
      shim.onDragFailed();
      return { version: shim.version, platform: shim.platform, emitted: w.__emitted.map((e: any) => e.payload) };
    });
    expect(sent.version).toBe("plugin");
    expect(sent.platform).toBe("juce");
    expect(sent.emitted).toEqual([
      { type: "dragExport", filename: "g.mid", base64: "TVRoZA==" },
      { type: "saveExport", filename: "g.mid", base64: "TVRoZA==" },
      { type: "downloadExport", filename: "g.wav", base64: "UklGRg==" },
      { type: "stretchAudio", reqId: "r1", base64: "UklGRg==", ratio: 0.5 },
      { type: "previewBuffer", base64: "UklGRg==", loopEndSec: 2 },
      { type: "previewPlay", offsetSec: 0.5 },
      { type: "previewShot", base64: "UklGRg==", fromSec: 0 },
      { type: "previewStop" },
    ]);
    await close();
  });

  it("re-dispatches tnStretchResult on the window as zelmo-stretch-result", async () => {
    const { page, close } = await open();
    await page.waitForFunction(() => (window as any).__registered.length === 3);
    const detail = await page.evaluate(
      () =>
        new Promise((resolve) => {
          window.addEventListener("zelmo-stretch-result", (e) => resolve((e as CustomEvent).detail), { once: true });
          (window as any).__fire("tnStretchResult", { reqId: "abc", error: "bad request" });
        }),
    );
    expect(detail).toEqual({ reqId: "abc", error: "bad request" });
    await close();
  });
});

describe("URL query and look", () => {
  it("stores theme and tour from the query and opens the library tab", async () => {
    const { page, close } = await open("?theme=aurora&tour=0&tab=ostrel");
    await expect.poll(() => page.evaluate(() => document.documentElement.dataset.theme)).toBe("aurora");
    const stored = await page.evaluate(() => [localStorage.getItem("ostrel.theme"), localStorage.getItem("ostrel.tindle.tour")]);
    expect(stored).toEqual(["aurora", "1"]);
    await expect.poll(() => page.locator(".tab-button.current").textContent()).toBe("Ostrel Library");
    await expect.poll(() => page.locator(".extractor").isHidden()).toBe(true);
    // The extractor still loads the default loop behind the library.
    await expect.poll(() => loadId(page)).toBe("-1");
    await page.locator(".tab-button", { hasText: "Extractor" }).click();
    await expect.poll(() => page.locator(".extractor").isVisible()).toBe(true);
    await close();
  });

  it("shows the logo and the product block in the three embedded faces", async () => {
    const { page, close } = await open();
    await expect.poll(() => page.locator(".product-name").textContent()).toBe("TINDLE");
    const logo = page.locator('img.top-bar-logo[alt="Vandery"]');
    await expect.poll(() => logo.evaluate((img: HTMLImageElement) => img.complete && img.naturalWidth)).toBeGreaterThan(90);
    expect(await logo.evaluate((img) => img.getBoundingClientRect().width)).toBe(90);
    await page.evaluate(() => document.fonts.ready);
    const loaded = await page.evaluate(async () => {
      await Promise.all(['13px "Archivo Black"', '10px "DM Mono"', '14px "Archivo"'].map((f) => document.fonts.load(f)));
      return [...document.fonts].filter((f) => f.status === "loaded").map((f) => `${f.family} ${f.weight}`);
    });
    expect(loaded).toEqual(expect.arrayContaining(["Archivo Black 400", "DM Mono 400", "Archivo 400"]));
    expect(server.requests.filter((r) => r.endsWith(".woff2")).length).toBeGreaterThanOrEqual(3);
    await close();
  });
});

describe("built output", () => {
  it("is plugin.html, one hashed script, one hashed style sheet and woff2 fonts, flat", () => {
    const files = readdirSync(PAGE_DIR, { withFileTypes: true });
    expect(files.every((f) => f.isFile())).toBe(true);
    const names = files.map((f) => f.name);
    const scripts = names.filter((n) => n.endsWith(".js"));
    const sheets = names.filter((n) => n.endsWith(".css"));
    expect(scripts).toEqual([expect.stringMatching(/^plugin-[\w-]{8}\.js$/)]);
    expect(sheets).toEqual([expect.stringMatching(/^plugin-[\w-]{8}\.css$/)]);
    expect(names.filter((n) => !/\.(js|css|woff2)$/.test(n))).toEqual(["plugin.html"]);
    expect(names.filter((n) => n.endsWith(".woff2"))).toHaveLength(7);
    const html = readFileSync(join(PAGE_DIR, "plugin.html"), "utf8");
    expect(html).toContain(`<script defer src="./${scripts[0]}"></script>`);
    expect(html).toContain(`<link rel="stylesheet" href="./${sheets[0]}">`);
    expect(html).toContain("window.ostrelDesktop");
    expect(html).not.toContain('type="module"');
  });
});
