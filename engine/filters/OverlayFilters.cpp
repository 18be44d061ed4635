// Overlay and MultiOverlay: one clip laid over another at a position, by a
// mode, through an optional mask and with an opacity.
//
// The overlay and the mask are first brought to the base clip's pixel type
// (YUY2 is worked on as its planar 4:2:2 form). Blend mixes each plane as
// it lies, subsampled chroma included, with the mask's luma averaged over
// each chroma sample when `greymask` is on; on RGB, the mask's blue channel
// weighs every colour (or each channel its own with greymask off) and the
// base's alpha is kept. The other modes work on 4:4:4 YUV.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "base/ParallelFor.h"
#include "engine/filters/Conversions.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/filters/FrameOps.h"
#include "engine/filters/OverlayModes.h"
#include "engine/frames/FrameBudget.h"
#include "engine/frames/FrameCopy.h"
#include "engine/frames/FrameLimits.h"
#include "engine/frames/ScriptError.h"
#include "engine/kernels/OverlayBlend.h"

namespace tandemix::engine {
namespace {

struct ModeName {
  const char* name;
  OverlayMode mode;
};
constexpr ModeName kModes[] = {
    {"blend", OverlayMode::Blend},           {"add", OverlayMode::Add},
    {"subtract", OverlayMode::Subtract},     {"multiply", OverlayMode::Multiply},
    {"chroma", OverlayMode::Chroma},         {"luma", OverlayMode::Luma},
    {"lighten", OverlayMode::Lighten},       {"darken", OverlayMode::Darken},
    {"softlight", OverlayMode::SoftLight},   {"hardlight", OverlayMode::HardLight},
    {"difference", OverlayMode::Difference}, {"exclusion", OverlayMode::Exclusion},
};

OverlayMode ModeOf(const std::string& text) {
  const std::string lower = LowerCase(text);
  for (const ModeName& m : kModes)
    if (lower == m.name) return m.mode;
  throw FilterError("Overlay: Invalid 'Mode' specified.");
}

// Where the overlay lands: its window [srcX, srcX + width) x [srcY, ...)
// goes to the base at (dstX, dstY); empty when it misses the base.
struct Placement {
  int srcX = 0, srcY = 0, dstX = 0, dstY = 0, width = 0, height = 0;
};
Placement PlaceOverlay(int x, int y, int overW, int overH, int baseW, int baseH) {
  Placement p;
  p.srcX = std::max(0, -x);
  p.srcY = std::max(0, -y);
  p.dstX = std::max(0, x);
  p.dstY = std::max(0, y);
  p.width = std::min(overW - p.srcX, baseW - p.dstX);
  p.height = std::min(overH - p.srcY, baseH - p.dstY);
  if (p.width <= 0 || p.height <= 0) p.width = p.height = 0;
  return p;
}

// The mask's luma averaged over each chroma sample of a subsampled type.
std::vector<std::uint8_t> ChromaMask(const FrameBGR& mask, int shiftX, int shiftY) {
  const int w = mask.width >> shiftX, h = mask.height >> shiftY;
  std::vector<std::uint8_t> out(static_cast<std::size_t>(w) * h);
  ParallelFor(h, 4LL * w, [&](int begin, int end) {
    for (int y = begin; y < end; ++y) {
      const std::uint8_t* r0 = mask.Row(0, y << shiftY);
      const std::uint8_t* r1 = mask.Row(0, (y << shiftY) + shiftY);
      std::uint8_t* d = &out[static_cast<std::size_t>(y) * w];
      for (int x = 0; x < w; ++x) {
        const int x0 = x << shiftX, x1 = x0 + shiftX;
        if (shiftY != 0)  // down each column rounding up, then across rounding down
          d[x] = static_cast<std::uint8_t>((((r0[x0] + r1[x0] + 1) >> 1) + ((r0[x1] + r1[x1] + 1) >> 1)) >> 1);
        else
          d[x] = static_cast<std::uint8_t>((r0[x0] + r0[x1] + 1) >> 1);
      }
    }
  });
  return out;
}

struct OverlaySettings {
  int x = 0, y = 0;
  float opacity = 1.0f;
  OverlayMode mode = OverlayMode::Blend;
  bool greymask = true;
  bool pcRange = false;
};

// The overlay laid over the base, all three in the base's type (planar or
// packed RGB; the mask may be null).
class OverlayClip : public Clip {
 public:
  OverlayClip(ClipPtr base, ClipPtr over, ClipPtr mask, const OverlaySettings& s)
      : Clip(base->Info()),
        base_(std::move(base)),
        over_(std::move(over)),
        mask_(std::move(mask)),
        s_(s),
        pool_("Overlay") {
    PassAudioFrom(base_);
  }
  FramePtr GetFrame(int n) override {
    FramePtr base = base_->GetFrame(n);
    FramePtr over = over_->GetFrame(n);
    FramePtr mask = mask_ ? mask_->GetFrame(n) : nullptr;
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    CopyRect(*base, 0, 0, *out, 0, 0, info_.width, info_.height);
    const Placement at = PlaceOverlay(s_.x, s_.y, over->width, over->height, info_.width, info_.height);
    if (at.width == 0) return out;
    // Blend, and luma and chroma on YUV, mix planes as they lie.
    const bool yuv = !IsRGBType(info_.pixelType);
    if (s_.mode == OverlayMode::Blend)
      Blend(*over, mask.get(), *out, at, 0, 3);
    else if (yuv && s_.mode == OverlayMode::Luma)
      Blend(*over, mask.get(), *out, at, 0, 1);
    else if (yuv && s_.mode == OverlayMode::Chroma)
      Blend(*over, mask.get(), *out, at, 1, 3);
    else if (ChromaShiftX(info_.pixelType) == 0)
      OverlayModeRows(s_.mode, *over, mask.get(), *out, at.srcX, at.srcY, at.dstX, at.dstY, at.width, at.height,
                      s_.opacity, s_.greymask);
    else
      Subsampled(*over, mask.get(), *out, at);
    return out;
  }

 private:
  // The modes on 4:2:2 and 4:2:0: the chroma repeated over its pixels, the
  // work done in 4:4:4, and each chroma sample the average of its pixels
  // (AviSynth's rounding: 4:2:0 averages pairs of rows first).
  void Subsampled(const FrameBGR& over, const FrameBGR* mask, FrameBGR& out, const Placement& at) const {
    const int sy = ChromaShiftY(out.type);
    FrameBGR base = Upsampled(out), wide = Upsampled(over);
    FrameBGR wideMask = mask != nullptr ? Upsampled(*mask) : FrameBGR();
    OverlayModeRows(s_.mode, wide, mask != nullptr ? &wideMask : nullptr, base, at.srcX, at.srcY, at.dstX, at.dstY,
                    at.width, at.height, s_.opacity, s_.greymask);
    std::memcpy(out.Plane(0), base.Plane(0), static_cast<std::size_t>(out.width) * out.height);
    for (int p = 1; p < 3; ++p)
      for (int y = 0; y < out.PlaneHeight(p); ++y) {
        const std::uint8_t* r0 = base.Row(p, y << sy);
        const std::uint8_t* r1 = base.Row(p, (y << sy) + sy);
        std::uint8_t* d = out.Row(p, y);
        for (int x = 0; x < out.PlaneWidth(p); ++x) {
          if (sy != 0)  // down each column rounding up, then across rounding down
            d[x] = static_cast<std::uint8_t>(
                (((r0[2 * x] + r1[2 * x] + 1) >> 1) + ((r0[2 * x + 1] + r1[2 * x + 1] + 1) >> 1)) >> 1);
          else
            d[x] = static_cast<std::uint8_t>((r0[2 * x] + r0[2 * x + 1] + 1) >> 1);
        }
      }
  }
  static FrameBGR Upsampled(const FrameBGR& f) {
    FrameBGR wide(PixelType::YV24, f.width, f.height);
    const int sx = ChromaShiftX(f.type), sy = ChromaShiftY(f.type);
    for (int y = 0; y < f.height; ++y) {
      std::memcpy(wide.Row(0, y), f.Row(0, y), static_cast<std::size_t>(f.width));
      for (int p = 1; p < 3; ++p) {
        const std::uint8_t* s = f.Row(p, y >> sy);
        std::uint8_t* d = wide.Row(p, y);
        for (int x = 0; x < f.width; ++x) d[x] = s[x >> sx];
      }
    }
    return wide;
  }

  // Planes [firstPlane, endPlane) of planar frames (all of a packed RGB frame).
  void Blend(const FrameBGR& over, const FrameBGR* mask, FrameBGR& out, const Placement& at, int firstPlane,
             int endPlane) const {
    const PixelType type = out.type;
    const float factor = mask != nullptr ? s_.opacity / 255.0f : s_.opacity;
    if (IsRGBType(type)) {
      const int bpp = BytesPerPixel(type);
      const int bytes = at.width * bpp;
      ParallelFor(at.height, 4LL * bytes, [&](int begin, int end) {
        std::vector<std::uint8_t> weights(mask != nullptr ? static_cast<std::size_t>(bytes) : 0);
        std::vector<std::uint8_t> alpha(bpp == 4 ? static_cast<std::size_t>(at.width) : 0);
        for (int r = begin; r < end; ++r) {
          std::uint8_t* d = out.Row(0, at.dstY + r) + static_cast<std::ptrdiff_t>(at.dstX) * bpp;
          const std::uint8_t* o = over.Row(0, at.srcY + r) + static_cast<std::ptrdiff_t>(at.srcX) * bpp;
          const std::uint8_t* m = nullptr;
          if (mask != nullptr) {
            const std::uint8_t* mr = mask->Row(0, at.srcY + r) + static_cast<std::ptrdiff_t>(at.srcX) * bpp;
            for (int i = 0; i < bytes; ++i)
              weights[static_cast<std::size_t>(i)] = s_.greymask ? mr[i - i % bpp] : mr[i];
            m = weights.data();
          }
          for (int i = 0; i < static_cast<int>(alpha.size()); ++i) alpha[static_cast<std::size_t>(i)] = d[4 * i + 3];
          OverlayBlendRow(d, o, m, d, bytes, factor);
          for (int i = 0; i < static_cast<int>(alpha.size()); ++i) d[4 * i + 3] = alpha[static_cast<std::size_t>(i)];
        }
      });
      return;
    }
    std::vector<std::uint8_t> averaged;
    for (int p = firstPlane; p < std::min(endPlane, out.Planes()); ++p) {
      const int sx = p == 0 ? 0 : ChromaShiftX(type), sy = p == 0 ? 0 : ChromaShiftY(type);
      const int w = at.width >> sx, h = at.height >> sy;
      const int ox = at.srcX >> sx, oy = at.srcY >> sy, dx = at.dstX >> sx, dy = at.dstY >> sy;
      // The mask's weights for this plane, with their row length.
      const std::uint8_t* weights = nullptr;
      std::size_t stride = 0;
      if (mask != nullptr) {
        if (p > 0 && s_.greymask && (sx != 0 || sy != 0)) {
          if (averaged.empty()) averaged = ChromaMask(*mask, sx, sy);  // once for both chroma planes
          weights = averaged.data();
          stride = static_cast<std::size_t>(mask->width >> sx);
        } else {
          const int mp = s_.greymask ? 0 : p;
          weights = mask->Plane(mp);
          stride = mask->Stride(mp);
        }
      }
      ParallelFor(h, 4LL * w, [&](int begin, int end) {
        for (int r = begin; r < end; ++r) {
          std::uint8_t* d = out.Row(p, dy + r) + dx;
          const std::uint8_t* o = over.Row(p, oy + r) + ox;
          const std::uint8_t* m =
              weights != nullptr ? weights + stride * static_cast<std::size_t>(oy + r) + ox : nullptr;
          OverlayBlendRow(d, o, m, d, w, factor);
        }
      });
    }
  }

  ClipPtr base_, over_, mask_;
  OverlaySettings s_;
  FramePool pool_;
};

ClipPtr ToType(ClipPtr clip, PixelType type, bool pcRange) {
  if (clip->Info().pixelType == type) return clip;
  const bool crossing = IsRGBType(clip->Info().pixelType) != IsRGBType(type);
  return MakeConvert(std::move(clip), type, crossing && pcRange ? "PC.601" : "");
}

// RGB32 worked on in YUV comes back with the base's alpha on even pixels
// and 0 on odd ones, as AviSynth's does.
class BaseAlphaClip : public Clip {
 public:
  BaseAlphaClip(ClipPtr result, ClipPtr base)
      : Clip(result->Info()), result_(std::move(result)), base_(std::move(base)), pool_("Overlay") {
    PassAudioFrom(base_);
  }
  FramePtr GetFrame(int n) override {
    FramePtr r = result_->GetFrame(n);
    FramePtr b = base_->GetFrame(n);
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    for (int y = 0; y < info_.height; ++y) {
      const std::uint8_t* s = r->Row(0, y);
      const std::uint8_t* a = b->Row(0, y);
      std::uint8_t* d = out->Row(0, y);
      std::memcpy(d, s, static_cast<std::size_t>(info_.width) * 4);
      for (int x = 0; x < info_.width; ++x) d[4 * x + 3] = (x & 1) == 0 ? a[4 * x + 3] : 0;
    }
    return out;
  }

 private:
  ClipPtr result_, base_;
  FramePool pool_;
};

// An RGB clip's blue channel as the luma of a Y8 clip.
ClipPtr BlueAsLuma(ClipPtr rgb) {
  ClipInfo info = rgb->Info();
  info.pixelType = PixelType::Y8;
  return MakeFrameOp(std::move(rgb), info, "Overlay", [](const FrameBGR& s, FrameBGR& d) {
    const int bpp = BytesPerPixel(s.type);
    for (int y = 0; y < s.height; ++y) {
      const std::uint8_t* in = s.Row(0, y);
      std::uint8_t* out = d.Row(0, y);
      for (int x = 0; x < s.width; ++x) out[x] = in[x * bpp];
    }
  });
}

ClipPtr MakeOverlay(ClipPtr base, ClipPtr over, ClipPtr mask, const OverlaySettings& s, const std::string& output) {
  const ClipInfo baseInfo = base->Info();
  if (mask) {
    const ClipInfo& mi = mask->Info();
    const ClipInfo& oi = over->Info();
    if (mi.width != oi.width)
      throw FilterError("Overlay: Mask and overlay must have the same image size! (Width is not the same)");
    if (mi.height != oi.height)
      throw FilterError("Overlay: Mask and overlay must have the same image size! (Height is not the same)");
  }
  PixelType outType = baseInfo.pixelType;
  if (!output.empty() && !ParsePixelType(output, outType)) throw FilterError("Overlay: invalid pixel_type!");
  // The type the work is done in: YUY2 as planar 4:2:2; modes other than
  // blend in 4:4:4 YUV.
  PixelType work = baseInfo.pixelType;
  if (work == PixelType::YUY2) work = PixelType::YV16;
  if (s.mode != OverlayMode::Blend && IsRGBType(work)) work = PixelType::YV24;
  // An RGB mask weighs by its blue channel where the work is in YUV.
  if (mask && s.greymask && IsRGBType(mask->Info().pixelType) && !IsRGBType(work)) mask = BlueAsLuma(mask);
  ClipPtr b = ToType(base, work, s.pcRange);
  ClipPtr o = ToType(std::move(over), work, s.pcRange);
  ClipPtr m = mask ? ToType(std::move(mask), work, s.pcRange) : nullptr;
  ClipPtr result = std::make_shared<OverlayClip>(std::move(b), std::move(o), std::move(m), s);
  if (baseInfo.pixelType == PixelType::RGB32 && work != PixelType::RGB32) {
    result = std::make_shared<BaseAlphaClip>(ToType(std::move(result), PixelType::RGB32, s.pcRange), base);
  }
  return ToType(std::move(result), outType, s.pcRange);
}

Value Overlay(const CallArgs& a) {
  OverlaySettings s;
  s.x = a.Int("x", 0);
  s.y = a.Int("y", 0);
  s.opacity = static_cast<float>(std::clamp(a.Float("opacity", 1.0), 0.0, 1.0));
  s.mode = ModeOf(a.String("mode", "blend"));
  s.greymask = a.Bool("greymask", true);
  s.pcRange = a.Bool("pc_range", false);
  return Value::Clip(MakeOverlay(a.Clip("clip"), a.Clip("overlay"), a.Has("mask") ? a.Clip("mask") : nullptr, s,
                                 a.String("output", "")));
}

// MultiOverlay: rectangles of other clips copied onto the base, in order,
// each at its place; parts outside the base are left out.
struct CopyPlace {
  int x, y;                       // where the rectangle's corner goes on the base
  int srcX, srcY, width, height;  // the rectangle in the overlay
};

class MultiOverlayClip : public Clip {
 public:
  MultiOverlayClip(ClipPtr base, std::vector<ClipPtr> overlays, std::vector<CopyPlace> places)
      : Clip(base->Info()),
        base_(std::move(base)),
        overlays_(std::move(overlays)),
        places_(std::move(places)),
        pool_("MultiOverlay") {
    PassAudioFrom(base_);
  }

  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    const FramePtr base = base_->GetFrame(n);
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    CopyFrameBytes(*base, *out);
    const PixelType t = info_.pixelType;
    for (std::size_t i = 0; i < overlays_.size(); ++i) {
      const FramePtr over = overlays_[i]->GetFrame(n);
      const CopyPlace& pl = places_[i];
      for (int p = 0; p < out->Planes(); ++p) {
        // Luma-sized numbers, brought to plane p's samples and bytes.
        const int sx = p == 0 ? 0 : ChromaShiftX(t), sy = p == 0 ? 0 : ChromaShiftY(t);
        const int bpp = p == 0 ? BytesPerPixel(t) : 1;
        int dx = pl.x >> sx, dy = pl.y >> sy, ox = pl.srcX >> sx, oy = pl.srcY >> sy;
        int w = pl.width >> sx, h = pl.height >> sy;
        if (dx < 0) ox -= dx, w += dx, dx = 0;
        if (dy < 0) oy -= dy, h += dy, dy = 0;
        w = std::min(w, (out->PlaneWidth(p) / bpp) - dx);
        h = std::min(h, out->PlaneHeight(p) - dy);
        if (w <= 0 || h <= 0) continue;
        for (int y = 0; y < h; ++y)
          std::memcpy(out->Row(p, dy + y) + static_cast<std::size_t>(dx * bpp),
                      over->Row(p, oy + y) + static_cast<std::size_t>(ox * bpp), static_cast<std::size_t>(w * bpp));
      }
    }
    return out;
  }

 private:
  static void CopyFrameBytes(const FrameBGR& src, FrameBGR& out) {
    for (int p = 0; p < src.Planes(); ++p)
      for (int y = 0; y < src.PlaneHeight(p); ++y)
        std::memcpy(out.Row(p, y), src.Row(p, y), static_cast<std::size_t>(src.PlaneWidth(p)));
  }

  ClipPtr base_;
  std::vector<ClipPtr> overlays_;
  std::vector<CopyPlace> places_;
  FramePool pool_;
};

// MultiOverlay(clip, overlays, positions): overlays one clip or an array of
// them; positions x, y (the whole overlay) or x, y, src_x, src_y, width,
// height per overlay, as integers or one array.
Value MultiOverlay(const CallArgs& a) {
  ClipPtr base = a.Clip("clip");
  std::vector<ClipPtr> overlays;
  const Value& given = a.At("overlays");
  if (given.IsArray()) {
    for (const Value& v : given.AsArray()) overlays.push_back(v.AsClip());
  } else {
    overlays.push_back(given.AsClip());
  }
  std::vector<int> numbers;
  const std::vector<Value>& rest = a.Rest();
  if (rest.size() == 1 && rest[0].IsArray()) {
    for (const Value& v : rest[0].AsArray()) numbers.push_back(static_cast<int>(v.AsInt()));
  } else {
    for (const Value& v : rest) numbers.push_back(static_cast<int>(v.AsInt()));
  }
  const std::size_t count = overlays.size();
  const bool full = numbers.size() == 6 * count;
  if (count == 0 || (numbers.size() != 2 * count && !full))
    throw FilterError("MultiOverlay: position array must contain 2 or 6 entries for each clip to overlay!");
  const ClipInfo& bi = base->Info();
  const PixelType t = bi.pixelType;
  const int modX = 1 << ChromaShiftX(t), modY = 1 << ChromaShiftY(t);
  std::vector<CopyPlace> places;
  for (std::size_t i = 0; i < count; ++i) {
    const ClipInfo& oi = overlays[i]->Info();
    if (oi.pixelType != t) throw FilterError("MultiOverlay: image format must match with the base");
    CopyPlace pl{};
    const int* n = numbers.data() + (full ? 6 * i : 2 * i);
    pl.x = n[0];
    pl.y = n[1];
    if (full) {
      pl.srcX = n[2], pl.srcY = n[3], pl.width = n[4], pl.height = n[5];
      if (pl.width <= 0 || pl.height <= 0) throw FilterError("MultiOverlay: source width and height must be positive.");
      if (pl.srcX < 0 || pl.srcY < 0) throw FilterError("MultiOverlay: source coordinate cannot be negative.");
      if (pl.srcX + static_cast<long long>(pl.width) > oi.width)
        throw FilterError("MultiOverlay: copy exceeds clip width. x=" + std::to_string(pl.srcX) +
                          ", size=" + std::to_string(pl.width) + ", clip width=" + std::to_string(oi.width));
      if (pl.srcY + static_cast<long long>(pl.height) > oi.height)
        throw FilterError("MultiOverlay: copy exceeds clip height. y=" + std::to_string(pl.srcY) +
                          ", size=" + std::to_string(pl.height) + ", clip height=" + std::to_string(oi.height));
    } else {
      pl.width = oi.width, pl.height = oi.height;
    }
    if (pl.x % modX != 0)
      throw FilterError("MultiOverlay: target x must be mod " + std::to_string(modX) + " for this video format");
    if (pl.y % modY != 0)
      throw FilterError("MultiOverlay: target y must be mod " + std::to_string(modY) + " for this video format");
    if (pl.srcX % modX != 0)
      throw FilterError("MultiOverlay: source x must be mod " + std::to_string(modX) + " for this video format");
    if (pl.srcY % modY != 0)
      throw FilterError("MultiOverlay: source y must be mod " + std::to_string(modY) + " for this video format");
    if (pl.width % modX != 0)
      throw FilterError("MultiOverlay: source width must be mod " + std::to_string(modX) + " for this video format");
    if (pl.height % modY != 0)
      throw FilterError("MultiOverlay: source height must be mod " + std::to_string(modY) + " for this video format");
    places.push_back(pl);
  }
  return Value::Clip(std::make_shared<MultiOverlayClip>(std::move(base), std::move(overlays), std::move(places)));
}

}  // namespace

void RegisterOverlayFunctions(FunctionTable& t) {
  t.Add("MultiOverlay",
        {Req("clip", ParamType::Clip), Req("overlays", ParamType::Any), Many("positions", ParamType::Any)},
        MultiOverlay);
  t.Add("Overlay",
        {Req("clip", ParamType::Clip), Req("overlay", ParamType::Clip), Opt("x", ParamType::Int),
         Opt("y", ParamType::Int), Opt("mask", ParamType::Clip), Opt("opacity", ParamType::Float),
         Opt("mode", ParamType::String), Opt("greymask", ParamType::Bool), Opt("output", ParamType::String),
         Opt("ignore_conditional", ParamType::Bool), Opt("pc_range", ParamType::Bool), Opt("use444", ParamType::Bool),
         Opt("condvarsuffix", ParamType::String)},
        Overlay);
}

}  // namespace tandemix::engine
