// Convolution and smoothing: Blur, Sharpen, GeneralConvolution,
// SpatialSoften, TemporalSoften.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "base/ParallelFor.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/filters/FrameOps.h"
#include "engine/frames/FrameBudget.h"
#include "engine/frames/FrameCopy.h"
#include "engine/frames/FrameLimits.h"
#include "engine/frames/ScriptError.h"
#include "engine/kernels/Focus.h"
#include "engine/kernels/TemporalSoften.h"

namespace tandemix::engine {
namespace {

// An amount this small changes no byte: that direction is left out.
constexpr double kLeastFocus = 0.00002201361136;

// Sharpen(h, v): down the columns first, then along the rows, each plane
// on its own; rows split over the pool.
struct FocusOp {
  bool horizontal, vertical;
  FocusWeights h, v;
  // Each row is filtered down (from the rows around it in the source) into
  // a scratch row and then along into the output, so both passes share one
  // run over the pool and the row is still in cache for the second.
  void operator()(const FrameBGR& s, FrameBGR& d) const {
    ForEachPlaneRows(s, vertical && horizontal ? 10 : 6, [&](int p, int begin, int end) {
      const int rows = s.PlaneHeight(p), bytes = s.PlaneWidth(p);
      const FocusSplit split = FocusSplitFor(s.type, p, bytes);
      std::vector<std::uint8_t> column(vertical && horizontal ? static_cast<std::size_t>(bytes) : 0);
      for (int y = begin; y < end; ++y) {
        const std::uint8_t* in = s.Row(p, y);
        if (vertical) {
          std::uint8_t* down = horizontal ? column.data() : d.Row(p, y);
          FocusColumns(s.Row(p, y > 0 ? y - 1 : 0), in, s.Row(p, y + 1 < rows ? y + 1 : y), down, bytes,
                       split.verticalCoarse, v);
          in = down;
        }
        if (horizontal) FocusRow(in, d.Row(p, y), s.type, p, bytes, split.coarseEnd, h);
      }
    });
  }
};

// Blur is Sharpen with the amounts negated; each checks its own range.
Value Focus(const CallArgs& a, bool blur) {
  ClipPtr clip = a.Clip("clip");
  const double h = a.Float("amountH");
  const double v = a.Has("amountV") ? a.Float("amountV") : h;
  const double least = blur ? -1.0 : -1.5849625, most = blur ? 1.5849625 : 1.0;
  for (double amount : {h, v})
    if (!(amount >= least && amount <= most))
      throw FilterError(blur ? "Blur: arguments must be in the range -1.0 to 1.58"
                             : "Sharpen: arguments must be in the range -1.58 to 1.0");
  const double sh = blur ? -h : h, sv = blur ? -v : v;
  FocusOp op{std::fabs(sh) >= kLeastFocus, std::fabs(sv) >= kLeastFocus, FocusWeightsFor(sh), FocusWeightsFor(sv)};
  if (!op.horizontal && !op.vertical) return Value::Clip(clip);
  const ClipInfo info = clip->Info();
  return Value::Clip(MakeFrameOp(std::move(clip), info, blur ? "Blur" : "Sharpen", op));
}

// One channel of a frame: sample (x, y) is byte offset + x * step of row y
// of plane `plane`.
struct Channel {
  int plane, offset, step, width, height;
};

std::vector<Channel> ChannelsOf(PixelType type, int width, int height, bool luma, bool chroma, bool alpha) {
  std::vector<Channel> out;
  switch (type) {
    case PixelType::RGB24:
    case PixelType::RGB32: {
      const int bpp = BytesPerPixel(type);
      for (int k = 0; k < 3; ++k) out.push_back({0, k, bpp, width, height});
      if (bpp == 4 && alpha) out.push_back({0, 3, 4, width, height});
      break;
    }
    case PixelType::YUY2:
      if (luma) out.push_back({0, 0, 2, width, height});
      if (chroma) {
        out.push_back({0, 1, 4, width / 2, height});
        out.push_back({0, 3, 4, width / 2, height});
      }
      break;
    default:
      if (luma) out.push_back({0, 0, 1, width, height});
      if (chroma && type != PixelType::Y8)
        for (int p = 1; p < 3; ++p) out.push_back({p, 0, 1, width >> ChromaShiftX(type), height >> ChromaShiftY(type)});
  }
  return out;
}

// GeneralConvolution: an n x n matrix (n = 3, 5, 7, 9) over each sample,
// the picture's edge samples standing in for those past it; the sum scaled
// by 1 / divisor in 20-bit fixed point (the reciprocal cut, the product
// rounded) plus bias.
struct ConvolutionOp {
  int size;
  std::vector<int> matrix;  // row by row, the top row first
  std::int64_t scale;       // (1 << 20) / divisor, cut
  int bias;
  bool luma, chroma, alpha;
  void operator()(const FrameBGR& s, FrameBGR& d) const {
    for (int p = 0; p < s.Planes(); ++p)
      for (int y = 0; y < s.PlaneHeight(p); ++y) std::copy(s.Row(p, y), s.Row(p, y) + s.PlaneWidth(p), d.Row(p, y));
    const int r = size / 2;
    for (const Channel& c : ChannelsOf(s.type, s.width, s.height, luma, chroma, alpha))
      ParallelFor(c.height, static_cast<long long>(c.width) * size * size, [&](int begin, int end) {
        std::vector<const std::uint8_t*> rows(static_cast<std::size_t>(size));
        for (int y = begin; y < end; ++y) {
          for (int j = 0; j < size; ++j)
            rows[static_cast<std::size_t>(j)] = s.Row(c.plane, std::clamp(y + j - r, 0, c.height - 1)) + c.offset;
          std::uint8_t* out = d.Row(c.plane, y) + c.offset;
          for (int x = 0; x < c.width; ++x) {
            // Within the row the taps read straight; near its ends the edge
            // sample stands in.
            const bool inside = x >= r && x + r < c.width;
            int sum = 0;
            const int* m = matrix.data();
            for (int j = 0; j < size; ++j) {
              const std::uint8_t* row = rows[static_cast<std::size_t>(j)];
              if (inside) {
                const std::uint8_t* q = row + (x - r) * c.step;
                for (int i = 0; i < size; ++i, q += c.step) sum += m[i] * *q;
              } else {
                for (int i = 0; i < size; ++i) sum += m[i] * row[std::clamp(x + i - r, 0, c.width - 1) * c.step];
              }
              m += size;
            }
            const std::int64_t v = ((sum * scale + (1 << 19)) >> 20) + bias;
            out[x * c.step] = static_cast<std::uint8_t>(std::clamp<std::int64_t>(v, 0, 255));
          }
        }
      });
  }
};

Value GeneralConvolution(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  const ClipInfo info = clip->Info();
  const std::string text = a.String("matrix", "0 0 0 0 1 0 0 0 0");
  std::vector<double> values;
  std::istringstream in(text);
  for (std::string token; in >> token;) values.push_back(std::strtod(token.c_str(), nullptr));
  const auto count = static_cast<int>(values.size());
  if (count < 9) throw FilterError("GeneralConvolution: matrix too small, need at least 3x3 elements");
  if (count > 81) throw FilterError("GeneralConvolution: matrix too big, maximum 9x9 elements allowed");
  int size = 3;
  while (size * size < count) size += 2;
  if (size * size != count)
    throw FilterError("GeneralConvolution: matrix incomplete, possible size " + std::to_string(size) + "x" +
                      std::to_string(size) + " but element count " + std::to_string(count));
  double divisor = a.Float("divisor", 1.0);
  if (divisor == 0.0) throw FilterError("GeneralConvolution: divisor cannot be zero");
  const bool luma = a.Bool("luma", true), chroma = a.Bool("chroma", true);
  const PixelType type = info.pixelType;
  if (luma && chroma && (type == PixelType::YV12 || type == PixelType::YV16 || type == PixelType::YUY2))
    throw FilterError("GeneralConvolution: both luma and chroma cannot be set for subsampled video formats");
  ConvolutionOp op{size, {}, 0, a.Int("bias", 0), luma, chroma, a.Bool("alpha", true)};
  double total = 0.0;
  for (double v : values) {
    // Whole weights, kept within 16 bits so no sum of 81 taps can overflow.
    const int weight = std::isfinite(v) ? static_cast<int>(std::clamp(v, -65535.0, 65535.0)) : 0;
    op.matrix.push_back(weight);
    total += weight;
  }
  if (a.Bool("auto", true) && total != 0.0) divisor *= total;
  double scale = static_cast<double>(1 << 20) / divisor;
  if (!std::isfinite(scale)) scale = 0.0;
  op.scale = static_cast<std::int64_t>(std::clamp(scale, -2147483648.0, 2147483647.0));
  return Value::Clip(MakeFrameOp(std::move(clip), info, "GeneralConvolution", op));
}

// SpatialSoften (YUY2): each sample the rounded mean of the samples in a
// (2r + 1)-row window, taken every second luma sample along the row, whose
// Y, U and V are all within the thresholds of the centre's. The
// (diameter + 1) & ~3 bytes at each end of a row stay as they are.
Value SpatialSoften(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  RequireType(clip->Info().pixelType == PixelType::YUY2, "SpatialSoften: requires YUY2 input");
  const int diameter = std::clamp(a.Int("radius"), 0, 32) * 2 + 1;
  // Negative thresholds are taken as unsigned numbers: every sample is close.
  auto threshold = [&a](const char* name) { return a.Int(name) < 0 ? 255 : a.Int(name); };
  const int lumaThreshold = threshold("luma_threshold"), chromaThreshold = threshold("chroma_threshold");
  const ClipInfo info = clip->Info();
  return Value::Clip(MakeFrameOp(std::move(clip), info, "SpatialSoften", [=](const FrameBGR& s, FrameBGR& d) {
    const int rowBytes = s.PlaneWidth(0), height = s.height;
    const int edge = (diameter + 1) & -4;
    auto close = [](int u, int v, int most) { return std::abs(u - v) <= most; };
    ParallelFor(height, rowBytes * static_cast<long long>(diameter) * diameter, [&](int begin, int end) {
      std::vector<const std::uint8_t*> lines(static_cast<std::size_t>(diameter));
      for (int y = begin; y < end; ++y) {
        for (int h = 0; h < diameter; ++h)
          lines[static_cast<std::size_t>(h)] = s.Row(std::clamp(y + h - diameter / 2, 0, height - 1));
        const std::uint8_t* src = s.Row(y);
        std::uint8_t* dst = d.Row(y);
        std::copy(src, src + rowBytes, dst);
        for (int x = edge; x < rowBytes - edge; x += 2) {
          int count = 0, sy = 0, su = 0, sv = 0;
          const int xx = x | 3;
          const int cy = src[x], cu = src[xx - 2], cv = src[xx];
          for (const std::uint8_t* line : lines)
            for (int w = -diameter + 1; w < diameter; w += 2) {
              const int xw = (x + w) | 3;
              if (close(line[x + w], cy, lumaThreshold) && close(line[xw - 2], cu, chromaThreshold) &&
                  close(line[xw], cv, chromaThreshold)) {
                ++count;
                sy += line[x + w];
                su += line[xw - 2];
                sv += line[xw];
              }
            }
          if (count == 0) continue;
          dst[x] = static_cast<std::uint8_t>((sy + (count >> 1)) / count);
          if ((x & 3) == 0) {
            dst[x + 1] = static_cast<std::uint8_t>((su + (count >> 1)) / count);
            dst[x + 3] = static_cast<std::uint8_t>((sv + (count >> 1)) / count);
          }
        }
      }
    });
  }));
}

// TemporalSoften: each sample the mean of itself and the same sample in the
// `radius` frames either side (the clip's ends repeating), those further
// than the plane's threshold from it counted as itself; the sum times
// 32768 / n rounded in 15 bits (YUY2: 65536 / n in 16).
class TemporalSoftenClip : public Clip {
 public:
  TemporalSoftenClip(ClipPtr child, int radius, int luma, int chroma, int scenechange)
      : Clip(child->Info()),
        child_(std::move(child)),
        radius_(radius),
        luma_(luma),
        chroma_(chroma),
        scenechange_(scenechange),
        pool_("TemporalSoften") {
    PassAudioFrom(child_);
  }
  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    FramePtr centre = Owned(child_->GetFrame(n));
    std::vector<FramePtr> frames{centre};
    // Outward from the frame on each side, up to the first frame of another
    // scene: one whose first plane differs from this frame's by scenechange
    // or more per sample on average (counted over the row's whole multiples
    // of 32 bytes).
    const FrameBGR& c = *centre;
    const long long cutAt = static_cast<long long>(scenechange_) * (c.PlaneWidth(0) / 32 * 32) * c.PlaneHeight(0);
    for (const int step : {-1, 1}) {
      for (int d = 1; d <= radius_; ++d) {
        FramePtr f = Owned(child_->GetFrame(ClampFrame(n + step * d)));
        if (scenechange_ > 0 && cutAt > 0 && AbsoluteDifference(*f, c) >= cutAt) break;
        frames.push_back(std::move(f));
      }
    }
    if (frames.size() == 1) return centre;  // a scene of its own
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    // YUY2 is weighed in 16 bits, the planes and RGB32 in 15, as AviSynth does.
    const int count = static_cast<int>(frames.size());
    const int weight = 32768 / count, weight16 = 65536 / count;
    const bool yuy2 = info_.pixelType == PixelType::YUY2;
    for (int p = 0; p < c.Planes(); ++p) {
      const int bytes = c.PlaneWidth(p);
      // The threshold of each byte of a row (YUY2 alternates luma and chroma).
      std::vector<std::uint8_t> thresholds(static_cast<std::size_t>(bytes));
      for (int x = 0; x < bytes; ++x)
        thresholds[static_cast<std::size_t>(x)] =
            static_cast<std::uint8_t>(p > 0 || (yuy2 && (x & 1) == 1) ? chroma_ : luma_);
      ParallelFor(c.PlaneHeight(p), bytes * static_cast<long long>(frames.size()), [&](int begin, int end) {
        std::vector<std::uint16_t> sums(static_cast<std::size_t>(bytes));
        for (int y = begin; y < end; ++y) {
          std::fill(sums.begin(), sums.end(), 0);
          for (const FramePtr& f : frames)
            TemporalAccumulate(f->Row(p, y), c.Row(p, y), thresholds.data(), sums.data(), bytes);
          TemporalScale(sums.data(), out->Row(p, y), bytes, yuy2 ? weight16 : weight, yuy2);
        }
      });
    }
    return out;
  }

 private:
  // The sum of the absolute differences of the first planes' samples.
  static long long AbsoluteDifference(const FrameBGR& a, const FrameBGR& b) {
    long long sum = 0;
    for (int y = 0; y < a.PlaneHeight(0); ++y) {
      const std::uint8_t* p = a.Row(0, y);
      const std::uint8_t* q = b.Row(0, y);
      for (int x = 0; x < a.PlaneWidth(0); ++x) sum += std::abs(p[x] - q[x]);
    }
    return sum;
  }

  ClipPtr child_;
  int radius_, luma_, chroma_, scenechange_;
  FramePool pool_;
};

Value TemporalSoften(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  const int radius = std::min(a.Int("radius"), 7);
  if (clip->Info().pixelType == PixelType::RGB24)
    throw FilterError("TemporalSoften: RGB24/48 Not supported, use ConvertToRGB32/48().");
  if (a.Int("scenechange", 0) > 0 && IsRGBType(clip->Info().pixelType))
    throw FilterError("TemporalSoften: Scenechange not available on RGB32/64");
  if (radius < 1) return Value::Clip(clip);
  // The thresholds are taken as bytes (-1 is 255, 300 is 44), for YUY2 as
  // unsigned numbers (-1 and 300 let every sample in).
  const bool yuy2 = clip->Info().pixelType == PixelType::YUY2;
  auto threshold = [&](const char* name) {
    const int t = a.Int(name);
    return yuy2 ? (t < 0 ? 255 : std::min(t, 255)) : t & 255;
  };
  // A scenechange of 255 or more, or below 1, looks at no scenes.
  int scenechange = a.Int("scenechange", 0);
  if (scenechange >= 255 || scenechange < 0) scenechange = 0;
  return Value::Clip(std::make_shared<TemporalSoftenClip>(std::move(clip), radius, threshold("luma_threshold"),
                                                          threshold("chroma_threshold"), scenechange));
}

}  // namespace

void RegisterConvolutionFunctions(FunctionTable& t) {
  const std::vector<Param> focus = {Req("clip", ParamType::Clip), Req("amountH", ParamType::Float),
                                    Opt("amountV", ParamType::Float), Opt("MMX", ParamType::Bool)};
  t.Add("Blur", focus, [](const CallArgs& a) { return Focus(a, true); });
  t.Add("Sharpen", focus, [](const CallArgs& a) { return Focus(a, false); });
  t.Add("GeneralConvolution",
        {Req("clip", ParamType::Clip), Opt("bias", ParamType::Int), Opt("matrix", ParamType::String),
         Opt("divisor", ParamType::Float), Opt("auto", ParamType::Bool), Opt("luma", ParamType::Bool),
         Opt("chroma", ParamType::Bool), Opt("alpha", ParamType::Bool)},
        GeneralConvolution);
  t.Add("SpatialSoften",
        {Req("clip", ParamType::Clip), Req("radius", ParamType::Int), Req("luma_threshold", ParamType::Int),
         Req("chroma_threshold", ParamType::Int)},
        SpatialSoften);
  t.Add("TemporalSoften",
        {Req("clip", ParamType::Clip), Req("radius", ParamType::Int), Req("luma_threshold", ParamType::Int),
         Req("chroma_threshold", ParamType::Int), Opt("scenechange", ParamType::Int), Opt("mode", ParamType::Int)},
        TemporalSoften);
}

}  // namespace tandemix::engine
