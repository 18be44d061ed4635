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

TEST(SelectedFrame, FirstShowingStandsBesideTheViewerWithoutCoveringIt) {
  QWidget viewer;
  viewer.setGeometry(20, 30, 420, 356);
  viewer.show();
  TForm_Picture window;
  window.SetNeighbour(&viewer);
  window.ShowPicture(Filled(160, 120, 0, 0, 0));
  EXPECT_FALSE(window.frameGeometry().intersects(viewer.frameGeometry()));
  EXPECT_EQ(window.frameGeometry().top(), viewer.frameGeometry().top());
  EXPECT_EQ(window.frameGeometry().left(), viewer.frameGeometry().right() + 1 + 8);
}

TEST(SelectedFrame, KeepsThePlaceAndSizeTheUserGaveIt) {
  TForm_Picture window;
  window.ShowPicture(Filled(160, 120, 0, 0, 0));
  // The user moves and enlarges it.
  window.setGeometry(317, 473, 300, 250);
  window.ShowPicture(Filled(160, 120, 9, 9, 9));
  EXPECT_EQ(window.geometry(), QRect(317, 473, 300, 250));
  // Closed and shown again by the next change: still there, still that size.
  window.hide();
  window.ShowPicture(Filled(160, 120, 0, 0, 0));
  EXPECT_EQ(window.geometry(), QRect(317, 473, 300, 250));
  // A picture of another size gives the window that size, at its place.
  window.ShowPicture(Filled(200, 150, 0, 0, 0));
  const int border = 2 * window.ScrollBox->frameWidth();
  EXPECT_EQ(window.geometry(), QRect(317, 473, 200 + border, 150 + border));
}

}  // namespace
}  // namespace tandemix
