#pragma once
// The records of what the form did, made from its own state in one place:
// the failure flag says passed or failed, a fault watch on the link says
// stopped. Both front ends make their records here; the window's go to
// `Sink` after each device operation, load and save.

#include <functional>
#include <string>
#include <vector>

#include "buffer/prom_image.h"
#include "devices/link_fault_watch.h"
#include "record/operation_record.h"

namespace tarnik {

class Main_Form;

class Operation_Records {
 public:
  explicit Operation_Records(Main_Form& form) : form_(form) {}

  // Where the window's records go; unset, none are made.
  std::function<void(const record::Operation_Record&)> Sink;
  // Names the programmer in each record: "simulated" or its serial number.
  std::string Programmer;

  // An operation begins: link faults count from now.
  void Start();
  // The record of the operation since Start(), `operation` naming it
  // (blank, verify, read, compare, program, load, save, ...).
  [[nodiscard]] record::Operation_Record Made(const std::string& operation) const;

 private:
  void Set_Result(record::Operation_Record& record, const std::string& operation) const;
  void Set_Digests(record::Operation_Record& record, const std::string& operation) const;

  Main_Form& form_;
  Link_Fault_Watch watch_;
};

// The digests of buffer positions 0 to the device end, as records carry them.
[[nodiscard]] record::Digests Digests_Of(const Prom_Image& image, int32_t device_end);

// What the part's diagnosis found after `operation`, for the record.
[[nodiscard]] std::vector<std::string> Diagnosis_Findings(const Main_Form& form,
                                                          const std::string& operation);

// The serial number the driver gave the programmer, or "simulated".
[[nodiscard]] std::string Programmer_Name(const Main_Form& form, bool simulated);

}  // namespace tarnik
