#include "app/operation_records.h"

#include <cstdio>
#include <cstring>

#include "app/main_form.h"
#include "buffer/image_digest.h"
#include "tarnik_version.h"

namespace tarnik {

namespace {

bool Is_Check(const std::string& operation) {
  return operation == "blank" || operation == "verify" || operation == "compare" ||
         operation == "program";
}

bool Is_File(const std::string& operation) { return operation == "load" || operation == "save"; }

}  // namespace

record::Digests Digests_Of(const Prom_Image& image, int32_t device_end) {
  const Image_Digest digest = Digest_Device_Range(image, device_end);
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08x", digest.crc32);
  return record::Digests{crc, digest.sha1};
}

void Operation_Records::Start() { watch_.Start(form_.link); }

record::Operation_Record Operation_Records::Made(const std::string& operation) const {
  record::Operation_Record r;
  r.time = record::Local_Time_Now();
  r.version = Version;
  r.operation = operation;
  const std::string caption = form_.window.Get("Device").caption;
  if (caption != "No Device") r.type = caption;
  r.programmer = Programmer;
  Set_Result(r, operation);
  Set_Digests(r, operation);
  const bool judged = r.result == record::Result::Passed || r.result == record::Result::Failed;
  if (Is_Check(operation) && judged) {
    const Difference_Counts& counts = form_.devices.operations.Differences().Counts();
    r.differences = record::Difference_Totals{counts.locations, counts.bits_missing,
                                              counts.bits_extra, counts.cannot_take};
  }
  r.known_image = form_.identity.Named_For(form_.Prom_Buffer, form_.devices.selection.Device_End);
  r.findings = Diagnosis_Findings(form_, operation);
  return r;
}

void Operation_Records::Set_Result(record::Operation_Record& r, const std::string& operation) const {
  const std::string status = form_.window.Get("StaticText3").caption;
  const std::vector<std::string>& lines = form_.window.Get("Memo1").lines;
  // A check the link cut short says so on the status line; one whose
  // verdict came before the fault (in the closing idle sequence) keeps it.
  if (watch_.Faulted(form_.link) && status.rfind("Stopped", 0) == 0) {
    r.result = record::Result::Stopped;
    // The message list's top line says what the link saw.
    r.fault = lines.empty() ? status : lines.front();
    return;
  }
  const Load_Findings& load = form_.files.Last_Load;
  if (operation == "load" && (load.refused || load.no_data)) {
    r.result = record::Result::Refused;
    r.fault = lines.empty() ? status : lines.back();
    return;
  }
  if (form_.window.Failure_Flag() != 0) {
    r.result = Is_File(operation) ? record::Result::Refused : record::Result::Failed;
    r.fault = status;
    return;
  }
  r.result = record::Result::Passed;
}

void Operation_Records::Set_Digests(record::Operation_Record& r, const std::string& operation) const {
  const int32_t end = form_.devices.selection.Device_End;
  if (Is_File(operation)) {
    const std::string& path = operation == "load" ? form_.files.OpenDialog1.file_name
                                                  : form_.files.SaveDialog1.file_name;
    r.file = record::File_Digests{path, std::nullopt};
    if (r.result == record::Result::Passed) r.file->digests = Digests_Of(form_.Prom_Buffer, end);
    return;
  }
  // After a read the buffer is the part; after a verify or a burn that
  // passed, the part is the buffer.
  const bool part_known = operation == "read" || operation == "verify" || operation == "program";
  if (part_known && r.result == record::Result::Passed) r.part = Digests_Of(form_.Prom_Buffer, end);
}

std::vector<std::string> Diagnosis_Findings(const Main_Form& form,
                                            const std::string& operation) {
  // Only the operations that read the whole part are diagnosed; after any
  // other the last findings belong to an earlier click.
  const bool diagnosed = operation == "read" || operation == "verify" || operation == "blank" ||
                         operation == "program";
  if (!diagnosed) return {};
  return form.diagnosis.Finding_Texts();
}

std::string Programmer_Name(const Main_Form& form, bool simulated) {
  if (simulated) return "simulated";
  const auto& name = form.usb.Usb_Name_Buffer;
  return std::string(name.data(), strnlen(name.data(), name.size()));
}

}  // namespace tarnik
