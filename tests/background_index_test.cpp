// The index built on a thread of its own: what it leaves in the cache is
// what a later look-up reads without parsing again, its progress only
// grows and ends ready, nothing to index is ready at once, and a stop half
// way leaves no half-built index behind.

#include "identify/background_index.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "identify/dat_catalogue.h"
#include "identify/source_cache.h"
#include "tests/known_images.h"

namespace tarnik::identify {
namespace {

namespace fs = std::filesystem;
using tarnik::testing::Bytes;
using tarnik::testing::Digest_Of;
using tarnik::testing::Large_Machine_List;
using tarnik::testing::Pattern;
using tarnik::testing::Rom_Element;
using tarnik::testing::Temp_Dir;

// Waits, without sleeping for a set time, for the indexing thread to say
// it is ready.
class Notices {
 public:
  void Notify(int percent, bool ready) {
    const std::lock_guard lock(mutex_);
    percents_.push_back(percent);
    ready_ = ready_ || ready;
    changed_.notify_all();
  }
  std::vector<int> Until_Ready() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return ready_; });
    return percents_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int> percents_;
  bool ready_ = false;
};

std::size_t Cached_Catalogues(const fs::path& cache) {
  std::size_t count = 0;
  std::error_code error;
  for (fs::directory_iterator entry(cache, error); !error && entry != fs::directory_iterator();
       entry.increment(error))
    count += entry->path().filename().string().rfind("dat-", 0) == 0 ? 1 : 0;
  return count;
}

TEST(Background_Index, Leaves_An_Index_A_Later_Look_Up_Reads_Without_Parsing) {
  Temp_Dir dir;
  const Bytes known = Pattern(256, 0x0F);
  dir.Write("big.xml", Large_Machine_List(4, "wanted", Rom_Element("prom.c10", known)));
  Identify_Sources sources;
  sources.dats = {dir.File("big.xml")};
  sources.cache_folder = dir.File("cache");
  // The thread may report before the index is in hand: such notices count
  // as -1, and the index's own state is looked at once it is in hand.
  Notices notices;
  std::atomic<const Background_Index*> watched{nullptr};
  const auto index = std::make_unique<Background_Index>(sources, [&] {
    const Background_Index* in_hand = watched.load();
    notices.Notify(in_hand != nullptr ? in_hand->Percent() : -1,
                   in_hand != nullptr && in_hand->Ready());
  });
  watched = index.get();
  if (index->Ready()) notices.Notify(index->Percent(), true);
  const std::vector<int> percents = notices.Until_Ready();
  ASSERT_FALSE(percents.empty());
  EXPECT_EQ(percents.back(), 100);
  for (std::size_t i = 1; i < percents.size(); ++i)
    EXPECT_TRUE(percents[i - 1] < 0 || percents[i - 1] <= percents[i]) << i;
  EXPECT_EQ(Cached_Catalogues(sources.cache_folder), 1u);

  int chunks_parsed = 0;
  const Dat_Lookup lookup = Look_Up_Dat(dir.File("big.xml"), Source_Cache(sources.cache_folder),
                                        256, Digest_Of(known).crc32, [&] { ++chunks_parsed; });
  EXPECT_EQ(chunks_parsed, 0);
  ASSERT_EQ(lookup.images.size(), 1u);
  EXPECT_EQ(lookup.images[0].game, "wanted");
}

TEST(Background_Index, Nothing_To_Index_Is_Ready_At_Once) {
  Temp_Dir dir;
  dir.Write("a.dat", "<datafile/>");
  struct Case {
    const char* what;
    std::vector<fs::path> dats;
    fs::path cache;
  };
  const Case cases[] = {
      {"no cache folder", {dir.File("a.dat")}, {}},
      {"no sources", {}, dir.File("cache")},
  };
  for (const Case& c : cases) {
    Identify_Sources sources;
    sources.dats = c.dats;
    sources.cache_folder = c.cache;
    int notified = 0;
    const Background_Index index(sources, [&notified] { ++notified; });
    EXPECT_TRUE(index.Ready()) << c.what;
    EXPECT_EQ(index.Percent(), 100) << c.what;
    EXPECT_EQ(notified, 0) << c.what;
  }
}

TEST(Background_Index, A_Stop_Half_Way_Caches_Nothing) {
  Temp_Dir dir;
  dir.Write("big.xml", Large_Machine_List(16, "wanted", Rom_Element("prom.c10", Pattern(256))));
  Identify_Sources sources;
  sources.dats = {dir.File("big.xml")};
  sources.cache_folder = dir.File("cache");
  std::mutex mutex;
  std::condition_variable changed;
  bool started = false, let_go = false;
  {
    // The first notice holds the thread until the index is being destroyed.
    const Background_Index index(sources, [&] {
      std::unique_lock lock(mutex);
      started = true;
      changed.notify_all();
      changed.wait(lock, [&] { return let_go; });
    });
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return started; });
    EXPECT_FALSE(index.Ready());
    let_go = true;
    changed.notify_all();
  }
  EXPECT_EQ(Cached_Catalogues(sources.cache_folder), 0u);
}

}  // namespace
}  // namespace tarnik::identify
