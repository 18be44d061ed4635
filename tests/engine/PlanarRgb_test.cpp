// The planar RGB types (RGBP8, RGBAP8): their properties and names, the
// conversions to and from them, the filters that work on them (every byte
// as AviSynth gives it on the same noise picture) and those that refuse
// them in AviSynth's words.
#include <string>

#include "tests/engine/FilterDigest.h"

namespace tandemix::test {
namespace {

// The clip's properties as one line, as a script reads them.
std::string PropertyLine(const std::string& type) {
  const std::string script =
      "c = BlankClip(width=8, height=4, pixel_type=\"" + type +
      "\")\n"
      "Assert(false, c.PixelType() + \" \" + string(c.IsRGB()) + string(c.IsPlanarRGB()) + "
      "string(c.IsPlanarRGBA()) + string(c.IsPackedRGB()) + string(c.IsPlanar()) + string(c.IsYUV()) + "
      "string(c.IsInterleaved()) + string(c.HasAlpha()) + string(c.Is444()) + string(c.Is422()) + "
      "string(c.Is420()) + string(c.IsY()) + \" \" + string(c.NumComponents()) + string(c.ComponentSize()) + "
      "string(c.BitsPerComponent()))";
  return Message(EvalError(script));
}

TEST(PlanarRgb, PropertiesAsAviSynthReadsThem) {
  const struct {
    const char* type;
    const char* line;
  } cases[] = {
      {"RGBP8", "RGBP truetruefalsefalsetruefalsefalsefalsefalsefalsefalsefalse 318"},
      {"RGBAP8", "RGBAP truefalsetruefalsetruefalsefalsetruefalsefalsefalsefalse 418"},
      {"RGB24", "RGB24 truefalsefalsetruefalsefalsetruefalsefalsefalsefalsefalse 318"},
      {"RGB32", "RGB32 truefalsefalsetruefalsefalsetruetruefalsefalsefalsefalse 418"},
      {"YV12", "YV12 falsefalsefalsefalsetruetruefalsefalsefalsefalsetruefalse 318"},
      {"YV16", "YV16 falsefalsefalsefalsetruetruefalsefalsefalsetruefalsefalse 318"},
      {"YV24", "YV24 falsefalsefalsefalsetruetruefalsefalsetruefalsefalsefalse 318"},
      {"Y8", "Y8 falsefalsefalsefalsetruetruefalsefalsefalsefalsefalsetrue 118"},
      {"YUY2", "YUY2 falsefalsefalsefalsefalsetruetruefalsefalsefalsefalsefalse 318"},
  };
  for (const auto& c : cases) EXPECT_EQ(PropertyLine(c.type), c.line) << c.type;
}

TEST(PlanarRgb, PixelTypeNamesOldAndNew) {
  const struct {
    const char* name;
    PixelType type;
  } cases[] = {{"RGBP", PixelType::RGBP8},    {"RGBP8", PixelType::RGBP8},   {"rgbp8", PixelType::RGBP8},
               {"RGBAP", PixelType::RGBAP8},  {"RGBAP8", PixelType::RGBAP8}, {"YUV420P8", PixelType::YV12},
               {"YUV420", PixelType::YV12},   {"YUV422P8", PixelType::YV16}, {"YUV422", PixelType::YV16},
               {"YUV444P8", PixelType::YV24}, {"YUV444", PixelType::YV24},   {"Y8", PixelType::Y8}};
  for (const auto& c : cases) {
    EXPECT_EQ(Eval(std::string("BlankClip(pixel_type=\"") + c.name + "\")")->Info().pixelType, c.type) << c.name;
    EXPECT_EQ(
        Eval(std::string("BlankClip(pixel_type=\"YV24\").ShowY(pixel_type=\"") + c.name + "\")")->Info().pixelType,
        c.type)
        << c.name;
  }
  EXPECT_EQ(Eval("ConvertToRGB(BlankClip(pixel_type=\"RGBP8\"))")->Info().pixelType, PixelType::RGB24);
  EXPECT_EQ(Eval("ConvertToRGB(BlankClip(pixel_type=\"RGBAP8\"))")->Info().pixelType, PixelType::RGB32);
}

// Colours and bars in planar RGB are the packed ones' bytes, each in its plane.
TEST(PlanarRgb, GeneratorsFillEveryPlane) {
  const FramePtr blank = Eval("BlankClip(width=4, height=2, pixel_type=\"RGBAP8\", color=$80123456)")->GetFrame(0);
  ASSERT_EQ(blank->Planes(), 4);
  EXPECT_EQ(blank->Row(0, 1)[3], 0x56);  // blue
  EXPECT_EQ(blank->Row(1, 1)[3], 0x34);  // green
  EXPECT_EQ(blank->Row(2, 1)[3], 0x12);  // red
  EXPECT_EQ(blank->Row(3, 1)[3], 0x80);  // alpha
  const FramePtr bars = Eval("ColorBars(width=64, height=48, pixel_type=\"RGBP8\")")->GetFrame(0);
  const FramePtr packed = Eval("ColorBars(width=64, height=48, pixel_type=\"RGB24\")")->GetFrame(0);
  for (int y : {0, 33, 47})
    for (int x : {0, 20, 63})
      for (int c = 0; c < 3; ++c) EXPECT_EQ(bars->Row(c, y)[x], packed->Row(y)[3 * x + c]) << x << "," << y;
}

// The noise picture of `type` as `last`, then the call, against the digests
// of AviSynth's frames.
void ExpectPlanarDigests(const DigestCase* cases, std::size_t count) {
  TempFolder folder;
  ExpectDigests(folder, 40, 24, cases, count, "\n");
}

TEST(PlanarRgb, FiltersGiveAviSynthsBytes) {
  const DigestCase cases[] = {
      {"RGBP8", "Crop(5, 3, -7, -4)", 0, 28, 17, 0x76e62f63u},                                             // RGBP
      {"RGBP8", "AddBorders(3, 2, 5, 4, color=$204080)", 0, 48, 30, 0x3b11f090u},                          // RGBP
      {"RGBP8", "Letterbox(6, 4, 2, 8, color=$FF8040)", 0, 40, 24, 0x7d7e1948u},                           // RGBP
      {"RGBP8", "FlipHorizontal()", 0, 40, 24, 0x7de2bb84u},                                               // RGBP
      {"RGBP8", "FlipVertical()", 0, 40, 24, 0xa31387e2u},                                                 // RGBP
      {"RGBP8", "TurnLeft()", 0, 24, 40, 0x3a15a710u},                                                     // RGBP
      {"RGBP8", "TurnRight()", 0, 24, 40, 0x57a7f1b6u},                                                    // RGBP
      {"RGBP8", "Turn180()", 0, 40, 24, 0x04314f0cu},                                                      // RGBP
      {"RGBP8", "StackHorizontal(last, last.FlipVertical())", 0, 80, 24, 0xc91090d1u},                     // RGBP
      {"RGBP8", "StackVertical(last, last.FlipHorizontal())", 0, 40, 48, 0x3dce5493u},                     // RGBP
      {"RGBP8", "BilinearResize(37, 21)", 0, 37, 21, 0x4043ea45u},                                         // RGBP
      {"RGBP8", "BicubicResize(71, 53)", 0, 71, 53, 0x2f9df425u},                                          // RGBP
      {"RGBP8", "LanczosResize(40, 30, 3.5, 2.25, 30, 20)", 0, 40, 30, 0x531e0e97u},                       // RGBP
      {"RGBP8", "PointResize(30, 20)", 0, 30, 20, 0x84ade915u},                                            // RGBP
      {"RGBP8", "ReduceBy2()", 0, 20, 12, 0x0529f441u},                                                    // RGBP
      {"RGBP8", "HorizontalReduceBy2()", 0, 20, 24, 0x1c280ee7u},                                          // RGBP
      {"RGBP8", "Merge(last.FlipVertical(), 0.3)", 0, 40, 24, 0x532fa613u},                                // RGBP
      {"RGBP8", "Invert()", 0, 40, 24, 0x717bb6eau},                                                       // RGBP
      {"RGBP8", "Invert(\"RB\")", 0, 40, 24, 0x4e51717eu},                                                 // RGBP
      {"RGBP8", "Levels(10, 1.3, 230, 20, 240)", 0, 40, 24, 0xf57c91e6u},                                  // RGBP
      {"RGBP8", "Levels(10, 0.7, 230, 20, 240, coring=false)", 0, 40, 24, 0x93798b99u},                    // RGBP
      {"RGBP8", "RGBAdjust(1.1, 0.9, 1.2, 1.0, 5, -3, 2, 0, 1.2, 0.8, 1.1)", 0, 40, 24, 0x210ce93fu},      // RGBP
      {"RGBP8", "Greyscale()", 0, 40, 24, 0x7e34d5b2u},                                                    // RGBP
      {"RGBP8", "Greyscale(matrix=\"Rec709\")", 0, 40, 24, 0xc3a6d923u},                                   // RGBP
      {"RGBP8", "Blur(1)", 0, 40, 24, 0xcaaf7ec0u},                                                        // RGBP
      {"RGBP8", "Sharpen(0.6, 0.2)", 0, 40, 24, 0x24d9b461u},                                              // RGBP
      {"RGBP8", "GeneralConvolution(0, \"1 2 1 2 4 2 1 2 1\")", 0, 40, 24, 0xf224dc1eu},                   // RGBP
      {"RGBP8", "Overlay(last.FlipVertical(), x=7, y=5, opacity=0.6)", 0, 40, 24, 0xf19ec1eau},            // RGBP
      {"RGBP8", "Overlay(last.FlipVertical(), mode=\"add\")", 0, 40, 24, 0x4d0855edu},                     // RGBP
      {"RGBP8", "Overlay(last.FlipVertical(), mode=\"softlight\", opacity=0.7)", 0, 40, 24, 0x2039d4e8u},  // RGBP
      {"RGBP8", "Overlay(last.FlipVertical(), mode=\"multiply\", x=-9, y=6)", 0, 40, 24, 0x3c30ececu},     // RGBP
      {"RGBP8", "Subtract(last.FlipVertical())", 0, 40, 24, 0x1060a68eu},                                  // RGBP
      {"RGBP8", "MergeRGB(last, last.FlipVertical(), last.FlipHorizontal())", 0, 40, 24, 0x80d96210u},     // RGBP
      {"RGBP8", "MergeRGB(last.ExtractR(), last.FlipVertical(), last.FlipHorizontal(), pixel_type=\"RGB24\")", 0, 40,
       24, 0x369aaca4u},                                        // RGB24
      {"RGBP8", "ExtractR()", 0, 40, 24, 0xf70ba55fu},          // Y8
      {"RGBP8", "ExtractB()", 0, 40, 24, 0xd55c438au},          // Y8
      {"RGBP8", "ShowGreen()", 0, 40, 24, 0x9d4cdd63u},         // RGBP
      {"RGBP8", "ShowRed(\"YV24\")", 0, 40, 24, 0xcbb0975fu},   // YV24
      {"RGBP8", "ShowBlue(\"YUY2\")", 0, 40, 24, 0x7b47498au},  // YUY2
      {"RGBP8", "CombinePlanes(last, planes=\"RGB\", source_planes=\"BRG\", pixel_type=\"RGBP8\")", 0, 40, 24,
       0x8f1e4116u},  // RGBP
      {"RGBP8", "CombinePlanes(last, planes=\"YUV\", source_planes=\"GBR\", pixel_type=\"YV24\")", 0, 40, 24,
       0xbfe6e4a6u},  // YV24
      {"RGBP8", "CombinePlanes(last.ExtractR(), last.ExtractG(), last.ExtractB(), planes=\"BRG\")", 0, 40, 24,
       0xd6b3bbc2u},                                                                  // RGBP
      {"RGBP8", "Expr(\"x 255 swap -\", \"x 2 /\", \"x\")", 0, 40, 24, 0x58e5db58u},  // RGBP
      {"RGBP8", "Expr(last, last.FlipVertical(), \"x y max\", \"x y -\", \"x y + 2 /\")", 0, 40, 24,
       0x0ad705c9u},                                                                                  // RGBP
      {"RGBP8", "AddAlphaPlane(100).ShowAlpha()", 0, 40, 24, 0x91cd23c5u},                            // RGBP
      {"RGBP8", "ConvertToYV24(matrix=\"Rec709\")", 0, 40, 24, 0x444bf2f4u},                          // YV24
      {"RGBP8", "ConvertToYV12()", 0, 40, 24, 0x669e2412u},                                           // YV12
      {"RGBP8", "ConvertToRGB32()", 0, 40, 24, 0xa60a57bau},                                          // RGB32
      {"RGBP8", "ConvertToYV12().ConvertToPlanarRGBA().RemoveAlphaPlane()", 0, 40, 24, 0x0d254a6fu},  // RGBP
      {"RGBP8", "ConvertToYV24(matrix=\"Rec709\").ConvertToPlanarRGB(matrix=\"Rec709\")", 0, 40, 24, 0xa75f762bu},
      {"YV24", "ConvertToPlanarRGB()", 0, 40, 24, 0xc1049fd8u},
      {"YV16", "ConvertToPlanarRGBA()", 0, 40, 24, 0xd5d1e1bfu},
      {"YV12", "ConvertToPlanarRGB(matrix=\"Rec709\")", 0, 40, 24, 0x154a81f5u},                      // RGBP
      {"Y8", "ConvertToPlanarRGB()", 0, 40, 24, 0x1e243bbau},                                         // RGBP
      {"RGB32", "ConvertToPlanarRGBA().ShowAlpha()", 0, 40, 24, 0x8ba23585u},                         // RGBP
      {"RGBAP8", "Expr(\"x 255 swap -\", \"x 2 /\").ShowAlpha()", 0, 40, 24, 0x8ba23585u},            // RGBP
      {"RGBAP8", "ColorKeyMask($808080, 60).ShowAlpha()", 0, 40, 24, 0x0f6a3612u},                    // RGBP
      {"RGBAP8", "ResetMask(77).Mask(last.ShowRed(\"RGBAP8\")).ExtractA()", 0, 40, 24, 0xf70ba55fu},  // Y8
      {"RGBAP8", "MergeARGB(last.ShowGreen(\"RGBAP8\"), last, last.Invert(), last.FlipVertical()).ShowAlpha(\"Y8\")", 0,
       40, 24, 0xf63b7905u},                                                                                 // Y8
      {"RGBAP8", "RemoveAlphaPlane()", 0, 40, 24, 0x3dfa37a2u},                                              // RGBP
      {"RGBP8", "FadeIn(10)", 3, 40, 24, 0xcf7e9a60u},                                                       // RGBP
      {"RGBP8", "TemporalSoften(2, 10, 10)", 0, 40, 24, 0x3dfa37a2u},                                        // RGBP
      {"RGBP8", "SeparateFields().Weave()", 0, 40, 24, 0x3dfa37a2u},                                         // RGBP
      {"RGBP8", "SeparateFields()", 1, 40, 12, 0x983901b9u},                                                 // RGBP
      {"RGBP8", "Bob()", 1, 40, 24, 0x63bf2c0fu},                                                            // RGBP
      {"RGBP8", "ConvertFPS(50)", 1, 40, 24, 0x3dfa37a2u},                                                   // RGBP
      {"RGBAP8", "Invert(\"A\").ShowAlpha()", 0, 40, 24, 0xfe63a6c5u},                                       // RGBP
      {"RGBAP8", "Expr(\"x 255 swap -\", \"x 2 /\", \"x\", \"x 3 /\").ExtractA()", 0, 40, 24, 0xd4ea6205u},  // Y8
  };
  ExpectPlanarDigests(cases, std::size(cases));
}

// The result's type: planar stays planar where AviSynth keeps it.
TEST(PlanarRgb, ResultTypes) {
  const std::string rgbp = "c = BlankClip(width=8, height=4, pixel_type=\"RGBP8\")\n";
  const struct {
    const char* call;
    PixelType type;
  } cases[] = {
      {"c.ShowRed()", PixelType::RGBP8},
      {"c.ConvertToPlanarRGBA().ShowAlpha()", PixelType::RGBP8},
      {"c.AddAlphaPlane()", PixelType::RGBAP8},
      {"c.ConvertToPlanarRGBA().RemoveAlphaPlane()", PixelType::RGBP8},
      {"MergeRGB(c, c, c)", PixelType::RGBP8},
      {"MergeRGB(c.ExtractR(), c.ExtractG(), c.ExtractB())", PixelType::RGB32},
      {"c.Overlay(c, mode=\"add\")", PixelType::RGBP8},
      {"c.ConvertToRGB24().Overlay(c)", PixelType::RGB24},
      {"c.Overlay(c, output=\"YV24\")", PixelType::YV24},
      {"CombinePlanes(c.ExtractR(), c.ExtractG(), c.ExtractB(), planes=\"RGB\")", PixelType::RGBP8},
      {"c.Levels(0, 1.0, 255, 10, 200)", PixelType::RGBP8},
      {"c.Subtitle(\"x\")", PixelType::RGBP8},
      {"c.ConvertToPlanarRGBA().Greyscale()", PixelType::RGBAP8},
  };
  for (const auto& c : cases) EXPECT_EQ(Eval(rgbp + c.call)->Info().pixelType, c.type) << c.call;
}

TEST(PlanarRgb, RefusalsInAviSynthsWords) {
  const struct {
    const char* call;
    const char* message;
  } cases[] = {
      {"Tweak(hue=10)", "Tweak: YUV data only (no RGB)"},
      {"ColorYUV(off_y=3)", "ColorYUV: Only work with YUV colorspace."},
      {"Limiter()", "Limiter: Source must be YUV or YUVA"},
      {"SpatialSoften(2,3,3)", "SpatialSoften: requires YUY2 input"},
      {"SwapUV()", "SwapUV: YUV or YUVA data only!"},
      {"UToY()", "PlaneToY: clip is not YUV!"},
      {"VToY8()", "PlaneToY: clip is not YUV!"},
      {"SkewRows(3)", "SkewRows: requires non-planar or greyscale input"},
      {"MergeLuma(last)",
       "MergeLuma: YUV data only (no RGB); use ConvertToYUY2, ConvertToYV12/16/24 or ConvertToYUVxxx"},
      {"MergeChroma(last)",
       "MergeChroma: YUV data only (no RGB); use ConvertToYUY2, ConvertToYV12/16/24 or ConvertToYUVxxx"},
      {"ColorKeyMask(0)", "ColorKeyMask: requires RGB32, RGB64 or Planar RGBA input"},
      {"Mask(last)", "Mask error: sources must be RGB32, RGB64 or Planar RGBA"},
      {"ResetMask()", "ResetMask: format has no alpha channel"},
      {"FixBrokenChromaUpsampling()", "FixBrokenChromaUpsampling: requires YUY2 input"},
      {"ShowAlpha()", "ShowAlpha: RGB32, RGB64, Planar RGBA or YUVA data only"},
      {"ExtractA()", "PlaneToY: Clip has no Alpha channel!"},
      {"ShowY()", "ShowY: plane is valid only with YUV(A) source"},
      {"ExtractY()", "PlaneToY: clip is not YUV!"},
      {"MergeARGB(last,last,last,last)",
       "MergeARGB: Alpha source channel cannot be obtained from RGB24, RGB48 or alphaless planar RGB"},
      {"CombinePlanes(last, planes=\"YUV\")", "CombinePlanes: target has no such plane Y"},
      {"CombinePlanes(last, planes=\"RGB\", source_planes=\"YUV\")", "CombinePlanes: source has no such plane Y"},
      {"CombinePlanes(last, planes=\"RGBA\", source_planes=\"RGBA\", pixel_type=\"RGBAP8\")",
       "CombinePlanes: source has no such plane A"},
      {"Expr(last.ConvertToRGB24(), \"x\")", "Expr: No packed RGB format allowed for clip #1, use planar RGB instead"},
      {"ConvertToYV12(matrix=\"foo\")", "Convert: Unknown matrix"},
      {"ConvertToYV24(matrix=\"bar\")", "Convert: Unknown matrix"},
      {"YToUV(last, last)", "YToUV: Only YUV or YUVA data accepted"},
      {"Crop(0,0,-1,0).ConvertToYV12()", "Convert: Cannot convert if width isn't mod2!"},
      {"BlankClip(pixel_type=\"RGBP8\", color_yuv=$808080)", "BlankClip: color_yuv only valid for YUV color spaces"},
      {"ShowRed(pixel_type=\"RGBQ\")", "ShowRed: invalid pixel_type!"},
      // Filters not yet written for planar RGB say so rather than read its
      // planes as luma and chroma.
      {"AverageR()", "AverageR: planar RGB clips are not supported"},
  };
  const std::string rgbp = "BlankClip(width=8, height=4, pixel_type=\"RGBP8\")\n";
  for (const auto& c : cases) EXPECT_EQ(Message(EvalError(rgbp + c.call)), c.message) << c.call;
  // Between RGB types the matrix is not read, as in AviSynth.
  EXPECT_EQ(EvalError(rgbp + "ConvertToRGB24(matrix=\"foo\")"), "");
}

// What leaves the engine (the player, captures, serve, render) is packed.
TEST(PlanarRgb, FramesLeaveTheEngineAsRgb24) {
  TempFolder folder;
  const std::string path = folder.File("p.avs");
  WriteBytes(path, "BlankClip(width=6, height=4, pixel_type=\"RGBAP8\", color=$FF102030)\n");
  auto clip = engine::OpenScript(path);
  const FramePtr frame = engine::FrameBGROf(*clip, 0, path);
  ASSERT_EQ(frame->type, PixelType::RGB24);
  EXPECT_EQ(PixelAt(*frame, 5, 3), (Bgr{0x30, 0x20, 0x10}));
}

}  // namespace
}  // namespace tandemix::test
