#include "media/MediaY4mWriter.h"

#include <string>

#include "base/Errors.h"

namespace tandemix {

struct Y4mWriter::Impl {
  std::FILE* out = nullptr;
  int width = 0;
  int height = 0;
  PixelType type = PixelType::YV12;
  bool headerOk = false;
};

Y4mWriter::Y4mWriter(std::FILE* out, int width, int height, int rateNumerator, int rateDenominator, PixelType type)
    : impl_(std::make_unique<Impl>()) {
  if (width <= 0 || height <= 0) throw TandemixError("Cannot serve an empty picture");
  const char* chroma = nullptr;
  switch (type) {
    case PixelType::YV12:
      chroma = "C420mpeg2";
      break;
    case PixelType::YV16:
      chroma = "C422";
      break;
    case PixelType::YV24:
      chroma = "C444";
      break;
    case PixelType::Y8:
      chroma = "Cmono";
      break;
    default:
      throw TandemixError(std::string("Cannot serve ") + PixelTypeName(type) + " pictures as they are");
  }
  impl_->out = out;
  impl_->width = width;
  impl_->height = height;
  impl_->type = type;
  const std::string header = "YUV4MPEG2 W" + std::to_string(width) + " H" + std::to_string(height) + " F" +
                             std::to_string(rateNumerator) + ":" + std::to_string(rateDenominator) + " Ip A1:1 " +
                             chroma + " XCOLORRANGE=LIMITED\n";
  impl_->headerOk = std::fwrite(header.data(), 1, header.size(), out) == header.size();
}

Y4mWriter::~Y4mWriter() = default;

bool Y4mWriter::HeaderWritten() const { return impl_->headerOk; }

bool Y4mWriter::Write(const VideoFrame& frame) {
  Impl& s = *impl_;
  if (frame.width != s.width || frame.height != s.height || frame.type != s.type)
    throw TandemixError("A served frame changed its size or type");
  static const char kFrame[] = "FRAME\n";
  if (std::fwrite(kFrame, 1, sizeof kFrame - 1, s.out) != sizeof kFrame - 1) return false;
  // A frame's own planes lie one after the other, Y, U, V: as the stream
  // wants them. A view's rows are written one by one.
  if (!frame.IsView()) return std::fwrite(frame.pixels.data(), 1, frame.pixels.size(), s.out) == frame.pixels.size();
  for (int p = 0; p < frame.Planes(); ++p) {
    const auto bytes = static_cast<std::size_t>(frame.PlaneWidth(p));
    for (int y = 0; y < frame.PlaneHeight(p); ++y)
      if (std::fwrite(frame.Row(p, y), 1, bytes, s.out) != bytes) return false;
  }
  return true;
}

}  // namespace tandemix
