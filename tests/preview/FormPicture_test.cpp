#include "preview/FormPicture.h"

#include <gtest/gtest.h>
#include <QScrollBar>

namespace tandemix {
namespace {

Bitmap Filled(int w, int h, std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      b.ScanLine(y)[3 * x] = blue;
      b.ScanLine(y)[3 * x + 1] = green;
      b.ScanLine(y)[3 * x + 2] = red;
    }
  return b;
}

TEST(SelectedFrame, ShowsThePictureAtFullSizeWithACrossHair) {
  TForm_Picture window;
  EXPECT_EQ(window.windowTitle(), "Selected frame");
  EXPECT_FALSE(window.isVisible());
  window.ShowPicture(Filled(40, 30, 10, 20, 200));
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.Image1->size(), QSize(40, 30));
  EXPECT_EQ(window.Image1->cursor().shape(), Qt::CrossCursor);
  const QImage shown = window.Image1->pixmap().toImage();
  EXPECT_EQ(shown.pixelColor(5, 5), QColor(200, 20, 10));  // blue-green-red bytes read right
}

TEST(SelectedFrame, LargerThanTheScreenScrolls) {
  TForm_Picture window;
  window.ShowPicture(Filled(5000, 4000, 0, 0, 0));
  EXPECT_EQ(window.Image1->size(), QSize(5000, 4000));
  EXPECT_LT(window.width(), 5000);
  EXPECT_GT(window.ScrollBox->horizontalScrollBar()->maximum(), 0);
  window.ShowPicture(Bitmap());  // an empty picture shows nothing, without a crash
  EXPECT_EQ(window.Image1->size(), QSize(0, 0));
}

}  // namespace
}  // namespace tandemix
