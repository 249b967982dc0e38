#include "app/options.h"

#include <charconv>
#include <cstdint>

namespace tarnik {

namespace {

// A whole decimal number from `low` to `high`.
bool Parse_Number(const std::string& text, long long low, long long high, long long& value) {
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc{} && end == text.data() + text.size() && value >= low && value <= high;
}

bool Parse_Byte(const std::string& text, int& value) {
  if (text.empty() || text.size() > 3) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc{} && end == text.data() + text.size() && value >= 0 && value <= 255;
}

// Takes the value of an option given as "--name VALUE" or "--name=VALUE".
bool Take_Value(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
                std::string& value) {
  const std::string& arg = args[i];
  if (arg.rfind(name + "=", 0) == 0) {
    value = arg.substr(name.size() + 1);
    return true;
  }
  if (arg != name || i + 1 >= args.size()) return false;
  value = args[++i];
  return true;
}

// A decimal count from `low` to `high`, nothing else.
bool Parse_Count(const std::string& text, int low, int high, int& count) {
  if (text.empty() || text.size() > 6) return false;
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || value < low || value > high)
    return false;
  count = value;
  return true;
}

}  // namespace

bool Parse_Firmware(const std::string& text, int& major, int& minor) {
  const std::size_t dot = text.find('.');
  if (dot == std::string::npos) return false;
  return Parse_Byte(text.substr(0, dot), major) && Parse_Byte(text.substr(dot + 1), minor);
}

Parse_Result Parse_Options(const std::vector<std::string>& args, bool with_command) {
  Options options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string value;
    if (arg == "--simulate") {
      options.simulate = true;
    } else if (arg.rfind("--simulate=", 0) == 0) {
      options.simulate = true;
      options.sim_state = arg.substr(11);
      if (options.sim_state.empty()) return {std::nullopt, "--simulate= needs a state file"};
    } else if (arg == "--stats") {
      options.stats = true;
    } else if (arg == "--yes") {
      options.yes = true;
    } else if (arg == "--force") {
      options.force = true;
    } else if (arg.rfind("--passes", 0) == 0) {
      long long passes = 0;
      if (!Take_Value(args, i, "--passes", value) || !Parse_Number(value, 1, 99, passes))
        return {std::nullopt, "--passes needs a number from 1 to 99"};
      options.passes = static_cast<int>(passes);
    } else if (arg.rfind("--sim-seed", 0) == 0) {
      long long seed = 0;
      if (!Take_Value(args, i, "--sim-seed", value) || !Parse_Number(value, 0, UINT32_MAX, seed))
        return {std::nullopt, "--sim-seed needs a number from 0 to 4294967295"};
      options.sim_faults.seed = static_cast<uint32_t>(seed);
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--no-log") {
      options.no_log = true;
    } else if (arg == "--no-wait") {
      options.no_wait = true;
    } else if (arg.rfind("--count", 0) == 0) {
      if (!Take_Value(args, i, "--count", value) || !Parse_Count(value, 1, 9999, options.count))
        return {std::nullopt, "--count needs a number from 1 to 9999"};
    } else if (arg.rfind("--sim-batch", 0) == 0) {
      std::optional<std::vector<sim::Batch_Part>> batch;
      if (Take_Value(args, i, "--sim-batch", value)) batch = sim::Parse_Batch(value);
      if (!batch) return {std::nullopt, std::string("--sim-batch takes ") + sim::Batch_Help};
      options.sim_batch = *batch;
    } else if (arg == "--lenient") {
      options.lenient = true;
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg.rfind("--sim-firmware", 0) == 0) {
      if (!Take_Value(args, i, "--sim-firmware", value) ||
          !Parse_Firmware(value, options.sim_major, options.sim_minor))
        return {std::nullopt, "--sim-firmware needs a version such as 1.07"};
      options.sim_firmware_given = true;
    } else if (arg.rfind("--sim-fault", 0) == 0) {
      std::optional<sim::Sim_Faults> faults;
      if (Take_Value(args, i, "--sim-fault", value))
        faults = sim::Parse_Faults(value, options.sim_faults);
      if (!faults) return {std::nullopt, std::string("--sim-fault takes ") + sim::Fault_Help};
      options.sim_faults = *faults;
    } else if (arg == "-d" || arg.rfind("--device", 0) == 0) {
      if (!Take_Value(args, i, arg == "-d" ? "-d" : "--device", value) || value.empty())
        return {std::nullopt, "-d needs a device name"};
      options.device = value;
    } else if (arg == "-t" || arg.rfind("--type", 0) == 0) {
      if (!Take_Value(args, i, arg == "-t" ? "-t" : "--type", value) || value.empty())
        return {std::nullopt, "-t needs a file type"};
      options.file_type = value;
    } else if (arg == "--to" || arg.rfind("--to=", 0) == 0) {
      if (!Take_Value(args, i, "--to", value) || value.empty())
        return {std::nullopt, "--to needs a file type"};
      options.output_type = value;
    } else if (arg.rfind("--sim-packet-us", 0) == 0) {
      if (!Take_Value(args, i, "--sim-packet-us", value) ||
          !Parse_Count(value, 0, 100000, options.sim_packet_us))
        return {std::nullopt, "--sim-packet-us needs a time from 0 to 100000"};
    } else if (arg.rfind("--sim-part", 0) == 0) {
      if (!Take_Value(args, i, "--sim-part", value) || value.empty())
        return {std::nullopt, "--sim-part needs a device name or none"};
      options.sim_part = value;
    } else if (arg.rfind("--read-window", 0) == 0) {
      if (!Take_Value(args, i, "--read-window", value) ||
          !Parse_Count(value, 1, 16, options.read_window))
        return {std::nullopt, "--read-window needs a count from 1 to 16"};
    } else if (arg.rfind("--dat", 0) == 0) {
      if (!Take_Value(args, i, "--dat", value) || value.empty())
        return {std::nullopt, "--dat needs a file name"};
      options.dats.push_back(value);
    } else if (arg.rfind("--bit-map", 0) == 0) {
      if (!Take_Value(args, i, "--bit-map", value) || value.empty())
        return {std::nullopt, "--bit-map needs a file name"};
      options.bit_map = value;
    } else if (arg.rfind("--roms", 0) == 0) {
      if (!Take_Value(args, i, "--roms", value) || value.empty())
        return {std::nullopt, "--roms needs a folder name"};
      options.rom_folders.push_back(value);
    } else if (arg.rfind("--near-bits", 0) == 0) {
      if (!Take_Value(args, i, "--near-bits", value) ||
          !Parse_Count(value, 0, 8192, options.near_bits))
        return {std::nullopt, "--near-bits needs a count from 0 to 8192"};
    } else if (arg.rfind("--trace", 0) == 0) {
      if (!Take_Value(args, i, "--trace", value) || value.empty())
        return {std::nullopt, "--trace needs a file name"};
      options.trace_path = value;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return {std::nullopt, "unknown option " + arg};
    } else if (!with_command) {
      return {std::nullopt, "unexpected argument " + arg};
    } else if (options.command.empty()) {
      options.command = arg;
    } else {
      options.arguments.push_back(arg);
    }
  }
  // The window reads once and burns as its buttons say.
  if (!with_command && (options.passes != 1 || options.force || options.count != 1 ||
                        options.no_wait || options.json))
    return {std::nullopt, "--passes, --force, --count, --no-wait and --json belong to the command line"};
  // A batch follows the chosen type; a kept or pinned part is one part.
  if (!options.sim_batch.empty() && (!options.sim_state.empty() || !options.sim_part.empty()))
    return {std::nullopt, "--sim-batch goes with --simulate alone, not a state file or --sim-part"};
  // The window finds its catalogues and folders in the user's data folder.
  if (!with_command && (!options.dats.empty() || !options.rom_folders.empty()))
    return {std::nullopt, "--dat and --roms belong to the command line"};
  return {options, ""};
}

Programmer_Settings To_Programmer_Settings(const Options& options) {
  Programmer_Settings settings;
  settings.simulate = options.simulate;
  settings.simulation.state_path = options.sim_state;
  settings.simulation.part_name = options.sim_part;
  settings.simulation.initial_type = options.device;
  if (options.sim_firmware_given)
    settings.simulation.firmware = sim::Firmware_Version{static_cast<uint8_t>(options.sim_major),
                                                         static_cast<uint8_t>(options.sim_minor)};
  settings.simulation.faults = options.sim_faults;
  settings.simulation.batch = options.sim_batch;
  settings.sim_packet_us = options.sim_packet_us;
  return settings;
}

}  // namespace tarnik
