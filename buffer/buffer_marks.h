#pragma once
// Marks on the bytes of the buffer that the last check found different on the
// part: the hex view colours them. A byte with only missing bits (1 in the
// buffer, 0 on the part) can still be made good by programming; a byte with an
// extra bit (1 on the part, 0 in the buffer), or one that differs where the
// part has no data pins, cannot. The marks stay until the next device
// operation, fill or load; editing a marked byte clears its mark.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "window/window_model.h"
#include "buffer/prom_image.h"

namespace tarnik {

enum class Byte_Mark : uint8_t { None, Mendable, Unmendable };

struct Marked_Byte {
  int32_t address = 0;
  Byte_Mark mark = Byte_Mark::None;
  friend bool operator==(const Marked_Byte&, const Marked_Byte&) = default;
};

// The colours the view gives the two kinds of mark, and what its legend says.
inline constexpr Rgb Mendable_Colour{255, 224, 128};    // amber
inline constexpr Rgb Unmendable_Colour{255, 150, 150};  // light red
inline constexpr const char* Mendable_Legend = "Bits Missing: Programming Can Add Them";
inline constexpr const char* Unmendable_Legend = "Bits Extra: No Programming Can Mend";

class Buffer_Marks {
 public:
  // Replaces every mark with `marks`; addresses outside the buffer are left out.
  void Set(const std::vector<Marked_Byte>& marks);
  void Clear();
  void Clear_At(int32_t address);

  [[nodiscard]] Byte_Mark At(int32_t address) const;
  [[nodiscard]] bool Any() const { return count_ > 0; }

  // Runs after every change of the marks.
  void Subscribe(std::function<void()> changed) { listeners_.push_back(std::move(changed)); }

 private:
  void Notify();

  std::array<Byte_Mark, Prom_Size> marks_{};
  int count_ = 0;
  std::vector<std::function<void()>> listeners_;
};

}  // namespace tarnik
