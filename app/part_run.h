#pragma once
// A run of many parts burnt from one buffer: the count of those that passed,
// the numbers of those that failed, and the texts that say so.

#include <string>
#include <vector>

namespace tarnik {

class Part_Run {
 public:
  // A part's outcome, in the order the parts came.
  void Add(bool passed);
  [[nodiscard]] int Parts() const { return passed_ + static_cast<int>(failed_.size()); }
  [[nodiscard]] bool Any_Failed() const { return !failed_.empty(); }
  // "18 Passed, 2 Failed: Parts 7 and 12"; "5 Passed, 0 Failed".
  [[nodiscard]] std::string Tally() const;

 private:
  int passed_ = 0;
  std::vector<int> failed_;
};

// "Part 3 of 20 Passed".
[[nodiscard]] std::string Part_Outcome(int part, int count, bool passed);
// "Part 3 of 20 Passed: Put In the Next Part and Press Enter".
[[nodiscard]] std::string Next_Part_Prompt(int part, int count, bool passed);

inline constexpr const char* Another_Part_Question = "Program Another Part With This Buffer?";

}  // namespace tarnik
