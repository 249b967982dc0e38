#pragma once
// One record of what the program did: a device operation, a load or a save,
// with the file and the part it concerned, how it ended and why. The log and
// the command line's JSON output both carry these, one JSON object a line.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnik::record {

struct Digests {
  std::string crc32;  // 8 lower-case hex digits
  std::string sha1;   // 40 lower-case hex digits
  friend bool operator==(const Digests&, const Digests&) = default;
};

struct File_Digests {
  std::string path;
  std::optional<Digests> digests;  // none when the file gave no data
  friend bool operator==(const File_Digests&, const File_Digests&) = default;
};

struct Difference_Totals {
  int locations = 0;
  int bits_missing = 0;
  int bits_extra = 0;
  int cannot_take = 0;
  friend bool operator==(const Difference_Totals&, const Difference_Totals&) = default;
};

// How an operation ended. Refused: the input was bad (a file, a usage),
// nothing was tried on the part.
enum class Result { Passed, Failed, Stopped, Refused };

struct Operation_Record {
  std::string time;       // ISO 8601 with the zone's offset
  std::string version;    // the program's
  std::string operation;  // blank, verify, read, compare, program, load, save, ...
  std::string type;       // the PROM type's caption; empty: none chosen
  std::string programmer; // "simulated" or the USB serial number; empty: none
  std::optional<File_Digests> file;
  std::optional<Digests> part;  // what the part holds after a read or a burn
  Result result = Result::Passed;
  std::string fault;            // why it stopped, failed or was refused
  std::optional<Difference_Totals> differences;
  std::string known_image;      // the known image the buffer matched
  std::vector<std::string> findings;
  std::optional<int> exit_code;  // the command line's
  std::optional<int> part_number;  // in a run of many parts: this part
  std::optional<int> parts;        // and how many the run has
  friend bool operator==(const Operation_Record&, const Operation_Record&) = default;
};

[[nodiscard]] const char* Result_Name(Result result);
[[nodiscard]] std::optional<Result> Result_Named(std::string_view name);

// The record as one line of JSON, without the line end.
[[nodiscard]] std::string To_Json_Line(const Operation_Record& record);
// A record read back from a line; none when the line is no record (torn,
// not JSON, fields of the wrong kind).
[[nodiscard]] std::optional<Operation_Record> From_Json_Line(std::string_view line);

// A PROM type as `devices --json` lists it: one line of JSON.
[[nodiscard]] std::string Device_Json_Line(const std::string& caption, int row, int end,
                                           const std::string& device_class);

// The local time now, "2026-12-10T14:32:02+01:00".
[[nodiscard]] std::string Local_Time_Now();

}  // namespace tarnik::record
