#pragma once
// Names the image in the buffer after it has been filled from the part or a
// file, or checked against the part: the known images it matches, or the
// nearest one and the bits that differ. The lines join the message list,
// which is shown while it has them, and the checksum button's hint names the
// match. While a catalogue or folder is indexed the window's messages are
// pumped, so that it never looks frozen.

#include <functional>
#include <string>

#include "buffer/prom_image.h"
#include "identify/identify.h"
#include "window/message_pump.h"
#include "window/window_model.h"

namespace tarnik {

class Image_Identity {
 public:
  Image_Identity(Window_Model& window, Message_Pump& pump) : window_(window), pump_(pump) {}

  // Where the known images are; unset, nothing is identified.
  std::function<identify::Identify_Sources()> Find_Sources;

  void Report(const Prom_Image& image, int32_t device_end, int device_tag);
  // Puts the match back into the checksum button's hint, which a checksum
  // shown again replaces, while the buffer is the one identified.
  void Keep_Hint(const Prom_Image& image, int32_t device_end);
  // What the last identification named, while the buffer is still the image
  // it named; empty otherwise.
  [[nodiscard]] std::string Named_For(const Prom_Image& image, int32_t device_end) const;

 private:
  void Set_Hint(const std::string& summary);

  Window_Model& window_;
  Message_Pump& pump_;
  Prom_Image identified_{};
  int32_t identified_end_ = -1;
  std::string summary_;
};

// The window's sources: every `*.dat` and `*.xml` in the data folder's
// `dats/`, the folder `roms/` beside it, and the user's cache folder.
[[nodiscard]] identify::Identify_Sources User_Identify_Sources();

}  // namespace tarnik
