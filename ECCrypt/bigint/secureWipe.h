#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// The library wipes through the platform's wiper (ECPlatform/SecureWipe.h), the one definition
// shared with the platform, the tool and the tests: memory with SecureWipe, texts of secret
// values (pass phrases, keys, session keys and the forms they pass through) with WipeText or a
// TSecretText, the spare capacity included.
#include "ECPlatform/SecureWipe.h"

namespace eccrypt {

using ecplatform::SecureWipe;
using ecplatform::TSecretText;
using ecplatform::WipeText;

}  // namespace eccrypt
