// The real page in the real Tindle window: the end-to-end build started at the resource-provider
// root (as the shipped application starts), under Xvfb with JACK's dummy backend. The page
// loads through the real resource server, talks over the real bridge, and is looked at from
// inside the WebKitGTK web view with scripts the test application runs on request.
import { execFileSync } from "node:child_process";
import { existsSync, mkdirSync, mkdtempSync, readdirSync, readFileSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { afterAll, beforeAll, describe, expect, test } from "vitest";
import { e2eAppPath, repoRoot, TindleApp } from "./tindleApp.ts";

const haveServices = Boolean(process.env.DISPLAY && process.env.JACK_DEFAULT_SERVER);
const pageBuild = join(repoRoot, "build/page");
const logoName = "logo-cropped-DhtTS-BP.png";

const sleep = (ms: number) => new Promise((r) => setTimeout(r, ms));

/** Evaluates `script` (an expression giving JSON text) until `accept` takes its parsed value. */
async function poll<T>(app: TindleApp, script: string, accept: (value: T) => boolean, timeoutMs: number): Promise<T> {
  const deadline = Date.now() + timeoutMs;
  for (;;) {
    const value = JSON.parse(await app.evaluate(script)) as T;
    if (accept(value) || Date.now() > deadline) return value;
    await sleep(200);
  }
}

interface FaceState {
  family: string;
  weight: string;
  status: string;
}

const fontFacesScript = `JSON.stringify({
  status: document.fonts.status,
  faces: Array.from(document.fonts).map((f) => ({ family: f.family.replace(/"/g, ""), weight: String(f.weight), status: f.status })),
})`;

describe.skipIf(!haveServices || !existsSync(e2eAppPath) || !existsSync(join(pageBuild, "plugin.html")))("the page in the Tindle window", () => {
  let home = "";
  let app: TindleApp;

  beforeAll(async () => {
    home = mkdtempSync(join(tmpdir(), "tindle-e2e-page-"));
    app = await TindleApp.launch({ home, startPath: "" });
    await app.waitFor((r) => r.op === "toNative" && r.payload.type === "ready", 30_000);
  });

  afterAll(() => {
    app?.kill();
    if (home) rmSync(home, { recursive: true, force: true });
  });

  const served = () => app.reports.filter((r) => r.op === "resource");
  const toNative = () => app.reports.filter((r) => r.op === "toNative").map((r) => r.payload);

  test("the page, its script, style sheet, fonts and logo come from the resource server", async () => {
    // Wait for the logo, the last thing the first paint asks for.
    await app.waitFor((r) => r.op === "resource" && r.path.endsWith(logoName), 10_000);
    const requests = served();
    const byName = (ending: string) => requests.filter((r) => r.path.endsWith(ending));

    expect(requests[0], "the start address is the root").toMatchObject({ path: "/", found: true, type: "text/html" });
    expect(byName(".js").map((r) => [r.found, r.type])).toEqual([[true, "text/javascript"]]);
    expect(byName(".css").map((r) => [r.found, r.type])).toEqual([[true, "text/css"]]);
    const logo = byName(logoName);
    expect(logo).toHaveLength(1);
    expect(logo[0]).toMatchObject({ found: true, type: "image/png", size: readFileSync(join(repoRoot, "resources", logoName)).length });

    // Nothing the page asks of its own files goes unanswered (the catalogue service may be down).
    const missing = requests.filter((r) => !r.found && !r.path.startsWith("/ostrelapi/"));
    expect(missing.map((r) => r.path)).toEqual([]);
  });

  test("the fonts the top bar uses load by themselves, and every font of the build loads", async () => {
    // The monospace face (tabs, tagline) and the display face (product name).
    const used = [
      ["DM Mono", "400"],
      ["Archivo Black", "400"],
    ];
    const state = (faces: FaceState[], [family, weight]: string[]) => faces.find((f) => f.family === family && f.weight === weight)?.status;
    const settled = await poll<{ status: string; faces: FaceState[] }>(
      app,
      fontFacesScript,
      (v) => used.every((face) => state(v.faces, face) === "loaded"),
      10_000,
    );
    expect(used.map((face) => state(settled.faces, face)), JSON.stringify(settled)).toEqual(["loaded", "loaded"]);

    // The rest are loaded on demand; each must arrive and parse in WebKitGTK.
    await app.evaluate("Array.from(document.fonts).forEach((f) => f.load().catch(() => {})); 'started'");
    const all = await poll<{ status: string; faces: FaceState[] }>(
      app,
      fontFacesScript,
      (v) => v.status === "loaded" && v.faces.every((f) => f.status === "loaded" || f.status === "error"),
      10_000,
    );
    expect(all.faces.filter((f) => f.status !== "loaded")).toEqual([]);
    const woff2 = readdirSync(pageBuild).filter((f) => f.endsWith(".woff2"));
    expect(all.faces).toHaveLength(woff2.length);
    const fetched = served().filter((r) => r.path.endsWith(".woff2"));
    expect(fetched.map((r) => r.path.slice(1)).sort()).toEqual(woff2.sort());
    expect(fetched.every((r) => r.found && r.type === "font/woff2")).toBe(true);
    expect(await app.evaluate(`String(document.fonts.check('12px "DM Mono"') && document.fonts.check('13px "Archivo Black"'))`)).toBe("true");
  });

  test("the logo shows at 90 px from the embedded PNG", async () => {
    const png = readFileSync(join(repoRoot, "resources", logoName));
    const logo = await poll<{ complete: boolean; naturalWidth: number; naturalHeight: number; width: number; alt: string } | null>(
      app,
      `(() => { const img = document.querySelector("img.top-bar-logo");
                return JSON.stringify(img && { complete: img.complete, naturalWidth: img.naturalWidth,
                                               naturalHeight: img.naturalHeight, width: img.width, alt: img.alt }); })()`,
      (v) => v !== null && v.complete,
      10_000,
    );
    expect(logo, "the logo image is in the page (it is removed when it fails to load)").not.toBeNull();
    expect(logo).toEqual({ complete: true, naturalWidth: png.readUInt32BE(16), naturalHeight: png.readUInt32BE(20), width: 90, alt: "Vandery" });
  });

  test("the page reports its edit state and an empty export before ready, and ready once", async () => {
    const types = toNative().map((p) => p.type);
    expect(types.slice(0, 3)).toEqual(["uiState", "exportState", "ready"]);
    expect(types.filter((t) => t === "ready")).toHaveLength(1);
    const [uiState, exportState] = toNative();
    expect(exportState).toEqual({ type: "exportState", filename: "", base64: "" });
    expect(JSON.parse(uiState.json)).toMatchObject({ mapId: "gm" });
  });

  test("status records reach the page about ten times a second", async () => {
    await app.evaluate(`window.__statusSeen = { count: 0, last: null };
      window.__JUCE__.backend.addEventListener("tnFromNative", (p) => { window.__statusSeen.count++; window.__statusSeen.last = p; });
      "listening"`);
    await sleep(1000);
    const seen = JSON.parse(await app.evaluate("JSON.stringify(window.__statusSeen)"));
    expect(seen.count).toBeGreaterThanOrEqual(5);
    expect(seen.count).toBeLessThanOrEqual(15);
    expect(Object.keys(seen.last)).toEqual(["capturing", "seconds", "hostBpm", "captureId", "previewPlaying", "previewEnded"]);
    expect(seen.last).toMatchObject({ capturing: false, captureId: 0, previewPlaying: false });
  });

  test("the window shows the page, as HTML in UTF-8 (screenshot)", async () => {
    const page = JSON.parse(
      await app.evaluate(`JSON.stringify({ title: document.title, type: document.contentType, encoding: document.characterSet,
        theme: document.documentElement.dataset.theme,
        product: document.querySelector(".product-name")?.textContent,
        tagline: document.querySelector(".product-tagline")?.textContent,
        tabs: Array.from(document.querySelectorAll(".tab-button"), (b) => b.textContent),
        width: innerWidth, height: innerHeight })`),
    );
    // The page is HTML in UTF-8 (its text, the middle dot included, arrives as written).
    expect(page).toMatchObject({ title: "Tindle", type: "text/html", encoding: "UTF-8", theme: "dark", product: "TINDLE" });
    expect(page.tagline).toBe("audio in \u00b7 pocket out");
    expect(page.tabs).toEqual(["Extractor", "Ostrel Library"]);
    expect(page.width).toBeGreaterThanOrEqual(760);
    expect(page.height).toBeGreaterThan(400);

    await sleep(500);
    const results = join(repoRoot, "build/test-results");
    mkdirSync(results, { recursive: true });
    const shot = join(results, "page-window.png");
    execFileSync("import", ["-window", "root", shot], { timeout: 20_000 });
    expect(existsSync(shot)).toBe(true);
  });
});
