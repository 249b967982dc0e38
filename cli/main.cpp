#include <unistd.h>

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_app.h"

int main(int argc, char** argv) {
  // A file-size limit then fails the write, which the save reports, instead
  // of killing the program with a half-written temporary file.
  std::signal(SIGXFSZ, SIG_IGN);
  const std::vector<std::string> args(argv + 1, argv + argc);
  // The progress bar only where a person watches: scripts and CI see clean
  // output.
  return tarnik::cli::Run_Cli(args, std::cin, std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
}
