#pragma once
// Everything the logic needs from its surroundings beyond the controls of the
// window model: message pumping, message boxes, file dialogs, Timer1, sleep,
// clock, current directory and calls posted from other threads. The Qt window, the console and the tests each
// provide one.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "window/clock.h"

namespace tarnik {

enum class Box_Icon { Information, Confirmation, Warning, Error, Stop };
enum class Box_Buttons { Ok, Yes_No };
enum class Box_Answer { Ok, Yes, No };

struct Box_Position {
  bool centred = true;
  int left = 0;
  int top = 0;
};

struct Message_Box_Request {
  std::string text;
  Box_Icon icon = Box_Icon::Information;
  Box_Buttons buttons = Box_Buttons::Ok;
  // A Yes/No question whose default answer, on Enter, is No.
  bool default_no = false;
  Box_Position position;
  std::string title;
};

struct File_Dialog_Request {
  std::string filter;         // "Bin|*.Bin|Hex|*.Hex|All|*.*"
  std::string default_ext;    // without the dot
  int filter_index = 1;       // 1-based, as the filter lists them
  std::string initial_dir;
  bool must_exist = false;    // open dialog: path and file must exist
  bool confirm_overwrite = false;
};

// One item to pick from a list: the members of an archive, say.
struct Choice_Request {
  std::string title;
  std::string text;
  std::vector<std::string> items;
};

class Host {
 public:
  virtual ~Host() = default;

  // Lets the window process all its pending messages, timer ticks included.
  virtual void Process_Messages() = 0;
  // Waits briefly (about a millisecond) for input or a message, so that a
  // poll loop does not spin a core.
  virtual void Wait_Briefly() = 0;

  virtual Box_Answer Message_Box(const Message_Box_Request& request) = 0;
  virtual std::optional<std::string> Open_Dialog(const File_Dialog_Request& request) = 0;
  virtual std::optional<std::string> Save_Dialog(const File_Dialog_Request& request) = 0;
  // The index of the item picked; none when the user cancels or nobody can
  // be asked.
  virtual std::optional<std::size_t> Choose(const Choice_Request& request) = 0;

  // Timer1: one periodic timer whose ticks call the handler set here.
  virtual void Set_Timer1_Handler(std::function<void()> on_tick) = 0;
  virtual void Start_Timer1(int period_ms) = 0;
  virtual void Stop_Timer1() = 0;
  [[nodiscard]] virtual bool Timer1_Running() const = 0;

  virtual Clock& Time() = 0;
  void Sleep_Ms(int ms) { Time().Sleep_Until_Us(Time().Now_Us() + int64_t{ms} * 1000); }

  [[nodiscard]] virtual std::string Current_Directory() const = 0;

  // Runs `call` on the window's thread at its next pump. The one member that
  // any thread may call: work done elsewhere hands its news back this way,
  // never touching the window itself.
  virtual void Post(std::function<void()> call) = 0;
};

}  // namespace tarnik
