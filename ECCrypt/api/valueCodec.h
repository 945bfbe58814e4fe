#pragma once
/// @file
/// @brief Internal to the library (not part of its interface): the strict reading and the
/// writing of value texts, values as 32 bytes, scalars modulo n and the uniform draw.
#include <array>
#include <cstdint>
#include <exception>
#include <new>
#include <string>
#include <string_view>
#include <system_error>

#include "ECCrypt/api/keys.h"
#include "ECCrypt/api/result.h"
#include "ECCrypt/bigint/vlPoint.h"

namespace eccrypt::apidetail {

/// A value of up to 256 bits, big-endian.
using Bytes32 = std::array<std::uint8_t, ValueBytes>;

/// Digits of the values that fit 32 bytes (keys, exchanged values, r).
inline constexpr int ValueDigits = 16;
/// Digits of the component's unreduced s (below 2^272).
inline constexpr int ComponentSDigits = 17;

/// An error whose message is "<what>: <detail>".
Error Fail(ErrorCode code, std::string_view what, std::string_view detail);

/// The form of a text: hexadecimal when it is made of 0-9 and A-F only and its length is a
/// multiple of 4, radix-64 otherwise. Constant time in the characters.
TextForm FormOf(std::string_view text);

/// BadCharacter, naming the position of the first character that is not of @p form (constant
/// time in the characters but for the verdict).
Result<void> CheckCharacters(std::string_view text, TextForm form, std::string_view what);

/// Reads a text in @p form strictly: not empty, every character of the form, at most
/// @p maxDigits digits, and the very text IntegerToHex / IntegerToBase64 writes for its value
/// (so no leading zero group). target is in normal form. Constant time in the characters but
/// for the verdict. @p what names the value in messages.
Result<void> ReadText(std::string_view text, TextForm form, int maxDigits, std::string_view what,
                      TvlPoint& target);

/// The text the component writes for v in @p form.
std::string WriteText(const TvlPoint& v, TextForm form);

/// target := the integer of 32 big-endian bytes, in normal form. Constant time in the bytes
/// (the length word is found with masks and stays as secret as the bytes: only writing the value
/// as text declares it public).
void BytesToInteger(const Bytes32& bytes, TvlPoint& target);
/// The low 16 digits of v as 32 big-endian bytes. Constant time in the digits and the length.
Bytes32 IntegerToBytes(const TvlPoint& v);

/// Whether the 32-byte value is zero / below n. Constant time; only the verdict is public.
bool IsZero(const Bytes32& value);
bool BelowOrder(const Bytes32& value);
/// v mod n as 32 bytes, for any integer of up to 19 digits. Constant time.
Bytes32 ReduceModOrder(const TvlPoint& v);

/// A scalar uniform on [1, n) (see KeyPair::Generate). Throws std::system_error when the
/// operating system's random source fails.
Bytes32 DrawScalar();

/// The private constructors and values of the interface's value types, for the library's own
/// operations.
struct Access {
  template <class T, class... Args>
  static T Make(const Args&... args) {
    return T(args...);
  }
};

/// Runs body (which returns a Result<T>), turning a failure of the random source into
/// RandomSourceFailed and any other exception but std::bad_alloc into Internal, so that no
/// exception but running out of memory leaves the interface.
template <class T, class Body>
Result<T> Guarded(std::string_view what, Body&& body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::system_error& e) {
    return Fail(ErrorCode::RandomSourceFailed, what, e.what());
  } catch (const std::exception& e) {
    return Fail(ErrorCode::Internal, what, e.what());
  }
}

}  // namespace eccrypt::apidetail
