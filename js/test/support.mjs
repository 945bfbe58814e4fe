// Shared by the tests: the repository's stored files, its known-answer texts and the eccrypt
// tool (ECCRYPT_TOOL, by default the release build's). Tests that need the tool are skipped
// when it is missing and ECCRYPT_TOOL is not set; when it is set, a missing tool fails them.
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";

export const REPO = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "../..");
export const DATA = path.join(REPO, "tests/tool/data");
export const VECTORS = path.join(REPO, "tests/vectors");
export const TOOL = process.env.ECCRYPT_TOOL || path.join(REPO, "build/release/tool/eccrypt");
/** The `skip` option of tests that run the tool: false, or why they cannot. */
export const needsTool =
  process.env.ECCRYPT_TOOL || fs.existsSync(TOOL) ? false : `no eccrypt tool at ${TOOL} (set ECCRYPT_TOOL)`;

/** Runs the tool; its standard output as a string. Throws when it fails. */
export function tool(...args) {
  return execFileSync(TOOL, args.map(String), { stdio: ["ignore", "pipe", "pipe"] }).toString();
}

/** A stored file of tests/tool/data, as bytes. */
export function stored(name) {
  return new Uint8Array(fs.readFileSync(path.join(DATA, name)));
}
/** A stored file as text. */
export function storedText(name) {
  return fs.readFileSync(path.join(DATA, name), "utf8");
}
/** A stored pass-phrase file's phrase as the tool reads it: one trailing line end dropped. */
export function phraseOf(name) {
  const phrase = stored(name);
  return phrase.at(-1) === 0x0a ? phrase.subarray(0, -1) : phrase;
}

/** The records of a .vec file: blank-line separated blocks of `key = value` lines. */
export function readVectors(name) {
  const records = [];
  let record = {};
  for (const line of fs.readFileSync(path.join(VECTORS, name), "utf8").split("\n")) {
    if (line.startsWith("#")) continue;
    if (!line.trim()) {
      if (Object.keys(record).length) records.push(record);
      record = {};
      continue;
    }
    const at = line.indexOf(" = ");
    record[line.slice(0, at).trim()] = line.slice(at + 3);
  }
  if (Object.keys(record).length) records.push(record);
  return records;
}

/** A new temporary folder, removed when the process exits. */
export function tempDir() {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "eccrypt-js-"));
  process.on("exit", () => fs.rmSync(dir, { recursive: true, force: true }));
  return dir;
}

export function randomBytes(n) {
  const out = new Uint8Array(n);
  for (let at = 0; at < n; at += 65536) crypto.getRandomValues(out.subarray(at, Math.min(n, at + 65536)));
  return out;
}

/** Everything a ReadableStream gives, joined. */
export async function collect(readable) {
  const parts = [];
  for await (const part of readable) parts.push(part);
  return new Uint8Array(Buffer.concat(parts));
}

/** A ReadableStream of data in pieces of the given size. */
export function piecesOf(data, size) {
  let at = 0;
  return new ReadableStream({
    pull(controller) {
      if (at >= data.length) return controller.close();
      controller.enqueue(data.slice(at, at + size));
      at += size;
    },
  });
}
