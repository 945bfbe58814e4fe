// Types of the eccrypt package (the same for import and require()).

/** Bytes: a Uint8Array, an ArrayBuffer or any typed array (its bytes). */
export type Bytes = Uint8Array | ArrayBuffer | ArrayBufferView;
/** Data to seal or sign: bytes, or a string taken as UTF-8. */
export type Data = Bytes | string;
/** A text form: radix-64 ("base64", also spelt "radix64") or upper-case hexadecimal. */
export type Form = "base64" | "radix64" | "hex";
/** A key that holds a secret: a key pair or its secret key. */
export type SecretKeyLike = KeyPair | SecretKey;

/** Loads the WebAssembly, once; call and await it before anything else. */
export function ready(): Promise<void>;
/** The library's version, "MAJOR.MINOR". */
export function version(): string;

/** A failure the library reports. */
export class EccryptError extends Error {
  constructor(errno: number, message?: string);
  /** The C interface's error name, e.g. "ECCRYPT_E_DAMAGED". */
  readonly code: string;
  /** The C interface's error number. */
  readonly errno: number;
}
/** A key, key file or value text that cannot be used. */
export class InvalidKey extends EccryptError {}
/** Sealed data or a protected key file that does not open. */
export class DecryptionError extends EccryptError {}
/** A signature that does not verify, or a signature file that cannot be read. */
export class BadSignature extends EccryptError {}

/** A public key: a point of the group, checked when made. */
export class PublicKey {
  private constructor();
  /** Reads a public key's text in either form. @throws InvalidKey */
  static fromText(text: string): PublicKey;
  /** Reads a public key from its 32 bytes. @throws InvalidKey */
  static fromBytes(bytes: Bytes): PublicKey;
  /** The key's text (default "base64"). */
  toText(form?: Form): string;
  /** The key's 32 bytes (a copy). */
  toBytes(): Uint8Array;
  /** The key id: 16 upper-case hexadecimal digits. */
  readonly keyId: string;
  equals(other: unknown): boolean;
}

/** A key pair's secret key; its text only through toText(). */
export class SecretKey {
  private constructor();
  static fromText(text: string | Bytes): SecretKey;
  toText(form?: Form): string;
  readonly publicKey: PublicKey;
}

/** A secret key and its public key; the secret stays in WebAssembly memory. */
export class KeyPair {
  private constructor();
  /** A new random key pair. */
  static generate(): KeyPair;
  /** The key pair the component's makeKey() derives from the pass phrase. */
  static fromPassphrase(phrase: string | Bytes): KeyPair;
  /** The key pair of a secret key's text, in either form. @throws InvalidKey */
  static fromText(secretKeyText: string | Bytes): KeyPair;
  /** The key pair of a key file, protected or in clear.
   * @throws DecryptionError (wrong pass phrase), InvalidKey */
  static fromKeyFile(data: string | Bytes, passphrase?: string | Bytes | null): KeyPair;
  /** This pair as a protected key file under the pass phrase. */
  toKeyFile(passphrase: string | Bytes, options?: { form?: Form }): string;
  readonly publicKey: PublicKey;
  readonly secretKey: SecretKey;
  /** Wipes and releases the secret key now. */
  dispose(): void;
}

/** Seals data for the recipients: the bytes `eccrypt encrypt` writes. */
export function seal(data: Data, recipients: PublicKey | Iterable<PublicKey>, options?: { armor?: boolean }): Uint8Array;
/** Opens sealed data (armoured or not); nothing unless all of it authenticates.
 * @throws DecryptionError */
export function open(data: Data, key: SecretKeyLike): Uint8Array;
/** A stream that seals what is written to it (not armoured). */
export function sealStream(recipients: PublicKey | Iterable<PublicKey>): TransformStream<Bytes, Uint8Array>;
/** A stream that opens sealed data (armoured or not); whole and unaltered only when it ends without error. */
export function openStream(key: SecretKeyLike): TransformStream<Bytes, Uint8Array>;

/** Options of sign() and signStream(). */
export interface SignOptions {
  /** The trusted comment, covered by the signature. */
  comment?: string;
  /** A comment shown but not covered by the signature. */
  untrustedComment?: string;
  form?: Form;
}
/** A source of pieces for the streaming forms. */
export type Source = ReadableStream<Bytes> | AsyncIterable<Bytes> | Iterable<Bytes>;
/** Signs data; the signature file's text (the format of `eccrypt sign`). */
export function sign(data: Data, key: SecretKeyLike, options?: SignOptions): string;
/** Checks a signature file's text on data; its trusted comment. @throws BadSignature */
export function verify(data: Data, signature: string | Bytes, publicKey: PublicKey | KeyPair): string;
/** sign() for a message read in pieces. */
export function signStream(source: Source, key: SecretKeyLike, options?: SignOptions): Promise<string>;
/** verify() for a message read in pieces. */
export function verifyStream(source: Source, signature: string | Bytes, publicKey: PublicKey | KeyPair): Promise<string>;

/** A new session key agreed with the holder of publicKey's secret key. */
export function encapsulate(publicKey: PublicKey | KeyPair): { exchanged: Uint8Array; sessionKey: Uint8Array };
/** The session key of an exchanged value (32 bytes or its text). @throws InvalidKey */
export function decapsulate(exchanged: Bytes | string, key: SecretKeyLike): Uint8Array;
/** The exchanged value's text. */
export function exchangedValueText(exchanged: Bytes | string, form?: Form): string;

/** The component for the library's legacy texts; its operations never throw on bad input. */
export class Component {
  constructor(options?: { ioMode?: Form });
  ioMode: "base64" | "hex";
  passPhrase: string;
  keyPublic: string;
  keySecret: string;
  keySession: string;
  exchangedValue: string;
  signature: string;
  valid: boolean;
  clear(): void;
  makeKey(): void;
  encrypt(): void;
  decrypt(): void;
  /** signature of the 20-byte digest with keySecret. */
  sign(digest20: Bytes): void;
  /** Sets valid to whether signature signs the 20-byte digest under keyPublic. */
  verify(digest20: Bytes): boolean;
  /** Wipes and releases the component now. */
  dispose(): void;
}

declare const eccrypt: {
  ready: typeof ready;
  version: typeof version;
  PublicKey: typeof PublicKey;
  SecretKey: typeof SecretKey;
  KeyPair: typeof KeyPair;
  seal: typeof seal;
  open: typeof open;
  sealStream: typeof sealStream;
  openStream: typeof openStream;
  sign: typeof sign;
  verify: typeof verify;
  signStream: typeof signStream;
  verifyStream: typeof verifyStream;
  encapsulate: typeof encapsulate;
  decapsulate: typeof decapsulate;
  exchangedValueText: typeof exchangedValueText;
  Component: typeof Component;
  EccryptError: typeof EccryptError;
  InvalidKey: typeof InvalidKey;
  DecryptionError: typeof DecryptionError;
  BadSignature: typeof BadSignature;
};
export default eccrypt;
