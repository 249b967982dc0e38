#pragma once
// Tells whether the link failed while an operation ran: a reply wait that
// failed or a packet that did not go out whole. Such an operation did not
// check the part, so neither its success text nor its failure text is true.

#include <cstdint>
#include <string>

#include "link/command_link.h"

namespace tarnik {

inline constexpr const char* Stopped_No_Answer_Text = "Stopped: Programmer Did Not Answer....";
inline constexpr const char* Stopped_Link_Fault_Text = "Stopped: Programmer Link Fault....";
inline constexpr const char* Stopped_Lost_Text = "Stopped: Programmer Lost....";

// The step of a command that the link stopped. Its Stopped line names it,
// with what the stop leaves of the part, so that a user of a burn cut short
// reads whether anything was burned.
enum class Stopped_Step {
  Unnamed,  // the command is one step: its name says enough
  Loading_File,
  Check_Before_Programming,
  Programming_Before_Any_Pulse,
  Programming_In_First_Pulse,  // its writes cut: it may or may not have fused
  Programming,
  Verify_After_Programming,
};

// The Stopped line of `step`: the cause's text (one of the three above),
// then the step.
[[nodiscard]] std::string Stopped_Line(const char* cause, Stopped_Step step);

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
