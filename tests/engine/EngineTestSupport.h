// Helpers for the engine tests: evaluating script text, reading the error
// a script gives, and pictures with known pixels.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ScriptEngine.h"
#include "engine/frames/ScriptError.h"
#include "media/BmpFile.h"
#include "tests/support/TestFiles.h"

namespace tandemix::test {

inline engine::ClipPtr Eval(const std::string& text, const std::string& folder = {}) {
  return engine::EvaluateScript(text, "test.avs", folder);
}

// The error text a script gives; "" when it evaluates.
inline std::string EvalError(const std::string& text, const std::string& folder = {}) {
  try {
    Eval(text, folder);
  } catch (const TandemixError& e) {
    return e.what();
  }
  return "";
}

// The first line of an error text (the message without the location).
inline std::string Message(const std::string& error) { return error.substr(0, error.find('\n')); }

struct Size {
  int width, height, frames;
  bool operator==(const Size&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Size& s) {
  return os << s.width << "x" << s.height << " (" << s.frames << " frames)";
}
inline Size SizeOf(const engine::ClipPtr& clip) {
  return Size{clip->Info().width, clip->Info().height, clip->Info().frameCount};
}

struct Bgr {
  int b, g, r;
  bool operator==(const Bgr&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Bgr& p) {
  return os << "(b " << p.b << ", g " << p.g << ", r " << p.r << ")";
}
// A pixel of an RGB24 or RGB32 frame (a YUV frame is a test mistake: its
// colours are read through an explicit ConvertToRGB24 in the script).
inline Bgr PixelAt(const FrameBGR& f, int x, int y) {
  EXPECT_TRUE(IsRGBType(f.type)) << "PixelAt of a " << PixelTypeName(f.type) << " frame";
  const std::uint8_t* p = f.Row(y) + BytesPerPixel(f.type) * x;
  return Bgr{p[0], p[1], p[2]};
}
inline void SetPixel(FrameBGR& f, int x, int y, Bgr c) {
  std::uint8_t* p = f.Row(y) + 3 * x;
  p[0] = static_cast<std::uint8_t>(c.b);
  p[1] = static_cast<std::uint8_t>(c.g);
  p[2] = static_cast<std::uint8_t>(c.r);
}

// A picture whose pixel (x, y) is (b = x, g = y, r = 100): every pixel tells
// where it came from.
inline FrameBGR CoordinatePicture(int width, int height) {
  FrameBGR f(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) SetPixel(f, x, y, Bgr{x, y, 100});
  return f;
}

// Writes `frame` as a bitmap and returns an ImageSource line for it.
inline std::string PictureSource(const TempFolder& folder, const std::string& name, const FrameBGR& frame) {
  const std::string path = folder.File(name);
  SaveBmp24(path, frame);
  return "ImageSource(\"" + path + "\")";
}

// The sums of each channel's bytes (B, G, R, A for RGB; Y, U, V for YUV).
inline std::vector<long long> ChannelSums(const FrameBGR& f) {
  std::vector<long long> sums;
  if (IsRGBType(f.type)) {
    const int bpp = BytesPerPixel(f.type);
    sums.assign(static_cast<std::size_t>(bpp), 0);
    for (int y = 0; y < f.height; ++y)
      for (int x = 0; x < f.width * bpp; ++x) sums[static_cast<std::size_t>(x % bpp)] += f.Row(0, y)[x];
  } else if (f.type == PixelType::YUY2) {
    sums.assign(3, 0);
    for (int y = 0; y < f.height; ++y)
      for (int x = 0; x < f.width * 2; ++x) sums[x % 2 == 0 ? 0 : x % 4 == 1 ? 1 : 2] += f.Row(0, y)[x];
  } else {
    for (int p = 0; p < f.Planes(); ++p) {
      long long s = 0;
      for (int y = 0; y < f.PlaneHeight(p); ++y)
        for (int x = 0; x < f.PlaneWidth(p); ++x) s += f.Row(p, y)[x];
      sums.push_back(s);
    }
  }
  return sums;
}

}  // namespace tandemix::test
