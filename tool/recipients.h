#pragma once
// The recipients of an encrypted file, as the command line names them: -r KEY (repeatable;
// the key text, or a file holding it or a clear key file, told apart as keyText.h says) and
// -R FILE (one key text a line; blank lines and lines starting with '#' are skipped).
#include <string>
#include <vector>

#include "tool/keyText.h"

namespace eccrypt::tool {

// Every recipient once, in the order given (a key named twice, in either text form, counts
// once). Throws TToolError for a key that is not one, and a usage error when there is none.
std::vector<TPublicKey> CollectRecipients(const std::vector<std::string>& keys,
                                          const std::vector<std::string>& keyListFiles);

}  // namespace eccrypt::tool
