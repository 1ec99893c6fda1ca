// Request path → what to answer. Pure: the server passes the raw request target and the
// generated index; only indexed paths are ever answered, so no request reaches the disk
// by a path of its own making.

import type { DataIndex } from "./data-index.ts";

export const MAX_RELEASES = 200;
export const MAX_TARGET_LENGTH = 4096;

export type RouteAnswer =
  | { kind: "releases"; limit: number }
  | { kind: "file"; file: string; type: string }
  | { kind: "not-found" };

/**
 * Splits off the query, drops leading and repeated "/" (the page joins the base, which ends
 * in "/", with "/assets/…"), drops a trailing "/" and decodes each segment once, so encoded
 * and plain file names both match. Nothing on malformed escapes or dot segments.
 */
export function normalizeRequestPath(target: string): { path: string; query: URLSearchParams } | undefined {
  const queryAt = target.indexOf("?");
  const rawPath = queryAt < 0 ? target : target.slice(0, queryAt);
  const query = new URLSearchParams(queryAt < 0 ? "" : target.slice(queryAt + 1));
  const segments: string[] = [];
  for (const raw of rawPath.split("/")) {
    if (raw === "") continue;
    let segment: string;
    try {
      segment = decodeURIComponent(raw);
    } catch {
      return undefined;
    }
    if (segment === "." || segment === ".." || segment.includes("\0")) return undefined;
    segments.push(segment);
  }
  return { path: segments.join("/"), query };
}

/** The release count to answer: the `limit` query when it is a whole number, capped at 200. */
export function releaseLimit(query: URLSearchParams): number {
  const text = query.get("limit")?.trim() ?? "";
  if (!/^\d{1,9}$/.test(text)) return MAX_RELEASES;
  return Math.min(MAX_RELEASES, Number(text));
}

export function resolveRoute(target: string, index: Pick<DataIndex, "routes">): RouteAnswer {
  if (target.length > MAX_TARGET_LENGTH) return { kind: "not-found" };
  const request = normalizeRequestPath(target);
  if (!request) return { kind: "not-found" };
  if (request.path === "releases") return { kind: "releases", limit: releaseLimit(request.query) };
  const entry = Object.hasOwn(index.routes, request.path) ? index.routes[request.path] : undefined;
  return entry ? { kind: "file", file: entry.file, type: entry.type } : { kind: "not-found" };
}
