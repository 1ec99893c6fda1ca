// Entry point of the `tindle` command line: `tindle extract FILE.wav ...`.

import { nodeIo, runExtract } from "./extract";
import { EXPORT_COMMAND } from "./export";

const USAGE = "usage: tindle extract [options] FILE.wav [FILE.wav ...]   (tindle extract --help for options)\n";

function main(argv: string[]): number {
  const [command, ...rest] = argv;
  if (command === "extract" || command === "tindle-extract") return runExtract(rest, nodeIo, EXPORT_COMMAND);
  if (command === undefined || command === "--help" || command === "-h" || command === "help") {
    process.stdout.write(USAGE);
    return command === undefined ? 2 : 0;
  }
  process.stderr.write(`tindle: unknown command "${command}"\n${USAGE}`);
  return 2;
}

process.exitCode = main(process.argv.slice(2));
