// The service's base address: one build setting shared by the native pass-through and the
// page. The file service/base-url holds the default; TINDLE_SERVICE_BASE overrides it.

import { readFileSync } from "node:fs";
import { fileURLToPath } from "node:url";

export const BASE_URL_FILE = fileURLToPath(new URL("./base-url", import.meta.url));

/** The base as an absolute http(s) address ending in "/", or an error naming the bad value. */
export function normalizeBase(text: string): string {
  const trimmed = text.trim();
  const url = new URL(trimmed); // throws on text that is not an absolute URL
  if (url.protocol !== "http:" && url.protocol !== "https:") throw new Error(`service base must be http(s): ${trimmed}`);
  if (url.search || url.hash) throw new Error(`service base must not carry a query or fragment: ${trimmed}`);
  return url.href.endsWith("/") ? url.href : `${url.href}/`;
}

export function serviceBase(env: NodeJS.ProcessEnv = process.env): string {
  const override = env.TINDLE_SERVICE_BASE?.trim();
  return normalizeBase(override ? override : readFileSync(BASE_URL_FILE, "utf8"));
}

/** Host and port to listen on when the base is served locally over plain HTTP; else nothing. */
export function localListenAddress(base: string): { host: string; port: number } | undefined {
  const url = new URL(base);
  const local = ["127.0.0.1", "localhost", "[::1]"].includes(url.hostname);
  if (url.protocol !== "http:" || !local) return undefined;
  return { host: url.hostname === "[::1]" ? "::1" : url.hostname, port: Number(url.port || 80) };
}
