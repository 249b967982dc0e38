// The main form's loading of the known image a message-list line names.

#include "app/main_form.h"
#include "app/named_image_file.h"
#include "buffer/prom_image.h"
#include "devices/difference_summary.h"
#include "files/file_types.h"
#include "window/errors.h"

namespace tarnik {

void Main_Form::Wire_Named_Image() {
  Wire("Memo1", Event_Kind::Double_Click, [this](int line) {
    const std::vector<std::string>& lines = window.Get("Memo1").lines;
    if (line < 0 || static_cast<std::size_t>(line) >= lines.size()) return;
    const std::optional<std::string> file = Loadable_File_Named(lines[static_cast<std::size_t>(line)]);
    if (!file) return;
    Run_Command([this, &file] { Load_Named_Image(*file); });
  });
}

void Main_Form::Load_Named_Image(const std::string& file) {
  states.Disable_Commands();
  // A known image is the part's bytes as they are: it loads as a binary
  // file whatever type the last file had.
  window.Set_Item_Index("File_Type", File_Binary);
  window.Set_Tag("File_Type", File_Binary);
  files.Apply_File_Type();
  const auto finish = [this] {
    buffer.Show_Checksum();
    states.Enable_Commands();
  };
  try {
    files.Reload_Last_File(file);
  } catch (const Handler_Error&) {
    finish();
    throw;
  }
  Mark_Against_Last_Read();
  finish();
}

// The bytes where the part as last read differs from the buffer: amber
// where programming can still add the bits the image has, red where the
// part holds bits it has not.
void Main_Form::Mark_Against_Last_Read() {
  const int32_t locations = Loop_End(devices.selection.Device_End) + 1;
  if (devices.operations.Locations_Read() != locations) {
    devices.operations.Marks().Clear();
    return;
  }
  const uint8_t mask = Data_Mask_Of_Class(devices.access.Device_Tag());
  const Prom_Image& read = devices.operations.Last_Read();
  std::vector<Marked_Byte> marks;
  for (int32_t address = 0; address < locations; ++address) {
    const auto at = static_cast<std::size_t>(address);
    const Byte_Mark mark = Mark_For(Prom_Buffer[at], read[at], mask);
    if (mark != Byte_Mark::None) marks.push_back({address, mark});
  }
  devices.operations.Marks().Set(marks);
}

}  // namespace tarnik
