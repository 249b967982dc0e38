#pragma once
// The file type unit: the choice of file type, the load and save commands
// with their dialogs, and the last-file line. The codecs do the converting;
// this unit does the file access, the status texts, the pumping and the
// dialogs, and loads all or nothing: a file is read into a copy of the
// buffer, and the buffer takes the copy only when the whole read succeeded.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "window/control_states.h"
#include "window/host.h"
#include "window/message_pump.h"
#include "window/window_model.h"
#include "buffer/prom_buffer.h"
#include "files/hex_reader.h"

namespace tarnik {

inline constexpr const char* Buffer_File_Filter = "Bin|*.Bin|Hex|*.Hex|All|*.*";
inline constexpr const char* Last_File_Prefix = "Last File Loaded in Buffer=";

// The properties of one file dialog that the logic sets and reads.
struct File_Dialog {
  std::string filter = Buffer_File_Filter;
  std::string default_ext;
  int filter_index = 1;
  std::string file_name;    // the file last chosen in the dialog, full path
  std::string initial_dir;  // where it opens while it has no file of its own
  bool must_exist = false;
  bool confirm_overwrite = false;

  // What the host's dialog is asked for: the default extension without a
  // dot, and the folder of the last file when there is one.
  [[nodiscard]] File_Dialog_Request Request() const;
};

// What the last load found besides its data, for the command line's exit
// status: each of these is also on the status line and in the message list.
struct Load_Findings {
  bool refused = false;  // unreadable, too long or malformed: nothing loaded
  bool no_data = false;  // read whole, but it gave the buffer no byte
  std::size_t bad_checksums = 0;
  std::size_t unknown_records = 0;
};

// An image read from an archive: its bytes and the name that says where it
// came from ("board.zip:col.6f"), or why none could be had.
struct Archive_Read {
  std::optional<std::string> bytes;
  std::string name;
  std::string problem;  // empty when read
  // When the archive holds several images to pick from: the name each would
  // load by, and the text that shows it with its size.
  std::vector<std::string> choice_names;
  std::vector<std::string> choice_texts;
};
// Reads `name` when it names an archive or one of its members; none when it
// names a plain file. `part_bytes` is the part's size, which picks the
// member when the archive holds one of that size and none is named.
using Archive_Reader =
    std::function<std::optional<Archive_Read>(const std::string& name, uint32_t part_bytes)>;

class File_Commands {
 public:
  // `device_end` belongs to the device selection; the files only read it.
  File_Commands(Window_Model& window, Host& host, Message_Pump& pump, Control_States& states,
                Prom_Buffer_Unit& buffer, const int32_t& device_end);

  // The file type is the Tag of File_Type: File_But caption, and default
  // extension and filter index of both dialogs follow it.
  void Apply_File_Type();
  [[nodiscard]] int File_Type_Tag() const;

  void File_ButClick();
  void File_TypeClick();
  // A malformed hex file throws Handler_Error with the conversion text after
  // the checksum has been shown and the busy state left; the buffer and the
  // last-file line stay as they were.
  void Load_ButClick();
  void Save_ButClick();

  // Each loads the file named in OpenDialog1 into the buffer and returns
  // whether it did. A file that cannot be read changes nothing and says so
  // on the status line, which turns red; Load_Hex_File throws Handler_Error
  // on a malformed field, with the buffer unchanged.
  [[nodiscard]] bool Load_Binary_File();
  [[nodiscard]] bool Load_Hex_File();
  // The loader the file type picks.
  [[nodiscard]] bool Load_Buffer_File();

  // Each writes the device range to the file named in SaveDialog1; a file
  // that cannot be written is reported on the status line, which turns red.
  void Save_Binary_File();
  void Save_Hex_File();

  // The start-up reload of the last file: the name goes into OpenDialog1,
  // the file type's loader runs, and the last-file line follows a
  // successful load. The checksum is not computed.
  void Reload_Last_File(const std::string& path);

  // Runs OpenDialog1 and keeps the chosen name in it.
  std::optional<std::string> Run_Open_Dialog();
  std::optional<std::string> Run_Save_Dialog();

  File_Dialog OpenDialog1;
  File_Dialog SaveDialog1;
  Load_Findings Last_Load;
  // Dialogs answered with a file, open and save: a load or a save ran.
  uint32_t Files_Chosen = 0;
  // Unset: every name is a plain file.
  Archive_Reader Read_Archive;

 private:
  // The file named in OpenDialog1, within the input limit; a file that
  // cannot be read or is too long is reported and gives nothing.
  [[nodiscard]] std::optional<std::string> Read_Load_File();
  [[nodiscard]] std::optional<std::string> Take_Archive_Read(Archive_Read read);
  void Begin_Load();
  void Report_File_Failure(const std::string& what, const std::string& file_name);
  void Report_Load_Line(std::string line);
  void Report_Dropped_Bytes(std::size_t dropped);
  void Report_No_Data(std::size_t stored);
  void Report_Bad_Checksums(const Hex_Read_Result& read);
  void Report_Unknown_Records(const Hex_Read_Result& read);
  void Show_Last_File();

  Window_Model& window_;
  Host& host_;
  Message_Pump& pump_;
  Control_States& states_;
  Prom_Buffer_Unit& buffer_;
  const int32_t& device_end_;
  std::size_t load_lines_ = 0;  // message-list lines of the running load
};

// The message-list line for file bytes that had no place in the buffer.
[[nodiscard]] std::string Dropped_Bytes_Text(std::size_t dropped);
// The message-list lines of a load that found something wrong; each names
// the file.
[[nodiscard]] std::string No_Data_Text(const std::string& file_name);
[[nodiscard]] std::string Bad_Checksums_Text(const std::string& file_name, std::size_t records,
                                             std::size_t first_line);
[[nodiscard]] std::string Unknown_Records_Text(const std::string& file_name, std::size_t records,
                                               std::size_t first_line);
[[nodiscard]] std::string Conversion_Error_Text(const std::string& file_name, std::size_t line,
                                                const std::string& error);

}  // namespace tarnik
