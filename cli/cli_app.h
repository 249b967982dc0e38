#pragma once
// The command line: runs the window's handlers over the console host.

#include <iosfwd>
#include <string>
#include <vector>

namespace tarnik::cli {

enum Exit_Status : int {
  Exit_Passed = 0,
  Exit_Part_Failed = 1,
  Exit_Bad_Usage = 2,
  Exit_No_Programmer = 3,
};

// Runs one command; `args` are the arguments after the program name.
// `progress_bar`: `err` is a terminal, where device operations draw their
// progress.
int Run_Cli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            bool progress_bar = false);
// The same, with `in` giving the Enter that a run of many parts waits for
// between them; the other form gives it none.
int Run_Cli(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
            std::ostream& err, bool progress_bar = false);

}  // namespace tarnik::cli
