// A video frame in one of AviSynth's pixel types, rows from top to bottom.
// A frame's own planes have no padding between rows; a view (a decoder's
// picture, read where it lies) has the strides its owner gave:
//   RGB24  one plane, 3 bytes a pixel in blue, green, red order;
//   RGB32  one plane, 4 bytes a pixel in blue, green, red, alpha order;
//   YUY2   one plane, 2 bytes a pixel: Y0 U Y1 V for each pair of pixels;
//   Y8     one plane of luma;
//   YV24, YV16, YV12  three planes, Y then U then V, the chroma planes at
//          full, half width, and half width and height (4:4:4, 4:2:2, 4:2:0);
//   RGBP8, RGBAP8  three planes, blue, green, red (and a fourth, alpha), each
//          at full size: the planes in a pixel's byte order in RGB24/RGB32,
//          so that plane p holds what byte p of a packed pixel holds.
// Planes lie one after the other in `pixels`, so a YV12 frame is laid out as
// yuv420p is. Frames outside the engine (pictures, captures, the player and
// preview) are RGB24: FrameBGR names them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tandemix {

enum class PixelType { RGB24, RGB32, YUY2, Y8, YV24, YV16, YV12, RGBP8, RGBAP8 };

// AviSynth's names ("RGB24", "YV12", ..., "RGBP" and "RGBAP" for the planar RGB types).
const char* PixelTypeName(PixelType type);
// Reads a pixel_type argument (letter case ignored); false when unknown.
bool ParsePixelType(const std::string& name, PixelType& type);

// Packed RGB (RGB24, RGB32): one plane of interleaved pixels.
inline bool IsRGBType(PixelType t) { return t == PixelType::RGB24 || t == PixelType::RGB32; }
inline bool IsPlanarRGBType(PixelType t) { return t == PixelType::RGBP8 || t == PixelType::RGBAP8; }
// RGB of either layout.
inline bool IsAnyRGBType(PixelType t) { return IsRGBType(t) || IsPlanarRGBType(t); }
inline bool IsYUVType(PixelType t) { return !IsAnyRGBType(t); }
// A type with a plane per channel (Y8, the YV types, planar RGB).
inline bool IsPlanarType(PixelType t) {
  return t == PixelType::Y8 || t == PixelType::YV24 || t == PixelType::YV16 || t == PixelType::YV12 ||
         IsPlanarRGBType(t);
}
// Planar YUV (Y8 and the YV types).
inline bool IsPlanarYUVType(PixelType t) { return IsPlanarType(t) && !IsPlanarRGBType(t); }
// Whether a pixel carries alpha (RGB32, RGBAP8).
inline bool HasAlphaType(PixelType t) { return t == PixelType::RGB32 || t == PixelType::RGBAP8; }
// log2 of the horizontal and vertical chroma subsampling (YUY2 counts as 4:2:2).
inline int ChromaShiftX(PixelType t) {
  return t == PixelType::YV12 || t == PixelType::YV16 || t == PixelType::YUY2 ? 1 : 0;
}
inline int ChromaShiftY(PixelType t) { return t == PixelType::YV12 ? 1 : 0; }
inline int PlaneCountOf(PixelType t) {
  if (t == PixelType::RGBAP8) return 4;
  return t == PixelType::YV24 || t == PixelType::YV16 || t == PixelType::YV12 || t == PixelType::RGBP8 ? 3 : 1;
}
inline int BytesPerPixel(PixelType t) {
  return t == PixelType::RGB24 ? 3 : t == PixelType::RGB32 ? 4 : t == PixelType::YUY2 ? 2 : 1;
}

struct VideoFrame {
  PixelType type = PixelType::RGB24;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // the frame's own planes, one after the other; empty in a view

  VideoFrame() = default;
  VideoFrame(int w, int h) : VideoFrame(PixelType::RGB24, w, h) {}
  VideoFrame(PixelType t, int w, int h) : type(t), width(w), height(h), pixels(BytesOf(t, w, h), 0) {
    if (IsYUVType(t)) Blacken();
  }
  // A copy of a view owns its planes, laid out as any frame's.
  VideoFrame(const VideoFrame& other) { CopyFrom(other); }
  VideoFrame& operator=(const VideoFrame& other) {
    if (this != &other) CopyFrom(other);
    return *this;
  }
  VideoFrame(VideoFrame&&) = default;
  VideoFrame& operator=(VideoFrame&&) = default;

  // A frame whose planes lie where another owner keeps them (a decoder's
  // picture), each with its own stride, kept alive by `keeper`. It is only
  // read: frames are handed out as const.
  static VideoFrame View(PixelType t, int w, int h, const std::uint8_t* const planes[3], const std::size_t strides[3],
                         std::shared_ptr<const void> keeper);

  static std::size_t BytesOf(PixelType t, int w, int h) {
    std::size_t total = 0;
    for (int p = 0; p < PlaneCountOf(t); ++p) total += PlaneBytes(t, w, h, p);
    return total;
  }
  static std::size_t PlaneBytes(PixelType t, int w, int h, int p) {
    const int pw = p == 0 ? w * BytesPerPixel(t) : w >> ChromaShiftX(t);
    const int ph = p == 0 ? h : h >> ChromaShiftY(t);
    return static_cast<std::size_t>(pw) * static_cast<std::size_t>(ph);
  }

  bool IsView() const { return keeper_ != nullptr; }
  // The bytes of the picture (a view's included), without padding.
  std::size_t ByteSize() const { return BytesOf(type, width, height); }
  int Planes() const { return PlaneCountOf(type); }
  // Bytes in a row of plane p, and its rows.
  int PlaneWidth(int p = 0) const { return p == 0 ? width * BytesPerPixel(type) : width >> ChromaShiftX(type); }
  int PlaneHeight(int p = 0) const { return p == 0 ? height : height >> ChromaShiftY(type); }
  // From a row's start to the next row's: the row's bytes in a frame's own
  // planes, the owner's stride in a view.
  std::size_t Stride(int p = 0) const { return IsView() ? viewStrides_[p] : static_cast<std::size_t>(PlaneWidth(p)); }
  std::size_t PlaneOffset(int p) const {
    std::size_t offset = 0;
    for (int i = 0; i < p; ++i) offset += PlaneBytes(type, width, height, i);
    return offset;
  }
  // Writing goes to the frame's own planes only.
  std::uint8_t* Plane(int p) { return pixels.data() + PlaneOffset(p); }
  const std::uint8_t* Plane(int p) const { return IsView() ? viewPlanes_[p] : pixels.data() + PlaneOffset(p); }
  std::uint8_t* Row(int y) { return Plane(0) + Stride() * static_cast<std::size_t>(y); }
  const std::uint8_t* Row(int y) const { return Plane(0) + Stride() * static_cast<std::size_t>(y); }
  std::uint8_t* Row(int p, int y) { return Plane(p) + Stride(p) * static_cast<std::size_t>(y); }
  const std::uint8_t* Row(int p, int y) const { return Plane(p) + Stride(p) * static_cast<std::size_t>(y); }
  bool Empty() const { return width <= 0 || height <= 0; }
  // Every plane's rows, one after the other, as the frame's own planes lie.
  std::vector<std::uint8_t> Bytes() const;

  // Black in the frame's type: 0 for RGB (alpha too), luma 16 and chroma 128 for YUV.
  void Blacken();

 private:
  void CopyFrom(const VideoFrame& other);

  std::shared_ptr<const void> keeper_;  // set in a view
  const std::uint8_t* viewPlanes_[4] = {nullptr, nullptr, nullptr, nullptr};
  std::size_t viewStrides_[4] = {0, 0, 0, 0};
};

// Frames outside the engine are RGB24.
using FrameBGR = VideoFrame;

// Frames are shared once made: the engine's nodes, caches and the player
// hand them on as read-only.
using FramePtr = std::shared_ptr<const FrameBGR>;

}  // namespace tandemix
