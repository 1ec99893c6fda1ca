// PageShell's state and its start-up, restore and reporting logic, kept free of the view
// toolkit so it runs under test with a fake bridge and fake fetches. Page thread only.

import type { AudioClip } from "../audio/clip.ts";
import type { Bridge } from "../bridge/juce.ts";
import { INITIAL_STATUS, type RestorePayload, type StatusRecord, type StretchResultPayload } from "../bridge/messages.ts";
import { DEMO_LOOPS, fetchStarterList, findStarterLoop, type StarterLoop } from "../sources/starterLoops.ts";
import type { TabKey } from "./query.ts";
import { parseEditState, restoreAudioUrl } from "./restore.ts";
import { sourceAudioMessage } from "./sourceAudio.ts";
import { STORAGE_KEYS, markTourSeen, writeItem, type KeyValueStore } from "./storage.ts";
import { DEFAULT_STARTER_ID, RESTORE_ID, restoreDocument, type LoadRequest, type RestoreDocument } from "./types.ts";

export interface ShellState {
  status: StatusRecord;
  loadRequest: LoadRequest | null;
  restoreDocument: RestoreDocument | null;
  busy: boolean;
  tab: TabKey;
  theme: string;
  tourOpen: boolean;
  starterLoops: readonly StarterLoop[];
}

export interface ShellDeps {
  bridge: Bridge;
  storage: KeyValueStore | null;
  /** Resolves to the body's bytes; rejects on network failure or a non-success status. */
  fetchBytes(url: string): Promise<ArrayBuffer>;
  /** Resolves to the parsed JSON body; rejects as fetchBytes does or on unparsable JSON. */
  fetchJson(url: string): Promise<unknown>;
  /** Sets the document root's data-theme attribute. */
  showTheme(theme: string): void;
  /** Hands a stretch answer to the stretch client (re-dispatched as a window event). */
  forwardStretchResult(payload: StretchResultPayload): void;
  logError(message: string, error: unknown): void;
}

export interface InitialShellOptions {
  tab: TabKey;
  theme: string;
  tourOpen: boolean;
}

export class ShellModel {
  private current: ShellState;
  private readonly listeners = new Set<(state: ShellState) => void>();
  private started = false;
  /** Settles when the service's starter list has replaced the built-in one, or failed to. */
  private starterList: Promise<void> = Promise.resolve();

  constructor(
    private readonly deps: ShellDeps,
    initial: InitialShellOptions,
  ) {
    this.current = {
      status: INITIAL_STATUS,
      loadRequest: null,
      restoreDocument: null,
      busy: false,
      tab: initial.tab,
      theme: initial.theme,
      tourOpen: initial.tourOpen,
      starterLoops: DEMO_LOOPS,
    };
  }

  get state(): ShellState {
    return this.current;
  }

  subscribe(listener: (state: ShellState) => void): () => void {
    this.listeners.add(listener);
    return () => this.listeners.delete(listener);
  }

  private update(patch: Partial<ShellState>): void {
    this.current = { ...this.current, ...patch };
    for (const listener of this.listeners) listener(this.current);
  }

  /**
   * Start-up after the extraction view's first reports: theme, the three listeners, "ready",
   * then the starter-loop list and the default loop. Runs once; resolves when the default
   * loop has been settled (loaded, dropped or failed).
   */
  start(): Promise<void> {
    if (this.started) return Promise.resolve();
    this.started = true;
    this.setTheme(this.current.theme);
    const { bridge } = this.deps;
    if (bridge.connected()) {
      bridge.on("tnFromNative", (status) => this.update({ status }));
      bridge.on("tnRestore", (restore) => void this.restore(restore));
      bridge.on("tnStretchResult", (result) => this.deps.forwardStretchResult(result));
      bridge.emit({ type: "ready" });
    }
    this.starterList = this.loadStarterList();
    return this.starterList.then(() => this.loadDefaultStarter());
  }

  private async loadStarterList(): Promise<void> {
    const loops = await fetchStarterList(this.deps.fetchJson);
    if (loops) this.update({ starterLoops: loops });
  }

  private async loadDefaultStarter(): Promise<void> {
    const first = this.current.starterLoops[0];
    if (!first) return;
    try {
      const data = await this.deps.fetchBytes(first.url);
      if (this.current.loadRequest) return; // a restore came first and wins
      this.update({
        loadRequest: { id: DEFAULT_STARTER_ID, name: first.name, data, bpm: first.bpm > 0 ? first.bpm : null },
        restoreDocument: first.edits ? restoreDocument(DEFAULT_STARTER_ID, first.edits) : this.current.restoreDocument,
      });
    } catch {
      // The page simply starts empty.
    }
  }

  /** Session restore; whatever was set before a failure stays. */
  async restore(payload: RestorePayload): Promise<void> {
    try {
      // A saved service loop is only known by name once the service's list is in.
      if (payload.demo && !findStarterLoop(this.current.starterLoops, payload.name)) {
        await this.starterList;
      }
      const url = restoreAudioUrl(payload, this.current.starterLoops);
      if (url === null) throw new Error("no starter loop to restore");
      const data = await this.deps.fetchBytes(url);
      this.update({
        loadRequest: { id: RESTORE_ID, name: payload.name, data, bpm: payload.bpm > 0 ? payload.bpm : null },
      });
      this.update({ restoreDocument: restoreDocument(RESTORE_ID, parseEditState(payload.uiState)) });
    } catch (error) {
      this.deps.logError("session restore failed:", error);
    }
  }

  // Reports of the extraction view, forwarded to the native side.

  reportUiState(json: string): void {
    this.deps.bridge.emit({ type: "uiState", json });
  }

  reportExportState(filename: string, base64: string): void {
    this.deps.bridge.emit({ type: "exportState", filename, base64 });
  }

  reportSourceAudio(name: string, bpm: number | null, clip: AudioClip): void {
    if (!this.deps.bridge.connected()) return; // nobody to keep it: skip the WAV encoding
    this.deps.bridge.emit(sourceAudioMessage(name, bpm, clip, this.current.starterLoops));
  }

  openExternal(url: string): void {
    this.deps.bridge.emit({ type: "openExternal", url });
  }

  // User actions.

  setTab(tab: TabKey): void {
    if (tab !== this.current.tab) this.update({ tab });
  }

  setTheme(theme: string): void {
    this.deps.showTheme(theme);
    writeItem(this.deps.storage, STORAGE_KEYS.theme, theme);
    if (theme !== this.current.theme) this.update({ theme });
  }

  setTourOpen(open: boolean): void {
    if (!open) markTourSeen(this.deps.storage);
    if (open !== this.current.tourOpen) this.update({ tourOpen: open });
  }

  setBusy(busy: boolean): void {
    if (busy !== this.current.busy) this.update({ busy });
  }
}
