// Builds web/index.html: one self-contained file with the page's style and script, and the
// worker's source (the package's code with its WebAssembly inlined, then web/src/worker.js).
// A file:// page may not load module scripts or fetch, so nothing is left to load: the worker
// starts from a Blob URL of its inlined source. The page's Content-Security-Policy allows
// exactly the inlined script and style (by hash), workers from Blob URLs, WebAssembly, and
// no connection at all.
//
// The package's ES modules are joined into one classic script here: each module becomes a
// function returning its exports, and CommonJS files (the emscripten glue) get a `module`
// object. Only the forms of import and export the package uses are read; anything else stops
// the build rather than producing a page that fails later.
//
// Usage: node web/build.mjs [OUTPUT]   (default web/index.html)
import { readFileSync, writeFileSync, existsSync } from "node:fs";
import { createHash } from "node:crypto";
import { dirname, resolve, relative } from "node:path";
import { fileURLToPath } from "node:url";
import { gzipSync } from "node:zlib";

const here = dirname(fileURLToPath(import.meta.url));
const repo = resolve(here, "..");
const pkgDir = resolve(repo, "js");
const output = resolve(process.argv[2] || resolve(here, "index.html"));

function fail(message) {
  console.error(`build-web: ${message}`);
  process.exit(1);
}

// ----- The package as one classic script -----

const pkg = JSON.parse(readFileSync(resolve(pkgDir, "package.json"), "utf8"));
function entryOf(p) {
  const e = p.exports;
  const pick = (v) => (typeof v === "string" ? v : v && (v.browser || v.import || v.default));
  let entry = null;
  if (e) entry = pick(e["."] !== undefined ? e["."] : e);
  if (entry && typeof entry === "object") entry = pick(entry);
  return entry || p.module || p.main;
}
const entry = resolve(pkgDir, entryOf(pkg));
if (!existsSync(entry)) fail(`the package's entry ${entry} does not exist: run scripts/build-js.sh first`);

const modules = new Map(); // absolute path -> { index, code }

function specifierPath(from, spec) {
  if (!spec.startsWith(".")) fail(`${relative(repo, from)} imports "${spec}", which the page cannot load`);
  return resolve(dirname(from), spec);
}

// Turns `{ a, b as c }` into a destructuring pattern `{ a, b: c }`.
function bindings(list) {
  return list
    .split(",")
    .map((s) => s.trim())
    .filter(Boolean)
    .map((s) => {
      const m = s.match(/^(\S+)\s+as\s+(\S+)$/);
      return m ? `${m[1] === "default" ? "default" : m[1]}: ${m[2]}` : s;
    })
    .join(", ");
}

function load(path) {
  if (modules.has(path)) return modules.get(path).index;
  const index = modules.size;
  const record = { index, code: "", commonjs: false };
  modules.set(path, record);
  const source = readFileSync(path, "utf8");
  const name = relative(repo, path);
  if (/\.cjs$/.test(path) || !/^\s*(import|export)\b/m.test(source)) {
    record.commonjs = true;
    record.code = `// ${name}\nfunction () {\nvar module = { exports: {} }, exports = module.exports;\n${source}\nreturn module.exports;\n}`;
    return index;
  }
  const exported = [];
  let code = source;
  // import ... from "x";
  code = code.replace(/^import\s+([\s\S]*?)\s+from\s+["']([^"']+)["'];?/gm, (_, clause, spec) => {
    const dep = load(specifierPath(path, spec));
    const target = `__module(${dep})`;
    const commonjs = [...modules.values()].find((r) => r.index === dep).commonjs;
    const parts = [];
    const m = clause.match(/^(?:([A-Za-z_$][\w$]*)\s*,?\s*)?(?:\*\s+as\s+([A-Za-z_$][\w$]*))?(?:\{([\s\S]*)\})?$/);
    if (!m) fail(`${name}: cannot read the import of "${spec}"`);
    if (m[1]) parts.push(`const ${m[1]} = ${commonjs ? target : `${target}.default`};`);
    if (m[2]) parts.push(`const ${m[2]} = ${target};`);
    if (m[3] !== undefined) parts.push(`const { ${bindings(m[3])} } = ${target};`);
    return parts.join(" ");
  });
  // import "x";
  code = code.replace(/^import\s+["']([^"']+)["'];?/gm, (_, spec) => `__module(${load(specifierPath(path, spec))});`);
  // export * from "x"; export { a, b as c } from "x";
  code = code.replace(/^export\s+\*\s+from\s+["']([^"']+)["'];?/gm, (_, spec) => {
    exported.push(`...__module(${load(specifierPath(path, spec))})`);
    return "";
  });
  code = code.replace(/^export\s*\{([\s\S]*?)\}\s*from\s+["']([^"']+)["'];?/gm, (_, list, spec) => {
    const dep = `__module(${load(specifierPath(path, spec))})`;
    for (const s of list.split(",").map((x) => x.trim()).filter(Boolean)) {
      const m = s.match(/^(\S+)(?:\s+as\s+(\S+))?$/);
      exported.push(`get ${m[2] || m[1]}() { return ${dep}.${m[1]}; }`);
    }
    return "";
  });
  // export { a, b as c };
  code = code.replace(/^export\s*\{([\s\S]*?)\};?/gm, (_, list) => {
    for (const s of list.split(",").map((x) => x.trim()).filter(Boolean)) {
      const m = s.match(/^(\S+)(?:\s+as\s+(\S+))?$/);
      exported.push(`get ${m[2] || m[1]}() { return ${m[1]}; }`);
    }
    return "";
  });
  // export default expression;
  code = code.replace(/^export\s+default\s+/gm, () => {
    exported.push("get default() { return __default_export; }");
    return "const __default_export = ";
  });
  // export function / class / const / let / var / async function
  code = code.replace(/^export\s+((?:async\s+)?function\*?|class|const|let|var)\s+([A-Za-z_$][\w$]*)/gm, (_, kind, id) => {
    exported.push(`get ${id}() { return ${id}; }`);
    return `${kind} ${id}`;
  });
  if (/^\s*(import|export)\b[^(.]/m.test(code)) fail(`${name}: an import or export form this build does not read`);
  if (/\bimport\.meta\b/.test(code)) fail(`${name}: import.meta has no meaning in the page`);
  record.code = `// ${name}\nfunction () {\n${code}\nreturn { ${exported.join(", ")} };\n}`;
  return index;
}

const root = load(entry);
const ordered = [...modules.values()].sort((a, b) => a.index - b.index);
const bundle = `// The eccrypt package (${pkg.name} ${pkg.version}), joined for a classic worker script.
var eccrypt = (function () {
"use strict";
var __factories = [
${ordered.map((m) => m.code).join(",\n")}
];
var __cache = [];
function __module(i) {
  if (!__cache[i]) { __cache[i] = { exports: undefined }; __cache[i].exports = __factories[i](); }
  return __cache[i].exports;
}
return __module(${root});
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
const raw = Buffer.byteLength(html);
const gz = gzipSync(html, { level: 9 }).length;
console.log(`build-web: ${relative(process.cwd(), output)}: ${raw} bytes, ${gz} gzip -9`);
