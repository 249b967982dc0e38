// The main form's diagnosis of the part after the operations that read it.

#include "app/main_form.h"
#include "devices/difference_summary.h"

namespace tarnik {

void Main_Form::Wire_Diagnosis() {
  diagnosis.Find_Sources = [this] {
    return identity.Find_Sources ? identity.Find_Sources() : identify::Identify_Sources{};
  };
  for (const char* control : {"Move_Eprom", "Verify_Eprom", "Blank_Chk", "Program_Eprom"}) {
    auto handler = handlers_.at({control, Event_Kind::Click});
    const std::string name = control;
    Wire(control, Event_Kind::Click, [this, name, handler = std::move(handler)](int value) {
      const uint32_t link_faults = link.Link_Faults;
      // The findings belong to the click: the status line turns after them.
      states.Hold_Ready();
      handler(value);
      Diagnose_If_Whole(name, link_faults);
      states.Release_Ready();
    });
  }
}

void Main_Form::Diagnose_If_Whole(const std::string& name, uint32_t link_faults) {
  diagnosis.Clear();
  // Only a whole part read over a link that held is judged; a read the
  // part itself failed leaves no image to judge.
  const bool whole =
      devices.operations.Locations_Read() == Loop_End(devices.selection.Device_End) + 1;
  const bool read_failed = name == "Move_Eprom" && window.Failure_Flag() != 0;
  if (link.Link_Faults != link_faults || !whole || read_failed) return;
  Run_Command([this, &name] { Diagnose_After(name); });
}

void Main_Form::Diagnose_After(const std::string& operation) {
  const int32_t end = devices.selection.Device_End;
  const uint8_t mask = Data_Mask_Of_Class(devices.access.Device_Tag());
  if (operation == "Move_Eprom") {
    // A read that equals a known image is that image: a bit it leaves
    // unused or a half it repeats is the design, not a fault.
    if (identity.Known_Exactly(Prom_Buffer, end)) return;
    diagnosis.After_Read({Prom_Buffer, end, mask});
    return;
  }
  // A maker's blank state other than all 0 is said before the findings.
  const std::string blank_line =
      operation == "Blank_Chk" && maker_part_ ? Blank_State_Line(*maker_part_) : std::string();
  if (!blank_line.empty()) {
    window.Append_Line("Memo1", blank_line);
    window.Set_Visible("Memo1", true);
  }
  Prom_Image blank;
  blank.fill(devices.operations.Blank_Value());
  const Prom_Image& reference = operation == "Blank_Chk" ? blank : Prom_Buffer;
  diagnosis.After_Check({devices.operations.Last_Read(), end, mask}, reference);
}

}  // namespace tarnik
