import { describe, expect, it } from "vitest";
import type { Bridge } from "../bridge/juce.ts";
import {
  nativeEventParsers,
  type NativeEventId,
  type NativeEventMap,
  type PageMessage,
  type StretchResultPayload,
} from "../bridge/messages.ts";
import { makeClip } from "../audio/clip.ts";
import { ShellModel, type ShellDeps } from "./model.ts";
import { STORAGE_KEYS, type KeyValueStore } from "./storage.ts";

const SERVICE_LIST = {
  loops: [
    { label: "Pocket Funk", bpm: 101, file: "pocket funk.wav", edits: { sensitivity: 0.7 } },
    { label: "Late Night", bpm: 88, file: "late.wav" },
  ],
};

interface Harness {
  model: ShellModel;
  emitted: PageMessage[];
  fetched: string[];
  logged: string[];
  registered: NativeEventId[];
  stretchResults: StretchResultPayload[];
  storage: Map<string, string>;
  themeShown: string[];
  native<K extends NativeEventId>(id: K, payload: NativeEventMap[K]): void;
}

function harness(opts: { backend?: boolean; service?: unknown; missing?: string[]; gate?: Promise<void> } = {}): Harness {
  const backend = opts.backend ?? true;
  const emitted: PageMessage[] = [];
  const fetched: string[] = [];
  const logged: string[] = [];
  const registered: NativeEventId[] = [];
  const stretchResults: StretchResultPayload[] = [];
  const themeShown: string[] = [];
  const handlers = new Map<string, (payload: unknown) => void>();
  const storage = new Map<string, string>();
  const store: KeyValueStore = { getItem: (k) => storage.get(k) ?? null, setItem: (k, v) => void storage.set(k, v) };
  const bridge: Bridge = {
    connected: () => backend,
    emit: (message) => {
      if (backend) emitted.push(message);
    },
    on: (id, handler) => {
      if (!backend) return () => {};
      registered.push(id);
      handlers.set(id, (payload) => handler(nativeEventParsers[id](payload)));
      return () => handlers.delete(id);
    },
  };
  const deps: ShellDeps = {
    bridge,
    storage: store,
    fetchBytes: async (url) => {
      fetched.push(url);
      await opts.gate;
      if (opts.missing?.includes(url)) throw new Error(`${url}: HTTP 404`);
      return new TextEncoder().encode(url).buffer as ArrayBuffer;
    },
    fetchJson: async (url) => {
      fetched.push(url);
      if (opts.service === undefined) throw new Error(`${url}: HTTP 404`);
      return opts.service;
    },
    showTheme: (theme) => themeShown.push(theme),
    forwardStretchResult: (payload) => stretchResults.push(payload),
    logError: (message) => logged.push(message),
  };
  const model = new ShellModel(deps, { tab: "extract", theme: "aurora", tourOpen: true });
  return {
    model,
    emitted,
    fetched,
    logged,
    registered,
    stretchResults,
    storage,
    themeShown,
    native: (id, payload) => handlers.get(id)?.(payload),
  };
}

const text = (data: unknown) => new TextDecoder().decode(data as ArrayBuffer);
const flush = () => new Promise((resolve) => setTimeout(resolve, 0));

describe("start-up", () => {
  it("applies the theme, registers the three listeners, then sends ready once", async () => {
    const h = harness();
    const started = h.model.start();
    expect(h.themeShown).toEqual(["aurora"]);
    expect(h.storage.get(STORAGE_KEYS.theme)).toBe("aurora");
    expect(h.registered).toEqual(["tnFromNative", "tnRestore", "tnStretchResult"]);
    expect(h.emitted).toEqual([{ type: "ready" }]);
    await started;
    await h.model.start();
    expect(h.emitted).toEqual([{ type: "ready" }]);
  });

  it("loads the first demo loop as id -1 when the service has no list", async () => {
    const h = harness();
    await h.model.start();
    expect(h.fetched).toEqual(["ostrelapi/plugin/starterloops", "demo-loop-94.wav"]);
    const request = h.model.state.loadRequest!;
    expect({ ...request, data: text(request.data) }).toEqual({
      id: -1,
      name: "Demo Loop 94",
      data: "demo-loop-94.wav",
      bpm: 94,
    });
    expect(h.model.state.restoreDocument).toBeNull();
    expect(h.model.state.starterLoops.map((l) => l.name)).toEqual([
      "Demo Loop 94",
      "Demo Loop 128",
      "Demo Shuffle 82",
      "Demo Loop 82",
    ]);
  });

  it("prefers the service's first starter loop with its edits", async () => {
    const h = harness({ service: SERVICE_LIST });
    await h.model.start();
    expect(h.fetched[1]).toBe("ostrelapi/plugin/starterloops/audio/pocket%20funk.wav");
    expect(h.model.state.loadRequest).toMatchObject({ id: -1, name: "Pocket Funk", bpm: 101 });
    expect(h.model.state.restoreDocument).toEqual({ id: -1, sensitivity: 0.7 });
  });

  it.each([{ loops: [] }, { loops: "x" }, [1, 2], "text"])("keeps the demo loops for the service answer %j", async (body) => {
    const h = harness({ service: body });
    await h.model.start();
    expect(h.model.state.loadRequest?.name).toBe("Demo Loop 94");
  });

  it("without a backend emits nothing, registers nothing, and still loads the default loop", async () => {
    const h = harness({ backend: false });
    await h.model.start();
    h.model.reportUiState("{}");
    h.model.reportExportState("", "");
    h.model.reportSourceAudio("x.wav", null, makeClip(44100, [new Float32Array(4)]));
    expect(h.emitted).toEqual([]);
    expect(h.registered).toEqual([]);
    expect(h.model.state.loadRequest?.id).toBe(-1);
  });

  it("starts empty and quiet when the default loop cannot be fetched", async () => {
    const h = harness({ missing: ["demo-loop-94.wav"] });
    await h.model.start();
    expect(h.model.state.loadRequest).toBeNull();
    expect(h.logged).toEqual([]);
  });

  it("replaces the status whole on tnFromNative and forwards stretch results", async () => {
    const h = harness();
    await h.model.start();
    const status = { capturing: true, seconds: 1.5, hostBpm: 120, captureId: 2, previewPlaying: false, previewEnded: 0, peaks: [0.1] };
    h.native("tnFromNative", status);
    expect(h.model.state.status).toEqual(status);
    h.native("tnStretchResult", { reqId: "abc", error: "bad request" });
    expect(h.stretchResults).toEqual([{ reqId: "abc", error: "bad request" }]);
  });
});

describe("session restore", () => {
  const saved = (fields: Partial<{ uiState: string; name: string; bpm: number; demo: boolean }>) => ({
    uiState: '{"sensitivity":0.3,"mapId":"bfd"}',
    name: "My Loop",
    bpm: 97,
    demo: false,
    ...fields,
  });

  it("with demo true loads the starter loop by name without fetching restore.wav", async () => {
    const h = harness();
    await h.model.start();
    await h.model.restore(saved({ demo: true, name: "Demo Shuffle 82", bpm: 82 }));
    expect(h.fetched).not.toContain("restore.wav");
    expect(h.fetched.at(-1)).toBe("demo-shuffle-82.wav");
    expect(h.model.state.loadRequest).toMatchObject({ id: 500000, name: "Demo Shuffle 82", bpm: 82 });
    expect(h.model.state.restoreDocument).toEqual({ id: 500000, sensitivity: 0.3, mapId: "bfd" });
  });

  it("with demo false fetches restore.wav, and a tempo of 0 becomes none", async () => {
    const h = harness();
    await h.model.start();
    await h.model.restore(saved({ bpm: 0 }));
    expect(h.fetched.at(-1)).toBe("restore.wav");
    const request = h.model.state.loadRequest!;
    expect([request.id, request.name, request.bpm, text(request.data)]).toEqual([500000, "My Loop", null, "restore.wav"]);
    expect(h.logged).toEqual([]);
  });

  it("falls back to the list's first loop for a starter name it does not know", async () => {
    const h = harness();
    await h.model.start();
    await h.model.restore(saved({ demo: true, name: "Gone Loop" }));
    expect(h.fetched.at(-1)).toBe("demo-loop-94.wav");
    expect(h.model.state.loadRequest).toMatchObject({ id: 500000, name: "Gone Loop" });
  });

  it("waits for the service's list before resolving a saved service loop", async () => {
    const h = harness({ service: SERVICE_LIST });
    const started = h.model.start();
    const restored = h.model.restore(saved({ demo: true, name: "Late Night", bpm: 88 }));
    await Promise.all([started, restored]);
    expect(h.fetched).toContain("ostrelapi/plugin/starterloops/audio/late.wav");
    expect(h.model.state.loadRequest).toMatchObject({ id: 500000, name: "Late Night", bpm: 88 });
  });

  it.each([
    ["unparsable", "{sensitivity:"],
    ["not an object", "[1,2]"],
    ["a bare number", "42"],
    ["empty", ""],
  ])("with a uiState that is %s still reloads the audio and logs the failure", async (_, uiState) => {
    const h = harness();
    await h.model.start();
    await h.model.restore(saved({ uiState }));
    expect(h.model.state.loadRequest?.id).toBe(500000);
    expect(h.model.state.restoreDocument).toBeNull();
    expect(h.logged).toEqual(["session restore failed:"]);
  });

  it("keeps the current content when restore.wav is missing", async () => {
    const h = harness({ missing: ["restore.wav"] });
    await h.model.start();
    await h.model.restore(saved({}));
    expect(h.model.state.loadRequest?.id).toBe(-1);
    expect(h.logged).toEqual(["session restore failed:"]);
  });

  it("wins over the default loop whichever finishes first", async () => {
    let open!: () => void;
    const gate = new Promise<void>((resolve) => (open = resolve));
    const h = harness({ gate });
    const started = h.model.start();
    await flush();
    h.native("tnRestore", saved({}));
    open();
    await started;
    await flush();
    expect(h.model.state.loadRequest?.id).toBe(500000);
  });
});

describe("reports of the extraction view", () => {
  const clip = makeClip(44100, [Float32Array.of(0, 0.5)]);

  it("sends a starter loop by name only and other sources with their audio", async () => {
    const h = harness();
    await h.model.start();
    h.model.reportSourceAudio("Demo Loop 128", 128, clip);
    h.model.reportSourceAudio("dropped.wav", null, clip);
    expect(h.emitted[1]).toEqual({ type: "sourceAudio", demo: true, name: "Demo Loop 128", bpm: 128 });
    expect(h.emitted[2]).toMatchObject({ type: "sourceAudio", demo: false, name: "dropped.wav", bpm: 0 });
    expect(Buffer.from((h.emitted[2] as { wavBase64: string }).wavBase64, "base64").length).toBe(48);
  });

  it("sends uiState and exportState as given", () => {
    const h = harness();
    h.model.reportUiState('{"a":1}');
    h.model.reportExportState("", "");
    expect(h.emitted).toEqual([
      { type: "uiState", json: '{"a":1}' },
      { type: "exportState", filename: "", base64: "" },
    ]);
  });

  it("stores the tour as seen when it closes", () => {
    const h = harness();
    h.model.setTourOpen(false);
    expect(h.storage.get(STORAGE_KEYS.tour)).toBe("1");
    expect(h.model.state.tourOpen).toBe(false);
  });
});
