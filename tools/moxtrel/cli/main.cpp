// moxtrel: the script host. See docs/script-language.md.
#include <unistd.h>

#include <iostream>

#include "cli.h"

int main(int argc, char** argv) {
  return moxtrel::script::RunCli(argc, argv, std::cin, std::cout, std::cerr,
                                 isatty(STDIN_FILENO) != 0);
}
