// Histogram: pictures of a clip's levels drawn beside it or in its place.
//
//   classic      per row, how many pixels have each luma level, 256
//                columns to the right of the picture (bright = many);
//   levels       the distribution of each plane over the whole frame,
//                three bar charts of 64 rows one under the other;
//   color        U against V over the frame, a 256x256 square;
//   color2       each pixel's chroma as a point in a hue circle;
//   luma         the picture's luma levels with the low bits enlarged;
//   audiolevels  the sound's peak and mean levels per channel as bars.
//
// The tables and limits are those of studio-range 8-bit video: markers
// paint the levels below 16 and above 235.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/ParallelFor.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/filters/FrameOps.h"
#include "engine/frames/FrameBudget.h"
#include "engine/frames/FrameCopy.h"
#include "engine/frames/FrameLimits.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

enum class HistogramMode { Classic, Levels, Color, Color2, Luma, AudioLevels };

HistogramMode ModeOf(const std::string& name) {
  const std::string m = LowerCase(name);
  if (m == "levels") return HistogramMode::Levels;
  if (m == "color") return HistogramMode::Color;
  if (m == "color2") return HistogramMode::Color2;
  if (m == "luma") return HistogramMode::Luma;
  if (m == "audiolevels") return HistogramMode::AudioLevels;
  if (m == "stereo" || m == "stereoy8" || m == "stereooverlay")
    throw FilterError("Histogram: the stereo modes are not available");
  return HistogramMode::Classic;  // any other name draws the classic picture
}

// How bright a count of pixels is drawn in the classic picture: from 16 for
// none towards 235, half way at about 42.
const std::array<std::uint8_t, 256>& CountShades() {
  static const std::array<std::uint8_t, 256> table = [] {
    std::array<std::uint8_t, 256> t{};
    const double k = std::log(0.5 / 219.0) / 255.0;
    t[0] = 16;
    for (int i = 1; i < 256; ++i)
      t[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(16.5 + 219.0 * (1.0 - std::exp(i * k)));
    return t;
  }();
  return table;
}

// The columns the markers paint: levels outside 16..235, and the middle
// column (125 in planar pictures, 124 in YUY2).
bool OutOfRange(int level) { return level < 16 || level > 235; }

struct Settings {
  HistogramMode mode = HistogramMode::Classic;
  double factor = 100.0;
  bool keepSource = true;
  bool markers = true;
};

class HistogramClip : public Clip {
 public:
  HistogramClip(ClipPtr child, const ClipInfo& info, const Settings& s)
      : Clip(info), child_(std::move(child)), s_(s), pool_("Histogram") {
    PassAudioFrom(child_);
  }

  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    const FramePtr src = Owned(child_->GetFrame(n));
    auto out = pool_.Take(info_, FramePool::Fill::Black);
    switch (s_.mode) {
      case HistogramMode::Classic:
        DrawClassic(*src, *out);
        break;
      default:
        break;
    }
    return out;
  }

 private:
  // The source at the left of the picture, when it is kept.
  void CopySource(const FrameBGR& src, FrameBGR& out) const {
    for (int p = 0; p < src.Planes(); ++p)
      for (int y = 0; y < src.PlaneHeight(p); ++y)
        std::memcpy(out.Row(p, y), src.Row(p, y), static_cast<std::size_t>(src.PlaneWidth(p)));
  }

  void DrawClassic(const FrameBGR& src, FrameBGR& out) const {
    if (s_.keepSource) CopySource(src, out);
    const PixelType t = src.type;
    const bool packed = t == PixelType::YUY2;
    const int step = packed ? 2 : 1;
    const int left = s_.keepSource ? src.width : 0;  // the histogram's first column
    const int middle = packed ? 124 : 125;
    const auto& shade = CountShades();
    const bool markers = s_.markers;
    ParallelFor(src.height, src.width + 256LL, [&](int begin, int end) {
      for (int y = begin; y < end; ++y) {
        int count[256] = {};
        const std::uint8_t* s = src.Row(0, y);
        for (int x = 0; x < src.width; ++x) ++count[s[x * step]];
        std::uint8_t* d = out.Row(0, y) + static_cast<std::size_t>(left * step);
        for (int level = 0; level < 256; ++level) {
          const int shown = shade[static_cast<std::size_t>(std::min(count[level], 255))];
          const bool marked = markers && (OutOfRange(level) || level == middle);
          d[level * step] = static_cast<std::uint8_t>(marked ? std::min(shown + 68, 235) : shown);
          if (packed) d[level * step + 1] = 128;
        }
        if (packed) {
          // Chroma of the pairs of columns: U then V.
          for (int c = 0; c < 128; ++c) {
            std::uint8_t u = 128, v = 128;
            if (markers && OutOfRange(2 * c)) u = 16, v = 160;
            if (markers && 2 * c == middle) u = 160, v = 16;
            d[4 * c + 1] = u;
            d[4 * c + 3] = v;
          }
        }
      }
    });
    if (packed || src.Planes() == 1) return;
    const int sx = ChromaShiftX(t);
    const int cleft = left >> sx;
    for (int y = 0; y < out.PlaneHeight(1); ++y) {
      std::uint8_t* u = out.Row(1, y) + cleft;
      std::uint8_t* v = out.Row(2, y) + cleft;
      for (int c = 0; c < (256 >> sx); ++c) {
        const int level = c << sx;
        u[c] = v[c] = 128;
        if (markers && OutOfRange(level)) u[c] = 16, v[c] = 160;
        if (markers && level == middle) u[c] = 160, v[c] = 16;
      }
    }
  }

  ClipPtr child_;
  Settings s_;
  FramePool pool_;
};

// Histogram(clip, mode, factor, bits, keepsource, markers).
Value Histogram(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  ClipInfo info = clip->Info();
  const PixelType t = info.pixelType;
  Settings s;
  s.mode = ModeOf(a.String("mode", "classic"));
  s.keepSource = a.Bool("keepsource", true);
  s.markers = a.Bool("markers", true);
  const int bits = a.Int("bits", 8);
  if (bits < 8 || bits > 12) throw FilterError("Histogram: bits parameter can only be 8, 9 .. 12");
  if (bits != 8 && s.mode == HistogramMode::AudioLevels)
    throw FilterError("Histogram: this histogram type is available only for 8 bit formats and parameters");
  if (bits != 8) throw FilterError("Histogram: only bits=8 is available for 8-bit clips");
  if (a.Has("factor")) {
    if (s.mode != HistogramMode::Levels) throw FilterError("Histogram: Unknown optional value.");
    s.factor = a.Float("factor");
    if (s.factor < 0.0 || s.factor > 100.0)
      throw FilterError("Histogram: Levels population clamping must be between 0 and 100%");
  }
  const bool rgb = IsRGBType(t);
  switch (s.mode) {
    case HistogramMode::Classic:
      if (rgb) throw FilterError("Histogram: YUV(A) data only");
      info.width = s.keepSource ? info.width + 256 : 256;
      break;
    default:
      throw FilterError("Histogram: this mode is not available yet");
  }
  CheckFrameSize("Histogram", info.width, info.height);
  return Value::Clip(std::make_shared<HistogramClip>(std::move(clip), info, s));
}

}  // namespace

void RegisterHistogramFunctions(FunctionTable& t) {
  t.Add("Histogram",
        {Req("clip", ParamType::Clip), Opt("mode", ParamType::String), Opt("factor", ParamType::Float),
         Opt("bits", ParamType::Int), Opt("keepsource", ParamType::Bool), Opt("markers", ParamType::Bool)},
        Histogram);
}

}  // namespace tandemix::engine
