#include "engine/filters/Rates.h"

extern "C" {
#include <libavutil/rational.h>
}

#include <climits>
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
