import { afterEach, describe, expect, it } from "vitest";
import { emitToNative, hasBackend, onNativeEvent } from "./juce.ts";
import { parseRestore, parseStatus, parseStretchResult } from "./messages.ts";

type Handler = (payload: unknown) => void;

function installBackend() {
  const sent: [string, unknown][] = [];
  const listeners = new Map<number, [string, Handler]>();
  let next = 0;
  (globalThis as any).__JUCE__ = {
    backend: {
      emitEvent: (id: string, payload: unknown) => sent.push([id, payload]),
      addEventListener: (id: string, fn: Handler) => {
        listeners.set(next, [id, fn]);
        return [id, next++];
      },
      removeEventListener: ([, n]: [string, number]) => listeners.delete(n),
    },
  };
  const fire = (id: string, payload: unknown) => {
    for (const [eventId, fn] of listeners.values()) if (eventId === id) fn(payload);
  };
  return { sent, listeners, fire };
}

describe("JUCE bridge", () => {
  afterEach(() => delete (globalThis as any).__JUCE__);

  it("drops emits and registers nothing without a backend", () => {
    expect(hasBackend()).toBe(false);
    expect(() => emitToNative({ type: "ready" })).not.toThrow();
    const unsubscribe = onNativeEvent("tnFromNative", () => {});
    expect(() => unsubscribe()).not.toThrow();
  });

  it("emits every message as tnToNative, looking the backend up at call time", () => {
    emitToNative({ type: "startCapture" });
    const { sent } = installBackend();
    emitToNative({ type: "exportState", filename: "", base64: "" });
    expect(sent).toEqual([["tnToNative", { type: "exportState", filename: "", base64: "" }]]);
  });

  it("delivers parsed payloads and unsubscribes", () => {
    const { fire, listeners } = installBackend();
    const got: unknown[] = [];
    const unsubscribe = onNativeEvent("tnRestore", (payload) => got.push(payload));
    fire("tnRestore", { uiState: "{}", name: "n", bpm: "90", demo: 1, extra: true });
    expect(got).toEqual([{ uiState: "{}", name: "n", bpm: 0, demo: false }]);
    unsubscribe();
    expect(listeners.size).toBe(0);
  });
});

describe("native payload parsing", () => {
  it.each([null, 42, "text", [1], undefined])("reads defaults from %j", (payload) => {
    expect(parseStatus(payload)).toEqual({
      capturing: false,
      seconds: 0,
      hostBpm: 0,
      captureId: 0,
      previewPlaying: false,
      previewEnded: 0,
    });
    expect(parseRestore(payload)).toEqual({ uiState: "", name: "", bpm: 0, demo: false });
    expect(parseStretchResult(payload)).toEqual({ reqId: "" });
  });

  it("keeps peaks only when present, with bad entries read as 0", () => {
    expect(parseStatus({ capturing: true, peaks: [0.5, "x", null, 2] }).peaks).toEqual([0.5, 0, 0, 2]);
    expect(parseStatus({ capturing: false })).not.toHaveProperty("peaks");
  });
});
