// The process-wide engine choice; the fast engine unless a caller (the tests) selects the
// reference.
#include "ECCrypt/pk/engineChoice.h"

#include <atomic>

namespace eccrypt {
namespace {

std::atomic<TEngine>& Choice() {
  static std::atomic<TEngine> choice{TEngine::Fast};
  return choice;
}

}  // namespace

void SelectEngine(TEngine engine) {
  Choice().store(engine, std::memory_order_relaxed);
}

TEngine ActiveEngine() {
  return Choice().load(std::memory_order_relaxed);
}

}  // namespace eccrypt
