// eccrypt: public-key cryptography over one binary elliptic curve, in JavaScript.
//
// The library runs as WebAssembly (eccrypt-wasm.cjs, emscripten's glue, and
// eccrypt-wasm-binary.cjs, the WebAssembly itself) through its C interface; this file gives it
// the package's names. It works under require(), under import (through index.mjs) and as a
// classic <script> after the two files above (it then sets the global `eccrypt`).
//
// Call and await ready() once before anything else: it loads the WebAssembly. Every other
// function is synchronous, except the streaming ones.
//
// Secrets: every buffer the package puts in WebAssembly memory (pass phrases, keys, data,
// plaintext) is overwritten with zeros before it is released, after each call. Secret keys stay
// inside WebAssembly memory in their key pair, wiped when the key pair is disposed (dispose()) or
// garbage-collected. Copies handed to JavaScript (a secret key's text, opened plaintext) are the
// caller's to drop.
(function (root, factory) {
  if (typeof module === "object" && module.exports) {
    module.exports = factory(require("./eccrypt-wasm.cjs"), require("./eccrypt-wasm-binary.cjs"));
  } else {
    root.eccrypt = factory(root.createEccryptModule, root.eccryptWasmBase64);
  }
})(typeof self !== "undefined" ? self : this, function (createModule, wasmBase64) {
  "use strict";

  const VALUE_BYTES = 32;
  const DIGEST_BYTES = 20;
  const KEY_ID_CAPACITY = 17;
  const VALUE_TEXT_CAPACITY = 96;
  const SIGNATURE_FILE_CAPACITY = 4096;
  const MAX_COMMENT_BYTES = 1024;
  const ERROR_BYTES = 4 + 256; // struct eccrypt_error: int code, char message[256]
  const FORM_RADIX64 = 0;
  const FORM_HEX = 1;
  const E_INVALID_ARGUMENT = 23;
  const E_WRONG_PASS_PHRASE = 20;
  const E_BUFFER_TOO_SMALL = 100;
  const PROP = {
    passPhrase: 0,
    keyPublic: 1,
    keySecret: 2,
    keySession: 3,
    exchangedValue: 4,
    signature: 5,
  };

  // The C interface's error codes by value, under their C names.
  const CODE_NAMES = {
    1: "ECCRYPT_E_EMPTY",
    2: "ECCRYPT_E_BAD_CHARACTER",
    3: "ECCRYPT_E_TOO_LONG",
    4: "ECCRYPT_E_NOT_CANONICAL",
    5: "ECCRYPT_E_NOT_A_GROUP_POINT",
    6: "ECCRYPT_E_MULTIPLE_OF_ORDER",
    7: "ECCRYPT_E_OUT_OF_RANGE",
    8: "ECCRYPT_E_MISSING_SEPARATOR",
    9: "ECCRYPT_E_WRONG_LENGTH",
    10: "ECCRYPT_E_BAD_SIGNATURE",
    11: "ECCRYPT_E_RANDOM_SOURCE_FAILED",
    12: "ECCRYPT_E_INTERNAL",
    13: "ECCRYPT_E_MALFORMED",
    14: "ECCRYPT_E_UNSUPPORTED_VERSION",
    15: "ECCRYPT_E_NO_MATCHING_KEY",
    16: "ECCRYPT_E_HEADER_ALTERED",
    17: "ECCRYPT_E_DAMAGED",
    18: "ECCRYPT_E_TRUNCATED",
    19: "ECCRYPT_E_TRAILING_DATA",
    20: "ECCRYPT_E_WRONG_PASS_PHRASE",
    21: "ECCRYPT_E_PASS_PHRASE_REFUSED",
    22: "ECCRYPT_E_KEY_MISMATCH",
    23: "ECCRYPT_E_INVALID_ARGUMENT",
    100: "ECCRYPT_E_BUFFER_TOO_SMALL",
    101: "ECCRYPT_E_OUT_OF_MEMORY",
    102: "ECCRYPT_E_NULL_ARGUMENT",
    103: "ECCRYPT_E_BAD_FORM",
  };

  // ----- Errors -------------------------------------------------------------------------------

  /** A failure the library reports: `code` is the C interface's error name
   * ("ECCRYPT_E_DAMAGED", ...), `errno` its number, `message` says what is wrong and with which
   * value, never quoting a secret. */
  class EccryptError extends Error {
    constructor(errno, message) {
      const code = CODE_NAMES[errno] || "ECCRYPT_E_UNKNOWN";
      super(message || code);
      this.name = new.target.name;
      this.code = code;
      this.errno = errno;
    }
  }
  /** A key, key file or value text that cannot be used. */
  class InvalidKey extends EccryptError {}
  /** Sealed data or a protected key file that does not open: other keys, a wrong pass phrase,
   * damaged, altered or truncated data. */
  class DecryptionError extends EccryptError {}
  /** A signature that does not verify, or a signature file that cannot be read. */
  class BadSignature extends EccryptError {}

  // ----- The WebAssembly and its memory -------------------------------------------------------

  let M = null;
  let loading = null;

  function decodeBase64(text) {
    if (typeof Buffer === "function") return new Uint8Array(Buffer.from(text, "base64"));
    const chars = atob(text);
    const bytes = new Uint8Array(chars.length);
    for (let i = 0; i < chars.length; i++) bytes[i] = chars.charCodeAt(i);
    return bytes;
  }

  /** Loads the WebAssembly, once; every later call gives the same promise. */
  function ready() {
    if (loading === null) {
      if (typeof createModule !== "function" || typeof wasmBase64 !== "string") {
        return Promise.reject(new Error("eccrypt: eccrypt-wasm.cjs and eccrypt-wasm-binary.cjs must be loaded first"));
      }
      loading = createModule({
        wasmBinary: decodeBase64(wasmBase64),
        print: () => {},
        printErr: () => {},
      }).then(
        (module) => {
          M = module;
        },
        (reason) => {
          loading = null;
          throw reason;
        },
      );
    }
    return loading;
  }

  function lib() {
    if (M === null) throw new Error("eccrypt: await ready() before the first call");
    return M;
  }

  const encoder = new TextEncoder();
  const decoder = new TextDecoder("utf-8", { fatal: false });

  function isBytes(value) {
    return value instanceof Uint8Array || value instanceof ArrayBuffer || ArrayBuffer.isView(value);
  }
  function asBytes(value, what) {
    if (value instanceof Uint8Array) return value;
    if (value instanceof ArrayBuffer) return new Uint8Array(value);
    if (ArrayBuffer.isView(value)) return new Uint8Array(value.buffer, value.byteOffset, value.byteLength);
    throw new TypeError(`${what} must be a Uint8Array, an ArrayBuffer or a typed array`);
  }
  // Data: bytes as given, or a string as UTF-8. The flag says whether the bytes are a fresh
  // copy, to be wiped after use.
  function dataBytes(value, what) {
    if (typeof value === "string") return [encoder.encode(value), true];
    return [asBytes(value, what), false];
  }
  function textBytes(value, what) {
    if (typeof value === "string") return [encoder.encode(value), true];
    if (isBytes(value)) return [asBytes(value, what), false];
    throw new TypeError(`${what} must be a string or a Uint8Array`);
  }
  function formValue(form) {
    if (form === undefined || form === "base64" || form === "radix64") return FORM_RADIX64;
    if (form === "hex") return FORM_HEX;
    throw new TypeError(`form must be "base64" (or "radix64") or "hex", not ${JSON.stringify(form)}`);
  }

  // Buffers in WebAssembly memory for one call, wiped and released together when it ends.
  class Frame {
    constructor() {
      this.blocks = [];
    }
    alloc(size) {
      const n = Math.max(size, 1);
      const ptr = lib()._malloc(n);
      if (!ptr) throw new RangeError(`eccrypt: no room for ${n} bytes in WebAssembly memory`);
      this.blocks.push([ptr, n]);
      return ptr;
    }
    bytes(data) {
      const ptr = this.alloc(data.length);
      M.HEAPU8.set(data, ptr);
      return ptr;
    }
    // A text or data argument: its pointer and length. A fresh encoding is wiped once copied.
    input([data, fresh]) {
      const ptr = this.bytes(data);
      if (fresh) data.fill(0);
      return [ptr, data.length];
    }
    sizeT(value) {
      const ptr = this.alloc(4);
      M.HEAPU32[ptr >> 2] = value;
      return ptr;
    }
    release() {
      for (const [ptr, n] of this.blocks) {
        M.HEAPU8.fill(0, ptr, ptr + n);
        M._free(ptr);
      }
      this.blocks = [];
    }
    // Calls f(errorPointer); throws for a failure: special[code] or errorClass.
    call(f, errorClass = EccryptError, special = null) {
      const err = this.alloc(ERROR_BYTES);
      const code = f(err);
      if (code !== 0) fail(code, err, errorClass, special);
    }
    // Calls f(out, outLen, err) with an output buffer of `capacity` bytes, growing it when the
    // library asks for more, and returns a copy of the output.
    out(capacity, f, errorClass = EccryptError, special = null, slack = 0) {
      for (;;) {
        const inner = new Frame();
        try {
          const out = inner.alloc(capacity);
          const len = inner.sizeT(capacity);
          const err = inner.alloc(ERROR_BYTES);
          const code = f(out, len, err);
          const size = M.HEAPU32[len >> 2];
          if (code === E_BUFFER_TOO_SMALL && size > capacity) {
            capacity = size + slack;
            continue;
          }
          if (code !== 0) fail(code, err, errorClass, special);
          return M.HEAPU8.slice(out, out + size);
        } finally {
          inner.release();
        }
      }
    }
    outText(capacity, f, errorClass, special) {
      const bytes = this.out(capacity, f, errorClass, special);
      const text = decoder.decode(bytes);
      bytes.fill(0);
      return text;
    }
  }

  function withFrame(f) {
    const frame = new Frame();
    try {
      return f(frame);
    } finally {
      frame.release();
    }
  }

  function fail(code, err, errorClass, special) {
    let end = err + 4;
    const limit = err + ERROR_BYTES;
    while (end < limit && M.HEAPU8[end] !== 0) end++;
    const message = decoder.decode(M.HEAPU8.slice(err + 4, end));
    const cls = (special && special[code]) || errorClass;
    throw new cls(code, message);
  }

  function invalidArgument(cls, message) {
    return new cls(E_INVALID_ARGUMENT, message);
  }

  // Handles to the library's objects: released (and wiped) by dispose() or, as a last resort,
  // when JavaScript collects their owner.
  const finalizer =
    typeof FinalizationRegistry === "function"
      ? new FinalizationRegistry(([free, ptr]) => {
          if (M !== null) M[free](ptr);
        })
      : null;

  class Handle {
    constructor(ptr, free) {
      this.ptr = ptr;
      this.free = free;
      if (finalizer) finalizer.register(this, [free, ptr], this);
    }
    get(what) {
      if (!this.ptr) throw invalidArgument(EccryptError, `${what} was disposed`);
      return this.ptr;
    }
    dispose() {
      if (!this.ptr) return;
      if (finalizer) finalizer.unregister(this);
      M[this.free](this.ptr);
      this.ptr = 0;
    }
  }

  function newHandle(f, free, errorClass, special) {
    return withFrame((frame) => {
      const out = frame.alloc(4);
      frame.call((err) => f(out, err), errorClass, special);
      return new Handle(M.HEAPU32[out >> 2], free);
    });
  }

  // ----- Public keys --------------------------------------------------------------------------

  const PUBLIC = Symbol("eccrypt.public");

  /** A public key: a point of the group, checked when made. */
  class PublicKey {
    constructor(token, bytes) {
      if (token !== PUBLIC) throw new TypeError("use PublicKey.fromText or PublicKey.fromBytes");
      this._bytes = bytes;
      Object.freeze(this);
    }
    /** Reads a public key's text in either form (told by the text). */
    static fromText(text) {
      if (typeof text !== "string") throw new TypeError("text must be a string");
      return withFrame((f) => {
        const [ptr, len] = f.input(textBytes(text, "text"));
        const out = f.alloc(VALUE_BYTES);
        f.call((err) => lib()._eccrypt_public_key_parse(ptr, len, out, err), InvalidKey);
        return new PublicKey(PUBLIC, M.HEAPU8.slice(out, out + VALUE_BYTES));
      });
    }
    /** Reads a public key from its 32 bytes (toBytes()). */
    static fromBytes(bytes) {
      const value = asBytes(bytes, "bytes");
      if (value.length !== VALUE_BYTES) {
        throw new InvalidKey(9, `public key: ${value.length} bytes, not ${VALUE_BYTES}`);
      }
      return withFrame((f) => {
        const ptr = f.bytes(value);
        f.call((err) => lib()._eccrypt_public_key_check(ptr, err), InvalidKey);
        return new PublicKey(PUBLIC, value.slice());
      });
    }
    /** The key's text: "base64" (also spelt "radix64", the default) or "hex". */
    toText(form = "base64") {
      const value = formValue(form);
      return withFrame((f) => {
        const key = f.bytes(this._bytes);
        return f.outText(
          VALUE_TEXT_CAPACITY,
          (out, len, err) => lib()._eccrypt_public_key_to_text(key, value, out, len, err),
          InvalidKey,
        );
      });
    }
    /** The key's 32 bytes (a copy). */
    toBytes() {
      return this._bytes.slice();
    }
    /** The key id: 16 upper-case hexadecimal digits naming the key for people. */
    get keyId() {
      return withFrame((f) => {
        const key = f.bytes(this._bytes);
        const out = f.alloc(KEY_ID_CAPACITY);
        f.call((err) => lib()._eccrypt_key_id(key, out, err), InvalidKey);
        return decoder.decode(M.HEAPU8.slice(out, out + KEY_ID_CAPACITY - 1));
      });
    }
    equals(other) {
      return other instanceof PublicKey && other._bytes.every((b, i) => b === this._bytes[i]);
    }
    toString() {
      return this.toText();
    }
    toJSON() {
      return this.toText();
    }
  }

  // ----- Key pairs ----------------------------------------------------------------------------

  const PAIR = Symbol("eccrypt.pair");

  function publicKeyOf(handle) {
    return withFrame((f) => {
      const out = f.alloc(VALUE_BYTES);
      f.call((err) => lib()._eccrypt_keypair_public_key(handle.get("the key pair"), out, err));
      return new PublicKey(PUBLIC, M.HEAPU8.slice(out, out + VALUE_BYTES));
    });
  }

  /** A key pair's secret key. Its text only through toText(); toString() never shows it. */
  class SecretKey {
    constructor(token, handle, publicKey) {
      if (token !== PAIR) throw new TypeError("a SecretKey comes from a KeyPair");
      this._handle = handle;
      this._public = publicKey;
    }
    /** The key pair of a secret key's text (KeyPair.fromText), as its secret key. */
    static fromText(text) {
      return KeyPair.fromText(text).secretKey;
    }
    /** The secret key's text, "base64" ("radix64") or "hex". */
    toText(form = "base64") {
      const value = formValue(form);
      return withFrame((f) =>
        f.outText(VALUE_TEXT_CAPACITY, (out, len, err) =>
          lib()._eccrypt_keypair_secret_text(this._handle.get("the key pair"), value, out, len, err),
        ),
      );
    }
    get publicKey() {
      return this._public;
    }
    toString() {
      return `[eccrypt.SecretKey of key id ${this._public.keyId} (hidden)]`;
    }
    toJSON() {
      return this.toString();
    }
  }

  /** A secret key and its public key. The secret lives in WebAssembly memory, wiped by
   * dispose() or when the key pair is garbage-collected. */
  class KeyPair {
    constructor(token, handle) {
      if (token !== PAIR) throw new TypeError("use KeyPair.generate, fromPassphrase, fromText or fromKeyFile");
      this._handle = handle;
      this._public = publicKeyOf(handle);
    }
    /** A new random key pair. */
    static generate() {
      return new KeyPair(
        PAIR,
        newHandle((out, err) => lib()._eccrypt_keypair_generate(out, err), "_eccrypt_keypair_free"),
      );
    }
    /** The key pair the component's makeKey() derives from the pass phrase (a string as UTF-8):
     * the same texts. For new keys prefer generate(). */
    static fromPassphrase(phrase) {
      return withFrame((f) => {
        const [ptr, len] = f.input(textBytes(phrase, "phrase"));
        return new KeyPair(
          PAIR,
          newHandle(
            (out, err) => lib()._eccrypt_keypair_from_passphrase(ptr, len, out, err),
            "_eccrypt_keypair_free",
            InvalidKey,
          ),
        );
      });
    }
    /** The key pair of a secret key's text, in either form. */
    static fromText(secretKeyText) {
      return withFrame((f) => {
        const [ptr, len] = f.input(textBytes(secretKeyText, "secretKeyText"));
        return new KeyPair(
          PAIR,
          newHandle(
            (out, err) => lib()._eccrypt_keypair_from_secret_text(ptr, len, out, err),
            "_eccrypt_keypair_free",
            InvalidKey,
          ),
        );
      });
    }
    /** The key pair of a key file as `eccrypt keygen` writes it: protected (opened with the
     * pass phrase; DecryptionError when it does not open it) or in clear. */
    static fromKeyFile(data, passphrase = "") {
      return withFrame((f) => {
        const [file, fileLen] = f.input(textBytes(data, "data"));
        const [phrase, phraseLen] = f.input(textBytes(passphrase === null ? "" : passphrase, "passphrase"));
        return new KeyPair(
          PAIR,
          newHandle(
            (out, err) => lib()._eccrypt_keypair_from_key_file(file, fileLen, phrase, phraseLen, out, err),
            "_eccrypt_keypair_free",
            InvalidKey,
            { [E_WRONG_PASS_PHRASE]: DecryptionError },
          ),
        );
      });
    }
    /** This pair as a protected key file under the pass phrase (Argon2id with its default
     * limits, then XChaCha20-Poly1305), the format `eccrypt keygen` writes. */
    toKeyFile(passphrase, { form = "base64" } = {}) {
      const value = formValue(form);
      return withFrame((f) => {
        const [phrase, phraseLen] = f.input(textBytes(passphrase, "passphrase"));
        const kp = this._handle.get("the key pair");
        // ops_limit is a uint64_t: two 32-bit halves on the JavaScript side, both 0 (default).
        return f.outText(2048, (out, len, err) =>
          lib()._eccrypt_keypair_to_key_file(kp, phrase, phraseLen, value, 0, 0, 0, out, len, err),
        );
      });
    }
    get publicKey() {
      return this._public;
    }
    get secretKey() {
      return new SecretKey(PAIR, this._handle, this._public);
    }
    /** Wipes and releases the secret key now; the pair cannot be used after. */
    dispose() {
      this._handle.dispose();
    }
    toString() {
      return `[eccrypt.KeyPair public key ${this._public.toText()} (secret hidden)]`;
    }
    toJSON() {
      return this.toString();
    }
  }

  function pairHandle(key) {
    if (key instanceof KeyPair || key instanceof SecretKey) return key._handle.get("the key pair");
    throw new TypeError("key must be a KeyPair or a SecretKey");
  }

  function publicBytes(publicKey) {
    if (publicKey instanceof KeyPair) return publicKey.publicKey._bytes;
    if (publicKey instanceof PublicKey) return publicKey._bytes;
    throw new TypeError("publicKey must be a PublicKey");
  }

  function recipientBytes(recipients) {
    const keys = recipients instanceof PublicKey ? [recipients] : Array.from(recipients || []);
    if (keys.length === 0) throw invalidArgument(EccryptError, "seal needs at least one recipient");
    const all = new Uint8Array(keys.length * VALUE_BYTES);
    keys.forEach((key, i) => {
      if (!(key instanceof PublicKey)) throw new TypeError("recipients must be PublicKey objects");
      all.set(key._bytes, i * VALUE_BYTES);
    });
    return [all, keys.length];
  }

  // ----- Sealed data --------------------------------------------------------------------------

  /** Seals data (bytes, or a string as UTF-8) for each recipient (a PublicKey or an array of
   * them): the bytes `eccrypt encrypt` writes, armoured as text with {armor: true}. */
  function seal(data, recipients, { armor = false } = {}) {
    const [keys, count] = recipientBytes(recipients);
    return withFrame((f) => {
      const [plain, plainLen] = f.input(dataBytes(data, "data"));
      const keyPtr = f.bytes(keys);
      // Room for the header, the 17 bytes each 64 KiB chunk adds, and armour's growth; the
      // library says so when more is needed (each sealing's length varies slightly).
      let capacity = plainLen + 17 * (Math.floor(plainLen / 65536) + 2) + 256 + 160 * count;
      if (armor) capacity = Math.floor((capacity * 4) / 3) + Math.floor(capacity / 48) + 128;
      return f.out(
        capacity,
        (out, len, err) => lib()._eccrypt_seal(plain, plainLen, keyPtr, count, armor ? 1 : 0, out, len, err),
        EccryptError,
        null,
        64 * count,
      );
    });
  }

  /** Opens sealed data (armoured or not) with a KeyPair or SecretKey. Nothing is returned
   * unless the whole data is authenticated; DecryptionError says why not. */
  function open(data, key) {
    const kp = pairHandle(key);
    return withFrame((f) => {
      const [sealed, sealedLen] = f.input(dataBytes(data, "data"));
      return f.out(sealedLen, (out, len, err) => lib()._eccrypt_open(sealed, sealedLen, kp, out, len, err), DecryptionError);
    });
  }

  // A stream of the C interface: pieces pushed in, output drained after each.
  class NativeStream {
    constructor(handle, errorClass) {
      this.handle = handle;
      this.errorClass = errorClass;
    }
    update(piece) {
      const bytes = asBytes(piece, "a piece of the stream");
      withFrame((f) => {
        const ptr = f.bytes(bytes);
        f.call((err) => lib()._eccrypt_stream_update(this.handle.get("the stream"), ptr, bytes.length, err), this.errorClass);
      });
    }
    final() {
      withFrame((f) => f.call((err) => lib()._eccrypt_stream_final(this.handle.get("the stream"), err), this.errorClass));
    }
    // The output collected so far (null when there is none).
    take() {
      const s = this.handle.get("the stream");
      const pending = M._eccrypt_stream_pending(s);
      if (pending === 0) return null;
      return withFrame((f) => f.out(pending, (out, len, err) => M._eccrypt_stream_read(s, out, len, err)));
    }
    dispose() {
      this.handle.dispose();
    }
  }

  function transform(makeStream) {
    let stream = null;
    const pass = (controller) => {
      const out = stream.take();
      if (out !== null) controller.enqueue(out);
    };
    const guarded = (step) => (...args) => {
      try {
        step(...args);
      } catch (e) {
        stream.dispose();
        throw e;
      }
    };
    return new TransformStream({
      start() {
        stream = makeStream();
      },
      transform: guarded((chunk, controller) => {
        stream.update(chunk);
        pass(controller);
      }),
      flush: guarded((controller) => {
        stream.final();
        pass(controller);
        stream.dispose();
      }),
    });
  }

  /** A TransformStream that seals the bytes written to it for the recipients (not armoured),
   * in constant memory: `readable.pipeThrough(sealStream(keys))`. */
  function sealStream(recipients) {
    const [keys, count] = recipientBytes(recipients);
    lib();
    return transform(() =>
      withFrame((f) => {
        const ptr = f.bytes(keys);
        return new NativeStream(
          newHandle((out, err) => M._eccrypt_seal_init(ptr, count, out, err), "_eccrypt_stream_free"),
          EccryptError,
        );
      }),
    );
  }

  /** A TransformStream that opens sealed data (armoured or not) with a KeyPair or SecretKey. Each
   * chunk of plaintext comes out once it is authenticated; the data is whole and unaltered only
   * when the stream ends without error: after a DecryptionError, discard what came out. */
  function openStream(key) {
    pairHandle(key);
    lib();
    return transform(
      () =>
        new NativeStream(
          newHandle((out, err) => M._eccrypt_open_init(pairHandle(key), out, err), "_eccrypt_stream_free", DecryptionError),
          DecryptionError,
        ),
    );
  }

  async function* pieces(source) {
    if (source && typeof source.getReader === "function") {
      const reader = source.getReader();
      try {
        for (;;) {
          const { done, value } = await reader.read();
          if (done) return;
          yield value;
        }
      } finally {
        reader.releaseLock();
      }
    } else if (source && typeof source[Symbol.asyncIterator] === "function") {
      yield* source;
    } else if (source && typeof source[Symbol.iterator] === "function") {
      yield* source;
    } else {
      throw new TypeError("source must be a ReadableStream or an iterable of Uint8Array pieces");
    }
  }

  async function drive(stream, source) {
    try {
      for await (const piece of pieces(source)) stream.update(piece);
      stream.final();
      const out = stream.take();
      return out === null ? "" : decoder.decode(out);
    } finally {
      stream.dispose();
    }
  }

  // ----- Signatures ---------------------------------------------------------------------------

  function commentBytes(comment, what) {
    if (comment === undefined || comment === null) return [new Uint8Array(0), false];
    if (typeof comment !== "string") throw new TypeError(`${what} must be a string`);
    return [encoder.encode(comment), false];
  }

  /** Signs data (bytes, or a string as UTF-8) with a KeyPair or SecretKey and returns the
   * signature file's text (the format of `eccrypt sign`). `comment` is the trusted comment,
   * covered by the signature; `untrustedComment` is not covered. */
  function sign(data, key, { comment, untrustedComment, form = "base64" } = {}) {
    const kp = pairHandle(key);
    const formNumber = formValue(form);
    return withFrame((f) => {
      const [message, messageLen] = f.input(dataBytes(data, "data"));
      const [trusted, trustedLen] = f.input(commentBytes(comment, "comment"));
      const [untrusted, untrustedLen] = f.input(commentBytes(untrustedComment, "untrustedComment"));
      return f.outText(SIGNATURE_FILE_CAPACITY, (out, len, err) =>
        lib()._eccrypt_sign_message(kp, message, messageLen, trusted, trustedLen, untrusted, untrustedLen, formNumber, out, len, err),
      );
    });
  }

  /** Checks that the signature file's text signs data under publicKey and returns its trusted
   * comment; BadSignature otherwise (changed data or comment, another key, not a signature
   * file). */
  function verify(data, signature, publicKey) {
    const key = publicBytes(publicKey);
    return withFrame((f) => {
      const [message, messageLen] = f.input(dataBytes(data, "data"));
      const [file, fileLen] = f.input(textBytes(signature, "signature"));
      const keyPtr = f.bytes(key);
      return f.outText(
        MAX_COMMENT_BYTES + 1,
        (out, len, err) => lib()._eccrypt_verify_message(message, messageLen, file, fileLen, keyPtr, out, len, err),
        BadSignature,
      );
    });
  }

  /** sign() for a message read from a ReadableStream (or an iterable of pieces), in constant
   * memory. */
  async function signStream(source, key, { comment, untrustedComment, form = "base64" } = {}) {
    const kp = pairHandle(key);
    const formNumber = formValue(form);
    const stream = withFrame((f) => {
      const [trusted, trustedLen] = f.input(commentBytes(comment, "comment"));
      const [untrusted, untrustedLen] = f.input(commentBytes(untrustedComment, "untrustedComment"));
      return new NativeStream(
        newHandle(
          (out, err) => lib()._eccrypt_sign_init(kp, trusted, trustedLen, untrusted, untrustedLen, formNumber, out, err),
          "_eccrypt_stream_free",
        ),
        EccryptError,
      );
    });
    // The stream uses the key pair until its end: keep it alive.
    const text = await drive(stream, source);
    void key;
    return text;
  }

  /** verify() for a message read from a ReadableStream (or an iterable of pieces). */
  async function verifyStream(source, signature, publicKey) {
    const key = publicBytes(publicKey);
    const stream = withFrame((f) => {
      const [file, fileLen] = f.input(textBytes(signature, "signature"));
      const keyPtr = f.bytes(key);
      return new NativeStream(
        newHandle((out, err) => lib()._eccrypt_verify_init(file, fileLen, keyPtr, out, err), "_eccrypt_stream_free", BadSignature),
        BadSignature,
      );
    });
    return drive(stream, source);
  }

  // ----- Key agreement ------------------------------------------------------------------------

  /** A new session key agreed with the holder of publicKey's secret key (the component's
   * Encrypt): {exchanged, sessionKey}, 32 bytes each; the session key is ready for symmetric
   * use. */
  function encapsulate(publicKey) {
    const key = publicBytes(publicKey);
    return withFrame((f) => {
      const keyPtr = f.bytes(key);
      const exchanged = f.alloc(VALUE_BYTES);
      const session = f.alloc(VALUE_BYTES);
      f.call((err) => lib()._eccrypt_encapsulate(keyPtr, exchanged, session, 0, err));
      return {
        exchanged: M.HEAPU8.slice(exchanged, exchanged + VALUE_BYTES),
        sessionKey: M.HEAPU8.slice(session, session + VALUE_BYTES),
      };
    });
  }

  function exchangedBytes(f, exchanged) {
    if (typeof exchanged === "string") {
      const [ptr, len] = f.input(textBytes(exchanged, "exchanged"));
      const out = f.alloc(VALUE_BYTES);
      f.call((err) => lib()._eccrypt_exchanged_value_parse(ptr, len, out, err), InvalidKey);
      return out;
    }
    const value = asBytes(exchanged, "exchanged");
    if (value.length !== VALUE_BYTES) throw new InvalidKey(9, `exchanged value: ${value.length} bytes, not ${VALUE_BYTES}`);
    return f.bytes(value);
  }

  /** The session key the sender of `exchanged` (32 bytes, or its text in either form) agreed
   * with the holder of key (the component's Decrypt). */
  function decapsulate(exchanged, key) {
    const kp = pairHandle(key);
    return withFrame((f) => {
      const value = exchangedBytes(f, exchanged);
      const session = f.alloc(VALUE_BYTES);
      f.call((err) => lib()._eccrypt_decapsulate(kp, value, session, 0, err), InvalidKey);
      return M.HEAPU8.slice(session, session + VALUE_BYTES);
    });
  }

  /** The exchanged value's text (the component's ExchangedValue) in form. */
  function exchangedValueText(exchanged, form = "base64") {
    const formNumber = formValue(form);
    return withFrame((f) => {
      const value = exchangedBytes(f, exchanged);
      return f.outText(
        VALUE_TEXT_CAPACITY,
        (out, len, err) => lib()._eccrypt_exchanged_value_to_text(value, formNumber, out, len, err),
        InvalidKey,
      );
    });
  }

  // ----- The component ------------------------------------------------------------------------

  /** The component for the library's legacy texts, mirroring it exactly: text properties read
   * and written by its operations, which never throw on bad input. A failed operation clears
   * every key, value and signature (passPhrase and ioMode are kept) and sets valid to false.
   * dispose() wipes its secrets now; otherwise they are wiped when it is garbage-collected. */
  class Component {
    constructor({ ioMode = "base64" } = {}) {
      this._handle = newHandle((out, err) => lib()._eccrypt_component_new(out, err), "_eccrypt_component_free");
      this.ioMode = ioMode;
    }
    _ptr() {
      return this._handle.get("the component");
    }
    _get(prop) {
      return withFrame((f) =>
        f.outText(128, (out, len, err) => lib()._eccrypt_component_get_text(this._ptr(), prop, out, len, err)),
      );
    }
    _set(prop, value) {
      if (typeof value !== "string") throw new TypeError("a component text must be a string");
      withFrame((f) => {
        const [ptr, len] = f.input([encoder.encode(value), true]);
        f.call((err) => lib()._eccrypt_component_set_text(this._ptr(), prop, ptr, len, err));
      });
    }
    /** The text form of keys, values and signatures: "hex" or "base64". */
    get ioMode() {
      return lib()._eccrypt_component_io_mode(this._ptr()) === FORM_HEX ? "hex" : "base64";
    }
    set ioMode(mode) {
      let form;
      if (mode === "hex") form = FORM_HEX;
      else if (mode === "base64" || mode === "radix64") form = FORM_RADIX64;
      else throw new TypeError(`ioMode must be "hex" or "base64", not ${JSON.stringify(mode)}`);
      withFrame((f) => f.call((err) => lib()._eccrypt_component_set_io_mode(this._ptr(), form, err)));
    }
    get passPhrase() {
      return this._get(PROP.passPhrase);
    }
    set passPhrase(v) {
      this._set(PROP.passPhrase, v);
    }
    get keyPublic() {
      return this._get(PROP.keyPublic);
    }
    set keyPublic(v) {
      this._set(PROP.keyPublic, v);
    }
    get keySecret() {
      return this._get(PROP.keySecret);
    }
    set keySecret(v) {
      this._set(PROP.keySecret, v);
    }
    get keySession() {
      return this._get(PROP.keySession);
    }
    set keySession(v) {
      this._set(PROP.keySession, v);
    }
    get exchangedValue() {
      return this._get(PROP.exchangedValue);
    }
    set exchangedValue(v) {
      this._set(PROP.exchangedValue, v);
    }
    get signature() {
      return this._get(PROP.signature);
    }
    set signature(v) {
      this._set(PROP.signature, v);
    }
    /** What the last verify() found (cleared by every failure). */
    get valid() {
      return lib()._eccrypt_component_valid(this._ptr()) === 1;
    }
    set valid(value) {
      withFrame((f) => f.call((err) => lib()._eccrypt_component_set_valid(this._ptr(), value ? 1 : 0, err)));
    }
    _run(name) {
      // Failures are the component's own: it clears itself; nothing is thrown.
      withFrame((f) => {
        const err = f.alloc(ERROR_BYTES);
        lib()[name](this._ptr(), err);
      });
    }
    /** Empties every key, value and signature and sets valid to false. */
    clear() {
      this._run("_eccrypt_component_clear");
    }
    /** keyPublic and keySecret from passPhrase. */
    makeKey() {
      this._run("_eccrypt_component_make_key");
    }
    /** A new keySession and exchangedValue for keyPublic. */
    encrypt() {
      this._run("_eccrypt_component_encrypt");
    }
    /** keySession from keySecret and exchangedValue. */
    decrypt() {
      this._run("_eccrypt_component_decrypt");
    }
    _digest(name, digest20) {
      const bytes = isBytes(digest20) ? asBytes(digest20, "digest20") : null;
      if (bytes === null || bytes.length !== DIGEST_BYTES) {
        // A digest of another length (or not bytes) is bad input: the component clears.
        this.clear();
        return;
      }
      withFrame((f) => {
        const ptr = f.bytes(bytes);
        const err = f.alloc(ERROR_BYTES);
        lib()[name](this._ptr(), ptr, err);
      });
    }
    /** signature of the 20-byte digest (a hash output) with keySecret. */
    sign(digest20) {
      this._digest("_eccrypt_component_sign", digest20);
    }
    /** Sets valid to whether signature signs the 20-byte digest under keyPublic; returns it. */
    verify(digest20) {
      this._digest("_eccrypt_component_verify", digest20);
      return this.valid;
    }
    /** Wipes and releases the component now; it cannot be used after. */
    dispose() {
      this._handle.dispose();
    }
    toString() {
      return `[eccrypt.Component ioMode=${this.ioMode} keyPublic=${JSON.stringify(this.keyPublic)} valid=${this.valid}]`;
    }
  }

  /** The library's version, "MAJOR.MINOR". */
  function version() {
    const ptr = lib()._eccrypt_version();
    let end = ptr;
    while (M.HEAPU8[end] !== 0) end++;
    return decoder.decode(M.HEAPU8.slice(ptr, end));
  }

  return {
    ready,
    version,
    PublicKey,
    SecretKey,
    KeyPair,
    seal,
    open,
    sealStream,
    openStream,
    sign,
    verify,
    signStream,
    verifyStream,
    encapsulate,
    decapsulate,
    exchangedValueText,
    Component,
    EccryptError,
    InvalidKey,
    DecryptionError,
    BadSignature,
  };
});
