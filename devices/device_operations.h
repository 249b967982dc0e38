#pragma once
// The five things the user does with a part in the adapter: blank check,
// verify, move into the buffer, program compare and program.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "window/control_states.h"
#include "window/message_pump.h"
#include "window/operation_progress.h"
#include "window/window_model.h"
#include "buffer/buffer_marks.h"
#include "buffer/prom_image.h"
#include "devices/burn_check.h"
#include "devices/device_access.h"
#include "devices/difference_summary.h"
#include "devices/link_fault_watch.h"
#include "link/command_link.h"

namespace tarnik {

class Device_Operations {
 public:
  // `show_checksum` shows the buffer's checksum, then the ready state and the
  // idle sequence; a move runs it after reading the part.
  Device_Operations(Window_Model& window, Control_States& states, Message_Pump& pump,
                    Command_Link& link, Device_Access& access, Prom_Image& prom_buffer,
                    std::function<void()> show_checksum);

  void Blank_ChkClick();
  void Verify_EpromClick();
  void Move_EpromClick();
  void CompareClick();
  // Before a burn: every location that cannot take the buffer, listed.
  void Check_Before_Burn();
  [[nodiscard]] const std::vector<Unfit_Location>& Unfit() const { return unfit_; }
  void Program_EpromClick();
  // The verify pass, with its own busy and ready states; shared by the
  // verify button and the end of programming.
  void Verify_Device();

  // What the last pass over the part found, bit by bit.
  [[nodiscard]] const Difference_Summary& Differences() const { return differences_; }
  // The bytes the last check found different, for the hex view.
  [[nodiscard]] Buffer_Marks& Marks() { return marks_; }
  // What the last pass read from the part, and how many locations from 0 it
  // read before it ended.
  [[nodiscard]] const Prom_Image& Last_Read() const { return last_read_; }
  [[nodiscard]] int32_t Locations_Read() const { return locations_read_; }
  // The data bits of a blank part: 00, or FF for a maker whose parts come
  // with every bit 1. The blank check judges against it.
  void Set_Blank_Value(uint8_t value) { blank_value_ = value; }
  [[nodiscard]] uint8_t Blank_Value() const { return blank_value_; }
  // The step the last click was in: where a link fault stopped it, if one did.
  [[nodiscard]] Stopped_Step Step() const { return step_; }
  // Where each pass reports how far it is; none by default.
  void Set_Progress(Operation_Progress* progress) { progress_ = progress; }

 private:
  // The entry of every click: the fault watch starts and the message list
  // is emptied, before anything is sent.
  void Start_Click();
  // Busy state, idle sequence and the start message; a listing operation
  // also shows the message list. `activity` names the pass in the progress
  // report.
  void Begin(const char* start_message, bool lists_findings, const char* activity);
  // Read set-up, then each location from 0: read, `per_location`, step;
  // nothing is read or judged after the link failed.
  void Read_Loop(const std::function<void(uint8_t& buffer_byte)>& per_location);
  // The same over `image` in place of the buffer.
  void Read_Loop(Prom_Image& image, const std::function<void(uint8_t& image_byte)>& per_location);
  // Ready state and idle sequence.
  void Finish();
  // Whether the link failed since the click began.
  [[nodiscard]] bool Stopped() const { return watch_.Faulted(link_); }
  // Runs `verdict` when the link held through the check; otherwise the
  // status says the operation was stopped, and the message list with the
  // fault lines stays in view.
  void Decide(const std::function<void()>& verdict);
  // The status line says that the link stopped the click, and in which step.
  void Show_Stopped();
  void Decide_Check(const char* failed_text, const char* passed_text);
  // Programming from the buffer, up to the first link fault.
  void Program_Part();
  void Report_Finding(std::string line);
  // A line after the findings, shown even when the check passed.
  void Add_Note(std::string line);
  // The summary of a check failed by its locations, the all-ones warning and
  // the marks.
  void Report_Differences(bool with_cannot_take);
  void Warn_If_All_Ones();
  void Note_Progress(int32_t locations_done);
  void Set_Status(const char* text);
  [[nodiscard]] bool Failed() const { return window_.Failure_Flag() != 0; }
  void Write_Control(int32_t value);
  // Addresses the location and fires one pulse for each of its 1 bits.
  void Program_Location(uint8_t buffer_byte);

  Window_Model& window_;
  Control_States& states_;
  Message_Pump& pump_;
  Command_Link& link_;
  Device_Access& access_;
  Prom_Image& prom_buffer_;
  std::function<void()> show_checksum_;
  Difference_Summary differences_;
  Buffer_Marks marks_;
  Operation_Progress* progress_ = nullptr;
  // One watch per click, started at its entry.
  Link_Fault_Watch watch_;
  Stopped_Step step_ = Stopped_Step::Unnamed;
  // Whether the click's check ran to its verdict.
  bool judged_ = false;
  std::vector<Unfit_Location> unfit_;
  Prom_Image last_read_{};
  int32_t locations_read_ = 0;
  uint8_t blank_value_ = 0x00;
};

// Waits of programming, in milliseconds.
inline constexpr int Program_Setup_Wait_Ms = 50;
inline constexpr int Program_Location_Wait_Ms = 10;
inline constexpr int Program_Verify_Wait_Ms = 75;

}  // namespace tarnik
