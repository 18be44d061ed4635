// Colour: MergeRGB, ShowRed/ShowGreen/ShowBlue, Merge, Greyscale, Invert
// and Tweak.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
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

constexpr int kBlue = 0, kGreen = 1, kRed = 2;

void CheckSameSize(const std::string& message, const ClipInfo& a, const ClipInfo& b) {
  if (a.width != b.width || a.height != b.height) throw FilterError(message);
}

// Red from the first clip's red, green from the second's green, blue from
// the third's blue; RGB in, RGB32 (or RGB24) out.
class MergeRgbClip : public Clip {
 public:
  MergeRgbClip(std::array<ClipPtr, 3> rgb, const ClipInfo& info) : Clip(info), rgb_(std::move(rgb)), pool_("MergeRGB") {
    PassAudioFrom(rgb_[0]);
  }
  FramePtr GetFrame(int n) override {
    FramePtr r = Owned(rgb_[0]->GetFrame(n));
    FramePtr g = Owned(rgb_[1]->GetFrame(n));
    FramePtr b = Owned(rgb_[2]->GetFrame(n));
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    const int bpp = BytesPerPixel(info_.pixelType);
    // A planar YUV clip gives its luma for its channel, planar RGB the channel's plane.
    auto channel = [](const FrameBGR& f, int offset) {
      if (IsPlanarRGBType(f.type)) return std::pair{f.Plane(offset), 0};
      return IsPlanarType(f.type) ? std::pair{f.Plane(0), 0} : std::pair{f.Plane(0), offset};
    };
    const auto [rp, ro] = channel(*r, kRed);
    const auto [gp, go] = channel(*g, kGreen);
    const auto [bp, bo] = channel(*b, kBlue);
    const int rb = BytesPerPixel(r->type), gb = BytesPerPixel(g->type), bb = BytesPerPixel(b->type);
    const std::size_t count = static_cast<std::size_t>(info_.width) * info_.height;
    if (IsPlanarRGBType(info_.pixelType)) {
      for (std::size_t i = 0; i < count; ++i) {
        out->Plane(kBlue)[i] = bp[i * bb + bo];
        out->Plane(kGreen)[i] = gp[i * gb + go];
        out->Plane(kRed)[i] = rp[i * rb + ro];
      }
      if (out->Planes() == 4) std::memset(out->Plane(3), 0, count);
      return out;
    }
    for (std::size_t i = 0; i < count; ++i) {
      std::uint8_t* d = &out->pixels[i * bpp];
      d[kBlue] = bp[i * bb + bo];
      d[kGreen] = gp[i * gb + go];
      d[kRed] = rp[i * rb + ro];
      if (bpp == 4) d[3] = 0;  // alpha is cleared, as AviSynth's MergeRGB does
    }
    return out;
  }

 private:
  std::array<ClipPtr, 3> rgb_;
  FramePool pool_;
};

// AviSynth's Merge: 15-bit weights, and the exact average at 0.5.
class MergeClip : public Clip {
 public:
  MergeClip(ClipPtr a, ClipPtr b, double weight)
      : Clip(a->Info()), a_(std::move(a)), b_(std::move(b)), half_(weight == 0.5), pool_("Merge") {
    weight_ = static_cast<int>(static_cast<float>(weight) * 32767.0f + 0.5f);  // rounded, as AviSynth does
    PassAudioFrom(a_);
  }
  FramePtr GetFrame(int n) override {
    FramePtr x = Owned(a_->GetFrame(n));
    FramePtr y = Owned(b_->GetFrame(n));
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    const std::size_t size = out->pixels.size();
    const std::uint8_t* p = x->pixels.data();
    const std::uint8_t* q = y->pixels.data();
    std::uint8_t* d = out->pixels.data();
    if (half_) {
      for (std::size_t i = 0; i < size; ++i) d[i] = static_cast<std::uint8_t>((p[i] + q[i] + 1) >> 1);
    } else {
      const int w = weight_, inv = 32767 - weight_;
      for (std::size_t i = 0; i < size; ++i) d[i] = static_cast<std::uint8_t>((p[i] * inv + q[i] * w + 16384) >> 15);
    }
    return out;
  }

 private:
  ClipPtr a_, b_;
  bool half_;
  int weight_ = 0;
  FramePool pool_;
};

std::uint8_t Clip8(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

// AviSynth's Tweak on planar YUV and YUY2. Luma goes through a table for
// bright and cont. Chroma (u, v about 128) is turned by hue and scaled by
// sat in 9-bit fixed point: int((u cos + v sin) * iSat) >> 9, with the
// sine and cosine in double precision; with realcalc the same in single
// precision floats, without the fixed point. Only the chroma whose hue
// (atan2(v, u), in degrees) lies from startHue to endHue and whose
// saturation (the distance from 128, 1.19 to a percent) lies from minSat
// to maxSat is changed; within interp of those limits the change fades
// out. With coring, luma is kept to 16..235 and chroma to 16..240.
struct TweakOp {
  double sin = 0, cos = 1;
  int sat = 512;
  bool coring = true, allPixels = true, realcalc = false;
  double startHue = 0, endHue = 360, maxSat = 150, minSat = 0, interp = 16;
  std::array<std::uint8_t, 256> luma{};
  std::vector<std::uint16_t> chroma;  // (u << 8 | v) -> new u | new v << 8

  // Whether (u, v) about 0 is to change, and the saturation it takes.
  bool Selected(int u, int v, int& iSat) const {
    double t = std::atan2(static_cast<double>(v), static_cast<double>(u)) * 180.0 / 3.14159265358979323846;
    if (t < 0.0) t += 360.0;
    if ((startHue < endHue && (t > endHue || t < startHue)) || (t > endHue && t < startHue)) return false;
    const double w = static_cast<double>(u) * u + static_cast<double>(v) * v;
    if (minSat * minSat <= w && w <= maxSat * maxSat) return true;
    if (interp == 0.0) return false;
    const double high = std::min(maxSat + interp, 180.0);
    const double low = std::max(minSat - interp, 0.0);
    if (w <= low * low || high * high <= w) return false;
    const double hold = w < minSat * minSat ? minSat : maxSat;
    iSat += static_cast<int>((512 - iSat) * std::fabs(std::sqrt(w) - hold) / interp);
    return true;
  }
  std::uint16_t Chroma(int u8, int v8) const {
    const int lo = coring ? 16 : 0, hi = coring ? 240 : 255;
    const int u = u8 - 128, v = v8 - 128;
    int iSat = sat;
    if (!allPixels && !Selected(u, v, iSat))
      return static_cast<std::uint16_t>(std::clamp(u8, lo, hi) | std::clamp(v8, lo, hi) << 8);
    int nu = 0, nv = 0;
    if (realcalc) {
      const float s = static_cast<float>(sin), c = static_cast<float>(cos);
      const float k = iSat == sat ? satFloat : static_cast<float>(iSat / 512.0);
      const float fu = (static_cast<float>(u) * c + static_cast<float>(v) * s) * k;
      const float fv = (static_cast<float>(v) * c - static_cast<float>(u) * s) * k;
      nu = static_cast<int>(std::floor(fu + 128.0f));
      nv = static_cast<int>(std::floor(fv + 128.0f));
    } else {
      nu = (static_cast<int>((u * cos + v * sin) * iSat) >> 9) + 128;
      nv = (static_cast<int>((v * cos - u * sin) * iSat) >> 9) + 128;
    }
    return static_cast<std::uint16_t>(std::clamp(nu, lo, hi) | std::clamp(nv, lo, hi) << 8);
  }
  float satFloat = 1.0f;

  void operator()(const FrameBGR& src, FrameBGR& out) const {
    out.pixels = src.pixels;
    auto turn = [this](std::uint8_t& u, std::uint8_t& v) {
      const std::uint16_t m = chroma[static_cast<std::size_t>(u) << 8 | v];
      u = static_cast<std::uint8_t>(m & 0xff);
      v = static_cast<std::uint8_t>(m >> 8);
    };
    if (out.type == PixelType::YUY2) {
      for (std::size_t i = 0; i + 3 < out.pixels.size(); i += 4) {
        out.pixels[i] = luma[out.pixels[i]];
        out.pixels[i + 2] = luma[out.pixels[i + 2]];
        turn(out.pixels[i + 1], out.pixels[i + 3]);
      }
      return;
    }
    std::uint8_t* y = out.Plane(0);
    const std::size_t lumaBytes = out.Stride(0) * static_cast<std::size_t>(out.height);
    for (std::size_t i = 0; i < lumaBytes; ++i) y[i] = luma[y[i]];
    if (out.Planes() < 3) return;
    std::uint8_t* u = out.Plane(1);
    std::uint8_t* v = out.Plane(2);
    const std::size_t count = out.Stride(1) * static_cast<std::size_t>(out.PlaneHeight(1));
    for (std::size_t i = 0; i < count; ++i) turn(u[i], v[i]);
  }
};

Value Tweak(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  RequireType(IsYUVType(clip->Info().pixelType), "Tweak: YUV data only (no RGB)");
  const double hue = a.Float("hue", 0.0);
  const double sat = a.Float("sat", 1.0);
  const double bright = a.Float("bright", 0.0);
  const double cont = a.Float("cont", 1.0);
  const bool coring = a.Bool("coring", true);
  const double startHue = a.Float("startHue", 0.0), endHue = a.Float("endHue", 360.0);
  const double maxSat = a.Float("maxSat", 150.0), minSat = a.Float("minSat", 0.0);
  // interp is in the same percent as minSat and maxSat; unsaid, the fade
  // spans 16 steps of chroma.
  const double interp = a.Has("interp") ? a.Float("interp") * 1.19 : 16.0;
  const bool realcalc = a.Bool("realcalc", false);
  if (sat < 0.0 || sat > 10.0) throw FilterError("Tweak: sat must be between 0.0 and 10.0");
  if (cont < 0.0 || cont > 10.0) throw FilterError("Tweak: cont must be between 0.0 and 10.0");
  const bool allPixels = startHue == 0.0 && endHue == 360.0 && maxSat == 150.0 && minSat == 0.0;
  if (clip->Info().pixelType == PixelType::Y8 && !(hue == 0.0 && sat == 1.0 && allPixels))
    throw FilterError("Tweak: bright and cont are the only options available for greyscale.");
  if (startHue < 0.0 || startHue >= 360.0)
    throw FilterError("Tweak: startHue must be greater than or equal to 0.0 and less than 360.0");
  if (endHue <= 0.0 || endHue > 360.0)
    throw FilterError("Tweak: endHue must be greater than 0.0 and less than or equal to 360.0");
  if (minSat >= maxSat) throw FilterError("Tweak: MinSat must be less than MaxSat");
  if (minSat < 0.0 || minSat >= 150.0)
    throw FilterError("Tweak: minSat must be greater than or equal to 0 and less than 150.");
  if (maxSat <= 0.0 || maxSat > 150.0)
    throw FilterError("Tweak: maxSat must be greater than 0 and less than or equal to 150.");
  if (a.Has("interp") && (a.Float("interp") >= 150.0 || a.Float("interp") < 0.0))
    throw FilterError("Tweak: Interp must be greater than or equal to 0 and less than 150.");
  const double radians = hue * 3.14159265358979323846 / 180.0;
  TweakOp op;
  op.sin = std::sin(radians);
  op.cos = std::cos(radians);
  op.sat = static_cast<int>(sat * 512);
  op.satFloat = static_cast<float>(sat);
  op.coring = coring;
  op.allPixels = allPixels;
  op.realcalc = realcalc;
  op.startHue = startHue;
  op.endHue = endHue;
  op.maxSat = maxSat * 1.19;
  op.minSat = minSat * 1.19;
  op.interp = interp;
  for (int i = 0; i < 256; ++i) {
    int y = 0;
    if (realcalc) {
      const float fc = static_cast<float>(cont), fb = static_cast<float>(bright);
      y = coring ? static_cast<int>(std::floor(static_cast<float>(i - 16) * fc + fb + 16.0f))
                 : static_cast<int>(std::floor(static_cast<float>(i) * fc + fb));
    } else {
      y = coring ? static_cast<int>((i - 16) * cont + bright + 16.5) : static_cast<int>(i * cont + bright + 0.5);
    }
    op.luma[static_cast<std::size_t>(i)] =
        static_cast<std::uint8_t>(std::clamp(y, coring ? 16 : 0, coring ? 235 : 255));
  }
  op.chroma.resize(256 * 256);
  for (int u = 0; u < 256; ++u)
    for (int v = 0; v < 256; ++v) op.chroma[static_cast<std::size_t>(u << 8 | v)] = op.Chroma(u, v);
  const ClipInfo info = clip->Info();
  return Value::Clip(MakeFrameOp(std::move(clip), info, "Tweak", std::move(op)));
}

// AviSynth's Greyscale: RGB to the luma of the matrix in 15-bit weights
// (studio-range matrices add 16), written to all three channels; YUV by
// setting the chroma to 128, and a matrix refused there.
struct GreyWeights {
  const char* names[2];
  int blue, green, red, offset;
};
// As AviSynth weighs them (not quite the matrices' rounded coefficients).
constexpr GreyWeights kGreyWeights[] = {
    {{"pc.601", "pc601"}, 3728, 19262, 9778, 0},      {{"pc.709", "pc709"}, 2361, 23454, 6953, 0},
    {{"pc.2020", "pc2020"}, 1939, 22238, 8591, 0},    {{"rec601", "rec601"}, 3202, 16487, 8398, 16},
    {{"rec709", "rec709"}, 2028, 20088, 5971, 16},    {{"rec2020", "rec2020"}, 1666, 19043, 7378, 16},
    {{"average", "average"}, 10901, 10966, 10901, 0},
};

Value Greyscale(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  const ClipInfo info = clip->Info();
  if (IsYUVType(info.pixelType)) {
    if (info.pixelType == PixelType::Y8) return Value::Clip(clip);  // already grey, whatever the matrix
    if (a.Has("matrix")) throw FilterError("GreyScale: invalid \"matrix\" parameter (RGB data only)");
    return Value::Clip(MakeFrameOp(std::move(clip), info, "Greyscale", [](const FrameBGR& s, FrameBGR& d) {
      d.pixels = s.pixels;
      if (d.type == PixelType::YUY2) {
        for (std::size_t i = 1; i < d.pixels.size(); i += 2) d.pixels[i] = 128;
        return;
      }
      std::fill(d.pixels.begin() + static_cast<std::ptrdiff_t>(d.PlaneOffset(1)), d.pixels.end(), std::uint8_t{128});
    }));
  }
  const std::string matrix = LowerCase(a.String("matrix", "pc.601"));
  const GreyWeights* w = nullptr;
  for (const GreyWeights& g : kGreyWeights)
    if (matrix == g.names[0] || matrix == g.names[1]) w = &g;
  if (w == nullptr) throw FilterError("Convert: Unknown matrix");
  const GreyWeights weights = *w;
  return Value::Clip(MakeFrameOp(std::move(clip), info, "Greyscale", [weights](const FrameBGR& s, FrameBGR& d) {
    const int bpp = BytesPerPixel(s.type);
    const std::size_t size = s.pixels.size();
    for (std::size_t i = 0; i < size; i += static_cast<std::size_t>(bpp)) {
      const std::uint8_t* p = &s.pixels[i];
      std::uint8_t* q = &d.pixels[i];
      q[0] = q[1] = q[2] =
          Clip8(((p[kBlue] * weights.blue + p[kGreen] * weights.green + p[kRed] * weights.red + 16384) >> 15) +
                weights.offset);
      if (bpp == 4) q[3] = p[3];
    }
  }));
}

// Invert(channels): the channels named (R, G, B, A or Y, U, V, A, in any
// case; other letters are passed over) become 255 minus themselves.
Value Invert(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  const ClipInfo info = clip->Info();
  const std::string channels = LowerCase(a.String("channels", "rgbayuv"));
  auto named = [&channels](char c) { return channels.find(c) != std::string::npos; };
  // Per byte of a packed pixel group, or per plane: whether it turns.
  std::array<bool, 4> turn{};
  const PixelType type = info.pixelType;
  if (IsRGBType(type)) {
    turn = {named('b'), named('g'), named('r'), named('a')};
  } else if (type == PixelType::YUY2) {
    turn = {named('y'), named('u'), named('y'), named('v')};
  } else {
    turn = {named('y'), named('u'), named('v'), false};
  }
  // 255 - v is v ^ 255: each row is XORed with a mask of the bytes that
  // turn, eight bytes at a time.
  return Value::Clip(MakeFrameOp(std::move(clip), info, "Invert", [turn](const FrameBGR& s, FrameBGR& d) {
    const int group = s.type == PixelType::RGB24 ? 3 : IsPlanarType(s.type) ? 1 : 4;
    for (int p = 0; p < s.Planes(); ++p) {
      const int bytes = s.PlaneWidth(p);
      std::vector<std::uint8_t> mask(static_cast<std::size_t>(bytes) + 8);
      for (int x = 0; x < bytes; ++x)
        mask[static_cast<std::size_t>(x)] =
            (IsPlanarType(s.type) ? turn[static_cast<std::size_t>(p)] : turn[static_cast<std::size_t>(x % group)]) ? 255
                                                                                                                   : 0;
      ParallelFor(s.PlaneHeight(p), bytes, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
          const std::uint8_t* in = s.Row(p, y);
          std::uint8_t* out = d.Row(p, y);
          int x = 0;
          for (; x + 8 <= bytes; x += 8) {
            std::uint64_t v, m;
            std::memcpy(&v, in + x, 8);
            std::memcpy(&m, mask.data() + x, 8);
            v ^= m;
            std::memcpy(out + x, &v, 8);
          }
          for (; x < bytes; ++x) out[x] = in[x] ^ mask[static_cast<std::size_t>(x)];
        }
      });
    }
  }));
}

}  // namespace

void RegisterColorFunctions(FunctionTable& t) {
  t.Add("MergeRGB",
        {Req("r", ParamType::Clip), Req("g", ParamType::Clip), Req("b", ParamType::Clip),
         Opt("pixel_type", ParamType::String)},
        [](const CallArgs& a) {
          std::array<ClipPtr, 3> rgb = {a.Clip("r"), a.Clip("g"), a.Clip("b")};
          for (const ClipPtr& c : rgb)
            RequireType(IsAnyRGBType(c->Info().pixelType) || IsPlanarType(c->Info().pixelType),
                        "MergeRGB: All clips must be RGB");
          for (int i = 1; i < 3; ++i)
            CheckSameSize("MergeRGB: All clips must have the same width and height!", rgb[0]->Info(), rgb[i]->Info());
          ClipInfo info = rgb[0]->Info();
          // Planar RGB gives planar RGB unless told otherwise.
          info.pixelType = IsPlanarRGBType(info.pixelType) ? PixelType::RGBP8 : PixelType::RGB32;
          if (a.Has("pixel_type")) {
            PixelType type = PixelType::RGB32;
            if (!ParsePixelType(a.String("pixel_type"), type) || !IsAnyRGBType(type))
              throw FilterError("MergeRGB: supports the following output pixel types: RGB24, RGB32");
            info.pixelType = type;
          }
          for (const ClipPtr& c : rgb) info.frameCount = std::max(info.frameCount, c->Info().frameCount);
          return Value::Clip(std::make_shared<MergeRgbClip>(std::move(rgb), info));
        });
  t.Add("Merge", {Req("clip1", ParamType::Clip), Req("clip2", ParamType::Clip), Opt("weight", ParamType::Float)},
        [](const CallArgs& a) {
          if (a.Clip("clip1")->Info().pixelType != a.Clip("clip2")->Info().pixelType)
            throw FilterError("Merge: Pixel types are not the same. Both must be the same.");
          CheckSameSize("Merge: Images must have same width and height!", a.Clip("clip1")->Info(),
                        a.Clip("clip2")->Info());
          const double weight = a.Float("weight", 0.5);
          if (!(weight >= 0.0 && weight <= 1.0)) throw FilterError("Merge: weight must be between 0.0 and 1.0");
          if (weight < 0.0001) return Value::Clip(a.Clip("clip1"));
          if (weight > 0.9999) return Value::Clip(a.Clip("clip2"));
          return Value::Clip(std::make_shared<MergeClip>(a.Clip("clip1"), a.Clip("clip2"), weight));
        });
  t.Add("Greyscale", {Req("clip", ParamType::Clip), Opt("matrix", ParamType::String)}, Greyscale);
  t.Add("Grayscale", {Req("clip", ParamType::Clip), Opt("matrix", ParamType::String)}, Greyscale);
  t.Add("Invert", {Req("clip", ParamType::Clip), Opt("channels", ParamType::String)}, Invert);
  t.Add("Tweak",
        {Req("clip", ParamType::Clip), Opt("hue", ParamType::Float), Opt("sat", ParamType::Float),
         Opt("bright", ParamType::Float), Opt("cont", ParamType::Float), Opt("coring", ParamType::Bool),
         Opt("sse", ParamType::Bool), Opt("startHue", ParamType::Float), Opt("endHue", ParamType::Float),
         Opt("maxSat", ParamType::Float), Opt("minSat", ParamType::Float), Opt("interp", ParamType::Float),
         Opt("dither", ParamType::Bool), Opt("realcalc", ParamType::Bool), Opt("dither_strength", ParamType::Float)},
        Tweak);
}

}  // namespace tandemix::engine
