#include "app/part_diagnosis.h"

#include <algorithm>
#include <bit>
#include <limits>

#include "diagnose/masked_match.h"
#include "identify/folder_images.h"

namespace tarnik {

namespace {

int Bits_Apart(const diagnose::Part_Dump& dump, const std::vector<uint8_t>& known) {
  int bits = 0;
  for (int32_t address = 0; address <= Loop_End(dump.device_end); ++address) {
    const auto at = static_cast<std::size_t>(address);
    bits += std::popcount(static_cast<unsigned>((dump.image[at] ^ known[at]) & dump.data_mask));
  }
  return bits;
}

Prom_Image Image_Of(const std::vector<uint8_t>& data) {
  Prom_Image image{};
  std::copy_n(data.begin(), std::min(data.size(), image.size()), image.begin());
  return image;
}

}  // namespace

void Part_Diagnosis::Clear() {
  const bool had_picture = read_.has_value();
  texts_.clear();
  reference_.reset();
  read_.reset();
  if (had_picture) Notify();
}

void Part_Diagnosis::Keep_Read(const diagnose::Part_Dump& dump) {
  read_ = dump.image;
  device_end_ = dump.device_end;
  data_bits_ = (dump.data_mask & 0xF0) == 0 ? 4 : 8;
}

void Part_Diagnosis::Notify() {
  for (const auto& listener : listeners_) listener();
}

std::optional<diagnose::Bit_Map_Input> Part_Diagnosis::Picture() const {
  if (!read_) return std::nullopt;
  diagnose::Bit_Map_Input input;
  input.read = &*read_;
  input.device_end = device_end_;
  input.data_bits = data_bits_;
  input.reference = reference_ ? &*reference_ : nullptr;
  return input;
}

void Part_Diagnosis::After_Read(const diagnose::Part_Dump& dump) {
  Clear();
  const std::vector<diagnose::Finding> own = diagnose::Diagnose(dump, nullptr);
  std::vector<std::string> match_lines;
  reference_ = Known_Reference(dump, own, match_lines);
  Keep_Read(dump);
  Show(reference_ ? diagnose::Diagnose(dump, &*reference_) : own, match_lines);
  Notify();
}

void Part_Diagnosis::After_Check(const diagnose::Part_Dump& dump, const Prom_Image& reference) {
  Clear();
  reference_ = reference;
  Keep_Read(dump);
  Show(diagnose::Diagnose(dump, &reference), {});
  Notify();
}

std::optional<Prom_Image> Part_Diagnosis::Known_Reference(
    const diagnose::Part_Dump& dump, const std::vector<diagnose::Finding>& own,
    std::vector<std::string>& match_lines) {
  if (!Find_Sources) return std::nullopt;
  const identify::Identify_Sources sources = Find_Sources();
  if (sources.rom_folders.empty()) return std::nullopt;
  const auto size = static_cast<uint32_t>(Loop_End(dump.device_end) + 1);
  const std::vector<identify::Folder_Image> images =
      identify::Folder_Images(sources, size, [this] { pump_.Process_Messages(); });
  std::vector<diagnose::Known_Image> known;
  int fewest = std::numeric_limits<int>::max();
  std::size_t nearest = 0;
  for (const identify::Folder_Image& image : images) {
    known.push_back({image.rom + " in " + image.set, &image.data});
    const int bits = Bits_Apart(dump, image.data);
    if (bits < fewest) {
      fewest = bits;
      nearest = known.size() - 1;
    }
  }
  if (known.empty()) return std::nullopt;
  // An image the read matches as it is: judged against it, so that a bit
  // the image leaves unused is not called stuck.
  if (fewest == 0) return Image_Of(*known[nearest].data);
  const std::vector<diagnose::Masked_Match> matches = diagnose::Masked_Matches(dump, own, known);
  for (const diagnose::Masked_Match& match : matches) match_lines.push_back(match.text);
  if (!matches.empty()) return Image_Of(*known[matches.front().known].data);
  if (sources.near_bits > 0 && fewest <= sources.near_bits) return Image_Of(*known[nearest].data);
  return std::nullopt;
}

void Part_Diagnosis::Show(const std::vector<diagnose::Finding>& findings,
                          const std::vector<std::string>& match_lines) {
  // The findings about the part itself first, then the known images it
  // matches once they are set aside, then what the differences say.
  for (const diagnose::Finding& finding : findings)
    if (finding.kind == diagnose::Finding_Kind::Stuck_Bit ||
        finding.kind == diagnose::Finding_Kind::Idle_Line)
      texts_.push_back(finding.text);
  texts_.insert(texts_.end(), match_lines.begin(), match_lines.end());
  for (const diagnose::Finding& finding : findings)
    if (finding.kind == diagnose::Finding_Kind::Dead_Output ||
        finding.kind == diagnose::Finding_Kind::Stuck_Line)
      texts_.push_back(finding.text);
  for (const std::string& line : texts_) window_.Append_Line("Memo1", line);
  if (!texts_.empty()) window_.Set_Visible("Memo1", true);
}

}  // namespace tarnik
