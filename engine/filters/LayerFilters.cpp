// Layers and masks: Layer, Mask, ResetMask, ColorKeyMask, MergeARGB,
// MergeLuma, MergeChroma, Subtract, AddAlphaPlane and RemoveAlphaPlane.
// The alpha channel is RGB32's fourth byte; the YUV types have none.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "base/ParallelFor.h"
#include "engine/filters/Conversions.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/filters/FrameOps.h"
#include "engine/frames/FrameBudget.h"
#include "engine/frames/FrameCopy.h"
#include "engine/frames/FrameLimits.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

constexpr int kBlue = 0, kGreen = 1, kRed = 2, kAlpha = 3;

// A frame made from one frame of each of two clips, rows on the pool:
// op(a, b, out) where out starts as a copy of a.
class TwoClipOp : public Clip {
 public:
  using Op = std::function<void(const FrameBGR&, const FrameBGR&, FrameBGR&)>;
  TwoClipOp(ClipPtr a, ClipPtr b, const ClipInfo& info, Op op, const char* name)
      : Clip(info), a_(std::move(a)), b_(std::move(b)), op_(std::move(op)), pool_(name) {
    PassAudioFrom(a_);
  }
  FramePtr GetFrame(int n) override {
    FramePtr x = a_->GetFrame(n);
    FramePtr y = b_->GetFrame(n);
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    if (x->type == out->type && x->width == out->width && x->height == out->height)
      CopyRect(*x, 0, 0, *out, 0, 0, info_.width, info_.height);
    op_(*x, *y, *out);
    return out;
  }

 private:
  ClipPtr a_, b_;
  Op op_;
  FramePool pool_;
};

// The luma AviSynth's Layer and Mask weigh RGB by (15-bit weights).
int LayerLuma(const std::uint8_t* p) { return (p[kBlue] * 3736 + p[kGreen] * 19234 + p[kRed] * 9798) >> 15; }
int MaskLuma(const std::uint8_t* p) { return (p[kBlue] * 3736 + p[kGreen] * 19234 + p[kRed] * 9798 + 16384) >> 15; }

void RequireRgb32(const ClipPtr& clip, const std::string& message) {
  RequireType(clip->Info().pixelType == PixelType::RGB32, message);
}

// ---- Layer ----

enum class LayerOp { Fast, Lighten, Darken, Add, Subtract, Mul };

LayerOp LayerOpOf(const std::string& name) {
  const std::string op = LowerCase(name);
  if (op == "fast") return LayerOp::Fast;
  if (op == "lighten") return LayerOp::Lighten;
  if (op == "darken") return LayerOp::Darken;
  if (op == "add") return LayerOp::Add;
  if (op == "subtract") return LayerOp::Subtract;
  if (op == "mul") return LayerOp::Mul;
  throw FilterError("Layer supports the following ops: Fast, Lighten, Darken, Add, Subtract, Mul");
}

struct LayerSettings {
  LayerOp op = LayerOp::Add;
  int level = 257;
  int x = 0, y = 0;
  int threshold = 0;
  bool useChroma = true;
};

// RGB32: each channel (alpha too) moves towards the overlay's by the
// overlay's alpha times level / 256; lighten and darken only where the
// overlay's luma is past the base's by the threshold; mul scales by the
// overlay, fast averages the two and takes no alpha.
void LayerRow(const LayerSettings& s, std::uint8_t* d, const std::uint8_t* o, int width) {
  for (int x = 0; x < width; ++x, d += 4, o += 4) {
    const int alpha = (o[kAlpha] * s.level + 1) >> 8;
    if (s.op == LayerOp::Fast) {
      for (int c = 0; c < 4; ++c) d[c] = static_cast<std::uint8_t>((d[c] + o[c] + 1) >> 1);
      continue;
    }
    // What each channel moves towards: the overlay's channel, or (alpha
    // too) its luma, for subtract the luma of the inverted overlay.
    int luma = LayerLuma(o);
    if (s.op == LayerOp::Subtract && !s.useChroma) {
      const std::uint8_t inverted[3] = {static_cast<std::uint8_t>(255 - o[kBlue]),
                                        static_cast<std::uint8_t>(255 - o[kGreen]),
                                        static_cast<std::uint8_t>(255 - o[kRed])};
      luma = 255 - LayerLuma(inverted);
    }
    for (int c = 0; c < 4; ++c) {
      const int src = s.useChroma ? o[c] : luma;
      int v = d[c];
      switch (s.op) {
        case LayerOp::Add:
          v += ((src - v) * alpha + 128) >> 8;
          break;
        case LayerOp::Subtract:
          v += (((255 - src) - v) * alpha + 128) >> 8;
          break;
        case LayerOp::Mul:
          v += ((((src * v) >> 8) - v) * alpha) >> 8;
          break;
        case LayerOp::Lighten:
        case LayerOp::Darken:
        case LayerOp::Fast:
          break;
      }
      d[c] = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
    }
  }
}

void LayerLightRow(const LayerSettings& s, std::uint8_t* d, const std::uint8_t* o, int width) {
  for (int x = 0; x < width; ++x, d += 4, o += 4) {
    const int over = LayerLuma(o), base = LayerLuma(d);
    const bool take = s.op == LayerOp::Lighten ? over > base + s.threshold : over < base - s.threshold;
    const int alpha = take ? (o[kAlpha] * s.level + 1) >> 8 : 0;
    for (int c = 0; c < 4; ++c) d[c] = static_cast<std::uint8_t>(d[c] + (((o[c] - d[c]) * alpha + 128) >> 8));
  }
}

// YUV has no alpha: the level (0..257) is the weight of every pixel; mul
// scales the luma and mixes the chroma. Without use_chroma the chroma
// moves towards grey instead of the overlay's (for mul at half the level).
std::uint8_t LayerYuvByte(LayerOp op, int x, int y, int w, bool luma, bool useChroma) {
  int v = x;
  if (!luma && !useChroma) {
    v = op == LayerOp::Mul ? x + (((128 - x) * (w >> 1)) >> 8) : x + (((128 - x) * w + 128) >> 8);
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
  }
  switch (op) {
    case LayerOp::Add:
      v = x + (((y - x) * w + 128) >> 8);
      break;
    case LayerOp::Subtract:
      v = x + ((((255 - y) - x) * w + 128) >> 8);
      break;
    case LayerOp::Mul:
      v = luma ? x + (((((y * x) >> 8) - x) * w) >> 8) : x + (((y - x) * w) >> 8);
      break;
    case LayerOp::Fast:
      v = (x + y + 1) >> 1;
      break;
    case LayerOp::Lighten:
    case LayerOp::Darken:
      break;
  }
  return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

// Lighten and darken: where the overlay's luma is past the base's by the
// threshold, the pixel moves towards the overlay's by the level.
bool LayerTakes(const LayerSettings& s, int base, int over) {
  return s.op == LayerOp::Lighten ? over > base + s.threshold : over < base - s.threshold;
}
std::uint8_t LayerMix(int x, int y, int w) { return static_cast<std::uint8_t>(x + (((y - x) * w + 128) >> 8)); }

// The luma that decides a chroma sample of a subsampled plane: the luma
// under it and its left and right neighbours weighed 1-2-1, over both rows
// in 4:2:0, rounded. A neighbour left of the picture is the sample itself.
int SitedLuma(const FrameBGR& f, int cx, int cy, int shx, int shy, bool first) {
  const int lx = cx << shx, ly = cy << shy;
  const int left = first ? lx : lx - 1, right = std::min(lx + 1, f.width - 1);
  int sum = 0;
  for (int j = 0; j < 1 << shy; ++j) {
    const std::uint8_t* row = f.Row(0, ly + j);
    sum += row[left] + 2 * row[lx] + row[right];
  }
  return (sum + (2 << shy)) >> (2 + shy);
}

void LayerYuv(const LayerSettings& s, const FrameBGR& base, const FrameBGR& o, FrameBGR& out) {
  const bool yuy2 = out.type == PixelType::YUY2;
  const bool light = s.op == LayerOp::Lighten || s.op == LayerOp::Darken;
  for (int p = 0; p < out.Planes(); ++p) {
    const int shx = p == 0 ? 0 : ChromaShiftX(out.type), shy = p == 0 ? 0 : ChromaShiftY(out.type);
    const int dx = std::max(0, s.x) >> shx, dy = std::max(0, s.y) >> shy;
    const int sx = std::max(0, -s.x) >> shx, sy = std::max(0, -s.y) >> shy;
    const int unit = yuy2 ? 2 : 1;  // bytes a pixel in the row
    const int w = std::min(o.PlaneWidth(p) / unit - sx, out.PlaneWidth(p) / unit - dx) * unit;
    const int h = std::min(o.PlaneHeight(p) - sy, out.PlaneHeight(p) - dy);
    if (w <= 0 || h <= 0) continue;
    ParallelFor(h, 4LL * w, [&](int begin, int end) {
      for (int r = begin; r < end; ++r) {
        std::uint8_t* d = out.Row(p, dy + r) + dx * unit;
        const std::uint8_t* src = o.Row(p, sy + r) + sx * unit;
        if (!light) {
          for (int i = 0; i < w; ++i)
            d[i] = LayerYuvByte(s.op, d[i], src[i], s.level, yuy2 ? (i & 1) == 0 : p == 0, s.useChroma);
        } else if (yuy2) {
          // U follows the first luma of its pair, V the second.
          const std::uint8_t* b = base.Row(0, dy + r) + dx * unit;
          for (int i = 0; i < w; ++i) {
            const int k = (i & 1) == 0 ? i : i - 1;
            d[i] = LayerMix(d[i], src[i], LayerTakes(s, b[k], src[k]) ? s.level : 0);
          }
        } else if (p == 0 || (shx == 0 && shy == 0)) {
          const std::uint8_t* b = base.Row(0, dy + r) + dx;
          const std::uint8_t* ol = o.Row(0, sy + r) + sx;
          for (int i = 0; i < w; ++i) d[i] = LayerMix(d[i], src[i], LayerTakes(s, b[i], ol[i]) ? s.level : 0);
        } else {
          for (int i = 0; i < w; ++i) {
            const bool take = LayerTakes(s, SitedLuma(base, dx + i, dy + r, shx, shy, i == 0),
                                         SitedLuma(o, sx + i, sy + r, shx, shy, i == 0));
            d[i] = LayerMix(d[i], src[i], take ? s.level : 0);
          }
        }
      }
    });
  }
}

Value Layer(const CallArgs& a) {
  ClipPtr base = a.Clip("base_clip");
  ClipPtr over = a.Clip("overlay_clip");
  const ClipInfo& bi = base->Info();
  if (bi.pixelType != over->Info().pixelType) throw FilterError("Layer: image formats don't match");
  RequireType(bi.pixelType != PixelType::RGB24, "Layer: RGB24 has no alpha; use RGB32");
  LayerSettings s;
  s.op = LayerOpOf(a.String("op", "Add"));
  s.level = a.Int("level", IsYUVType(bi.pixelType) ? 256 : 257);  // full weight
  s.x = a.Int("x", 0);
  s.y = a.Int("y", 0);
  s.threshold = a.Int("threshold", 0);
  s.useChroma = a.Bool("use_chroma", true);
  if (!s.useChroma && s.op == LayerOp::Fast) throw FilterError("Layer: this mode not allowed in FAST; use ADD instead");
  if (!s.useChroma && s.op == LayerOp::Lighten) throw FilterError("Layer: monochrome lighten illegal op");
  if (!s.useChroma && s.op == LayerOp::Darken) throw FilterError("Layer: monochrome darken illegal op");
  ClipInfo info = bi;
  info.frameCount = std::max(bi.frameCount, over->Info().frameCount);
  if (IsYUVType(bi.pixelType)) {
    // The overlay lands on whole chroma samples.
    const int xMask = bi.pixelType == PixelType::YUY2 ? 1 : (1 << ChromaShiftX(bi.pixelType)) - 1;
    s.x &= ~xMask;
    s.y &= ~((1 << ChromaShiftY(bi.pixelType)) - 1);
    auto yuv = [s](const FrameBGR& b, const FrameBGR& o, FrameBGR& out) { LayerYuv(s, b, o, out); };
    return Value::Clip(std::make_shared<TwoClipOp>(std::move(base), std::move(over), info, yuv, "Layer"));
  }
  auto op = [s](const FrameBGR&, const FrameBGR& o, FrameBGR& out) {
    const int dx = std::max(0, s.x), dy = std::max(0, s.y);
    const int sx = std::max(0, -s.x), sy = std::max(0, -s.y);
    const int w = std::min(o.width - sx, out.width - dx), h = std::min(o.height - sy, out.height - dy);
    if (w <= 0 || h <= 0) return;
    ParallelFor(h, 8LL * w, [&](int begin, int end) {
      for (int r = begin; r < end; ++r) {
        std::uint8_t* d = out.Row(0, dy + r) + 4 * dx;
        const std::uint8_t* src = o.Row(0, sy + r) + 4 * sx;
        if (s.op == LayerOp::Lighten || s.op == LayerOp::Darken)
          LayerLightRow(s, d, src, w);
        else
          LayerRow(s, d, src, w);
      }
    });
  };
  return Value::Clip(std::make_shared<TwoClipOp>(std::move(base), std::move(over), info, op, "Layer"));
}

// ---- the alpha channel ----

Value Mask(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  ClipPtr mask = a.Clip("mask_clip");
  const char* formats = "Mask error: sources must be RGB32, RGB64 or Planar RGBA";
  RequireRgb32(clip, formats);
  RequireRgb32(mask, formats);
  if (clip->Info().width != mask->Info().width || clip->Info().height != mask->Info().height)
    throw FilterError("Mask error: image dimensions don't match");
  const ClipInfo info = clip->Info();
  return Value::Clip(std::make_shared<TwoClipOp>(
      std::move(clip), std::move(mask), info,
      [](const FrameBGR&, const FrameBGR& m, FrameBGR& out) {
        ParallelFor(out.height, 8LL * out.width, [&](int begin, int end) {
          for (int y = begin; y < end; ++y) {
            const std::uint8_t* s = m.Row(0, y);
            std::uint8_t* d = out.Row(0, y);
            for (int x = 0; x < out.width; ++x) d[4 * x + kAlpha] = static_cast<std::uint8_t>(MaskLuma(s + 4 * x));
          }
        });
      },
      "Mask"));
}

ClipPtr SetAlpha(ClipPtr clip, std::uint8_t value) {
  const ClipInfo info = clip->Info();
  return MakeFrameOp(std::move(clip), info, "ResetMask", [value](const FrameBGR& s, FrameBGR& d) {
    for (int y = 0; y < s.height; ++y) {
      std::memcpy(d.Row(0, y), s.Row(0, y), static_cast<std::size_t>(s.width) * 4);
      std::uint8_t* row = d.Row(0, y);
      for (int x = 0; x < s.width; ++x) row[4 * x + kAlpha] = value;
    }
  });
}

Value ResetMask(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  RequireType(clip->Info().pixelType == PixelType::RGB32, "ResetMask: format has no alpha channel");
  return Value::Clip(SetAlpha(std::move(clip), static_cast<std::uint8_t>(std::clamp(a.Int("mask", 255), 0, 255))));
}

Value ColorKeyMask(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  RequireType(clip->Info().pixelType == PixelType::RGB32, "ColorKeyMask: requires RGB32, RGB64 or Planar RGBA input");
  const int color = a.Int("color");
  const int tolB = a.Int("tolB", 10);
  const int tolG = a.Int("tolG", tolB);
  const int tolR = a.Int("tolR", tolB);
  const int cb = color & 0xFF, cg = (color >> 8) & 0xFF, cr = (color >> 16) & 0xFF;
  const ClipInfo info = clip->Info();
  return Value::Clip(MakeFrameOp(std::move(clip), info, "ColorKeyMask", [=](const FrameBGR& s, FrameBGR& d) {
    for (int y = 0; y < s.height; ++y) {
      const std::uint8_t* in = s.Row(0, y);
      std::uint8_t* out = d.Row(0, y);
      std::memcpy(out, in, static_cast<std::size_t>(s.width) * 4);
      for (int x = 0; x < s.width; ++x) {
        const std::uint8_t* p = in + 4 * x;
        if (std::abs(p[kBlue] - cb) <= tolB && std::abs(p[kGreen] - cg) <= tolG && std::abs(p[kRed] - cr) <= tolR)
          out[4 * x + kAlpha] = 0;
      }
    }
  }));
}

// The byte a clip gives for a channel of MergeARGB: RGB by its channel,
// YUV by its luma.
std::uint8_t ChannelAt(const FrameBGR& f, int x, int y, int channel) {
  if (IsRGBType(f.type)) return f.Row(0, y)[BytesPerPixel(f.type) * x + channel];
  if (f.type == PixelType::YUY2) return f.Row(0, y)[2 * x];
  return f.Row(0, y)[x];
}

class MergeArgbClip : public Clip {
 public:
  MergeArgbClip(std::array<ClipPtr, 4> argb, const ClipInfo& info)
      : Clip(info), argb_(std::move(argb)), pool_("MergeARGB") {
    PassAudioFrom(argb_[0]);
  }
  FramePtr GetFrame(int n) override {
    std::array<FramePtr, 4> f;
    for (std::size_t i = 0; i < 4; ++i) f[i] = argb_[i]->GetFrame(n);
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    ParallelFor(info_.height, 16LL * info_.width, [&](int begin, int end) {
      for (int y = begin; y < end; ++y) {
        std::uint8_t* d = out->Row(0, y);
        for (int x = 0; x < info_.width; ++x) {
          d[4 * x + kAlpha] = ChannelAt(*f[0], x, y, kAlpha);
          d[4 * x + kRed] = ChannelAt(*f[1], x, y, kRed);
          d[4 * x + kGreen] = ChannelAt(*f[2], x, y, kGreen);
          d[4 * x + kBlue] = ChannelAt(*f[3], x, y, kBlue);
        }
      }
    });
    return out;
  }

 private:
  std::array<ClipPtr, 4> argb_;
  FramePool pool_;
};

Value MergeArgb(const CallArgs& a) {
  std::array<ClipPtr, 4> argb = {a.Clip("alpha"), a.Clip("red"), a.Clip("green"), a.Clip("blue")};
  if (argb[0]->Info().pixelType == PixelType::RGB24)
    throw FilterError("MergeARGB: Alpha source channel cannot be obtained from RGB24, RGB48 or alphaless planar RGB");
  for (int i = 1; i < 4; ++i) {
    if (argb[static_cast<std::size_t>(i)]->Info().width != argb[0]->Info().width)
      throw FilterError("MergeARGB: All clips must have the same width.");
    if (argb[static_cast<std::size_t>(i)]->Info().height != argb[0]->Info().height)
      throw FilterError("MergeARGB: All clips must have the same height.");
  }
  ClipInfo info = argb[0]->Info();
  info.pixelType = PixelType::RGB32;
  for (const ClipPtr& c : argb) info.frameCount = std::max(info.frameCount, c->Info().frameCount);
  return Value::Clip(std::make_shared<MergeArgbClip>(std::move(argb), info));
}

Value AddAlphaPlane(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  const PixelType type = clip->Info().pixelType;
  RequireType(IsRGBType(type), "AddAlphaPlane: only RGB24 and RGB32 have a form with alpha here");
  ClipPtr rgb32 = type == PixelType::RGB32 ? clip : MakeConvert(clip, PixelType::RGB32);
  if (a.Has("mask") && a.At("mask").IsClip()) {
    ClipPtr mask = a.At("mask").AsClip();
    const ClipInfo& mi = mask->Info();
    if (mi.width != clip->Info().width || mi.height != clip->Info().height)
      throw FilterError("AddAlphaPlane: mask clip should be of the same size as the clip");
    const ClipInfo info = rgb32->Info();
    // The mask's alpha (RGB32) or luma (greyscale types) becomes the alpha.
    return Value::Clip(std::make_shared<TwoClipOp>(
        std::move(rgb32), std::move(mask), info,
        [](const FrameBGR&, const FrameBGR& m, FrameBGR& out) {
          for (int y = 0; y < out.height; ++y) {
            std::uint8_t* d = out.Row(0, y);
            for (int x = 0; x < out.width; ++x) d[4 * x + kAlpha] = ChannelAt(m, x, y, kAlpha);
          }
        },
        "AddAlphaPlane"));
  }
  const int value = a.Has("mask") ? static_cast<int>(a.At("mask").AsFloat()) : 255;
  return Value::Clip(SetAlpha(std::move(rgb32), static_cast<std::uint8_t>(std::clamp(value, 0, 255))));
}

Value RemoveAlphaPlane(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  if (clip->Info().pixelType != PixelType::RGB32) return Value::Clip(clip);
  return Value::Clip(MakeConvert(std::move(clip), PixelType::RGB24));
}

// ---- planes of two clips ----

// The luma bytes of a frame, or its chroma bytes, as (row pointer, count)
// per row: plane 0, or planes 1 and 2; YUY2's alternate bytes.
// YUY2 weighs by 32768ths (the weight cut, not rounded), the
// rest by 32767ths.
void MixPlanes(const FrameBGR& src, FrameBGR& out, bool luma, int weight, int packedWeight, bool half) {
  auto mix = [&](std::uint8_t& d, std::uint8_t s) {
    if (weight >= 32767)
      d = s;
    else if (half)
      d = static_cast<std::uint8_t>((d + s + 1) >> 1);
    else
      d = static_cast<std::uint8_t>((d * (32767 - weight) + s * weight + 16384) >> 15);
  };
  if (out.type == PixelType::YUY2) {
    for (int y = 0; y < out.height; ++y) {
      std::uint8_t* d = out.Row(0, y);
      const std::uint8_t* s = src.Row(0, y);
      if (weight >= 32767 || half) {
        for (int x = luma ? 0 : 1; x < out.width * 2; x += 2) mix(d[x], s[x]);
      } else {
        const int w = packedWeight;
        for (int x = luma ? 0 : 1; x < out.width * 2; x += 2)
          d[x] = static_cast<std::uint8_t>((d[x] * (32768 - w) + s[x] * w + 16384) >> 15);
      }
    }
    return;
  }
  for (int p = luma ? 0 : 1; p < (luma ? 1 : out.Planes()); ++p)
    for (int y = 0; y < out.PlaneHeight(p); ++y) {
      std::uint8_t* d = out.Row(p, y);
      const std::uint8_t* s = src.Row(p, y);
      for (int x = 0; x < out.PlaneWidth(p); ++x) mix(d[x], s[x]);
    }
}

Value MergePlanes(const CallArgs& a, bool luma) {
  const std::string name = luma ? "MergeLuma" : "MergeChroma";
  ClipPtr clip = a.Clip("clip");
  ClipPtr other = a.Clip(luma ? "luma_clip" : "chroma_clip");
  const ClipInfo& ci = clip->Info();
  const ClipInfo& oi = other->Info();
  if (IsAnyRGBType(ci.pixelType) || IsAnyRGBType(oi.pixelType))
    throw FilterError(name + ": YUV data only (no RGB); use ConvertToYUY2, ConvertToYV12/16/24 or ConvertToYUVxxx");
  if (ci.width != oi.width || ci.height != oi.height)
    throw FilterError(name + ": Images must have same width and height!");
  const double weight = a.Float("weight", 1.0);
  // Y8 has no chroma to take; a luma-only clip gives none either.
  if (!luma && (ci.pixelType == PixelType::Y8 || oi.pixelType == PixelType::Y8)) return Value::Clip(clip);
  if (weight < 0.0001) return Value::Clip(clip);
  if (!luma && ci.pixelType != oi.pixelType) throw FilterError("MergeChroma: Images must have the same color format!");
  if (luma && (ci.pixelType == PixelType::YUY2) != (oi.pixelType == PixelType::YUY2))
    throw FilterError("MergeLuma: Images must have the same color format!");
  const int w = weight > 0.9999 ? 32767 : static_cast<int>(static_cast<float>(weight) * 32767.0f + 0.5f);
  const int packedWeight = static_cast<int>(weight * 32768.0);
  const bool half = weight == 0.5;
  const ClipInfo info = ci;
  return Value::Clip(std::make_shared<TwoClipOp>(
      std::move(clip), std::move(other), info,
      [luma, w, packedWeight, half](const FrameBGR&, const FrameBGR& o, FrameBGR& out) {
        MixPlanes(o, out, luma, w, packedWeight, half);
      },
      luma ? "MergeLuma" : "MergeChroma"));
}

// a - b + 128 (126 for YUV's luma, the middle of its range).
Value Subtract(const CallArgs& a) {
  ClipPtr x = a.Clip("clip1");
  ClipPtr y = a.Clip("clip2");
  if (x->Info().pixelType != y->Info().pixelType) throw FilterError("Subtract: image formats don't match");
  if (x->Info().width != y->Info().width || x->Info().height != y->Info().height)
    throw FilterError("Subtract: image dimensions don't match");
  ClipInfo info = x->Info();
  info.frameCount = std::max(info.frameCount, y->Info().frameCount);
  return Value::Clip(std::make_shared<TwoClipOp>(
      std::move(x), std::move(y), info,
      [](const FrameBGR& p, const FrameBGR& q, FrameBGR& out) {
        const bool yuv = IsYUVType(out.type);
        for (int pl = 0; pl < out.Planes(); ++pl) {
          const bool lumaPlane = yuv && pl == 0 && out.type != PixelType::YUY2;
          for (int r = 0; r < out.PlaneHeight(pl); ++r) {
            const std::uint8_t* s = p.Row(pl, r);
            const std::uint8_t* t = q.Row(pl, r);
            std::uint8_t* d = out.Row(pl, r);
            for (int i = 0; i < out.PlaneWidth(pl); ++i) {
              const bool luma = lumaPlane || (out.type == PixelType::YUY2 && (i & 1) == 0);
              d[i] = static_cast<std::uint8_t>(std::clamp(s[i] - t[i] + (luma ? 126 : 128), 0, 255));
            }
          }
        }
      },
      "Subtract"));
}

}  // namespace

void RegisterLayerFunctions(FunctionTable& t) {
  t.Add("Layer",
        {Req("base_clip", ParamType::Clip), Req("overlay_clip", ParamType::Clip), Opt("op", ParamType::String),
         Opt("level", ParamType::Int), Opt("x", ParamType::Int), Opt("y", ParamType::Int),
         Opt("threshold", ParamType::Int), Opt("use_chroma", ParamType::Bool), Opt("opacity", ParamType::Float),
         Opt("placement", ParamType::String)},
        Layer);
  t.Add("Mask", {Req("clip", ParamType::Clip), Req("mask_clip", ParamType::Clip)}, Mask);
  t.Add("ResetMask", {Req("clip", ParamType::Clip), Opt("mask", ParamType::Int)}, ResetMask);
  t.Add("ColorKeyMask",
        {Req("clip", ParamType::Clip), Req("color", ParamType::Int), Opt("tolB", ParamType::Int),
         Opt("tolG", ParamType::Int), Opt("tolR", ParamType::Int)},
        ColorKeyMask);
  t.Add("MergeARGB",
        {Req("alpha", ParamType::Clip), Req("red", ParamType::Clip), Req("green", ParamType::Clip),
         Req("blue", ParamType::Clip)},
        MergeArgb);
  t.Add("MergeLuma", {Req("clip", ParamType::Clip), Req("luma_clip", ParamType::Clip), Opt("weight", ParamType::Float)},
        [](const CallArgs& a) { return MergePlanes(a, true); });
  t.Add("MergeChroma",
        {Req("clip", ParamType::Clip), Req("chroma_clip", ParamType::Clip), Opt("weight", ParamType::Float)},
        [](const CallArgs& a) { return MergePlanes(a, false); });
  t.Add("Subtract", {Req("clip1", ParamType::Clip), Req("clip2", ParamType::Clip)}, Subtract);
  t.Add("AddAlphaPlane", {Req("clip", ParamType::Clip), Opt("mask", ParamType::Any)}, AddAlphaPlane);
  t.Add("RemoveAlphaPlane", {Req("clip", ParamType::Clip)}, RemoveAlphaPlane);
}

}  // namespace tandemix::engine
