#include "media/BmpFile.h"

#include <gtest/gtest.h>
#include <QImage>

#include "base/Errors.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

FrameBGR Pattern(int w, int h) {
  FrameBGR f(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      f.Row(y)[3 * x] = static_cast<std::uint8_t>(x * 40);
      f.Row(y)[3 * x + 1] = static_cast<std::uint8_t>(y * 60);
      f.Row(y)[3 * x + 2] = static_cast<std::uint8_t>(x + y);
    }
  return f;
}

TEST(BmpFile, RoundTripWithRowPadding) {
  test::TempFolder dir;
  const FrameBGR f = Pattern(5, 3);  // 15 bytes a row, padded to 16
  SaveBmp24(dir.File("f.bmp"), f);
  const std::string bytes = test::ReadBytes(dir.File("f.bmp"));
  ASSERT_EQ(bytes.size(), 54u + 16u * 3u);
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 24);  // bits a pixel
  // The first stored row is the bottom row.
  EXPECT_EQ(static_cast<unsigned char>(bytes[54 + 1]), f.Row(2)[1]);
  const FrameBGR back = LoadPicture24(dir.File("f.bmp"));
  EXPECT_EQ(back.width, 5);
  EXPECT_EQ(back.height, 3);
  EXPECT_EQ(back.pixels, f.pixels);
}

TEST(BmpFile, PalettePictureLoadsAs24Bits) {
  test::TempFolder dir;
  QImage indexed(2, 1, QImage::Format_Indexed8);
  indexed.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
  indexed.setPixel(0, 0, 0);
  indexed.setPixel(1, 0, 1);
  ASSERT_TRUE(indexed.save(QString::fromStdString(dir.File("p.bmp")), "BMP"));
  const FrameBGR f = LoadPicture24(dir.File("p.bmp"));
  ASSERT_EQ(f.width, 2);
  EXPECT_EQ(f.pixels, (std::vector<std::uint8_t>{0, 0, 255, 255, 0, 0}));
}

TEST(BmpFile, Failures) {
  test::TempFolder dir;
  EXPECT_THROW(LoadPicture24(dir.File("missing.bmp")), TandemixError);
  test::WriteBytes(dir.File("junk.bmp"), "not a picture");
  EXPECT_THROW(LoadPicture24(dir.File("junk.bmp")), TandemixError);
  EXPECT_THROW(SaveBmp24(dir.File("empty.bmp"), FrameBGR()), TandemixError);
  EXPECT_FALSE(test::FileExists(dir.File("empty.bmp")));
}

}  // namespace
}  // namespace tandemix
