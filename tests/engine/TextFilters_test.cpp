// The text filters: where their text lands (the box of the pixels they
// change, against the boxes AviSynth's text filters give for the same
// scripts, within two pixels: the glyphs differ, the grid does not), their
// arguments and their refusals.
#include <algorithm>

#include "engine/kernels/TextRaster.h"
#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

struct Box {
  int left, top, right, bottom;  // inclusive; left > right when nothing changed
};
std::ostream& operator<<(std::ostream& os, const Box& b) {
  return os << "(" << b.left << ", " << b.top << ")-(" << b.right << ", " << b.bottom << ")";
}

// The pixels of frame n that differ from `base`'s frame (the clip before
// the text went on; luma for YUV frames).
Box ChangedBox(const engine::ClipPtr& clip, const engine::ClipPtr& base, int n = 0) {
  FramePtr f = clip->GetFrame(n);
  FramePtr b0 = base->GetFrame(n);
  const int step = IsRGBType(f->type) ? BytesPerPixel(f->type) : f->type == PixelType::YUY2 ? 2 : 1;
  const int channels = IsRGBType(f->type) ? 3 : 1;
  Box b{f->width, f->height, -1, -1};
  for (int y = 0; y < f->height; ++y)
    for (int x = 0; x < f->width; ++x) {
      const std::uint8_t* p = f->Row(y) + static_cast<std::size_t>(step) * x;
      const std::uint8_t* q = b0->Row(y) + static_cast<std::size_t>(step) * x;
      if (std::equal(p, p + channels, q)) continue;
      b.left = std::min(b.left, x);
      b.right = std::max(b.right, x);
      b.top = std::min(b.top, y);
      b.bottom = std::max(b.bottom, y);
    }
  return b;
}
// The same against a black frame of the clip's type and size.
Box ChangedBox(const engine::ClipPtr& clip, int n = 0) {
  return ChangedBox(
      clip,
      Eval("BlankClip(width=" + std::to_string(clip->Info().width) + ", height=" + std::to_string(clip->Info().height) +
           ", pixel_type=\"" + PixelTypeName(clip->Info().pixelType) + "\", color=$000000)"),
      n);
}

bool Near(const Box& a, const Box& b, int slack = 2) {
  return std::abs(a.left - b.left) <= slack && std::abs(a.top - b.top) <= slack &&
         std::abs(a.right - b.right) <= slack && std::abs(a.bottom - b.bottom) <= slack;
}

const std::string kBlack = "BlankClip(width=640, height=480, pixel_type=\"RGB32\", color=$000000)";

TEST(TextFilters, SubtitleLandsWhereAviSynthPutsIt) {
  struct Case {
    std::string call;
    int frame;
    Box reference;  // what AviSynth's filter changes in the same script
  };
  const Case cases[] = {
      // Sizes step through the grid: 12, 14, 16, 18, 20, 22, 24, 28, 32.
      {"Subtitle(\"Hello World gjpq\", size=12, x=100, y=100)", 0, {100, 101, 194, 111}},
      {"Subtitle(\"Hello World gjpq\", size=16, x=100, y=100)", 0, {101, 102, 226, 114}},
      {"Subtitle(\"Hello World gjpq\", size=18, x=100, y=100)", 0, {101, 103, 257, 117}},
      {"Subtitle(\"Hello World gjpq\", size=21, x=100, y=100)", 0, {101, 103, 257, 118}},
      {"Subtitle(\"Hello World gjpq\", size=24, x=100, y=100)", 0, {101, 104, 289, 122}},
      {"Subtitle(\"Hello World gjpq\", size=32, x=100, y=100)", 0, {102, 106, 353, 130}},
      {"Subtitle(\"Hello World gjpq\", size=64, x=100, y=100)", 0, {102, 106, 353, 130}},
      {"Subtitle(\"WMWM\", size=24, x=100, y=100)", 0, {101, 104, 146, 118}},
      // Defaults for each alignment: x 8, the middle or width - 8; y 0, the middle or height - 2.
      {"Subtitle(\"Hg\", align=1)", 0, {9, 464, 25, 478}},
      {"Subtitle(\"Hg\", align=2)", 0, {311, 464, 327, 478}},
      {"Subtitle(\"Hg\", align=3)", 0, {614, 464, 630, 478}},
      {"Subtitle(\"Hg\", align=5)", 0, {311, 234, 327, 248}},
      {"Subtitle(\"Hg\", align=9)", 0, {614, 3, 630, 17}},
      {"Subtitle(\"Hg\", align=3, x=100, y=100)", 0, {82, 86, 98, 100}},
      {"Subtitle(\"Hg\", align=6, x=100, y=100)", 0, {82, 94, 98, 108}},
      {"Subtitle(\"Hg\", align=8, x=100, y=100)", 0, {91, 103, 107, 117}},
      {"Subtitle(\"H\", x=100.7, y=100.6)", 0, {102, 104, 108, 115}},
      {"Subtitle(\"H\", x=-5, y=-5)", 0, {0, 0, 2, 9}},
      {"Subtitle(\"Hello\", x=630, y=470)", 0, {631, 473, 637, 479}},
      // A halo of one pixel all round.
      {"Subtitle(\"H\", halo_color=$FF0000, x=100, y=100)", 0, {100, 102, 108, 115}},
      // Lines at "\n" when lsp is given, lsp in eighths of a pixel; each line aligned alone.
      {"Subtitle(\"H\\nH\", x=100, y=100)", 0, {101, 103, 137, 114}},
      {"Subtitle(\"H\\nH\", x=100, y=100, lsp=0)", 0, {101, 103, 107, 132}},
      {"Subtitle(\"H\\nH\", x=100, y=100, lsp=40)", 0, {101, 103, 107, 137}},
      {"Subtitle(\"H\\nH\", x=100, y=100, lsp=-100)", 0, {101, 103, 107, 120}},
      {"Subtitle(\"H\\nHHH\", x=100, y=100, lsp=0, align=9)", 0, {72, 103, 98, 132}},
      {"Subtitle(\"H\\nHHH\", lsp=0, align=2)", 0, {306, 446, 332, 475}},
      {"Subtitle(\"H\\nH\", align=4, x=100, y=100, lsp=8)", 0, {101, 84, 107, 114}},
      {"Subtitle(\"H\\nH\\nH\", align=4, x=100, y=100, lsp=80)", 0, {101, 66, 107, 133}},
      {"Subtitle(\"H\\nH\", x=100, y=100, lsp=0, align=1)", 0, {101, 68, 107, 97}},
      // Arguments that change nothing in the grid's placement.
      {"Subtitle(\"HH\", font_width=20, font_angle=45, spc=5, interlaced=true, x=100, y=100)", 0, {101, 103, 117, 114}},
      {"Subtitle(\"H\", font=\"No Such Font Anywhere\", x=100, y=100)", 0, {101, 103, 107, 114}},
      {"Subtitle(\"H\\xC3\\xA9\\xE2\\x82\\xAC\", utf8=true, x=100, y=100)", 0, {101, 103, 128, 114}},
      {"Text(\"HH\", halo_color=$FF)", 0, {8, 2, 26, 15}},
      {"Text(\"HH\", align=5)", 0, {311, 234, 327, 245}},
      // The frame number, the timecode and the time.
      {"ShowFrameNumber()", 5, {581, 4, 637, 474}},
      {"ShowFrameNumber(scroll=true)", 13, {581, 317, 637, 331}},
      {"ShowFrameNumber(scroll=true)", 20, {581, 5, 637, 19}},
      {"ShowFrameNumber(x=100, y=100)", 5, {101, 81, 157, 95}},
      {"ShowFrameNumber(size=18)", 5, {591, 3, 637, 464}},
      {"ShowSMPTE()", 5, {257, 455, 385, 469}},
      {"ShowSMPTE(x=100, y=100)", 5, {37, 83, 165, 97}},
      {"ShowSMPTE(size=18)", 5, {268, 460, 374, 471}},
      {"ShowTime()", 5, {251, 455, 391, 469}},
      {"ShowTime(x=100, y=100)", 5, {31, 83, 171, 97}},
  };
  for (const Case& c : cases) {
    // The \x escapes above stand for the bytes a UTF-8 script holds.
    std::string call = c.call;
    for (std::size_t at; (at = call.find("\\x")) != std::string::npos;)
      call.replace(at, 4, 1, static_cast<char>(std::stoi(call.substr(at + 2, 2), nullptr, 16)));
    const Box ours = ChangedBox(Eval(kBlack + "." + call), c.frame);
    EXPECT_TRUE(Near(ours, c.reference)) << call << " frame " << c.frame << ": " << ours << ", AviSynth "
                                         << c.reference;
  }
}

TEST(TextFilters, EveryPixelTypeTakesTheTextInItsPlanes) {
  // Half-transparent white on a blue-grey: the same place in every type.
  for (const char* type : {"RGB24", "RGB32", "YUY2", "YV12", "YV16", "YV24", "Y8"}) {
    const std::string base =
        std::string("BlankClip(width=640, height=480, pixel_type=\"") + type + "\", color=$204060)";
    const Box box = ChangedBox(Eval(base + ".Subtitle(\"Hello\", text_color=$40FFFFFF)"), Eval(base));
    EXPECT_TRUE(Near(box, Box{8, 2, 56, 15}, 3)) << type << ": " << box;
  }
  // Opaque white is white where a glyph covers a pixel fully; a quarter
  // transparent lies between the background and white; fully transparent
  // text and halo leave the frame alone.
  const auto full = Eval(
      "BlankClip(width=64, height=32, pixel_type=\"Y8\", color=$000000).Subtitle(\"H\", text_color=$FFFFFF, "
      "size=32, x=0, y=0)");
  FramePtr f = full->GetFrame(0);
  EXPECT_EQ(*std::max_element(f->pixels.begin(), f->pixels.end()), 235);
  const auto part = Eval(
      "BlankClip(width=64, height=32, pixel_type=\"Y8\", color=$000000).Subtitle(\"H\", text_color=$40FFFFFF, "
      "size=32, x=0, y=0)");
  FramePtr g = part->GetFrame(0);
  const int brightest = *std::max_element(g->pixels.begin(), g->pixels.end());
  EXPECT_NEAR(brightest, 16 + (235 - 16) * 191 / 255, 2);
  const auto none = Eval(kBlack + ".Subtitle(\"Hello\", text_color=$FF000000, halo_color=$FF0000FF)");
  EXPECT_LT(ChangedBox(none).right, 0);
}

TEST(TextFilters, FramesOutsideTheRangeAreLeftAlone) {
  const auto clip = Eval(kBlack + ".Subtitle(\"Hello\", first_frame=3, last_frame=5)");
  EXPECT_LT(ChangedBox(clip, 2).right, 0);
  EXPECT_GE(ChangedBox(clip, 3).right, 0);
  EXPECT_GE(ChangedBox(clip, 5).right, 0);
  EXPECT_LT(ChangedBox(clip, 6).right, 0);
  EXPECT_LT(ChangedBox(Eval(kBlack + ".Subtitle(\"H\", last_frame=-1)")).right, 0);
  // The sound and the description pass through.
  const auto sub = Eval("BlankClip(length=7, width=32, height=16, audio_rate=8000).Subtitle(\"x\")");
  EXPECT_EQ(SizeOf(sub), (Size{32, 16, 7}));
  EXPECT_EQ(sub->Info().audio.sampleRate, 8000);
}

TEST(TextFilters, GeneratedClipsHaveAviSynthsSizes) {
  const auto message = Eval("MessageClip(\"Hello\")");
  EXPECT_EQ(SizeOf(message), (Size{72, 34, 240}));
  EXPECT_EQ(message->Info().pixelType, PixelType::RGB32);
  EXPECT_TRUE(Near(ChangedBox(message), Box{5, 8, 62, 22})) << ChangedBox(message);
  EXPECT_EQ(SizeOf(Eval("MessageClip(\"Hello\", width=320, height=200)")), (Size{320, 200, 240}));
  EXPECT_EQ(SizeOf(Eval("MessageClip(\"Hi\\nthere\")")), (Size{120, 34, 240}));  // one line
  const auto version = Eval("Version()");
  EXPECT_EQ(SizeOf(version), (Size{456, 106, 240}));
  EXPECT_EQ(version->Info().pixelType, PixelType::RGB24);
  const Box v = ChangedBox(version);
  EXPECT_TRUE(v.left <= 4 && v.top <= 8 && v.bottom >= 90) << v;
  const auto info = Eval(kBlack + ".Info()");
  const Box i = ChangedBox(info, 5);
  EXPECT_TRUE(Near(Box{i.left, i.top, 0, 0}, Box{8, 3, 0, 0})) << i;
  EXPECT_GT(i.bottom, 230);  // a line for each of the clip's facts, the sound's too
}

TEST(TextFilters, RefusalsInAviSynthsWords) {
  EXPECT_EQ(Message(EvalError(kBlack + ".Subtitle(\"H\", align=10)")),
            "SimpleText: Align values are 1 - 9 mapped to your numeric pad");
  EXPECT_EQ(Message(EvalError(kBlack + ".Subtitle(\"H\", align=0)")),
            "SimpleText: Align values are 1 - 9 mapped to your numeric pad");
  EXPECT_EQ(Message(EvalError(kBlack + ".Subtitle(\"H\", font_filename=\"no-such.ttf\")")).substr(0, 17),
            "SimpleText: file ");
  EXPECT_EQ(Message(EvalError(kBlack + ".Subtitle(\"H\", font_filename=\"/dev/zero\")")),
            "SimpleText: file /dev/zero not found or unknown file format");
  EXPECT_EQ(Message(EvalError("BlankClip(fps=25.5).ShowSMPTE()")),
            "ShowSMPTE: rate argument must be 23.976, 29.97 or an integer");
  EXPECT_EQ(EvalError("BlankClip(fps=29.97).ShowSMPTE()"), "");
  EXPECT_EQ(EvalError("BlankClip(fps=25.5).ShowSMPTE(fps=24)"), "");
  EXPECT_EQ(Message(EvalError("BlankClip().ShowSMPTE(offset=\"1:2\")")),
            "ShowSMPTE: offset should be of the form \"00:00:00:00\" ");
  // Huge positions and spacings draw nothing and allocate nothing large.
  EXPECT_LT(ChangedBox(Eval(kBlack + ".Subtitle(\"H\", x=9999999, y=-9999999)")).right, 0);
  EXPECT_LT(ChangedBox(Eval(kBlack + ".Subtitle(\"H\\nH\\nH\", lsp=2147483647, y=-100)")).right, 0);
}

TEST(TextRaster, GridAndDecoding) {
  struct Step {
    int size, width, height;
  };
  for (const Step s : {Step{1, 6, 12}, Step{13, 6, 12}, Step{15, 8, 14}, Step{17, 8, 16}, Step{19, 10, 18},
                       Step{23, 11, 22}, Step{27, 12, 24}, Step{31, 14, 28}, Step{500, 16, 32}}) {
    const engine::TextGrid g = engine::TextGridFor(s.size);
    EXPECT_EQ(g.cellWidth, s.width) << s.size;
    EXPECT_EQ(g.cellHeight, s.height) << s.size;
  }
  EXPECT_EQ(engine::DecodeUtf8("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), (std::u32string{U'a', 0xE9, 0x20AC, 0x1F600}));
  EXPECT_EQ(engine::DecodeUtf8("\xC3"), std::u32string{0xFFFD});
  EXPECT_EQ(engine::DecodeUtf8("\x80z"), (std::u32string{0xFFFD, U'z'}));
  EXPECT_EQ(engine::DecodeLatin1("\xE9"), std::u32string{0xE9});
  // A mask grows by one pixel all round.
  engine::CoverageMask m(5, 5);
  m.At(2, 2) = 200;
  const engine::CoverageMask d = engine::Dilate(m);
  int covered = 0;
  for (std::uint8_t v : d.cover) covered += v == 200;
  EXPECT_EQ(covered, 9);
  EXPECT_EQ(d.At(0, 0), 0);
}

}  // namespace
}  // namespace tandemix::test
