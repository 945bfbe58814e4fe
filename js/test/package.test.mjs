// The package as its users get it: packed with npm pack, installed with npm install into a
// fresh folder, and used there by programs that know only its promised names, through import
// and through require().
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { it } from "node:test";
import { fileURLToPath } from "node:url";

import { DATA, needsTool, tempDir, tool } from "./support.mjs";

const here = path.dirname(fileURLToPath(import.meta.url));
const npm = (args, cwd) => execFileSync("npm", args, { cwd, stdio: ["ignore", "pipe", "pipe"] }).toString();

it("installs from its npm pack tarball and works through its promised names", () => {
  const dir = tempDir();
  const packed = npm(["pack", "--json", "--pack-destination", dir], path.join(here, "..")).trim();
  const [{ filename, files }] = JSON.parse(packed);
  const shipped = files.map((f) => f.path).sort();
  for (const name of ["eccrypt.cjs", "eccrypt-wasm.cjs", "eccrypt-wasm-binary.cjs", "index.mjs", "index.d.ts", "package.json"]) {
    assert.ok(shipped.includes(name), `${name} is not in the package: ${shipped}`);
  }
  assert.ok(!shipped.some((f) => f.startsWith("test/")), "the tests are not shipped");

  const app = path.join(dir, "app");
  fs.mkdirSync(app);
  fs.writeFileSync(path.join(app, "package.json"), JSON.stringify({ name: "app", version: "1.0.0", private: true }));
  npm(["install", "--offline", "--no-audit", "--no-fund", path.join(dir, path.basename(filename))], app);
  for (const name of ["consumer.mjs", "consumer.cjs"]) fs.copyFileSync(path.join(here, "programs", name), path.join(app, name));

  let keyFile = "-";
  if (!needsTool) {
    const phrase = path.join(dir, "phrase");
    fs.writeFileSync(phrase, "consumer phrase");
    keyFile = path.join(dir, "tool.key");
    tool("keygen", "--passphrase-file", phrase, "-o", keyFile);
  }
  const run = (name, ...args) => execFileSync(process.execPath, [name, ...args], { cwd: app }).toString();
  assert.match(run("consumer.mjs", DATA, keyFile), /all held/);
  assert.match(run("consumer.cjs"), /all held/);
});
