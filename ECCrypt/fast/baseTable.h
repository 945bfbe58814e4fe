#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// The precomputed multiples of G for the fixed-base multiplication (baseTable.cpp, written by
// tools/gen_base_table.py): entry [w][d - 1] is d * 32^w * G, affine, never the zero point.
#include "ECCrypt/fast/fe.h"

namespace eccrypt::fast {

inline constexpr int kBaseWindowBits = 5;
inline constexpr int kBaseWindows = 49;  // signed 5-bit digits of a scalar below n < 2^241
inline constexpr int kBaseDigits = 1 << (kBaseWindowBits - 1);  // magnitudes 1 .. 16

struct BaseTableEntry {
  Fe x, y;
};

extern const BaseTableEntry kBaseTable[kBaseWindows][kBaseDigits];

}  // namespace eccrypt::fast
