// Colour: MergeRGB, ShowRed/ShowGreen/ShowBlue, Merge, Greyscale, Invert
// and Tweak.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "platform/engine/FilterSupport.h"
#include "platform/engine/Functions.h"

namespace tandemix::engine {
namespace {

constexpr int kBlue = 0, kGreen = 1, kRed = 2;

void CheckSameSize(const std::string& message, const ClipInfo& a, const ClipInfo& b) {
  if (a.width != b.width || a.height != b.height) throw FilterError(message);
}

// Red from the first clip's red, green from the second's green, blue from
// the third's blue.
class MergeRgbClip : public Clip {
 public:
  MergeRgbClip(std::array<ClipPtr, 3> rgb, const ClipInfo& info) : Clip(info), rgb_(std::move(rgb)) {}
  FramePtr GetFrame(int n) override {
    FramePtr r = rgb_[0]->GetFrame(n);
    FramePtr g = rgb_[1]->GetFrame(n);
    FramePtr b = rgb_[2]->GetFrame(n);
    auto out = NewFrame(info_.width, info_.height);
    const std::size_t size = out->pixels.size();
    for (std::size_t i = 0; i < size; i += 3) {
      out->pixels[i + kBlue] = b->pixels[i + kBlue];
      out->pixels[i + kGreen] = g->pixels[i + kGreen];
      out->pixels[i + kRed] = r->pixels[i + kRed];
    }
    return out;
  }

 private:
  std::array<ClipPtr, 3> rgb_;
};

// A pixel operation applied to every pixel of the child's frames.
template <typename Op>
class PixelClip : public Clip {
 public:
  PixelClip(ClipPtr child, Op op) : Clip(child->Info()), child_(std::move(child)), op_(std::move(op)) {}
  FramePtr GetFrame(int n) override {
    FramePtr src = child_->GetFrame(n);
    auto out = NewFrame(info_.width, info_.height);
    const std::size_t size = out->pixels.size();
    for (std::size_t i = 0; i < size; i += 3) op_(&src->pixels[i], &out->pixels[i]);
    return out;
  }

 private:
  ClipPtr child_;
  Op op_;
};

template <typename Op>
ClipPtr MakePixelClip(ClipPtr child, Op op) {
  return std::make_shared<PixelClip<Op>>(std::move(child), std::move(op));
}

class MergeClip : public Clip {
 public:
  MergeClip(ClipPtr a, ClipPtr b, int weight) : Clip(a->Info()), a_(std::move(a)), b_(std::move(b)), weight_(weight) {}
  FramePtr GetFrame(int n) override {
    FramePtr x = a_->GetFrame(n);
    FramePtr y = b_->GetFrame(n);
    auto out = NewFrame(info_.width, info_.height);
    const std::size_t size = out->pixels.size();
    for (std::size_t i = 0; i < size; ++i)
      out->pixels[i] = static_cast<std::uint8_t>((x->pixels[i] * (256 - weight_) + y->pixels[i] * weight_ + 128) >> 8);
    return out;
  }

 private:
  ClipPtr a_, b_;
  int weight_;
};

std::uint8_t Clamp8(double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

// Tweak works on luma and chroma (ITU-R BT.601, studio range), as the
// YUV filter it comes from does: hue turns the chroma, sat scales it,
// bright and cont act on luma.
struct TweakOp {
  double cosHue, sinHue, sat, bright, cont;
  bool coring;
  void operator()(const std::uint8_t* s, std::uint8_t* d) const {
    const double b = s[kBlue], g = s[kGreen], r = s[kRed];
    double y = 16.0 + (65.481 * r + 128.553 * g + 24.966 * b) / 255.0;
    const double u = (-37.797 * r - 74.203 * g + 112.0 * b) / 255.0;
    const double v = (112.0 * r - 93.786 * g - 18.214 * b) / 255.0;
    y = (y - 16.0) * cont + bright + 16.0;
    if (coring) y = std::clamp(y, 16.0, 235.0);
    const double u2 = (u * cosHue + v * sinHue) * sat;
    const double v2 = (v * cosHue - u * sinHue) * sat;
    const double yy = (y - 16.0) * 255.0 / 219.0;
    d[kRed] = Clamp8(yy + 1.402 * 255.0 / 224.0 * v2);
    d[kGreen] = Clamp8(yy - (0.344136 * u2 + 0.714136 * v2) * 255.0 / 224.0);
    d[kBlue] = Clamp8(yy + 1.772 * 255.0 / 224.0 * u2);
  }
};

Value Tweak(const CallArgs& a) {
  const double hue = a.Float(1, 0.0);
  const double sat = a.Float(2, 1.0);
  const double bright = a.Float(3, 0.0);
  const double cont = a.Float(4, 1.0);
  if (sat < 0.0 || sat > 10.0) throw FilterError("Tweak: sat must be between 0.0 and 10.0");
  if (cont < 0.0 || cont > 10.0) throw FilterError("Tweak: cont must be between 0.0 and 10.0");
  // Neutral settings leave the picture untouched.
  if (hue == 0.0 && sat == 1.0 && bright == 0.0 && cont == 1.0) return Value::Clip(a.Clip(0));
  const double radians = hue * 3.14159265358979323846 / 180.0;
  return Value::Clip(
      MakePixelClip(a.Clip(0), TweakOp{std::cos(radians), std::sin(radians), sat, bright, cont, a.Bool(5, true)}));
}

Value ShowChannel(const CallArgs& a, int channel) {
  return Value::Clip(
      MakePixelClip(a.Clip(0), [channel](const std::uint8_t* s, std::uint8_t* d) { d[0] = d[1] = d[2] = s[channel]; }));
}

}  // namespace

void RegisterColorFunctions(FunctionTable& t) {
  t.Add("MergeRGB",
        {Req("r", ParamType::Clip), Req("g", ParamType::Clip), Req("b", ParamType::Clip),
         Opt("pixel_type", ParamType::String)},
        [](const CallArgs& a) {
          std::array<ClipPtr, 3> rgb = {a.Clip(0), a.Clip(1), a.Clip(2)};
          for (int i = 1; i < 3; ++i)
            CheckSameSize("MergeRGB: All clips must have the same width and height!", rgb[0]->Info(), rgb[i]->Info());
          ClipInfo info = rgb[0]->Info();
          for (const ClipPtr& c : rgb) info.frameCount = std::max(info.frameCount, c->Info().frameCount);
          return Value::Clip(std::make_shared<MergeRgbClip>(std::move(rgb), info));
        });
  const std::vector<Param> show = {Req("clip", ParamType::Clip), Opt("pixel_type", ParamType::String)};
  t.Add("ShowRed", show, [](const CallArgs& a) { return ShowChannel(a, kRed); });
  t.Add("ShowGreen", show, [](const CallArgs& a) { return ShowChannel(a, kGreen); });
  t.Add("ShowBlue", show, [](const CallArgs& a) { return ShowChannel(a, kBlue); });
  t.Add("Merge", {Req("clip1", ParamType::Clip), Req("clip2", ParamType::Clip), Opt("weight", ParamType::Float)},
        [](const CallArgs& a) {
          CheckSameSize("Merge: Images must have same width and height!", a.Clip(0)->Info(), a.Clip(1)->Info());
          const double weight = a.Float(2, 0.5);
          if (!(weight >= 0.0 && weight <= 1.0)) throw FilterError("Merge: weight must be between 0.0 and 1.0");
          const int w = static_cast<int>(std::lround(weight * 256.0));
          if (w == 0) return Value::Clip(a.Clip(0));
          if (w == 256) return Value::Clip(a.Clip(1));
          return Value::Clip(std::make_shared<MergeClip>(a.Clip(0), a.Clip(1), w));
        });
  t.Add("Greyscale", {Req("clip", ParamType::Clip), Opt("matrix", ParamType::String)}, [](const CallArgs& a) {
    return Value::Clip(MakePixelClip(a.Clip(0), [](const std::uint8_t* s, std::uint8_t* d) {
      d[0] = d[1] = d[2] = static_cast<std::uint8_t>((29 * s[kBlue] + 150 * s[kGreen] + 77 * s[kRed] + 128) >> 8);
    }));
  });
  t.Add("Invert", {Req("clip", ParamType::Clip), Opt("channels", ParamType::String)}, [](const CallArgs& a) {
    return Value::Clip(MakePixelClip(a.Clip(0), [](const std::uint8_t* s, std::uint8_t* d) {
      for (int c = 0; c < 3; ++c) d[c] = static_cast<std::uint8_t>(255 - s[c]);
    }));
  });
  t.Add("Tweak",
        {Req("clip", ParamType::Clip), Opt("hue", ParamType::Float), Opt("sat", ParamType::Float),
         Opt("bright", ParamType::Float), Opt("cont", ParamType::Float), Opt("coring", ParamType::Bool)},
        Tweak);
}

}  // namespace tandemix::engine
