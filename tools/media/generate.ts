// Writes the embedded media into resources/ and each demo loop's ground truth into
// build/media-truth/ (outside resources/, so it is never embedded).
// Usage: npx tsx tools/media/generate.ts [repo root]

import { mkdirSync, writeFileSync } from "node:fs";
import { dirname, join, resolve } from "node:path";
import { fileURLToPath } from "node:url";
import { DEMO_LOOPS, buildMediaFiles, groundTruthDocument } from "./index.ts";

const root = resolve(process.argv[2] ?? join(dirname(fileURLToPath(import.meta.url)), "../.."));
const resourcesDir = join(root, "resources");
const truthDir = join(root, "build", "media-truth");
mkdirSync(resourcesDir, { recursive: true });
mkdirSync(truthDir, { recursive: true });

for (const file of buildMediaFiles()) writeFileSync(join(resourcesDir, file.fileName), file.bytes);
for (const loop of DEMO_LOOPS) {
  const stem = loop.fileName.replace(/\.wav$/, "");
  writeFileSync(join(truthDir, `${stem}.json`), `${JSON.stringify(groundTruthDocument(loop), null, 1)}\n`);
}
console.log(`media: wrote ${resourcesDir} and ${truthDir}`);
