// Crop, CropBottom and AddBorders.
#include <algorithm>
#include <cstring>

#include "engine/filters/Colors.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/frames/FrameBudget.h"
#include "engine/frames/FrameCopy.h"
#include "engine/frames/FrameLimits.h"
#include "engine/frames/ScriptError.h"
#include "engine/frames/WindowedFrames.h"

namespace tandemix::engine {
namespace {

class CropClip : public Clip {
 public:
  CropClip(ClipPtr child, const ClipInfo& info, int left, int top)
      : Clip(info), child_(std::move(child)), left_(left), top_(top), pool_("Crop") {
    PassAudioFrom(child_);
  }
  FramePtr GetFrame(int n) override {
    FramePtr src = child_->GetFrame(n);
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    CopyWindow(*src, *out, left_, top_);
    return out;
  }
  void GetFrameInto(int n, VideoFrame& out, int x, int y) override {
    CopyRect(*child_->GetFrame(n), left_, top_, out, x, y, info_.width, info_.height);
  }

 private:
  ClipPtr child_;
  int left_, top_;
  FramePool pool_;
};

class BorderClip : public Clip, public WindowedFrames {
 public:
  BorderClip(ClipPtr child, const ClipInfo& info, int left, int top, PlaneColor color)
      : Clip(info), child_(std::move(child)), left_(left), top_(top), color_(color), pool_("AddBorders") {
    PassAudioFrom(child_);
  }
  // A window inside the picture is a window of the child.
  ClipPtr CropWindow(int left, int top, int width, int height) const override {
    const ClipInfo& in = child_->Info();
    left -= left_;
    top -= top_;
    if (left < 0 || top < 0 || left + width > in.width || top + height > in.height) return nullptr;
    if (left == 0 && top == 0 && width == in.width && height == in.height) return child_;
    ClipInfo info = in;
    info.width = width;
    info.height = height;
    return std::make_shared<CropClip>(child_, info, left, top);
  }
  FramePtr GetFrame(int n) override {
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    GetFrameInto(n, *out, 0, 0);
    return out;
  }
  // The borders only, then the picture into the rest.
  void GetFrameInto(int n, VideoFrame& out, int x, int y) override {
    const ClipInfo& in = child_->Info();
    const int left = x + left_, top = y + top_, right = left + in.width, bottom = top + in.height;
    const int endX = x + info_.width, endY = y + info_.height;
    FillRect(out, x, y, endX, top, color_);
    FillRect(out, x, bottom, endX, endY, color_);
    FillRect(out, x, top, left, bottom, color_);
    FillRect(out, right, top, endX, bottom, color_);
    child_->GetFrameInto(n, out, left, top);
  }

 private:
  ClipPtr child_;
  int left_, top_;
  PlaneColor color_;
  FramePool pool_;
};

// Crop(clip, left, top, width, height): a width or height of 0 or less is
// an amount taken from the right or bottom edge.
// `align` is taken and has no effect: frames here have no row alignment to keep.
Value CropBy(ClipPtr clip, long long left, long long top, long long width, long long height) {
  const ClipInfo& in = clip->Info();
  if (left < 0 || top < 0) throw FilterError("Crop: Top and Left must be more than 0");
  if (width <= 0) width = in.width - left + width;
  if (height <= 0) height = in.height - top + height;
  if (width <= 0) throw FilterError("Crop: Destination width is 0 or less.");
  if (height <= 0) throw FilterError("Crop: Destination height is 0 or less.");
  if (left + width > in.width || top + height > in.height)
    throw FilterError("Crop: you cannot use crop to enlarge or 'shift' a clip");
  // AviSynth's subsampling rules: whole chroma samples only.
  const PixelType type = in.pixelType;
  if (IsYUVType(type) && type != PixelType::Y8) {
    const int xMask = (1 << ChromaShiftX(type)) - 1;
    const int yMask = (1 << ChromaShiftY(type)) - 1;
    const std::string mod = "Crop: YUV image can only be cropped by Mod " + std::to_string(xMask + 1);
    if (left & xMask) throw FilterError(mod + " (left side).");
    if (width & xMask) throw FilterError(mod + " (right side).");
    if (top & yMask)
      throw FilterError("Crop: YUV image can only be cropped by Mod " + std::to_string(yMask + 1) + " (top).");
    if (height & yMask)
      throw FilterError("Crop: YUV image can only be cropped by Mod " + std::to_string(yMask + 1) + " (bottom).");
  }
  if (const auto* windowed = dynamic_cast<const WindowedFrames*>(clip.get()))
    if (ClipPtr window = windowed->CropWindow(static_cast<int>(left), static_cast<int>(top), static_cast<int>(width),
                                              static_cast<int>(height)))
      return Value::Clip(window);
  ClipInfo info = in;
  info.width = static_cast<int>(width);
  info.height = static_cast<int>(height);
  return Value::Clip(std::make_shared<CropClip>(std::move(clip), info, static_cast<int>(left), static_cast<int>(top)));
}

Value Crop(const CallArgs& a) {
  return CropBy(a.Clip("clip"), a.Int("left"), a.Int("top"), a.Int("width"), a.Int("height"));
}

// CropBottom(clip, count): Crop(0, 0, width, height - count), so a count
// of the whole height (a height of 0) keeps the picture whole.
Value CropBottom(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  const long long width = clip->Info().width, height = static_cast<long long>(clip->Info().height) - a.Int("count");
  return CropBy(std::move(clip), 0, 0, width, height);
}

// AddBorders(clip, left, top, right, bottom[, color]): a negative side is 0.
Value AddBorders(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  const long long left = std::max(0, a.Int("left"));
  const long long top = std::max(0, a.Int("top"));
  const long long right = std::max(0, a.Int("right"));
  const long long bottom = std::max(0, a.Int("bottom"));
  ClipInfo info = clip->Info();
  const PixelType type = info.pixelType;
  if (IsYUVType(type) && type != PixelType::Y8) {
    const int xMask = (1 << ChromaShiftX(type)) - 1;
    const int yMask = (1 << ChromaShiftY(type)) - 1;
    const std::string mod = "AddBorders: YUV image can only add by Mod ";
    if (left & xMask) throw FilterError(mod + std::to_string(xMask + 1) + " (left side).");
    if (right & xMask) throw FilterError(mod + std::to_string(xMask + 1) + " (right side).");
    if (top & yMask) throw FilterError(mod + std::to_string(yMask + 1) + " (top).");
    if (bottom & yMask) throw FilterError(mod + std::to_string(yMask + 1) + " (bottom).");
  }
  const long long width = info.width + left + right;
  const long long height = info.height + top + bottom;
  CheckFrameSize("AddBorders", width, height);
  if (left == 0 && top == 0 && right == 0 && bottom == 0) return Value::Clip(clip);
  // Black, the default, counts as no colour given.
  if (a.Int("color", 0) != 0 && a.Has("color_yuv"))
    throw FilterError("AddBorders: color and color_yuv are mutually exclusive");
  if (a.Has("color_yuv") && IsRGBType(type)) throw FilterError("AddBorders: color_yuv only valid for YUV color spaces");
  const PlaneColor color =
      a.Has("color_yuv") ? YuvColorInType(type, a.Int("color_yuv")) : ColorInType(type, a.Int("color", 0));
  info.width = static_cast<int>(width);
  info.height = static_cast<int>(height);
  return Value::Clip(
      std::make_shared<BorderClip>(std::move(clip), info, static_cast<int>(left), static_cast<int>(top), color));
}

}  // namespace

void RegisterCropFunctions(FunctionTable& t) {
  t.Add("Crop",
        {Req("clip", ParamType::Clip), Req("left", ParamType::Int), Req("top", ParamType::Int),
         Req("width", ParamType::Int), Req("height", ParamType::Int), Opt("align", ParamType::Bool)},
        Crop);
  t.Add("AddBorders",
        {Req("clip", ParamType::Clip), Req("left", ParamType::Int), Req("top", ParamType::Int),
         Req("right", ParamType::Int), Req("bottom", ParamType::Int), Opt("color", ParamType::Int),
         Opt("color_yuv", ParamType::Int)},
        AddBorders);
  t.Add("CropBottom", {Req("clip", ParamType::Clip), Req("count", ParamType::Int), Opt("align", ParamType::Bool)},
        CropBottom);
}

}  // namespace tandemix::engine
