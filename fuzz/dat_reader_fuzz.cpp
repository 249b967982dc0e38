// Feeds arbitrary text to the DAT reader and checks what a read promises:
// it ends, every entry it hands on is whole (a name of bounded length, a
// SHA-1 of 40 lower-case hex digits or none), and the count it reports is
// the number of entries handed on.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "identify/dat_reader.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool Lower_Hex(std::string_view text) {
  for (const char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  std::size_t handed_on = 0;
  const tarnik::identify::Dat_Outcome outcome =
      tarnik::identify::Read_Dat(in, [&handed_on](const tarnik::identify::Dat_Entry& entry) {
        ++handed_on;
        Check(!entry.rom.empty() && entry.rom.size() <= 256);
        Check(entry.game.size() <= 256);
        Check(entry.sha1.empty() || (entry.sha1.size() == 40 && Lower_Hex(entry.sha1)));
      });
  Check(outcome.entries == handed_on);
  Check(outcome.name.size() <= 256);
  // Every text the reader takes in one piece is well within the input.
  Check(outcome.error.size() <= 512);
  return 0;
}
