// Stands where the extraction view goes until it exists: it makes the view's first two
// reports (initial edit state, nothing to export) and shows what the shell would load.

import { useEffect } from "preact/hooks";
import { defaultEditState, editStateToJson } from "../groove/editState.ts";
import type { ExtractorSlotProps } from "./slots.ts";
import { pageStorage, readMapId } from "./storage.ts";

export function ExtractorPlaceholder({ loadRequest, onUiState, onExportState }: ExtractorSlotProps) {
  useEffect(() => {
    const mapId = readMapId(pageStorage());
    onUiState(editStateToJson(defaultEditState(mapId)));
    onExportState("", "");
  }, []);
  return (
    <section class="extractor-view" data-load-id={loadRequest?.id ?? ""}>
      <p class="placeholder-note">{loadRequest ? loadRequest.name : "Listening for transients…"}</p>
    </section>
  );
}
