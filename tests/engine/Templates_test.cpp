// The starter templates, expanded as the generator expands them and
// evaluated on generated pictures: sizes and where each view's pixels go.
#include <QDir>

#include "base/TextFile.h"
#include "script/ScriptLayout.h"
#include "script/TemplateExpansion.h"
#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

const char* const kStarterTemplates[] = {"SideBySide_Output",
                                         "OverUnder_Output",
                                         "SideBySide_Split",
                                         "OverUnder_Split",
                                         "Interlaced_Split",
                                         "Anaglyph_RedCyan_Output",
                                         "LeftOnly_Output",
                                         "RightOnly_Output",
                                         "SideBySide_Half_Output",
                                         "OverUnder_Half_Output",
                                         "RowInterleaved_Output",
                                         "SideBySide_Cross_Output",
                                         "Anaglyph_Dubois_RedCyan_Output",
                                         "Anaglyph_Dubois_GreenMagenta_Output",
                                         "Anaglyph_Dubois_AmberBlue_Output"};

class Templates : public ::testing::Test {
 protected:
  LineList Expand(const std::string& name) {
    LineList lines;
    ExpandBlock(lines, {name}, TANDEMIX_BIN_DIR, TemplateKeywords{"", "", "0", "0"});
    return lines;
  }
  static std::string Text(const LineList& lines) { return JoinLinesCrLf(lines); }

  // Mode 0: a left and a right picture, then the Output block.
  engine::ClipPtr TwoViews(const FrameBGR& left, const FrameBGR& right, const std::string& output) {
    LineList script = {PictureSource(folder_, "left.bmp", left), "ClipA = last",
                       PictureSource(folder_, "right.bmp", right), "ClipB = last"};
    for (const auto& line : Expand(output)) script.push_back(line);
    return Eval(Text(script));
  }

  // Mode 1: one stereo picture, the Convert block, then one view returned.
  engine::ClipPtr SplitView(const FrameBGR& stereo, const std::string& convert, const std::string& view) {
    LineList script = {PictureSource(folder_, "stereo.bmp", stereo)};
    for (const auto& line : Expand(convert)) script.push_back(line);
    script.insert(script.end(),
                  {"last = ClipA", "ClipA = last", "last = ClipB", "ClipB = last", "return(" + view + ")"});
    return Eval(Text(script));
  }

  TempFolder folder_;
};

TEST_F(Templates, ShipBesideTheExecutablesWithCrLfLines) {
  for (const char* name : kStarterTemplates) {
    SCOPED_TRACE(name);
    const std::string path = TemplatePath(TANDEMIX_BIN_DIR, name);
    const std::string bytes = ReadBytes(path);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    EXPECT_EQ(JoinLinesCrLf(SplitLines(bytes)), bytes);  // every line ends with CR LF, no lone LF
  }
}

TEST_F(Templates, OutputTemplatesCombineTheViews) {
  const FrameBGR left = CoordinatePicture(64, 48);
  FrameBGR right(64, 48);
  std::fill(right.pixels.begin(), right.pixels.end(), 200);

  auto sbs = TwoViews(left, right, "SideBySide_Output");
  EXPECT_EQ(SizeOf(sbs), (Size{128, 48, 1001}));
  EXPECT_EQ(PixelAt(*sbs->GetFrame(0), 63, 47), (Bgr{63, 47, 100}));
  EXPECT_EQ(PixelAt(*sbs->GetFrame(0), 64, 0), (Bgr{200, 200, 200}));

  auto ou = TwoViews(left, right, "OverUnder_Output");
  EXPECT_EQ(SizeOf(ou), (Size{64, 96, 1001}));
  EXPECT_EQ(PixelAt(*ou->GetFrame(0), 5, 47), (Bgr{5, 47, 100}));
  EXPECT_EQ(PixelAt(*ou->GetFrame(0), 5, 48), (Bgr{200, 200, 200}));

  auto anaglyph = TwoViews(left, right, "Anaglyph_RedCyan_Output");
  EXPECT_EQ(SizeOf(anaglyph), (Size{64, 48, 1001}));
  EXPECT_EQ(PixelAt(*anaglyph->GetFrame(0), 10, 20), (Bgr{200, 200, 100}));  // red of the left, cyan of the right

  EXPECT_EQ(TwoViews(left, right, "LeftOnly_Output")->GetFrame(0)->pixels, left.pixels);
  EXPECT_EQ(TwoViews(left, right, "RightOnly_Output")->GetFrame(0)->pixels, right.pixels);
  // Mono output leaves `last` on the view, so final-size lines act on it.
  LineList script = {PictureSource(folder_, "left.bmp", left), "ClipA = last",
                     PictureSource(folder_, "right.bmp", right), "ClipB = last"};
  for (const auto& line : Expand("RightOnly_Output")) script.push_back(line);
  script.push_back("Crop(8,0,-8,-0)");
  EXPECT_EQ(SizeOf(Eval(Text(script))), (Size{48, 48, 1001}));
}

// The least-squares anaglyph templates give the preview's numbers: the
// published matrices in linear light, rounded to the nearest code (the
// expected codes were computed apart in double precision). They need Expr.
TEST_F(Templates, DuboisTemplatesGiveTheLeastSquaresColours) {
  if (!EvalError("Expr(BlankClip(pixel_type=\"Y8\"), \"x\")").empty()) GTEST_SKIP() << "the engine has no Expr yet";
  const struct {
    const char* name;
    Bgr left, right, expected;  // blue, green, red
  } cases[] = {
      {"Anaglyph_Dubois_RedCyan_Output", {40, 120, 200}, {220, 180, 30}, {231, 151, 153}},
      {"Anaglyph_Dubois_RedCyan_Output", {128, 128, 128}, {64, 64, 64}, {50, 46, 130}},
      {"Anaglyph_Dubois_RedCyan_Output", {0, 0, 0}, {255, 255, 0}, {255, 227, 0}},
      {"Anaglyph_Dubois_GreenMagenta_Output", {40, 120, 200}, {220, 180, 30}, {217, 134, 144}},
      {"Anaglyph_Dubois_GreenMagenta_Output", {0, 0, 255}, {0, 0, 0}, {0, 145, 0}},
      {"Anaglyph_Dubois_AmberBlue_Output", {40, 120, 200}, {220, 180, 30}, {216, 116, 190}},
      {"Anaglyph_Dubois_AmberBlue_Output", {90, 250, 10}, {130, 15, 240}, {98, 241, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FrameBGR left(16, 8), right(16, 8);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 16; ++x) {
        SetPixel(left, x, y, c.left);
        SetPixel(right, x, y, c.right);
      }
    auto clip = TwoViews(left, right, c.name);
    EXPECT_EQ(SizeOf(clip), (Size{16, 8, 1001}));
    EXPECT_EQ(PixelAt(*clip->GetFrame(0), 7, 3), c.expected);
  }
}

// The delivery layouts: each view squeezed to half (3D TVs, VR players),
// rows woven for passive monitors, the views swapped for cross-eyed viewing.
TEST_F(Templates, DeliveryTemplatesSqueezeWeaveOrSwapTheViews) {
  FrameBGR left(64, 48);
  std::fill(left.pixels.begin(), left.pixels.end(), 40);
  FrameBGR right(64, 48);
  std::fill(right.pixels.begin(), right.pixels.end(), 200);

  auto sbsHalf = TwoViews(left, right, "SideBySide_Half_Output");
  EXPECT_EQ(SizeOf(sbsHalf), (Size{64, 48, 1001}));
  EXPECT_EQ(PixelAt(*sbsHalf->GetFrame(0), 31, 20), (Bgr{40, 40, 40}));
  EXPECT_EQ(PixelAt(*sbsHalf->GetFrame(0), 32, 20), (Bgr{200, 200, 200}));

  auto ouHalf = TwoViews(left, right, "OverUnder_Half_Output");
  EXPECT_EQ(SizeOf(ouHalf), (Size{64, 48, 1001}));
  EXPECT_EQ(PixelAt(*ouHalf->GetFrame(0), 10, 23), (Bgr{40, 40, 40}));
  EXPECT_EQ(PixelAt(*ouHalf->GetFrame(0), 10, 24), (Bgr{200, 200, 200}));

  auto rows = TwoViews(left, right, "RowInterleaved_Output");
  EXPECT_EQ(SizeOf(rows), (Size{64, 48, 1001}));
  EXPECT_FALSE(rows->Info().fieldBased);
  for (int y : {0, 2, 46}) EXPECT_EQ(PixelAt(*rows->GetFrame(0), 5, y), (Bgr{40, 40, 40})) << "row " << y;
  for (int y : {1, 3, 47}) EXPECT_EQ(PixelAt(*rows->GetFrame(0), 5, y), (Bgr{200, 200, 200})) << "row " << y;

  auto cross = TwoViews(left, right, "SideBySide_Cross_Output");
  EXPECT_EQ(SizeOf(cross), (Size{128, 48, 1001}));
  EXPECT_EQ(PixelAt(*cross->GetFrame(0), 63, 0), (Bgr{200, 200, 200}));  // the right view first
  EXPECT_EQ(PixelAt(*cross->GetFrame(0), 64, 0), (Bgr{40, 40, 40}));
}

// render --layout auto reads the layout from the script the Output
// template ends.
TEST_F(Templates, RenderRecognisesTheLayoutOfEachOutputTemplate) {
  const struct {
    const char* name;
    ViewLayout layout;
  } cases[] = {{"SideBySide_Output", ViewLayout::SideBySide},
               {"SideBySide_Half_Output", ViewLayout::SideBySideHalf},
               {"SideBySide_Cross_Output", ViewLayout::SideBySideCross},
               {"OverUnder_Output", ViewLayout::OverUnder},
               {"OverUnder_Half_Output", ViewLayout::OverUnderHalf},
               {"RowInterleaved_Output", ViewLayout::Rows},
               {"Anaglyph_RedCyan_Output", ViewLayout::Anaglyph},
               {"Anaglyph_Dubois_RedCyan_Output", ViewLayout::Anaglyph},
               {"Anaglyph_Dubois_GreenMagenta_Output", ViewLayout::Anaglyph},
               {"Anaglyph_Dubois_AmberBlue_Output", ViewLayout::Anaglyph},
               {"LeftOnly_Output", ViewLayout::Mono},
               {"RightOnly_Output", ViewLayout::Mono}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LineList script = {"ClipA = BlankClip()", "ClipB = BlankClip()"};
    for (const auto& line : Expand(c.name)) script.push_back(line);
    EXPECT_EQ(LayoutOfScript(Text(script)), c.layout);
  }
}

TEST_F(Templates, SplitTemplatesLeaveTheViewsInClipAAndClipB) {
  const FrameBGR wide = CoordinatePicture(128, 48);
  auto left = SplitView(wide, "SideBySide_Split", "ClipA");
  auto right = SplitView(wide, "SideBySide_Split", "ClipB");
  EXPECT_EQ(SizeOf(left), (Size{64, 48, 1001}));
  EXPECT_EQ(SizeOf(right), (Size{64, 48, 1001}));
  EXPECT_EQ(PixelAt(*left->GetFrame(0), 63, 1), (Bgr{63, 1, 100}));
  EXPECT_EQ(PixelAt(*right->GetFrame(0), 0, 1), (Bgr{64, 1, 100}));

  const FrameBGR tall = CoordinatePicture(64, 96);
  auto top = SplitView(tall, "OverUnder_Split", "ClipA");
  auto bottom = SplitView(tall, "OverUnder_Split", "ClipB");
  EXPECT_EQ(SizeOf(top), (Size{64, 48, 1001}));
  EXPECT_EQ(SizeOf(bottom), (Size{64, 48, 1001}));
  EXPECT_EQ(PixelAt(*top->GetFrame(0), 2, 47), (Bgr{2, 47, 100}));
  EXPECT_EQ(PixelAt(*bottom->GetFrame(0), 2, 0), (Bgr{2, 48, 100}));

  auto even = SplitView(tall, "Interlaced_Split", "ClipA");
  auto odd = SplitView(tall, "Interlaced_Split", "ClipB");
  EXPECT_EQ(SizeOf(even), (Size{64, 48, 1001}));
  EXPECT_EQ(SizeOf(odd), (Size{64, 48, 1001}));
  EXPECT_DOUBLE_EQ(even->Info().Rate(), 24.0);
  EXPECT_FALSE(even->Info().fieldBased);
  EXPECT_EQ(PixelAt(*even->GetFrame(3), 7, 10), (Bgr{7, 20, 100}));
  EXPECT_EQ(PixelAt(*odd->GetFrame(3), 7, 10), (Bgr{7, 21, 100}));
}

// Mode 2 (convert after the filters) ends the source part with the Convert
// block; the Output block then recombines the views.
TEST_F(Templates, ConvertAfterFiltersThenOutput) {
  LineList script = {PictureSource(folder_, "stereo.bmp", CoordinatePicture(128, 48)), "Lanczos4Resize(256,96)"};
  for (const auto& line : Expand("SideBySide_Split")) script.push_back(line);
  for (const auto& line : Expand("OverUnder_Output")) script.push_back(line);
  EXPECT_EQ(SizeOf(Eval(Text(script))), (Size{128, 192, 1001}));
}

}  // namespace
}  // namespace tandemix::test
