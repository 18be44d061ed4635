// Levels and colour tables: Levels, RGBAdjust, Limiter (ColorYUV has a file
// of its own).
// Each builds byte tables once, when the filter is made, and applies them
// over the rows on the pool; with dither a table has 256 entries per
// level, picked by a 16x16 ordered pattern.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "base/ParallelFor.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/filters/FrameOps.h"
#include "engine/frames/FrameLimits.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

int ClampInt(int v, int lo, int hi) { return std::clamp(v, lo, hi); }

// The ordered dither pattern: a 4x4 order in the high four bits of the
// place inside each 4x4 block, and the same order in the low four bits of
// the block's place inside the 16x16 tile.
int DitherAt(int x, int y) {
  static constexpr int kOrder[4][4] = {{0, 11, 6, 13}, {12, 7, 9, 2}, {3, 8, 5, 14}, {15, 4, 10, 1}};
  return (kOrder[y & 3][x & 3] << 4) | kOrder[(y >> 2) & 3][(x >> 2) & 3];
}
const std::array<std::uint8_t, 256>& DitherPattern() {
  static const std::array<std::uint8_t, 256> pattern = [] {
    std::array<std::uint8_t, 256> p{};
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) p[static_cast<std::size_t>(y * 16 + x)] = static_cast<std::uint8_t>(DitherAt(x, y));
    return p;
  }();
  return pattern;
}

// Tables with 256 entries per input level (index level * 256 + dither),
// per channel as ChannelTables numbers them.
struct DitherTables {
  std::array<std::vector<std::uint8_t>, 4> t;
};

// Applies dithered tables: the pattern is taken at the pixel's place in the
// picture as AviSynth stores it (RGB rows bottom up).
void ApplyDitherTables(const FrameBGR& src, FrameBGR& out, const DitherTables& tables) {
  const auto& pattern = DitherPattern();
  const PixelType type = src.type;
  ForEachPlaneRows(src, 3, [&](int p, int begin, int end) {
    const int width = src.PlaneWidth(p);
    const int rows = src.PlaneHeight(p);
    for (int y = begin; y < end; ++y) {
      const std::uint8_t* s = src.Row(p, y);
      std::uint8_t* d = out.Row(p, y);
      const int storedY = IsRGBType(type) ? rows - 1 - y : y;
      const std::uint8_t* line = &pattern[static_cast<std::size_t>((storedY & 15) * 16)];
      if (IsPlanarType(type)) {
        const std::uint8_t* t = tables.t[static_cast<std::size_t>(p)].data();
        for (int x = 0; x < width; ++x) d[x] = t[(s[x] << 8) | line[x & 15]];
      } else if (type == PixelType::YUY2) {
        for (int x = 0; x < width; ++x) {
          const std::uint8_t* t = tables.t[static_cast<std::size_t>(PackedChannel(type, x))].data();
          d[x] = t[(s[x] << 8) | line[((x & 1) ? x >> 2 : x >> 1) & 15]];
        }
      } else {
        const int bpp = BytesPerPixel(type);
        for (int x = 0; x < width; ++x) {
          const std::uint8_t* t = tables.t[static_cast<std::size_t>(PackedChannel(type, x))].data();
          d[x] = t[(s[x] << 8) | line[(x / bpp) & 15]];
        }
      }
    }
  });
}

// A filter of per-channel tables, plain or dithered.
ClipPtr TableFilter(ClipPtr clip, const char* name, const ChannelTables& plain) {
  const ClipInfo info = clip->Info();
  return MakeFrameOp(std::move(clip), info, name,
                     [plain](const FrameBGR& s, FrameBGR& d) { ApplyTables(s, d, plain); });
}
ClipPtr DitherFilter(ClipPtr clip, const char* name, std::shared_ptr<const DitherTables> tables) {
  const ClipInfo info = clip->Info();
  return MakeFrameOp(std::move(clip), info, name,
                     [tables](const FrameBGR& s, FrameBGR& d) { ApplyDitherTables(s, d, *tables); });
}

// Levels(input_low, gamma, input_high, output_low, output_high, coring, dither).
Value Levels(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  const double inLow = a.Float("input_low"), inHigh = a.Float("input_high");
  const double outLow = a.Float("output_low"), outHigh = a.Float("output_high");
  double gamma = a.Float("gamma");
  const bool coring = a.Bool("coring", true), dither = a.Bool("dither", false);
  if (gamma <= 0.0) throw FilterError("Levels: gamma must be positive");
  gamma = 1.0 / gamma;
  const double divisor = inLow == inHigh ? 1.0 : inHigh - inLow;
  const int scale = dither ? 256 : 1;
  const double bias = dither ? -127.5 : 0.0;
  const bool yuv = IsYUVType(clip->Info().pixelType);
  auto luma = [&](int i) {
    double p = (bias + i) / scale;
    if (yuv && coring) p = (p - 16) * (255.0 / 219.0);
    // For RGB the place in the input range is held in single precision.
    const double place = yuv ? (p - inLow) / divisor : static_cast<float>((p - inLow) / divisor);
    p = std::pow(std::clamp(place, 0.0, 1.0), gamma);
    p = p * (outHigh - outLow) + outLow;
    if (yuv && coring) return ClampInt(static_cast<int>(p * (219.0 / 255.0) + 16.5), 16, 235);
    return ClampInt(static_cast<int>(p + 0.5), 0, 255);
  };
  auto chroma = [&](int i) {
    const double q = ((bias + i) / scale - 128) * (outHigh - outLow) / divisor + 128;
    return ClampInt(static_cast<int>(q + 0.5), coring ? 16 : 0, coring ? 240 : 255);
  };
  auto fill = [&](auto&& table, int count) {
    for (int c = 0; c < 4; ++c)
      for (int i = 0; i < count; ++i)
        table(c)[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(!yuv     ? luma(i)
                                                                          : c == 0 ? luma(i)
                                                                                   : chroma(i));
  };
  if (dither) {
    auto tables = std::make_shared<DitherTables>();
    for (auto& t : tables->t) t.resize(256 * 256);
    fill([&](int c) -> std::vector<std::uint8_t>& { return tables->t[static_cast<std::size_t>(c)]; }, 256 * 256);
    return Value::Clip(DitherFilter(std::move(clip), "Levels", tables));
  }
  ChannelTables tables;
  fill([&](int c) -> ByteTable& { return tables.t[static_cast<std::size_t>(c)]; }, 256);
  return Value::Clip(TableFilter(std::move(clip), "Levels", tables));
}

// RGBAdjust: per channel, (bias + level * factor) / 255 raised to 1/gamma.
Value RGBAdjust(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  if (!IsRGBType(clip->Info().pixelType)) throw FilterError("RGBAdjust requires RGB input");
  const double factor[4] = {a.Float("b", 1.0), a.Float("g", 1.0), a.Float("r", 1.0), a.Float("a", 1.0)};
  const double bias[4] = {a.Float("bb", 0.0), a.Float("gb", 0.0), a.Float("rb", 0.0), a.Float("ab", 0.0)};
  const double gamma[4] = {a.Float("bg", 1.0), a.Float("gg", 1.0), a.Float("rg", 1.0), a.Float("ag", 1.0)};
  for (double g : gamma)
    if (g <= 0.0) throw FilterError("RGBAdjust: gammas must be positive");
  const bool dither = a.Bool("dither", false);
  auto level = [&](int c, double i, double b) {
    const double v = std::pow(std::clamp((b + i * factor[c]) / 255.0, 0.0, 1.0), 1.0 / gamma[c]);
    return static_cast<std::uint8_t>(static_cast<int>(v * 255.0 + 0.5));
  };
  ClipPtr out;
  if (dither) {
    auto tables = std::make_shared<DitherTables>();
    for (int c = 0; c < 4; ++c) {
      auto& t = tables->t[static_cast<std::size_t>(c)];
      t.resize(256 * 256);
      for (int i = 0; i < 256 * 256; ++i) t[static_cast<std::size_t>(i)] = level(c, (i - 127.5) / 256.0, bias[c]);
    }
    out = DitherFilter(std::move(clip), "RGBAdjust", tables);
  } else {
    ChannelTables tables;
    for (int c = 0; c < 4; ++c)
      for (int i = 0; i < 256; ++i)
        tables.t[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] = level(c, i, bias[c]);
    out = TableFilter(std::move(clip), "RGBAdjust", tables);
  }
  return Value::Clip(out);
}

// Limiter(min_luma, max_luma, min_chroma, max_chroma, show): YUV levels
// kept to the range; show paints what would be cut instead.
Value Limiter(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  const PixelType t = clip->Info().pixelType;
  const int minY = a.Int("min_luma", 16), maxY = a.Int("max_luma", 235);
  const int minC = a.Int("min_chroma", 16), maxC = a.Int("max_chroma", 240);
  const std::string show = LowerCase(a.String("show", "none"));
  int mode = -1;
  const char* modes[] = {"luma", "luma_grey", "chroma", "chroma_grey"};
  for (int i = 0; i < 4; ++i)
    if (show == modes[i]) mode = i;
  if (mode < 0 && show != "none")
    throw FilterError("Limiter: show must be \"luma\", \"luma_grey\", \"chroma\" or \"chroma_grey\"");
  if (!IsYUVType(t)) throw FilterError("Limiter: Source must be YUV or YUVA");
  if (minY < 0 || minY > 255) throw FilterError("Limiter: Invalid minimum luma");
  if (maxY < 0 || maxY > 255) throw FilterError("Limiter: Invalid maximum luma");
  if (minC < 0 || minC > 255) throw FilterError("Limiter: Invalid minimum chroma");
  if (maxC < 0 || maxC > 255) throw FilterError("Limiter: Invalid maximum chroma");
  if (mode < 0) {
    ChannelTables tables;
    for (int i = 0; i < 256; ++i) {
      tables.t[0][static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(std::clamp(i, minY, std::max(minY, maxY)));
      tables.t[1][static_cast<std::size_t>(i)] = tables.t[2][static_cast<std::size_t>(i)] =
          static_cast<std::uint8_t>(std::clamp(i, minC, std::max(minC, maxC)));
    }
    return Value::Clip(TableFilter(std::move(clip), "Limiter", tables));
  }
  if (t != PixelType::YV24 && t != PixelType::YV12 && t != PixelType::YUY2)
    throw FilterError("Limiter: Source must be YUV(A) 4:4:4, 4:2:0 or YUY2 with show option.");
  const ClipInfo info = clip->Info();
  return Value::Clip(MakeFrameOp(std::move(clip), info, "Limiter", [=](const FrameBGR& s, FrameBGR& d) {
    // Each group of pixels that shares chroma is marked together: luma out
    // of range makes it red (below) or green (above); chroma out of range
    // yellow (below) or blue (above); the grey modes grey out the rest.
    const int sx = ChromaShiftX(t), sy = ChromaShiftY(t);
    const int cw = s.width >> sx, ch = s.height >> sy;
    ParallelFor(ch, s.width * 8LL, [&](int begin, int end) {
      for (int cy = begin; cy < end; ++cy) {
        for (int cx = 0; cx < cw; ++cx) {
          auto ysrc = [&](int dx, int dy) -> const std::uint8_t& {
            const int x = (cx << sx) + dx, y = (cy << sy) + dy;
            return t == PixelType::YUY2 ? s.Row(y)[2 * x] : s.Row(0, y)[x];
          };
          auto ydst = [&](int dx, int dy) -> std::uint8_t& {
            const int x = (cx << sx) + dx, y = (cy << sy) + dy;
            return t == PixelType::YUY2 ? d.Row(y)[2 * x] : d.Row(0, y)[x];
          };
          const std::uint8_t u = t == PixelType::YUY2 ? s.Row(cy)[4 * cx + 1] : s.Row(1, cy)[cx];
          const std::uint8_t v = t == PixelType::YUY2 ? s.Row(cy)[4 * cx + 3] : s.Row(2, cy)[cx];
          int ou = u, ov = v;
          bool marked = false;
          auto paintLuma = [&](int value) {
            for (int dy = 0; dy < (1 << sy); ++dy)
              for (int dx = 0; dx < (1 << sx); ++dx) ydst(dx, dy) = static_cast<std::uint8_t>(value);
          };
          for (int dy = 0; dy < (1 << sy); ++dy)
            for (int dx = 0; dx < (1 << sx); ++dx) ydst(dx, dy) = ysrc(dx, dy);
          if (mode <= 1) {
            // Luma below the range shows red, above it green; each pixel
            // out of range is painted, and its group's chroma.
            bool low = false, high = false;
            for (int dy = 0; dy < (1 << sy); ++dy)
              for (int dx = 0; dx < (1 << sx); ++dx) {
                const int yv = ysrc(dx, dy);
                if (yv < minY) {
                  low = true;
                  ydst(dx, dy) = 81;
                } else if (yv > maxY) {
                  high = true;
                  ydst(dx, dy) = 145;
                }
              }
            if (low) {
              ou = 91, ov = 240, marked = true;
            } else if (high) {
              ou = 54, ov = 34, marked = true;
            }
          } else if (mode == 2) {
            // Chroma out of range shows yellow.
            if (u < minC || u > maxC || v < minC || v > maxC) {
              paintLuma(210);
              ou = 16, ov = 146, marked = true;
            }
          } else {
            // U below: yellow, U above: blue, V below: cyan, V above: red.
            int yv = -1;
            if (u < minC) {
              yv = 210, ou = 16, ov = 146;
            } else if (u > maxC) {
              yv = 41, ou = 240, ov = 110;
            } else if (v < minC) {
              yv = 170, ou = 165, ov = 16;
            } else if (v > maxC) {
              yv = 81, ou = 91, ov = 240;
            }
            if (yv >= 0) {
              paintLuma(yv);
              marked = true;
            }
          }
          if (!marked && (mode == 1 || mode == 3)) ou = ov = 128;
          if (t == PixelType::YUY2) {
            d.Row(cy)[4 * cx + 1] = static_cast<std::uint8_t>(ou);
            d.Row(cy)[4 * cx + 3] = static_cast<std::uint8_t>(ov);
          } else {
            d.Row(1, cy)[cx] = static_cast<std::uint8_t>(ou);
            d.Row(2, cy)[cx] = static_cast<std::uint8_t>(ov);
          }
        }
      }
    });
  }));
}

}  // namespace

void RegisterLevelsFunctions(FunctionTable& t) {
  t.Add("Levels",
        {Req("clip", ParamType::Clip), Req("input_low", ParamType::Float), Req("gamma", ParamType::Float),
         Req("input_high", ParamType::Float), Req("output_low", ParamType::Float), Req("output_high", ParamType::Float),
         Opt("coring", ParamType::Bool), Opt("dither", ParamType::Bool)},
        Levels);
  t.Add("RGBAdjust",
        {Req("clip", ParamType::Clip), Opt("r", ParamType::Float), Opt("g", ParamType::Float),
         Opt("b", ParamType::Float), Opt("a", ParamType::Float), Opt("rb", ParamType::Float),
         Opt("gb", ParamType::Float), Opt("bb", ParamType::Float), Opt("ab", ParamType::Float),
         Opt("rg", ParamType::Float), Opt("gg", ParamType::Float), Opt("bg", ParamType::Float),
         Opt("ag", ParamType::Float), Opt("analyze", ParamType::Bool), Opt("dither", ParamType::Bool),
         Opt("conditional_variable_prefix", ParamType::String)},
        RGBAdjust);
  t.Add("Limiter",
        {Req("clip", ParamType::Clip), Opt("min_luma", ParamType::Int), Opt("max_luma", ParamType::Int),
         Opt("min_chroma", ParamType::Int), Opt("max_chroma", ParamType::Int), Opt("show", ParamType::String),
         Opt("paramscale", ParamType::Bool)},
        Limiter);
}

}  // namespace tandemix::engine
