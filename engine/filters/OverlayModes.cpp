// The pixel rules of Overlay's modes. Most work in integers with a weight
// of 0..256 (the opacity times 256, scaled by mask / 256 where there is a
// mask); the light-adding modes push the chroma towards grey as the luma
// runs past white or below black, by up to 32 steps.
#include "engine/filters/OverlayModes.h"

#include <algorithm>
#include <cmath>

#include "base/ParallelFor.h"

namespace tandemix::engine {
namespace {

struct Yuv {
  int y, u, v;
};

std::uint8_t Byte(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

// Luma past 255 or below 0 is clipped, and the chroma faded towards 128 by
// how far it went (fully at 32 past).
Yuv Saturate(Yuv p) {
  if (p.y > 255) {
    const int m = std::max(0, 288 - p.y);
    p.u = (p.u * m + 128 * (32 - m)) >> 5;
    p.v = (p.v * m + 128 * (32 - m)) >> 5;
    p.y = 255;
  } else if (p.y < 0) {
    const int m = std::min(-p.y, 32);
    p.u = (p.u * (32 - m) + 128 * m) >> 5;
    p.v = (p.v * (32 - m) + 128 * m) >> 5;
    p.y = 0;
  }
  return p;
}

// A float mix towards `to` by w, as blend rounds it.
int FloatMix(int from, int to, float w) {
  return static_cast<int>(static_cast<float>(from) + static_cast<float>(to - from) * w + 0.5f);
}

struct Weights {
  int y, u, v;       // 0..256
  int product;       // mask times opacity, 0..65536: the luma weight of add and subtract
  float fy, fu, fv;  // 0..1
};

Yuv Apply(OverlayMode mode, Yuv a, Yuv b, const Weights& w, bool full) {
  switch (mode) {
    case OverlayMode::Add:
      return Saturate(
          {a.y + ((b.y * w.product) >> 16), a.u + (((b.u - 128) * w.u) >> 8), a.v + (((b.v - 128) * w.v) >> 8)});
    case OverlayMode::Subtract:
      return Saturate(
          {a.y - ((b.y * w.product) >> 16), a.u - (((b.u - 128) * w.u) >> 8), a.v - (((b.v - 128) * w.v) >> 8)});
    case OverlayMode::SoftLight:
      return Saturate(
          {a.y + (((b.y - 128) * w.y) >> 8), a.u + (((b.u - 128) * w.u) >> 8), a.v + (((b.v - 128) * w.v) >> 8)});
    case OverlayMode::HardLight:
      return Saturate(
          {a.y + (((2 * b.y - 256) * w.y) >> 8), a.u + (((b.u - 128) * w.u) >> 8), a.v + (((b.v - 128) * w.v) >> 8)});
    case OverlayMode::Difference:
      return Saturate({a.y + (((std::abs(a.y - b.y) + 128 - a.y) * w.y) >> 8),
                       a.u + (((std::abs(a.u - b.u) + 128 - a.u) * w.u) >> 8),
                       a.v + (((std::abs(a.v - b.v) + 128 - a.v) * w.v) >> 8)});
    case OverlayMode::Lighten:
    case OverlayMode::Darken: {
      const bool lighten = mode == OverlayMode::Lighten;
      if (full) return (lighten ? b.y >= a.y : b.y <= a.y) ? b : a;
      const Yuv s = (lighten ? b.y > a.y : b.y < a.y) ? b : a;
      return {(s.y * w.y + a.y * (256 - w.y) + 128) >> 8, (s.u * w.u + a.u * (256 - w.u) + 128) >> 8,
              (s.v * w.v + a.v * (256 - w.v) + 128) >> 8};
    }
    case OverlayMode::Multiply: {
      // The base scaled by the overlay's luma (its chroma about grey).
      auto scale = [&b](int v, float wt, int centre) {
        const float f = 1.0f - wt + wt * static_cast<float>(b.y) / 255.0f;
        return static_cast<int>(static_cast<float>(v - centre) * f + static_cast<float>(centre) + 0.5f);
      };
      return {scale(a.y, w.fy, 0), scale(a.u, w.fu, 128), scale(a.v, w.fv, 128)};
    }
    case OverlayMode::Chroma:
      return {a.y, FloatMix(a.u, b.u, w.fu), FloatMix(a.v, b.v, w.fv)};
    case OverlayMode::Luma:
      return {FloatMix(a.y, b.y, w.fy), a.u, a.v};
    case OverlayMode::Exclusion: {
      // The base inverted by the overlay's luma, chroma included.
      auto exclude = [&b](int x) { return (x * (255 - b.y) + (255 - x) * b.y) >> 8; };
      const Yuv e{exclude(a.y), exclude(a.u), exclude(a.v)};
      return {(e.y * w.y + a.y * (256 - w.y)) >> 8, (e.u * w.u + a.u * (256 - w.u)) >> 8,
              (e.v * w.v + a.v * (256 - w.v)) >> 8};
    }
    case OverlayMode::Blend:
      return {FloatMix(a.y, b.y, w.fy), FloatMix(a.u, b.u, w.fu), FloatMix(a.v, b.v, w.fv)};
  }
  return a;
}

}  // namespace

void OverlayModeRows(OverlayMode mode, const FrameBGR& over, const FrameBGR* mask, FrameBGR& out, int srcX, int srcY,
                     int dstX, int dstY, int width, int height, float opacity, bool greymask) {
  const bool chroma = out.Planes() == 3;
  const int weight = static_cast<int>(opacity * 256.0f + 0.5f);
  const bool full = mask == nullptr && weight >= 256;
  ParallelFor(height, 16LL * width, [&](int begin, int end) {
    for (int r = begin; r < end; ++r) {
      std::uint8_t* d[3] = {out.Row(0, dstY + r) + dstX, nullptr, nullptr};
      const std::uint8_t* o[3] = {over.Row(0, srcY + r) + srcX, nullptr, nullptr};
      const std::uint8_t* m[3] = {nullptr, nullptr, nullptr};
      if (chroma)
        for (int p = 1; p < 3; ++p) {
          d[p] = out.Row(p, dstY + r) + dstX;
          o[p] = over.Row(p, srcY + r) + srcX;
        }
      if (mask != nullptr)
        for (int p = 0; p < (chroma ? 3 : 1); ++p) m[p] = mask->Row(greymask ? 0 : p, srcY + r) + srcX;
      for (int x = 0; x < width; ++x) {
        Weights w{weight, weight, weight, 256 * weight, opacity, opacity, opacity};
        if (mask != nullptr) {
          const int k[3] = {m[0][x], chroma ? m[1][x] : 0, chroma ? m[2][x] : 0};
          const float f = opacity / 255.0f;
          w = {(k[0] * weight) >> 8,         (k[1] * weight) >> 8,         (k[2] * weight) >> 8,        k[0] * weight,
               static_cast<float>(k[0]) * f, static_cast<float>(k[1]) * f, static_cast<float>(k[2]) * f};
        }
        const Yuv a{d[0][x], chroma ? d[1][x] : 128, chroma ? d[2][x] : 128};
        const Yuv b{o[0][x], chroma ? o[1][x] : 128, chroma ? o[2][x] : 128};
        const Yuv c = Apply(mode, a, b, w, full);
        d[0][x] = Byte(c.y);
        if (chroma) {
          d[1][x] = Byte(c.u);
          d[2][x] = Byte(c.v);
        }
      }
    }
  });
}

}  // namespace tandemix::engine
