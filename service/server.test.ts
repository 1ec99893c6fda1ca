import { execFile } from "node:child_process";
import { mkdtemp, readFile, rm, writeFile } from "node:fs/promises";
import type { AddressInfo } from "node:net";
import type { Server } from "node:http";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { promisify } from "node:util";
import { afterAll, beforeAll, describe, expect, it } from "vitest";
import { DEFAULT_DATA_DIR, generateServiceData } from "./generate.ts";
import { createCatalogueServer, loadCatalogue, type Catalogue, type FaultMode } from "./server.ts";

let catalogue: Catalogue;
const servers: Server[] = [];

async function listen(fault?: FaultMode): Promise<string> {
  const server = createCatalogueServer(catalogue, fault);
  servers.push(server);
  await new Promise<void>((resolve) => server.listen(0, "127.0.0.1", resolve));
  return `http://127.0.0.1:${(server.address() as AddressInfo).port}/`;
}

let base: string;
beforeAll(async () => {
  await generateServiceData(DEFAULT_DATA_DIR);
  catalogue = await loadCatalogue(DEFAULT_DATA_DIR);
  base = await listen();
}, 180_000);

afterAll(async () => {
  for (const server of servers) {
    server.closeAllConnections();
    await new Promise((resolve) => server.close(resolve));
  }
});

const get = (path: string, init?: RequestInit) => fetch(base + path, init);
const getJson = async (path: string) => {
  const response = await get(path);
  expect(response.status).toBe(200);
  expect(response.headers.get("content-type")).toBe("application/json");
  return (await response.json()) as Record<string, unknown>;
};

const isUnitList = (value: unknown) => Array.isArray(value) && value.every((x) => typeof x === "number" && x >= 0 && x <= 1);
const optional = (value: unknown, type: string) => value === undefined || typeof value === type;

interface Release { id: number; slug: string; title: string; artist?: string; genre?: string; artworkUrlSm?: string }
interface Asset { id: number; type: string; title?: string; filename: string; bpm?: number; waveform?: { peaks: number[]; tone: number[] } }

async function releases(): Promise<Release[]> {
  return (await getJson("releases?limit=200")).releases as Release[];
}

describe("answers as the page reads them", () => {
  it("lists releases with the fields the library uses, honouring the limit", async () => {
    const list = await releases();
    expect(list.length).toBeGreaterThanOrEqual(9);
    for (const r of list) {
      expect(typeof r.id).toBe("number");
      expect(typeof r.slug).toBe("string");
      expect(typeof r.title).toBe("string");
      expect(optional(r.artist, "string") && optional(r.genre, "string") && optional(r.artworkUrlSm, "string")).toBe(true);
    }
    expect(((await getJson("releases?limit=2")).releases as unknown[]).length).toBe(2);
    expect(((await getJson("releases?limit=nonsense")).releases as unknown[]).length).toBe(list.length);
  });

  it("details every release with its assets; audio ones carry tempo and waveform", async () => {
    const withWaveform: Asset[] = [];
    for (const r of await releases()) {
      const detail = await getJson(`releases/${r.id}`);
      expect(detail.id).toBe(r.id);
      const assets = detail.assets as Asset[];
      expect(Array.isArray(assets)).toBe(true);
      for (const a of assets) {
        expect(typeof a.id === "number" && typeof a.type === "string" && typeof a.filename === "string").toBe(true);
        expect(optional(a.title, "string") && optional(a.bpm, "number")).toBe(true);
        if (a.waveform) {
          expect(isUnitList(a.waveform.peaks) && isUnitList(a.waveform.tone)).toBe(true);
          expect(a.waveform.tone.length).toBe(a.waveform.peaks.length);
          withWaveform.push(a);
        }
      }
    }
    expect(withWaveform.length).toBeGreaterThan(10);
    expect(withWaveform.every((a) => a.type === "audio" && Math.max(...a.waveform!.peaks) === 1)).toBe(true);
  });

  it("streams every audio asset as MP3 that lame decodes, in ranges too", async () => {
    const detail = await getJson("releases/227");
    const audio = (detail.assets as Asset[]).filter((a) => a.type === "audio");
    for (const a of audio) {
      // The page joins the base and "/assets/…", so the path arrives with a doubled "/".
      const response = await get(`/assets/${a.id}/preview-audio`);
      expect(response.status).toBe(200);
      expect(response.headers.get("content-type")).toBe("audio/mpeg");
      const bytes = new Uint8Array(await response.arrayBuffer());
      expect(startsWithMp3(bytes)).toBe(true);
    }
    const mp3 = await mkdtemp(join(tmpdir(), "tindle-mp3-"));
    try {
      const bytes = new Uint8Array(await (await get(`assets/${audio[0].id}/preview-audio`)).arrayBuffer());
      await writeFile(join(mp3, "a.mp3"), bytes);
      await promisify(execFile)("lame", ["--quiet", "--decode", join(mp3, "a.mp3"), join(mp3, "a.wav")]);
      const frames = ((await readFile(join(mp3, "a.wav"))).byteLength - 44) / 2;
      expect(frames / 44_100).toBeCloseTo((2 * 240) / audio[0].bpm!, 1);
    } finally {
      await rm(mp3, { recursive: true, force: true });
    }
    const part = await get(`assets/${audio[0].id}/preview-audio`, { headers: { Range: "bytes=100-199" } });
    expect(part.status).toBe(206);
    expect((await part.arrayBuffer()).byteLength).toBe(100);
  }, 60_000);

  it("lists starter loops whose audio is found by the encoded file name", async () => {
    const { loops } = (await getJson("plugin/starterloops")) as { loops: { label: string; bpm: number; file: string; edits?: object }[] };
    expect(loops.length).toBeGreaterThan(0);
    expect(loops.some((l) => typeof l.edits === "object")).toBe(true);
    for (const l of loops) {
      expect(typeof l.label === "string" && typeof l.bpm === "number" && typeof l.file === "string").toBe(true);
      const audio = await get(`plugin/starterloops/audio/${encodeURIComponent(l.file)}`);
      expect(audio.status).toBe(200);
      expect(new TextDecoder().decode((await audio.arrayBuffer()).slice(0, 4))).toBe("RIFF");
    }
  });

  it("lists one-shots whose audio is found by slug, voice and encoded file name", async () => {
    const { samples } = (await getJson("plugin/oneshots")) as { samples: Record<string, unknown>[] };
    for (const s of samples) {
      expect(typeof s.slug === "string" && typeof s.file === "string" && typeof s.label === "string" && typeof s.pack === "string").toBe(true);
      expect(["kick", "snare", "hat"]).toContain(s.voice);
      expect(typeof s.free).toBe("boolean");
    }
    for (const s of [samples[0], samples[samples.length - 1]]) {
      const audio = await get(`plugin/oneshots/audio/${s.slug}/${s.voice}/${encodeURIComponent(s.file as string)}`);
      expect(audio.status).toBe(200);
      expect(audio.headers.get("content-type")).toBe("audio/wav");
    }
  });

  it("serves the artwork the release list points at", async () => {
    const withArt = (await releases()).filter((r) => r.artworkUrlSm);
    const path = new URL(withArt[0].artworkUrlSm!).pathname.slice(1);
    const response = await get(path);
    expect(response.headers.get("content-type")).toBe("image/svg+xml");
  });
});

describe("bad requests", () => {
  it.each(["", "nope", "releases/999999", "releases/abc", "assets/5007", "plugin/oneshots/audio/x/kick/y.wav", "plugin/starterloops/audio/%E0%A4%A", "index.json", "releases.json", "..%2Findex.json"])(
    "answers /%s with 404",
    async (path) => {
      expect((await get(path)).status).toBe(404);
    },
  );

  it("refuses methods other than GET and HEAD", async () => {
    expect((await get("releases", { method: "POST", body: "x" })).status).toBe(405);
    const head = await get("plugin/oneshots", { method: "HEAD" });
    expect(head.status).toBe(200);
    expect(Number(head.headers.get("content-length"))).toBeGreaterThan(0);
  });

  it("answers every request with a body that is not JSON in garbage mode", async () => {
    const faulty = await listen("garbage");
    const response = await fetch(`${faulty}releases`);
    expect(response.status).toBe(200);
    await expect(response.json()).rejects.toThrow();
  });

  it("never answers in hang mode, so clients run into their time-out", async () => {
    const hung = await listen("hang");
    await expect(fetch(`${hung}releases`, { signal: AbortSignal.timeout(300) })).rejects.toThrow();
  });
});

function startsWithMp3(bytes: Uint8Array): boolean {
  let at = 0;
  if (bytes[0] === 0x49 && bytes[1] === 0x44 && bytes[2] === 0x33) {
    // ID3v2: a 10-byte header and a sync-safe size.
    at = 10 + ((bytes[6] << 21) | (bytes[7] << 14) | (bytes[8] << 7) | bytes[9]);
  }
  return bytes[at] === 0xff && (bytes[at + 1] & 0xe0) === 0xe0;
}
