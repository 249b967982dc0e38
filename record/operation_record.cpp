#include "record/operation_record.h"

#include <ctime>

#include <nlohmann/json.hpp>

namespace tarnik::record {

using nlohmann::json;

namespace {

constexpr std::pair<Result, const char*> Result_Names[] = {
    {Result::Passed, "passed"},
    {Result::Failed, "failed"},
    {Result::Stopped, "stopped"},
    {Result::Refused, "refused"},
};

json Digests_Json(const Digests& d) { return json{{"crc32", d.crc32}, {"sha1", d.sha1}}; }

Digests Digests_From(const json& j) {
  return Digests{j.at("crc32").get<std::string>(), j.at("sha1").get<std::string>()};
}

void Put_Text(json& j, const char* key, const std::string& text) {
  if (!text.empty()) j[key] = text;
}

std::string Text_At(const json& j, const char* key) {
  return j.contains(key) ? j.at(key).get<std::string>() : std::string();
}

std::optional<int> Number_At(const json& j, const char* key) {
  if (!j.contains(key)) return std::nullopt;
  return j.at(key).get<int>();
}

Operation_Record Record_From(const json& j) {
  Operation_Record r;
  r.time = j.at("time").get<std::string>();
  r.version = j.at("version").get<std::string>();
  r.operation = j.at("operation").get<std::string>();
  r.type = Text_At(j, "type");
  r.programmer = Text_At(j, "programmer");
  if (j.contains("file")) {
    const json& file = j.at("file");
    r.file = File_Digests{file.at("path").get<std::string>(), std::nullopt};
    if (file.contains("crc32")) r.file->digests = Digests_From(file);
  }
  if (j.contains("part")) r.part = Digests_From(j.at("part"));
  const std::optional<Result> result = Result_Named(j.at("result").get<std::string>());
  if (!result) throw std::invalid_argument("unknown result");
  r.result = *result;
  r.fault = Text_At(j, "fault");
  if (j.contains("differences")) {
    const json& d = j.at("differences");
    r.differences = Difference_Totals{d.at("locations").get<int>(), d.at("bits_missing").get<int>(),
                                      d.at("bits_extra").get<int>(), d.at("cannot_take").get<int>()};
  }
  r.known_image = Text_At(j, "known_image");
  if (j.contains("findings")) r.findings = j.at("findings").get<std::vector<std::string>>();
  r.exit_code = Number_At(j, "exit_code");
  r.part_number = Number_At(j, "part_number");
  r.parts = Number_At(j, "parts");
  return r;
}

}  // namespace

const char* Result_Name(Result result) {
  for (const auto& [value, name] : Result_Names)
    if (value == result) return name;
  return "failed";
}

std::optional<Result> Result_Named(std::string_view name) {
  for (const auto& [value, text] : Result_Names)
    if (name == text) return value;
  return std::nullopt;
}

std::string To_Json_Line(const Operation_Record& r) {
  json j;
  j["time"] = r.time;
  j["version"] = r.version;
  j["operation"] = r.operation;
  Put_Text(j, "type", r.type);
  Put_Text(j, "programmer", r.programmer);
  if (r.file) {
    json file{{"path", r.file->path}};
    if (r.file->digests) file.update(Digests_Json(*r.file->digests));
    j["file"] = file;
  }
  if (r.part) j["part"] = Digests_Json(*r.part);
  j["result"] = Result_Name(r.result);
  Put_Text(j, "fault", r.fault);
  if (r.differences)
    j["differences"] = json{{"locations", r.differences->locations},
                            {"bits_missing", r.differences->bits_missing},
                            {"bits_extra", r.differences->bits_extra},
                            {"cannot_take", r.differences->cannot_take}};
  Put_Text(j, "known_image", r.known_image);
  if (!r.findings.empty()) j["findings"] = r.findings;
  if (r.exit_code) j["exit_code"] = *r.exit_code;
  if (r.part_number) j["part_number"] = *r.part_number;
  if (r.parts) j["parts"] = *r.parts;
  // File names are bytes, not always UTF-8: what is not valid is replaced,
  // never a reason to lose the record.
  return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::optional<Operation_Record> From_Json_Line(std::string_view line) {
  const json j = json::parse(line, nullptr, false);
  if (j.is_discarded() || !j.is_object()) return std::nullopt;
  try {
    return Record_From(j);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::string Device_Json_Line(const std::string& caption, int row, int end,
                             const std::string& device_class) {
  return json{{"device", caption}, {"row", row}, {"end", end}, {"class", device_class}}.dump();
}

std::string Local_Time_Now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[40];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S%z", &local);
  // strftime gives the offset as +0100; ISO 8601's extended form has +01:00.
  std::string text(stamp);
  if (text.size() >= 5) text.insert(text.size() - 2, ":");
  return text;
}

}  // namespace tarnik::record
