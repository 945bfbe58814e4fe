#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// The GF(2^15) log and antilog tables, GF(2^15) = GF(2)[y]/(y^15 + y + 1), generator y = 2.
// Expt[i] = y^i for 0 <= i <= 32767 (Expt[32767] = 1, Expt[32768] = 0); Logt[v] = log_y(v) for
// v in 1..32767, Logt[0] = 32767 (the sentinel for log 0), Logt[32768] = 0.
#include <cstdint>

namespace eccrypt {

// The tables are constant data, complete from program load on; InitTables is kept for callers
// that build them before computing. It is idempotent and safe to call from any thread at any time.
void InitTables();
// One table entry each. An index outside 0..32768 lies outside the tables and reads as 0.
std::int32_t GetExpt(std::int32_t index);
std::int32_t GetLogt(std::int32_t index);

}  // namespace eccrypt
