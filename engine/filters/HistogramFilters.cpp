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
  int bits = 8;  // the classic picture's columns: 2^bits
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
      case HistogramMode::Levels:
        DrawLevels(*src, *out);
        break;
      case HistogramMode::Color:
        DrawColor(*src, *out);
        break;
      case HistogramMode::Luma:
        DrawLuma(*src, *out);
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

  // With bits above 8 the histogram has 2^bits columns and level v counts
  // in column v << (bits - 8); the markers' limits move alike, the middle
  // marker to (125 << s) + 2^(s-1) - 1. YUY2 draws its 256 columns at the
  // left of the wider area (the rest stays black).
  void DrawClassic(const FrameBGR& src, FrameBGR& out) const {
    if (s_.keepSource) CopySource(src, out);
    const PixelType t = src.type;
    const bool packed = t == PixelType::YUY2;
    const int step = packed ? 2 : 1;
    const int shift = packed ? 0 : s_.bits - 8, columns = 256 << shift;
    const int left = s_.keepSource ? src.width : 0;  // the histogram's first column
    const int middle = ((packed ? 124 : 125) << shift) + std::max(0, (1 << shift) / 2 - 1);
    const int low = 16 << shift, high = 235 << shift;
    auto outside = [&](int column) { return column < low || column > high; };
    const auto& shade = CountShades();
    const bool markers = s_.markers;
    ParallelFor(src.height, src.width + static_cast<long long>(columns), [&](int begin, int end) {
      std::vector<int> count(static_cast<std::size_t>(columns));
      for (int y = begin; y < end; ++y) {
        std::fill(count.begin(), count.end(), 0);
        const std::uint8_t* s = src.Row(0, y);
        for (int x = 0; x < src.width; ++x) ++count[static_cast<std::size_t>(s[x * step] << shift)];
        std::uint8_t* d = out.Row(0, y) + static_cast<std::size_t>(left * step);
        for (int column = 0; column < columns; ++column) {
          const int shown = shade[static_cast<std::size_t>(std::min(count[static_cast<std::size_t>(column)], 255))];
          const bool marked = markers && (outside(column) || column == middle);
          d[column * step] = static_cast<std::uint8_t>(marked ? std::min(shown + 68, 235) : shown);
          if (packed) d[column * step + 1] = 128;
        }
        if (packed) {
          // Chroma of the pairs of columns: U then V.
          for (int c = 0; c < columns / 2; ++c) {
            std::uint8_t u = 128, v = 128;
            if (markers && outside(2 * c)) u = 16, v = 160;
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
      for (int c = 0; c < (columns >> sx); ++c) {
        const int column = c << sx;
        u[c] = v[c] = 128;
        if (markers && outside(column)) u[c] = 16, v[c] = 160;
        if (markers && column == middle) u[c] = 160, v[c] = 16;
      }
    }
  }

  // The bar heights of one channel: counts of each level, limited to
  // `factor` percent of the pixels, scaled to 64 rows at most.
  std::array<int, 256> BarHeights(const std::array<int, 256>& count, long long pixels) const {
    const int limit = static_cast<int>(static_cast<double>(pixels) * s_.factor / 100.0);
    int most = 0;
    std::array<int, 256> heights{};
    for (int c : count) most = std::max(most, std::min(c, limit));
    if (most == 0) return heights;
    const float scale = static_cast<float>(64.0 / most);
    for (int i = 0; i < 256; ++i)
      heights[static_cast<std::size_t>(i)] = std::min(
          64, static_cast<int>(static_cast<float>(std::min(count[static_cast<std::size_t>(i)], limit)) * scale));
    return heights;
  }

  // Three (one for Y8) bar charts of 64 rows, 80 rows apart: each over a
  // background of 65 rows that shows its channel's levels, with a dotted
  // line at level 128.
  void DrawLevels(const FrameBGR& src, FrameBGR& out) const {
    if (s_.keepSource) CopySource(src, out);
    const PixelType t = src.type;
    const bool rgb = IsRGBType(t);
    const int x0 = s_.keepSource ? src.width : 0;
    const int panels = t == PixelType::Y8 ? 1 : 3;
    // Counts per panel: Y, U, V or R, G, B.
    std::array<std::array<int, 256>, 3> count{};
    std::array<long long, 3> pixels{};
    if (rgb) {
      const int bpp = BytesPerPixel(t);
      for (int y = 0; y < src.height; ++y) {
        const std::uint8_t* s = src.Row(0, y);
        for (int x = 0; x < src.width; ++x) {
          ++count[0][s[x * bpp + 2]];
          ++count[1][s[x * bpp + 1]];
          ++count[2][s[x * bpp]];
        }
      }
      pixels.fill(static_cast<long long>(src.width) * src.height);
    } else {
      for (int p = 0; p < panels; ++p) {
        for (int y = 0; y < src.PlaneHeight(p); ++y) {
          const std::uint8_t* s = src.Row(p, y);
          for (int x = 0; x < src.PlaneWidth(p); ++x) ++count[static_cast<std::size_t>(p)][s[x]];
        }
        pixels[static_cast<std::size_t>(p)] = static_cast<long long>(src.PlaneWidth(p)) * src.PlaneHeight(p);
      }
    }
    const bool markers = s_.markers;
    // The luma of a chroma panel's background: the level's colour, from
    // black at 128 to the brightest colour of that chroma at 16 and 240.
    auto chromaLuma = [](int panel, int x) {
      const int low = panel == 1 ? 210 : 170, high = panel == 1 ? 41 : 81;
      if (x < 15) return low / 2;
      if (x > 240) return high / 2;
      return x < 128 ? static_cast<int>((128 - x) * low / 112.0) : static_cast<int>((x - 128) * high / 112.0);
    };
    // Chroma of a panel's column cx in a plane subsampled by 2^shift.
    auto chromaLevel = [](int cx, int shift) {
      return cx < (15 >> shift) ? 72 : cx > (240 >> shift) ? 184 : cx << shift;
    };
    for (int k = 0; k < panels; ++k) {
      const int top = 80 * k;
      const auto heights = BarHeights(count[static_cast<std::size_t>(k)], pixels[static_cast<std::size_t>(k)]);
      for (int y = top; y <= top + 64 && markers; ++y) {
        std::uint8_t* d = out.Row(0, y);
        for (int x = 0; x < 256; ++x) {
          if (rgb) {
            std::uint8_t* px = d + (x0 + x) * BytesPerPixel(t);
            px[0] = px[1] = px[2] = 0;
            px[2 - k] = static_cast<std::uint8_t>(x);
          } else if (k == 0) {
            d[x0 + x] = static_cast<std::uint8_t>(OutOfRange(x) ? 32 : 16);
          } else {
            d[x0 + x] = static_cast<std::uint8_t>(chromaLuma(k, x));
          }
        }
      }
      if (!rgb && panels == 3 && markers) {
        const int sx = ChromaShiftX(t), sy = ChromaShiftY(t);
        for (int cy = 0; cy < out.PlaneHeight(1); ++cy) {
          const int y = cy << sy;
          if (y < top || y > top + 64) continue;
          std::uint8_t* u = out.Row(1, cy) + (x0 >> sx);
          std::uint8_t* v = out.Row(2, cy) + (x0 >> sx);
          for (int cx = 0; cx < (256 >> sx); ++cx) {
            if (k == 0) {
              const bool marked = cx < (16 >> sx) || cx > (235 >> sx);
              u[cx] = static_cast<std::uint8_t>(marked ? 16 : 128);
              v[cx] = static_cast<std::uint8_t>(marked ? 160 : 128);
            } else {
              (k == 1 ? u : v)[cx] = static_cast<std::uint8_t>(chromaLevel(cx, sx));
              (k == 1 ? v : u)[cx] = 128;
            }
          }
        }
      }
      // The dotted line at 128 runs from the gap above a panel to its end.
      for (int y = k == 0 ? 0 : top - 14; y <= top + 64 && markers; ++y) {
        if (((y >> 1) & 1) == 0) continue;
        std::uint8_t* px = out.Row(0, y) + (x0 + 128) * BytesPerPixel(t);
        for (int c = 0; c < (rgb ? 3 : 1); ++c) px[c] = 128;
      }
      for (int x = 0; x < 256; ++x) {
        for (int y = top + 66 - heights[static_cast<std::size_t>(x)]; y <= top + 65; ++y) {
          std::uint8_t* px = out.Row(0, y) + (x0 + x) * BytesPerPixel(t);
          for (int c = 0; c < (rgb ? 3 : 1); ++c) px[c] = rgb ? 255 : 235;
        }
      }
    }
  }

  // A 256x256 square where the pixel at (U, V) counts the pixels of that
  // chroma, over 16 inside the studio range and 0 outside it; its chroma
  // is the place's own.
  void DrawColor(const FrameBGR& src, FrameBGR& out) const {
    if (s_.keepSource) CopySource(src, out);
    const int x0 = s_.keepSource ? src.width : 0;
    std::vector<int> count(256 * 256, 0);
    for (int y = 0; y < src.PlaneHeight(1); ++y) {
      const std::uint8_t* u = src.Row(1, y);
      const std::uint8_t* v = src.Row(2, y);
      for (int x = 0; x < src.PlaneWidth(1); ++x) ++count[static_cast<std::size_t>(v[x] * 256 + u[x])];
    }
    for (int y = 0; y < 256; ++y) {
      std::uint8_t* d = out.Row(0, y) + x0;
      for (int x = 0; x < 256; ++x) {
        const int base = x < 16 || x > 240 || y < 16 || y > 240 ? 0 : 16;
        d[x] = static_cast<std::uint8_t>(std::min(base + count[static_cast<std::size_t>(y * 256 + x)], 235));
      }
    }
    const int sx = ChromaShiftX(src.type), sy = ChromaShiftY(src.type);
    for (int cy = 0; cy < (256 >> sy); ++cy) {
      std::uint8_t* u = out.Row(1, cy) + (x0 >> sx);
      std::uint8_t* v = out.Row(2, cy) + (x0 >> sx);
      for (int cx = 0; cx < (256 >> sx); ++cx) {
        u[cx] = static_cast<std::uint8_t>(cx << sx);
        v[cx] = static_cast<std::uint8_t>(cy << sy);
      }
    }
    // Below the square, where the source is taller, the last chroma
    // column is 0.
    const int last = (x0 >> sx) + (256 >> sx) - 1;
    for (int cy = 256 >> sy; cy < out.PlaneHeight(1); ++cy) out.Row(1, cy)[last] = out.Row(2, cy)[last] = 0;
  }

  // Each luma level's low four bits spread over the whole range, rising and
  // falling by turns (a sawtooth of period 32); chroma grey.
  void DrawLuma(const FrameBGR& src, FrameBGR& out) const {
    const bool packed = src.type == PixelType::YUY2;
    ParallelFor(src.height, src.width * 2LL, [&](int begin, int end) {
      for (int y = begin; y < end; ++y) {
        const std::uint8_t* s = src.Row(0, y);
        std::uint8_t* d = out.Row(0, y);
        for (int x = 0; x < src.PlaneWidth(0); ++x) {
          if (packed && (x & 1)) {
            d[x] = 128;
            continue;
          }
          const int level = s[x];
          d[x] = static_cast<std::uint8_t>((level & 16) ? 255 - (level & 15) * 16 : (level & 15) * 16);
        }
      }
    });
    for (int p = 1; p < out.Planes(); ++p)
      for (int y = 0; y < out.PlaneHeight(p); ++y)
        std::memset(out.Row(p, y), 128, static_cast<std::size_t>(out.PlaneWidth(p)));
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
  if (bits != 8 && s.mode != HistogramMode::Classic)
    throw FilterError("Histogram: bits other than 8 are available in the classic mode only");
  s.bits = bits;
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
      info.width = s.keepSource ? info.width + (1 << bits) : 1 << bits;
      break;
    case HistogramMode::Levels:
      if (t == PixelType::YUY2) throw FilterError("Histogram: Levels mode only available in PLANAR.");
      info.width = s.keepSource ? info.width + 256 : 256;
      info.height = s.keepSource ? std::max(info.height, 256) : 256;
      break;
    case HistogramMode::Color:
    case HistogramMode::Color2: {
      const char* name = s.mode == HistogramMode::Color ? "Color" : "Color2";
      if (rgb) throw FilterError(std::string("Histogram: ") + name + " mode is not available in RGB.");
      if (t == PixelType::YUY2)
        throw FilterError(std::string("Histogram: ") + name + " mode only available in PLANAR.");
      if (t == PixelType::Y8)
        throw FilterError(std::string("Histogram: ") + name + " mode not available in greyscale.");
      info.width = s.keepSource ? info.width + 256 : 256;
      info.height = s.keepSource ? std::max(info.height, 256) : 256;
      break;
    }
    case HistogramMode::Luma:
      if (rgb) throw FilterError("Histogram: Luma mode only available in YUV(A).");
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
