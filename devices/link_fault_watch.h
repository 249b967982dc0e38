#pragma once
// Tells whether the link failed while an operation ran: a reply wait that
// failed or a packet that did not go out whole. Such an operation did not
// check the part, so neither its success text nor its failure text is true.

#include <cstdint>

#include "link/command_link.h"

namespace tarnik {

inline constexpr const char* Stopped_No_Answer_Text = "Stopped: Programmer Did Not Answer....";
inline constexpr const char* Stopped_Link_Fault_Text = "Stopped: Programmer Link Fault....";
inline constexpr const char* Stopped_Lost_Text = "Stopped: Programmer Lost....";

class Link_Fault_Watch {
 public:
  // Counts from now on.
  void Start(const Command_Link& link);

  [[nodiscard]] bool Faulted(const Command_Link& link) const;
  // The status text of an operation the link stopped: a device gone says the
  // programmer was lost, a failed wait that it did not answer, a short write
  // alone that the link failed.
  [[nodiscard]] const char* Stopped_Text(const Command_Link& link) const;

 private:
  uint32_t faults_ = 0;
  uint32_t failed_waits_ = 0;
  uint32_t links_lost_ = 0;
};

}  // namespace tarnik
