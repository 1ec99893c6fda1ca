// Options in the page URL's query, read once when the page's code starts.

import { STORAGE_KEYS, markTourSeen, writeItem, type KeyValueStore } from "./storage.ts";

export type TabKey = "extract" | "ostrel";

export interface PageQuery {
  theme: string | null;
  skipTour: boolean;
  tab: TabKey;
}

export function parsePageQuery(search: string): PageQuery {
  let params: URLSearchParams;
  try {
    params = new URLSearchParams(search);
  } catch {
    params = new URLSearchParams();
  }
  return {
    theme: params.get("theme"),
    skipTour: params.get("tour") === "0",
    tab: params.get("tab") === "ostrel" ? "ostrel" : "extract",
  };
}

/** Stores what the query asks to keep, before anything is drawn. */
export function applyPageQuery(query: PageQuery, store: KeyValueStore | null): void {
  if (query.theme !== null) writeItem(store, STORAGE_KEYS.theme, query.theme);
  if (query.skipTour) markTourSeen(store);
}
