#pragma once
// The diagnosis that follows a read, a verify and a blank check: a few lines
// after the result naming what looks wrong with the part (none when nothing
// does), and, after a read that no known image matches, the known images it
// matches with a stuck bit ignored or an idle address line folded.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "buffer/prom_image.h"
#include "diagnose/bit_map.h"
#include "diagnose/diagnosis.h"
#include "identify/identify.h"
#include "window/message_pump.h"
#include "window/window_model.h"

namespace tarnik {

class Part_Diagnosis {
 public:
  Part_Diagnosis(Window_Model& window, Message_Pump& pump) : window_(window), pump_(pump) {}

  // Where the known images are; unset, a read is judged on its own.
  std::function<identify::Identify_Sources()> Find_Sources;

  // A read into the buffer: judged on its own, then against a known image
  // that matches it once its faults are set aside, or the nearest one.
  void After_Read(const diagnose::Part_Dump& dump);
  // A verify or a blank check: judged against what the part should hold.
  void After_Check(const diagnose::Part_Dump& dump, const Prom_Image& reference);
  // Nothing judged: the last findings no longer stand.
  void Clear();

  // The lines of the last diagnosis, in the order shown.
  [[nodiscard]] const std::vector<std::string>& Finding_Texts() const { return texts_; }
  // What the last diagnosis compared the part with, if anything.
  [[nodiscard]] const std::optional<Prom_Image>& Reference() const { return reference_; }
  // The picture of the part last judged: what it read, marked against the
  // reference; nothing before a judgement.
  [[nodiscard]] std::optional<diagnose::Bit_Map_Input> Picture() const;
  // Runs after every judgement and every clearing.
  void Subscribe(std::function<void()> changed) { listeners_.push_back(std::move(changed)); }

 private:
  // The known image the read is judged against, and the lines that name it.
  std::optional<Prom_Image> Known_Reference(const diagnose::Part_Dump& dump,
                                            const std::vector<diagnose::Finding>& own,
                                            std::vector<std::string>& match_lines);
  void Show(const std::vector<diagnose::Finding>& findings,
            const std::vector<std::string>& match_lines);
  void Keep_Read(const diagnose::Part_Dump& dump);
  void Notify();

  Window_Model& window_;
  Message_Pump& pump_;
  std::vector<std::string> texts_;
  std::optional<Prom_Image> reference_;
  std::optional<Prom_Image> read_;
  int32_t device_end_ = 0;
  int data_bits_ = 8;
  std::vector<std::function<void()>> listeners_;
};

}  // namespace tarnik
