// Overlay onto 4:2:0 and 4:2:2 bases of an overlay of another type (4:4:4
// or RGB), at odd places and of odd sizes, against the plane sums the
// reference engine gives: blend, luma and chroma box the overlay's chroma
// down to the base's (and cannot take an odd size), the other modes work
// on it in 4:4:4.
#include <string>
#include <vector>

#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

const std::string kPictures =
    "a = BlankClip(width=40, height=30, pixel_type=\"YV24\").Expr(\"sx 37 * sy 91 * + sx sy * 3 * + 256 %\", "
    "\"sx 11 * sy 5 * + sx sy * + 256 %\", \"sx 3 * sy 17 * + sx sy * 7 * + 256 %\")\n"
    "b = BlankClip(width=40, height=30, pixel_type=\"YV24\").Expr(\"sx 13 * sy 29 * + sx sy * 5 * + 7 % 99 +\", "
    "\"sx 7 * sy 23 * + sx sy * 2 * + 256 %\", \"sx 31 * sy 3 * + sx sy * 11 * + 256 %\")\n";

TEST(OverlaySubsampled, GivesAviSynthsSums) {
  const std::pair<const char*, std::vector<long long>> cases[] = {
      {R"(Overlay(a.ConvertToYV12(), b.Crop(0, 0, 16, 12), x=3, y=5))", {148684, 37133, 37539}},
      {R"(Overlay(a.ConvertToYV16(), b.Crop(0, 0, 16, 12), mode="add", x=-3, y=-5))", {161124, 75408, 76658}},
      {R"(Overlay(a.ConvertToYV12(), b.ConvertToRGB32().Crop(0, 0, 16, 12), x=4, y=2))", {149287, 37050, 37721}},
      {R"(Overlay(a.ConvertToYV12(), b.Crop(0, 0, 16, 12), mode="chroma", opacity=0.7))", {153692, 37793, 38126}},
      {R"(Overlay(a.ConvertToYV12(), b.Crop(0, 0, 15, 11), mode="multiply", x=3, y=5))", {140576, 37382, 38093}},
      {R"(Overlay(a.ConvertToYV12(), b.Crop(0, 0, 15, 11), mode="add", x=-3, y=-5))", {159539, 37786, 38374}},
      {R"(Overlay(a.ConvertToYUY2(), b.Crop(0, 0, 15, 11), mode="lighten", x=7, y=2))", {157111, 74291, 75799}},
      {R"(Overlay(a.ConvertToYUY2(), b.Crop(0, 0, 16, 12), x=7, y=2, opacity=0.6))", {150704, 74204, 75572}},
  };
  for (const auto& [call, sums] : cases) EXPECT_EQ(ChannelSums(*Eval(kPictures + call)->GetFrame(0)), sums) << call;
}

TEST(OverlaySubsampled, AnOddOverlayFailsToBlendWhenAFrameIsAskedFor) {
  const engine::ClipPtr clip = Eval(kPictures + "Overlay(a.ConvertToYV12(), b.Crop(0, 0, 15, 11), x=-3, y=-5)");
  EXPECT_EQ(clip->Info().width, 40);
  try {
    clip->GetFrame(0);
    ADD_FAILURE() << "an odd overlay was blended";
  } catch (const std::exception& e) {
    EXPECT_EQ(Message(e.what()), "Filter Error: Attempted to request a planar frame that wasn't mod2 in width!");
  }
}

}  // namespace
}  // namespace tandemix::test
