// eccrypt: the command-line tool.
#include <iostream>

#include "tool/cli.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(true);
  eccrypt::tool::TConsole console{std::cout, std::cerr};
  const int status = eccrypt::tool::RunTool(argc, argv, console);
  std::cout.flush();
  return status;
}
