// eccrypt: the command-line tool.
#include <unistd.h>

#include "tool/cli.h"
#include "tool/consoleIo.h"
#include "tool/pendingPath.h"

int main(int argc, char** argv) {
  eccrypt::tool::PrepareProcessSignals();
  eccrypt::tool::TDescriptorStream out(STDOUT_FILENO);
  eccrypt::tool::TDescriptorStream err(STDERR_FILENO);
  err.setf(std::ios::unitbuf);  // notices and prompts appear as they are written
  eccrypt::tool::TConsole console{out, err};
  return eccrypt::tool::RunTool(argc, argv, console);
}
