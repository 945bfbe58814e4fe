/* Tests of the C interface (ECCrypt/c/eccrypt_c.h), compiled as C99.
   Usage: eccrypt_c_tests GROUP DATA_DIR   (DATA_DIR: tests/tool/data, the stored files) */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "ECCrypt/c/eccrypt_c.h"

static int failures = 0;

#define CHECK(cond)                                                      \
  do {                                                                   \
    if (!(cond)) {                                                       \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond); \
      ++failures;                                                        \
    }                                                                    \
  } while (0)

/* A call expected to succeed; shows the library's message when it does not. */
#define OK(call)                                                                                   \
  do {                                                                                             \
    eccrypt_error e_;                                                                              \
    int status_;                                                                                   \
    memset(&e_, 0x55, sizeof e_);                                                                  \
    status_ = (call);                                                                              \
    if (status_ != ECCRYPT_OK || e_.code != ECCRYPT_OK || e_.message[0] != '\0') {                 \
      fprintf(stderr, "%s:%d: %s gave %d (%s)\n", __FILE__, __LINE__, #call, status_, e_.message); \
      ++failures;                                                                                  \
    }                                                                                              \
  } while (0)

static const char* dataDir = ".";

/* The whole of a stored file; *len its length. Exits when it cannot be read. */
static char* ReadFile(const char* name, size_t* len) {
  char path[1024];
  FILE* f;
  char* buf;
  long n;
  snprintf(path, sizeof path, "%s/%s", dataDir, name);
  f = fopen(path, "rb");
  if (f == NULL || fseek(f, 0, SEEK_END) != 0 || (n = ftell(f)) < 0 || fseek(f, 0, SEEK_SET) != 0) {
    fprintf(stderr, "cannot read %s\n", path);
    exit(2);
  }
  buf = malloc((size_t)n + 1);
  if (buf == NULL || fread(buf, 1, (size_t)n, f) != (size_t)n) exit(2);
  buf[n] = '\0';
  fclose(f);
  *len = (size_t)n;
  return buf;
}

/* The text up to its first line feed (a stored key's text). */
static size_t LineLength(const char* text) {
  return strcspn(text, "\n");
}

static eccrypt_keypair* Generate(void) {
  eccrypt_keypair* kp = NULL;
  OK(eccrypt_keypair_generate(&kp, &e_));
  return kp;
}

static void PublicOf(const eccrypt_keypair* kp, uint8_t key[ECCRYPT_VALUE_BYTES]) {
  OK(eccrypt_keypair_public_key(kp, key, &e_));
}

/* Error codes: the stable values, their names, and the error structure's behaviour. */
static void TestErrors(void) {
  eccrypt_error err;
  uint8_t key[ECCRYPT_VALUE_BYTES];
  CHECK(ECCRYPT_E_EMPTY == 1 && ECCRYPT_E_INVALID_ARGUMENT == 23);
  CHECK(ECCRYPT_E_BUFFER_TOO_SMALL == 100 && ECCRYPT_E_BAD_FORM == 103);
  CHECK(strcmp(eccrypt_strerror(ECCRYPT_OK), "ok") == 0);
  CHECK(strcmp(eccrypt_strerror(ECCRYPT_E_BAD_CHARACTER), "bad character") == 0);
  CHECK(strcmp(eccrypt_strerror(ECCRYPT_E_INVALID_ARGUMENT), "invalid argument") == 0);
  CHECK(strcmp(eccrypt_strerror(ECCRYPT_E_BUFFER_TOO_SMALL), "buffer too small") == 0);
  CHECK(strcmp(eccrypt_strerror(24), "unknown error") == 0);
  CHECK(strcmp(eccrypt_strerror(-1), "unknown error") == 0);
  CHECK(strlen(eccrypt_version()) >= 3);
  /* The code is returned and stored; the message names the value. A NULL error is allowed. */
  CHECK(eccrypt_public_key_parse("ab*d", 4, key, &err) == ECCRYPT_E_BAD_CHARACTER);
  CHECK(err.code == ECCRYPT_E_BAD_CHARACTER && strstr(err.message, "public key") != NULL);
  CHECK(eccrypt_public_key_parse("ab*d", 4, key, NULL) == ECCRYPT_E_BAD_CHARACTER);
  /* NULL where a pointer is needed. */
  CHECK(eccrypt_public_key_parse(NULL, 4, key, &err) == ECCRYPT_E_NULL_ARGUMENT);
  CHECK(eccrypt_keypair_generate(NULL, &err) == ECCRYPT_E_NULL_ARGUMENT);
  CHECK(eccrypt_keypair_public_key(NULL, key, &err) == ECCRYPT_E_NULL_ARGUMENT);
  CHECK(eccrypt_stream_update(NULL, NULL, 0, &err) == ECCRYPT_E_NULL_ARGUMENT);
  /* Free functions take NULL; wipe zeroes. */
  eccrypt_keypair_free(NULL);
  eccrypt_stream_free(NULL);
  eccrypt_component_free(NULL);
  memset(key, 0xAA, sizeof key);
  eccrypt_wipe(key, sizeof key);
  CHECK(key[0] == 0 && key[31] == 0);
  eccrypt_wipe(NULL, 5);
}

/* Key pairs: random, from a pass phrase, from a secret's text, key files both ways. */
static void TestKeys(void) {
  eccrypt_keypair *a = Generate(), *b = Generate(), *c = NULL, *d = NULL;
  uint8_t pa[ECCRYPT_VALUE_BYTES], pb[ECCRYPT_VALUE_BYTES], pc[ECCRYPT_VALUE_BYTES];
  char secret[ECCRYPT_VALUE_TEXT_CAPACITY], file[2048];
  size_t len = sizeof secret, flen = sizeof file;
  eccrypt_error err;
  PublicOf(a, pa);
  PublicOf(b, pb);
  CHECK(memcmp(pa, pb, sizeof pa) != 0);
  /* Secret text round trip in both forms gives the same pair. */
  OK(eccrypt_keypair_secret_text(a, ECCRYPT_FORM_HEX, secret, &len, &e_));
  CHECK(len == strlen(secret));
  OK(eccrypt_keypair_from_secret_text(secret, len, &c, &e_));
  PublicOf(c, pc);
  CHECK(memcmp(pa, pc, sizeof pa) == 0);
  eccrypt_keypair_free(c);
  c = NULL;
  CHECK(eccrypt_keypair_secret_text(a, 7, secret, &len, &err) == ECCRYPT_E_BAD_FORM);
  CHECK(eccrypt_keypair_from_secret_text("0000", 4, &c, &err) == ECCRYPT_E_NOT_CANONICAL ||
        err.code == ECCRYPT_E_MULTIPLE_OF_ORDER);
  CHECK(c == NULL);
  CHECK(eccrypt_keypair_from_secret_text("", 0, &c, &err) == ECCRYPT_E_EMPTY);
  /* The same pass phrase gives the same pair. */
  OK(eccrypt_keypair_from_passphrase("phrase", 6, &c, &e_));
  OK(eccrypt_keypair_from_passphrase("phrase", 6, &d, &e_));
  PublicOf(c, pa);
  PublicOf(d, pb);
  CHECK(memcmp(pa, pb, sizeof pa) == 0);
  eccrypt_keypair_free(d);
  d = NULL;
  /* A protected key file (small Argon2id limits, for speed) opens with its phrase only. */
  OK(eccrypt_keypair_to_key_file(c, "pw", 2, ECCRYPT_FORM_RADIX64, 1, 8192 * 1024, file, &flen,
                                 &e_));
  CHECK(strncmp(file, "eccrypt", 7) == 0 && flen == strlen(file));
  OK(eccrypt_keypair_from_key_file(file, flen, "pw", 2, &d, &e_));
  PublicOf(d, pc);
  CHECK(memcmp(pa, pc, sizeof pa) == 0);
  eccrypt_keypair_free(d);
  d = NULL;
  CHECK(eccrypt_keypair_from_key_file(file, flen, "px", 2, &d, &err) ==
        ECCRYPT_E_WRONG_PASS_PHRASE);
  CHECK(d == NULL);
  CHECK(eccrypt_keypair_from_key_file("junk", 4, "pw", 2, &d, &err) == ECCRYPT_E_MALFORMED);
  CHECK(eccrypt_keypair_to_key_file(c, "", 0, ECCRYPT_FORM_RADIX64, 1, 8192 * 1024, file, &flen,
                                    &err) == ECCRYPT_E_PASS_PHRASE_REFUSED);
  eccrypt_keypair_free(a);
  eccrypt_keypair_free(b);
  eccrypt_keypair_free(c);
}

/* Texts: public keys in both forms, key ids, buffer too small, canonical signatures. */
static void TestTexts(void) {
  eccrypt_keypair* a = Generate();
  uint8_t key[ECCRYPT_VALUE_BYTES], back[ECCRYPT_VALUE_BYTES];
  char text[ECCRYPT_VALUE_TEXT_CAPACITY], hex[ECCRYPT_VALUE_TEXT_CAPACITY];
  char id[ECCRYPT_KEY_ID_CAPACITY], small[4];
  size_t len = sizeof text, hlen = sizeof hex, slen = sizeof small;
  eccrypt_error err;
  PublicOf(a, key);
  OK(eccrypt_public_key_to_text(key, ECCRYPT_FORM_RADIX64, text, &len, &e_));
  OK(eccrypt_public_key_to_text(key, ECCRYPT_FORM_HEX, hex, &hlen, &e_));
  CHECK(strcmp(text, hex) != 0);
  OK(eccrypt_public_key_parse(text, len, back, &e_));
  CHECK(memcmp(key, back, sizeof key) == 0);
  OK(eccrypt_public_key_parse(hex, hlen, back, &e_));
  CHECK(memcmp(key, back, sizeof key) == 0);
  OK(eccrypt_public_key_check(key, &e_));
  OK(eccrypt_key_id(key, id, &e_));
  CHECK(strlen(id) == 16 && strspn(id, "0123456789ABCDEF") == 16);
  /* Too small: nothing written, the capacity needed given; a size query with NULL works too. */
  memset(small, 'x', sizeof small);
  CHECK(eccrypt_public_key_to_text(key, ECCRYPT_FORM_HEX, small, &slen, &err) ==
        ECCRYPT_E_BUFFER_TOO_SMALL);
  CHECK(slen == hlen + 1 && small[0] == 'x' && err.code == ECCRYPT_E_BUFFER_TOO_SMALL);
  slen = 0;
  CHECK(eccrypt_public_key_to_text(key, ECCRYPT_FORM_HEX, NULL, &slen, &err) ==
        ECCRYPT_E_BUFFER_TOO_SMALL);
  CHECK(slen == hlen + 1);
  /* Exactly the capacity needed fits. */
  OK(eccrypt_public_key_to_text(key, ECCRYPT_FORM_HEX, hex, &slen, &e_));
  /* Bad texts and bad bytes. */
  CHECK(eccrypt_public_key_parse("", 0, back, &err) == ECCRYPT_E_EMPTY);
  CHECK(eccrypt_public_key_parse("0000", 4, back, &err) == ECCRYPT_E_NOT_CANONICAL);
  memset(back, 0, sizeof back);
  CHECK(eccrypt_public_key_check(back, &err) == ECCRYPT_E_NOT_A_GROUP_POINT);
  CHECK(eccrypt_public_key_to_text(back, ECCRYPT_FORM_HEX, hex, &hlen, &err) ==
        ECCRYPT_E_NOT_A_GROUP_POINT);
  CHECK(eccrypt_exchanged_value_parse("1:2", 3, back, &err) == ECCRYPT_E_BAD_CHARACTER);
  CHECK(eccrypt_signature_to_text("ABCD", 4, ECCRYPT_FORM_HEX, text, &len, &err) ==
        ECCRYPT_E_MISSING_SEPARATOR);
  eccrypt_keypair_free(a);
}

/* Key agreement: both sides agree; the texts convert; the component decrypts what C sent. */
static void TestAgreement(void) {
  eccrypt_keypair* a = Generate();
  uint8_t key[ECCRYPT_VALUE_BYTES], ex[ECCRYPT_VALUE_BYTES], ex2[ECCRYPT_VALUE_BYTES];
  uint8_t sym[ECCRYPT_VALUE_BYTES], raw[ECCRYPT_VALUE_BYTES];
  uint8_t sym2[ECCRYPT_VALUE_BYTES], raw2[ECCRYPT_VALUE_BYTES];
  char text[ECCRYPT_VALUE_TEXT_CAPACITY], secret[ECCRYPT_VALUE_TEXT_CAPACITY];
  char session[ECCRYPT_VALUE_TEXT_CAPACITY], compSession[ECCRYPT_VALUE_TEXT_CAPACITY];
  size_t len = sizeof text, slen = sizeof secret, klen = sizeof session, clen = sizeof compSession;
  eccrypt_component* c = NULL;
  eccrypt_error err;
  PublicOf(a, key);
  OK(eccrypt_encapsulate(key, ex, sym, raw, &e_));
  OK(eccrypt_decapsulate(a, ex, sym2, raw2, &e_));
  CHECK(memcmp(sym, sym2, sizeof sym) == 0 && memcmp(raw, raw2, sizeof raw) == 0);
  CHECK(memcmp(sym, raw, sizeof sym) != 0);
  OK(eccrypt_decapsulate(a, ex, sym2, NULL, &e_));
  /* Exchanged value text round trip, then the component's Decrypt on the texts. */
  OK(eccrypt_exchanged_value_to_text(ex, ECCRYPT_FORM_RADIX64, text, &len, &e_));
  OK(eccrypt_exchanged_value_parse(text, len, ex2, &e_));
  CHECK(memcmp(ex, ex2, sizeof ex) == 0);
  OK(eccrypt_session_key_to_text(raw, ECCRYPT_FORM_RADIX64, session, &klen, &e_));
  OK(eccrypt_keypair_secret_text(a, ECCRYPT_FORM_RADIX64, secret, &slen, &e_));
  OK(eccrypt_component_new(&c, &e_));
  OK(eccrypt_component_set_text(c, ECCRYPT_PROP_KEY_SECRET, secret, slen, &e_));
  OK(eccrypt_component_set_text(c, ECCRYPT_PROP_EXCHANGED_VALUE, text, len, &e_));
  OK(eccrypt_component_decrypt(c, &e_));
  OK(eccrypt_component_get_text(c, ECCRYPT_PROP_KEY_SESSION, compSession, &clen, &e_));
  CHECK(strcmp(session, compSession) == 0);
  eccrypt_wipe(secret, sizeof secret);
  /* Bad values. */
  memset(ex2, 0, sizeof ex2);
  CHECK(eccrypt_decapsulate(a, ex2, sym2, raw2, &err) == ECCRYPT_E_NOT_A_GROUP_POINT);
  CHECK(eccrypt_encapsulate(ex2, ex, sym, raw, &err) == ECCRYPT_E_NOT_A_GROUP_POINT);
  eccrypt_component_free(c);
  eccrypt_keypair_free(a);
}

/* Digest signatures: sign, verify, refuse a changed digest, convert forms. */
static void TestDigests(void) {
  eccrypt_keypair* a = Generate();
  uint8_t key[ECCRYPT_VALUE_BYTES], digest[ECCRYPT_DIGEST_BYTES];
  char sig[ECCRYPT_SIGNATURE_TEXT_CAPACITY], hex[ECCRYPT_SIGNATURE_TEXT_CAPACITY];
  size_t len = sizeof sig, hlen = sizeof hex;
  eccrypt_error err;
  memset(digest, 0x42, sizeof digest);
  PublicOf(a, key);
  OK(eccrypt_sign_digest(a, digest, ECCRYPT_FORM_RADIX64, sig, &len, &e_));
  CHECK(strchr(sig, ':') != NULL);
  OK(eccrypt_verify_digest(digest, sig, len, key, &e_));
  OK(eccrypt_signature_to_text(sig, len, ECCRYPT_FORM_HEX, hex, &hlen, &e_));
  OK(eccrypt_verify_digest(digest, hex, hlen, key, &e_));
  digest[19] ^= 1;
  CHECK(eccrypt_verify_digest(digest, sig, len, key, &err) == ECCRYPT_E_BAD_SIGNATURE);
  CHECK(eccrypt_verify_digest(digest, "x", 1, key, &err) == ECCRYPT_E_MISSING_SEPARATOR);
  eccrypt_keypair_free(a);
}

/* Signature files: whole and prehashed forms, comments, refusals. */
static void TestMessages(void) {
  eccrypt_keypair *a = Generate(), *b = Generate();
  uint8_t ka[ECCRYPT_VALUE_BYTES], kb[ECCRYPT_VALUE_BYTES], prehash[ECCRYPT_PREHASH_BYTES];
  const uint8_t msg[] = "a message";
  char file[ECCRYPT_SIGNATURE_FILE_CAPACITY], trusted[ECCRYPT_MAX_COMMENT_BYTES + 1];
  size_t len = sizeof file, tlen = sizeof trusted;
  eccrypt_error err;
  PublicOf(a, ka);
  PublicOf(b, kb);
  OK(eccrypt_sign_message(a, msg, sizeof msg - 1, "made today", 10, "untrusted", 9,
                          ECCRYPT_FORM_RADIX64, file, &len, &e_));
  CHECK(strstr(file, "trusted comment: made today\n") != NULL);
  OK(eccrypt_verify_message(msg, sizeof msg - 1, file, len, ka, trusted, &tlen, &e_));
  CHECK(strcmp(trusted, "made today") == 0 && tlen == 10);
  OK(eccrypt_verify_message(msg, sizeof msg - 1, file, len, ka, NULL, NULL, &e_));
  CHECK(eccrypt_verify_message(msg, sizeof msg - 2, file, len, ka, NULL, NULL, &err) ==
        ECCRYPT_E_BAD_SIGNATURE);
  CHECK(eccrypt_verify_message(msg, sizeof msg - 1, file, len, kb, NULL, NULL, &err) ==
        ECCRYPT_E_KEY_MISMATCH);
  CHECK(eccrypt_verify_message(msg, sizeof msg - 1, "x", 1, ka, NULL, NULL, &err) ==
        ECCRYPT_E_MALFORMED);
  CHECK(eccrypt_sign_message(a, msg, 1, "line\nbreak", 10, NULL, 0, ECCRYPT_FORM_HEX, file, &len,
                             &err) == ECCRYPT_E_MALFORMED);
  /* Prehashed: a signature over a given SHA-256 verifies by the prehashed verifier. */
  memset(prehash, 7, sizeof prehash);
  len = sizeof file;
  OK(eccrypt_sign_message_prehashed(a, prehash, NULL, 0, NULL, 0, ECCRYPT_FORM_HEX, file, &len,
                                    &e_));
  OK(eccrypt_verify_message_prehashed(prehash, file, len, ka, NULL, NULL, &e_));
  prehash[0] = 8;
  CHECK(eccrypt_verify_message_prehashed(prehash, file, len, ka, NULL, NULL, &err) ==
        ECCRYPT_E_BAD_SIGNATURE);
  eccrypt_keypair_free(a);
  eccrypt_keypair_free(b);
}

/* Sealed data: two recipients, armour, retry after too small, refusals. */
static void TestSealing(void) {
  eccrypt_keypair *a = Generate(), *b = Generate(), *c = Generate();
  uint8_t keys[2 * ECCRYPT_VALUE_BYTES];
  const uint8_t data[] = "sealed for two";
  uint8_t sealed[4096], plain[4096], tiny[8];
  size_t slen = sizeof sealed, plen = sizeof plain, tlen = sizeof tiny;
  int armor;
  eccrypt_error err;
  PublicOf(a, keys);
  PublicOf(b, keys + ECCRYPT_VALUE_BYTES);
  for (armor = 0; armor <= 1; ++armor) {
    slen = sizeof sealed;
    OK(eccrypt_seal(data, sizeof data, keys, 2, armor, sealed, &slen, &e_));
    CHECK((memcmp(sealed, "-----BEGIN", 10) == 0) == (armor == 1));
    plen = sizeof plain;
    OK(eccrypt_open(sealed, slen, a, plain, &plen, &e_));
    CHECK(plen == sizeof data && memcmp(plain, data, plen) == 0);
    plen = sizeof plain;
    OK(eccrypt_open(sealed, slen, b, plain, &plen, &e_));
    CHECK(plen == sizeof data);
    plen = sizeof plain;
    CHECK(eccrypt_open(sealed, slen, c, plain, &plen, &err) == ECCRYPT_E_NO_MATCHING_KEY);
  }
  /* Too small, then a retry with the capacity given (and room) succeeds. */
  CHECK(eccrypt_seal(data, sizeof data, keys, 1, 0, tiny, &tlen, &err) ==
        ECCRYPT_E_BUFFER_TOO_SMALL);
  CHECK(tlen > sizeof data && tlen <= sizeof sealed);
  slen = tlen + 64;
  OK(eccrypt_seal(data, sizeof data, keys, 1, 0, sealed, &slen, &e_));
  /* Tampering, truncation, and calls that are not allowed. */
  sealed[slen - 1] ^= 1;
  plen = sizeof plain;
  CHECK(eccrypt_open(sealed, slen, a, plain, &plen, &err) == ECCRYPT_E_DAMAGED);
  CHECK(eccrypt_open(sealed, slen - 40, a, plain, &plen, &err) == ECCRYPT_E_TRUNCATED ||
        err.code == ECCRYPT_E_DAMAGED);
  CHECK(eccrypt_open((const uint8_t*)"nope", 4, a, plain, &plen, &err) == ECCRYPT_E_MALFORMED);
  slen = sizeof sealed;
  CHECK(eccrypt_seal(data, sizeof data, keys, 0, 0, sealed, &slen, &err) ==
        ECCRYPT_E_INVALID_ARGUMENT);
  CHECK(eccrypt_seal(data, sizeof data, keys, ECCRYPT_MAX_RECIPIENTS + 1, 0, sealed, &slen, &err) ==
        ECCRYPT_E_INVALID_ARGUMENT);
  eccrypt_keypair_free(a);
  eccrypt_keypair_free(b);
  eccrypt_keypair_free(c);
}

/* Drains a stream's output into out (capacity cap) at *pos, in reads of odd sizes. */
static void Drain(eccrypt_stream* s, uint8_t* out, size_t cap, size_t* pos) {
  size_t n;
  do {
    n = 777;
    if (cap - *pos < n) n = cap - *pos;
    OK(eccrypt_stream_read(s, out + *pos, &n, &e_));
    *pos += n;
  } while (n != 0);
  CHECK(eccrypt_stream_pending(s) == 0);
}

/* Streams: seal, open, sign and verify in pieces of odd sizes, equal to the one-shot forms. */
static void TestStreams(void) {
  enum { kSize = 200000 };
  eccrypt_keypair* a = Generate();
  uint8_t key[ECCRYPT_VALUE_BYTES];
  uint8_t *data = malloc(kSize), *sealed = malloc(kSize + 8192), *plain = malloc(kSize + 8192);
  uint8_t file[ECCRYPT_SIGNATURE_FILE_CAPACITY], comment[64];
  size_t i, step, sealedLen = 0, plainLen = 0, fileLen = 0, clen = 0, plen;
  eccrypt_stream* s = NULL;
  eccrypt_error err;
  if (data == NULL || sealed == NULL || plain == NULL) exit(2);
  for (i = 0; i < kSize; ++i) data[i] = (uint8_t)(i * 7 + i / 251);
  PublicOf(a, key);
  OK(eccrypt_seal_init(key, 1, &s, &e_));
  for (i = 0; i < kSize; i += step) {
    step = (i % 3 == 0) ? 1 : 65537;
    if (step > kSize - i) step = kSize - i;
    OK(eccrypt_stream_update(s, data + i, step, &e_));
    Drain(s, sealed, kSize + 8192, &sealedLen);
  }
  OK(eccrypt_stream_final(s, &e_));
  Drain(s, sealed, kSize + 8192, &sealedLen);
  CHECK(eccrypt_stream_update(s, data, 1, &err) == ECCRYPT_E_INVALID_ARGUMENT);
  CHECK(eccrypt_stream_final(s, &err) == ECCRYPT_E_INVALID_ARGUMENT);
  eccrypt_stream_free(s);
  /* The one-shot opener reads what the stream sealed ... */
  plen = kSize + 8192;
  OK(eccrypt_open(sealed, sealedLen, a, plain, &plen, &e_));
  CHECK(plen == kSize && memcmp(plain, data, kSize) == 0);
  /* ... and so does the streaming one, in pieces of 1000 bytes. */
  OK(eccrypt_open_init(a, &s, &e_));
  for (i = 0; i < sealedLen; i += step) {
    step = sealedLen - i < 1000 ? sealedLen - i : 1000;
    OK(eccrypt_stream_update(s, sealed + i, step, &e_));
    Drain(s, plain, kSize + 8192, &plainLen);
  }
  OK(eccrypt_stream_final(s, &e_));
  Drain(s, plain, kSize + 8192, &plainLen);
  CHECK(plainLen == kSize && memcmp(plain, data, kSize) == 0);
  eccrypt_stream_free(s);
  /* Sealed data cut inside its last chunk: the piece left fails authentication at final. */
  OK(eccrypt_open_init(a, &s, &e_));
  OK(eccrypt_stream_update(s, sealed, sealedLen - 100, &e_));
  CHECK(eccrypt_stream_final(s, &err) == ECCRYPT_E_DAMAGED);
  eccrypt_stream_free(s);
  /* A stream freed with output unread. */
  OK(eccrypt_open_init(a, &s, &e_));
  OK(eccrypt_stream_update(s, sealed, sealedLen / 2, &e_));
  CHECK(eccrypt_stream_pending(s) > 0);
  eccrypt_stream_free(s);
  /* Signing in pieces; the one-shot verifier and the streaming verifier accept it. */
  OK(eccrypt_sign_init(a, "streamed", 8, NULL, 0, ECCRYPT_FORM_RADIX64, &s, &e_));
  for (i = 0; i < kSize; i += 4099) {
    OK(eccrypt_stream_update(s, data + i, kSize - i < 4099 ? kSize - i : 4099, &e_));
  }
  OK(eccrypt_stream_final(s, &e_));
  Drain(s, file, sizeof file - 1, &fileLen);
  eccrypt_stream_free(s);
  OK(eccrypt_verify_message(data, kSize, (const char*)file, fileLen, key, NULL, NULL, &e_));
  OK(eccrypt_verify_init((const char*)file, fileLen, key, &s, &e_));
  for (i = 0; i < kSize; i += 333) {
    OK(eccrypt_stream_update(s, data + i, kSize - i < 333 ? kSize - i : 333, &e_));
  }
  OK(eccrypt_stream_final(s, &e_));
  Drain(s, comment, sizeof comment, &clen);
  CHECK(clen == 8 && memcmp(comment, "streamed", 8) == 0);
  eccrypt_stream_free(s);
  /* A changed message does not verify. */
  OK(eccrypt_verify_init((const char*)file, fileLen, key, &s, &e_));
  OK(eccrypt_stream_update(s, data, kSize - 1, &e_));
  CHECK(eccrypt_stream_final(s, &err) == ECCRYPT_E_BAD_SIGNATURE);
  eccrypt_stream_free(s);
  CHECK(eccrypt_sign_init(a, NULL, 0, NULL, 0, 5, &s, &err) == ECCRYPT_E_BAD_FORM && s == NULL);
  free(data);
  free(sealed);
  free(plain);
  eccrypt_keypair_free(a);
}

/* The component: properties, MakeKey as the key pair of a pass phrase, Encrypt / Decrypt,
   Sign / Verify, and failure as the component shows it (cleared, valid false). */
static void TestComponent(void) {
  eccrypt_component* c = NULL;
  eccrypt_keypair* kp = NULL;
  uint8_t key[ECCRYPT_VALUE_BYTES], digest[ECCRYPT_DIGEST_BYTES];
  char pub[ECCRYPT_VALUE_TEXT_CAPACITY], session[ECCRYPT_VALUE_TEXT_CAPACITY];
  char session2[ECCRYPT_VALUE_TEXT_CAPACITY], fromPair[ECCRYPT_VALUE_TEXT_CAPACITY];
  size_t len = sizeof pub, slen = sizeof session, s2len = sizeof session2, flen = sizeof fromPair;
  eccrypt_error err;
  memset(digest, 3, sizeof digest);
  OK(eccrypt_component_new(&c, &e_));
  CHECK(eccrypt_component_io_mode(c) == ECCRYPT_FORM_RADIX64 && eccrypt_component_valid(c) == 0);
  OK(eccrypt_component_set_io_mode(c, ECCRYPT_FORM_HEX, &e_));
  CHECK(eccrypt_component_io_mode(c) == ECCRYPT_FORM_HEX);
  OK(eccrypt_component_set_text(c, ECCRYPT_PROP_PASS_PHRASE, "phrase", 6, &e_));
  OK(eccrypt_component_make_key(c, &e_));
  OK(eccrypt_component_get_text(c, ECCRYPT_PROP_KEY_PUBLIC, pub, &len, &e_));
  OK(eccrypt_keypair_from_passphrase("phrase", 6, &kp, &e_));
  PublicOf(kp, key);
  OK(eccrypt_public_key_to_text(key, ECCRYPT_FORM_HEX, fromPair, &flen, &e_));
  CHECK(strcmp(pub, fromPair) == 0);
  OK(eccrypt_component_encrypt(c, &e_));
  OK(eccrypt_component_get_text(c, ECCRYPT_PROP_KEY_SESSION, session, &slen, &e_));
  OK(eccrypt_component_decrypt(c, &e_));
  OK(eccrypt_component_get_text(c, ECCRYPT_PROP_KEY_SESSION, session2, &s2len, &e_));
  CHECK(slen > 0 && strcmp(session, session2) == 0);
  OK(eccrypt_component_sign(c, digest, &e_));
  OK(eccrypt_component_verify(c, digest, &e_));
  CHECK(eccrypt_component_valid(c) == 1);
  digest[0] ^= 1;
  OK(eccrypt_component_verify(c, digest, &e_));
  CHECK(eccrypt_component_valid(c) == 0);
  OK(eccrypt_component_set_valid(c, 1, &e_));
  CHECK(eccrypt_component_valid(c) == 1);
  /* A bad public key: Encrypt clears, the pass phrase and IOMode stay. */
  OK(eccrypt_component_set_text(c, ECCRYPT_PROP_KEY_PUBLIC, "ZZZZ", 4, &e_));
  OK(eccrypt_component_encrypt(c, &e_));
  slen = sizeof session;
  OK(eccrypt_component_get_text(c, ECCRYPT_PROP_KEY_SECRET, session, &slen, &e_));
  CHECK(slen == 0 && eccrypt_component_valid(c) == 0);
  slen = sizeof session;
  OK(eccrypt_component_get_text(c, ECCRYPT_PROP_PASS_PHRASE, session, &slen, &e_));
  CHECK(strcmp(session, "phrase") == 0 && eccrypt_component_io_mode(c) == ECCRYPT_FORM_HEX);
  CHECK(eccrypt_component_set_text(c, 6, "x", 1, &err) == ECCRYPT_E_INVALID_ARGUMENT);
  CHECK(eccrypt_component_get_text(c, -1, session, &slen, &err) == ECCRYPT_E_INVALID_ARGUMENT);
  CHECK(eccrypt_component_sign(c, NULL, &err) == ECCRYPT_E_NULL_ARGUMENT);
  CHECK(eccrypt_component_valid(NULL) == -1 && eccrypt_component_io_mode(NULL) == -1);
  eccrypt_keypair_free(kp);
  eccrypt_component_free(c);
}

/* Opens a stored sealed file with kp and compares it with the stored plaintext. */
static void OpensTo(const char* sealedName, const char* plainName, const eccrypt_keypair* kp) {
  size_t sealedLen, plainLen, olen;
  char *sealed = ReadFile(sealedName, &sealedLen), *plain = ReadFile(plainName, &plainLen);
  uint8_t* out = malloc(sealedLen + 1);
  if (out == NULL) exit(2);
  olen = sealedLen;
  OK(eccrypt_open((const uint8_t*)sealed, sealedLen, kp, out, &olen, &e_));
  CHECK(olen == plainLen && memcmp(out, plain, olen) == 0);
  free(out);
  free(sealed);
  free(plain);
}

/* Files the tool wrote: a protected key file, sealed data of both versions and armoured, a
   signature file, and the pass-phrase key pair of the version 1 files. */
static void TestStored(void) {
  size_t keyLen, phraseLen, pubLen, plainLen, sigLen, legacyLen, legacyPubLen;
  char *keyFile = ReadFile("v2.key", &keyLen), *phrase = ReadFile("v2.phrase", &phraseLen);
  char *pubText = ReadFile("v2.pub", &pubLen), *plain = ReadFile("v2.txt", &plainLen);
  char* sig = ReadFile("sigfile2.sig", &sigLen);
  char* legacyPhrase = ReadFile("legacy.phrase", &legacyLen);
  char* legacyPub = ReadFile("legacy.pub", &legacyPubLen);
  eccrypt_keypair* kp = NULL;
  uint8_t key[ECCRYPT_VALUE_BYTES], fromFile[ECCRYPT_VALUE_BYTES];
  OK(eccrypt_keypair_from_key_file(keyFile, keyLen, phrase, LineLength(phrase), &kp, &e_));
  OK(eccrypt_public_key_parse(pubText, LineLength(pubText), key, &e_));
  PublicOf(kp, fromFile);
  CHECK(memcmp(key, fromFile, sizeof key) == 0);
  OpensTo("v2.txt.ecc", "v2.txt", kp);
  OpensTo("v2.txt.ecc.asc", "v2.txt", kp);
  OK(eccrypt_verify_message((const uint8_t*)plain, plainLen, sig, sigLen, key, NULL, NULL, &e_));
  eccrypt_keypair_free(kp);
  kp = NULL;
  OK(eccrypt_keypair_from_passphrase(legacyPhrase, legacyLen, &kp, &e_));
  OK(eccrypt_public_key_parse(legacyPub, LineLength(legacyPub), key, &e_));
  PublicOf(kp, fromFile);
  CHECK(memcmp(key, fromFile, sizeof key) == 0);
  OpensTo("legacy.txt.ecc", "legacy.txt", kp);
  eccrypt_keypair_free(kp);
  free(keyFile);
  free(phrase);
  free(pubText);
  free(plain);
  free(sig);
  free(legacyPhrase);
  free(legacyPub);
}

int main(int argc, char** argv) {
  static const struct {
    const char* name;
    void (*run)(void);
  } groups[] = {{"errors", TestErrors},       {"keys", TestKeys},
                {"texts", TestTexts},         {"agreement", TestAgreement},
                {"digests", TestDigests},     {"messages", TestMessages},
                {"sealing", TestSealing},     {"streams", TestStreams},
                {"component", TestComponent}, {"stored", TestStored}};
  size_t i;
  int ran = 0;
  if (argc > 2) dataDir = argv[2];
  for (i = 0; i < sizeof groups / sizeof groups[0]; ++i) {
    if (argc < 2 || strcmp(argv[1], groups[i].name) == 0) {
      groups[i].run();
      ran = 1;
    }
  }
  if (!ran) {
    fprintf(stderr, "unknown group %s\n", argv[1]);
    return 2;
  }
  if (failures != 0) fprintf(stderr, "%d failures\n", failures);
  return failures == 0 ? 0 : 1;
}
