#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// Wiping the temporaries of inner loops in one go.
//
// The point additions run dozens of times per multiplication; wiping each one's temporaries on
// every call would cost a sixth of the multiplication. Instead, the function that runs the loop
// calls ScrubStack once when it is done: every function it called kept its locals in the stack
// area just below its own frame, and ScrubStack's frame covers that area and zeros it.
#include <cstddef>

namespace eccrypt::fast {

// Bytes of stack zeroed: well above the deepest frames of the point additions and the field
// operations they call (about 1.5 KiB).
inline constexpr std::size_t kScrubBytes = 8192;

// Zeros kScrubBytes of stack just below the caller's frame.
void ScrubStack();

}  // namespace eccrypt::fast
