// Export file names: a cleaned, lower-case form of the source name plus the map's suffix.

import { exportTargetFor } from "./exportTargets";

/** Lower-case ASCII letters, digits, "_" and "-", with no leading or trailing "-". */
export function fileNameBase(sourceName: string | undefined): string {
  const base = sourceName ? sourceName : "groove";
  return base
    .replace(/\.[^.]+$/, "")
    .replace(/[^A-Za-z0-9_-]+/g, "-")
    .replace(/-+/g, "-")
    .replace(/^-|-$/g, "")
    .toLowerCase();
}

export function exportFileName(sourceName: string | undefined, mapId: string): string {
  const target = exportTargetFor(mapId);
  return `${fileNameBase(sourceName)}${target.suffix}.${target.extension}`;
}
