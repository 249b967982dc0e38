#pragma once
// What a dump says about the part it came from: a data bit that reads the
// same at every location, an address line that changes nothing, and
// differences against a reference (the buffer of a verify, the blank state of
// a blank check, or a known image) that all fall on one output or all read
// the twin location of one address line. Pure functions over the images:
// no window, no files, so that the window, the command line and the tests
// judge alike.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "buffer/prom_image.h"

namespace tarnik::diagnose {

// The dump of a part: positions 0 to `device_end` of `image`, judged on the
// bits of `data_mask`.
struct Part_Dump {
  const Prom_Image& image;
  int32_t device_end = 0;
  uint8_t data_mask = 0xFF;
};

enum class Finding_Kind {
  Stuck_Bit,        // `index` is the data bit, `level` what it reads
  Idle_Line,        // address line `index` has no effect
  Dead_Output,      // every difference is bit `index` reading `level`
  Stuck_Line,       // every difference reads its twin with line `index` at `level`
};

struct Finding {
  Finding_Kind kind = Finding_Kind::Stuck_Bit;
  int index = 0;
  int level = 0;
  std::string text;
};

// Data bits that read one value at every location, when some other data bit
// varies (a blank, all-ones or constant dump says nothing about single
// outputs). A bit the reference holds at the same value everywhere is left
// out: the image itself does not use it.
[[nodiscard]] std::vector<Finding> Stuck_Bits(const Part_Dump& dump, const Prom_Image* reference);

// Address lines whose two halves read alike at every location, when the dump
// is not one value throughout. A line the reference repeats the same way is
// left out: the image was written twice on purpose.
[[nodiscard]] std::vector<Finding> Idle_Lines(const Part_Dump& dump, const Prom_Image* reference);

// Two or more differing locations that all differ in one bit and one
// direction, where that bit reads the same at every location the reference
// wants the other value; or that all read the location that differs only in
// one address line. Nothing when the differences follow no such pattern.
[[nodiscard]] std::optional<Finding> Difference_Pattern(const Part_Dump& dump,
                                                        const Prom_Image& reference);

// Every finding, in the order the lines are shown: stuck bits, idle lines,
// then the pattern of the differences against `reference` when one is given.
[[nodiscard]] std::vector<Finding> Diagnose(const Part_Dump& dump, const Prom_Image* reference);

// The texts of the findings, one line each, as the message list shows them
// and the operation records keep them.
[[nodiscard]] std::vector<std::string> Finding_Texts(const std::vector<Finding>& findings);

// Address lines a part of `locations` locations decodes: 5 for 32, 10 for 1024.
[[nodiscard]] int Address_Lines(int32_t locations);

}  // namespace tarnik::diagnose
