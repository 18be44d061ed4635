// ImageWriter: which frames become files, their names, that the pictures
// read back as written (BMP and PNG exactly, JPEG closely), and what is
// refused: other types and pixel types, and paths outside the script's folder.
#include <cstdlib>

#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

// Pulls every frame of a clip, as a player would.
void PullAll(const engine::ClipPtr& clip) {
  for (int n = 0; n < clip->Info().frameCount; ++n) clip->GetFrame(n);
}

TEST(ImageWriter, WritesTheFramesAskedForUnderTheirNumbers) {
  TempFolder folder;
  const std::string bars = "ColorBars(width=32, height=16).Trim(0, 9)\n";
  const struct {
    const char* call;
    std::vector<std::string> files;
  } cases[] = {
      {"ImageWriter(\"out\", 2, 4, \"png\")", {"out000002.png", "out000003.png", "out000004.png"}},
      {"ImageWriter(\"e\", 0, -2)", {"e000000.ebmp", "e000001.ebmp"}},
      {"ImageWriter(\"x%03d.bmp\", 8, type=\"BMP\")", {"x008.bmp", "x009.bmp"}},
      {"ImageWriter(\"j\", 5, 5, type=\"jpg\")", {"j000005.jpg"}},
  };
  for (const auto& c : cases) {
    PullAll(Eval(bars + c.call, folder.Path()));
    for (const std::string& f : c.files) EXPECT_TRUE(FileExists(folder.File(f))) << c.call << ": " << f;
  }
  // Frames outside the range are not written.
  EXPECT_FALSE(FileExists(folder.File("out000001.png")));
  EXPECT_FALSE(FileExists(folder.File("out000005.png")));
  EXPECT_FALSE(FileExists(folder.File("e000002.ebmp")));
  EXPECT_FALSE(FileExists(folder.File("x007.bmp")));
  // A frame never asked for is never written.
  Eval(bars + "ImageWriter(\"lazy\", type=\"png\")", folder.Path())->GetFrame(3);
  EXPECT_TRUE(FileExists(folder.File("lazy000003.png")));
  EXPECT_FALSE(FileExists(folder.File("lazy000002.png")));
}

TEST(ImageWriter, PicturesReadBackAsWritten) {
  TempFolder folder;
  const std::string bars = "ColorBars(width=32, height=16).Trim(0, 0)";
  for (const char* type : {"bmp", "png"}) {
    for (const char* pixels : {"RGB24", "RGB32"}) {
      const std::string name = std::string("p_") + pixels + "_" + type;
      const auto written = Eval(
          bars + ".ConvertTo" + pixels + "()\nImageWriter(\"" + name + "\", type=\"" + type + "\")", folder.Path());
      const FrameBGR original = *written->GetFrame(0);
      const FrameBGR back =
          *Eval("ImageSource(\"" + name + "000000." + type + "\", end=0, pixel_type=\"" + pixels + "\")", folder.Path())
               ->GetFrame(0);
      ASSERT_EQ(back.type, original.type);
      for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x)
          EXPECT_EQ(PixelAt(back, x, y), PixelAt(original, x, y)) << name << " at " << x << "," << y;
    }
  }
  // JPEG is lossy: every sample within a few levels of the bars.
  Eval(bars + ".ConvertToRGB24()\nImageWriter(\"q\", type=\"jpeg\")", folder.Path())->GetFrame(0);
  const FrameBGR original = *Eval(bars + ".ConvertToRGB24()")->GetFrame(0);
  const FrameBGR back = *Eval("ImageSource(\"q000000.jpeg\", end=0)", folder.Path())->GetFrame(0);
  int worst = 0;
  for (std::size_t i = 0; i < original.pixels.size(); ++i)
    worst = std::max(worst, std::abs(original.pixels[i] - back.pixels[i]));
  EXPECT_LE(worst, 40);  // the bars' sharp edges ring a little
  EXPECT_GT(worst, 0);
}

TEST(ImageWriter, RefusesWhatItCannotWrite) {
  TempFolder folder;
  const std::string bars = "ColorBars(width=32, height=16)\n";
  const struct {
    const char* call;
    std::string message;
  } cases[] = {
      {"ConvertToYV12().ImageWriter(\"a\", type=\"png\")",
       "ImageWriter: DevIL requires 8 or 16 bits per channel RGB or greyscale input"},
      {"ConvertToYUY2().ImageWriter(\"a\")",
       "ImageWriter: DevIL requires 8 or 16 bits per channel RGB or greyscale input"},
      {"ImageWriter(\"a\", type=\"gif\")", "ImageWriter: the type must be bmp, ebmp, png, jpg or jpeg, not \"gif\""},
      {"ImageWriter(\"a\", info=true)", "ImageWriter: info=true (the file name written on the frame) is not supported"},
      {"ImageWriter(\"a%d%d\")", "ImageWriter: the file name may hold one %d conversion only: a%d%d"},
      {"ImageWriter(\"a%s\")", "ImageWriter: the file name may hold one %d conversion only: a%s"},
      {"ImageWriter(\"d%d/a\")",
       "ImageWriter: the frame number may be in the file name only, not in its folder: d%d/a"},
      {"ImageWriter(\"../a\")", "ImageWriter: scripts may write files only inside their own folder"},
      {"ImageWriter(\"/tmp/a\")", "ImageWriter: scripts may write files only inside their own folder"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Message(EvalError(bars + c.call, folder.Path())).substr(0, c.message.size()), c.message) << c.call;
}

}  // namespace
}  // namespace tandemix::test
