// The vector forms of the expression runner: the plain form's operations,
// four (SSE4.1) or eight (AVX2) lanes at a time, in the same IEEE single
// precision steps so the bytes agree. Functions without a vector
// instruction (exp, log, pow, the trigonometry, the rounding modes) take
// the plain form's per-lane code.
#include <immintrin.h>

#include <algorithm>
#include <cstring>

#include "engine/kernels/ExprProgram.h"

namespace tandemix::engine {
namespace {

typedef float F4 __attribute__((vector_size(16)));
typedef int I4 __attribute__((vector_size(16)));
typedef float F8 __attribute__((vector_size(32)));
typedef int I8 __attribute__((vector_size(32)));

}  // namespace

// SEL(mask, a, b): a where the mask's lanes are set, b elsewhere.
#define TANDEMIX_EXPR_SEL(I, V, m, a, b) ((V)(((m) & (I)(a)) | (~(m) & (I)(b))))

// Fills the block's vectors with one value.
#define TANDEMIX_EXPR_FILL(value)                                               \
  {                                                                             \
    const auto fill = zero + (value);                                           \
    for (int i = 0; i < nv; i += lanes) std::memcpy(d + i, &fill, sizeof fill); \
  }

// Runs `expression` of the operands a, b and c over the block's vectors.
#define TANDEMIX_EXPR_LOOP(expression)  \
  for (int i = 0; i < nv; i += lanes) { \
    std::memcpy(&a, pa + i, sizeof a);  \
    std::memcpy(&b, pb + i, sizeof b);  \
    std::memcpy(&c, pc + i, sizeof c);  \
    r = (expression);                   \
    std::memcpy(d + i, &r, sizeof r);   \
  }

// The body of a block runner for vectors V of L floats and I of L ints;
// SQRT(v) is the lane-wise square root, LOADB(p) reads L bytes as floats,
// STOREB(p, i) writes L ints of 0..255 as bytes.
#define TANDEMIX_EXPR_BODY(V, I, L, SQRT, LOADB, STOREB)                                                               \
  constexpr int lanes = L;                                                                                             \
  const int nv = (n + L - 1) / L * L;                                                                                  \
  const V zero = V{} + 0.0f, one = zero + 1.0f, minusOne = zero - 1.0f;                                                \
  V iota, a, b, c, r;                                                                                                  \
  for (int k = 0; k < L; ++k) iota[k] = static_cast<float>(k);                                                         \
  for (const ExprOp& op : program.ops) {                                                                               \
    float* d = scratch + static_cast<std::size_t>(op.dst) * kExprBlock;                                                \
    const float* pa = scratch + static_cast<std::size_t>(op.a) * kExprBlock;                                           \
    const float* pb = scratch + static_cast<std::size_t>(op.b) * kExprBlock;                                           \
    const float* pc = scratch + static_cast<std::size_t>(op.c) * kExprBlock;                                           \
    switch (op.kind) {                                                                                                 \
      case ExprOpKind::Load: {                                                                                         \
        const int row = std::clamp(y + op.dy, 0, in.height - 1);                                                       \
        const std::uint8_t* s = in.planes[op.clip] + in.strides[op.clip] * static_cast<std::size_t>(row);              \
        const int lo = x0 + op.dx;                                                                                     \
        if (lo >= 0 && lo + nv <= in.width) {                                                                          \
          for (int i = 0; i < nv; i += L) {                                                                            \
            r = LOADB(s + lo + i);                                                                                     \
            std::memcpy(d + i, &r, sizeof r);                                                                          \
          }                                                                                                            \
        } else {                                                                                                       \
          for (int i = 0; i < n; ++i) d[i] = s[std::clamp(lo + i, 0, in.width - 1)];                                   \
        }                                                                                                              \
        continue;                                                                                                      \
      }                                                                                                                \
      case ExprOpKind::Const:                                                                                          \
        TANDEMIX_EXPR_FILL(op.value);                                                                                  \
        continue;                                                                                                      \
      case ExprOpKind::FrameNo:                                                                                        \
        TANDEMIX_EXPR_FILL(static_cast<float>(in.frame));                                                              \
        continue;                                                                                                      \
      case ExprOpKind::Time:                                                                                           \
        TANDEMIX_EXPR_FILL(in.time);                                                                                   \
        continue;                                                                                                      \
      case ExprOpKind::Sy:                                                                                             \
        TANDEMIX_EXPR_FILL(static_cast<float>(y));                                                                     \
        continue;                                                                                                      \
      case ExprOpKind::Syr:                                                                                            \
        TANDEMIX_EXPR_FILL(in.height > 1 ? static_cast<float>(y) * (1.0f / static_cast<float>(in.height - 1)) : 0.0f); \
        continue;                                                                                                      \
      case ExprOpKind::Copy:                                                                                           \
        std::memmove(d, pa, sizeof(float) * static_cast<std::size_t>(nv));                                             \
        continue;                                                                                                      \
      case ExprOpKind::Exp:                                                                                            \
      case ExprOpKind::Log:                                                                                            \
      case ExprOpKind::Sin:                                                                                            \
      case ExprOpKind::Cos:                                                                                            \
      case ExprOpKind::Tan:                                                                                            \
      case ExprOpKind::Asin:                                                                                           \
      case ExprOpKind::Acos:                                                                                           \
      case ExprOpKind::Atan:                                                                                           \
      case ExprOpKind::Round:                                                                                          \
      case ExprOpKind::Floor:                                                                                          \
      case ExprOpKind::Ceil:                                                                                           \
      case ExprOpKind::Trunc:                                                                                          \
      case ExprOpKind::Pow:                                                                                            \
      case ExprOpKind::Mod:                                                                                            \
      case ExprOpKind::Atan2:                                                                                          \
        for (int i = 0; i < n; ++i) d[i] = ExprScalar(op.kind, pa[i], pb[i], pc[i]);                                   \
        continue;                                                                                                      \
      default:                                                                                                         \
        break;                                                                                                         \
    }                                                                                                                  \
    switch (op.kind) {                                                                                                 \
      case ExprOpKind::Sx:                                                                                             \
        TANDEMIX_EXPR_LOOP(iota + static_cast<float>(x0 + i));                                                         \
        break;                                                                                                         \
      case ExprOpKind::Sxr:                                                                                            \
        TANDEMIX_EXPR_LOOP((iota + static_cast<float>(x0 + i)) *                                                       \
                           (in.width > 1 ? 1.0f / static_cast<float>(in.width - 1) : 0.0f));                           \
        break;                                                                                                         \
      case ExprOpKind::Neg:                                                                                            \
        TANDEMIX_EXPR_LOOP(-a);                                                                                        \
        break;                                                                                                         \
      case ExprOpKind::Abs:                                                                                            \
        TANDEMIX_EXPR_LOOP((V)((I)a & 0x7fffffff));                                                                    \
        break;                                                                                                         \
      case ExprOpKind::Sqrt:                                                                                           \
        TANDEMIX_EXPR_LOOP(SQRT(TANDEMIX_EXPR_SEL(I, V, a > zero, a, zero)));                                          \
        break;                                                                                                         \
      case ExprOpKind::Sgn:                                                                                            \
        TANDEMIX_EXPR_LOOP(TANDEMIX_EXPR_SEL(I, V, a > zero, one, TANDEMIX_EXPR_SEL(I, V, a < zero, minusOne, zero))); \
        break;                                                                                                         \
      case ExprOpKind::Not:                                                                                            \
        TANDEMIX_EXPR_LOOP(TANDEMIX_EXPR_SEL(I, V, a > zero, zero, one));                                              \
        break;                                                                                                         \
      case ExprOpKind::Add:                                                                                            \
        TANDEMIX_EXPR_LOOP(a + b);                                                                                     \
        break;                                                                                                         \
      case ExprOpKind::Sub:                                                                                            \
        TANDEMIX_EXPR_LOOP(a - b);                                                                                     \
        break;                                                                                                         \
      case ExprOpKind::Mul:                                                                                            \
        TANDEMIX_EXPR_LOOP(a* b);                                                                                      \
        break;                                                                                                         \
      case ExprOpKind::Div:                                                                                            \
        TANDEMIX_EXPR_LOOP(a / b);                                                                                     \
        break;                                                                                                         \
      case ExprOpKind::Min:                                                                                            \
        TANDEMIX_EXPR_LOOP(TANDEMIX_EXPR_SEL(I, V, a < b, a, b));                                                      \
        break;                                                                                                         \
      case ExprOpKind::Max:                                                                                            \
        TANDEMIX_EXPR_LOOP(TANDEMIX_EXPR_SEL(I, V, a > b, a, b));                                                      \
        break;                                                                                                         \
      case ExprOpKind::Greater:                                                                                        \
        TANDEMIX_EXPR_LOOP(TANDEMIX_EXPR_SEL(I, V, a > b, one, zero));                                                 \
        break;                                                                                                         \
      case ExprOpKind::Less:                                                                                           \
        TANDEMIX_EXPR_LOOP(TANDEMIX_EXPR_SEL(I, V, a < b, one, zero));                                                 \
        break;                                                                                                         \
      case ExprOpKind::Equal:                                                                                          \
        TANDEMIX_EXPR_LOOP(TANDEMIX_EXPR_SEL(I, V, a == b, one, zero));                                                \
        break;                                                                                                         \
      case ExprOpKind::NotEqual:                                                                                       \
        TANDEMIX_EXPR_LOOP(TANDEMIX_EXPR_SEL(I, V, a != b, one, zero));                                                \
        break;                                                                                                         \
      case ExprOpKind::GreaterEqual:                                                                                   \
        TANDEMIX_EXPR_LOOP(TANDEMIX_EXPR_SEL(I, V, a >= b, one, zero));                                                \
        break;                                                                                                         \
      case ExprOpKind::LessEqual:                                                                                      \
        TANDEMIX_EXPR_LOOP(TANDEMIX_EXPR_SEL(I, V, a <= b, one, zero));                                                \
        break;                                                                                                         \
      case ExprOpKind::And:                                                                                            \
        TANDEMIX_EXPR_LOOP(TANDEMIX_EXPR_SEL(I, V, (a > zero) & (b > zero), one, zero));                               \
        break;                                                                                                         \
      case ExprOpKind::Or:                                                                                             \
        TANDEMIX_EXPR_LOOP(TANDEMIX_EXPR_SEL(I, V, (a > zero) | (b > zero), one, zero));                               \
        break;                                                                                                         \
      case ExprOpKind::Xor:                                                                                            \
        TANDEMIX_EXPR_LOOP(TANDEMIX_EXPR_SEL(I, V, (a > zero) ^ (b > zero), one, zero));                               \
        break;                                                                                                         \
      case ExprOpKind::Select:                                                                                         \
        TANDEMIX_EXPR_LOOP(TANDEMIX_EXPR_SEL(I, V, a > zero, b, c));                                                   \
        break;                                                                                                         \
      case ExprOpKind::Clip:                                                                                           \
        TANDEMIX_EXPR_LOOP(TANDEMIX_EXPR_SEL(I, V, TANDEMIX_EXPR_SEL(I, V, a > b, a, b) < c,                           \
                                             TANDEMIX_EXPR_SEL(I, V, a > b, a, b), c));                                \
        break;                                                                                                         \
      default:                                                                                                         \
        break;                                                                                                         \
    }                                                                                                                  \
  }                                                                                                                    \
  const float* res = scratch + static_cast<std::size_t>(program.result) * kExprBlock;                                  \
  for (int i = 0; i < n; i += L) {                                                                                     \
    std::memcpy(&r, res + i, sizeof r);                                                                                \
    r = TANDEMIX_EXPR_SEL(I, V, r > zero, r, zero);                                                                    \
    r = TANDEMIX_EXPR_SEL(I, V, r < zero + 255.0f, r, zero + 255.0f);                                                  \
    const I rounded = __builtin_convertvector(r + 0.5f, I);                                                            \
    if (i + L <= n) {                                                                                                  \
      STOREB(out + i, rounded);                                                                                        \
    } else {                                                                                                           \
      for (int k = 0; i + k < n; ++k) out[i + k] = static_cast<std::uint8_t>(rounded[k]);                              \
    }                                                                                                                  \
  }

namespace {
__attribute__((target("sse4.1"))) inline F4 Sqrt4(F4 v) { return (F4)_mm_sqrt_ps((__m128)v); }
__attribute__((target("sse4.1"))) inline F4 Load4(const std::uint8_t* p) {
  int bytes = 0;
  std::memcpy(&bytes, p, sizeof bytes);
  return (F4)_mm_cvtepi32_ps(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(bytes)));
}
__attribute__((target("sse4.1"))) inline void Store4(std::uint8_t* p, I4 v) {
  __m128i w = _mm_packs_epi32((__m128i)v, (__m128i)v);
  w = _mm_packus_epi16(w, w);
  const int bytes = _mm_cvtsi128_si32(w);
  std::memcpy(p, &bytes, sizeof bytes);
}
__attribute__((target("avx2"))) inline F8 Sqrt8(F8 v) { return (F8)_mm256_sqrt_ps((__m256)v); }
__attribute__((target("avx2"))) inline F8 Load8(const std::uint8_t* p) {
  return (F8)_mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}
__attribute__((target("avx2"))) inline void Store8(std::uint8_t* p, I8 v) {
  const __m128i w = _mm_packs_epi32(_mm256_castsi256_si128((__m256i)v), _mm256_extracti128_si256((__m256i)v, 1));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(w, w));
}
}  // namespace

__attribute__((target("sse4.1"))) void RunExprBlockSse(const ExprProgram& program, const ExprRowInputs& in, int y,
                                                       int x0, int n, std::uint8_t* out, float* scratch) {
  TANDEMIX_EXPR_BODY(F4, I4, 4, Sqrt4, Load4, Store4)
}

__attribute__((target("avx2"))) void RunExprBlockAvx2(const ExprProgram& program, const ExprRowInputs& in, int y,
                                                      int x0, int n, std::uint8_t* out, float* scratch) {
  TANDEMIX_EXPR_BODY(F8, I8, 8, Sqrt8, Load8, Store8)
}

}  // namespace tandemix::engine
