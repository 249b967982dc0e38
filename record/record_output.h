#pragma once
// Where a front end's records go: the operation log, unless it is turned
// off, and a JSON stream, when one is asked for. A log that cannot be
// written is said once, through `report`, until it can be again; the
// operation goes on either way.

#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "record/operation_log.h"

namespace tarnik::record {

class Record_Output {
 public:
  // `log`: none, nothing is logged. `json`: null, no stream.
  Record_Output(std::optional<Operation_Log> log, std::ostream* json,
                std::function<void(const std::string&)> report)
      : log_(std::move(log)), json_(json), report_(std::move(report)) {}

  void Write(const Operation_Record& record);

 private:
  std::optional<Operation_Log> log_;
  std::ostream* json_;
  std::function<void(const std::string&)> report_;
  bool failing_ = false;
};

// The user's log: log.jsonl in `folder`; a log in no folder cannot be
// written, which its first append says.
[[nodiscard]] Operation_Log User_Log(const std::string& folder);

}  // namespace tarnik::record
