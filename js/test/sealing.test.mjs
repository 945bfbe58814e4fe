// Sealed data: seal, open and their streams; interop with the eccrypt tool and the stored
// files; errors.
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { execFileSync } from "node:child_process";
import { describe, it } from "node:test";
import { fileURLToPath } from "node:url";

import * as eccrypt from "../index.mjs";
import { collect, needsTool, phraseOf, piecesOf, randomBytes, stored, tempDir, tool } from "./support.mjs";

await eccrypt.ready();
const { KeyPair, PublicKey, DecryptionError, EccryptError, seal, open, sealStream, openStream } = eccrypt;
const alice = KeyPair.generate();
const bob = KeyPair.generate();

function flip(data, at) {
  const changed = data.slice();
  changed[at] ^= 1;
  return changed;
}

describe("seal and open", () => {
  for (const armor of [false, true]) {
    for (const size of [0, 1, 65535, 65536, 65537, 200000]) {
      it(`${size} bytes sealed to two keys open with each${armor ? ", armoured" : ""}`, () => {
        const data = randomBytes(size);
        const sealed = seal(data, [alice.publicKey, bob.publicKey], { armor });
        assert.deepEqual(open(sealed, alice), data);
        assert.deepEqual(open(sealed, bob.secretKey), data);
        assert.deepEqual(open(sealed.buffer, alice), data);
      });
    }
  }

  it("takes one key, strings as UTF-8 and typed arrays", () => {
    assert.deepEqual(open(seal("añb", alice.publicKey), alice), new TextEncoder().encode("añb"));
    const words = new Uint16Array([1, 2, 3]);
    assert.deepEqual(open(seal(words, [alice.publicKey]), alice), new Uint8Array(words.buffer));
  });

  it("refuses what does not open with DecryptionError and changes nothing", () => {
    const data = randomBytes(100000);
    const sealed = seal(data, [alice.publicKey]);
    const kept = sealed.slice();
    const twice = new Uint8Array([...sealed, ...sealed]);
    const cases = [
      ["another key", sealed, bob, "ECCRYPT_E_NO_MATCHING_KEY"],
      ["truncated", sealed.subarray(0, sealed.length - 20), alice, null],
      ["a damaged block", flip(sealed, sealed.length - 100), alice, "ECCRYPT_E_DAMAGED"],
      ["more data after the end", twice, alice, null],
      ["not sealed data", new TextEncoder().encode("hello world"), alice, "ECCRYPT_E_MALFORMED"],
      ["nothing", new Uint8Array(0), alice, null],
    ];
    for (const [name, bad, key, code] of cases) {
      const before = bad.slice();
      assert.throws(
        () => open(bad, key),
        (e) => e instanceof DecryptionError && e.message.length > 0 && (code === null || e.code === code),
        name,
      );
      assert.deepEqual(bad, before, name);
    }
    assert.deepEqual(sealed, kept);
    assert.deepEqual(open(sealed, alice), data);
  });

  it("refuses bad arguments", () => {
    assert.throws(() => seal("x", []), (e) => e instanceof EccryptError && e.code === "ECCRYPT_E_INVALID_ARGUMENT");
    assert.throws(() => seal("x", ["not a key"]), TypeError);
    assert.throws(() => seal(12, alice.publicKey), TypeError);
    assert.throws(() => open(new Uint8Array(1), alice.publicKey), TypeError);
  });

  const storedFiles = [
    ["v2.txt.ecc", "v2.key", "v2.phrase", "v2.txt"],
    ["v2.txt.ecc", "v2-hex.key", "v2.phrase", "v2.txt"],
    ["v2.txt.ecc.asc", "v2.key", "v2.phrase", "v2.txt"],
    ["library.txt.ecc", "library.key", "library.phrase", "v2.txt"],
    ["library.txt.ecc.asc", "library.key", "library.phrase", "v2.txt"],
    ["legacy.txt.ecc", "legacy.key", null, "legacy.txt"],
    ["legacy-seq-hex.ecc", "legacy-hex.key", null, null],
  ];
  for (const [name, key, phrase, plain] of storedFiles) {
    it(`stored ${name} opens with ${key}`, () => {
      const pair = KeyPair.fromKeyFile(stored(key), phrase ? phraseOf(phrase) : undefined);
      const opened = open(stored(name), pair);
      if (plain) {
        assert.deepEqual(opened, stored(plain));
      } else {
        const lines = Array.from({ length: 20000 }, (_, i) => `${i + 1}\n`).join("");
        assert.deepEqual(opened, new TextEncoder().encode(lines));
      }
    });
  }
});

describe("sealStream and openStream", () => {
  for (const [size, piece] of [[0, 1000], [10, 3], [65536 * 3 + 5, 65536], [200000, 7777]]) {
    it(`${size} bytes in pieces of ${piece} match the in-memory forms`, async () => {
      const data = randomBytes(size);
      const sealed = await collect(piecesOf(data, piece).pipeThrough(sealStream([alice.publicKey, bob.publicKey])));
      assert.deepEqual(open(sealed, bob), data);
      for (const armor of [false, true]) {
        const opened = await collect(piecesOf(seal(data, alice.publicKey, { armor }), piece).pipeThrough(openStream(alice)));
        assert.deepEqual(opened, data);
      }
    });
  }

  const badStreams = [
    ["truncated", (s) => s.subarray(0, 100000), null],
    ["damaged", (s) => flip(s, 150000), "ECCRYPT_E_DAMAGED"],
    ["not sealed", () => new TextEncoder().encode("hello world, no header"), null],
  ];
  for (const [name, change, code] of badStreams) {
    it(`openStream rejects ${name} data with DecryptionError`, async () => {
      const sealed = change(seal(randomBytes(200000), alice.publicKey));
      await assert.rejects(
        collect(piecesOf(sealed, 65536).pipeThrough(openStream(alice))),
        (e) => e instanceof DecryptionError && (code === null || e.code === code),
      );
    });
  }
});

describe("interop with the eccrypt tool", { skip: needsTool }, () => {
  it("opens what the tool seals, and the tool opens what is sealed here", async () => {
    const dir = tempDir();
    const phraseFile = path.join(dir, "phrase");
    fs.writeFileSync(phraseFile, "interop pass phrase");
    const keyFile = path.join(dir, "k.key");
    const pub = PublicKey.fromText(tool("keygen", "--passphrase-file", phraseFile, "-o", keyFile).trim());
    const pair = KeyPair.fromKeyFile(fs.readFileSync(keyFile), "interop pass phrase");
    const data = randomBytes(150000);
    for (const armor of [false, true]) {
      const sealedFile = path.join(dir, `js${armor}.ecc`);
      fs.writeFileSync(sealedFile, seal(data, [pub, alice.publicKey], { armor }));
      const out = path.join(dir, `js${armor}.out`);
      tool("decrypt", "--key", keyFile, "--passphrase-file", phraseFile, "-o", out, sealedFile);
      assert.deepEqual(new Uint8Array(fs.readFileSync(out)), data);
    }
    const streamed = path.join(dir, "stream.ecc");
    fs.writeFileSync(streamed, await collect(piecesOf(data, 10000).pipeThrough(sealStream(pub))));
    tool("decrypt", "--key", keyFile, "--passphrase-file", phraseFile, "-o", path.join(dir, "s.out"), streamed);
    assert.deepEqual(new Uint8Array(fs.readFileSync(path.join(dir, "s.out"))), data);

    const plain = path.join(dir, "plain");
    fs.writeFileSync(plain, data);
    for (const armor of [[], ["-a"]]) {
      const byTool = path.join(dir, `tool${armor.length}.ecc`);
      tool("encrypt", ...armor, "-r", pub.toText(), "-o", byTool, plain);
      assert.deepEqual(open(fs.readFileSync(byTool), pair), data);
    }
    const opened = await collect(piecesOf(new Uint8Array(fs.readFileSync(path.join(dir, "tool0.ecc"))), 4096).pipeThrough(openStream(pair)));
    assert.deepEqual(opened, data);
  });
});

describe("streams in constant memory", () => {
  it("100 MB sealed and opened in pieces, in a fresh process, without the memory growing with it", () => {
    const size = 100 * 1024 * 1024;
    const script = new URL("./programs/stream100.mjs", import.meta.url);
    const out = execFileSync(process.execPath, [fileURLToPath(script), String(size)]).toString();
    const { count, same, growth } = JSON.parse(out);
    assert.equal(count, size);
    assert.ok(same);
    // The engine's own heaps settle near 40 MiB whatever the size; holding the data would
    // add its 100 MiB at least.
    assert.ok(growth < 80, `resident memory grew by ${growth.toFixed(1)} MiB`);
  });
});
