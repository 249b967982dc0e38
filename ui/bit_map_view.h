#pragma once
// The picture of the part beside the hex editor: what the last read, verify
// or blank check read, every bit a cell, the bits that differ coloured as
// the editor colours their bytes. It scrolls when the part is wider than
// the room beside the editor.

#include <QLabel>
#include <QScrollArea>

#include "diagnose/bit_map.h"

namespace tarnik::ui {

class Bit_Map_View final : public QScrollArea {
  Q_OBJECT

 public:
  explicit Bit_Map_View(QWidget* parent);

  void Show_Picture(const diagnose::Raster& raster);
  // The width the picture wants, its frame and a scroll bar included.
  [[nodiscard]] int Wanted_Width() const;

 private:
  QLabel* picture_;
};

// The widest the view grows beside the editor.
inline constexpr int Bit_Map_Most_Width = 420;

}  // namespace tarnik::ui
