// The plane filters: which channel lands where, the sizes and types they
// make, and their refusals in AviSynth's words.
#include <array>

#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

class PlaneFilters : public ::testing::Test {
 protected:
  // A 16x8 coordinate picture: blue = x, green = y, red = 100.
  std::string Picture() { return PictureSource(folder_, "p.bmp", CoordinatePicture(16, 8)); }
  // A YV24 clip whose Y is 100 + x, U is x and V is y (built from the picture's channels).
  std::string Yuv() {
    return "s = " + Picture() +
           "\nYToUV(s.ShowBlue(\"Y8\"), s.ShowGreen(\"Y8\"), s.ShowBlue(\"Y8\").Levels(0, 1, 255, 100, 255, "
           "coring=false))";
  }
  static int At(const engine::ClipPtr& clip, int p, int x, int y, int n = 0) {
    const FramePtr f = clip->GetFrame(n);
    return f->Row(p, y)[x];
  }
  TempFolder folder_;
};

TEST_F(PlaneFilters, ChannelsLandWhereAviSynthPutsThem) {
  const struct {
    const char* chain;
    PixelType type;
    int width, height;
    int plane, x, y, expected;
  } cases[] = {
      {"ExtractB()", PixelType::Y8, 16, 8, 0, 5, 3, 5},
      {"ExtractG()", PixelType::Y8, 16, 8, 0, 5, 3, 3},
      {"ExtractR()", PixelType::Y8, 16, 8, 0, 5, 3, 100},
      {"ExtractA()", PixelType::Y8, 16, 8, 0, 5, 3, 255},  // RGB24 has an opaque alpha
      {"PlaneToY(\"g\")", PixelType::Y8, 16, 8, 0, 9, 6, 6},
      {"ShowRed()", PixelType::RGB32, 16, 8, 0, 4, 1, 100},  // RGB24 in, RGB32 out
      {"ShowGreen(\"Y8\")", PixelType::Y8, 16, 8, 0, 4, 7, 7},
      {"ShowBlue(\"YV12\")", PixelType::YV12, 16, 8, 0, 11, 2, 11},
      {"ShowBlue(\"YV12\")", PixelType::YV12, 16, 8, 1, 3, 2, 128},
      {"ShowBlue(\"YUY2\")", PixelType::YUY2, 16, 8, 0, 2 * 9, 0, 9},
      {"ShowBlue(\"YUY2\")", PixelType::YUY2, 16, 8, 0, 2 * 9 + 1, 0, 128},
      {"ConvertToRGB32().ShowAlpha(\"Y8\")", PixelType::Y8, 16, 8, 0, 0, 0, 255},
  };
  for (const auto& c : cases) {
    const auto clip = Eval(Picture() + "." + c.chain);
    EXPECT_EQ(clip->Info().pixelType, c.type) << c.chain;
    EXPECT_EQ(SizeOf(clip), (Size{c.width, c.height, 1001})) << c.chain;  // ImageSource's 1001 frames
    EXPECT_EQ(At(clip, c.plane, c.x, c.y), c.expected) << c.chain;
  }
  // On YUV: the chroma planes as luma, swapped, and YToUV's luma of 126 without clipY.
  const auto yuv = Eval(Yuv());
  ASSERT_EQ(yuv->Info().pixelType, PixelType::YV24);
  EXPECT_EQ((std::array<int, 3>{At(yuv, 0, 7, 2), At(yuv, 1, 7, 2), At(yuv, 2, 7, 2)}),
            (std::array<int, 3>{104, 7, 2}));  // 100 + 7 * 155 / 255
  EXPECT_EQ(At(Eval(Yuv() + ".UToY8()"), 0, 7, 2), 7);
  EXPECT_EQ(At(Eval(Yuv() + ".VToY()"), 0, 5, 6), 6);
  EXPECT_EQ(At(Eval(Yuv() + ".VToY()"), 1, 3, 3), 128);
  EXPECT_EQ(At(Eval(Yuv() + ".SwapUV()"), 1, 7, 2), At(yuv, 2, 7, 2));
  EXPECT_EQ(At(Eval(Yuv() + ".SwapUV()"), 2, 7, 2), 7);
  EXPECT_EQ(At(Eval(Yuv() + ".ShowU()"), 0, 6, 5), 6);
  EXPECT_EQ(Eval(Yuv() + ".ShowV(\"RGB24\")")->Info().pixelType, PixelType::RGB24);
  const auto noLuma = Eval(Yuv() + "\nYToUV(UToY8(), VToY8())");
  EXPECT_EQ(At(noLuma, 0, 3, 3), 126);
  EXPECT_EQ(At(noLuma, 1, 3, 4), 3);
  // YToUV picks the type from the ratio of the sizes.
  EXPECT_EQ(Eval("y = BlankClip(width=8, height=8, pixel_type=\"Y8\")\nc = y.Crop(0, 0, 4, 4)\nYToUV(c, c, y)")
                ->Info()
                .pixelType,
            PixelType::YV12);
  EXPECT_EQ(Eval("y = BlankClip(width=8, height=8, pixel_type=\"Y8\")\nc = y.Crop(0, 0, 4, 8)\nYToUV(c, c, y)")
                ->Info()
                .pixelType,
            PixelType::YV16);
  // CombinePlanes: targets from named sources; the last clip serves the rest.
  const auto combined = Eval(Yuv() + "\nCombinePlanes(last, UToY8(), planes=\"YUV\", source_planes=\"YYY\")");
  EXPECT_EQ((std::array<int, 3>{At(combined, 0, 7, 2), At(combined, 1, 7, 2), At(combined, 2, 7, 2)}),
            (std::array<int, 3>{104, 7, 7}));
  const auto swapped = Eval(Yuv() + "\nCombinePlanes(last, planes=\"UV\", source_planes=\"VU\")");
  EXPECT_EQ(At(swapped, 1, 7, 2), At(yuv, 2, 7, 2));
  EXPECT_EQ(At(swapped, 0, 7, 2), 104);
}

TEST_F(PlaneFilters, RefuseInAviSynthsWords) {
  const struct {
    const char* script;
    const char* message;
  } cases[] = {
      {"BlankClip().ExtractY()", "PlaneToY: clip is not YUV!"},
      {"BlankClip(pixel_type=\"YV12\").ExtractR()", "PlaneToY: clip is not planar RGB!"},
      {"BlankClip(pixel_type=\"YV12\").ExtractA()", "PlaneToY: Clip has no Alpha channel!"},
      {"BlankClip(pixel_type=\"Y8\").ExtractU()", "PlaneToY: channel cannot be extracted from a greyscale clip!"},
      {"BlankClip(pixel_type=\"Y8\").UToY()", "PlaneToY: channel cannot be extracted from a greyscale clip!"},
      {"BlankClip(pixel_type=\"YV12\").PlaneToY(\"Q\")", "PlaneToY: Invalid plane!"},
      {"BlankClip().SwapUV()", "SwapUV: YUV or YUVA data only!"},
      {"BlankClip(pixel_type=\"YV12\").ShowRed()", "ShowRed: plane is valid only with RGB or planar RGB(A) source"},
      {"BlankClip().ShowY()", "ShowY: plane is valid only with YUV(A) source"},
      {"BlankClip(pixel_type=\"Y8\").ShowU()", "ShowU: invalid plane for greyscale source"},
      {"BlankClip(pixel_type=\"RGB24\").ShowAlpha()", "ShowAlpha: RGB32, RGB64, Planar RGBA or YUVA data only"},
      {"BlankClip(pixel_type=\"YV24\").ShowU(\"BGR\")", "ShowU: invalid pixel_type!"},
      {"BlankClip(width=7, height=8).ShowRed(\"YV12\")", "ShowRed: width must be mod 2 for 4:2:0 target"},
      {"BlankClip(width=8, height=7).ShowRed(\"YV12\")", "ShowRed: height must be mod 2 for 4:2:0 target"},
      {"BlankClip(width=7, height=8).ShowRed(\"YUY2\")", "ShowRed: width must be mod 2 for yuy2"},
      {"b = BlankClip(pixel_type=\"Y8\", width=4, height=4)\nYToUV(b, BlankClip())",
       "YToUV: Only YUV or YUVA data accepted"},
      {"YToUV(BlankClip(pixel_type=\"Y8\", width=4, height=4), BlankClip(pixel_type=\"Y8\", width=4, height=8))",
       "YToUV: Clips do not have the same height (U & V mismatch) !"},
      {"b = BlankClip(pixel_type=\"Y8\", width=3, height=8)\nYToUV(b, b, BlankClip(pixel_type=\"Y8\", width=8, "
       "height=8))",
       "YToUV: Video width ratio does not match any internal colorspace."},
      {"y = BlankClip(pixel_type=\"Y8\", width=8, height=8)\nCombinePlanes(y, y, y, planes=\"YUV\", "
       "pixel_type=\"YV12\")",
       "CombinePlanes: source and target plane dimensions are different"},
      {"y = BlankClip(pixel_type=\"YV12\", width=8, height=8)\nCombinePlanes(y, y, y)",
       "CombinePlanes: no target planes given!"},
      {"y = BlankClip(pixel_type=\"YUY2\", width=8, height=8)\nCombinePlanes(y, planes=\"YUV\")",
       "CombinePlanes: output clip video format is not planar!"},
      {"y = BlankClip(pixel_type=\"YV12\", width=8, height=8)\nCombinePlanes(y, y, planes=\"UV\", pixel_type=\"Y8\")",
       "CombinePlanes: too many target planes (2)! Target video plane count is 1!"},
      {"y = BlankClip(width=8, height=8)\nCombinePlanes(y, y, y, planes=\"YUV\", source_planes=\"YYY\", "
       "pixel_type=\"YV24\")",
       "CombinePlanes: source has no such plane Y"},
  };
  for (const auto& c : cases) EXPECT_EQ(Message(EvalError(c.script)), c.message) << c.script;
}

}  // namespace
}  // namespace tandemix::test
