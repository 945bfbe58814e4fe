#pragma once
// The command line of eccrypt: subcommands, options, help texts, and the mapping of failures
// to exit statuses (0 success, 1 failed verification or bad input, 2 usage error).
#include "tool/commands.h"

namespace eccrypt::tool {

int RunTool(int argc, char** argv, TConsole& console);

}  // namespace eccrypt::tool
