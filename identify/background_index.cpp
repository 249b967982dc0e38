#include "identify/background_index.h"

#include <algorithm>

#include "identify/dat_catalogue.h"
#include "identify/dat_reader.h"
#include "identify/rom_folder.h"
#include "identify/source_cache.h"

namespace tarnik::identify {

namespace {

// Thrown from the keep-alive to leave a reading that is no longer wanted;
// it unwinds before the cache is written, so nothing half built is kept.
struct Stopped {};

// The catalogues come first and take nearly all the time; the folders'
// share is the last percent.
constexpr int Catalogue_Share = 99;

}  // namespace

Background_Index::Background_Index(Identify_Sources sources, Notify notify)
    : notify_(std::move(notify)) {
  if (sources.cache_folder.empty() || sources.Empty()) {
    percent_ = 100;
    ready_ = true;
    return;
  }
  for (const std::filesystem::path& dat : sources.dats)
    if (const auto stamp = Stamp_Of(dat)) total_bytes_ += stamp->size;
  thread_ = std::thread([this, sources = std::move(sources)] { Run(sources); });
}

Background_Index::~Background_Index() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void Background_Index::Advance_To(uint64_t position) {
  if (stop_) throw Stopped{};
  done_bytes_ = std::min(total_bytes_, position);
  const int percent = total_bytes_ == 0
                          ? Catalogue_Share
                          : static_cast<int>(done_bytes_ * Catalogue_Share / total_bytes_);
  if (percent == percent_) return;
  percent_ = percent;
  if (notify_) notify_();
}

void Background_Index::Run(const Identify_Sources& sources) {
  const Source_Cache cache(sources.cache_folder);
  try {
    // A look-up of no size reads nothing but builds the index when the
    // cache lacks it or the source has changed since.
    uint64_t read_through = 0;
    for (const std::filesystem::path& dat : sources.dats) {
      if (const auto stamp = Stamp_Of(dat)) read_through += stamp->size;
      (void)Look_Up_Dat(dat, cache, 0, 0, [this] { Advance_To(done_bytes_ + Dat_Chunk_Bytes); });
      // An index read from the cache counts the whole catalogue as read.
      Advance_To(read_through);
    }
    for (const std::filesystem::path& folder : sources.rom_folders)
      (void)Look_Up_Rom_Folder(folder, cache, 0, [this] { Advance_To(done_bytes_); });
  } catch (const Stopped&) {
    return;
  }
  percent_ = 100;
  ready_ = true;
  if (notify_) notify_();
}

}  // namespace tarnik::identify
