#pragma once
// The window's records: each device operation, load and save appended to
// the user's log while the setting allows it, and each read's dump kept
// under its SHA-1, so that every part read can be opened again from the
// history. A log that cannot be written adds one line to the message list
// and the operation stands.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "record/record_output.h"

namespace tarnik {

class Main_Form;

class Window_Log {
 public:
  // `dumps`: the folder of the reads' dumps. `enabled`: false, nothing is
  // logged whatever the setting says (--no-log).
  Window_Log(Main_Form& form, record::Operation_Log log, std::filesystem::path dumps,
             bool simulated, bool enabled);
  Window_Log(const Window_Log&) = delete;
  Window_Log& operator=(const Window_Log&) = delete;

  // The log's records, newest first.
  [[nodiscard]] std::vector<record::Operation_Record> History() const;
  [[nodiscard]] std::filesystem::path Dump_Path(const std::string& sha1) const;
  // Puts a read's dump back into the buffer. Returns why it cannot (no dump
  // kept, the file gone or changed), or nothing when the buffer holds it.
  std::optional<std::string> Load_Dump(const record::Operation_Record& read);
  [[nodiscard]] bool Enabled() const { return enabled_; }

 private:
  void Keep(const record::Operation_Record& record);
  void Keep_Dump(const record::Operation_Record& read);

  Main_Form& form_;
  record::Operation_Log log_;
  std::filesystem::path dumps_;
  bool simulated_;
  bool enabled_;
  record::Record_Output output_;
};

// The user's folder of dumps: $XDG_DATA_HOME/tarnik/dumps.
[[nodiscard]] std::filesystem::path User_Dumps_Folder();

}  // namespace tarnik
