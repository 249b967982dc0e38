#include "files/file_commands.h"

#include <array>
#include <filesystem>

#include "window/errors.h"
#include "window/text_file.h"
#include "files/binary_file.h"
#include "files/file_types.h"
#include "files/hex_writers.h"

namespace tarnik {

namespace {

constexpr std::array<const char*, 4> File_But_Captions = {"Binary File", "Intel Hex File",
                                                          "Motorola Hex File", "Ascii Hex File"};

constexpr int Failure = 1;

}  // namespace

std::string Dropped_Bytes_Text(std::size_t dropped) {
  return std::to_string(dropped) + " File Bytes Beyond Buffer End Dropped....";
}

std::string No_Data_Text(const std::string& file_name) {
  return file_name + " gave the buffer no data";
}

std::string Bad_Checksums_Text(const std::string& file_name, std::size_t records,
                               std::size_t first_line) {
  return file_name + ": " + std::to_string(records) + (records == 1 ? " record" : " records") +
         " with a wrong checksum, the first on line " + std::to_string(first_line) +
         "; loaded as read";
}

std::string Unknown_Records_Text(const std::string& file_name, std::size_t records,
                                 std::size_t first_line) {
  return file_name + ": " + std::to_string(records) + (records == 1 ? " record" : " records") +
         " of an unknown type, the first on line " + std::to_string(first_line) + "; skipped";
}

std::string Conversion_Error_Text(const std::string& file_name, std::size_t line,
                                  const std::string& error) {
  return file_name + " line " + std::to_string(line) + ": " + error;
}

File_Dialog_Request File_Dialog::Request() const {
  File_Dialog_Request request;
  request.filter = filter;
  request.default_ext =
      !default_ext.empty() && default_ext.front() == '.' ? default_ext.substr(1) : default_ext;
  request.filter_index = filter_index;
  const std::filesystem::path folder = std::filesystem::path(file_name).parent_path();
  request.initial_dir = folder.empty() ? initial_dir : folder.string();
  request.must_exist = must_exist;
  request.confirm_overwrite = confirm_overwrite;
  return request;
}

File_Commands::File_Commands(Window_Model& window, Host& host, Message_Pump& pump,
                             Control_States& states, Prom_Buffer_Unit& buffer,
                             const int32_t& device_end)
    : window_(window),
      host_(host),
      pump_(pump),
      states_(states),
      buffer_(buffer),
      device_end_(device_end) {
  OpenDialog1.default_ext = ".Bin";
  OpenDialog1.must_exist = true;
  OpenDialog1.initial_dir = host.Current_Directory();
  SaveDialog1.default_ext = "Bin";
  SaveDialog1.confirm_overwrite = true;
  SaveDialog1.initial_dir = host.Current_Directory();
}

int File_Commands::File_Type_Tag() const { return window_.Get("File_Type").tag; }

void File_Commands::Apply_File_Type() {
  const int tag = File_Type_Tag();
  if (tag >= 0 && tag < static_cast<int>(File_But_Captions.size()))
    window_.Set_Caption("File_But", File_But_Captions[static_cast<std::size_t>(tag)]);
  const bool binary = tag == File_Binary;
  for (File_Dialog* dialog : {&OpenDialog1, &SaveDialog1}) {
    dialog->default_ext = binary ? "Bin" : "Hex";
    dialog->filter_index = binary ? 1 : 2;
  }
}

void File_Commands::File_ButClick() {
  states_.Disable_Commands();
  window_.Set_Visible("File_Type", true);
}

void File_Commands::File_TypeClick() {
  window_.Set_Tag("File_Type", window_.Get("File_Type").item_index);
  Apply_File_Type();
  states_.Enable_Commands();
}

void File_Commands::Load_ButClick() {
  states_.Disable_Commands();
  const auto finish = [this] {
    buffer_.Show_Checksum();
    states_.Enable_Commands();
  };
  try {
    if (Run_Open_Dialog() && Load_Buffer_File()) Show_Last_File();
  } catch (const Handler_Error&) {
    // The window must not stay busy behind the error box.
    finish();
    throw;
  }
  finish();
}

void File_Commands::Save_ButClick() {
  if (Run_Save_Dialog()) {
    if (File_Type_Tag() == File_Binary)
      Save_Binary_File();
    else
      Save_Hex_File();
  }
  states_.Enable_Commands();
}

std::optional<std::string> File_Commands::Run_Open_Dialog() {
  auto chosen = host_.Open_Dialog(OpenDialog1.Request());
  if (chosen) {
    OpenDialog1.file_name = *chosen;
    ++Files_Chosen;
  }
  return chosen;
}

std::optional<std::string> File_Commands::Run_Save_Dialog() {
  auto chosen = host_.Save_Dialog(SaveDialog1.Request());
  if (chosen) {
    SaveDialog1.file_name = *chosen;
    ++Files_Chosen;
  }
  return chosen;
}

bool File_Commands::Load_Buffer_File() {
  return File_Type_Tag() == File_Binary ? Load_Binary_File() : Load_Hex_File();
}

void File_Commands::Begin_Load() {
  Last_Load = Load_Findings{};
  load_lines_ = 0;
}

std::optional<std::string> File_Commands::Read_Load_File() {
  const std::string& name = OpenDialog1.file_name;
  if (Read_Archive)
    if (std::optional<Archive_Read> read = Read_Archive(name, static_cast<uint32_t>(device_end_) + 1))
      return Take_Archive_Read(std::move(*read));
  Bounded_File file = Read_Bounded_File(name);
  if (file.too_long) {
    Report_Load_Line(Too_Long_Text(name, Input_File_Limit) + "; nothing was loaded");
    Report_File_Failure("File Too Long", name);
  } else if (!file.bytes) {
    Report_File_Failure("Could Not Read File", name);
  }
  Last_Load.refused = !file.bytes;
  return std::move(file.bytes);
}

std::optional<std::string> File_Commands::Take_Archive_Read(Archive_Read read) {
  if (!read.bytes && !read.choice_names.empty()) {
    Choice_Request request{Window_Title, "Load Which Image From " + OpenDialog1.file_name + "?",
                           read.choice_texts};
    if (const std::optional<std::size_t> pick = host_.Choose(request);
        pick && *pick < read.choice_names.size())
      if (std::optional<Archive_Read> chosen =
              Read_Archive(read.choice_names[*pick], static_cast<uint32_t>(device_end_) + 1))
        read = std::move(*chosen);
  }
  if (!read.bytes) {
    Report_Load_Line(OpenDialog1.file_name + ": " + read.problem);
    Report_File_Failure("Could Not Read File", OpenDialog1.file_name);
    Last_Load.refused = true;
    return std::nullopt;
  }
  // The member picked stands in the last-file line and the settings, so
  // that the next start loads the same one.
  OpenDialog1.file_name = read.name;
  return std::move(read.bytes);
}

bool File_Commands::Load_Binary_File() {
  Begin_Load();
  const std::optional<std::string> bytes = Read_Load_File();
  if (!bytes) return false;
  const Binary_Read_Result read = Read_Binary_Image(*bytes, buffer_.Prom_Buffer);
  buffer_.Prom_Buffer = read.image;
  Report_Dropped_Bytes(read.dropped);
  Report_No_Data(bytes->size() - read.dropped);
  return true;
}

bool File_Commands::Load_Hex_File() {
  Begin_Load();
  window_.Set_Caption("StaticText3", "Loading Buffer from Hex File....");
  pump_.Process_Messages();
  const std::string& name = OpenDialog1.file_name;
  const std::optional<std::string> text = Read_Load_File();
  if (!text) return false;
  const Hex_Read_Result read =
      Read_Hex_Image(*text, File_Type_Tag(), device_end_, buffer_.Prom_Buffer);
  if (!read.Succeeded()) {
    Last_Load.refused = true;
    Report_Load_Line(Conversion_Error_Text(name, read.error_line, *read.error));
    window_.Set_Tag("StaticText3", Failure);
    throw Handler_Error(*read.error);
  }
  buffer_.Prom_Buffer = read.image;
  window_.Set_Caption("StaticText3", "Hex File Loaded....");
  Report_Dropped_Bytes(read.dropped);
  Report_Bad_Checksums(read);
  Report_Unknown_Records(read);
  Report_No_Data(read.stored);
  return true;
}

void File_Commands::Save_Binary_File() {
  const std::string& name = SaveDialog1.file_name;
  if (!Write_File_Atomically(name, Write_Binary_Image(buffer_.Prom_Buffer, device_end_)))
    Report_File_Failure("Could Not Write File", name);
}

void File_Commands::Save_Hex_File() {
  window_.Set_Caption("StaticText3", "Saving Buffer to Hex File....");
  pump_.Process_Messages();
  const std::string& name = SaveDialog1.file_name;
  if (Write_File_Atomically(name,
                            Write_Hex_Image(File_Type_Tag(), buffer_.Prom_Buffer, device_end_)))
    window_.Set_Caption("StaticText3", "Hex File Saved....");
  else
    Report_File_Failure("Could Not Write File", name);
}

void File_Commands::Reload_Last_File(const std::string& path) {
  OpenDialog1.file_name = path;
  if (Load_Buffer_File()) Show_Last_File();
}

void File_Commands::Report_File_Failure(const std::string& what, const std::string& file_name) {
  window_.Set_Caption("StaticText3", what + " " + file_name + "....");
  window_.Set_Tag("StaticText3", Failure);
}

// The first finding of a load replaces what the list held before.
void File_Commands::Report_Load_Line(std::string line) {
  if (load_lines_++ == 0) window_.Clear_Lines("Memo1");
  window_.Append_Line("Memo1", std::move(line));
  window_.Set_Visible("Memo1", true);
}

void File_Commands::Report_Dropped_Bytes(std::size_t dropped) {
  if (dropped == 0) return;
  Report_Load_Line(Dropped_Bytes_Text(dropped));
}

// The file loads as it is (the buffer keeps its content), but a load that
// changed nothing must not look like one that did.
void File_Commands::Report_No_Data(std::size_t stored) {
  if (stored != 0) return;
  Last_Load.no_data = true;
  Report_Load_Line(No_Data_Text(OpenDialog1.file_name));
  Report_File_Failure("No Data Loaded from", OpenDialog1.file_name);
}

void File_Commands::Report_Bad_Checksums(const Hex_Read_Result& read) {
  if (read.bad_checksums == 0) return;
  Last_Load.bad_checksums = read.bad_checksums;
  Report_Load_Line(
      Bad_Checksums_Text(OpenDialog1.file_name, read.bad_checksums, read.first_bad_checksum_line));
  Report_File_Failure("Bad Check Sums in", OpenDialog1.file_name);
}

void File_Commands::Report_Unknown_Records(const Hex_Read_Result& read) {
  if (read.unknown_records == 0) return;
  Last_Load.unknown_records = read.unknown_records;
  Report_Load_Line(Unknown_Records_Text(OpenDialog1.file_name, read.unknown_records,
                                        read.first_unknown_line));
  Report_File_Failure("Unknown Records in", OpenDialog1.file_name);
}

void File_Commands::Show_Last_File() {
  window_.Set_Caption("StaticText4", Last_File_Prefix + OpenDialog1.file_name);
}

}  // namespace tarnik
