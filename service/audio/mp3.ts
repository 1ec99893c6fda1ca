// MP3 encoding through Debian's lame: constant 128 kbit/s mono, which browsers and
// GStreamer stream without a seek table. lame's output is a pure function of its input.

import { execFile } from "node:child_process";
import { promisify } from "node:util";

const run = promisify(execFile);

export const LAME_ARGUMENTS = ["--quiet", "--noreplaygain", "-m", "m", "-b", "128"];

export async function encodeMp3File(wavPath: string, mp3Path: string): Promise<void> {
  await run("lame", [...LAME_ARGUMENTS, wavPath, mp3Path]);
}

export async function lameVersion(): Promise<string> {
  const { stdout } = await run("lame", ["--version"]);
  return stdout.split("\n")[0] ?? "";
}
