// The page: forms, files and messages. The cryptography runs in a worker made from the source
// inlined in this file's page (a Blob URL works from file:// as from any host).
"use strict";

const $ = (id) => document.getElementById(id);

// ----- The worker -----

const worker = new Worker(
  URL.createObjectURL(new Blob([$("worker-source").textContent], { type: "text/javascript" })),
);
const calls = new Map();
let nextCall = 1;

worker.onmessage = (event) => {
  const message = event.data;
  if (message.type === "ready") {
    $("engine").textContent = "Ready. Nothing you do here leaves this computer.";
    document.body.dataset.engine = "ready";
    return;
  }
  if (message.type === "failed") {
    $("engine").textContent = `The engine did not start: ${message.error.message}`;
    document.body.dataset.engine = "failed";
    return;
  }
  const call = calls.get(message.id);
  if (!call) return;
  if (message.type === "progress") {
    call.onProgress(message);
  } else {
    calls.delete(message.id);
    if (message.type === "done") call.resolve(message.result);
    else call.reject(message.error);
  }
};
worker.onerror = (event) => {
  $("engine").textContent = `The engine stopped: ${event.message || "unknown error"}`;
  document.body.dataset.engine = "failed";
  for (const call of calls.values()) call.reject({ message: event.message || "the engine stopped" });
  calls.clear();
};

function run(op, args, onProgress) {
  return new Promise((resolve, reject) => {
    const id = nextCall++;
    calls.set(id, { resolve, reject, onProgress });
    worker.postMessage({ id, op, ...args });
  });
}

// ----- Messages -----

// The library's error codes ("ECCRYPT_E_NO_MATCHING_KEY", or the number) as plain sentences,
// told apart by a short key ("nomatchingkey"). A step names the input the error concerns when
// the same code can come from several.
const CODE_NUMBERS = {
  1: "empty", 2: "badcharacter", 3: "toolong", 4: "notcanonical", 5: "notagrouppoint",
  6: "multipleoforder", 7: "outofrange", 8: "missingseparator", 9: "wronglength",
  10: "badsignature", 11: "randomsourcefailed", 12: "internal", 13: "malformed",
  14: "unsupportedversion", 15: "nomatchingkey", 16: "headeraltered", 17: "damaged",
  18: "truncated", 19: "trailingdata", 20: "wrongpassphrase", 21: "passphraserefused",
  22: "keymismatch", 23: "invalidargument", 101: "outofmemory",
};

function codeOf(error) {
  if (typeof error.code === "string" && error.code !== "") {
    return error.code.toLowerCase().replace(/^eccrypt_e_/, "").replace(/[^a-z]/g, "");
  }
  return CODE_NUMBERS[error.errno] || "";
}

const KEY_TEXT_CODES = new Set([
  "empty", "badcharacter", "toolong", "notcanonical", "notagrouppoint", "multipleoforder",
  "outofrange", "wronglength",
]);

function sentence(error) {
  const code = codeOf(error);
  const step = error.step || "";
  if (code === "norecipient") return "Give at least one public key to encrypt to.";
  if (code === "nopublickey") return "Give the signer's public key.";
  if (code === "severalpublickeys") return "Give one public key only: the signer's.";
  if (step.startsWith("public key")) {
    const from = step.slice("public key".length).trim().replace(/^\((.*)\)$/, "$1");
    const where = from === "pasted" ? "A public key you pasted" : `The public key in ${from}`;
    if (KEY_TEXT_CODES.has(code) || code === "malformed") {
      return `${where} is not a valid eccrypt public key. Check that it was copied whole.`;
    }
  }
  if (step === "key file") {
    if (code === "wrongpassphrase") {
      return "The pass phrase does not unlock this key file (or the key file was altered).";
    }
    if (code === "malformed" || code === "unsupportedversion" || KEY_TEXT_CODES.has(code)) {
      return "That is not an eccrypt key file. Choose the .key file (not the .pub).";
    }
    if (code === "damaged") return "The key file is damaged.";
  }
  if (step === "new pass phrase") {
    if (code === "passphraserefused" || code === "invalidargument") {
      return "This pass phrase cannot be used.";
    }
  }
  switch (code) {
    case "nomatchingkey":
      return "This file was not encrypted for your key. Choose the key file of one of its recipients.";
    case "headeraltered":
      return "The file's header was altered or damaged, so it cannot be opened. Nothing was decrypted.";
    case "damaged":
      return "The file is damaged: part of it fails its check. Nothing was decrypted.";
    case "truncated":
      return "The file is incomplete: it ends before its last part. Nothing was decrypted.";
    case "trailingdata":
      return "The file has extra data after its end: it may have been altered. Nothing was decrypted.";
    case "malformed":
      if (step === "signature") return "That is not an eccrypt signature file.";
      if (step === "comment") return "The trusted comment cannot be used: it must be one line of text, at most 1024 bytes.";
      return "That is not an eccrypt encrypted file.";
    case "unsupportedversion":
      if (step === "signature") {
        return "This signature file is of a format this page does not check (version 1 signature files are refused).";
      }
      return "This file is of a format version this page does not read.";
    case "keymismatch":
      return "The signature file was made with another key, not the public key given.";
    case "badsignature":
      return "BAD signature: the file was changed since it was signed, or the signature file was altered.";
    case "wrongpassphrase":
      return "The pass phrase does not unlock this key file (or the key file was altered).";
    case "passphraserefused":
      return "This pass phrase cannot be used.";
    case "outofmemory":
      return "The browser ran out of memory for this file.";
    case "invalidargument":
      if (step === "comment") return "The trusted comment cannot be used: it must be one line of text, at most 1024 bytes.";
      break;
    default:
      break;
  }
  return "Something went wrong.";
}

// Object URLs of the files offered in each outcome, released when the outcome is replaced.
const offered = new Map();

function clear(el) {
  for (const url of offered.get(el) || []) URL.revokeObjectURL(url);
  offered.delete(el);
  while (el.firstChild) el.removeChild(el.firstChild);
  el.className = "outcome";
}

function paragraph(el, text, cls) {
  const p = document.createElement("p");
  p.textContent = text;
  if (cls) p.className = cls;
  el.appendChild(p);
  return p;
}

function showError(el, error) {
  clear(el);
  el.classList.add("bad");
  paragraph(el, sentence(error));
  if (error.message) paragraph(el, `Details: ${error.message}`, "detail");
}

function showProblem(el, text) {
  clear(el);
  el.classList.add("bad");
  paragraph(el, text);
}

// Offers a Blob for saving under `name`, as a link a person clicks (nothing is saved unasked).
function offer(el, blob, name, label) {
  const url = URL.createObjectURL(blob);
  offered.set(el, [...(offered.get(el) || []), url]);
  const a = document.createElement("a");
  a.href = url;
  a.download = name;
  a.className = "save";
  a.textContent = `${label} (${name}, ${sizeText(blob.size)})`;
  const p = document.createElement("p");
  p.appendChild(a);
  el.appendChild(p);
  return a;
}

function sizeText(n) {
  if (n < 1024) return `${n} bytes`;
  if (n < 1024 * 1024) return `${(n / 1024).toFixed(1)} KiB`;
  if (n < 1024 * 1024 * 1024) return `${(n / 1024 / 1024).toFixed(1)} MiB`;
  return `${(n / 1024 / 1024 / 1024).toFixed(2)} GiB`;
}

function progressFor(bar, outcome) {
  return (message) => {
    bar.hidden = false;
    if (message.phase === "unlock") {
      bar.removeAttribute("value");
      clear(outcome);
      paragraph(outcome, "Unlocking the key file (this takes a few seconds)…");
    } else if (message.phase === "protect") {
      bar.removeAttribute("value");
      clear(outcome);
      paragraph(outcome, "Protecting the key file with the pass phrase (this takes a few seconds)…");
    } else if (message.phase === "work" && message.total > 0) {
      bar.max = message.total;
      bar.value = message.done;
      clear(outcome);
      paragraph(outcome, `${sizeText(message.done)} of ${sizeText(message.total)}…`);
    } else {
      bar.removeAttribute("value");
    }
  };
}

// Runs one form's task: disables its button meanwhile, shows progress, and reports errors in
// plain words. `task` returns nothing or throws a worker error.
function handle(formId, task) {
  const form = $(formId);
  const base = formId.replace(/-form$/, "");
  const outcome = $(`${base}-outcome`);
  const bar = $(`${base}-progress`);
  form.addEventListener("submit", async (event) => {
    event.preventDefault();
    const button = form.querySelector("button[type=submit]");
    button.disabled = true;
    form.setAttribute("aria-busy", "true");
    clear(outcome);
    try {
      await task(form, outcome, bar ? progressFor(bar, outcome) : () => {});
    } catch (error) {
      showError(outcome, error || {});
    } finally {
      if (bar) bar.hidden = true;
      button.disabled = false;
      form.removeAttribute("aria-busy");
    }
  });
}

const fileOf = (input) => (input.files && input.files.length ? input.files[0] : null);

// Pass phrases leave the form as soon as they are read.
function takePhrase(input) {
  const phrase = input.value;
  input.value = "";
  return phrase;
}

// ----- Tasks -----

// A new pass phrase must be one a person can see and type again (the tool's rule).
function newPhraseProblem(phrase) {
  if (phrase === "") return "The pass phrase is empty.";
  if (/[\n\v\f\r\u0085\u2028\u2029]/.test(phrase)) return "The pass phrase has a line break in it.";
  if (phrase.includes("\0")) return "The pass phrase has a NUL character in it.";
  if (!/[^\s\p{Cc}\p{Cf}]/u.test(phrase)) return "The pass phrase is blank: it has no visible character.";
  return "";
}

function baseName(text) {
  const name = text.trim().replace(/[\\/:*?"<>|\u0000-\u001f]/g, "_");
  return name === "" ? "my" : name;
}

$("keygen-name").addEventListener("input", () => {
  for (const el of document.querySelectorAll("#keygen [data-name]")) el.textContent = baseName($("keygen-name").value);
});

handle("keygen-form", async (form, outcome, progress) => {
  const first = form.passphrase.value;
  const second = form.passphrase2.value;
  if (first !== second) {
    form.passphrase2.value = "";
    return showProblem(outcome, "The two pass phrases differ. Type the same pass phrase twice.");
  }
  const problem = newPhraseProblem(first);
  if (problem) return showProblem(outcome, problem);
  const phrase = takePhrase(form.passphrase);
  form.passphrase2.value = "";
  const name = baseName(form.name.value);
  paragraph(outcome, "Making the key pair…");
  const result = await run("keygen", { passphrase: phrase }, progress);
  clear(outcome);
  outcome.classList.add("good");
  paragraph(outcome, `New key pair${result.keyId ? ` (key id ${result.keyId})` : ""}. Save both files.`);
  if ([...phrase].length < 20) {
    paragraph(outcome, "Note: the pass phrase is shorter than 20 characters; a longer one is safer.", "detail");
  }
  const label = document.createElement("label");
  label.textContent = "Public key";
  label.htmlFor = "keygen-public";
  const text = document.createElement("input");
  text.id = "keygen-public";
  text.readOnly = true;
  text.value = result.publicKey;
  text.className = "keytext";
  outcome.append(label, text);
  offer(outcome, new Blob([result.keyFile], { type: "text/plain" }), `${name}.key`, "Save the key file");
  offer(outcome, new Blob([`${result.publicKey}\n`], { type: "text/plain" }), `${name}.pub`, "Save the public key");
});

handle("encrypt-form", async (form, outcome, progress) => {
  const file = fileOf(form.file);
  if (!file) return showProblem(outcome, "Choose the file to encrypt.");
  const armor = form.armor.checked;
  const result = await run("encrypt", { file, pasted: form.keys.value, pubFiles: [...form.pubs.files], armor }, progress);
  clear(outcome);
  outcome.classList.add("good");
  const who = result.recipients === 1 ? "1 recipient" : `${result.recipients} recipients`;
  paragraph(outcome, `Encrypted ${file.name} for ${who}.`);
  offer(outcome, result.blob, `${file.name}.ecc${armor ? ".asc" : ""}`, "Save the encrypted file");
});

function decryptedName(name) {
  const stripped = name.replace(/\.ecc(\.asc)?$/i, "");
  return stripped !== name && stripped !== "" ? stripped : `${name}.decrypted`;
}

handle("decrypt-form", async (form, outcome, progress) => {
  const file = fileOf(form.file);
  const keyFile = fileOf(form.key);
  if (!file) return showProblem(outcome, "Choose the encrypted file.");
  if (!keyFile) return showProblem(outcome, "Choose your key file.");
  const passphrase = takePhrase(form.passphrase);
  const result = await run("decrypt", { file, keyFile, passphrase }, progress);
  clear(outcome);
  outcome.classList.add("good");
  paragraph(outcome, `Decrypted ${file.name}: all of it was checked and is unaltered.`);
  offer(outcome, result.blob, decryptedName(file.name), "Save the decrypted file");
});

handle("sign-form", async (form, outcome, progress) => {
  const file = fileOf(form.file);
  const keyFile = fileOf(form.key);
  if (!file) return showProblem(outcome, "Choose the file to sign.");
  if (!keyFile) return showProblem(outcome, "Choose your key file.");
  const stamp = new Date().toISOString().replace(/\.\d+Z$/, "Z");
  const comment = form.comment.value !== "" ? form.comment.value : `file: ${file.name}, signed ${stamp}`;
  const passphrase = takePhrase(form.passphrase);
  const result = await run("sign", { file, keyFile, passphrase, comment }, progress);
  clear(outcome);
  outcome.classList.add("good");
  paragraph(outcome, `Signed ${file.name}${result.keyId ? ` with key ${result.keyId}` : ""}.`);
  paragraph(outcome, `Trusted comment: ${comment}`, "detail");
  offer(outcome, new Blob([result.signature], { type: "text/plain" }), `${file.name}.sig`, "Save the signature file");
});

handle("verify-form", async (form, outcome, progress) => {
  const file = fileOf(form.file);
  const sigFile = fileOf(form.sig);
  if (!file) return showProblem(outcome, "Choose the signed file.");
  if (!sigFile) return showProblem(outcome, "Choose the signature file.");
  const result = await run("verify", { file, sigFile, pasted: form.keytext.value, pubFiles: [...form.pub.files] }, progress);
  clear(outcome);
  outcome.classList.add("good");
  paragraph(outcome, `Good signature: ${file.name} was signed by ${result.keyId ? `key ${result.keyId}` : "the key given"}.`);
  paragraph(outcome, `Trusted comment: ${result.comment}`);
});

// ----- Dropping files on the file fields -----

for (const zone of document.querySelectorAll(".drop")) {
  const input = zone.querySelector("input[type=file]");
  zone.addEventListener("dragover", (event) => {
    event.preventDefault();
    zone.classList.add("over");
  });
  zone.addEventListener("dragleave", () => zone.classList.remove("over"));
  zone.addEventListener("drop", (event) => {
    event.preventDefault();
    zone.classList.remove("over");
    const dropped = event.dataTransfer && event.dataTransfer.files;
    if (!dropped || dropped.length === 0) return;
    const chosen = new DataTransfer();
    for (const f of input.multiple ? dropped : [dropped[0]]) chosen.items.add(f);
    input.files = chosen.files;
    input.dispatchEvent(new Event("change", { bubbles: true }));
  });
}
// A file dropped anywhere else must not make the browser leave the page to show it.
window.addEventListener("dragover", (event) => event.preventDefault());
window.addEventListener("drop", (event) => event.preventDefault());
