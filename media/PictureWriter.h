// Picture files (BMP, PNG, JPEG) written through FFmpeg's still-picture
// encoders, for frames a script asks to keep.
#pragma once

#include <string>

#include "base/Frame.h"

namespace tandemix {

enum class PictureFormat { Bmp, Png, Jpeg };

// Writes an RGB24, RGB32 (its alpha kept in BMP and PNG) or Y8 frame as a
// picture file, replacing the file atomically. Throws "Cannot create file
// <path>" when it cannot be encoded or written.
void SavePicture(const std::string& path, const FrameBGR& frame, PictureFormat format);

}  // namespace tandemix
