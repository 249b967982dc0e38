#pragma once
// One run of the command line in the test process, with what it printed.

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_app.h"

namespace tarnik::testing {

struct Cli_Result {
  int status = -1;
  std::string out;
  std::string err;
  [[nodiscard]] bool Says(const std::string& text) const {
    return out.find(text) != std::string::npos;
  }
};

inline Cli_Result Run_Cli_Args(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  Cli_Result result;
  // The operation log is tested on its own; these runs leave none, wherever
  // the tests are started from.
  std::vector<std::string> quiet{"--no-log"};
  quiet.insert(quiet.end(), args.begin(), args.end());
  result.status = cli::Run_Cli(quiet, out, err);
  result.out = out.str();
  result.err = err.str();
  return result;
}

}  // namespace tarnik::testing
