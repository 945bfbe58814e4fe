// The installed package through require(): the same names, after ready().
const assert = require("node:assert/strict");
const eccrypt = require("eccrypt");

eccrypt.ready().then(() => {
  const pair = eccrypt.KeyPair.generate();
  const sealed = eccrypt.seal("through require", [pair.publicKey]);
  assert.equal(new TextDecoder().decode(eccrypt.open(sealed, pair)), "through require");
  const signature = eccrypt.sign("m", pair);
  assert.throws(() => eccrypt.verify("n", signature, pair.publicKey), eccrypt.BadSignature);
  assert.ok(new eccrypt.BadSignature(10, "x") instanceof eccrypt.EccryptError);
  console.log("consumer.cjs: all held");
});
