/* clang-format off */
/**
 * @file
 * @brief The library's C interface: keys, key agreement, signatures, sealed data, signature
 * files and the component, for C programs and for other languages' bindings (C99; compiles as
 * C and as C++). Library libeccrypt_c.so.1, pkg-config package eccrypt_c.
 *
 * Conventions, the same for every function:
 * - Every function but the free functions, eccrypt_strerror, eccrypt_version and
 *   eccrypt_stream_pending returns an error code: ECCRYPT_OK (0) or one of ECCRYPT_E_*. The
 *   values never change between releases; new codes are only added.
 * - The last argument of every function that can fail is an eccrypt_error pointer, which may be
 *   NULL. On failure it receives the code and a message naming the value and what is wrong with
 *   it (never the characters of a secret); on success its code is ECCRYPT_OK and its message
 *   empty.
 * - Texts and data are passed as a pointer and a length in bytes: texts need no terminating
 *   NUL. A NULL pointer with length 0 is an empty input.
 * - Output buffers are given by the caller with a pointer and a size_t *out_len: on entry its
 *   capacity in bytes, on return the number of bytes written. Text outputs are written with a
 *   terminating NUL that the returned length does not count. When the capacity is too small,
 *   the function writes nothing, returns ECCRYPT_E_BUFFER_TOO_SMALL and sets *out_len to the
 *   capacity needed (for a text, its length plus one).
 * - Public keys and exchanged values are 32-byte arrays (ECCRYPT_VALUE_BYTES), checked each
 *   time they are used; key pairs, streams and components are opaque handles, released with
 *   their free function, which wipes every secret they hold. Free functions accept NULL.
 * - Inputs are never modified. No C++ exception leaves the library: running out of memory gives
 *   ECCRYPT_E_OUT_OF_MEMORY, any other unexpected failure ECCRYPT_E_INTERNAL.
 * - Threads: functions may run on any threads at once, on different handles; one handle is used
 *   by one thread at a time.
 */
/* clang-format on */
#ifndef ECCRYPT_C_H
#define ECCRYPT_C_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/** @brief Size in bytes of a public key, an exchanged value, a session key or a secret key. */
#define ECCRYPT_VALUE_BYTES 32
/** @brief Size in bytes of the digest that digest signatures sign. */
#define ECCRYPT_DIGEST_BYTES 20
/** @brief Size in bytes of a message's SHA-256, what the prehashed message signatures take. */
#define ECCRYPT_PREHASH_BYTES 32
/** @brief Capacity that holds every key id text (16 hexadecimal digits and a NUL). */
#define ECCRYPT_KEY_ID_CAPACITY 17
/** @brief Capacity that holds every value text (key, exchanged value, session key) and a NUL. */
#define ECCRYPT_VALUE_TEXT_CAPACITY 96
/** @brief Capacity that holds every digest signature text "r:s" and a NUL. */
#define ECCRYPT_SIGNATURE_TEXT_CAPACITY 160
/** @brief The longest comment of a signature file, in bytes. */
#define ECCRYPT_MAX_COMMENT_BYTES 1024
/** @brief Capacity that holds every signature file eccrypt_sign_message writes, and a NUL. */
#define ECCRYPT_SIGNATURE_FILE_CAPACITY 4096
/** @brief The most recipients of one piece of sealed data. */
#define ECCRYPT_MAX_RECIPIENTS 1024
/** @brief Size of the message buffer of eccrypt_error (longer messages are cut). */
#define ECCRYPT_MESSAGE_BYTES 256

/** @brief Text form radix-64 (the component's IOMode Base64; not RFC 4648 Base64). */
#define ECCRYPT_FORM_RADIX64 0
/** @brief Text form upper-case hexadecimal (the component's IOMode Hex). */
#define ECCRYPT_FORM_HEX 1

/** @name Error codes
 * Codes 1 to 23 are the C++ interface's eccrypt::ErrorCode plus one; codes from 100 on belong
 * to the C interface.
 * @{ */
#define ECCRYPT_OK 0                      /**< Success. */
#define ECCRYPT_E_EMPTY 1                 /**< The text is empty. */
#define ECCRYPT_E_BAD_CHARACTER 2         /**< A character that no text form allows. */
#define ECCRYPT_E_TOO_LONG 3              /**< More digits than the value can have. */
#define ECCRYPT_E_NOT_CANONICAL 4         /**< Not the one text written for its value. */
#define ECCRYPT_E_NOT_A_GROUP_POINT 5     /**< Not a point of the group, or the zero point. */
#define ECCRYPT_E_MULTIPLE_OF_ORDER 6     /**< A secret key or signature half that is zero mod n. */
#define ECCRYPT_E_OUT_OF_RANGE 7          /**< A value at or above n, or a limit out of range. */
#define ECCRYPT_E_MISSING_SEPARATOR 8     /**< A signature text without its ':'. */
#define ECCRYPT_E_WRONG_LENGTH 9          /**< A byte string of the wrong length. */
#define ECCRYPT_E_BAD_SIGNATURE 10        /**< The signature does not fit the data and the key. */
#define ECCRYPT_E_RANDOM_SOURCE_FAILED 11 /**< The operating system's random source failed. */
#define ECCRYPT_E_INTERNAL 12             /**< An unexpected failure inside the library. */
#define ECCRYPT_E_MALFORMED 13            /**< Not in the expected format. */
#define ECCRYPT_E_UNSUPPORTED_VERSION 14  /**< A format version that is not read. */
#define ECCRYPT_E_NO_MATCHING_KEY 15      /**< The sealed data is for other keys. */
#define ECCRYPT_E_HEADER_ALTERED 16       /**< The sealed data's header fails authentication. */
#define ECCRYPT_E_DAMAGED 17              /**< A block of sealed data fails authentication. */
#define ECCRYPT_E_TRUNCATED 18            /**< The data ends before its end is marked. */
#define ECCRYPT_E_TRAILING_DATA 19        /**< More data follows what marks the end. */
#define ECCRYPT_E_WRONG_PASS_PHRASE 20    /**< The pass phrase does not open the key file. */
#define ECCRYPT_E_PASS_PHRASE_REFUSED 21  /**< A new pass phrase that cannot be used. */
#define ECCRYPT_E_KEY_MISMATCH 22         /**< The signature names another key. */
#define ECCRYPT_E_INVALID_ARGUMENT 23     /**< A call the interface does not allow. */
#define ECCRYPT_E_BUFFER_TOO_SMALL 100    /**< The output buffer is too small: see *out_len. */
#define ECCRYPT_E_OUT_OF_MEMORY 101       /**< Memory ran out. */
#define ECCRYPT_E_NULL_ARGUMENT 102       /**< A pointer that must not be NULL is NULL. */
#define ECCRYPT_E_BAD_FORM 103            /**< A text form other than the ECCRYPT_FORM_*. */
/** @} */

/** @brief Why a call failed: its code and a message for people (NUL-terminated). */
typedef struct eccrypt_error {
  int code;                            /**< ECCRYPT_OK or an ECCRYPT_E_* code. */
  char message[ECCRYPT_MESSAGE_BYTES]; /**< What is wrong, naming the value concerned. */
} eccrypt_error;

/** @brief A short fixed name of @p code ("bad character", "buffer too small", ...); "unknown
 * error" for a code not listed. The text is static. */
const char* eccrypt_strerror(int code);
/** @brief The library's version, "MAJOR.MINOR" (static text). */
const char* eccrypt_version(void);
/** @brief Overwrites @p len bytes at @p p with zeros in a way the compiler does not remove, for
 * the caller's copies of secrets. Accepts NULL. */
void eccrypt_wipe(void* p, size_t len);

/* ----- Key pairs ----- */

/** @brief A secret key with its public key. Opaque; release with eccrypt_keypair_free. */
typedef struct eccrypt_keypair eccrypt_keypair;

/** @brief A new random key pair (secret uniform on [1, n)) into @p *out.
 * @return ECCRYPT_OK, ECCRYPT_E_RANDOM_SOURCE_FAILED. */
int eccrypt_keypair_generate(eccrypt_keypair** out, eccrypt_error* err);
/** @brief The key pair the component's MakeKey derives from the pass phrase. */
int eccrypt_keypair_from_passphrase(const char* phrase, size_t phrase_len, eccrypt_keypair** out,
                                    eccrypt_error* err);
/** @brief The key pair of a secret key's text, in either form. */
int eccrypt_keypair_from_secret_text(const char* text, size_t text_len, eccrypt_keypair** out,
                                     eccrypt_error* err);
/** @brief The key pair of a key file: protected (opened with the pass phrase) or in clear (the
 * pass phrase is not used and may be empty). The files `eccrypt keygen` writes. */
int eccrypt_keypair_from_key_file(const char* text, size_t text_len, const char* phrase,
                                  size_t phrase_len, eccrypt_keypair** out, eccrypt_error* err);
/** @brief The pair as a protected key file under @p phrase, keys in text form @p form; 0 for
 * @p ops_limit or @p mem_limit takes the default Argon2id limit. Writes a NUL-terminated text. */
int eccrypt_keypair_to_key_file(const eccrypt_keypair* kp, const char* phrase, size_t phrase_len,
                                int form, uint64_t ops_limit, size_t mem_limit, char* out,
                                size_t* out_len, eccrypt_error* err);
/** @brief The pair's public key as 32 bytes. */
int eccrypt_keypair_public_key(const eccrypt_keypair* kp, uint8_t out[ECCRYPT_VALUE_BYTES],
                               eccrypt_error* err);
/** @brief The secret key's text in @p form (the caller should wipe it after use). */
int eccrypt_keypair_secret_text(const eccrypt_keypair* kp, int form, char* out, size_t* out_len,
                                eccrypt_error* err);
/** @brief Wipes and releases the key pair. Accepts NULL. */
void eccrypt_keypair_free(eccrypt_keypair* kp);

/* ----- Public keys, exchanged values, session keys, signatures as texts ----- */

/** @brief Reads a public key's text (either form, told by the text) into 32 bytes. */
int eccrypt_public_key_parse(const char* text, size_t text_len, uint8_t out[ECCRYPT_VALUE_BYTES],
                             eccrypt_error* err);
/** @brief Checks that 32 bytes are a public key (a point of the group, not zero). */
int eccrypt_public_key_check(const uint8_t key[ECCRYPT_VALUE_BYTES], eccrypt_error* err);
/** @brief The public key's text in @p form, the one the component writes. */
int eccrypt_public_key_to_text(const uint8_t key[ECCRYPT_VALUE_BYTES], int form, char* out,
                               size_t* out_len, eccrypt_error* err);
/** @brief The key id: 16 upper-case hexadecimal digits and a NUL into @p out. */
int eccrypt_key_id(const uint8_t key[ECCRYPT_VALUE_BYTES], char out[ECCRYPT_KEY_ID_CAPACITY],
                   eccrypt_error* err);
/** @brief Reads an exchanged value's text (either form) into 32 bytes. */
int eccrypt_exchanged_value_parse(const char* text, size_t text_len,
                                  uint8_t out[ECCRYPT_VALUE_BYTES], eccrypt_error* err);
/** @brief The exchanged value's text in @p form, the component's ExchangedValue. */
int eccrypt_exchanged_value_to_text(const uint8_t value[ECCRYPT_VALUE_BYTES], int form, char* out,
                                    size_t* out_len, eccrypt_error* err);
/** @brief The raw session key's text in @p form: the component's KeySession. */
int eccrypt_session_key_to_text(const uint8_t raw[ECCRYPT_VALUE_BYTES], int form, char* out,
                                size_t* out_len, eccrypt_error* err);
/** @brief Reads a digest signature "r:s" (either form, also the component's unreduced s) and
 * writes its canonical text in @p form. */
int eccrypt_signature_to_text(const char* text, size_t text_len, int form, char* out,
                              size_t* out_len, eccrypt_error* err);

/* ----- Key agreement (the component's Encrypt and Decrypt) ----- */

/** @brief Agrees a new session key with the holder of @p recipient's secret key: the exchanged
 * value to send, the session key for symmetric use (HKDF-SHA-256 of the raw key, the exchanged
 * value and the recipient) and, if @p raw is not NULL, the raw session key (the component's
 * KeySessionBytes; never use it as a key directly). */
int eccrypt_encapsulate(const uint8_t recipient[ECCRYPT_VALUE_BYTES],
                        uint8_t exchanged[ECCRYPT_VALUE_BYTES],
                        uint8_t symmetric[ECCRYPT_VALUE_BYTES], uint8_t raw[ECCRYPT_VALUE_BYTES],
                        eccrypt_error* err);
/** @brief The session key the sender of @p exchanged agreed with @p kp: the symmetric key and,
 * if @p raw is not NULL, the raw key. */
int eccrypt_decapsulate(const eccrypt_keypair* kp, const uint8_t exchanged[ECCRYPT_VALUE_BYTES],
                        uint8_t symmetric[ECCRYPT_VALUE_BYTES], uint8_t raw[ECCRYPT_VALUE_BYTES],
                        eccrypt_error* err);

/* ----- Digest signatures (the component's Sign and Verify) ----- */

/** @brief Signs a 20-byte digest (a hash output) and writes the signature's text "r:s". */
int eccrypt_sign_digest(const eccrypt_keypair* kp, const uint8_t digest[ECCRYPT_DIGEST_BYTES],
                        int form, char* out, size_t* out_len, eccrypt_error* err);
/** @brief Checks a signature's text on a 20-byte digest under @p key.
 * @return ECCRYPT_OK, or ECCRYPT_E_BAD_SIGNATURE or the signature text's parse error. */
int eccrypt_verify_digest(const uint8_t digest[ECCRYPT_DIGEST_BYTES], const char* signature,
                          size_t signature_len, const uint8_t key[ECCRYPT_VALUE_BYTES],
                          eccrypt_error* err);

/* ----- Signature files (messages of any length) ----- */

/** @brief Signs @p message with @p kp and writes the signature file's text. The trusted
 * comment is covered by the signature, the untrusted one is not; either may be empty. */
int eccrypt_sign_message(const eccrypt_keypair* kp, const uint8_t* message, size_t message_len,
                         const char* trusted_comment, size_t trusted_len,
                         const char* untrusted_comment, size_t untrusted_len, int form, char* out,
                         size_t* out_len, eccrypt_error* err);
/** @brief eccrypt_sign_message for a message whose SHA-256 the caller has computed. */
int eccrypt_sign_message_prehashed(const eccrypt_keypair* kp,
                                   const uint8_t prehash[ECCRYPT_PREHASH_BYTES],
                                   const char* trusted_comment, size_t trusted_len,
                                   const char* untrusted_comment, size_t untrusted_len, int form,
                                   char* out, size_t* out_len, eccrypt_error* err);
/** @brief Checks that @p signature_file signs @p message under @p key and writes its trusted
 * comment into @p trusted_out (may be NULL, then @p trusted_len too).
 * @return ECCRYPT_OK, or ECCRYPT_E_MALFORMED, ECCRYPT_E_UNSUPPORTED_VERSION,
 *   ECCRYPT_E_KEY_MISMATCH, ECCRYPT_E_BAD_SIGNATURE. */
int eccrypt_verify_message(const uint8_t* message, size_t message_len, const char* signature_file,
                           size_t signature_len, const uint8_t key[ECCRYPT_VALUE_BYTES],
                           char* trusted_out, size_t* trusted_len, eccrypt_error* err);
/** @brief eccrypt_verify_message for a message whose SHA-256 the caller has computed. */
int eccrypt_verify_message_prehashed(const uint8_t prehash[ECCRYPT_PREHASH_BYTES],
                                     const char* signature_file, size_t signature_len,
                                     const uint8_t key[ECCRYPT_VALUE_BYTES], char* trusted_out,
                                     size_t* trusted_len, eccrypt_error* err);

/* ----- Sealed data (the encrypted-file format of the eccrypt tool) ----- */

/** @brief Seals @p data for @p recipient_count public keys of 32 bytes each, laid end to end at
 * @p recipients, armoured as text when @p armor is not 0. After ECCRYPT_E_BUFFER_TOO_SMALL,
 * repeat the call with a larger buffer: the sealed length varies slightly from call to call
 * (the texts inside vary), so give the capacity reported plus some room (64 bytes per
 * recipient is ample). */
int eccrypt_seal(const uint8_t* data, size_t data_len, const uint8_t* recipients,
                 size_t recipient_count, int armor, uint8_t* out, size_t* out_len,
                 eccrypt_error* err);
/** @brief Opens sealed data (armoured or not) with @p kp. The plaintext is never longer than
 * the sealed data, so a capacity of @p data_len always fits. Nothing is written unless the
 * whole data is authenticated. */
int eccrypt_open(const uint8_t* data, size_t data_len, const eccrypt_keypair* kp, uint8_t* out,
                 size_t* out_len, eccrypt_error* err);

/* ----- Streams: sealing, opening, signing, verifying in pieces, in constant memory ----- */

/** @brief A stream of one of four kinds (see the init functions). Push each piece with
 * eccrypt_stream_update, then call eccrypt_stream_final once. A stream's output (sealed bytes,
 * plaintext, the signature file, the trusted comment) collects inside it: take it with
 * eccrypt_stream_read after each call. Release with eccrypt_stream_free. */
typedef struct eccrypt_stream eccrypt_stream;

/** @brief A stream that seals for the recipients (as eccrypt_seal, without armour). */
int eccrypt_seal_init(const uint8_t* recipients, size_t recipient_count, eccrypt_stream** out,
                      eccrypt_error* err);
/** @brief A stream that opens sealed data (armoured or not) with a copy of @p kp's secret key. Its
 * output is plaintext whose chunks have been authenticated; the data is whole and unaltered
 * only when eccrypt_stream_final succeeds. */
int eccrypt_open_init(const eccrypt_keypair* kp, eccrypt_stream** out, eccrypt_error* err);
/** @brief A stream that signs a message: eccrypt_stream_final makes the signature file, which
 * is then the stream's output. @p kp must stay alive until then; the comments are copied. */
int eccrypt_sign_init(const eccrypt_keypair* kp, const char* trusted_comment, size_t trusted_len,
                      const char* untrusted_comment, size_t untrusted_len, int form,
                      eccrypt_stream** out, eccrypt_error* err);
/** @brief A stream that verifies a message against @p signature_file (copied) under @p key:
 * eccrypt_stream_final checks it, and the trusted comment is then the stream's output. */
int eccrypt_verify_init(const char* signature_file, size_t signature_len,
                        const uint8_t key[ECCRYPT_VALUE_BYTES], eccrypt_stream** out,
                        eccrypt_error* err);
/** @brief Pushes the next piece of input. After an error or after final it gives
 * ECCRYPT_E_INVALID_ARGUMENT. */
int eccrypt_stream_update(eccrypt_stream* s, const uint8_t* piece, size_t piece_len,
                          eccrypt_error* err);
/** @brief Ends the input: the last sealed bytes or plaintext, the signature file, or the
 * verdict. */
int eccrypt_stream_final(eccrypt_stream* s, eccrypt_error* err);
/** @brief Moves up to *out_len bytes of the output collected so far into @p out; *out_len
 * becomes the number moved (0 when none is left). Never gives ECCRYPT_E_BUFFER_TOO_SMALL. */
int eccrypt_stream_read(eccrypt_stream* s, uint8_t* out, size_t* out_len, eccrypt_error* err);
/** @brief The number of output bytes waiting to be read (0 for NULL). */
size_t eccrypt_stream_pending(const eccrypt_stream* s);
/** @brief Wipes and releases the stream. Accepts NULL. */
void eccrypt_stream_free(eccrypt_stream* s);

/* ----- The component (TEllipticCurve) ----- */

/** @brief The component: text properties and operations that never fail loudly (a failure
 * clears the keys, values and signature and sets valid to false). Opaque; release with
 * eccrypt_component_free, which wipes the pass phrase, secret and session keys. */
typedef struct eccrypt_component eccrypt_component;

/** @name Text properties of the component
 * @{ */
#define ECCRYPT_PROP_PASS_PHRASE 0     /**< PassPhrase */
#define ECCRYPT_PROP_KEY_PUBLIC 1      /**< KeyPublic */
#define ECCRYPT_PROP_KEY_SECRET 2      /**< KeySecret */
#define ECCRYPT_PROP_KEY_SESSION 3     /**< KeySession */
#define ECCRYPT_PROP_EXCHANGED_VALUE 4 /**< ExchangedValue */
#define ECCRYPT_PROP_SIGNATURE 5       /**< Signature */
/** @} */

/** @brief A new component (IOMode radix-64, every text empty, valid false). */
int eccrypt_component_new(eccrypt_component** out, eccrypt_error* err);
/** @brief Wipes and releases the component. Accepts NULL. */
void eccrypt_component_free(eccrypt_component* c);
/** @brief Sets IOMode: ECCRYPT_FORM_HEX selects hexadecimal, every other value radix-64. */
int eccrypt_component_set_io_mode(eccrypt_component* c, int mode, eccrypt_error* err);
/** @brief IOMode as set (ECCRYPT_FORM_HEX or another value meaning radix-64); -1 for NULL. */
int eccrypt_component_io_mode(const eccrypt_component* c);
/** @brief Sets the text property @p prop (ECCRYPT_PROP_*). */
int eccrypt_component_set_text(eccrypt_component* c, int prop, const char* text, size_t text_len,
                               eccrypt_error* err);
/** @brief Copies the text property @p prop (ECCRYPT_PROP_*), NUL-terminated. */
int eccrypt_component_get_text(const eccrypt_component* c, int prop, char* out, size_t* out_len,
                               eccrypt_error* err);
/** @brief Valid: 1 or 0; -1 for NULL. */
int eccrypt_component_valid(const eccrypt_component* c);
/** @brief Sets Valid (0 false, any other value true). */
int eccrypt_component_set_valid(eccrypt_component* c, int valid, eccrypt_error* err);
/** @brief Clear: every key, value and signature emptied, valid false. */
int eccrypt_component_clear(eccrypt_component* c, eccrypt_error* err);
/** @brief MakeKey: the key pair of PassPhrase into KeySecret and KeyPublic. */
int eccrypt_component_make_key(eccrypt_component* c, eccrypt_error* err);
/** @brief Encrypt: a new session key for KeyPublic into KeySession and ExchangedValue. */
int eccrypt_component_encrypt(eccrypt_component* c, eccrypt_error* err);
/** @brief Decrypt: the session key of ExchangedValue and KeySecret into KeySession. */
int eccrypt_component_decrypt(eccrypt_component* c, eccrypt_error* err);
/** @brief Sign: a signature of the 20-byte digest with KeySecret into Signature. */
int eccrypt_component_sign(eccrypt_component* c, const uint8_t digest[ECCRYPT_DIGEST_BYTES],
                           eccrypt_error* err);
/** @brief Verify: sets Valid to whether Signature signs the 20-byte digest under KeyPublic. */
int eccrypt_component_verify(eccrypt_component* c, const uint8_t digest[ECCRYPT_DIGEST_BYTES],
                             eccrypt_error* err);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ECCRYPT_C_H */
