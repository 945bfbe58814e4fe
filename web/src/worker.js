// The page's worker: every cryptographic step runs here, off the page's thread, so that
// Argon2id (about a second or more) and large files never freeze the page. The build places the
// package's code before this file: once the promise `eccryptPackage` settles, the package's
// names are in the global `eccrypt`.
//
// Requests: { id, op, ...arguments }. Replies: { id, type: "progress", done, total },
// { id, type: "done", result } or { id, type: "error", error: { kind, code, errno, message, step } }.
// Key pairs are disposed as soon as their task ends, which wipes their secret keys.

// Pieces read from a file at a time: the sealed format's own chunk size.
const PIECE = 64 * 1024;
// Armoured sealed data starts with this line; it is opened in memory, the rest as a stream.
const ARMOUR_LINE = "-----BEGIN ECCRYPT ENCRYPTED FILE-----";

let loaded = null;
function ready() {
  if (!loaded) loaded = eccryptPackage.then((pkg) => pkg.ready());
  return loaded;
}

// An error thrown while a step runs: `step` names the input it concerns (the key file, the
// sealed file, a public key, ...), so the page can say which one is wrong.
function atStep(step, fn) {
  try {
    return fn();
  } catch (e) {
    if (e && typeof e === "object" && e.step === undefined) e.step = step;
    throw e;
  }
}

async function atStepAsync(step, fn) {
  try {
    return await fn();
  } catch (e) {
    if (e && typeof e === "object" && e.step === undefined) e.step = step;
    throw e;
  }
}

function describe(e) {
  if (!e || typeof e !== "object") return { kind: "Error", code: null, errno: null, message: String(e), step: "" };
  let kind = "Error";
  for (const k of ["InvalidKey", "DecryptionError", "BadSignature", "EccryptError"]) {
    if (typeof eccrypt !== "undefined" && eccrypt[k] && e instanceof eccrypt[k]) {
      kind = k;
      break;
    }
  }
  return {
    kind,
    code: typeof e.code === "string" ? e.code : null,
    errno: typeof e.errno === "number" ? e.errno : null,
    message: String(e.message || e),
    step: e.step || "",
  };
}

const utf8 = new TextDecoder("utf-8", { fatal: false });

async function bytesOf(file) {
  return new Uint8Array(await file.arrayBuffer());
}

async function textOf(file) {
  return utf8.decode(await bytesOf(file));
}

// Public keys from pasted text (one a line; blank lines and lines starting with # skipped)
// and from .pub files; a key named twice counts once.
async function recipientsOf(pasted, files) {
  const entries = [];
  for (const line of String(pasted || "").split(/\r?\n/)) entries.push({ text: line, from: "pasted" });
  for (const f of files || []) {
    for (const line of (await textOf(f)).split(/\r?\n/)) entries.push({ text: line, from: f.name });
  }
  const keys = [];
  const seen = new Set();
  for (const { text, from } of entries) {
    const t = text.trim();
    if (t === "" || t.startsWith("#")) continue;
    const key = atStep(`public key (${from})`, () => eccrypt.PublicKey.fromText(t));
    const id = key.toText("hex");
    if (seen.has(id)) continue;
    seen.add(id);
    keys.push(key);
  }
  return keys;
}

async function keyPairOf(keyFile, passphrase, id) {
  const data = await bytesOf(keyFile);
  post(id, { type: "progress", phase: "unlock" });
  return atStep("key file", () => eccrypt.KeyPair.fromKeyFile(data, passphrase));
}

function post(id, message) {
  self.postMessage({ id, ...message });
}

// The pieces of `file`, read one at a time, with progress reported as they are used.
async function* piecesOf(file, id) {
  const total = file.size;
  let done = 0;
  let lastReport = 0;
  post(id, { type: "progress", phase: "work", done, total });
  for (let offset = 0; offset < total; offset += PIECE) {
    const piece = new Uint8Array(await file.slice(offset, offset + PIECE).arrayBuffer());
    yield piece;
    done += piece.length;
    const now = Date.now();
    if (now - lastReport > 100 || done === total) {
      lastReport = now;
      post(id, { type: "progress", phase: "work", done, total });
    }
  }
}

// Output gathered in memory before it is moved into a Blob, which the browser may keep on disk:
// a large file's output need not fit in the worker's memory.
const BATCH = 16 * 1024 * 1024;

// Runs a Web Streams transform over a file's pieces and returns its output as Blobs.
async function throughTransform(transform, file, id) {
  const blobs = [];
  let batch = [];
  let batched = 0;
  const reading = (async () => {
    const reader = transform.readable.getReader();
    for (;;) {
      const { value, done } = await reader.read();
      if (done) break;
      batch.push(value);
      batched += value.length;
      if (batched >= BATCH) {
        blobs.push(new Blob(batch));
        batch = [];
        batched = 0;
      }
    }
    blobs.push(new Blob(batch));
  })();
  const writer = transform.writable.getWriter();
  try {
    for await (const piece of piecesOf(file, id)) await writer.write(piece);
    await writer.close();
  } catch (e) {
    writer.abort(e).catch(() => {});
    await reading.catch(() => {});
    throw e;
  }
  await reading;
  return blobs;
}

const ops = {
  async keygen({ passphrase }, id) {
    post(id, { type: "progress", phase: "generate" });
    const pair = eccrypt.KeyPair.generate();
    try {
      post(id, { type: "progress", phase: "protect" });
      const keyFile = atStep("new pass phrase", () => pair.toKeyFile(passphrase));
      return { keyFile, publicKey: pair.publicKey.toText("base64"), keyId: pair.publicKey.keyId };
    } finally {
      pair.dispose();
    }
  },

  async encrypt({ file, pasted, pubFiles, armor }, id) {
    const keys = await recipientsOf(pasted, pubFiles);
    if (keys.length === 0) {
      const e = new Error("no recipient");
      e.code = "NoRecipient";
      throw e;
    }
    let parts;
    if (armor) {
      post(id, { type: "progress", phase: "read" });
      const data = await bytesOf(file);
      post(id, { type: "progress", phase: "work", done: 0, total: data.length });
      parts = [atStep("file", () => eccrypt.seal(data, keys, { armor: !!armor }))];
    } else {
      parts = await atStepAsync("file", () => throughTransform(eccrypt.sealStream(keys), file, id));
    }
    return { blob: new Blob(parts, { type: armor ? "text/plain" : "application/octet-stream" }), recipients: keys.length };
  },

  async decrypt({ file, keyFile, passphrase }, id) {
    const pair = await keyPairOf(keyFile, passphrase, id);
    try {
      const head = utf8.decode(await bytesOf(file.slice(0, 64)));
      let parts;
      if (head.trimStart().startsWith(ARMOUR_LINE)) {
        post(id, { type: "progress", phase: "read" });
        const data = await bytesOf(file);
        post(id, { type: "progress", phase: "work", done: 0, total: data.length });
        parts = [atStep("sealed file", () => eccrypt.open(data, pair))];
      } else {
        // The plaintext stays here, in the worker, until the stream's end has authenticated:
        // a file cut short or damaged anywhere yields no file at all.
        parts = await atStepAsync("sealed file", () => throughTransform(eccrypt.openStream(pair), file, id));
      }
      return { blob: new Blob(parts, { type: "application/octet-stream" }) };
    } finally {
      pair.dispose();
    }
  },

  async sign({ file, keyFile, passphrase, comment }, id) {
    const pair = await keyPairOf(keyFile, passphrase, id);
    try {
      const signature = await atStepAsync("comment", () => eccrypt.signStream(piecesOf(file, id), pair, { comment }));
      return { signature, keyId: pair.publicKey.keyId };
    } finally {
      pair.dispose();
    }
  },

  async verify({ file, sigFile, pasted, pubFiles }, id) {
    const keys = await recipientsOf(pasted, pubFiles);
    if (keys.length !== 1) {
      const e = new Error(`${keys.length} public keys given`);
      e.code = keys.length === 0 ? "NoPublicKey" : "SeveralPublicKeys";
      throw e;
    }
    const signature = await textOf(sigFile);
    const comment = await atStepAsync("signature", () => eccrypt.verifyStream(piecesOf(file, id), signature, keys[0]));
    return { comment, keyId: keys[0].keyId };
  },
};

self.onmessage = async (event) => {
  const { id, op, ...args } = event.data;
  try {
    await ready();
    if (!Object.prototype.hasOwnProperty.call(ops, op)) throw new Error(`unknown operation ${op}`);
    const result = await ops[op](args, id);
    post(id, { type: "done", result });
  } catch (e) {
    post(id, { type: "error", error: describe(e) });
  }
};

ready().then(
  () => self.postMessage({ type: "ready" }),
  (e) => self.postMessage({ type: "failed", error: describe(e) }),
);
