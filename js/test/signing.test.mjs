// Signed messages: sign, verify and their streaming forms; interop with the tool and the
// stored signature files.
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { describe, it } from "node:test";

import * as eccrypt from "../index.mjs";
import { needsTool, piecesOf, stored, storedText, tempDir, tool } from "./support.mjs";

await eccrypt.ready();
const { KeyPair, PublicKey, BadSignature, EccryptError, sign, verify, signStream, verifyStream } = eccrypt;
const pair = KeyPair.generate();

describe("sign and verify", () => {
  const data = new TextEncoder().encode("a message".repeat(1000));
  for (const form of ["base64", "hex"]) {
    for (const comment of [undefined, "", "release 1.2", "ünïcode ✓"]) {
      it(`${form} signature with comment ${JSON.stringify(comment)} verifies in every form`, async () => {
        const signature = sign(data, pair, { comment, form });
        assert.ok(signature.startsWith("eccrypt signature 2\n"));
        assert.equal(verify(data, signature, pair.publicKey), comment ?? "");
        assert.equal(verify(data, new TextEncoder().encode(signature), pair), comment ?? "");
        assert.equal(await verifyStream(piecesOf(data, 1000), signature, pair.publicKey), comment ?? "");
      });
    }
  }

  it("signStream makes a signature verify accepts; strings sign as UTF-8", async () => {
    const big = new Uint8Array(256000).map((_, i) => i);
    const signature = await signStream(piecesOf(big, 65536), pair.secretKey, { comment: "streamed", untrustedComment: "note" });
    assert.ok(signature.includes("untrusted comment: note"));
    assert.equal(verify(big, signature, pair.publicKey), "streamed");
    assert.equal(verify(new TextEncoder().encode("añb"), sign("añb", pair, { comment: "s" }), pair.publicKey), "s");
  });

  it("refuses every change with BadSignature", async () => {
    const message = new TextEncoder().encode("the message");
    const signature = sign(message, pair, { comment: "trusted" });
    const cases = [
      ["a changed message", new TextEncoder().encode("the messagE"), signature, pair.publicKey],
      ["a changed trusted comment", message, signature.replace("trusted comment: trusted", "trusted comment: trustee"), pair.publicKey],
      ["another key", message, signature, KeyPair.generate().publicKey],
      ["not a signature file", message, "hello", pair.publicKey],
      ["nothing", message, "", pair.publicKey],
    ];
    for (const [name, m, sig, key] of cases) {
      assert.throws(() => verify(m, sig, key), (e) => e instanceof BadSignature && e.message.length > 0, name);
      await assert.rejects(verifyStream(piecesOf(m, 3), sig, key), BadSignature, name);
    }
    // The untrusted comment is not covered.
    const edited = signature.replace("untrusted comment: ", "untrusted comment: edited");
    assert.equal(verify(message, edited, pair.publicKey), "trusted");
  });

  it("refuses comments it cannot write", () => {
    for (const comment of ["x".repeat(1025), "line\nbreak", "\x1b[8m"]) {
      assert.throws(() => sign("m", pair, { comment }), (e) => e instanceof EccryptError && !(e instanceof BadSignature));
    }
    assert.throws(() => sign("m", pair.publicKey), TypeError);
  });

  const storedSignatures = [
    ["sigfile2.sig", "v2.pub", "stored sample, signature file version 2"],
    ["library.txt.sig", "library.pub", "made by the library"],
  ];
  for (const [sig, pub, expected] of storedSignatures) {
    it(`stored ${sig} verifies, and not on changed data`, () => {
      const key = PublicKey.fromText(storedText(pub).trim());
      const data = stored("v2.txt");
      assert.equal(verify(data, storedText(sig), key), expected);
      assert.throws(() => verify(new Uint8Array([...data, 33]), storedText(sig), key), BadSignature);
    });
  }

  it("refuses signature files of version 1", () => {
    const key = PublicKey.fromText(storedText("v2.pub").trim());
    assert.throws(() => verify(stored("v2.txt"), storedText("v2.txt.sig"), key), (e) => e instanceof BadSignature && e.code === "ECCRYPT_E_UNSUPPORTED_VERSION");
  });
});

describe("interop with the eccrypt tool", { skip: needsTool }, () => {
  it("the tool verifies signatures made here, and these verify the tool's", () => {
    const dir = tempDir();
    const phraseFile = path.join(dir, "phrase");
    fs.writeFileSync(phraseFile, "signing pass phrase");
    const keyFile = path.join(dir, "k.key");
    const pub = PublicKey.fromText(tool("keygen", "--passphrase-file", phraseFile, "-o", keyFile).trim());
    const signer = KeyPair.fromKeyFile(fs.readFileSync(keyFile, "utf8"), "signing pass phrase");
    const doc = path.join(dir, "doc.txt");
    fs.writeFileSync(doc, "signed by both\n".repeat(100));
    fs.writeFileSync(doc + ".sig", sign(fs.readFileSync(doc), signer, { comment: "from javascript" }));
    assert.ok(tool("verify", "--key", pub.toText(), doc).includes("from javascript"));
    tool("sign", "--key", keyFile, "--passphrase-file", phraseFile, "-c", "from the tool", "-o", path.join(dir, "tool.sig"), doc);
    assert.equal(verify(fs.readFileSync(doc), fs.readFileSync(path.join(dir, "tool.sig"), "utf8"), pub), "from the tool");
  });
});
