// tarnik-sim-firmware: the simulated programmer's firmware and the part in
// its socket, served on a Unix socket whose other end is a USB serial chip
// (QEMU's emulated one), so that the command line reaches it through the
// real USB backend. Serves until the other end closes, then keeps the part.

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "window/clock.h"
#include "app/options.h"
#include "sim/firmware_stream.h"
#include "sim/sim_setup.h"

namespace {

constexpr int Connect_Patience_Ms = 60'000;

constexpr const char* Usage =
    "usage: tarnik-sim-firmware --socket PATH [--simulate[=STATE]] [--sim-part NAME|none]\n"
    "                           [--sim-firmware X.YY] [--trace FILE] [--unplug-after N]\n";

struct Firmware_Options {
  std::string socket_path;
  std::string trace_path;
  int unplug_after = 0;
  tarnik::sim::Sim_Setup_Options setup;
};

// The value of `--name=VALUE` or `--name VALUE`; advances `i` past it.
std::optional<std::string> Value_Of(const std::string& name, const std::vector<std::string>& args,
                                    std::size_t& i) {
  const std::string& arg = args[i];
  if (arg.rfind(name + "=", 0) == 0) return arg.substr(name.size() + 1);
  if (arg != name || i + 1 >= args.size()) return std::nullopt;
  return args[++i];
}

bool Parse_Count(const std::string& text, int& count) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  count = std::atoi(text.c_str());
  return true;
}

// Reads one option at `i`; false when it is unknown or its value is bad.
bool Parse_One(const std::vector<std::string>& args, std::size_t& i, Firmware_Options& options) {
  const std::string& arg = args[i];
  if (arg == "--simulate") return true;  // a part that is not kept
  if (arg.rfind("--simulate=", 0) == 0) {
    options.setup.state_path = arg.substr(11);
    return !options.setup.state_path.empty();
  }
  if (arg.rfind("--socket", 0) == 0) {
    const std::optional<std::string> value = Value_Of("--socket", args, i);
    if (value) options.socket_path = *value;
    return value && !value->empty();
  }
  if (arg.rfind("--sim-part", 0) == 0) {
    const std::optional<std::string> value = Value_Of("--sim-part", args, i);
    if (value) options.setup.part_name = *value;
    return value && !value->empty();
  }
  if (arg.rfind("--trace", 0) == 0) {
    const std::optional<std::string> value = Value_Of("--trace", args, i);
    if (value) options.trace_path = *value;
    return value && !value->empty();
  }
  if (arg.rfind("--unplug-after", 0) == 0) {
    const std::optional<std::string> value = Value_Of("--unplug-after", args, i);
    return value && Parse_Count(*value, options.unplug_after) && options.unplug_after > 0;
  }
  if (arg.rfind("--sim-firmware", 0) == 0) {
    const std::optional<std::string> value = Value_Of("--sim-firmware", args, i);
    int major = 0;
    int minor = 0;
    if (!value || !tarnik::Parse_Firmware(*value, major, minor)) return false;
    options.setup.firmware =
        tarnik::sim::Firmware_Version{static_cast<uint8_t>(major), static_cast<uint8_t>(minor)};
    return true;
  }
  return false;
}

std::optional<Firmware_Options> Parse(const std::vector<std::string>& args) {
  Firmware_Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (!Parse_One(args, i, options)) {
      std::cerr << "tarnik-sim-firmware: bad option " << args[i] << '\n';
      return std::nullopt;
    }
  }
  if (options.socket_path.empty()) {
    std::cerr << "tarnik-sim-firmware: --socket PATH is needed\n";
    return std::nullopt;
  }
  return options;
}

int Serve(const Firmware_Options& options) {
  tarnik::Virtual_Clock clock;
  // The trace and the unplug count are read from the packets kept.
  tarnik::sim::Sim_Setup_Options setup_options = options.setup;
  setup_options.record = tarnik::sim::Wire_Record::Kept;
  tarnik::sim::Sim_Setup setup(clock, setup_options);
  if (setup.Refused()) {
    std::cerr << "tarnik-sim-firmware: " << setup.Error() << '\n';
    return 2;
  }
  std::ofstream trace;
  if (!options.trace_path.empty()) {
    trace.open(options.trace_path, std::ios::binary);
    if (!trace) {
      std::cerr << "tarnik-sim-firmware: cannot write the trace file " << options.trace_path
                << '\n';
      return 2;
    }
  }
  std::string error;
  const int fd = tarnik::sim::Connect_Unix_Socket(options.socket_path, Connect_Patience_Ms, error);
  if (fd < 0) {
    std::cerr << "tarnik-sim-firmware: " << error << '\n';
    return 3;
  }
  tarnik::sim::Firmware_Stream stream(setup, options.unplug_after);
  bool state_lost = false;
  // The part is kept after every piece, so that it is on disk whenever the
  // host has had its answer. The piece's packets reach the trace only after
  // that: whoever sees them traced may read the part they left.
  const auto after_bytes = [&] {
    if (const std::optional<std::string> failure = setup.Save_If_Changed()) {
      std::cerr << "tarnik-sim-firmware: " << *failure << '\n';
      state_lost = true;
    }
    if (trace.is_open()) trace << stream.New_Trace_Lines() << std::flush;
  };
  const bool served = tarnik::sim::Serve_Socket(fd, stream, after_bytes, error);
  if (!served) std::cerr << "tarnik-sim-firmware: " << error << '\n';
  after_bytes();
  return served && !state_lost ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  for (const std::string& arg : args) {
    if (arg == "--help") {
      std::cout << Usage;
      return 0;
    }
  }
  const std::optional<Firmware_Options> options = Parse(args);
  if (!options) {
    std::cerr << Usage;
    return 2;
  }
  return Serve(*options);
}
