#include "files/file_commands.h"

#include <array>
#include <filesystem>
#include <fstream>

#include "window/errors.h"
#include "window/text_file.h"
#include "files/binary_file.h"
#include "files/file_types.h"
#include "files/hex_reader.h"
#include "files/hex_writers.h"

namespace tarnik {

namespace {

constexpr std::array<const char*, 4> File_But_Captions = {"Binary File", "Intel Hex File",
                                                          "Motorola Hex File", "Ascii Hex File"};

constexpr int Failure = 1;

// A folder opens like a file here and then reads as empty; it is no file.
bool Is_Folder(const std::string& name) {
  std::error_code error;
  return std::filesystem::is_directory(name, error);
}

}  // namespace

std::string Dropped_Bytes_Text(std::size_t dropped) {
  return std::to_string(dropped) + " File Bytes Beyond Buffer End Dropped....";
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
  if (chosen) OpenDialog1.file_name = *chosen;
  return chosen;
}

std::optional<std::string> File_Commands::Run_Save_Dialog() {
  auto chosen = host_.Save_Dialog(SaveDialog1.Request());
  if (chosen) SaveDialog1.file_name = *chosen;
  return chosen;
}

bool File_Commands::Load_Buffer_File() {
  return File_Type_Tag() == File_Binary ? Load_Binary_File() : Load_Hex_File();
}

bool File_Commands::Load_Binary_File() {
  const std::string& name = OpenDialog1.file_name;
  std::ifstream file(name, std::ios::binary);
  if (Is_Folder(name)) file.setstate(std::ios::badbit);
  Prom_Image image = buffer_.Prom_Buffer;
  std::size_t position = 0;
  std::size_t dropped = 0;
  std::string block(Binary_Block_Size, '\0');
  while (file) {
    file.read(block.data(), static_cast<std::streamsize>(block.size()));
    const auto got = static_cast<std::size_t>(file.gcount());
    dropped += Store_Binary_Block(image, position, std::string_view(block.data(), got));
    position += got;
  }
  if (!file.eof() || file.bad()) {
    Report_File_Failure("Could Not Read File", name);
    return false;
  }
  buffer_.Prom_Buffer = image;
  Report_Dropped_Bytes(dropped);
  return true;
}

bool File_Commands::Load_Hex_File() {
  window_.Set_Caption("StaticText3", "Loading Buffer from Hex File....");
  pump_.Process_Messages();
  const std::string& name = OpenDialog1.file_name;
  const std::optional<std::string> text =
      Is_Folder(name) ? std::nullopt : Read_Whole_File(name);
  if (!text) {
    Report_File_Failure("Could Not Read File", name);
    return false;
  }
  const Hex_Read_Result read =
      Read_Hex_Image(*text, File_Type_Tag(), device_end_, buffer_.Prom_Buffer);
  if (!read.Succeeded()) {
    window_.Set_Tag("StaticText3", Failure);
    throw Handler_Error(*read.error);
  }
  buffer_.Prom_Buffer = read.image;
  Report_Dropped_Bytes(read.dropped);
  window_.Set_Caption("StaticText3", "Hex File Loaded....");
  return true;
}

void File_Commands::Save_Binary_File() {
  const std::string& name = SaveDialog1.file_name;
  if (!Write_File(name, Write_Binary_Image(buffer_.Prom_Buffer, device_end_)))
    Report_File_Failure("Could Not Write File", name);
}

void File_Commands::Save_Hex_File() {
  window_.Set_Caption("StaticText3", "Saving Buffer to Hex File....");
  pump_.Process_Messages();
  const std::string& name = SaveDialog1.file_name;
  if (Write_File(name, Write_Hex_Image(File_Type_Tag(), buffer_.Prom_Buffer, device_end_)))
    window_.Set_Caption("StaticText3", "Hex File Saved....");
  else
    Report_File_Failure("Could Not Write File", name);
}

void File_Commands::Reload_Last_File(const std::string& path) {
  OpenDialog1.file_name = path;
  if (Load_Buffer_File()) Show_Last_File();
}

bool File_Commands::Write_File(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  return !file.fail();
}

void File_Commands::Report_File_Failure(const std::string& what, const std::string& file_name) {
  window_.Set_Caption("StaticText3", what + " " + file_name + "....");
  window_.Set_Tag("StaticText3", Failure);
}

void File_Commands::Report_Dropped_Bytes(std::size_t dropped) {
  if (dropped == 0) return;
  window_.Clear_Lines("Memo1");
  window_.Append_Line("Memo1", Dropped_Bytes_Text(dropped));
  window_.Set_Visible("Memo1", true);
}

void File_Commands::Show_Last_File() {
  window_.Set_Caption("StaticText4", Last_File_Prefix + OpenDialog1.file_name);
}

}  // namespace tarnik
