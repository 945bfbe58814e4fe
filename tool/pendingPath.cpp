#include "tool/pendingPath.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace eccrypt::tool {

namespace {

// Only async-signal-safe calls touch these from the handler: unlink, sigaction, raise.
char gPendingPath[PATH_MAX];
volatile sig_atomic_t gPendingSet = 0;
struct sigaction gPrevious[NSIG];

// The signals whose default action ends the process, except SIGXFSZ (ignored instead) and the
// two that cannot be caught.
std::vector<int> TerminatingSignals() {
  std::vector<int> signals = {SIGHUP,    SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP, SIGABRT, SIGBUS,
                              SIGFPE,    SIGUSR1, SIGSEGV,   SIGUSR2, SIGPIPE, SIGALRM, SIGTERM,
                              SIGSTKFLT, SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSYS};
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) signals.push_back(signal);
  return signals;
}

// A fault raised by an instruction repeats when the handler returns.
bool IsFault(int signal) {
  return signal == SIGSEGV || signal == SIGBUS || signal == SIGFPE || signal == SIGILL;
}

extern "C" void RemovePendingAndDie(int signal, siginfo_t* info, void* /*context*/) {
  if (gPendingSet) ::unlink(gPendingPath);
  gPendingSet = 0;
  // Hand the signal to whatever held it before (the default action, or a sanitizer's report).
  ::sigaction(signal, &gPrevious[signal], nullptr);
  // A fault re-executes its instruction on return and meets the previous action there; any
  // other signal is raised again, and is delivered as soon as this handler returns.
  if (!IsFault(signal) || info == nullptr || info->si_code <= 0) ::raise(signal);
}

void InstallHandlers() {
  for (const int signal : TerminatingSignals()) {
    if (signal <= 0 || signal >= NSIG) continue;
    struct sigaction previous {};
    if (::sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) continue;
    gPrevious[signal] = previous;
    struct sigaction action {};
    action.sa_sigaction = RemovePendingAndDie;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
  }
}

}  // namespace

void PrepareProcessSignals() {
  ::signal(SIGXFSZ, SIG_IGN);
}

void WatchPendingPath(const std::string& path) {
  static const bool installed = [] {
    InstallHandlers();
    return true;
  }();
  (void)installed;
  gPendingSet = 0;
  if (path.size() >= sizeof gPendingPath) return;
  std::copy(path.begin(), path.end(), gPendingPath);
  gPendingPath[path.size()] = '\0';
  gPendingSet = 1;
}

void ClearPendingPath() {
  gPendingSet = 0;
}

}  // namespace eccrypt::tool
