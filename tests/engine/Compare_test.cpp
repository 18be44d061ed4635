// Compare against what AviSynth gives: the log of deviations and PSNRs
// (every number as AviSynth prints it), the darkened cells and the PSNR
// graph over the picture, and the refusals.
#include <string>

#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

int At(const FramePtr& f, int p, int x, int y) { return f->Row(p, y)[x]; }

// A flat grey clip and the same brightened more and more: frame 0 is the
// same, frame 150 differs by 44 at most.
constexpr const char* kPair =
    "a = BlankClip(width=640, height=480, pixel_type=\"YV24\", color_yuv=$404040).Trim(0, 199)\n"
    "b = a.Animate(0, 199, \"Levels\", 0, 1.0, 255, 0, 255, 0, 2.0, 255, 0, 255)\n";

TEST(Compare, LogsEachFrameAndASummary) {
  TempFolder folder;
  {
    const auto clip = Eval(std::string(kPair) + "Compare(b, a, logfile=\"compare.log\")", folder.Path());
    // The frames pass unchanged.
    EXPECT_EQ(At(clip->GetFrame(0), 0, 3, 41), 64);
    clip->GetFrame(150);
  }
  EXPECT_EQ(ReadBytes(folder.File("compare.log")),
            "Comparing channel(s) YUV\n"
            "\n"
            "           Mean               Max    Max             \n"
            "         Absolute     Mean    Pos.   Neg.            \n"
            " Frame     Dev.       Dev.    Dev.   Dev.  PSNR (dB) \n"
            "-----------------------------------------------------\n"
            "     0    0.0000    +0.0000    0      0    107.7762\n"
            "   150   14.6667   +14.6667   44      0     20.0330\n"
            "\n\n\n"
            "Total frames processed: 2\n"
            "\n"
            "                           Minimum   Average   Maximum\n"
            "Mean Absolute Deviation:    0.0000    7.3333   14.6667\n"
            "         Mean Deviation:   +0.0000   +7.3333  +14.6667\n"
            "                   PSNR:   20.0330   63.9046  107.7762\n"
            "           Overall PSNR:   23.0433\n");
}

TEST(Compare, ChannelsAndNegativeDeviations) {
  // The first clip less the second (negative where the first is darker);
  // an SSD of 0 counts as 1.
  struct Case {
    const char* setup;
    const char* channels;
    const char* header;
    const char* line;
  };
  const Case cases[] = {
      {"a = ColorBars(pixel_type=\"YV12\").Trim(0, 9)\nb = a.Levels(0, 0.8, 255, 0, 255, coring=false)", "",
       "Comparing channel(s) YUV", "     3    9.9764    +9.9764   21      0     25.8868"},
      {"a = ColorBars(pixel_type=\"YV12\").Trim(0, 9)\nb = a.Levels(0, 0.8, 255, 0, 255, coring=false)", "U",
       "Comparing channel(s) U", "     3    0.0000    +0.0000    0      0     96.9844"},
      {"a = ColorBars(pixel_type=\"YV24\").ConvertToYUY2().Trim(0, 4)\nb = a.Invert().Blur(1.0)\nc = a\na = b\nb = c",
       "UV", "Comparing channel(s) UV", "     3   73.4727    -5.3206  168    -169      8.3010"},
      {"a = ColorBars(pixel_type=\"YV24\").ConvertToRGB32().Trim(0, 4)\nb = a.Invert().Blur(1.0)", "BR",
       "Comparing channel(s) BR", "     3  197.3693   -58.7896  255    -255      1.8335"},
      {"a = ColorBars(pixel_type=\"YV24\").ConvertToY8().Trim(0, 4)\nb = a.Invert().Blur(1.0)", "",
       "Comparing channel(s) Y", "     3  125.6697   -69.4907  215    -241      4.7730"},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    {
      const auto clip =
          Eval(std::string(c.setup) + "\nCompare(a, b, \"" + c.channels + "\", \"c.log\")", folder.Path());
      clip->GetFrame(3);
    }
    const std::string log = ReadBytes(folder.File("c.log"));
    EXPECT_EQ(log.substr(0, log.find('\n')), c.header) << c.setup;
    EXPECT_NE(log.find(std::string(c.line) + "\n"), std::string::npos) << c.setup << "\n" << log;
  }
}

TEST(Compare, DarkensTheTextCellsAndDrawsTheGraph) {
  const std::string tail =
      "a = BlankClip(width=640, height=480, pixel_type=\"YV24\", color_yuv=$404040).Trim(0, 199)\n"
      "b = a.Levels(0, 1.0, 255, 0, 250, coring=false)\n"
      "Compare(b, a)";
  const auto clip = Eval(tail);
  const FramePtr f = clip->GetFrame(150);
  // Cells: rows 41..56 for the last line (22 cells from x = 2), 25..40 for
  // the PSNR line (51 cells), the two lines above it 19 cells; 63 becomes
  // 57, chroma 65 becomes 58.
  const struct {
    int x, y, luma;
  } cells[] = {{2, 41, 57},   {177, 41, 57}, {178, 41, 63}, {1, 41, 63},  {3, 57, 63},
               {409, 25, 57}, {410, 25, 63}, {153, 0, 57},  {154, 0, 63}, {153, 24, 57}};
  for (const auto& c : cells) EXPECT_EQ(At(f, 0, c.x, c.y), c.luma) << c.x << "," << c.y;
  EXPECT_EQ(At(f, 1, 178, 41), 65);
  EXPECT_EQ(At(f, 1, 177, 41), 58);
  EXPECT_EQ(At(f, 2, 3, 41), 58);
  // The graph: frame 150 (PSNR 48) at the right edge, two rows of 235 and
  // black below; frames not compared are a dot on the last row.
  EXPECT_EQ(At(f, 0, 639, 430), 63);
  EXPECT_EQ(At(f, 0, 639, 431), 235);
  EXPECT_EQ(At(f, 0, 639, 432), 235);
  EXPECT_EQ(At(f, 0, 639, 433), 16);
  EXPECT_EQ(At(f, 0, 639, 479), 16);
  EXPECT_EQ(At(f, 0, 489, 479), 235);
  EXPECT_EQ(At(f, 0, 489, 478), 63);
  EXPECT_EQ(At(f, 0, 488, 479), 63);
  // RGB: cells at 7/8, white dots and black below; identical frames reach
  // the top of the graph (100 rows).
  const FramePtr rgb =
      Eval("a = BlankClip(width=640, height=480, pixel_type=\"RGB32\", color=$404040).Trim(0, 9)\nCompare(a, a)")
          ->GetFrame(0);
  EXPECT_EQ(PixelAt(*rgb, 3, 41), (Bgr{56, 56, 56}));
  EXPECT_EQ(PixelAt(*rgb, 639, 378), (Bgr{64, 64, 64}));
  EXPECT_EQ(PixelAt(*rgb, 639, 379), (Bgr{255, 255, 255}));
  EXPECT_EQ(PixelAt(*rgb, 639, 470), (Bgr{0, 0, 0}));
}

TEST(Compare, RefusesAsAviSynthDoesAndWritesOnlyBesideTheScript) {
  const std::string a = "a = ColorBars(pixel_type=\"YV12\")\n";
  const struct {
    const char* call;
    const char* error;
  } cases[] = {
      {"Compare(a, a.ConvertToYV24())", "Compare: Clips are not same colorspace."},
      {"Compare(a, a.Crop(0, 0, -2, 0))", "Compare: Clips must have same size."},
      {"Compare(a, a, \"R\")", "Compare: invalid channel: R"},
      {"Compare(a, a, \"YUVA\")", "Compare: invalid channel: A"},
      {"Compare(a.ConvertToRGB32(), a.ConvertToRGB32(), \"Y\")", "Compare: invalid channel: Y"},
  };
  for (const auto& c : cases) EXPECT_EQ(Message(EvalError(a + c.call)), c.error) << c.call;
  TempFolder folder;
  const std::string escape = Message(EvalError(a + "Compare(a, a, logfile=\"../compare.log\")", folder.Path()));
  EXPECT_EQ(escape.rfind("Compare: scripts may write files only inside their own folder", 0), 0u) << escape;
}

}  // namespace
}  // namespace tandemix::test
