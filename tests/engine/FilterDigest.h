// A noisy picture in every pixel type and a digest of a frame's bytes, for
// tables of filters whose every byte is known: each row names a pixel
// type, a filter call and the size and digest of a frame the AviSynth
// engine made from the same picture.
#pragma once

#include <cstdint>
#include <string>

#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {

// Byte c (0 blue, 1 green, 2 red) of pixel (x, y) of the noise picture.
inline std::uint8_t NoiseByte(int x, int y, int c) {
  std::uint32_t h = (static_cast<std::uint32_t>(x) * 73856093u) ^ (static_cast<std::uint32_t>(y) * 19349663u) ^
                    (static_cast<std::uint32_t>(c) * 83492791u);
  h *= 2654435761u;
  return static_cast<std::uint8_t>(h >> 24);
}

inline FrameBGR NoisePicture(int width, int height) {
  FrameBGR f(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) f.Row(y)[3 * x + c] = NoiseByte(x, y, c);
  return f;
}

// The noise picture in `type`, built from its channels with filters whose
// bytes are exact (ShowBlue and the like, YToUV, Crop), so every type has
// the same known bytes here and in AviSynth: luma from blue, U from green
// and V from red (their left or top part, and a window further in, where
// chroma is subsampled).
inline std::string NoiseSource(const std::string& picture, const std::string& type, int width, int height) {
  const std::string y = picture + ".ShowBlue(\"Y8\")", g = picture + ".ShowGreen(\"Y8\")",
                    r = picture + ".ShowRed(\"Y8\")";
  const std::string hw = std::to_string(width / 2), qw = std::to_string(width / 4), hh = std::to_string(height / 2),
                    qh = std::to_string(height / 4);
  if (type == "Y8") return y;
  if (type == "YV24") return "YToUV(" + g + ", " + r + ", " + y + ")";
  if (type == "YV16" || type == "YUY2")
    return "YToUV(" + g + ".Crop(0, 0, " + hw + ", 0), " + r + ".Crop(" + qw + ", 0, " + hw + ", 0), " + y + ")" +
           (type == "YUY2" ? ".ConvertToYUY2()" : "");
  if (type == "YV12")
    return "YToUV(" + g + ".Crop(0, 0, " + hw + ", " + hh + "), " + r + ".Crop(" + qw + ", " + qh + ", " + hw + ", " +
           hh + "), " + y + ")";
  if (type == "RGB32") return picture + ".ConvertToRGB32()";
  if (type == "RGBP8") return picture + ".ConvertToPlanarRGB()";
  if (type == "RGBAP8") return picture + ".ConvertToPlanarRGBA()";
  return picture;
}

// FNV-1a over a frame's bytes: RGB as blue, green, red of each pixel row
// by row (alpha left out); YUV and planar RGB plane by plane (blue, green,
// red, alpha), YUY2 as its Y, U and V planes.
inline std::uint32_t FrameDigest(const FrameBGR& f) {
  std::uint32_t h = 2166136261u;
  auto add = [&h](std::uint8_t b) { h = (h ^ b) * 16777619u; };
  if (IsRGBType(f.type)) {
    const int bpp = BytesPerPixel(f.type);
    for (int y = 0; y < f.height; ++y)
      for (int x = 0; x < f.width; ++x)
        for (int c = 0; c < 3; ++c) add(f.Row(y)[bpp * x + c]);
    return h;
  }
  if (f.type == PixelType::YUY2) {
    for (int k : {0, 1, 3})
      for (int y = 0; y < f.height; ++y)
        for (int x = k == 0 ? 0 : k; x < 2 * f.width; x += k == 0 ? 2 : 4) add(f.Row(y)[x]);
    return h;
  }
  for (int p = 0; p < f.Planes(); ++p)
    for (int y = 0; y < f.PlaneHeight(p); ++y)
      for (int x = 0; x < f.PlaneWidth(p); ++x) add(f.Row(p, y)[x]);
  return h;
}

// One row of a table: the filter call on the noise source of `type`, the
// frame taken, and what AviSynth gave.
struct DigestCase {
  const char* type;
  const char* call;
  int frame;
  int width, height;
  std::uint32_t digest;
};

// Runs a table on a noise picture of width x height; every row is checked.
// Each row's call follows the picture after `join`: "." calls it on the
// picture, "\n" starts a line of its own with the picture as `last`.
inline void ExpectDigests(const TempFolder& folder, int width, int height, const DigestCase* cases, std::size_t count,
                          const char* join = ".") {
  const std::string picture = PictureSource(folder, "noise.bmp", NoisePicture(width, height));
  for (std::size_t i = 0; i < count; ++i) {
    const DigestCase& c = cases[i];
    const std::string script = NoiseSource(picture, c.type, width, height) + join + c.call;
    engine::ClipPtr clip;
    try {
      clip = Eval(script);
    } catch (const std::exception& e) {
      ADD_FAILURE() << c.type << " " << c.call << ": " << e.what();
      continue;
    }
    EXPECT_EQ(clip->Info().width, c.width) << c.type << " " << c.call;
    EXPECT_EQ(clip->Info().height, c.height) << c.type << " " << c.call;
    EXPECT_EQ(FrameDigest(*clip->GetFrame(c.frame)), c.digest) << c.type << " " << c.call << " frame " << c.frame;
  }
}

}  // namespace tandemix::test
