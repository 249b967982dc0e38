#pragma once
// Options shared by the window and the command line.

#include <optional>
#include <string>
#include <vector>

#include "app/programmer_settings.h"
#include "sim/sim_batch.h"
#include "sim/sim_faults.h"

namespace tarnik {

struct Options {
  bool simulate = false;
  std::string sim_state;  // --simulate=STATE
  int sim_major = 1;
  int sim_minor = 7;
  bool sim_firmware_given = false;
  sim::Sim_Faults sim_faults;
  int sim_packet_us = 20;       // --sim-packet-us: the firmware's time per packet
  std::string sim_part;         // --sim-part NAME|none; empty: the -d type
  std::string device;           // -d NAME
  std::string file_type;        // -t bin|intel|motorola|ascii; empty: by extension
  std::string output_type;      // --to, for convert
  std::string trace_path;
  bool stats = false;
  int read_window = 16;         // --read-window K, 1 to 16
  bool yes = false;
  int passes = 1;               // --passes N: reads of the part for read, 1 to 99
  bool force = false;           // --force: program without the compare first
  bool lenient = false;  // load hex files with wrong record checksums
  std::vector<std::string> dats;         // --dat FILE: catalogues of known images
  std::vector<std::string> rom_folders;  // --roms DIR: folders of known images
  int near_bits = 16;                    // --near-bits N: 0 names no nearest image
  std::vector<sim::Batch_Part> sim_batch;  // --sim-batch LIST: the parts of a run of many
  bool json = false;     // --json: records on standard output instead of the status texts
  bool no_log = false;   // --no-log: nothing appended to the operation log
  int count = 1;         // --count N: program N parts, one after the other
  bool no_wait = false;  // --no-wait: the next part follows without waiting for Enter
  std::string bit_map;                   // --bit-map FILE.png: read, verify
  bool help = false;
  bool version = false;  // --version
  std::string command;
  std::vector<std::string> arguments;
};

struct Parse_Result {
  std::optional<Options> options;
  std::string error;  // why the options were refused
};

// Parses the arguments after the program name. `with_command`: the command
// line takes a command and its files; the window takes options only.
[[nodiscard]] Parse_Result Parse_Options(const std::vector<std::string>& args, bool with_command);

// "1.07" -> 1, 7. Refuses anything but digits, a dot and digits, each 0..255.
[[nodiscard]] bool Parse_Firmware(const std::string& text, int& major, int& minor);

// The programmer the options choose, for the application's side.
[[nodiscard]] Programmer_Settings To_Programmer_Settings(const Options& options);

inline constexpr const char* Usage_Text =
    "usage: tarnik-cli [options] COMMAND [FILE...]\n"
    "\n"
    "commands:\n"
    "  probe                 find the programmer and show its firmware version\n"
    "  update FILE           update the programmer's firmware from FILE (needs --yes)\n"
    "  devices               list the PROM types: caption, list row, end address, class\n"
    "  blank                 blank-check the part (-d)\n"
    "  read FILE             read the part into the buffer and save it to FILE\n"
    "  verify FILE           load FILE and verify the part against it\n"
    "  compare FILE          load FILE and check that the part can still take it\n"
    "  program FILE          load FILE, program the part and verify it\n"
    "  checksum FILE         load FILE and show the buffer's checksum\n"
    "  convert IN OUT        load IN and save it as OUT (-d); OUT may be IN\n"
    "\n"
    "options:\n"
    "  --simulate[=STATE]    use the simulated programmer instead of USB; STATE keeps\n"
    "                        its part (type and fuses) between runs\n"
    "  --sim-firmware X.YY   firmware version the simulated programmer reports\n"
    "  --sim-part NAME|none  the part in the simulated socket (default: the -d type)\n"
    "  --sim-packet-us N     the simulated firmware's time per packet, 0 to 100000 us\n"
    "                        (default 20)\n"
    "  -d NAME               the PROM type, by caption or list row, any letter case,\n"
    "                        or by the number on the chip, another maker's too\n"
    "                        (N82S129AN, DM74S287AN, TBP24S10N, 6301-1J)\n"
    "  -t TYPE               file type: bin, intel, motorola or ascii (default: by\n"
    "                        extension: .hex intel; .s19 .s28 .s37 .srec .mot motorola;\n"
    "                        .asc .txt ascii; else bin)\n"
    "  --to TYPE             the output file type of convert (default: by extension)\n"
    "  --sim-fault FAULTS    faults of the simulated programmer, comma-separated:\n"
    "                        no-reply, no-reply=N, short-reply=N, pieces,\n"
    "                        short-write=N[:B], unplug=N, devices=N, bad-reply,\n"
    "                        open-fail, bad-record=N,\n"
    "                        flaky=ADDR:BIT (ADDR hex, BIT 0-7; several allowed),\n"
    "                        stuck-bit=B:V (data bit B, 0-7, reads V, 0 or 1),\n"
    "                        stuck-address=A:V (address line A, 0-9, held at V)\n"
    "  --sim-seed S          seed of the simulated programmer's random faults (flaky)\n"
    "  --sim-batch LIST      the simulated parts a run of many takes in turn, comma-\n"
    "                        separated: blank, empty, used=ADDR:BYTE (bits already\n"
    "                        fused), stuck=ADDR:BIT (a fuse that never blows); + joins\n"
    "                        several in one part; blank parts follow the last\n"
    "  --passes N            read: read the part N times (1 to 99) and keep, for each\n"
    "                        bit, what most reads agreed on; list the unstable bits\n"
    "  --force               program: burn without checking first that the part\n"
    "                        can take the buffer\n"
    "  --count N             program: N parts (1 to 9999) one after the other, waiting\n"
    "                        for Enter between them; ends with a tally\n"
    "  --no-wait             program --count: go on to the next part at once\n"
    "  --json                one JSON record per operation on standard output instead\n"
    "                        of the status texts, which go to standard error\n"
    "  --no-log              append nothing to the operation log\n"
    "                        ($XDG_STATE_HOME/tarnik/log.jsonl)\n"
    "  --read-window K       read K locations per USB write, 1 to 16 (default 16;\n"
    "                        1 reads one location at a time)\n"
    "  --trace FILE          write every packet sent and reply read to FILE\n"
    "  --stats               end with a line of link counters\n"
    "  --yes                 answer Yes to questions (default No)\n"
    "  --lenient             accept hex records with wrong checksums (they are\n"
    "                        counted and loaded as read; default: refused)\n"
    "  --dat FILE            read, verify, checksum, convert: name the known images of\n"
    "                        the DAT catalogue FILE the buffer matches (repeatable)\n"
    "  --roms DIR            the same with the zips and files below DIR; with no\n"
    "                        match, name the nearest of them and its bits (repeatable)\n"
    "  --near-bits N         the most bits the nearest image may differ in, 0 to 8192\n"
    "                        (default 16; 0 names none)\n"
    "  --bit-map FILE.png    read, verify: save a picture of the part's bits to FILE,\n"
    "                        the bits that differ coloured as the window colours them\n"
    "  --help                show this text\n"
    "  --version             show the program's version\n"
    "\n"
    "exit status: 0 done and passed, 1 the part failed the check, could not take\n"
    "             the image (program; any of the parts with --count) or read\n"
    "             unstable bits (read --passes),\n"
    "             2 bad usage or a bad input file, 3 programmer not found or a link fault\n";

}  // namespace tarnik
