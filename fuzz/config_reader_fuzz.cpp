// Feeds arbitrary bytes to the window's start-up as its configuration file
// and checks what start-up promises: it ends, the device end stays within the
// buffer, and no command is left running. The last-file line is pointed at a
// file of the folder, filled from the input, so that the reload runs too but
// never reaches a file elsewhere on the machine.

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "app/main_form.h"
#include "window/quiet_host.h"
#include "window/text_file.h"
#include "sim/sim_programmer.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

using tarnik::Quiet_Host;

// One folder for the whole run, removed with its files when the run ends.
class Run_Folder {
 public:
  Run_Folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnik_fuzz_XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~Run_Folder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  [[nodiscard]] const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

const std::string& Folder() {
  static const Run_Folder folder;
  return folder.Path();
}

void Write(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines = tarnik::Split_Text_Lines(input);
  // Line 9 names the last file: its text becomes that file's content.
  const std::string last_file = (std::filesystem::path(Folder()) / "last").string();
  std::string config;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i == 8) {
      Write(last_file, lines[i]);
      lines[i] = last_file;
    }
    config += lines[i] + "\r\n";
  }
  Write((std::filesystem::path(Folder()) / tarnik::Config_File_Name).string(), config);

  Quiet_Host host(Folder());
  tarnik::sim::Sim_Programmer programmer(host.Time());
  tarnik::Main_Form form(programmer, host);
  form.FormCreate();
  form.FormActivate();
  const int32_t device_end = form.devices.selection.Device_End;
  Check(device_end >= 0 && device_end <= tarnik::Prom_Last);
  Check(!form.Command_Running());
  return 0;
}
