#include "ui/bit_map_view.h"

#include <QImage>
#include <QPixmap>
#include <QScrollBar>

namespace tarnik::ui {

Bit_Map_View::Bit_Map_View(QWidget* parent) : QScrollArea(parent), picture_(new QLabel) {
  setObjectName("Bit_Map");
  setWidget(picture_);
  setWidgetResizable(false);
  setToolTip("The Part's Bits: a Row a Location, the Highest Bit on the Left");
  hide();
}

void Bit_Map_View::Show_Picture(const diagnose::Raster& raster) {
  const QImage image(raster.rgb.data(), raster.width, raster.height, raster.width * 3,
                     QImage::Format_RGB888);
  // The image borrows the raster's pixels: the pixmap takes its own copy.
  picture_->setPixmap(QPixmap::fromImage(image.copy()));
  picture_->resize(raster.width, raster.height);
}

int Bit_Map_View::Wanted_Width() const {
  return picture_->width() + 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
}

}  // namespace tarnik::ui
