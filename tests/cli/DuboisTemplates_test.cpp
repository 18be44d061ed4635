// The least-squares anaglyph Output templates on YUV views, as most camera
// clips are: the views are taken to RGB first, so the templates run and give
// the colours of the same views handed in as RGB.
#include <gtest/gtest.h>

#include <string>

#include "base/TextFile.h"
#include "media/BmpFile.h"
#include "tests/support/TestFiles.h"

namespace tandemix::test {
namespace {

// Two flat 16 x 8 YV12 views (RGB $C87828 and $1EB4DC), converted to RGB32
// by the script when `rgb`, then the template.
std::string DuboisScript(const std::string& name, bool rgb) {
  const std::string convert = rgb ? ".ConvertToRGB32()" : "";
  return "ClipA = BlankClip(width=16, height=8, pixel_type=\"YV12\", color=$C87828)" + convert +
         "\nClipB = BlankClip(width=16, height=8, pixel_type=\"YV12\", color=$1EB4DC)" + convert + "\n" +
         ReadBytes(std::string(TANDEMIX_BIN_DIR) + "/" + name + ".avt");
}

TEST(DuboisTemplates, TakeYuvViewsToRgbFirst) {
  const struct {
    const char* name;
    std::uint8_t blue, green, red;  // at (7, 3)
  } cases[] = {{"Anaglyph_Dubois_RedCyan_Output", 233, 151, 154},
               {"Anaglyph_Dubois_GreenMagenta_Output", 218, 134, 144},
               {"Anaglyph_Dubois_AmberBlue_Output", 216, 115, 191}};
  TempFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(folder.File("yuv.avs"), DuboisScript(c.name, false));
    WriteBytes(folder.File("rgb.avs"), DuboisScript(c.name, true));
    const auto yuv = RunCli({"grab", folder.File("yuv.avs"), "0", folder.File("yuv.bmp")});
    ASSERT_EQ(yuv.exitCode, 0) << yuv.err;
    const auto rgb = RunCli({"grab", folder.File("rgb.avs"), "0", folder.File("rgb.bmp")});
    ASSERT_EQ(rgb.exitCode, 0) << rgb.err;
    EXPECT_EQ(ReadBytes(folder.File("yuv.bmp")), ReadBytes(folder.File("rgb.bmp")));
    const FrameBGR picture = LoadPicture24(folder.File("yuv.bmp"));
    ASSERT_EQ(picture.width, 16);
    const std::uint8_t* p = picture.Row(3) + 7 * 3;
    EXPECT_EQ(p[0], c.blue);
    EXPECT_EQ(p[1], c.green);
    EXPECT_EQ(p[2], c.red);
  }
}

}  // namespace
}  // namespace tandemix::test
