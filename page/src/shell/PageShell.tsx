// The root of the page: top bar, the extractor (always mounted, hidden on the library tab so
// its clip, edits and audition survive) and the library (mounted only while its tab shows).

import type { ComponentType } from "preact";
import { useEffect } from "preact/hooks";
import type { ShellModel } from "./model.ts";
import type { ExtractorSlotProps } from "./slots.ts";
import { TopBar } from "./TopBar.tsx";
import { useShellState } from "./useShellState.ts";
import { ExtractorPlaceholder } from "./ExtractorPlaceholder.tsx";

export interface PageShellProps {
  model: ShellModel;
  Extractor?: ComponentType<ExtractorSlotProps>;
}

export function PageShell({ model, Extractor = ExtractorPlaceholder }: PageShellProps) {
  const state = useShellState(model);
  // Child effects run before this one, so the view's first reports precede "ready".
  useEffect(() => {
    void model.start();
  }, [model]);
  const extractorActive = state.tab === "extract";
  return (
    <div class="page-shell">
      <TopBar tab={state.tab} onTab={(tab) => model.setTab(tab)} />
      <main class="extractor" hidden={!extractorActive}>
        <Extractor
          loadRequest={state.loadRequest}
          restoreDocument={state.restoreDocument}
          hostBpm={state.status.hostBpm > 0 ? state.status.hostBpm : null}
          active={extractorActive}
          onExportState={(filename, base64) => model.reportExportState(filename, base64)}
          onUiState={(json) => model.reportUiState(json)}
          onSourceAudio={(name, bpm, clip) => model.reportSourceAudio(name, bpm, clip)}
        />
      </main>
      {!extractorActive && <main class="library" />}
    </div>
  );
}
