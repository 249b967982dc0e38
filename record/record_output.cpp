#include "record/record_output.h"

namespace tarnik::record {

void Record_Output::Write(const Operation_Record& record) {
  if (json_ != nullptr) *json_ << To_Json_Line(record) << std::endl;
  if (!log_) return;
  const std::optional<std::string> problem = log_->Append(record);
  if (problem && !failing_ && report_) report_(*problem);
  failing_ = problem.has_value();
}

Operation_Log User_Log(const std::string& folder) {
  if (folder.empty()) return Operation_Log({});
  return Operation_Log(std::filesystem::path(folder) / Log_File_Name);
}

}  // namespace tarnik::record
