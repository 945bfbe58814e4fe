// Component: the component's texts and behaviour through JavaScript.
import assert from "node:assert/strict";
import { createHash } from "node:crypto";
import { describe, it } from "node:test";

import * as eccrypt from "../index.mjs";
import { readVectors, stored, storedText } from "./support.mjs";

await eccrypt.ready();
const { Component, KeyPair } = eccrypt;
const sha1 = (data) => new Uint8Array(createHash("sha1").update(data).digest());
const sha256First20 = (data) => new Uint8Array(createHash("sha256").update(data).digest()).subarray(0, 20);

describe("Component", () => {
  for (const record of readVectors("passPhraseKeys.vec")) {
    it(`makeKey gives the stored ${record.mode} texts, as KeyPair.fromPassphrase does`, () => {
      const c = new Component({ ioMode: record.mode });
      c.passPhrase = record.phrase;
      c.makeKey();
      assert.deepEqual([c.keyPublic, c.keySecret], [record.public, record.secret]);
      assert.equal(KeyPair.fromPassphrase(record.phrase).publicKey.toText(record.mode), c.keyPublic);
    });
  }

  for (const mode of ["base64", "hex"]) {
    it(`encrypts, decrypts, signs and verifies (${mode})`, () => {
      const owner = new Component({ ioMode: mode });
      owner.passPhrase = "component owner";
      owner.makeKey();
      const sender = new Component({ ioMode: mode });
      sender.keyPublic = owner.keyPublic;
      sender.encrypt();
      assert.ok(sender.keySession && sender.exchangedValue);
      owner.exchangedValue = sender.exchangedValue;
      owner.decrypt();
      assert.equal(owner.keySession, sender.keySession);
      const digest = sha1("signed");
      owner.sign(digest);
      const checker = new Component({ ioMode: mode });
      checker.keyPublic = owner.keyPublic;
      checker.signature = owner.signature;
      assert.equal(checker.verify(digest), true);
      assert.equal(checker.valid, true);
      assert.equal(checker.verify(sha1("other")), false);
      checker.signature = "no separator";
      assert.equal(checker.verify(digest), false);
    });
  }

  it("agrees with the typed interface", () => {
    const pair = KeyPair.generate();
    const c = new Component({ ioMode: "hex" });
    c.keyPublic = pair.publicKey.toText("hex");
    c.encrypt();
    const decrypter = new Component({ ioMode: "hex" });
    decrypter.keySecret = pair.secretKey.toText("hex");
    decrypter.exchangedValue = c.exchangedValue;
    decrypter.decrypt();
    assert.equal(decrypter.keySession, c.keySession);
  });

  const legacySignatures = [
    ["legacy.txt.sig", "legacy.pub", "base64", sha256First20],
    ["legacy.txt.sha1.sig", "legacy-hex.pub", "hex", sha1],
  ];
  for (const [sig, pub, mode, digest] of legacySignatures) {
    it(`verifies the stored ${sig}`, () => {
      const c = new Component({ ioMode: mode });
      c.keyPublic = storedText(pub).trim();
      c.signature = storedText(sig).trim();
      assert.equal(c.verify(digest(stored("legacy.txt"))), true);
    });
  }

  it("reproduces the stored legacy key pair", () => {
    const phrase = storedText("legacy.phrase");
    const c = new Component();
    c.passPhrase = phrase;
    c.makeKey();
    assert.equal(c.keyPublic, storedText("legacy.pub").trim());
    assert.equal(KeyPair.fromPassphrase(phrase).publicKey.toText(), c.keyPublic);
  });

  const badInputs = [
    ["encrypt with no key", (c) => { c.keyPublic = ""; c.encrypt(); }],
    ["encrypt to a non-point", (c) => { c.keyPublic = "0000"; c.encrypt(); }],
    ["a key too long", (c) => { c.keyPublic = "A".repeat(200); c.encrypt(); }],
    ["decrypt with no secret", (c) => { c.keySecret = ""; c.decrypt(); }],
    ["decrypt a bad exchanged value", (c) => { c.exchangedValue = "!!"; c.decrypt(); }],
    ["sign a short digest", (c) => c.sign(new Uint8Array(5))],
    ["sign something not bytes", (c) => c.sign("not bytes")],
    ["verify a short digest", (c) => c.verify(new Uint8Array(5))],
  ];
  for (const [name, operation] of badInputs) {
    it(`${name}: clears, keeps the pass phrase, never throws`, () => {
      const c = new Component();
      c.passPhrase = "kept";
      c.makeKey();
      c.signature = "abc:def";
      c.valid = true;
      operation(c);
      assert.equal(c.valid, false);
      assert.deepEqual([c.keySecret, c.signature, c.keySession], ["", "", ""]);
      assert.equal(c.passPhrase, "kept");
    });
  }

  it("never shows its secrets, and takes only its io modes", () => {
    const c = new Component();
    c.passPhrase = "hidden phrase";
    c.makeKey();
    const shown = String(c);
    assert.ok(!shown.includes("hidden phrase") && !shown.includes(c.keySecret));
    assert.equal(c.ioMode, "base64");
    c.ioMode = "hex";
    assert.equal(c.ioMode, "hex");
    c.ioMode = "radix64";
    assert.equal(c.ioMode, "base64");
    assert.throws(() => { c.ioMode = "octal"; }, TypeError);
    c.dispose();
    assert.throws(() => c.keyPublic, (e) => e instanceof eccrypt.EccryptError);
  });
});
