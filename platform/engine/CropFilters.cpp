// Crop and AddBorders.
#include <algorithm>
#include <cstring>

#include "platform/engine/FilterSupport.h"
#include "platform/engine/Functions.h"

namespace tandemix::engine {
namespace {

class CropClip : public Clip {
 public:
  CropClip(ClipPtr child, const ClipInfo& info, int left, int top)
      : Clip(info), child_(std::move(child)), left_(left), top_(top) {}
  FramePtr GetFrame(int n) override {
    FramePtr src = child_->GetFrame(n);
    auto out = pool_.Take(info_.width, info_.height, FramePool::Fill::Overwritten);
    for (int y = 0; y < info_.height; ++y)
      std::memcpy(out->Row(y), src->Row(top_ + y) + static_cast<std::size_t>(left_) * 3, out->Stride());
    return out;
  }

 private:
  ClipPtr child_;
  int left_, top_;
  FramePool pool_;
};

class BorderClip : public Clip {
 public:
  BorderClip(ClipPtr child, const ClipInfo& info, int left, int top, ColorBGR color)
      : Clip(info), child_(std::move(child)), left_(left), top_(top), color_(color) {}
  FramePtr GetFrame(int n) override {
    FramePtr src = child_->GetFrame(n);
    const bool colored = color_.r || color_.g || color_.b;
    auto out = pool_.Take(info_.width, info_.height, colored ? FramePool::Fill::Overwritten : FramePool::Fill::Black);
    if (colored) {
      std::uint8_t* p = out->pixels.data();
      for (std::size_t i = 0; i + 2 < out->pixels.size(); i += 3) {
        p[i] = color_.b;
        p[i + 1] = color_.g;
        p[i + 2] = color_.r;
      }
    }
    Blit(*src, *out, left_, top_);
    return out;
  }

 private:
  ClipPtr child_;
  int left_, top_;
  ColorBGR color_;
  FramePool pool_;
};

// Crop(clip, left, top, width, height): a width or height of 0 or less is
// an amount taken from the right or bottom edge.
Value Crop(const CallArgs& a) {
  ClipPtr clip = a.Clip(0);
  const ClipInfo& in = clip->Info();
  const long long left = a.Int(1);
  const long long top = a.Int(2);
  long long width = a.Int(3);
  long long height = a.Int(4);
  if (left < 0 || top < 0) throw FilterError("Crop: Top and Left must be more than 0");
  if (width <= 0) width = in.width - left + width;
  if (height <= 0) height = in.height - top + height;
  if (width <= 0) throw FilterError("Crop: Destination width is 0 or less.");
  if (height <= 0) throw FilterError("Crop: Destination height is 0 or less.");
  if (left + width > in.width || top + height > in.height)
    throw FilterError("Crop: you cannot use crop to enlarge or 'shift' a clip");
  ClipInfo info = in;
  info.width = static_cast<int>(width);
  info.height = static_cast<int>(height);
  return Value::Clip(std::make_shared<CropClip>(std::move(clip), info, static_cast<int>(left), static_cast<int>(top)));
}

// AddBorders(clip, left, top, right, bottom[, color]): a negative side is 0.
Value AddBorders(const CallArgs& a) {
  ClipPtr clip = a.Clip(0);
  const long long left = std::max(0, a.Int(1));
  const long long top = std::max(0, a.Int(2));
  const long long right = std::max(0, a.Int(3));
  const long long bottom = std::max(0, a.Int(4));
  ClipInfo info = clip->Info();
  const long long width = info.width + left + right;
  const long long height = info.height + top + bottom;
  CheckFrameSize("AddBorders", width, height);
  if (left == 0 && top == 0 && right == 0 && bottom == 0) return Value::Clip(clip);
  info.width = static_cast<int>(width);
  info.height = static_cast<int>(height);
  return Value::Clip(std::make_shared<BorderClip>(std::move(clip), info, static_cast<int>(left), static_cast<int>(top),
                                                  ColorFromInt(a.Int(5, 0))));
}

}  // namespace

void RegisterCropFunctions(FunctionTable& t) {
  t.Add("Crop",
        {Req("clip", ParamType::Clip), Req("left", ParamType::Int), Req("top", ParamType::Int),
         Req("width", ParamType::Int), Req("height", ParamType::Int), Opt("align", ParamType::Bool)},
        Crop);
  t.Add("AddBorders",
        {Req("clip", ParamType::Clip), Req("left", ParamType::Int), Req("top", ParamType::Int),
         Req("right", ParamType::Int), Req("bottom", ParamType::Int), Opt("color", ParamType::Int)},
        AddBorders);
}

}  // namespace tandemix::engine
