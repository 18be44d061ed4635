// Geometry: TurnLeft, TurnRight, Turn180, Letterbox, ReduceBy2 and its
// horizontal and vertical halves, SkewRows.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/ParallelFor.h"
#include "engine/filters/Colors.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/filters/FrameOps.h"
#include "engine/frames/FrameLimits.h"
#include "engine/frames/ScriptError.h"
#include "engine/kernels/Resampler.h"

namespace tandemix::engine {
namespace {

// Quarter turns: 1 turns left (anticlockwise), 3 right, 2 half way round.
// Pixels of `bpp` bytes move whole; dst is the turned plane's size. Quarter
// turns go in tiles of 32 x 32 pixels, so reads and writes both stay in
// the cache.
template <int kBpp>
void TurnTile(const std::uint8_t* src, std::size_t srcStride, int srcWidth, int srcHeight, std::uint8_t* dst,
              std::size_t dstStride, int quarter, int y0, int y1, int x0, int x1) {
  for (int y = y0; y < y1; ++y) {
    std::uint8_t* d = dst + dstStride * static_cast<std::size_t>(y) + static_cast<std::size_t>(x0) * kBpp;
    for (int x = x0; x < x1; ++x, d += kBpp) {
      const int sx = quarter == 1 ? srcWidth - 1 - y : y;
      const int sy = quarter == 1 ? x : srcHeight - 1 - x;
      const std::uint8_t* p = src + srcStride * static_cast<std::size_t>(sy) + static_cast<std::size_t>(sx) * kBpp;
      for (int k = 0; k < kBpp; ++k) d[k] = p[k];
    }
  }
}

template <int kBpp>
void TurnPlaneOf(const std::uint8_t* src, std::size_t srcStride, int srcWidth, int srcHeight, std::uint8_t* dst,
                 std::size_t dstStride, int quarter) {
  const int dstWidth = quarter == 2 ? srcWidth : srcHeight;
  const int dstHeight = quarter == 2 ? srcHeight : srcWidth;
  if (quarter == 2) {
    ParallelFor(dstHeight, dstWidth * 2LL * kBpp, [&](int begin, int end) {
      for (int y = begin; y < end; ++y) {
        std::uint8_t* d = dst + dstStride * static_cast<std::size_t>(y);
        const std::uint8_t* p = src + srcStride * static_cast<std::size_t>(srcHeight - 1 - y) +
                                static_cast<std::size_t>(srcWidth - 1) * kBpp;
        for (int x = 0; x < dstWidth; ++x, d += kBpp, p -= kBpp)
          for (int k = 0; k < kBpp; ++k) d[k] = p[k];
      }
    });
    return;
  }
  constexpr int kTile = 32;
  const int bands = (dstHeight + kTile - 1) / kTile;
  ParallelFor(bands, dstWidth * static_cast<long long>(kTile) * 4 * kBpp, [&](int begin, int end) {
    for (int band = begin; band < end; ++band) {
      const int y0 = band * kTile, y1 = std::min(dstHeight, y0 + kTile);
      for (int x0 = 0; x0 < dstWidth; x0 += kTile)
        TurnTile<kBpp>(src, srcStride, srcWidth, srcHeight, dst, dstStride, quarter, y0, y1, x0,
                       std::min(dstWidth, x0 + kTile));
    }
  });
}

void TurnPlane(const std::uint8_t* src, std::size_t srcStride, int srcWidth, int srcHeight, std::uint8_t* dst,
               std::size_t dstStride, int bpp, int quarter) {
  if (bpp == 4)
    TurnPlaneOf<4>(src, srcStride, srcWidth, srcHeight, dst, dstStride, quarter);
  else if (bpp == 3)
    TurnPlaneOf<3>(src, srcStride, srcWidth, srcHeight, dst, dstStride, quarter);
  else
    TurnPlaneOf<1>(src, srcStride, srcWidth, srcHeight, dst, dstStride, quarter);
}

void RunBands(int count, long long cost, const std::function<void(int, int)>& work) { ParallelFor(count, cost, work); }

// Turns every plane; 4:2:2 chroma by quarter turns is resized first (bicubic,
// to the plane that turns into the new chroma plane's shape), YUY2's chroma
// pairs are averaged across and repeated along.
class TurnOp {
 public:
  TurnOp(const ClipInfo& in, int quarter) : quarter_(quarter) {
    if (quarter != 2 && in.pixelType == PixelType::YV16) {
      const int cw = in.width >> 1;
      // The chroma plane before the turn must have the new chroma plane's
      // sides swapped: (new height) x (new width / 2) = in.width x in.height / 2.
      chroma_ = MakePlaneResize(ResampleKernel{ResampleKernel::Kind::Bicubic}, cw, in.height, 1, 0.0, 0.0, cw,
                                in.height, in.width, in.height >> 1);
      resize_ = true;
    }
  }
  void operator()(const FrameBGR& s, FrameBGR& d) const {
    if (s.type == PixelType::YUY2) return TurnYuy2(s, d);
    for (int p = 0; p < s.Planes(); ++p) {
      if (p > 0 && resize_) {
        std::vector<std::uint8_t> resized(static_cast<std::size_t>(chroma_.dstWidth) * chroma_.dstHeight), scratch;
        RunPlaneResize(chroma_, s.Row(p, 0), s.Stride(p), resized.data(), static_cast<std::size_t>(chroma_.dstWidth),
                       scratch, RunBands);
        TurnPlane(resized.data(), static_cast<std::size_t>(chroma_.dstWidth), chroma_.dstWidth, chroma_.dstHeight,
                  d.Row(p, 0), d.Stride(p), 1, quarter_);
        continue;
      }
      const int bpp = p == 0 ? BytesPerPixel(s.type) : 1;
      TurnPlane(s.Row(p, 0), s.Stride(p), s.PlaneWidth(p) / bpp, s.PlaneHeight(p), d.Row(p, 0), d.Stride(p), bpp,
                quarter_);
    }
  }

 private:
  void TurnYuy2(const FrameBGR& s, FrameBGR& d) const {
    const int w = s.width, h = s.height;
    ParallelFor(d.height, d.width * 4LL, [&](int begin, int end) {
      for (int y = begin; y < end; ++y) {
        std::uint8_t* row = d.Row(y);
        for (int x = 0; x < d.width; x += 2) {
          // The two destination pixels' sources, and their chroma's.
          int sx0 = 0, sy0 = 0, sx1 = 0, sy1 = 0;
          if (quarter_ == 1) {
            sx0 = sx1 = w - 1 - y;
            sy0 = x;
            sy1 = x + 1;
          } else if (quarter_ == 3) {
            sx0 = sx1 = y;
            sy0 = h - 1 - x;
            sy1 = h - 2 - x;
          } else {
            sx0 = w - 1 - x;
            sx1 = w - 2 - x;
            sy0 = sy1 = h - 1 - y;
          }
          const std::uint8_t* r0 = s.Row(sy0);
          const std::uint8_t* r1 = s.Row(sy1);
          row[2 * x] = r0[2 * sx0];
          row[2 * x + 2] = r1[2 * sx1];
          const std::uint8_t* c0 = r0 + 4 * (sx0 / 2);
          const std::uint8_t* c1 = r1 + 4 * (sx1 / 2);
          if (quarter_ == 2) {
            row[2 * x + 1] = c0[1];
            row[2 * x + 3] = c0[3];
          } else {
            row[2 * x + 1] = static_cast<std::uint8_t>((c0[1] + c1[1] + 1) >> 1);
            row[2 * x + 3] = static_cast<std::uint8_t>((c0[3] + c1[3] + 1) >> 1);
          }
        }
      }
    });
  }

  int quarter_;
  bool resize_ = false;
  PlaneResize chroma_;
};

Value Turn(const CallArgs& a, int quarter) {
  ClipPtr clip = a.Clip("clip");
  ClipInfo info = clip->Info();
  if (quarter != 2) {
    if (info.pixelType == PixelType::YUY2 && info.height % 2 != 0)
      throw FilterError("Turn: YUY2 data must have mod2 height.");
    if (info.pixelType == PixelType::YV12 && info.height % 2 != 0)
      throw FilterError("Turn: YV12 data must have mod2 height.");
    std::swap(info.width, info.height);
  }
  const char* name = quarter == 1 ? "TurnLeft" : quarter == 3 ? "TurnRight" : "Turn180";
  return Value::Clip(MakeFrameOp(clip, info, name, TurnOp(clip->Info(), quarter)));
}

// AviSynth's 1-2-1 reduction: output x is (a + 2b + c + 2) / 4 of inputs
// 2x, 2x + 1 and 2x + 2; along rows the last one is the mean of the last two
// inputs, down columns the last row counts twice.
inline std::uint8_t Reduce3(int a, int b, int c) { return static_cast<std::uint8_t>((a + 2 * b + c + 2) >> 2); }

// Halves the samples of a row of interleaved channels (`step` bytes apart).
void ReduceRow(const std::uint8_t* s, std::uint8_t* d, int count, int step) {
  for (int x = 0; x < count; ++x)
    for (int k = 0; k < step; ++k) {
      const std::uint8_t* p = s + 2 * x * step + k;
      d[x * step + k] =
          x + 1 < count ? Reduce3(p[0], p[step], p[2 * step]) : static_cast<std::uint8_t>((p[0] + p[step] + 1) >> 1);
    }
}

void HorizontalReduce(const FrameBGR& s, FrameBGR& d) {
  for (int p = 0; p < s.Planes(); ++p)
    ParallelFor(d.PlaneHeight(p), s.PlaneWidth(p) * 2LL, [&](int begin, int end) {
      for (int y = begin; y < end; ++y) {
        const std::uint8_t* src = s.Row(p, y);
        std::uint8_t* dst = d.Row(p, y);
        if (s.type == PixelType::YUY2) {
          // Luma by its own samples, U and V each along their own.
          const int pairs = d.width / 2;
          std::vector<std::uint8_t> luma(static_cast<std::size_t>(s.width)), u(static_cast<std::size_t>(s.width / 2)),
              v(u.size());
          for (int x = 0; x < s.width; ++x) luma[static_cast<std::size_t>(x)] = src[2 * x];
          for (int x = 0; x < s.width / 2; ++x) {
            u[static_cast<std::size_t>(x)] = src[4 * x + 1];
            v[static_cast<std::size_t>(x)] = src[4 * x + 3];
          }
          std::vector<std::uint8_t> ly(static_cast<std::size_t>(d.width)), uy(static_cast<std::size_t>(pairs)),
              vy(uy.size());
          ReduceRow(luma.data(), ly.data(), d.width, 1);
          ReduceRow(u.data(), uy.data(), pairs, 1);
          ReduceRow(v.data(), vy.data(), pairs, 1);
          for (int x = 0; x < pairs; ++x) {
            const auto k = static_cast<std::size_t>(x);
            dst[4 * x] = ly[2 * k];
            dst[4 * x + 1] = uy[k];
            dst[4 * x + 2] = ly[2 * k + 1];
            dst[4 * x + 3] = vy[k];
          }
          continue;
        }
        const int step = p == 0 ? BytesPerPixel(s.type) : 1;
        ReduceRow(src, dst, d.PlaneWidth(p) / step, step);
      }
    });
}

void VerticalReduce(const FrameBGR& s, FrameBGR& d) {
  const bool bottomUp = IsRGBType(s.type);
  for (int p = 0; p < s.Planes(); ++p) {
    const int rows = d.PlaneHeight(p), width = d.PlaneWidth(p);
    ParallelFor(rows, width * 3LL, [&](int begin, int end) {
      for (int y = begin; y < end; ++y) {
        // RGB rows are counted from the bottom, as they lie in AviSynth's memory.
        const int j = bottomUp ? rows - 1 - y : y;
        const int last = s.PlaneHeight(p) - 1;
        auto row = [&](int k) { return s.Row(p, bottomUp ? last - k : k); };
        const std::uint8_t* a = row(2 * j);
        const std::uint8_t* b = row(2 * j + 1);
        const std::uint8_t* c = j + 1 < rows ? row(2 * j + 2) : b;
        std::uint8_t* dst = d.Row(p, y);
        for (int x = 0; x < width; ++x) dst[x] = Reduce3(a[x], b[x], c[x]);
      }
    });
  }
}

void CheckHorizontalReduce(const ClipInfo& info) {
  const PixelType t = info.pixelType;
  if (IsPlanarType(t)) {
    const int mod = 2 << ChromaShiftX(t);
    if (info.width % mod != 0)
      throw FilterError("HorizontalReduceBy2: Planar source width must be divisible by " + std::to_string(mod) + ".");
  } else if (t == PixelType::YUY2) {
    if (info.width % 4 != 0) throw FilterError("HorizontalReduceBy2: YUY2 output image width must be even");
  } else if (info.width % 2 != 0) {
    throw FilterError("HorizontalReduceBy2: Image width must be even");
  }
}

void CheckVerticalReduce(const ClipInfo& info) {
  if (info.height % 2 != 0) throw FilterError("VerticalReduceBy2: Image height must be even");
  if (info.pixelType == PixelType::YV12 && info.height % 4 != 0)
    throw FilterError("VerticalReduceBy2: Planar source height must be divisible by 4.");
  if (info.height / 2 < 3) throw FilterError("VerticalReduceBy2: Image too small to be reduced by 2.");
}

ClipPtr ReduceHorizontally(ClipPtr clip) {
  ClipInfo info = clip->Info();
  CheckHorizontalReduce(info);
  info.width /= 2;
  return MakeFrameOp(std::move(clip), info, "HorizontalReduceBy2", HorizontalReduce);
}

ClipPtr ReduceVertically(ClipPtr clip) {
  ClipInfo info = clip->Info();
  CheckVerticalReduce(info);
  info.height /= 2;
  return MakeFrameOp(std::move(clip), info, "VerticalReduceBy2", VerticalReduce);
}

// Letterbox(clip, top, bottom[, x1, x2, color, color_yuv]): the edges
// painted over, the picture keeping its size.
Value Letterbox(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  const ClipInfo& info = clip->Info();
  const int top = a.Int("top"), bottom = a.Int("bottom");
  const int left = a.Int("x1", 0), right = a.Int("x2", 0);
  if (top < 0 || bottom < 0 || left < 0 || right < 0)
    throw FilterError("LetterBox: You cannot specify letterboxing less than 0.");
  if (static_cast<long long>(top) + bottom >= info.height)
    throw FilterError("LetterBox: You cannot specify letterboxing that is bigger than the picture (height).");
  if (static_cast<long long>(left) + right >= info.width)
    throw FilterError("LetterBox: You cannot specify letterboxing that is bigger than the picture (width).");
  const PixelType type = info.pixelType;
  if (IsYUVType(type) && type != PixelType::Y8) {
    const int xMask = (1 << ChromaShiftX(type)) - 1, yMask = (1 << ChromaShiftY(type)) - 1;
    const std::string xs = std::to_string(xMask + 1), ys = std::to_string(yMask + 1);
    if (left & xMask) throw FilterError("LetterBox: YUV images width must be divideable by " + xs + " (left side).");
    if (right & xMask) throw FilterError("LetterBox: YUV images width must be divideable by " + xs + " (right side).");
    if (top & yMask) throw FilterError("LetterBox: YUV images height must be divideable by " + ys + " (top).");
    if (bottom & yMask) throw FilterError("LetterBox: YUV images height must be divideable by " + ys + " (bottom).");
  }
  // Black, the default, counts as no colour given.
  if (a.Int("color", 0) != 0 && a.Has("color_yuv"))
    throw FilterError("LetterBox: color and color_yuv are mutually exclusive");
  if (a.Has("color_yuv") && IsRGBType(type)) throw FilterError("LetterBox: color_yuv only valid for YUV color spaces");
  const PlaneColor color =
      a.Has("color_yuv") ? YuvColorInType(type, a.Int("color_yuv")) : ColorInType(type, a.Int("color", 0));
  const int w = info.width, h = info.height;
  return Value::Clip(MakeFrameOp(clip, info, "Letterbox", [=](const FrameBGR& s, FrameBGR& d) {
    for (int p = 0; p < s.Planes(); ++p)
      for (int y = 0; y < s.PlaneHeight(p); ++y)
        std::memcpy(d.Row(p, y), s.Row(p, y), static_cast<std::size_t>(s.PlaneWidth(p)));
    FillRect(d, 0, 0, w, top, color);
    FillRect(d, 0, h - bottom, w, h, color);
    FillRect(d, 0, top, left, h - bottom, color);
    FillRect(d, w - right, top, w, h - bottom, color);
  }));
}

// SkewRows(clip, skew): the frame's pixels read as one run, in the order
// they lie in memory (RGB from its bottom row up), and cut again into rows
// of width + skew; the last row is made up with 128.
Value SkewRows(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  const ClipInfo& in = clip->Info();
  const PixelType type = in.pixelType;
  RequireType(!IsPlanarType(type) || type == PixelType::Y8, "SkewRows: requires non-planar or greyscale input");
  const int skew = a.Int("skew");
  if (type == PixelType::YUY2 && skew % 2 != 0) throw FilterError("SkewRows: For YUY2 skew must be even");
  const long long width = static_cast<long long>(in.width) + skew;
  if (width <= 0) throw FilterError("SkewRows: skew must leave at least one pixel in a row");
  const long long pixels = static_cast<long long>(in.width) * in.height;
  const long long height = (pixels + width - 1) / width;
  CheckFrameSize("SkewRows", width, height);
  ClipInfo info = in;
  info.width = static_cast<int>(width);
  info.height = static_cast<int>(height);
  const bool bottomUp = IsRGBType(type);
  return Value::Clip(MakeFrameOp(clip, info, "SkewRows", [bottomUp](const FrameBGR& s, FrameBGR& d) {
    const auto bpp = static_cast<std::size_t>(BytesPerPixel(s.type));
    const std::size_t srcRow = static_cast<std::size_t>(s.width) * bpp,
                      dstRow = static_cast<std::size_t>(d.width) * bpp;
    std::size_t si = 0, so = 0;  // row and byte offset in the source run
    for (int j = 0; j < d.height; ++j) {
      std::uint8_t* out = d.Row(bottomUp ? d.height - 1 - j : j);
      std::size_t done = 0;
      while (done < dstRow && si < static_cast<std::size_t>(s.height)) {
        const std::uint8_t* src = s.Row(bottomUp ? s.height - 1 - static_cast<int>(si) : static_cast<int>(si));
        const std::size_t n = std::min(dstRow - done, srcRow - so);
        std::memcpy(out + done, src + so, n);
        done += n;
        so += n;
        if (so == srcRow) {
          so = 0;
          ++si;
        }
      }
      std::memset(out + done, 128, dstRow - done);
    }
  }));
}

}  // namespace

void RegisterGeometryFunctions(FunctionTable& t) {
  const std::vector<Param> clip = {Req("clip", ParamType::Clip)};
  t.Add("TurnLeft", clip, [](const CallArgs& a) { return Turn(a, 1); });
  t.Add("TurnRight", clip, [](const CallArgs& a) { return Turn(a, 3); });
  t.Add("Turn180", clip, [](const CallArgs& a) { return Turn(a, 2); });
  t.Add("HorizontalReduceBy2", clip, [](const CallArgs& a) { return Value::Clip(ReduceHorizontally(a.Clip("clip"))); });
  t.Add("VerticalReduceBy2", clip, [](const CallArgs& a) { return Value::Clip(ReduceVertically(a.Clip("clip"))); });
  // Vertically first, as AviSynth reduces (and refuses) in that order.
  t.Add("ReduceBy2", clip, [](const CallArgs& a) {
    ClipPtr c = a.Clip("clip");
    return Value::Clip(ReduceHorizontally(ReduceVertically(std::move(c))));
  });
  t.Add("Letterbox",
        {Req("clip", ParamType::Clip), Req("top", ParamType::Int), Req("bottom", ParamType::Int),
         Opt("x1", ParamType::Int), Opt("x2", ParamType::Int), Opt("color", ParamType::Int),
         Opt("color_yuv", ParamType::Int)},
        Letterbox);
  t.Add("SkewRows", {Req("clip", ParamType::Clip), Req("skew", ParamType::Int)}, SkewRows);
}

}  // namespace tandemix::engine
