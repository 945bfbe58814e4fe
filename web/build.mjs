// Builds web/index.html: one self-contained file with the page's style and script, and the
// worker's source (the package's code with its WebAssembly inlined, then web/src/worker.js).
// A file:// page may not load module scripts or fetch, so nothing is left to load: the worker
// starts from a Blob URL of its inlined source. The page's Content-Security-Policy allows
// exactly the inlined script and style (by hash), workers from Blob URLs, WebAssembly, and
// no connection at all.
//
// Usage: node web/build.mjs [OUTPUT]   (default web/index.html)
import { readFileSync, writeFileSync, existsSync } from "node:fs";
import { createHash } from "node:crypto";
import { dirname, resolve, relative } from "node:path";
import { fileURLToPath } from "node:url";
import { createRequire } from "node:module";
import { deflateRawSync, inflateRawSync } from "node:zlib";

const here = dirname(fileURLToPath(import.meta.url));
const repo = resolve(here, "..");
const pkgDir = resolve(repo, "js");
const output = resolve(process.argv[2] || resolve(here, "index.html"));

function fail(message) {
  console.error(`build-web: ${message}`);
  process.exit(1);
}

// ----- The package as classic scripts -----

// The package loads as a classic script after its emscripten glue and its WebAssembly (base64):
// the glue defines createEccryptModule, the WebAssembly's file eccryptWasmBase64, and
// eccrypt.cjs, from them, the global `eccrypt`. Base64 of WebAssembly compresses poorly, so the
// page carries the WebAssembly deflated (then base64) instead, about half the size, and the
// worker inflates it (DecompressionStream) before it runs eccrypt.cjs.
const pkg = JSON.parse(readFileSync(resolve(pkgDir, "package.json"), "utf8"));
function packageFile(name) {
  const path = resolve(pkgDir, name);
  if (!existsSync(path)) fail(`${relative(repo, path)} does not exist: run scripts/build-js.sh first`);
  return path;
}
const glue = readFileSync(packageFile("eccrypt-wasm.cjs"), "utf8");
const wasmBase64 = createRequire(import.meta.url)(packageFile("eccrypt-wasm-binary.cjs"));
if (typeof wasmBase64 !== "string") fail("eccrypt-wasm-binary.cjs does not export the WebAssembly's base64");
const wasm = Buffer.from(wasmBase64, "base64");
if (wasm.subarray(0, 4).toString("latin1") !== "\0asm") fail("eccrypt-wasm-binary.cjs holds no WebAssembly");
const deflated = deflateRawSync(wasm, { level: 9 });
if (!inflateRawSync(deflated).equals(wasm)) fail("the deflated WebAssembly does not inflate to itself");
const main = readFileSync(packageFile("eccrypt.cjs"), "utf8");

const bundle = `// ${pkg.name} ${pkg.version}: eccrypt-wasm.cjs
${glue}
;
// ${pkg.name} ${pkg.version}: eccrypt.cjs, run once its WebAssembly (${wasm.length} bytes) is
// inflated; eccryptPackage settles then.
var eccryptPackage = (async function () {
  var packed = atob("${deflated.toString("base64")}");
  var bytes = new Uint8Array(packed.length);
  for (var i = 0; i < packed.length; i++) bytes[i] = packed.charCodeAt(i);
  var inflating = new Blob([bytes]).stream().pipeThrough(new DecompressionStream("deflate-raw"));
  var wasm = new Uint8Array(await new Response(inflating).arrayBuffer());
  var text = "";
  for (var j = 0; j < wasm.length; j += 0x8000) text += String.fromCharCode.apply(null, wasm.subarray(j, j + 0x8000));
  self.eccryptWasmBase64 = btoa(text);
  (function () {
${main}
  }).call(self);
  return self.eccrypt;
})();
`;

// ----- The page -----

const src = (f) => readFileSync(resolve(here, "src", f), "utf8");
const workerSource = `${bundle}\n${src("worker.js")}`;
const pageScript = src("page.js");
const style = src("style.css");

// Raw text inside <script> and <style> ends at the first "</script" or "</style"; "<!--"
// changes how the parser reads the rest. None may appear in what is inlined.
for (const [what, text, bad] of [
  ["the worker's source", workerSource, /<\/script|<!--/i],
  ["the page's script", pageScript, /<\/script|<!--/i],
  ["the style", style, /<\/style/i],
]) {
  if (bad.test(text)) fail(`${what} holds ${text.match(bad)[0]}, which would end its element early`);
}

const hash = (text) => `'sha256-${createHash("sha256").update(text, "utf8").digest("base64")}'`;
// The inlined texts sit on lines of their own: the hashed text is what lies between the tags.
const scriptText = `\n${pageScript}\n`;
const styleText = `\n${style}\n`;
const csp = [
  "default-src 'none'",
  `script-src ${hash(scriptText)} 'wasm-unsafe-eval'`,
  "worker-src blob:",
  `style-src ${hash(styleText)}`,
  "img-src data: blob:",
  "connect-src 'none'",
  "form-action 'none'",
  "base-uri 'none'",
  "object-src 'none'",
].join("; ");

const template = src("index.html");
const fill = { "@CSP@": csp, "@VERSION@": pkg.version, "@STYLE@": style, "@WORKER@": workerSource, "@PAGE@": pageScript };
let html = template;
for (const [key, value] of Object.entries(fill)) {
  if (!html.includes(key)) fail(`the template has no ${key}`);
  html = html.replace(key, () => value);
}
if (!html.includes(`<script>${scriptText}</script>`)) fail("the page's script is not inlined as hashed");
if (!html.includes(`<style>${styleText}</style>`)) fail("the style is not inlined as hashed");

writeFileSync(output, html);
