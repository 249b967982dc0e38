#pragma once
// Names the image in the buffer after it has been filled from the part or a
// file, or checked against the part: the known images it matches, or the
// nearest one and the bits that differ. The lines join the message list,
// which is shown while it has them, and the checksum button's hint names the
// match. The window indexes its catalogues and folders in the background from
// start-up, its progress in the title; a look-up that comes first says so in
// the message list and waits for the index, pumping the window's messages,
// so that it never looks frozen.

#include <functional>
#include <memory>
#include <string>

#include "buffer/prom_image.h"
#include "identify/background_index.h"
#include "identify/identify.h"
#include "window/message_pump.h"
#include "window/window_model.h"

namespace tarnik {

class Image_Identity {
 public:
  Image_Identity(Window_Model& window, Message_Pump& pump) : window_(window), pump_(pump) {}

  // Where the known images are; unset, nothing is identified.
  std::function<identify::Identify_Sources()> Find_Sources;

  // Hands a call to the window's thread, from any thread.
  using Poster = std::function<void(std::function<void()>)>;

  // Starts indexing the sources `Find_Sources` gives, on a thread of its
  // own. The index's news reaches the window through `post`; while
  // `window_busy` says a command runs, the title is left to it.
  void Index_In_Background(const Poster& post, std::function<bool()> window_busy);
  [[nodiscard]] bool Index_Ready() const { return !index_ || index_->Ready(); }
  // The title shows the index's progress while it is built and is given
  // back once it is ready.
  void Show_Index_Progress();

  void Report(const Prom_Image& image, int32_t device_end, int device_tag);
  // Puts the match back into the checksum button's hint, which a checksum
  // shown again replaces, while the buffer is the one identified.
  void Keep_Hint(const Prom_Image& image, int32_t device_end);
  // What the last identification named, while the buffer is still the image
  // it named; empty otherwise.
  [[nodiscard]] std::string Named_For(const Prom_Image& image, int32_t device_end) const;
  // Whether the last identification found a known image equal to `image`.
  [[nodiscard]] bool Known_Exactly(const Prom_Image& image, int32_t device_end) const;

 private:
  void Set_Hint(const std::string& summary);
  void Wait_For_Index();

  Window_Model& window_;
  Message_Pump& pump_;
  Prom_Image identified_{};
  int32_t identified_end_ = -1;
  std::string summary_;
  bool exact_ = false;
  std::string base_title_;
  bool title_given_back_ = false;
  std::function<bool()> window_busy_;
  // Calls posted by the index check this before they touch the window.
  std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
  // Last, so that its thread is stopped before anything it reports to goes.
  std::unique_ptr<identify::Background_Index> index_;
};

// The window's sources: every `*.dat` and `*.xml` in the data folder's
// `dats/`, the folder `roms/` beside it, and the user's cache folder.
[[nodiscard]] identify::Identify_Sources User_Identify_Sources();

}  // namespace tarnik
