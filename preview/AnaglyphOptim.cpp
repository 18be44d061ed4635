// The optimised colour anaglyph. Every pixel lends part of its excess red
// to green and blue; the red channel comes from the first view through a
// power curve, green and blue from the second view.
//
// The power curve costs one pow a table entry instead of one a pixel. Where
// SSE4.1 is at hand sixteen pixels at a time are split into channel planes,
// lent and merged back; only the table lookup stays per pixel.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>

#include "base/ParallelFor.h"
#include "core/Geometry.h"
#include "preview/ImageOps.h"
#include "preview/ImageOpsChecks.h"
#include "preview/PixelKernels.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define TANDEMIX_ANAGLYPH_SSE41 1
#endif

namespace tandemix {
namespace {

// v = 191·G' + 64·B' is at most 191·255 + 64·255.
constexpr int kMaxV = 191 * 255 + 64 * 255;
using GammaTable = std::array<std::uint8_t, kMaxV + 1>;

// round-half-even(256·(v / 65536)^(256 / divisor)) for every v. The table is
// kept for the last divisor used: the preview always asks for the same one.
std::shared_ptr<const GammaTable> GammaTableFor(std::uint16_t divisor) {
  static std::mutex mutex;
  static std::uint16_t cachedDivisor = 0;
  static std::shared_ptr<const GammaTable> cached;
  std::lock_guard lock(mutex);
  if (cached && cachedDivisor == divisor) return cached;
  auto table = std::make_shared<GammaTable>();
  const double exponent = 256.0 / static_cast<double>(divisor);
  (*table)[0] = 0;
  for (int v = 1; v <= kMaxV; ++v) {
    const int red = RoundHalfEven(256.0 * std::pow(static_cast<double>(v) / 65536.0, exponent));
    (*table)[v] = static_cast<std::uint8_t>(std::clamp(red, 0, 255));
  }
  cached = table;
  cachedDivisor = divisor;
  return cached;
}

struct Anaglyph {
  const TPixMatrix* first;
  const TPixMatrix* second;
  Bitmap* target;
  int width;
  int greenGain, blueGain;
  const std::uint8_t* gamma;

  // G' = G + floor(max(0, R − G)·gain / 256), likewise B'; a gain below 256
  // keeps both within 0..255.
  void Pixels(const Pixel* a, const Pixel* b, Pixel* out, int c, int end) const {
    for (; c < end; ++c) {
      const int g1 = a[c].green + ((std::max(0, a[c].red - a[c].green) * greenGain) >> 8);
      const int b1 = a[c].blue + ((std::max(0, a[c].red - a[c].blue) * blueGain) >> 8);
      const int g2 = b[c].green + ((std::max(0, b[c].red - b[c].green) * greenGain) >> 8);
      const int b2 = b[c].blue + ((std::max(0, b[c].red - b[c].blue) * blueGain) >> 8);
      out[c] = Pixel{static_cast<std::uint8_t>(b2), static_cast<std::uint8_t>(g2), gamma[191 * g1 + 64 * b1]};
    }
  }

  void RowsPlain(int rowBegin, int rowEnd) const {
    for (int r = rowBegin; r < rowEnd; ++r)
      Pixels((*first)[r], (*second)[r], reinterpret_cast<Pixel*>(target->ScanLine(r)), 0, width);
  }

#if defined(TANDEMIX_ANAGLYPH_SSE41)
  // Byte shuffles between 48 interleaved bytes (16 pixels) and three planes.
  struct Shuffles {
    alignas(16) std::int8_t split[3][3][16];  // [channel][source block][byte]
    alignas(16) std::int8_t merge[3][3][16];  // [output block][channel][byte]
    Shuffles() {
      for (int channel = 0; channel < 3; ++channel)
        for (int block = 0; block < 3; ++block)
          for (int i = 0; i < 16; ++i) {
            const int from = 3 * i + channel;  // pixel i's channel in the 48 bytes
            split[channel][block][i] = static_cast<std::int8_t>(from / 16 == block ? from % 16 : -1);
            const int at = 16 * block + i;  // output byte: pixel at / 3, channel at % 3
            merge[block][channel][i] = static_cast<std::int8_t>(at % 3 == channel ? at / 3 : -1);
          }
    }
  };

  __attribute__((target("sse4.1"))) static __m128i Lent(__m128i channel, __m128i red, __m128i gain) {
    // floor(max(0, R − C)·gain / 256) in 16-bit lanes, added to C.
    const __m128i zero = _mm_setzero_si128();
    const __m128i excess = _mm_subs_epu8(red, channel);
    const __m128i low = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(excess, zero), gain), 8);
    const __m128i high = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(excess, zero), gain), 8);
    return _mm_add_epi8(channel, _mm_packus_epi16(low, high));
  }

  __attribute__((target("sse4.1"))) void RowsSse41(int rowBegin, int rowEnd) const {
    static const Shuffles shuffles;
    auto mask = [](const std::int8_t* bytes) { return _mm_load_si128(reinterpret_cast<const __m128i*>(bytes)); };
    const __m128i greenGainV = _mm_set1_epi16(static_cast<short>(greenGain));
    const __m128i blueGainV = _mm_set1_epi16(static_cast<short>(blueGain));
    const __m128i zero = _mm_setzero_si128();
    for (int r = rowBegin; r < rowEnd; ++r) {
      const std::uint8_t* a = reinterpret_cast<const std::uint8_t*>((*first)[r]);
      const std::uint8_t* b = reinterpret_cast<const std::uint8_t*>((*second)[r]);
      std::uint8_t* out = target->ScanLine(r);
      int c = 0;
      for (; c + 16 <= width; c += 16) {
        __m128i planeA[3], planeB[3];  // blue, green, red
        const __m128i blocksA[3] = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 3 * c)),
                                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 3 * c + 16)),
                                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 3 * c + 32))};
        const __m128i blocksB[3] = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 3 * c)),
                                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 3 * c + 16)),
                                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 3 * c + 32))};
        for (int ch = 0; ch < 3; ++ch) {
          planeA[ch] = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(blocksA[0], mask(shuffles.split[ch][0])),
                                                 _mm_shuffle_epi8(blocksA[1], mask(shuffles.split[ch][1]))),
                                    _mm_shuffle_epi8(blocksA[2], mask(shuffles.split[ch][2])));
          planeB[ch] = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(blocksB[0], mask(shuffles.split[ch][0])),
                                                 _mm_shuffle_epi8(blocksB[1], mask(shuffles.split[ch][1]))),
                                    _mm_shuffle_epi8(blocksB[2], mask(shuffles.split[ch][2])));
        }
        const __m128i green1 = Lent(planeA[1], planeA[2], greenGainV);
        const __m128i blue1 = Lent(planeA[0], planeA[2], blueGainV);
        const __m128i outPlanes[3] = {Lent(planeB[0], planeB[2], blueGainV), Lent(planeB[1], planeB[2], greenGainV),
                                      _mm_setzero_si128()};
        // v = 191·G' + 64·B' fits 16 bits; the red byte is the table's.
        const __m128i vLow = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(green1, zero), _mm_set1_epi16(191)),
                                           _mm_slli_epi16(_mm_unpacklo_epi8(blue1, zero), 6));
        const __m128i vHigh = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(green1, zero), _mm_set1_epi16(191)),
                                            _mm_slli_epi16(_mm_unpackhi_epi8(blue1, zero), 6));
        alignas(16) std::uint16_t v[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(v), vLow);
        _mm_store_si128(reinterpret_cast<__m128i*>(v + 8), vHigh);
        // Four lookups to a register word: bytes stored one by one and read
        // back as a vector would stall the load.
        auto four = [&](int k) {
          return static_cast<int>(gamma[v[k]] | (gamma[v[k + 1]] << 8) | (gamma[v[k + 2]] << 16) |
                                  (static_cast<std::uint32_t>(gamma[v[k + 3]]) << 24));
        };
        const __m128i planes[3] = {outPlanes[0], outPlanes[1], _mm_setr_epi32(four(0), four(4), four(8), four(12))};
        for (int block = 0; block < 3; ++block)
          _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * c + 16 * block),
                           _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(planes[0], mask(shuffles.merge[block][0])),
                                                     _mm_shuffle_epi8(planes[1], mask(shuffles.merge[block][1]))),
                                        _mm_shuffle_epi8(planes[2], mask(shuffles.merge[block][2]))));
      }
      Pixels(reinterpret_cast<const Pixel*>(a), reinterpret_cast<const Pixel*>(b), reinterpret_cast<Pixel*>(out), c,
             width);
    }
  }
#endif
};

}  // namespace

void AnaglyphOptimToBitmap(const TPixMatrix& first, const TPixMatrix& second, Bitmap& target, int width, int height,
                           std::uint8_t greenGain, std::uint8_t blueGain, std::uint16_t gammaDivisor) {
  CheckCombine(first, second, width, height);
  const std::shared_ptr<const GammaTable> gamma = GammaTableFor(gammaDivisor);
  target.SetSize(width, height);
  const Anaglyph anaglyph{&first, &second, &target, width, greenGain, blueGain, gamma->data()};
#if defined(TANDEMIX_ANAGLYPH_SSE41)
  if (UseSse41Kernels()) {
    ParallelFor(height, std::int64_t{width} * 3, [&](int b, int e) { anaglyph.RowsSse41(b, e); });
    return;
  }
#endif
  ParallelFor(height, std::int64_t{width} * 3, [&](int b, int e) { anaglyph.RowsPlain(b, e); });
}

}  // namespace tandemix
