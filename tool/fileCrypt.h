#pragma once
// Whole encrypted files: encryption for a list of recipients (format version 2, formatV2.h)
// and decryption with a key file of either format version.
#include <functional>
#include <vector>

#include "tool/byteStream.h"
#include "tool/keyFile.h"
#include "tool/keyText.h"

namespace eccrypt::tool {

class TProgressMeter;

// Writes a version 2 file: a header with one stanza per recipient, then all of `input`;
// armoured text (armour.h) when `armour`. Throws TToolError when the component refuses a
// public key.
void EncryptForRecipients(const std::vector<TPublicKey>& recipients, TByteSource& input,
                          TByteSink& output, TProgressMeter* progress = nullptr,
                          bool armour = false);

// Reads a file of version 1 or 2, armoured or not, and writes its plaintext, chunk by authenticated
// chunk. Throws TFormatError: NotEncrypted, UnsupportedVersion, WrongKey (no stanza opens with this
// key), Damaged, Truncated, Tampered, TrailingData.
void DecryptWithKey(const TKeyFile& key, TByteSource& input, TByteSink& output,
                    TProgressMeter* progress = nullptr);

// The keys to try, one at a time: each call gives the next key, or nullptr when none is left.
// A key is asked for only once the header has been read and the keys before it did not open
// the file, so a key's pass phrase is asked for only when that key is tried.
using TKeySupplier = std::function<const TKeyFile*()>;

// As DecryptWithKey, trying the keys in turn until one opens the file; WrongKey when none does.
void DecryptWithKeys(const TKeySupplier& nextKey, TByteSource& input, TByteSink& output,
                     TProgressMeter* progress = nullptr);

}  // namespace eccrypt::tool
