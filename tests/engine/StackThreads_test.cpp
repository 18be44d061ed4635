// Stacks make their views at once on the shared worker pool: a source, resizer or
// still shared by several views must still give each view the right frame,
// and a failing view must be reported as it would be one view at a time.
#include <vector>

#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

class StackThreads : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    ASSERT_TRUE(MakeTestVideo(Video(), 64, 48, 30));
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static std::string Video() { return folder_->File("shared view.mp4"); }
  // The views are sliced as RGB24 rows below, so the source is asked for RGB24.
  static std::string Source() { return "v = OpenSource(\"" + Video() + "\", pixel_type=\"RGB24\")\n"; }

  // Slice `index` (64 pixels wide) of a stacked frame.
  static FrameBGR Part(const FrameBGR& stacked, int index) {
    FrameBGR part(64, stacked.height);
    for (int y = 0; y < part.height; ++y)
      std::copy_n(stacked.Row(y) + index * part.Stride(), part.Stride(), part.Row(y));
    return part;
  }

  static TempFolder* folder_;
};

TempFolder* StackThreads::folder_ = nullptr;

TEST_F(StackThreads, ViewsSharingOneSourceGetTheirOwnFrames) {
  const std::string views = "a = v\nb = Trim(v, 7, 0)\nc = Lanczos4Resize(v, 64, 48, 2, 2, 60, 44)\n";
  const engine::ClipPtr stacked = Eval(Source() + views + "StackHorizontal(a, b, c, c, a)");
  const engine::ClipPtr a = Eval(Source() + views + "a");
  const engine::ClipPtr b = Eval(Source() + views + "b");
  const engine::ClipPtr c = Eval(Source() + views + "c");
  // In order, then jumping about, so that the shared source seeks too.
  for (int n : {0, 1, 2, 3, 29, 4, 17, 16, 28}) {
    SCOPED_TRACE(n);
    const FrameBGR f = *stacked->GetFrame(n);
    ASSERT_EQ(f.width, 5 * 64);
    EXPECT_EQ(Part(f, 0).pixels, a->GetFrame(n)->pixels);
    EXPECT_EQ(Part(f, 1).pixels, b->GetFrame(n)->pixels);  // b repeats its last frame past 22
    EXPECT_EQ(Part(f, 2).pixels, c->GetFrame(n)->pixels);
    EXPECT_EQ(Part(f, 3).pixels, c->GetFrame(n)->pixels);
    EXPECT_EQ(Part(f, 4).pixels, a->GetFrame(n)->pixels);
  }
  // Views of a shared still, stacked the other way.
  const FrameBGR still = *Eval("s = BlankClip(width=64, height=4, color=$102030)\nStackVertical(s, s, s)")->GetFrame(3);
  ASSERT_EQ(still.height, 12);
  EXPECT_EQ(PixelAt(still, 63, 11), (Bgr{0x30, 0x20, 0x10}));
}

// Nodes make their frames over once nobody holds them any more; a frame
// still held keeps its pixels, and a frame made over is black where the
// node leaves it black.
TEST_F(StackThreads, FramesStillHeldAreNotMadeOver) {
  const std::string chain = Source() + "zoom(v, angle=\"30\")\nAddBorders(2, 2, 2, 2)\nCrop(1, 1, -1, -1)\n";
  const engine::ClipPtr clip = Eval(chain + "StackHorizontal(last, last)");
  const engine::ClipPtr fresh = Eval(chain + "StackHorizontal(last, last)");
  const FramePtr held = clip->GetFrame(0);
  const std::vector<std::uint8_t> first = held->pixels;
  for (int n = 1; n < 6; ++n) {
    SCOPED_TRACE(n);
    const FrameBGR f = *clip->GetFrame(n);  // copied, so the node may make it over
    EXPECT_EQ(f.pixels, fresh->GetFrame(n)->pixels);
    EXPECT_EQ(PixelAt(f, 0, 0), (Bgr{0, 0, 0}));  // a border
    EXPECT_EQ(PixelAt(f, 2, 2), (Bgr{0, 0, 0}));  // a corner the turned picture leaves
  }
  EXPECT_EQ(held->pixels, first);
  EXPECT_EQ(first, fresh->GetFrame(0)->pixels);
}

TEST_F(StackThreads, TheFirstFailingViewIsReported) {
  FrameBGR picture(64, 48);
  SaveBmp24(folder_->File("pic0.bmp"), picture);
  // pic1.bmp and pic2.bmp cannot be shown: their size is not the first one's.
  SaveBmp24(folder_->File("pic1.bmp"), FrameBGR(32, 48));
  SaveBmp24(folder_->File("pic2.bmp"), FrameBGR(64, 24));
  const std::string script = "i = ImageSource(\"" + folder_->File("pic%d.bmp") + "\", 0, 2)\n" +
                             "StackHorizontal(BlankClip(i), Trim(i, 1, 0), i)";
  const engine::ClipPtr stacked = Eval(script);
  try {
    stacked->GetFrame(0);
    FAIL() << "frame 0 needs pic1.bmp, which does not fit";
  } catch (const TandemixError& e) {
    EXPECT_NE(std::string(e.what()).find("pic1.bmp"), std::string::npos) << e.what();
  }
  // Frame 1: the middle view wants pic2.bmp and the last one pic1.bmp; the
  // middle one comes first, whichever thread fails first.
  for (int attempt = 0; attempt < 5; ++attempt) {
    try {
      stacked->GetFrame(1);
      FAIL() << "frame 1 needs pictures that do not fit";
    } catch (const TandemixError& e) {
      EXPECT_NE(std::string(e.what()).find("pic2.bmp"), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace tandemix::test
