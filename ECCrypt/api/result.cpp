#include "ECCrypt/api/result.h"

namespace eccrypt {

std::string_view ErrorCodeName(ErrorCode code) noexcept {
  switch (code) {
    case ErrorCode::Empty:
      return "empty";
    case ErrorCode::BadCharacter:
      return "bad character";
    case ErrorCode::TooLong:
      return "too long";
    case ErrorCode::NotCanonical:
      return "not canonical";
    case ErrorCode::NotAGroupPoint:
      return "not a point of the group";
    case ErrorCode::MultipleOfOrder:
      return "multiple of the group order";
    case ErrorCode::OutOfRange:
      return "out of range";
    case ErrorCode::MissingSeparator:
      return "missing separator";
    case ErrorCode::WrongLength:
      return "wrong length";
    case ErrorCode::BadSignature:
      return "bad signature";
    case ErrorCode::RandomSourceFailed:
      return "random source failed";
    case ErrorCode::Internal:
      return "internal error";
    case ErrorCode::Malformed:
      return "malformed";
    case ErrorCode::UnsupportedVersion:
      return "unsupported version";
    case ErrorCode::NoMatchingKey:
      return "no matching key";
    case ErrorCode::HeaderAltered:
      return "header altered";
    case ErrorCode::Damaged:
      return "damaged";
    case ErrorCode::Truncated:
      return "truncated";
    case ErrorCode::TrailingData:
      return "trailing data";
    case ErrorCode::WrongPassPhrase:
      return "wrong pass phrase";
    case ErrorCode::PassPhraseRefused:
      return "pass phrase refused";
    case ErrorCode::KeyMismatch:
      return "key mismatch";
    case ErrorCode::InvalidArgument:
      return "invalid argument";
  }
  return "unknown error";
}

}  // namespace eccrypt
