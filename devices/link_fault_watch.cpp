#include "devices/link_fault_watch.h"

namespace tarnik {

namespace {

const char* Step_Text(Stopped_Step step) {
  switch (step) {
    case Stopped_Step::Unnamed: return "";
    case Stopped_Step::Loading_File: return " While Loading the File";
    case Stopped_Step::Check_Before_Programming:
      return " in the Check Before Programming: Nothing Was Burned";
    case Stopped_Step::Programming_Before_Any_Pulse: return " While Programming: Nothing Was Burned";
    case Stopped_Step::Programming_In_First_Pulse:
      return " While Programming: the Part May Be Partly Burned";
    case Stopped_Step::Programming: return " While Programming: the Part Is Partly Burned";
    case Stopped_Step::Verify_After_Programming: return " in the Verify After Programming";
  }
  return "";
}

}  // namespace

std::string Stopped_Line(const char* cause, Stopped_Step step) {
  return std::string(cause) + Step_Text(step);
}

void Link_Fault_Watch::Start(const Command_Link& link) {
  faults_ = link.Link_Faults;
  failed_waits_ = link.Failed_Waits;
  links_lost_ = link.Links_Lost;
}

bool Link_Fault_Watch::Faulted(const Command_Link& link) const {
  return link.Link_Faults != faults_;
}

const char* Link_Fault_Watch::Stopped_Text(const Command_Link& link) const {
  if (link.Links_Lost != links_lost_) return Stopped_Lost_Text;
  return link.Failed_Waits != failed_waits_ ? Stopped_No_Answer_Text : Stopped_Link_Fault_Text;
}

}  // namespace tarnik
