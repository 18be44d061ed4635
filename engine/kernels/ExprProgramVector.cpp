// The vector forms of the expression runner: the plain form's operations,
// four (SSE) or eight (AVX2) lanes at a time, in the same IEEE single
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
typedef unsigned char B4 __attribute__((vector_size(4)));
typedef float F8 __attribute__((vector_size(32)));
typedef int I8 __attribute__((vector_size(32)));
typedef unsigned char B8 __attribute__((vector_size(8)));

}  // namespace

// SEL(mask, a, b): a where the mask's lanes are set, b elsewhere.
#define TANDEMIX_EXPR_SEL(I, V, m, a, b) ((V)(((m) & (I)(a)) | (~(m) & (I)(b))))

// The body of a block runner for vectors V of L floats, I of L ints and B
// of L bytes; SQRT(v) is the lane-wise square root.
#define TANDEMIX_EXPR_BODY(V, I, B, L, SQRT)                                                                         \
  const int nv = (n + L - 1) / L * L;                                                                                \
  const V zero = V{} + 0.0f, one = zero + 1.0f, minusOne = zero - 1.0f;                                              \
  V iota, a, b, c, r;                                                                                                \
  for (int k = 0; k < L; ++k) iota[k] = static_cast<float>(k);                                                       \
  for (const ExprOp& op : program.ops) {                                                                             \
    float* d = scratch + static_cast<std::size_t>(op.dst) * kExprBlock;                                              \
    const float* pa = scratch + static_cast<std::size_t>(op.a) * kExprBlock;                                         \
    const float* pb = scratch + static_cast<std::size_t>(op.b) * kExprBlock;                                         \
    const float* pc = scratch + static_cast<std::size_t>(op.c) * kExprBlock;                                         \
    switch (op.kind) {                                                                                               \
      case ExprOpKind::Load: {                                                                                       \
        const int row = std::clamp(y + op.dy, 0, in.height - 1);                                                     \
        const std::uint8_t* s = in.planes[op.clip] + in.strides[op.clip] * static_cast<std::size_t>(row);            \
        const int lo = x0 + op.dx;                                                                                   \
        if (lo >= 0 && lo + nv <= in.width) {                                                                        \
          for (int i = 0; i < nv; i += L) {                                                                          \
            B bytes;                                                                                                 \
            std::memcpy(&bytes, s + lo + i, sizeof bytes);                                                           \
            r = __builtin_convertvector(bytes, V);                                                                   \
            std::memcpy(d + i, &r, sizeof r);                                                                        \
          }                                                                                                          \
        } else {                                                                                                     \
          for (int i = 0; i < n; ++i) d[i] = s[std::clamp(lo + i, 0, in.width - 1)];                                 \
        }                                                                                                            \
        continue;                                                                                                    \
      }                                                                                                              \
      case ExprOpKind::Const:                                                                                        \
        std::fill(d, d + nv, op.value);                                                                              \
        continue;                                                                                                    \
      case ExprOpKind::FrameNo:                                                                                      \
        std::fill(d, d + nv, static_cast<float>(in.frame));                                                          \
        continue;                                                                                                    \
      case ExprOpKind::Time:                                                                                         \
        std::fill(d, d + nv, in.time);                                                                               \
        continue;                                                                                                    \
      case ExprOpKind::Sy:                                                                                           \
        std::fill(d, d + nv, static_cast<float>(y));                                                                 \
        continue;                                                                                                    \
      case ExprOpKind::Syr:                                                                                          \
        std::fill(d, d + nv,                                                                                         \
                  in.height > 1 ? static_cast<float>(y) * (1.0f / static_cast<float>(in.height - 1)) : 0.0f);        \
        continue;                                                                                                    \
      case ExprOpKind::Copy:                                                                                         \
        std::memmove(d, pa, sizeof(float) * static_cast<std::size_t>(nv));                                           \
        continue;                                                                                                    \
      case ExprOpKind::Exp:                                                                                          \
      case ExprOpKind::Log:                                                                                          \
      case ExprOpKind::Sin:                                                                                          \
      case ExprOpKind::Cos:                                                                                          \
      case ExprOpKind::Tan:                                                                                          \
      case ExprOpKind::Asin:                                                                                         \
      case ExprOpKind::Acos:                                                                                         \
      case ExprOpKind::Atan:                                                                                         \
      case ExprOpKind::Round:                                                                                        \
      case ExprOpKind::Floor:                                                                                        \
      case ExprOpKind::Ceil:                                                                                         \
      case ExprOpKind::Trunc:                                                                                        \
      case ExprOpKind::Pow:                                                                                          \
      case ExprOpKind::Mod:                                                                                          \
      case ExprOpKind::Atan2:                                                                                        \
        for (int i = 0; i < n; ++i) d[i] = ExprScalar(op.kind, pa[i], pb[i], pc[i]);                                 \
        continue;                                                                                                    \
      default:                                                                                                       \
        break;                                                                                                       \
    }                                                                                                                \
    for (int i = 0; i < nv; i += L) {                                                                                \
      std::memcpy(&a, pa + i, sizeof a);                                                                             \
      std::memcpy(&b, pb + i, sizeof b);                                                                             \
      std::memcpy(&c, pc + i, sizeof c);                                                                             \
      switch (op.kind) {                                                                                             \
        case ExprOpKind::Sx:                                                                                         \
          r = iota + static_cast<float>(x0 + i);                                                                     \
          break;                                                                                                     \
        case ExprOpKind::Sxr:                                                                                        \
          r = (iota + static_cast<float>(x0 + i)) * (in.width > 1 ? 1.0f / static_cast<float>(in.width - 1) : 0.0f); \
          break;                                                                                                     \
        case ExprOpKind::Neg:                                                                                        \
          r = -a;                                                                                                    \
          break;                                                                                                     \
        case ExprOpKind::Abs:                                                                                        \
          r = (V)((I)a & 0x7fffffff);                                                                                \
          break;                                                                                                     \
        case ExprOpKind::Sqrt:                                                                                       \
          r = SQRT(TANDEMIX_EXPR_SEL(I, V, a > zero, a, zero));                                                      \
          break;                                                                                                     \
        case ExprOpKind::Sgn:                                                                                        \
          r = TANDEMIX_EXPR_SEL(I, V, a > zero, one, TANDEMIX_EXPR_SEL(I, V, a < zero, minusOne, zero));             \
          break;                                                                                                     \
        case ExprOpKind::Not:                                                                                        \
          r = TANDEMIX_EXPR_SEL(I, V, a > zero, zero, one);                                                          \
          break;                                                                                                     \
        case ExprOpKind::Add:                                                                                        \
          r = a + b;                                                                                                 \
          break;                                                                                                     \
        case ExprOpKind::Sub:                                                                                        \
          r = a - b;                                                                                                 \
          break;                                                                                                     \
        case ExprOpKind::Mul:                                                                                        \
          r = a * b;                                                                                                 \
          break;                                                                                                     \
        case ExprOpKind::Div:                                                                                        \
          r = a / b;                                                                                                 \
          break;                                                                                                     \
        case ExprOpKind::Min:                                                                                        \
          r = TANDEMIX_EXPR_SEL(I, V, a < b, a, b);                                                                  \
          break;                                                                                                     \
        case ExprOpKind::Max:                                                                                        \
          r = TANDEMIX_EXPR_SEL(I, V, a > b, a, b);                                                                  \
          break;                                                                                                     \
        case ExprOpKind::Greater:                                                                                    \
          r = TANDEMIX_EXPR_SEL(I, V, a > b, one, zero);                                                             \
          break;                                                                                                     \
        case ExprOpKind::Less:                                                                                       \
          r = TANDEMIX_EXPR_SEL(I, V, a < b, one, zero);                                                             \
          break;                                                                                                     \
        case ExprOpKind::Equal:                                                                                      \
          r = TANDEMIX_EXPR_SEL(I, V, a == b, one, zero);                                                            \
          break;                                                                                                     \
        case ExprOpKind::NotEqual:                                                                                   \
          r = TANDEMIX_EXPR_SEL(I, V, a != b, one, zero);                                                            \
          break;                                                                                                     \
        case ExprOpKind::GreaterEqual:                                                                               \
          r = TANDEMIX_EXPR_SEL(I, V, a >= b, one, zero);                                                            \
          break;                                                                                                     \
        case ExprOpKind::LessEqual:                                                                                  \
          r = TANDEMIX_EXPR_SEL(I, V, a <= b, one, zero);                                                            \
          break;                                                                                                     \
        case ExprOpKind::And:                                                                                        \
          r = TANDEMIX_EXPR_SEL(I, V, (a > zero) & (b > zero), one, zero);                                           \
          break;                                                                                                     \
        case ExprOpKind::Or:                                                                                         \
          r = TANDEMIX_EXPR_SEL(I, V, (a > zero) | (b > zero), one, zero);                                           \
          break;                                                                                                     \
        case ExprOpKind::Xor:                                                                                        \
          r = TANDEMIX_EXPR_SEL(I, V, (a > zero) ^ (b > zero), one, zero);                                           \
          break;                                                                                                     \
        case ExprOpKind::Select:                                                                                     \
          r = TANDEMIX_EXPR_SEL(I, V, a > zero, b, c);                                                               \
          break;                                                                                                     \
        case ExprOpKind::Clip: {                                                                                     \
          const V low = TANDEMIX_EXPR_SEL(I, V, a > b, a, b);                                                        \
          r = TANDEMIX_EXPR_SEL(I, V, low < c, low, c);                                                              \
          break;                                                                                                     \
        }                                                                                                            \
        default:                                                                                                     \
          r = zero;                                                                                                  \
          break;                                                                                                     \
      }                                                                                                              \
      std::memcpy(d + i, &r, sizeof r);                                                                              \
    }                                                                                                                \
  }                                                                                                                  \
  const float* res = scratch + static_cast<std::size_t>(program.result) * kExprBlock;                                \
  for (int i = 0; i < n; i += L) {                                                                                   \
    std::memcpy(&r, res + i, sizeof r);                                                                              \
    r = TANDEMIX_EXPR_SEL(I, V, r > zero, r, zero);                                                                  \
    r = TANDEMIX_EXPR_SEL(I, V, r < zero + 255.0f, r, zero + 255.0f);                                                \
    const I rounded = __builtin_convertvector(r + 0.5f, I);                                                          \
    if (i + L <= n) {                                                                                                \
      const B bytes = __builtin_convertvector(rounded, B);                                                           \
      std::memcpy(out + i, &bytes, sizeof bytes);                                                                    \
    } else {                                                                                                         \
      for (int k = 0; i + k < n; ++k) out[i + k] = static_cast<std::uint8_t>(rounded[k]);                            \
    }                                                                                                                \
  }

namespace {
inline F4 Sqrt4(F4 v) { return (F4)_mm_sqrt_ps((__m128)v); }
__attribute__((target("avx2"))) inline F8 Sqrt8(F8 v) { return (F8)_mm256_sqrt_ps((__m256)v); }
}  // namespace

void RunExprBlockSse(const ExprProgram& program, const ExprRowInputs& in, int y, int x0, int n, std::uint8_t* out,
                     float* scratch) {
  TANDEMIX_EXPR_BODY(F4, I4, B4, 4, Sqrt4)
}

__attribute__((target("avx2"))) void RunExprBlockAvx2(const ExprProgram& program, const ExprRowInputs& in, int y,
                                                      int x0, int n, std::uint8_t* out, float* scratch) {
  TANDEMIX_EXPR_BODY(F8, I8, B8, 8, Sqrt8)
}

}  // namespace tandemix::engine
