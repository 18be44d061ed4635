#include "platform/MediaY4mWriter.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <string>
#include <vector>

#include "platform/Errors.h"

namespace tandemix {

struct Y4mWriter::Impl {
  std::FILE* out = nullptr;
  int width = 0;
  int height = 0;
  bool subsampled = false;
  bool headerOk = false;
  SwsContext* converter = nullptr;
  std::vector<std::uint8_t> planes;
  ~Impl() { sws_freeContext(converter); }
};

Y4mWriter::Y4mWriter(std::FILE* out, int width, int height, int rateNumerator, int rateDenominator)
    : impl_(std::make_unique<Impl>()) {
  if (width <= 0 || height <= 0) throw TandemixError("Cannot serve an empty picture");
  impl_->out = out;
  impl_->width = width;
  impl_->height = height;
  impl_->subsampled = width % 2 == 0 && height % 2 == 0;
  const AVPixelFormat format = impl_->subsampled ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV444P;
  impl_->converter =
      sws_getContext(width, height, AV_PIX_FMT_BGR24, width, height, format, SWS_BICUBIC, nullptr, nullptr, nullptr);
  if (!impl_->converter) throw TandemixError("Cannot convert the pictures for serving");
  const std::size_t luma = static_cast<std::size_t>(width) * height;
  impl_->planes.resize(impl_->subsampled ? luma + 2 * (luma / 4) : 3 * luma);
  const std::string header = "YUV4MPEG2 W" + std::to_string(width) + " H" + std::to_string(height) + " F" +
                             std::to_string(rateNumerator) + ":" + std::to_string(rateDenominator) + " Ip A1:1 " +
                             (impl_->subsampled ? "C420jpeg" : "C444") + " XCOLORRANGE=LIMITED\n";
  impl_->headerOk = std::fwrite(header.data(), 1, header.size(), out) == header.size();
}

Y4mWriter::~Y4mWriter() = default;

bool Y4mWriter::Subsampled() const { return impl_->subsampled; }
bool Y4mWriter::HeaderWritten() const { return impl_->headerOk; }

bool Y4mWriter::Write(const FrameBGR& frame) {
  Impl& s = *impl_;
  if (frame.width != s.width || frame.height != s.height) throw TandemixError("A served frame changed its size");
  const std::size_t luma = static_cast<std::size_t>(s.width) * s.height;
  const int chromaWidth = s.subsampled ? s.width / 2 : s.width;
  const std::size_t chroma = s.subsampled ? luma / 4 : luma;
  std::uint8_t* dst[4] = {s.planes.data(), s.planes.data() + luma, s.planes.data() + luma + chroma, nullptr};
  int dstStride[4] = {s.width, chromaWidth, chromaWidth, 0};
  const std::uint8_t* src[4] = {frame.pixels.data(), nullptr, nullptr, nullptr};
  const int srcStride[4] = {s.width * 3, 0, 0, 0};
  sws_scale(s.converter, src, srcStride, 0, s.height, dst, dstStride);
  static const char kFrame[] = "FRAME\n";
  if (std::fwrite(kFrame, 1, sizeof kFrame - 1, s.out) != sizeof kFrame - 1) return false;
  return std::fwrite(s.planes.data(), 1, s.planes.size(), s.out) == s.planes.size();
}

}  // namespace tandemix
