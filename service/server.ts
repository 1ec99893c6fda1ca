// The local catalogue service: answers the maker's service routes from the files that
// service/generate.ts wrote, on the address of the service base.
// Usage: node --import tsx service/server.ts [--data DIR] [--port N] [--fault garbage|hang]
//   --fault garbage answers every request with 200 and a body that is not JSON;
//   --fault hang accepts connections and never answers (for time-out tests of clients).

import { readFile } from "node:fs/promises";
import { createServer, type IncomingMessage, type Server, type ServerResponse } from "node:http";
import { join } from "node:path";
import { fileURLToPath } from "node:url";
import { localListenAddress, serviceBase } from "./base.ts";
import { INDEX_FILE, type DataIndex } from "./data-index.ts";
import { DEFAULT_DATA_DIR } from "./generate.ts";
import { parseByteRange } from "./range.ts";
import { resolveRoute } from "./routes.ts";

export type FaultMode = "garbage" | "hang";

export interface Catalogue {
  dataDir: string;
  index: DataIndex;
  releases: unknown[];
}

export async function loadCatalogue(dataDir: string): Promise<Catalogue> {
  const index = JSON.parse(await readFile(join(dataDir, INDEX_FILE), "utf8")) as DataIndex;
  const releases = JSON.parse(await readFile(join(dataDir, index.releasesFile), "utf8")) as unknown[];
  return { dataDir, index, releases };
}

const GARBAGE = Buffer.from("<!doctype html><title>502</title>\u0000\u00ff not the catalogue");

function send(req: IncomingMessage, res: ServerResponse, status: number, type: string, body: Uint8Array, extra: Record<string, string> = {}): void {
  res.writeHead(status, {
    "Content-Type": type,
    "Content-Length": String(body.byteLength),
    "Access-Control-Allow-Origin": "*",
    "Cache-Control": "no-cache",
    ...extra,
  });
  res.end(req.method === "HEAD" ? undefined : body);
}

const notFound = (req: IncomingMessage, res: ServerResponse) => send(req, res, 404, "text/plain", Buffer.from("not found\n"));

async function answer(catalogue: Catalogue, req: IncomingMessage, res: ServerResponse): Promise<void> {
  if (req.method !== "GET" && req.method !== "HEAD") {
    send(req, res, 405, "text/plain", Buffer.from("method not allowed\n"), { Allow: "GET, HEAD" });
    return;
  }
  const route = resolveRoute(req.url ?? "", catalogue.index);
  if (route.kind === "not-found") return notFound(req, res);
  if (route.kind === "releases") {
    const body = Buffer.from(JSON.stringify({ releases: catalogue.releases.slice(0, route.limit) }));
    return send(req, res, 200, "application/json", body);
  }
  const body = await readFile(join(catalogue.dataDir, route.file));
  const range = parseByteRange(req.headers.range, body.byteLength);
  const ranges = { "Accept-Ranges": "bytes" };
  if (range === "unsatisfiable") {
    return send(req, res, 416, "text/plain", Buffer.alloc(0), { ...ranges, "Content-Range": `bytes */${body.byteLength}` });
  }
  if (range) {
    const part = body.subarray(range.start, range.end + 1);
    return send(req, res, 206, route.type, part, { ...ranges, "Content-Range": `bytes ${range.start}-${range.end}/${body.byteLength}` });
  }
  send(req, res, 200, route.type, body, ranges);
}

export function createCatalogueServer(catalogue: Catalogue, fault?: FaultMode): Server {
  const server = createServer((req, res) => {
    if (fault === "hang") return;
    if (fault === "garbage") return send(req, res, 200, "application/json", GARBAGE);
    answer(catalogue, req, res).catch(() => {
      if (!res.headersSent) send(req, res, 500, "text/plain", Buffer.from("internal error\n"));
      else res.destroy();
    });
  });
  server.headersTimeout = 10_000;
  server.requestTimeout = 30_000;
  return server;
}

function option(args: string[], name: string): string | undefined {
  const at = args.indexOf(name);
  return at >= 0 ? args[at + 1] : undefined;
}

async function main(args: string[]): Promise<void> {
  const base = serviceBase();
  const address = localListenAddress(base);
  if (!address) throw new Error(`service base ${base} is not a local http address; nothing to serve`);
  const fault = option(args, "--fault");
  if (fault !== undefined && fault !== "garbage" && fault !== "hang") throw new Error(`unknown fault mode: ${fault}`);
  const port = Number(option(args, "--port") ?? address.port);
  const catalogue = await loadCatalogue(option(args, "--data") ?? DEFAULT_DATA_DIR);
  const server = createCatalogueServer(catalogue, fault);
  const stop = () => {
    server.closeAllConnections();
    server.close(() => process.exit(0));
  };
  process.on("SIGTERM", stop);
  process.on("SIGINT", stop);
  server.listen(port, address.host, () => console.log(`catalogue service on http://${address.host}:${port}/${fault ? ` (fault: ${fault})` : ""}`));
}

if (process.argv[1] && fileURLToPath(import.meta.url) === process.argv[1]) {
  main(process.argv.slice(2)).catch((error: unknown) => {
    console.error(`catalogue service: ${error instanceof Error ? error.message : String(error)}`);
    process.exit(1);
  });
}
