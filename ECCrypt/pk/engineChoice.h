#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// Which arithmetic runs behind TECCrypt's primitives and the group check.
//
// Fast (the default): the constant-time engine in ECCrypt/fast/. Reference: the straightforward
// arithmetic of ECCrypt/curve, ECCrypt/field and ECCrypt/bigint, kept as the oracle the tests
// hold the fast engine against. Both give the same integers for every input the component can
// pass. The choice is process-wide; change it only while no operation runs on another thread.
namespace eccrypt {

enum class TEngine { Reference, Fast };

void SelectEngine(TEngine engine);
TEngine ActiveEngine();

}  // namespace eccrypt
