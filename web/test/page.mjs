// Drives one browser for the page's tests: every page and worker target is attached before it
// runs, any request that would leave the machine is refused and recorded, console errors and
// uncaught exceptions are recorded, and downloads land in a folder of our own.
import { mkdirSync, readFileSync, existsSync } from "node:fs";
import { join } from "node:path";
import { Browser } from "./cdp.mjs";

// Schemes that stay inside the browser; anything else is a network request.
const LOCAL = /^(file|data|blob|about|chrome-error|devtools):/;

export class Session {
  browser;
  /** Requests that would have left the machine: { sessionId, url }. */
  requests = [];
  /** Console errors and uncaught exceptions: { sessionId, text }. */
  problems = [];
  #sessions = new Map(); // sessionId -> { type, url }
  #ready = new Map(); // targetId -> promise of its sessionId, once watched and running
  #downloads = new Map(); // guid -> { name, state }
  #downloadDir;

  static async start(downloadDir) {
    const s = new Session();
    // No name resolves and no proxy answers: a request that slipped past the checks below
    // still could not leave this machine.
    s.browser = await Browser.launch([
      "--host-resolver-rules=MAP * ~NOTFOUND",
      "--proxy-server=http://127.0.0.1:9",
      "--proxy-bypass-list=<-loopback>",
    ]);
    s.#downloadDir = downloadDir;
    mkdirSync(downloadDir, { recursive: true });
    s.browser.on((m) => s.#event(m));
    await s.browser.send("Browser.setDownloadBehavior", {
      behavior: "allowAndName",
      downloadPath: downloadDir,
      eventsEnabled: true,
    });
    await s.browser.send("Target.setAutoAttach", { autoAttach: true, waitForDebuggerOnStart: true, flatten: true });
    return s;
  }

  #event(m) {
    const b = this.browser;
    const p = m.params || {};
    switch (m.method) {
      case "Target.attachedToTarget":
        this.#ready.set(
          p.targetInfo.targetId,
          this.#attach(p.sessionId, p.targetInfo).then(
            () => p.sessionId,
            (e) => {
              this.problems.push({ sessionId: p.sessionId, text: `attaching: ${e.message}` });
              return p.sessionId;
            },
          ),
        );
        break;
      case "Target.detachedFromTarget":
        this.#sessions.delete(p.sessionId);
        break;
      case "Fetch.requestPaused":
        if (LOCAL.test(p.request.url)) {
          b.send("Fetch.continueRequest", { requestId: p.requestId }, m.sessionId).catch(() => {});
        } else {
          this.requests.push({ sessionId: m.sessionId, url: p.request.url });
          b.send("Fetch.failRequest", { requestId: p.requestId, errorReason: "BlockedByClient" }, m.sessionId).catch(() => {});
        }
        break;
      case "Network.requestWillBeSent":
        if (!LOCAL.test(p.request.url)) this.requests.push({ sessionId: m.sessionId, url: p.request.url });
        break;
      case "Runtime.exceptionThrown": {
        const d = p.exceptionDetails || {};
        this.problems.push({ sessionId: m.sessionId, text: `exception: ${(d.exception && d.exception.description) || d.text}` });
        break;
      }
      case "Log.entryAdded":
        if (p.entry.level === "error") this.problems.push({ sessionId: m.sessionId, text: `${p.entry.source}: ${p.entry.text}` });
        break;
      case "Runtime.consoleAPICalled":
        if (p.type === "error") {
          const text = p.args.map((a) => a.value ?? a.description).join(" ");
          this.problems.push({ sessionId: m.sessionId, text: `console.error: ${text}` });
        }
        break;
      case "Browser.downloadWillBegin":
        this.#downloads.set(p.guid, { name: p.suggestedFilename, state: "inProgress" });
        break;
      case "Browser.downloadProgress": {
        const d = this.#downloads.get(p.guid) || {};
        this.#downloads.set(p.guid, { ...d, state: p.state });
        break;
      }
      default:
        break;
    }
  }

  // Watches a new target before it runs a line: its requests, errors and its own workers.
  async #attach(sessionId, info) {
    const b = this.browser;
    this.#sessions.set(sessionId, { type: info.type, url: info.url });
    const quiet = (promise) => promise.catch(() => {});
    if (info.type === "page" || info.type === "worker") {
      await quiet(b.send("Network.enable", {}, sessionId));
      await quiet(b.send("Runtime.enable", {}, sessionId));
      await quiet(b.send("Log.enable", {}, sessionId));
      await quiet(b.send("Target.setAutoAttach", { autoAttach: true, waitForDebuggerOnStart: true, flatten: true }, sessionId));
    }
    if (info.type === "page") {
      await b.send("Fetch.enable", { patterns: [{ urlPattern: "*" }] }, sessionId);
      await b.send("Page.enable", {}, sessionId);
    }
    await quiet(b.send("Runtime.runIfWaitingForDebugger", {}, sessionId));
  }

  /** Opens url in a new tab; returns a Tab. */
  async open(url) {
    const b = this.browser;
    const { targetId } = await b.send("Target.createTarget", { url: "about:blank" });
    const deadline = Date.now() + 10000;
    while (!this.#ready.has(targetId)) {
      if (Date.now() > deadline) throw new Error("the new tab was not attached");
      await new Promise((r) => setTimeout(r, 20));
    }
    const sessionId = await this.#ready.get(targetId);
    const loaded = b.waitFor((m) => m.method === "Page.loadEventFired" && m.sessionId === sessionId, 30000, `loading ${url}`);
    const nav = await b.send("Page.navigate", { url }, sessionId);
    if (nav.errorText) throw new Error(`navigating to ${url}: ${nav.errorText}`);
    await loaded;
    return new Tab(this, sessionId);
  }

  /** Waits for the download named `name` to complete; returns its bytes. */
  async download(name, timeoutMs = 30000) {
    const end = Date.now() + timeoutMs;
    while (Date.now() < end) {
      for (const [guid, d] of this.#downloads) {
        if (d.name === name && d.state === "completed") {
          this.#downloads.delete(guid);
          const path = join(this.#downloadDir, guid);
          if (existsSync(path)) return readFileSync(path);
        }
        if (d.name === name && d.state === "canceled") throw new Error(`the download of ${name} was cancelled`);
      }
      await new Promise((r) => setTimeout(r, 50));
    }
    throw new Error(`no download of ${name} within ${timeoutMs} ms`);
  }

  close() {
    return this.browser.close();
  }
}

export class Tab {
  constructor(session, sessionId) {
    this.session = session;
    this.id = sessionId;
  }

  send(method, params = {}) {
    return this.session.browser.send(method, params, this.id);
  }

  /** Evaluates an expression in the page (awaiting a promise), returning its value. */
  async eval(expression, { gesture = false } = {}) {
    const r = await this.send("Runtime.evaluate", {
      expression,
      awaitPromise: true,
      returnByValue: true,
      userGesture: gesture,
    });
    if (r.exceptionDetails) {
      throw new Error(`in the page: ${(r.exceptionDetails.exception && r.exceptionDetails.exception.description) || r.exceptionDetails.text}`);
    }
    return r.result.value;
  }

  /** Chooses files in the <input type=file> with this id, as a person does. */
  async choose(id, paths) {
    const r = await this.send("Runtime.evaluate", { expression: `document.getElementById(${JSON.stringify(id)})` });
    if (!r.result.objectId) throw new Error(`no element #${id}`);
    await this.send("DOM.setFileInputFiles", { files: paths, objectId: r.result.objectId });
    await this.send("Runtime.releaseObject", { objectId: r.result.objectId });
  }

  /** Drags files from outside the browser and drops them on the label of the file field with
   * this id (its drop zone, not the input itself), as a person does. */
  async drop(id, paths) {
    const at = await this.eval(`(() => {
      const label = document.querySelector('label[for=${JSON.stringify(id)}]');
      label.scrollIntoView({ block: "center" });
      const r = label.getBoundingClientRect();
      return { x: r.x + 4, y: r.y + r.height / 2 };
    })()`);
    const data = { items: [], files: paths, dragOperationsMask: 1 };
    for (const type of ["dragEnter", "dragOver", "drop"]) {
      await this.send("Input.dispatchDragEvent", { type, x: at.x, y: at.y, data });
    }
  }

  /** Types text into the field with this id (replacing what it held). */
  async type(id, text) {
    await this.eval(`(() => { const el = document.getElementById(${JSON.stringify(id)});
      el.focus(); el.value = ""; })()`);
    if (text !== "") await this.send("Input.insertText", { text });
  }

  async check(id, on) {
    await this.eval(`document.getElementById(${JSON.stringify(id)}).checked = ${on ? "true" : "false"}`);
  }

  /** Submits the form of one task and waits until its outcome shows; returns
   * { good, text, links: [names of offered files] }. */
  async submit(task, timeoutMs = 120000) {
    await this.eval(`document.getElementById("${task}-form").requestSubmit()`, { gesture: true });
    const deadline = Date.now() + timeoutMs;
    while (Date.now() < deadline) {
      const state = await this.eval(`(() => {
        const form = document.getElementById("${task}-form");
        const out = document.getElementById("${task}-outcome");
        if (form.getAttribute("aria-busy") === "true") return null;
        if (!out.classList.contains("good") && !out.classList.contains("bad")) return null;
        return { good: out.classList.contains("good"), text: out.innerText,
                 links: [...out.querySelectorAll("a.save")].map((a) => a.download) };
      })()`);
      if (state) return state;
      await new Promise((r) => setTimeout(r, 100));
    }
    throw new Error(`the ${task} task gave no outcome within ${timeoutMs} ms`);
  }

  /** Clicks the offered file named `name` and returns the downloaded bytes. */
  async save(task, name) {
    await this.eval(`[...document.querySelectorAll("#${task}-outcome a.save")]
      .find((a) => a.download === ${JSON.stringify(name)}).click()`, { gesture: true });
    return this.session.download(name);
  }

  async screenshot() {
    // A tab in the background draws no frame to capture.
    await this.send("Page.bringToFront");
    const { cssContentSize } = await this.send("Page.getLayoutMetrics");
    const r = await this.send("Page.captureScreenshot", {
      format: "png",
      captureBeyondViewport: true,
      clip: { x: 0, y: 0, width: Math.ceil(cssContentSize.width), height: Math.ceil(cssContentSize.height), scale: 1 },
    });
    return Buffer.from(r.data, "base64");
  }
}
