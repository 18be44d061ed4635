#include "media/BmpFile.h"

#include <QImage>
#include <cstring>

#include "base/Errors.h"
#include "base/OutputFile.h"

namespace tandemix {
namespace {

void Put16(std::string& out, std::uint16_t v) {
  out += static_cast<char>(v & 0xff);
  out += static_cast<char>(v >> 8);
}
void Put32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xff);
}

}  // namespace

void SaveBmp24(const std::string& path, const FrameBGR& frame) {
  if (frame.width <= 0 || frame.height <= 0) throw CannotCreateFile(path);
  const std::size_t rowBytes = (static_cast<std::size_t>(frame.width) * 3 + 3) & ~std::size_t{3};
  const std::size_t imageBytes = rowBytes * static_cast<std::size_t>(frame.height);
  if (imageBytes + 54 > 0xffffffffu) throw CannotCreateFile(path);
  std::string out;
  out.reserve(54 + imageBytes);
  out += "BM";
  Put32(out, static_cast<std::uint32_t>(54 + imageBytes));
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);  // BITMAPINFOHEADER
  Put32(out, static_cast<std::uint32_t>(frame.width));
  Put32(out, static_cast<std::uint32_t>(frame.height));
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);  // no compression
  Put32(out, static_cast<std::uint32_t>(imageBytes));
  Put32(out, 2835);  // 72 dpi
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  const std::string padding(rowBytes - static_cast<std::size_t>(frame.width) * 3, '\0');
  for (int y = frame.height - 1; y >= 0; --y) {
    out.append(reinterpret_cast<const char*>(frame.Row(y)), frame.Stride());
    out += padding;
  }
  OutputFile file(path);
  file.Write(out.data(), static_cast<std::int64_t>(out.size()));
  file.Commit();
}

FrameBGR LoadPicture24(const std::string& path) {
  QImage image;
  if (!image.load(QString::fromStdString(path))) throw CannotOpenFile(path);
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  FrameBGR frame(rgb.width(), rgb.height());
  for (int y = 0; y < rgb.height(); ++y) {
    const uchar* src = rgb.constScanLine(y);
    std::uint8_t* dst = frame.Row(y);
    for (int x = 0; x < rgb.width(); ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  return frame;
}

}  // namespace tandemix
