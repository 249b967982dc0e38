#include "app/image_identity.h"

#include <algorithm>

#include "devices/difference_summary.h"
#include "identify/source_cache.h"
#include "window/operation_progress.h"

namespace tarnik {

namespace fs = std::filesystem;

namespace {

// The checksum button's hint: its own line, the buffer's identity, then
// the match.
constexpr std::size_t Hint_Lines_Kept = 2;
// The names the hint lists before it counts the rest.
constexpr std::size_t Hint_Names = 5;

std::string Hint_Text(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size() && i < Hint_Names; ++i)
    text += (i == 0 ? "" : "\n") + names[i];
  if (names.size() > Hint_Names) text += "\nand " + std::to_string(names.size() - Hint_Names) + " More";
  return text;
}

std::string First_Lines(const std::string& text, std::size_t count) {
  std::size_t end = 0;
  for (std::size_t i = 0, from = 0; i < count; ++i, from = end + 1) {
    end = text.find('\n', from);
    if (end == std::string::npos) return text;
  }
  return text.substr(0, end);
}

}  // namespace

void Image_Identity::Index_In_Background(const Poster& post, std::function<bool()> window_busy) {
  if (!Find_Sources) return;
  window_busy_ = std::move(window_busy);
  base_title_ = window_.Get("MainForm").caption;
  title_given_back_ = false;
  const std::weak_ptr<const bool> alive = alive_;
  index_ = std::make_unique<identify::Background_Index>(Find_Sources(), [this, post, alive] {
    post([this, alive] {
      if (alive.lock() && !(window_busy_ && window_busy_())) Show_Index_Progress();
    });
  });
  Show_Index_Progress();
}

void Image_Identity::Show_Index_Progress() {
  if (!index_ || title_given_back_) return;
  std::string title = base_title_;
  if (index_->Ready()) {
    title_given_back_ = true;
  } else {
    Progress_Report report;
    report.activity = "Indexing Known Images";
    report.percent = index_->Percent();
    title = Progress_Title(report, base_title_);
  }
  if (title != window_.Get("MainForm").caption) window_.Set_Caption("MainForm", title);
}

void Image_Identity::Wait_For_Index() {
  if (Index_Ready()) return;
  window_.Append_Line("Memo1", "Looking Up Known Images....");
  window_.Set_Visible("Memo1", true);
  while (!Index_Ready()) {
    Show_Index_Progress();
    pump_.Sleep_Ms(Message_Pump::Sleep_Step_Ms);
  }
  Show_Index_Progress();
}

void Image_Identity::Report(const Prom_Image& image, int32_t device_end, int device_tag) {
  if (!Find_Sources) return;
  Wait_For_Index();
  const identify::Identify_Sources sources = Find_Sources();
  const identify::Identification found = identify::Identify_Dump(
      image, device_end, Data_Mask_Of_Class(device_tag), sources,
      [this] { pump_.Process_Messages(); });
  identified_ = image;
  identified_end_ = device_end;
  summary_ = Hint_Text(found.names);
  exact_ = found.exact;
  for (const std::string& line : found.lines) window_.Append_Line("Memo1", line);
  if (!found.lines.empty()) window_.Set_Visible("Memo1", true);
  Set_Hint(summary_);
}

void Image_Identity::Keep_Hint(const Prom_Image& image, int32_t device_end) {
  if (summary_.empty() || image != identified_ || device_end != identified_end_) return;
  Set_Hint(summary_);
}

bool Image_Identity::Known_Exactly(const Prom_Image& image, int32_t device_end) const {
  return exact_ && image == identified_ && device_end == identified_end_;
}

std::string Image_Identity::Named_For(const Prom_Image& image, int32_t device_end) const {
  if (image != identified_ || device_end != identified_end_) return {};
  return summary_;
}

void Image_Identity::Set_Hint(const std::string& summary) {
  const std::string kept = First_Lines(window_.Get("Chk_Sum_But").hint, Hint_Lines_Kept);
  window_.Set_Hint("Chk_Sum_But", summary.empty() ? kept : kept + "\n" + summary);
}

identify::Identify_Sources User_Identify_Sources() {
  identify::Identify_Sources sources;
  const fs::path data = identify::Default_Data_Folder();
  sources.cache_folder = identify::Default_Cache_Folder();
  if (data.empty()) return sources;
  std::error_code error;
  for (fs::directory_iterator entry(data / "dats", error);
       !error && entry != fs::directory_iterator(); entry.increment(error)) {
    const std::string extension = entry->path().extension().string();
    if (extension == ".dat" || extension == ".xml") sources.dats.push_back(entry->path());
  }
  std::sort(sources.dats.begin(), sources.dats.end());
  if (fs::is_directory(data / "roms", error)) sources.rom_folders.push_back(data / "roms");
  return sources;
}

}  // namespace tarnik
