// eccrypt_ctcheck CASE: runs one case of the constant-time check (see ctcheck.h); meant to run
// under valgrind's memcheck (tests/ctcheck/memcheck.sh). Exit status 0 when the case's results
// are right, 1 when not, 2 for an unknown case. "eccrypt_ctcheck --list" prints every case.
#include <valgrind/valgrind.h>

#include <cstdio>
#include <span>
#include <string_view>

#include "ctcheck/ctcheck.h"

int main(int argc, char** argv) {
  using eccrypt::ctcheck::TCase;
  const std::span<const TCase> groups[] = {
      eccrypt::ctcheck::PlantedLeakCases(), eccrypt::ctcheck::ComponentCases(),
      eccrypt::ctcheck::EngineCases(), eccrypt::ctcheck::TextCases(), eccrypt::ctcheck::ApiCases()};
  const std::string_view wanted = argc == 2 ? argv[1] : "";
  for (const auto& group : groups) {
    for (const TCase& c : group) {
      if (wanted == "--list") {
        std::printf("%s\n", c.name);
      } else if (wanted == c.name) {
        if (RUNNING_ON_VALGRIND == 0) {
          std::fprintf(stderr, "note: not under valgrind, so only the results are checked\n");
        }
        return c.run() ? 0 : 1;
      }
    }
  }
  if (wanted == "--list") return 0;
  std::fprintf(stderr, "usage: eccrypt_ctcheck CASE | --list\n");
  return 2;
}
