// A plain per-pixel model of the preview's pixel arithmetic, written from
// the formulas and sharing no code with the pixel operations, so that the
// tests can compute expected pictures on their own. Slow and obvious on
// purpose: doubles, floor and one pixel at a time.
#pragma once

#include <algorithm>
#include <array>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "core/Geometry.h"
#include "preview/PixMatrix.h"
#include "preview/PreviewBitmap.h"

namespace tandemix::reference {

// Channels in blue, green, red order, like the pixel operations.
using Rgb = std::array<int, 3>;
constexpr int B = 0, G = 1, R = 2;

struct Image {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;
  Image() = default;
  Image(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, Rgb{0, 0, 0}) {}
  Rgb& at(int row, int column) { return pixels[static_cast<std::size_t>(row) * width + column]; }
  const Rgb& at(int row, int column) const { return pixels[static_cast<std::size_t>(row) * width + column]; }
  bool operator==(const Image&) const = default;
};

inline int Floor(double v) { return static_cast<int>(std::floor(v)); }

// Nearest integer, halves to even (the default rounding mode).
inline int RoundEven(double v) {
  EXPECT_EQ(std::fegetround(), FE_TONEAREST);
  return static_cast<int>(std::nearbyint(v));
}

inline Image FromMatrix(const TPixMatrix& m, int rows, int columns) {
  Image img(columns, rows);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) img.at(r, c) = Rgb{m[r][c].blue, m[r][c].green, m[r][c].red};
  return img;
}

inline Image FromBitmap(const Bitmap& b) {
  Image img(b.Width(), b.Height());
  for (int r = 0; r < b.Height(); ++r)
    for (int c = 0; c < b.Width(); ++c)
      img.at(r, c) = Rgb{b.ScanLine(r)[3 * c], b.ScanLine(r)[3 * c + 1], b.ScanLine(r)[3 * c + 2]};
  return img;
}

inline TPixMatrix ToMatrix(const Image& img) {
  TPixMatrix m(img.height, img.width);
  for (int r = 0; r < img.height; ++r)
    for (int c = 0; c < img.width; ++c) {
      const Rgb& p = img.at(r, c);
      m[r][c] =
          Pixel{static_cast<std::uint8_t>(p[B]), static_cast<std::uint8_t>(p[G]), static_cast<std::uint8_t>(p[R])};
    }
  return m;
}

inline Bitmap ToBitmap(const Image& img) {
  Bitmap b(img.width, img.height);
  for (int r = 0; r < img.height; ++r)
    for (int c = 0; c < img.width; ++c)
      for (int k = 0; k < 3; ++k) b.ScanLine(r)[3 * c + k] = static_cast<std::uint8_t>(img.at(r, c)[k]);
  return b;
}

// A picture with detail everywhere: every channel varies along both axes.
inline Image Pattern(int width, int height, int seed) {
  Image img(width, height);
  for (int r = 0; r < height; ++r)
    for (int c = 0; c < width; ++c)
      img.at(r, c) =
          Rgb{(c * 37 + r * 11 + seed * 13) % 256, (c * 5 + r * 23 + seed * 71) % 256, ((c ^ r) * 29 + seed * 7) % 256};
  return img;
}

inline Image Rotate(const Image& s, int cx, int cy, int sW, int sH, int dR, int dC, int ri, int rj, double a) {
  Image d(dC, dR);
  for (int i = 0; i < dR; ++i)
    for (int j = 0; j < dC; ++j) {
      const double dx = j - rj;
      const double dy = i - ri;
      const double r = std::sqrt(dx * dx + dy * dy);
      double theta;
      if (r == 0)
        theta = 0;
      else if (dx == 0)
        theta = dy >= 0 ? 1.57079632679 : -1.57079632679;
      else
        theta = std::atan2(dy, dx);
      const double phi = theta + a;
      const double c = std::cos(phi);
      const double X = r * c;
      const double Y =
          ((0 <= phi && phi <= M_PI) || phi <= -M_PI) ? r * std::sqrt(1 - c * c) : -r * std::sqrt(1 - c * c);
      const int x0 = cx + Floor(X);
      const int y0 = cy + static_cast<int>(std::ceil(Y));
      const int fx = Floor((X - std::floor(X)) * 256);
      const int fy = Floor((std::ceil(Y) - Y) * 256);
      if (!(0 <= x0 && x0 < sW - 1 && 1 <= y0 && y0 < sH)) continue;  // stays black
      const int w00 = (256 - fx) * (256 - fy) / 256, w01 = (256 - fx) * fy / 256;
      const int w10 = fx * (256 - fy) / 256, w11 = fx * fy / 256;
      for (int k = 0; k < 3; ++k)
        d.at(i, j)[k] = (w00 * s.at(y0, x0)[k] + w01 * s.at(y0 - 1, x0)[k] + w10 * s.at(y0, x0 + 1)[k] +
                         w11 * s.at(y0 - 1, x0 + 1)[k]) /
                        256;
    }
  return d;
}

inline Image Resize(const Image& s, int sR, int sC, int dR, int dC) {
  Image d(dC, dR);
  const std::int64_t stepX = static_cast<std::int64_t>(std::floor(sC * 65536.0 / dC));
  const std::int64_t stepY = static_cast<std::int64_t>(std::floor(sR * 65536.0 / dR));
  for (int i = 0; i < dR; ++i)
    for (int j = 0; j < dC; ++j) {
      const std::int64_t py = stepY * i, px = stepX * j;
      const int y0 = static_cast<int>(std::min<std::int64_t>(py / 65536, sR - 2)), y1 = y0 + 1;
      const int x0 = static_cast<int>(std::min<std::int64_t>(px / 65536, sC - 2)), x1 = x0 + 1;
      const int fy = static_cast<int>((py % 65536) / 64), fx = static_cast<int>((px % 65536) / 64);
      const int w00 = (1024 - fx) * (1024 - fy) / 1024, w01 = (1024 - fx) * fy / 1024;
      const int w10 = fx * (1024 - fy) / 1024, w11 = fx * fy / 1024;
      for (int k = 0; k < 3; ++k)
        d.at(i, j)[k] =
            (w00 * s.at(y0, x0)[k] + w01 * s.at(y1, x0)[k] + w10 * s.at(y0, x1)[k] + w11 * s.at(y1, x1)[k]) / 1024;
    }
  return d;
}

inline Image Place(const Image& s, int left, int top, int right, int bottom) {
  Image d(left + s.width + right, top + s.height + bottom);
  for (int r = 0; r < s.height; ++r)
    for (int c = 0; c < s.width; ++c) d.at(r + top, c + left) = s.at(r, c);
  return d;
}

inline Image Blend(const Image& a, const Image& b, int w) {
  Image d(a.width, a.height);
  for (std::size_t i = 0; i < d.pixels.size(); ++i)
    for (int k = 0; k < 3; ++k) d.pixels[i][k] = (a.pixels[i][k] * w + b.pixels[i][k] * (255 - w)) / 256;
  return d;
}

inline int Luma(const Rgb& p) { return (77 * p[R] + 151 * p[G] + 28 * p[B]) / 256; }

inline Image RedCyan(const Image& a, const Image& b) {
  Image d(a.width, a.height);
  for (std::size_t i = 0; i < d.pixels.size(); ++i) {
    const int cyan = Luma(b.pixels[i]);
    d.pixels[i] = Rgb{cyan, cyan, Luma(a.pixels[i])};
  }
  return d;
}

struct Lent {
  int g, b;
};
inline Lent Lend(const Rgb& p, int greenGain, int blueGain) {
  return Lent{p[G] + std::max(0, p[R] - p[G]) * greenGain / 256, p[B] + std::max(0, p[R] - p[B]) * blueGain / 256};
}

inline int OptimRed(const Rgb& p, int greenGain, int blueGain, int divisor) {
  const Lent l = Lend(p, greenGain, blueGain);
  const int v = 191 * l.g + 64 * l.b;
  if (v == 0) return 0;
  return RoundEven(256.0 * std::pow(v / 65536.0, 256.0 / divisor));
}

inline Image Optim(const Image& a, const Image& b, int greenGain, int blueGain, int divisor) {
  Image d(a.width, a.height);
  for (std::size_t i = 0; i < d.pixels.size(); ++i) {
    const Lent l = Lend(b.pixels[i], greenGain, blueGain);
    d.pixels[i] = Rgb{l.b, l.g, OptimRed(a.pixels[i], greenGain, blueGain, divisor)};
  }
  return d;
}

struct ComposeInput {
  int shiftH = 0, shiftV = 0;
  double scaleLeft = 1, scaleRight = 1, angleLeft = 0, angleRight = 0;
  bool autoCrop = false, swap = false;
  int show = 2, mode = 0;
};

// One view through tilt and scale.
inline Image TiltAndScale(const Image& frame, double angle, double scale, bool autoCrop) {
  Image v = frame;
  if (angle != 0) {
    const double a = -angle * 0.01745329252;
    const FrameSize n = RotatedFrameSize(v.width, v.height, a, autoCrop);
    v = Rotate(v, v.width / 2, v.height / 2, v.width, v.height, n.height, n.width, n.height / 2, n.width / 2, a);
  }
  if (scale != 1) v = Resize(v, v.height, v.width, RoundEven(v.height * scale), RoundEven(v.width * scale));
  return v;
}

inline Image Compose(const Image& leftFrame, const Image& rightFrame, const ComposeInput& in) {
  const Image l = TiltAndScale(leftFrame, in.angleLeft, in.scaleLeft, in.autoCrop);
  const Image r = TiltAndScale(rightFrame, in.angleRight, in.scaleRight, in.autoCrop);
  const int dW = r.width - l.width, dH = r.height - l.height;
  const int padL = dW / 2 + in.shiftH, padR = dW - dW / 2 - in.shiftH;
  const int padT = dH / 2 + in.shiftV, padB = dH - dH / 2 - in.shiftV;
  auto z = [](int x) { return std::max(x, 0); };
  const Image lc = Place(l, z(padL), z(padT), z(padR), z(padB));
  const Image rc = Place(r, z(-padL), z(-padT), z(-padR), z(-padB));
  const Image& first = in.swap ? rc : lc;
  const Image& second = in.swap ? lc : rc;
  if (in.show == 0) return Blend(first, second, 255);
  if (in.show == 1) return Blend(first, second, 0);
  if (in.mode == 0) return RedCyan(first, second);
  if (in.mode == 1) return Optim(first, second, 115, 64, 384);
  return Blend(first, second, 128);
}

}  // namespace tandemix::reference
