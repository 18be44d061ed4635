#include "base/Frame.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace tandemix {

const char* PixelTypeName(PixelType type) {
  switch (type) {
    case PixelType::RGB24:
      return "RGB24";
    case PixelType::RGB32:
      return "RGB32";
    case PixelType::YUY2:
      return "YUY2";
    case PixelType::Y8:
      return "Y8";
    case PixelType::YV24:
      return "YV24";
    case PixelType::YV16:
      return "YV16";
    case PixelType::YV12:
      return "YV12";
    case PixelType::RGBP8:
      return "RGBP";
    case PixelType::RGBAP8:
      return "RGBAP";
  }
  return "RGB24";
}

bool ParsePixelType(const std::string& name, PixelType& type) {
  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "RGB") upper = "RGB32";
  if (upper == "I420" || upper == "IYUV") upper = "YV12";
  if (upper == "GREY" || upper == "GRAY") upper = "Y8";
  // The names of the newer kind for the same formats.
  if (upper == "YUV420P8" || upper == "YUV420") upper = "YV12";
  if (upper == "YUV422P8" || upper == "YUV422") upper = "YV16";
  if (upper == "YUV444P8" || upper == "YUV444") upper = "YV24";
  if (upper == "RGBP8") upper = "RGBP";
  if (upper == "RGBAP8") upper = "RGBAP";
  for (PixelType t : {PixelType::RGB24, PixelType::RGB32, PixelType::YUY2, PixelType::Y8, PixelType::YV24,
                      PixelType::YV16, PixelType::YV12, PixelType::RGBP8, PixelType::RGBAP8}) {
    if (upper == PixelTypeName(t)) {
      type = t;
      return true;
    }
  }
  return false;
}

VideoFrame VideoFrame::View(PixelType t, int w, int h, const std::uint8_t* const planes[3],
                            const std::size_t strides[3], std::shared_ptr<const void> keeper) {
  VideoFrame f;
  f.type = t;
  f.width = w;
  f.height = h;
  f.keeper_ = keeper ? std::move(keeper) : std::make_shared<int>(0);
  for (int p = 0; p < PlaneCountOf(t); ++p) {
    f.viewPlanes_[p] = planes[p];
    f.viewStrides_[p] = strides[p];
  }
  return f;
}

void VideoFrame::CopyFrom(const VideoFrame& other) {
  type = other.type;
  width = other.width;
  height = other.height;
  keeper_.reset();
  pixels = other.IsView() ? other.Bytes() : other.pixels;
}

std::vector<std::uint8_t> VideoFrame::Bytes() const {
  if (!IsView()) return pixels;
  std::vector<std::uint8_t> bytes(ByteSize());
  std::uint8_t* out = bytes.data();
  for (int p = 0; p < Planes(); ++p)
    for (int y = 0; y < PlaneHeight(p); ++y, out += PlaneWidth(p))
      std::memcpy(out, Row(p, y), static_cast<std::size_t>(PlaneWidth(p)));
  return bytes;
}

void VideoFrame::Blacken() {
  if (IsAnyRGBType(type)) {
    std::fill(pixels.begin(), pixels.end(), std::uint8_t{0});
    return;
  }
  if (type == PixelType::YUY2) {
    for (std::size_t i = 0; i + 1 < pixels.size(); i += 2) {
      pixels[i] = 16;
      pixels[i + 1] = 128;
    }
    return;
  }
  const std::size_t luma = PlaneBytes(type, width, height, 0);
  std::fill(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(luma), std::uint8_t{16});
  std::fill(pixels.begin() + static_cast<std::ptrdiff_t>(luma), pixels.end(), std::uint8_t{128});
}

}  // namespace tandemix
