#include "app/part_run.h"

namespace tarnik {

void Part_Run::Add(bool passed) {
  if (passed)
    ++passed_;
  else
    failed_.push_back(Parts() + 1);
}

std::string Part_Run::Tally() const {
  std::string text = std::to_string(passed_) + " Passed, " + std::to_string(failed_.size()) + " Failed";
  if (failed_.empty()) return text;
  text += failed_.size() == 1 ? ": Part " : ": Parts ";
  for (std::size_t i = 0; i < failed_.size(); ++i) {
    if (i > 0) text += i + 1 == failed_.size() ? " and " : ", ";
    text += std::to_string(failed_[i]);
  }
  return text;
}

std::string Part_Outcome(int part, int count, bool passed) {
  return "Part " + std::to_string(part) + " of " + std::to_string(count) +
         (passed ? " Passed" : " Failed");
}

std::string Next_Part_Prompt(int part, int count, bool passed) {
  return Part_Outcome(part, count, passed) + ": Put In the Next Part and Press Enter";
}

}  // namespace tarnik
