// The README's complete JavaScript program, as it stands there, runs against this package.
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { it } from "node:test";
import { fileURLToPath } from "node:url";

import { REPO, tempDir } from "./support.mjs";

it("the README's example runs and prints what it says", () => {
  const text = fs.readFileSync(path.join(REPO, "README.md"), "utf8");
  const start = text.indexOf("<!-- example: javascript -->");
  assert.ok(start >= 0);
  const body = text.slice(start).split("```js\n")[1].split("\n```")[0];
  // The program imports "eccrypt": give it this package under that name.
  const dir = tempDir();
  const modules = path.join(dir, "node_modules");
  fs.mkdirSync(modules);
  fs.symlinkSync(path.resolve(path.dirname(fileURLToPath(import.meta.url)), ".."), path.join(modules, "eccrypt"));
  fs.writeFileSync(path.join(dir, "example.mjs"), body + "\n");
  const out = execFileSync(process.execPath, ["example.mjs"], { cwd: dir }).toString();
  assert.ok(out.trimEnd().endsWith("all done"), out);
  assert.ok(!out.includes("false"), out);
  assert.match(out, /refused: ECCRYPT_E_BAD_SIGNATURE/);
});
