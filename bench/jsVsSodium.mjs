// Speed of the JavaScript package's WebAssembly beside libsodium's own WebAssembly build
// (libsodium-wrappers), side by side in one Node process: decapsulation against X25519
// (crypto_scalarmult) and signature verification against Ed25519 (crypto_sign_verify_detached).
// The two sides of each comparison run in turn, after a warm-up; the figures are medians.
//
// Usage, after bash scripts/build-js.sh:
//   (cd js && npm install) && node bench/jsVsSodium.mjs [runs]   (libsodium-wrappers is a dev dependency)
import { createRequire } from "node:module";
import { performance } from "node:perf_hooks";

import * as eccrypt from "../js/index.mjs";

const require = createRequire(new URL("../js/package.json", import.meta.url));
const sodium = require("libsodium-wrappers");

const runs = Number(process.argv[2] || 7);

// Microseconds per call of f and of g, and their ratio: runs of `calls` calls of each in turn,
// so that both see the same load on a shared machine; the medians over `runs` runs.
function race(calls, f, g) {
  for (let i = 0; i < Math.max(3, calls / 10); i++) f(), g();
  const fs = [];
  const gs = [];
  const ratios = [];
  const perCall = (h, n) => {
    const start = performance.now();
    for (let i = 0; i < n; i++) h();
    return ((performance.now() - start) * 1000) / n;
  };
  for (let r = 0; r < runs; r++) {
    const a = perCall(f, calls);
    const b = perCall(g, calls * 4);
    fs.push(a);
    gs.push(b);
    ratios.push(a / b);
  }
  const median = (v) => v.sort((x, y) => x - y)[Math.floor(v.length / 2)];
  return [median(fs), median(gs), median(ratios)];
}

await eccrypt.ready();
await sodium.ready;

const pair = eccrypt.KeyPair.generate();
const { exchanged } = eccrypt.encapsulate(pair.publicKey);
const message = new TextEncoder().encode("a message of some length to sign and verify, once");
const signature = eccrypt.sign(message, pair);

const x = sodium.crypto_box_keypair();
const y = sodium.crypto_box_keypair();
const ed = sodium.crypto_sign_keypair();
const edSignature = sodium.crypto_sign_detached(message, ed.privateKey);

const decap = race(
  50,
  () => eccrypt.decapsulate(exchanged, pair),
  () => sodium.crypto_scalarmult(x.privateKey, y.publicKey),
);
const check = race(
  50,
  () => eccrypt.verify(message, signature, pair.publicKey),
  () => sodium.crypto_sign_verify_detached(edSignature, message, ed.publicKey),
);
console.log(`node ${process.version}, libsodium-wrappers (libsodium ${sodium.SODIUM_VERSION_STRING}), eccrypt ${eccrypt.version()}; medians of ${runs} runs`);
const line = (name, us) => console.log(`${name.padEnd(58)} ${us.toFixed(1).padStart(9)} us`);
line("decapsulate (eccrypt)", decap[0]);
line("crypto_scalarmult, X25519 (libsodium-wrappers)", decap[1]);
line("verify, a signature file (eccrypt)", check[0]);
line("crypto_sign_verify_detached, Ed25519 (libsodium-wrappers)", check[1]);
console.log(`decapsulation / X25519: ${decap[2].toFixed(1)}x`);
console.log(`verification / Ed25519: ${check[2].toFixed(1)}x`);
