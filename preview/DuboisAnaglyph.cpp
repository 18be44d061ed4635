// The least-squares anaglyph. Each of the eighteen matrix entries times the
// linear value of each 8-bit code is a table, so a pixel costs eighteen
// lookups and additions; the sRGB encoding goes through a coarse table of
// starting codes and at most a few comparisons with the exact thresholds,
// so every output is the correctly rounded code of the exact sum.
#include "preview/DuboisAnaglyph.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>

#include "base/ParallelFor.h"
#include "preview/ImageOpsChecks.h"

namespace tandemix {
namespace {

// Eric Dubois's least-squares matrices (see the header for the source).
const DuboisMatrices kRedCyan{{{{0.437, 0.449, 0.164}, {-0.062, -0.062, -0.024}, {-0.048, -0.050, -0.017}}},
                              {{{-0.011, -0.032, -0.007}, {0.377, 0.761, 0.009}, {-0.026, -0.093, 1.234}}}};
const DuboisMatrices kGreenMagenta{{{{-0.062, -0.158, -0.039}, {0.284, 0.668, 0.143}, {-0.015, -0.027, 0.021}}},
                                   {{{0.529, 0.705, 0.024}, {-0.016, -0.015, -0.065}, {0.009, 0.075, 0.937}}}};
const DuboisMatrices kAmberBlue{{{{1.062, -0.205, 0.299}, {-0.026, 0.908, 0.068}, {-0.038, -0.173, 0.022}}},
                                {{{-0.016, -0.123, -0.017}, {0.006, 0.062, -0.017}, {0.094, 0.185, 0.911}}}};

double SrgbDecode(double encoded) {
  return encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
}

constexpr int kBuckets = 4096;

struct EncodeTables {
  // threshold[k] is the least linear value that encodes to code k or more
  // (k = 1..255); threshold[256] stops the search.
  std::array<double, 257> threshold{};
  // start[b] is the code of linear b / kBuckets.
  std::array<std::uint8_t, kBuckets + 1> start{};
  std::array<double, 256> linear{};
};

const EncodeTables& Tables() {
  static const EncodeTables tables = [] {
    EncodeTables t;
    for (int code = 0; code < 256; ++code) t.linear[code] = SrgbDecode(code / 255.0);
    t.threshold[0] = -1.0;
    for (int k = 1; k < 256; ++k) t.threshold[k] = SrgbDecode((k - 0.5) / 255.0);
    t.threshold[256] = 2.0;
    int code = 0;
    for (int b = 0; b <= kBuckets; ++b) {
      const double v = static_cast<double>(b) / kBuckets;
      while (code < 255 && t.threshold[code + 1] <= v) ++code;
      t.start[b] = static_cast<std::uint8_t>(code);
    }
    return t;
  }();
  return tables;
}

inline std::uint8_t Encode(const EncodeTables& t, double v) {
  if (!(v > 0.0)) return 0;
  if (v >= 1.0) return 255;
  int code = t.start[static_cast<int>(v * kBuckets)];
  while (t.threshold[code + 1] <= v) ++code;
  return static_cast<std::uint8_t>(code);
}

// weight[view][out][in][code] = matrix entry × linear value of code.
using WeightTables = std::array<std::array<std::array<std::array<double, 256>, 3>, 3>, 2>;

std::shared_ptr<const WeightTables> WeightsFor(DuboisGlasses glasses) {
  static std::mutex mutex;
  static std::array<std::shared_ptr<const WeightTables>, 3> cache;
  const auto index = static_cast<std::size_t>(glasses);
  std::lock_guard lock(mutex);
  if (cache[index]) return cache[index];
  const DuboisMatrices& m = DuboisMatricesFor(glasses);
  const EncodeTables& t = Tables();
  auto w = std::make_shared<WeightTables>();
  for (int out = 0; out < 3; ++out)
    for (int in = 0; in < 3; ++in)
      for (int code = 0; code < 256; ++code) {
        (*w)[0][out][in][code] = m.left[out][in] * t.linear[code];
        (*w)[1][out][in][code] = m.right[out][in] * t.linear[code];
      }
  cache[index] = w;
  return w;
}

}  // namespace

const DuboisMatrices& DuboisMatricesFor(DuboisGlasses glasses) {
  switch (glasses) {
    case DuboisGlasses::GreenMagenta:
      return kGreenMagenta;
    case DuboisGlasses::AmberBlue:
      return kAmberBlue;
    case DuboisGlasses::RedCyan:
    default:
      return kRedCyan;
  }
}

double SrgbToLinear(int code) { return Tables().linear[static_cast<std::size_t>(std::clamp(code, 0, 255))]; }

int LinearToSrgb(double linear) { return Encode(Tables(), linear); }

void AnaglyphDuboisToBitmap(const TPixMatrix& first, const TPixMatrix& second, Bitmap& target, int width, int height,
                            DuboisGlasses glasses) {
  CheckCombine(first, second, width, height);
  const std::shared_ptr<const WeightTables> weights = WeightsFor(glasses);
  const WeightTables& w = *weights;
  const EncodeTables& t = Tables();
  target.SetSize(width, height);
  ParallelFor(height, static_cast<long long>(width) * 24, [&](int rowBegin, int rowEnd) {
    for (int r = rowBegin; r < rowEnd; ++r) {
      const Pixel* a = first[r];
      const Pixel* b = second[r];
      Pixel* out = reinterpret_cast<Pixel*>(target.ScanLine(r));
      for (int c = 0; c < width; ++c) {
        const std::array<std::uint8_t, 3> l{a[c].red, a[c].green, a[c].blue};
        const std::array<std::uint8_t, 3> rr{b[c].red, b[c].green, b[c].blue};
        std::array<std::uint8_t, 3> mixed{};
        for (int o = 0; o < 3; ++o) {
          const auto& wl = w[0][o];
          const auto& wr = w[1][o];
          const double v = wl[0][l[0]] + wl[1][l[1]] + wl[2][l[2]] + wr[0][rr[0]] + wr[1][rr[1]] + wr[2][rr[2]];
          mixed[o] = Encode(t, v);
        }
        out[c] = Pixel{mixed[2], mixed[1], mixed[0]};
      }
    }
  });
}

}  // namespace tandemix
