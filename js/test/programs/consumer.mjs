// A program that uses the installed package by its promised names only (import form).
// Arguments: the stored test data folder, and a key file made by `eccrypt keygen` with the
// pass phrase "consumer phrase" (or "-" when the tool is not at hand).
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";

import { BadSignature, Component, KeyPair, PublicKey, open, ready, seal, sign, verify } from "eccrypt";

const [data, toolKeyFile] = process.argv.slice(2);
await ready();

// Two random key pairs; data sealed to both opens with each.
const alice = KeyPair.generate();
const bob = KeyPair.generate();
const message = new TextEncoder().encode("for both of you");
const sealed = seal(message, [alice.publicKey, PublicKey.fromText(bob.publicKey.toText("hex"))], { armor: true });
assert.deepEqual(open(sealed, alice), message);
assert.deepEqual(open(sealed, bob), message);

// A protected key file made by the tool opens with its phrase.
if (toolKeyFile !== "-") {
  const pair = KeyPair.fromKeyFile(fs.readFileSync(toolKeyFile, "utf8"), "consumer phrase");
  assert.deepEqual(open(seal(message, [pair.publicKey]), pair), message);
}

// A signed message verifies; a changed one is refused.
const signature = sign(message, alice, { comment: "signed by alice" });
assert.equal(verify(message, signature, alice.publicKey), "signed by alice");
assert.throws(() => verify(new TextEncoder().encode("for both of yoU"), signature, alice.publicKey), BadSignature);

// The stored legacy pass-phrase key pair, through the component and through KeyPair.
const phrase = fs.readFileSync(path.join(data, "legacy.phrase"), "utf8");
const legacy = fs.readFileSync(path.join(data, "legacy.pub"), "utf8").trim();
const component = new Component();
component.passPhrase = phrase;
component.makeKey();
assert.equal(component.keyPublic, legacy);
assert.equal(KeyPair.fromPassphrase(phrase).publicKey.toText(), legacy);
console.log("consumer.mjs: all held");
