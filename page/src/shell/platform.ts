// The shell's dependencies in the real page: the JUCE bridge, fetch, storage and the document.

import { juceBridge } from "../bridge/juce.ts";
import { STRETCH_RESULT_EVENT } from "../bridge/events.ts";
import type { ShellDeps } from "./model.ts";
import type { KeyValueStore } from "./storage.ts";

async function fetchOk(url: string): Promise<Response> {
  const response = await fetch(url);
  if (!response.ok) throw new Error(`${url}: HTTP ${response.status}`);
  return response;
}

export function showTheme(theme: string): void {
  document.documentElement.setAttribute("data-theme", theme);
}

export function platformShellDeps(storage: KeyValueStore | null): ShellDeps {
  return {
    bridge: juceBridge,
    storage,
    fetchBytes: async (url) => (await fetchOk(url)).arrayBuffer(),
    fetchJson: async (url) => (await fetchOk(url)).json(),
    showTheme,
    forwardStretchResult: (payload) => window.dispatchEvent(new CustomEvent(STRETCH_RESULT_EVENT, { detail: payload })),
    logError: (message, error) => console.error(message, error),
  };
}
