// The package as an ES module: the same objects as require("eccrypt") (eccrypt.cjs).
import eccrypt from "./eccrypt.cjs";

export const {
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
} = eccrypt;
export default eccrypt;
