#include "engine/filters/Rates.h"

extern "C" {
#include <libavutil/rational.h>
}

#include <cctype>
#include <climits>
#include <cmath>
#include <numeric>

#include "engine/frames/ScriptError.h"

namespace tandemix::engine {

void SetRate(const std::string& filter, ClipInfo& info, long long numerator, long long denominator) {
  if (numerator <= 0 || denominator <= 0) throw FilterError(filter + ": the frame rate must be more than 0.");
  int num = 0;
  int den = 0;
  av_reduce(&num, &den, numerator, denominator, INT_MAX);
  if (num <= 0 || den <= 0) throw FilterError(filter + ": the frame rate is out of range.");
  info.rateNumerator = num;
  info.rateDenominator = den;
}

void FloatRate(const std::string& filter, double fps, long long& numerator, long long& denominator) {
  const float x = static_cast<float>(fps);
  if (!(x > 0.0f) || x > 1e9f) throw FilterError(filter + ": the frame rate must be more than 0.");
  // Convergents p/q of x's continued fraction until p/q rounds to x.
  long long p0 = 1, q0 = 0, p1 = static_cast<long long>(std::floor(x)), q1 = 1;
  double rest = static_cast<double>(x) - std::floor(x);
  for (int i = 0; i < 40 && static_cast<float>(static_cast<double>(p1) / q1) != x && rest > 0.0; ++i) {
    const double inverse = 1.0 / rest;
    const long long term = static_cast<long long>(std::floor(inverse));
    rest = inverse - std::floor(inverse);
    if (term > INT_MAX || p1 > INT_MAX || q1 > INT_MAX) break;
    const long long p2 = term * p1 + p0, q2 = term * q1 + q0;
    if (p2 > INT_MAX || q2 > INT_MAX) break;
    p0 = p1;
    q0 = q1;
    p1 = p2;
    q1 = q2;
  }
  if (p1 <= 0) throw FilterError(filter + ": the frame rate is out of range.");
  numerator = p1;
  denominator = q1;
}

bool PresetRate(const std::string& name, long long& numerator, long long& denominator) {
  static const struct {
    const char* name;
    long long numerator, denominator;
  } presets[] = {{"ntsc_film", 24000, 1001},
                 {"ntsc_video", 30000, 1001},
                 {"ntsc_double", 60000, 1001},
                 {"ntsc_quad", 120000, 1001},
                 {"ntsc_round_film", 2997, 125},
                 {"ntsc_round_video", 2997, 100},
                 {"ntsc_round_double", 2997, 50},
                 {"ntsc_round_quad", 2997, 25},
                 {"film", 24, 1},
                 {"pal_film", 25, 1},
                 {"pal_video", 25, 1},
                 {"pal_double", 50, 1},
                 {"pal_quad", 100, 1}};
  std::string lower = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const auto& p : presets) {
    if (lower == p.name) {
      numerator = p.numerator;
      denominator = p.denominator;
      return true;
    }
  }
  return false;
}

void ScaleRate(ClipInfo& info, long long factor, long long divisor) {
  const long long g1 = std::gcd(static_cast<long long>(info.rateNumerator), divisor);
  const long long g2 = std::gcd(static_cast<long long>(info.rateDenominator), factor);
  const long long num = info.rateNumerator / g1 * (factor / g2);
  const long long den = info.rateDenominator / g2 * (divisor / g1);
  int n = 0;
  int d = 0;
  av_reduce(&n, &d, num, den, INT_MAX);
  if (n > 0 && d > 0) {
    info.rateNumerator = n;
    info.rateDenominator = d;
  }
}

}  // namespace tandemix::engine
