#include "buffer/buffer_marks.h"

namespace tarnik {

void Buffer_Marks::Set(const std::vector<Marked_Byte>& marks) {
  marks_.fill(Byte_Mark::None);
  count_ = 0;
  for (const Marked_Byte& marked : marks) {
    if (!Within_Buffer(marked.address) || marked.mark == Byte_Mark::None) continue;
    Byte_Mark& slot = marks_[static_cast<std::size_t>(marked.address)];
    if (slot == Byte_Mark::None) ++count_;
    slot = marked.mark;
  }
  Notify();
}

void Buffer_Marks::Clear() {
  if (count_ == 0) return;
  marks_.fill(Byte_Mark::None);
  count_ = 0;
  Notify();
}

void Buffer_Marks::Clear_At(int32_t address) {
  if (!Within_Buffer(address)) return;
  Byte_Mark& slot = marks_[static_cast<std::size_t>(address)];
  if (slot == Byte_Mark::None) return;
  slot = Byte_Mark::None;
  --count_;
  Notify();
}

Byte_Mark Buffer_Marks::At(int32_t address) const {
  return Within_Buffer(address) ? marks_[static_cast<std::size_t>(address)] : Byte_Mark::None;
}

void Buffer_Marks::Notify() {
  for (const auto& listener : listeners_) listener();
}

}  // namespace tarnik
