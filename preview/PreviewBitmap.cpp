#include "preview/PreviewBitmap.h"

#include <algorithm>

#include "media/BmpFile.h"

namespace tandemix {

void Bitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == frame_.width && height == frame_.height) return;
  frame_.width = width;
  frame_.height = height;
  frame_.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0);
}

void Bitmap::LoadFromFile(const std::string& path) { frame_ = LoadPicture24(path); }

void Bitmap::SaveToFile(const std::string& path) const { SaveBmp24(path, frame_); }

}  // namespace tandemix
