#pragma once
/// @file
/// @brief The library's interface for programs: include this one header.
///
/// Namespace eccrypt. Typed values parsed once (PublicKey, SecretKey, ExchangedValue,
/// Signature), random and pass-phrase key pairs (KeyPair), key agreement (Encapsulate,
/// Decapsulate), signatures on digests (SignDigest, VerifyDigest) and on messages as signature
/// files (SignMessage, VerifyMessage), and Result<T> / Error for every failure. Texts are exactly
/// those of the component TEllipticCurve (ECCrypt/ECCrypt.h), so keys and values pass between the
/// two unchanged.
///
/// Every operation on untrusted input returns a result or an error: it never throws for bad
/// input, never modifies its inputs and never touches the caller's other keys.
// A consumer below C++20 gets this one error, not the many its headers would give.
#if (!defined(_MSVC_LANG) && __cplusplus < 202002L) || (defined(_MSVC_LANG) && _MSVC_LANG < 202002L)
#error "ECCrypt needs C++20 or later: compile with -std=c++20 (MSVC: /std:c++20)"
#else
#include "ECCrypt/api/agreement.h"
#include "ECCrypt/api/keys.h"
#include "ECCrypt/api/result.h"
#include "ECCrypt/api/signing.h"
#include "ECCrypt/formats/keyFile.h"
#include "ECCrypt/formats/messageSignature.h"
#include "ECCrypt/formats/sealedData.h"
#include "ECCrypt/formats/signatureFile.h"
#endif  // C++20
