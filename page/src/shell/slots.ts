// What the shell gives the extraction view and the library browser.

import type { AudioClip } from "../audio/clip.ts";
import type { LoadRequest, RestoreDocument } from "./types.ts";

export interface ExtractorSlotProps {
  loadRequest: LoadRequest | null;
  restoreDocument: RestoreDocument | null;
  /** The host's tempo, or null while the host reports none. */
  hostBpm: number | null;
  /** Whether the extractor tab is the visible one (Space-key handling runs only then). */
  active: boolean;
  onExportState(filename: string, base64: string): void;
  onUiState(json: string): void;
  onSourceAudio(name: string, bpm: number | null, clip: AudioClip): void;
}
