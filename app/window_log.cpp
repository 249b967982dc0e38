#include "app/window_log.h"

#include <algorithm>

#include "app/main_form.h"
#include "app/operation_records.h"
#include "identify/source_cache.h"
#include "window/text_file.h"

namespace tarnik {

namespace fs = std::filesystem;

Window_Log::Window_Log(Main_Form& form, record::Operation_Log log, fs::path dumps, bool simulated,
                       bool enabled)
    : form_(form),
      log_(log),
      dumps_(std::move(dumps)),
      simulated_(simulated),
      enabled_(enabled),
      output_(std::move(log), nullptr, [&form](const std::string& problem) {
        form.window.Append_Line("Memo1", problem);
        form.window.Set_Visible("Memo1", true);
      }) {
  form_.records.Sink = [this](const record::Operation_Record& r) { Keep(r); };
}

void Window_Log::Keep(const record::Operation_Record& record) {
  if (!enabled_ || !form_.Log_Operations) return;
  record::Operation_Record r = record;
  r.programmer = Programmer_Name(form_, simulated_);
  if (r.operation == "read" && r.result == record::Result::Passed && r.part) Keep_Dump(r);
  output_.Write(r);
}

void Window_Log::Keep_Dump(const record::Operation_Record& read) {
  const fs::path path = Dump_Path(read.part->sha1);
  std::error_code error;
  if (dumps_.empty() || fs::exists(path, error)) return;
  fs::create_directories(dumps_, error);
  const int32_t end = form_.devices.selection.Device_End;
  const auto first = form_.Prom_Buffer.begin();
  // A dump that cannot be kept leaves the history without it, nothing more.
  Write_File_Atomically(path.string(), std::string(first, first + end + 1));
}

std::vector<record::Operation_Record> Window_Log::History() const {
  std::vector<record::Operation_Record> records = log_.Read_All();
  std::reverse(records.begin(), records.end());
  return records;
}

fs::path Window_Log::Dump_Path(const std::string& sha1) const {
  return dumps_.empty() ? fs::path() : dumps_ / (sha1 + ".bin");
}

std::optional<std::string> Window_Log::Load_Dump(const record::Operation_Record& read) {
  if (read.operation != "read" || !read.part) return "no dump was kept of this operation";
  const fs::path path = Dump_Path(read.part->sha1);
  const Bounded_File file = Read_Bounded_File(path.string(), Prom_Size);
  if (!file.bytes || file.bytes->empty()) return "the dump " + path.string() + " is gone";
  Prom_Image image = form_.Prom_Buffer;
  std::copy(file.bytes->begin(), file.bytes->end(), image.begin());
  const auto end = static_cast<int32_t>(file.bytes->size()) - 1;
  if (Digests_Of(image, end).sha1 != read.part->sha1)
    return "the dump " + path.string() + " is no longer the part that was read";
  form_.Put_In_Buffer(*file.bytes);
  return std::nullopt;
}

fs::path User_Dumps_Folder() {
  const fs::path data = identify::Default_Data_Folder();
  return data.empty() ? fs::path() : data / "dumps";
}

}  // namespace tarnik
