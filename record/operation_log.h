#pragma once
// The log of operations: one JSON line per record, appended to a file that
// several programs may write at once. Each line goes out in one write() on a
// descriptor opened with O_APPEND, so lines never interleave; a lock file
// beside the log keeps the rotation (the log renamed to LOG.1 once it would
// pass its size limit) and the append apart, so that no line lands in a file
// that has just been renamed away, and a write cut short (a full disk) is
// taken back whole instead of leaving a torn line.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "record/operation_record.h"

namespace tarnik::record {

inline constexpr std::uintmax_t Log_Rotate_Bytes = 10 * 1024 * 1024;
inline constexpr const char* Log_File_Name = "log.jsonl";

class Operation_Log {
 public:
  explicit Operation_Log(std::filesystem::path file, std::uintmax_t rotate_bytes = Log_Rotate_Bytes)
      : file_(std::move(file)), rotate_bytes_(rotate_bytes) {}

  // Appends the record as one line, creating the folder and the file when
  // needed; a log of no path cannot be written. Returns why it could not, or nothing when the line is in.
  [[nodiscard]] std::optional<std::string> Append(const Operation_Record& record) const;

  // Every record the log and its old file hold, oldest first; lines that
  // are no record are skipped.
  [[nodiscard]] std::vector<Operation_Record> Read_All() const;

  [[nodiscard]] const std::filesystem::path& File() const { return file_; }
  [[nodiscard]] std::filesystem::path Old_File() const;

 private:
  [[nodiscard]] std::optional<std::string> Append_Locked(const std::string& line) const;

  std::filesystem::path file_;
  std::uintmax_t rotate_bytes_;
};

}  // namespace tarnik::record
