// A small client of the browser's DevTools protocol over a pipe (--remote-debugging-pipe):
// the browser reads commands on its fd 3 and writes replies and events on its fd 4, each
// message JSON ended by a NUL byte. No WebSocket and no npm package are needed.
import { spawn } from "node:child_process";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";

/** The browser binary: $CHROMIUM, else Debian's chromium. */
export function browserPath() {
  return process.env.CHROMIUM || "/usr/lib/chromium/chromium";
}

export class Browser {
  #proc;
  #profile;
  #nextId = 1;
  #pending = new Map();
  #listeners = new Set();
  #buffer = Buffer.alloc(0);
  stderr = "";

  static async launch(extraArgs = []) {
    const b = new Browser();
    b.#profile = mkdtempSync(join(tmpdir(), "eccrypt-web-profile-"));
    const args = [
      "--headless=new",
      "--remote-debugging-pipe",
      `--user-data-dir=${b.#profile}`,
      "--no-first-run",
      "--no-default-browser-check",
      "--disable-gpu",
      "--disable-dev-shm-usage",
      "--disable-background-networking",
      "--disable-component-update",
      "--disable-sync",
      "--disable-extensions",
      "--metrics-recording-only",
      "--no-pings",
      "--window-size=1100,1400",
      ...(process.getuid && process.getuid() === 0 ? ["--no-sandbox"] : []),
      ...extraArgs,
      "about:blank",
    ];
    b.#proc = spawn(browserPath(), args, { stdio: ["ignore", "ignore", "pipe", "pipe", "pipe"] });
    b.#proc.stderr.on("data", (d) => {
      b.stderr = (b.stderr + d.toString()).slice(-20000);
    });
    b.#proc.stdio[4].on("data", (chunk) => b.#receive(chunk));
    b.#proc.on("exit", (code) => {
      for (const { reject } of b.#pending.values()) {
        reject(new Error(`the browser exited (${code}): ${b.stderr.slice(-2000)}`));
      }
      b.#pending.clear();
    });
    await b.send("Browser.getVersion");
    return b;
  }

  #receive(chunk) {
    this.#buffer = Buffer.concat([this.#buffer, chunk]);
    let end;
    while ((end = this.#buffer.indexOf(0)) >= 0) {
      const message = JSON.parse(this.#buffer.subarray(0, end).toString("utf8"));
      this.#buffer = this.#buffer.subarray(end + 1);
      if (message.id !== undefined) {
        const waiter = this.#pending.get(message.id);
        this.#pending.delete(message.id);
        if (!waiter) continue;
        if (message.error) {
          waiter.reject(new Error(`${waiter.method}: ${message.error.message}`));
        } else {
          waiter.resolve(message.result);
        }
      } else {
        for (const listener of [...this.#listeners]) listener(message);
      }
    }
  }

  /** Sends a command, to the browser or (with sessionId) to an attached target. */
  send(method, params = {}, sessionId = undefined) {
    const id = this.#nextId++;
    const message = { id, method, params };
    if (sessionId) message.sessionId = sessionId;
    return new Promise((resolve, reject) => {
      this.#pending.set(id, { resolve, reject, method });
      this.#proc.stdio[3].write(JSON.stringify(message) + "\0");
    });
  }

  /** Calls listener(message) for every event; returns a function that removes it. */
  on(listener) {
    this.#listeners.add(listener);
    return () => this.#listeners.delete(listener);
  }

  /** The first event for which predicate(message) holds, within timeoutMs. */
  waitFor(predicate, timeoutMs, what) {
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => {
        off();
        reject(new Error(`timed out after ${timeoutMs} ms waiting for ${what}`));
      }, timeoutMs);
      const off = this.on((message) => {
        if (predicate(message)) {
          clearTimeout(timer);
          off();
          resolve(message);
        }
      });
    });
  }

  async close() {
    if (this.#proc.exitCode === null) {
      const exited = new Promise((resolve) => this.#proc.once("exit", resolve));
      this.send("Browser.close").catch(() => {});
      const timer = setTimeout(() => this.#proc.kill("SIGKILL"), 5000);
      await exited;
      clearTimeout(timer);
    }
    rmSync(this.#profile, { recursive: true, force: true });
  }
}
