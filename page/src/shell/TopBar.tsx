// The bar across the top: logo, product block, tab switch, the capture controls' slot and the
// drop hint; below it, full width, the slot for the capture meter and loop-length bar.

import type { ComponentChildren } from "preact";
import { useState } from "preact/hooks";
import type { TabKey } from "./query.ts";
import { LOGO_URL } from "./logo.ts";

export interface TopBarProps {
  tab: TabKey;
  onTab(tab: TabKey): void;
  /** Capture button, "Try" menu and status line. */
  captureControls?: ComponentChildren;
  /** Capture meter or loop-length bar, across the bar's full width. */
  captureStrip?: ComponentChildren;
}

const TABS: readonly { key: TabKey; label: string }[] = [
  { key: "extract", label: "Extractor" },
  { key: "ostrel", label: "Ostrel Library" },
];

export function TopBar({ tab, onTab, captureControls, captureStrip }: TopBarProps) {
  // Without the logo file (a page opened outside the app) the product block stands alone.
  const [logoMissing, setLogoMissing] = useState(false);
  return (
    <header class="top-bar">
      <div class="top-bar-row">
        {!logoMissing && (
          <img class="top-bar-logo" src={LOGO_URL} alt="Vandery" width={90} onError={() => setLogoMissing(true)} />
        )}
        <div class="product-block">
          <span class="product-name">TINDLE</span>
          <span class="product-tagline">audio in · pocket out</span>
        </div>
        <div class="tab-switch" role="tablist">
          {TABS.map(({ key, label }) => (
            <button
              key={key}
              type="button"
              role="tab"
              aria-selected={tab === key}
              class={tab === key ? "tab-button current" : "tab-button"}
              onClick={() => onTab(key)}
            >
              {label}
            </button>
          ))}
        </div>
        <div class="capture-controls">{captureControls}</div>
        <span class="drop-hint">or drop an audio file below</span>
      </div>
      {captureStrip && <div class="capture-strip">{captureStrip}</div>}
    </header>
  );
}
