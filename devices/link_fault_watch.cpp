#include "devices/link_fault_watch.h"

namespace tarnik {

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
