// Launches the end-to-end build of the Tindle standalone application (Tindle_E2E) in its own
// process group with a private HOME, and talks to its driver page through the process's pipes:
// one JSON command per stdin line, one "E2E <json>" report per stdout line.
import { spawn, type ChildProcess } from "node:child_process";
import { mkdirSync } from "node:fs";
import { join, resolve } from "node:path";

export const repoRoot = resolve(import.meta.dirname, "../..");
export const e2eAppPath = process.env.TINDLE_E2E_APP ?? join(repoRoot, "build/native/Tindle_E2E");

export type Report = Record<string, any> & { seq: number };

export interface LaunchOptions {
  home: string;
  timeoutMs?: number;
  /** Start at this path below the resource-provider root ("" is the real page) instead of the driver page. */
  startPath?: string;
}

export function privateEnvironment(home: string): NodeJS.ProcessEnv {
  for (const dir of [".config", ".local/share", ".cache", "runtime", "Downloads", "Desktop"])
    mkdirSync(join(home, dir), { recursive: true, mode: 0o700 });
  return {
    ...process.env,
    HOME: home,
    XDG_CONFIG_HOME: join(home, ".config"),
    XDG_DATA_HOME: join(home, ".local/share"),
    XDG_CACHE_HOME: join(home, ".cache"),
    XDG_RUNTIME_DIR: join(home, "runtime"),
    // Keep WebKit quiet and software-rendered under Xvfb.
    WEBKIT_DISABLE_COMPOSITING_MODE: "1",
    LIBGL_ALWAYS_SOFTWARE: "1",
    NO_AT_BRIDGE: "1",
  };
}

export class TindleApp {
  readonly reports: Report[] = [];
  readonly startedAt = performance.now();
  private seq = 0;
  private nextId = 1;
  private waiters: Array<() => void> = [];
  private stdoutRest = "";
  stderr = "";
  exited: number | null = null;

  private constructor(readonly child: ChildProcess) {
    child.stdout!.setEncoding("utf8");
    child.stdout!.on("data", (chunk: string) => this.takeOutput(chunk));
    child.stderr!.setEncoding("utf8");
    child.stderr!.on("data", (chunk: string) => {
      this.stderr = (this.stderr + chunk).slice(-20000);
    });
    child.on("exit", (code, signal) => {
      this.exited = code ?? (signal ? 128 : 0);
      this.wake();
    });
  }

  /**
   * Starts the application with setsid (its own process group) and waits for the driver page,
   * or, with a start path, for the resource server's first answer.
   */
  static async launch({ home, timeoutMs = 30_000, startPath }: LaunchOptions): Promise<TindleApp> {
    const env = privateEnvironment(home);
    if (startPath !== undefined) env.TINDLE_E2E_START_PATH = startPath;
    const child = spawn(e2eAppPath, [], {
      cwd: home,
      env,
      detached: true, // setsid: WebKit's child process joins this group and dies with it
      stdio: ["pipe", "pipe", "pipe"],
    });
    const app = new TindleApp(child);
    await app.waitFor((r) => (startPath === undefined ? r.op === "loaded" : r.op === "resource"), timeoutMs);
    return app;
  }

  private takeOutput(chunk: string) {
    const text = this.stdoutRest + chunk;
    const lines = text.split("\n");
    this.stdoutRest = lines.pop() ?? "";
    for (const line of lines) {
      if (!line.startsWith("E2E ")) continue;
      try {
        this.reports.push({ ...JSON.parse(line.slice(4)), seq: this.seq++, receivedAt: performance.now() });
      } catch {
        // a line the page did not write
      }
    }
    this.wake();
  }

  private wake() {
    const waiters = this.waiters;
    this.waiters = [];
    for (const w of waiters) w();
  }

  /** The first report after `fromSeq` that matches, waiting up to timeoutMs. */
  async waitFor(match: (r: Report) => boolean, timeoutMs = 10_000, fromSeq = 0): Promise<Report> {
    const deadline = performance.now() + timeoutMs;
    for (;;) {
      const found = this.reports.find((r) => r.seq >= fromSeq && match(r));
      if (found) return found;
      if (this.exited !== null) throw new Error(`application exited (${this.exited}) while waiting\n${this.stderr}`);
      const left = deadline - performance.now();
      if (left <= 0) throw new Error(`timed out waiting for a report; last: ${JSON.stringify(this.reports.slice(-3)).slice(0, 600)}`);
      await new Promise<void>((wake) => {
        const timer = setTimeout(wake, Math.min(left, 250));
        this.waiters.push(() => {
          clearTimeout(timer);
          wake();
        });
      });
    }
  }

  get mark(): number {
    return this.seq;
  }

  command(command: Record<string, unknown>): number {
    const id = this.nextId++;
    this.child.stdin!.write(JSON.stringify({ ...command, id }) + "\n");
    return id;
  }

  /** Sends page messages (tnToNative) from inside the web view, in order, in one turn. */
  async send(...messages: Record<string, unknown>[]): Promise<Report> {
    const id = this.command({ op: "send", messages });
    return this.waitFor((r) => r.op === "sent" && r.id === id);
  }

  /** Fetches a relative URL from inside the web view, through the real resource server. */
  async fetch(url: string, wantBody = true, timeoutMs = 20_000): Promise<Report> {
    const id = this.command({ op: "fetch", url, wantBody });
    return this.waitFor((r) => (r.op === "fetched" || r.op === "error") && r.id === id, timeoutMs);
  }

  /** Runs a script in whatever page the web view shows; resolves to its value (rejects on a script error). */
  async evaluate(script: string, timeoutMs = 10_000): Promise<any> {
    const id = this.command({ op: "eval", script });
    const answer = await this.waitFor((r) => (r.op === "evaluated" || r.op === "error") && r.id === id, timeoutMs);
    if (answer.op === "error") throw new Error(`script failed: ${answer.message}\n${script}`);
    return answer.result;
  }

  events(eventId: string, fromSeq = 0): Report[] {
    return this.reports.filter((r) => r.event === eventId && r.seq >= fromSeq);
  }

  /** Asks the application to quit as the window's close button would (it saves its settings). */
  async quit(timeoutMs = 15_000): Promise<void> {
    this.command({ op: "quit" });
    const deadline = performance.now() + timeoutMs;
    while (this.exited === null && performance.now() < deadline) await new Promise((r) => setTimeout(r, 50));
    this.kill();
  }

  /** Kills the whole process group (WebKit's child survives SIGTERM to the parent alone). */
  kill() {
    try {
      if (this.child.pid) process.kill(-this.child.pid, "SIGKILL");
    } catch {
      // already gone
    }
  }
}
