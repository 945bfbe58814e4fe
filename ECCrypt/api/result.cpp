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
  }
  return "unknown error";
}

}  // namespace eccrypt
