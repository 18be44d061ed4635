// Convolution and smoothing: Blur, Sharpen, GeneralConvolution.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "base/ParallelFor.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/filters/FrameOps.h"
#include "engine/frames/ScriptError.h"
#include "engine/kernels/Focus.h"

namespace tandemix::engine {
namespace {

// An amount this small changes no byte: that direction is left out.
constexpr double kLeastFocus = 0.00002201361136;

// Sharpen(h, v): down the columns first, then along the rows, each plane
// on its own; rows split over the pool.
struct FocusOp {
  bool horizontal, vertical;
  FocusWeights h, v;
  void operator()(const FrameBGR& s, FrameBGR& d) const {
    FrameBGR middle;
    const FrameBGR* across = &s;
    if (vertical && horizontal) {
      middle = FrameBGR(s.type, s.width, s.height);
      across = &middle;
    }
    FrameBGR& down = horizontal ? (vertical ? middle : d) : d;
    for (int p = 0; p < s.Planes(); ++p) {
      const int rows = s.PlaneHeight(p), bytes = s.PlaneWidth(p);
      const FocusSplit split = FocusSplitFor(s.type, p, bytes);
      if (vertical)
        ParallelFor(rows, bytes * 4LL, [&](int begin, int end) {
          for (int y = begin; y < end; ++y)
            FocusColumns(s.Row(p, y > 0 ? y - 1 : 0), s.Row(p, y), s.Row(p, y + 1 < rows ? y + 1 : y), down.Row(p, y),
                         bytes, split.verticalCoarse, v);
        });
      if (horizontal)
        ParallelFor(rows, bytes * 6LL, [&](int begin, int end) {
          for (int y = begin; y < end; ++y)
            FocusRow(across->Row(p, y), d.Row(p, y), s.type, p, bytes, split.coarseEnd, h);
        });
    }
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
            std::int64_t sum = 0;
            const int* m = matrix.data();
            for (int j = 0; j < size; ++j) {
              const std::uint8_t* row = rows[static_cast<std::size_t>(j)];
              for (int i = 0; i < size; ++i, ++m) sum += *m * row[std::clamp(x + i - r, 0, c.width - 1) * c.step];
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
    // The engine's 8-bit samples take whole weights.
    op.matrix.push_back(static_cast<int>(v));
    total += static_cast<int>(v);
  }
  if (a.Bool("auto", true) && total != 0.0) divisor *= total;
  op.scale = static_cast<std::int64_t>(static_cast<double>(1 << 20) / divisor);
  return Value::Clip(MakeFrameOp(std::move(clip), info, "GeneralConvolution", op));
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
}

}  // namespace tandemix::engine
