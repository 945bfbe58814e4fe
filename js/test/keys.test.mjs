// Keys: KeyPair, PublicKey, SecretKey, their texts, key files, key agreement and errors.
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { describe, it } from "node:test";
import util from "node:util";

import * as eccrypt from "../index.mjs";
import { needsTool, phraseOf, readVectors, stored, storedText, tempDir, tool, DATA } from "./support.mjs";

await eccrypt.ready();
const { KeyPair, PublicKey, InvalidKey, DecryptionError, EccryptError } = eccrypt;
const pair = KeyPair.generate();

function throwsNamed(f, cls, code) {
  assert.throws(f, (e) => {
    assert.ok(e instanceof cls, `${e.name} is not ${cls.name}: ${e.message}`);
    assert.ok(e instanceof EccryptError && e instanceof Error);
    if (code) assert.equal(e.code, code, e.message);
    assert.ok(e.message.length > 0);
    return true;
  });
}

it("ready() loads the WebAssembly once: every call gives the same promise", () => {
  assert.equal(eccrypt.ready(), eccrypt.ready());
  assert.match(eccrypt.version(), /^\d+\.\d+$/);
});

describe("KeyPair", () => {
  it("generate gives distinct pairs that read back from their secret texts", () => {
    const other = KeyPair.generate();
    assert.ok(!other.publicKey.equals(pair.publicKey));
    for (const form of ["base64", "radix64", "hex"]) {
      assert.ok(KeyPair.fromText(pair.secretKey.toText(form)).publicKey.equals(pair.publicKey));
    }
  });

  for (const record of readVectors("passPhraseKeys.vec")) {
    it(`fromPassphrase gives the stored ${record.mode} texts`, () => {
      const derived = KeyPair.fromPassphrase(record.phrase);
      assert.equal(derived.publicKey.toText(record.mode), record.public);
      assert.equal(derived.secretKey.toText(record.mode), record.secret);
      assert.ok(KeyPair.fromText(record.secret).publicKey.equals(derived.publicKey));
      assert.ok(KeyPair.fromPassphrase(new TextEncoder().encode(record.phrase)).publicKey.equals(derived.publicKey));
    });
  }

  const badSecrets = [
    ["", "ECCRYPT_E_EMPTY"],
    ["!!", "ECCRYPT_E_BAD_CHARACTER"],
    ["0", null],
    ["F".repeat(64), null],
  ];
  for (const [text, code] of badSecrets) {
    it(`fromText refuses ${JSON.stringify(text.slice(0, 8))} with InvalidKey`, () => {
      throwsNamed(() => KeyPair.fromText(text), InvalidKey, code);
    });
  }

  it("never shows the secret key", () => {
    const secrets = ["base64", "hex"].map((form) => pair.secretKey.toText(form));
    const shown = [String(pair), JSON.stringify(pair), util.inspect(pair, { depth: 5 }), String(pair.secretKey),
      JSON.stringify({ k: pair.secretKey }), util.inspect(pair.secretKey, { depth: 5 })];
    for (const text of shown) for (const secret of secrets) assert.ok(!text.includes(secret), text);
    assert.ok(String(pair).includes(pair.publicKey.toText()));
  });

  it("cannot be used after dispose", () => {
    const gone = KeyPair.generate();
    const publicKey = gone.publicKey;
    gone.dispose();
    gone.dispose();
    throwsNamed(() => gone.secretKey.toText(), EccryptError, "ECCRYPT_E_INVALID_ARGUMENT");
    throwsNamed(() => eccrypt.sign("m", gone), EccryptError, "ECCRYPT_E_INVALID_ARGUMENT");
    assert.ok(publicKey.equals(gone.publicKey));
  });
});

describe("PublicKey", () => {
  for (const form of ["base64", "radix64", "hex"]) {
    it(`reads back its ${form} text and its bytes`, () => {
      const key = pair.publicKey;
      const text = key.toText(form);
      assert.ok(PublicKey.fromText(text).equals(key));
      assert.ok(PublicKey.fromBytes(key.toBytes()).equals(key));
      assert.equal(key.toBytes().length, 32);
      assert.equal(String(key), key.toText());
    });
  }

  const hexKey = "AC11ED22C5CCF55C127BF8E8754316ECD65A9D73F090972A658399B700025A60";
  const badTexts = [
    ["", "ECCRYPT_E_EMPTY"],
    ["abc!", "ECCRYPT_E_BAD_CHARACTER"],
    ["A".repeat(200), "ECCRYPT_E_TOO_LONG"],
    ["0000" + hexKey, "ECCRYPT_E_TOO_LONG"],
    ["0001" + hexKey.slice(4), "ECCRYPT_E_NOT_A_GROUP_POINT"],
  ];
  for (const [text, code] of badTexts) {
    it(`fromText refuses ${JSON.stringify(text.slice(0, 12))}: ${code}`, () => {
      throwsNamed(() => PublicKey.fromText(text), InvalidKey, code);
    });
  }

  const badBytes = [new Uint8Array(0), new Uint8Array(32), new Uint8Array(32).fill(0xff), new Uint8Array(31).fill(1)];
  for (const bytes of badBytes) {
    it(`fromBytes refuses ${bytes.length} bytes of ${bytes[0] ?? "nothing"} and leaves them unchanged`, () => {
      const before = bytes.slice();
      throwsNamed(() => PublicKey.fromBytes(bytes), InvalidKey);
      assert.deepEqual(bytes, before);
    });
  }

  it("refuses arguments of the wrong type with TypeError", () => {
    assert.throws(() => PublicKey.fromText(12), TypeError);
    assert.throws(() => pair.publicKey.toText("octal"), TypeError);
    assert.throws(() => new PublicKey(), TypeError);
  });

  it("has the key id the tool shows", { skip: needsTool }, () => {
    const shown = tool("pubkey", "--id", path.join(DATA, "v2.pub")).trim();
    assert.equal(PublicKey.fromText(storedText("v2.pub").trim()).keyId, shown);
  });
});

describe("key files", () => {
  it("round-trip under a pass phrase and refuse a wrong one, leaving the file unchanged", () => {
    const text = pair.toKeyFile("a good pass phrase");
    assert.ok(KeyPair.fromKeyFile(text, "a good pass phrase").publicKey.equals(pair.publicKey));
    const bytes = new TextEncoder().encode(text);
    const before = bytes.slice();
    throwsNamed(() => KeyPair.fromKeyFile(bytes, "another phrase"), DecryptionError, "ECCRYPT_E_WRONG_PASS_PHRASE");
    assert.deepEqual(bytes, before);
    throwsNamed(() => KeyPair.fromKeyFile("not a key file", "x"), InvalidKey, "ECCRYPT_E_MALFORMED");
    throwsNamed(() => pair.toKeyFile(""), EccryptError, "ECCRYPT_E_PASS_PHRASE_REFUSED");
  });

  const storedKeys = [
    ["v2.key", "v2.phrase", "v2.pub"],
    ["v2-hex.key", "v2.phrase", "v2-hex.pub"],
    ["v2-linebreak.key", "v2-linebreak.phrase", "v2-linebreak.pub"],
    ["v2-trailing.key", "v2-trailing.phrase", "v2-trailing.pub"],
    ["library.key", "library.phrase", "library-key.pub"],
    ["legacy.key", null, "legacy.pub"],
  ];
  for (const [key, phrase, pub] of storedKeys) {
    it(`stored ${key} opens to ${pub}`, () => {
      const opened = KeyPair.fromKeyFile(stored(key), phrase ? phraseOf(phrase) : undefined);
      assert.ok(opened.publicKey.equals(PublicKey.fromText(storedText(pub).trim())));
    });
  }

  it("made by eccrypt keygen open, and those made here work with the tool", { skip: needsTool }, () => {
    const dir = tempDir();
    const phraseFile = path.join(dir, "phrase");
    fs.writeFileSync(phraseFile, "tool-made key file phrase");
    const keyFile = path.join(dir, "k.key");
    const pub = tool("keygen", "--passphrase-file", phraseFile, "-o", keyFile).trim();
    const opened = KeyPair.fromKeyFile(fs.readFileSync(keyFile, "utf8"), "tool-made key file phrase");
    assert.ok(opened.publicKey.equals(PublicKey.fromText(pub)));

    const mine = path.join(dir, "mine.key");
    fs.writeFileSync(mine, pair.toKeyFile("tool-made key file phrase", { form: "hex" }));
    const shown = tool("pubkey", "--passphrase-file", phraseFile, mine).trim();
    assert.ok(PublicKey.fromText(shown).equals(pair.publicKey));
  });
});

describe("encapsulate and decapsulate", () => {
  for (const form of ["base64", "hex"]) {
    it(`agree one session key (${form} texts)`, () => {
      const made = eccrypt.encapsulate(pair.publicKey);
      assert.equal(made.exchanged.length, 32);
      assert.equal(made.sessionKey.length, 32);
      assert.deepEqual(eccrypt.decapsulate(made.exchanged, pair), made.sessionKey);
      const text = eccrypt.exchangedValueText(made.exchanged, form);
      assert.deepEqual(eccrypt.decapsulate(text, pair.secretKey), made.sessionKey);
      assert.notDeepEqual(eccrypt.decapsulate(made.exchanged, KeyPair.generate()), made.sessionKey);
    });
  }

  for (const bad of ["", "!!", new Uint8Array(32), new Uint8Array(5).fill(1)]) {
    it(`decapsulate refuses ${typeof bad === "string" ? JSON.stringify(bad) : bad.length + " bytes"}`, () => {
      throwsNamed(() => eccrypt.decapsulate(bad, pair), InvalidKey);
    });
  }
});
