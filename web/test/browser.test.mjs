// The page in a real browser: headless Chromium opens web/index.html from file://, files are
// chosen through its file inputs, and what it saves is checked against the eccrypt tool, both
// ways. Any request that would leave the machine fails the run.
//
// ECCRYPT_TOOL: the tool (default build/release/tool/eccrypt); ECCRYPT_WEB_PAGE: the page
// (default web/index.html); CHROMIUM: the browser binary. The screenshot is written to
// build/web/page.png.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdtempSync, readFileSync, writeFileSync, mkdirSync, rmSync, existsSync } from "node:fs";
import { tmpdir } from "node:os";
import { join, resolve, dirname } from "node:path";
import { fileURLToPath, pathToFileURL } from "node:url";
import { randomBytes } from "node:crypto";
import { Session } from "./page.mjs";

const repo = resolve(dirname(fileURLToPath(import.meta.url)), "../..");
const tool = resolve(repo, process.env.ECCRYPT_TOOL || "build/release/tool/eccrypt");
const page = resolve(repo, process.env.ECCRYPT_WEB_PAGE || "web/index.html");
const shots = resolve(repo, "build/web");
const data = join(repo, "tests/tool/data");

const PHRASE = "correct horse battery staple, in the browser";
let dir;
let session;
let tab;
let probeId;

function eccrypt(args, input) {
  return execFileSync(tool, args, { input, stdio: ["pipe", "pipe", "pipe"] });
}

function at(name) {
  return join(dir, name);
}

before(async () => {
  for (const [what, path] of [["eccrypt tool", tool], ["page (run scripts/build-web.sh)", page]]) {
    if (!existsSync(path)) throw new Error(`no ${what} at ${path}`);
  }
  dir = mkdtempSync(join(tmpdir(), "eccrypt-web-test-"));
  writeFileSync(at("phrase"), `${PHRASE}\n`);
  writeFileSync(at("tool.pub"), eccrypt(["keygen", "--passphrase-file", at("phrase"), "-o", at("tool.key")]));
  writeFileSync(at("other.pub"), eccrypt(["keygen", "--passphrase-file", at("phrase"), "-o", at("other.key")]));
  // Several of the format's 64 KiB chunks and a partial last one.
  writeFileSync(at("report.bin"), randomBytes(5 * 65536 + 1234));
  eccrypt(["encrypt", "-r", `@${at("tool.pub")}`, "-o", at("report.bin.ecc"), at("report.bin")]);
  eccrypt(["sign", "--key", at("tool.key"), "--passphrase-file", at("phrase"), "-c", "made by the tool",
    "-o", at("report.bin.sig"), at("report.bin")]);
  // The same sealed file with one byte of its third chunk flipped, and without its last chunk
  // (1234 bytes and their 17-byte tag), so that it ends before the block marked last.
  const sealed = readFileSync(at("report.bin.ecc"));
  const flipped = Buffer.from(sealed);
  flipped[flipped.length - 3 * 65536] ^= 0x01;
  writeFileSync(at("flipped.ecc"), flipped);
  writeFileSync(at("cut.ecc"), sealed.subarray(0, sealed.length - (1234 + 17)));
  const changed = readFileSync(at("report.bin"));
  changed[100] ^= 0x80;
  writeFileSync(at("changed.bin"), changed);

  session = await Session.start(at("downloads"));
  tab = await session.open(pathToFileURL(page).href);
  const deadline = Date.now() + 60000;
  let engine;
  while ((engine = await tab.eval("document.body.dataset.engine || ''")) === "" && Date.now() < deadline) {
    await new Promise((r) => setTimeout(r, 100));
  }
  assert.equal(engine, "ready", await tab.eval("document.getElementById('engine').textContent"));
});

after(async () => {
  if (tab) {
    mkdirSync(shots, { recursive: true });
    writeFileSync(join(shots, "page.png"), await tab.screenshot());
  }
  if (session) await session.close();
  if (dir) rmSync(dir, { recursive: true, force: true });
});

test("the page forbids connections in its own policy", async () => {
  const csp = await tab.eval(`document.querySelector('meta[http-equiv="Content-Security-Policy"]').content`);
  assert.match(csp, /connect-src 'none'/);
  assert.match(csp, /default-src 'none'/);
  assert.doesNotMatch(csp, /'unsafe-inline'|'unsafe-eval'/);
});

test("decrypts files the tool encrypted, offered only when whole", async (t) => {
  const cases = [
    { name: "streamed, several chunks, dropped on the page", file: at("report.bin.ecc"), key: at("tool.key"), phrase: PHRASE,
      plain: at("report.bin"), save: "report.bin", drop: true },
    { name: "stored armoured file", file: join(data, "v2.txt.ecc.asc"), key: join(data, "v2.key"),
      phrase: readFileSync(join(data, "v2.phrase"), "utf8").replace(/\r?\n$/, ""), plain: join(data, "v2.txt"), save: "v2.txt" },
  ];
  for (const c of cases) {
    await t.test(c.name, async () => {
      await tab[c.drop ? "drop" : "choose"]("decrypt-file", [c.file]);
      await tab[c.drop ? "drop" : "choose"]("decrypt-key", [c.key]);
      await tab.type("decrypt-phrase", c.phrase);
      const outcome = await tab.submit("decrypt");
      assert.ok(outcome.good, outcome.text);
      assert.deepEqual(outcome.links, [c.save]);
      assert.equal(await tab.eval(`document.getElementById("decrypt-phrase").value`), "", "the pass phrase is cleared");
      assert.ok((await tab.save("decrypt", c.save)).equals(readFileSync(c.plain)));
    });
  }
});

test("refuses with a plain message and offers nothing", async (t) => {
  const cases = [
    { name: "wrong pass phrase", file: at("report.bin.ecc"), key: at("tool.key"), phrase: "not the phrase", says: /pass phrase does not unlock/ },
    { name: "another key", file: at("report.bin.ecc"), key: at("other.key"), phrase: PHRASE, says: /not encrypted for your key/ },
    { name: "a damaged chunk", file: at("flipped.ecc"), key: at("tool.key"), phrase: PHRASE, says: /damaged/ },
    { name: "a file cut short", file: at("cut.ecc"), key: at("tool.key"), phrase: PHRASE, says: /incomplete/ },
    { name: "a public key given as key file", file: at("report.bin.ecc"), key: at("tool.pub"), phrase: PHRASE, says: /not an eccrypt key file/ },
  ];
  for (const c of cases) {
    await t.test(c.name, async () => {
      await tab.choose("decrypt-file", [c.file]);
      await tab.choose("decrypt-key", [c.key]);
      await tab.type("decrypt-phrase", c.phrase);
      const outcome = await tab.submit("decrypt");
      assert.equal(outcome.good, false, outcome.text);
      assert.match(outcome.text, c.says);
      assert.deepEqual(outcome.links, []);
    });
  }
});

test("verifies the tool's signature file and refuses a changed file", async () => {
  await tab.choose("verify-file", [at("report.bin")]);
  await tab.choose("verify-sig", [at("report.bin.sig")]);
  await tab.choose("verify-pub", [at("tool.pub")]);
  await tab.type("verify-keytext", "");
  let outcome = await tab.submit("verify");
  assert.ok(outcome.good, outcome.text);
  assert.match(outcome.text, /Good signature/);
  assert.match(outcome.text, /Trusted comment: made by the tool/);

  await tab.choose("verify-file", [at("changed.bin")]);
  outcome = await tab.submit("verify");
  assert.equal(outcome.good, false);
  assert.match(outcome.text, /BAD signature/);
});

test("a file encrypted in the page opens with eccrypt decrypt", async (t) => {
  for (const armor of [false, true]) {
    await t.test(armor ? "armoured" : "binary, streamed", async () => {
      await tab.choose("encrypt-file", [at("report.bin")]);
      await tab.choose("encrypt-pubs", [at("tool.pub")]);
      await tab.type("encrypt-keys", readFileSync(at("other.pub"), "utf8"));
      await tab.check("encrypt-armor", armor);
      const outcome = await tab.submit("encrypt");
      assert.ok(outcome.good, outcome.text);
      assert.match(outcome.text, /2 recipients/);
      const name = armor ? "report.bin.ecc.asc" : "report.bin.ecc";
      const sealed = await tab.save("encrypt", name);
      assert.equal(sealed.subarray(0, 10).toString("latin1") === "-----BEGIN", armor);
      writeFileSync(at(name), sealed);
      for (const key of ["tool.key", "other.key"]) {
        const plain = eccrypt(["decrypt", "--key", at(key), "--passphrase-file", at("phrase"), at(name)]);
        assert.ok(plain.equals(readFileSync(at("report.bin"))), key);
      }
    });
  }
});

test("a key pair made in the page works with the tool", async () => {
  await tab.type("keygen-name", "page");
  await tab.type("keygen-phrase", PHRASE);
  await tab.type("keygen-phrase2", PHRASE);
  const outcome = await tab.submit("keygen");
  assert.ok(outcome.good, outcome.text);
  assert.deepEqual(outcome.links, ["page.key", "page.pub"]);
  writeFileSync(at("page.key"), await tab.save("keygen", "page.key"));
  writeFileSync(at("page.pub"), await tab.save("keygen", "page.pub"));
  assert.equal(eccrypt(["pubkey", "--passphrase-file", at("phrase"), at("page.key")]).toString().trim(),
    readFileSync(at("page.pub"), "utf8").trim());

  // The tool encrypts to the page's key, and the page's key file decrypts it in the tool.
  eccrypt(["encrypt", "-r", `@${at("page.pub")}`, "-o", at("to-page.ecc"), at("report.bin")]);
  const plain = eccrypt(["decrypt", "--key", at("page.key"), "--passphrase-file", at("phrase"), at("to-page.ecc")]);
  assert.ok(plain.equals(readFileSync(at("report.bin"))));

  // The page signs with its key file; the tool verifies.
  await tab.choose("sign-file", [at("report.bin")]);
  await tab.choose("sign-key", [at("page.key")]);
  await tab.type("sign-phrase", PHRASE);
  await tab.type("sign-comment", "signed in the browser");
  const signed = await tab.submit("sign");
  assert.ok(signed.good, signed.text);
  writeFileSync(at("report.bin.sig"), await tab.save("sign", "report.bin.sig"));
  const said = eccrypt(["verify", "--key", `@${at("page.pub")}`, "--signature", at("report.bin.sig"), at("report.bin")]).toString();
  assert.match(said, /Good signature/);
  assert.match(said, /Trusted comment: signed in the browser/);
});

test("the guard sees a request that leaves a page", async () => {
  // A page without the policy asks for an image from elsewhere: the guard that watches the
  // page above must record it, or its silence there would prove nothing.
  const probe = await session.open(`data:text/html,<img src="http://eccrypt.invalid/probe.png">`);
  await probe.eval("new Promise((r) => setTimeout(r, 300))");
  const seen = session.requests.filter((r) => r.sessionId === probe.id).map((r) => r.url);
  assert.ok(seen.includes("http://eccrypt.invalid/probe.png"), JSON.stringify(seen));
  probeId = probe.id;
});

test("no request left the machine and nothing failed in the page", () => {
  const others = (list) => list.filter((r) => r.sessionId !== probeId);
  assert.deepEqual(others(session.requests), []);
  assert.deepEqual(others(session.problems), []);
});
