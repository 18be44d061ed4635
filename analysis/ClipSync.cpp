#include "analysis/ClipSync.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <memory>
#include <mutex>
#include <numeric>

#include "base/Errors.h"

namespace tandemix {
namespace {

// Sound quieter than this (RMS, full scale 1) counts as silence.
constexpr double kSilence = 1e-4;
// A motion signature whose frame differences vary less than this (in grey
// levels) shows no motion to compare.
constexpr double kStill = 0.05;
// The shortest stretch the two clips must share to be compared.
constexpr double kMinimumSeconds = 2.0;

struct FftwFree {
  void operator()(void* p) const { fftwf_free(p); }
};

// FFTW's planner is not thread-safe.
std::mutex& PlannerLock() {
  static std::mutex lock;
  return lock;
}

double Rms(const std::vector<float>& v) {
  double sum = 0.0;
  for (float x : v) sum += double(x) * x;
  return v.empty() ? 0.0 : std::sqrt(sum / v.size());
}

// Scores of every lag from -maxLag to +maxLag (index lag + maxLag):
// Σ a[n]·b[n + lag] divided by how many samples overlap, by FFT.
// Lags where fewer than `minimumOverlap` samples overlap score 0.
std::vector<double> CrossCorrelate(const std::vector<float>& a, const std::vector<float>& b, int maxLag,
                                   long minimumOverlap) {
  std::size_t n = 1;
  while (n < a.size() + b.size()) n <<= 1;
  const std::size_t bins = n / 2 + 1;
  std::unique_ptr<float, FftwFree> ra(fftwf_alloc_real(n)), rb(fftwf_alloc_real(n));
  std::unique_ptr<fftwf_complex, FftwFree> fa(fftwf_alloc_complex(bins)), fb(fftwf_alloc_complex(bins));
  fftwf_plan forwardA, forwardB, backward;
  {
    const std::lock_guard<std::mutex> hold(PlannerLock());
    forwardA = fftwf_plan_dft_r2c_1d(static_cast<int>(n), ra.get(), fa.get(), FFTW_ESTIMATE);
    forwardB = fftwf_plan_dft_r2c_1d(static_cast<int>(n), rb.get(), fb.get(), FFTW_ESTIMATE);
    backward = fftwf_plan_dft_c2r_1d(static_cast<int>(n), fa.get(), ra.get(), FFTW_ESTIMATE);
  }
  std::fill_n(ra.get(), n, 0.0f);
  std::fill_n(rb.get(), n, 0.0f);
  std::copy(a.begin(), a.end(), ra.get());
  std::copy(b.begin(), b.end(), rb.get());
  fftwf_execute(forwardA);
  fftwf_execute(forwardB);
  // conj(A)·B gives Σ a[n]·b[n + lag] at index lag (mod n).
  for (std::size_t k = 0; k < bins; ++k) {
    const std::complex<float> x(fa.get()[k][0], -fa.get()[k][1]);
    const std::complex<float> y(fb.get()[k][0], fb.get()[k][1]);
    const std::complex<float> p = x * y;
    fa.get()[k][0] = p.real();
    fa.get()[k][1] = p.imag();
  }
  fftwf_execute(backward);
  {
    const std::lock_guard<std::mutex> hold(PlannerLock());
    fftwf_destroy_plan(forwardA);
    fftwf_destroy_plan(forwardB);
    fftwf_destroy_plan(backward);
  }
  std::vector<double> scores(2 * static_cast<std::size_t>(maxLag) + 1, 0.0);
  const long la = static_cast<long>(a.size()), lb = static_cast<long>(b.size());
  for (long lag = -maxLag; lag <= maxLag; ++lag) {
    const long overlap = std::min(la, lb - lag) - std::max(0L, -lag);
    if (overlap < minimumOverlap) continue;
    const float value = ra.get()[(lag + static_cast<long>(n)) % static_cast<long>(n)];
    scores[lag + maxLag] = value / n / overlap;
  }
  return scores;
}

// Pearson correlation of a[i] and b[i + lag] over their overlap, for every
// lag; short source, so directly.
std::vector<double> Correlate(const std::vector<float>& a, const std::vector<float>& b, int maxLag,
                              int minimumOverlap) {
  std::vector<double> scores(2 * static_cast<std::size_t>(maxLag) + 1, -1.0);
  const long la = static_cast<long>(a.size()), lb = static_cast<long>(b.size());
  for (long lag = -maxLag; lag <= maxLag; ++lag) {
    const long first = std::max(0L, -lag), last = std::min(la, lb - lag);
    const long count = last - first;
    if (count < minimumOverlap) continue;
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    for (long i = first; i < last; ++i) {
      const double x = a[i], y = b[i + lag];
      sa += x;
      sb += y;
      saa += x * x;
      sbb += y * y;
      sab += x * y;
    }
    const double va = saa - sa * sa / count, vb = sbb - sb * sb / count;
    if (va <= 0 || vb <= 0) continue;
    scores[lag + maxLag] = (sab - sa * sb / count) / std::sqrt(va * vb);
  }
  return scores;
}

// The highest confidence reported.
constexpr double kSurest = 100.0;
// Frame rates a sync counts frames at: the frames of the span it compares
// stay few enough to fetch.
constexpr double kMaxRate = 1000.0;

struct Peak {
  long lag = 0;
  double confidence = 0.0;
};

// The best lag, and how far it stands above the best lag at least `apart`
// away from it.
Peak BestLag(const std::vector<double>& scores, int maxLag, int apart) {
  const auto best = std::max_element(scores.begin(), scores.end());
  Peak peak;
  peak.lag = static_cast<long>(best - scores.begin()) - maxLag;
  double second = 0.0;
  for (std::size_t i = 0; i < scores.size(); ++i)
    if (std::labs(static_cast<long>(i) - maxLag - peak.lag) > apart) second = std::max(second, scores[i]);
  // A peak with nothing else correlating beside it (identical clips) is as
  // sure as a sync gets: the ratio is held at kSurest.
  peak.confidence = second > 0.0 ? std::min(*best / second, kSurest) : (*best > 0.0 ? kSurest : 0.0);
  return peak;
}

std::string TooShort(double seconds) {
  char text[160];
  std::snprintf(text, sizeof text, "the clips are too short to sync: they must share at least %.0f seconds", seconds);
  return text;
}

// The motion of a clip at `from` frames per second, sampled at the frame
// times of a clip at `to`: a pair of cameras at different rates is compared
// in time, and the lags count frames of the `to` clip.
std::vector<float> AtRate(const std::vector<float>& motion, double from, double to) {
  if (std::fabs(from - to) <= 1e-9 * to || motion.empty()) return motion;
  const auto count = static_cast<std::size_t>(std::floor(motion.size() * to / from));
  std::vector<float> out(count);
  for (std::size_t i = 0; i < count; ++i)
    out[i] = motion[std::min(motion.size() - 1, static_cast<std::size_t>(std::floor(i * from / to)))];
  return out;
}

}  // namespace

std::string SyncResult::Summary() const {
  char text[160];
  std::snprintf(text, sizeof text, "%d frames, %lld ms, %s, confidence %.2f", frames,
                static_cast<long long>(milliseconds), method == SyncMethod::Sound ? "sound" : "picture", confidence);
  return text;
}

SyncResult FindSync(const std::string& left, const std::string& right, ClipSignals& source,
                    const SyncOptions& options) {
  if (!(options.maxOffsetSeconds > 0.0) || !(options.analysisSeconds > 0.0) || options.sampleRate < 100)
    throw TandemixError("The sync needs a positive largest offset and analysis time.");
  const double span = options.analysisSeconds + options.maxOffsetSeconds;

  // The left clip's frame rate counts the frames of the offset.
  MotionTrack leftMotion = source.Motion(left, 1);
  const double rate = leftMotion.rate > 0.0 ? leftMotion.rate : 25.0;
  if (rate > kMaxRate || rate < 1.0 / kMaxRate) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "%s runs at %g frames per second; a sync needs a rate between 0.001 and %g frames per second.",
                  left.c_str(), rate, kMaxRate);
    throw TandemixError(text);
  }

  SoundTrack leftSound, rightSound;
  bool sound = false;
  try {
    leftSound = source.Sound(left, options.sampleRate, span);
    rightSound = source.Sound(right, options.sampleRate, span);
    sound = Rms(leftSound.samples) > kSilence && Rms(rightSound.samples) > kSilence;
  } catch (const TandemixError&) {
    // Without sound in both clips the pictures' motion syncs them.
  }
  if (sound) {
    const double minimum = kMinimumSeconds * options.sampleRate;
    if (leftSound.samples.size() < minimum || rightSound.samples.size() < minimum)
      throw TandemixError(TooShort(kMinimumSeconds));
    const int maxLag = static_cast<int>(std::lround(options.maxOffsetSeconds * options.sampleRate));
    const std::vector<double> scores =
        CrossCorrelate(leftSound.samples, rightSound.samples, maxLag, static_cast<long>(minimum));
    const Peak peak = BestLag(scores, maxLag, static_cast<int>(std::ceil(options.sampleRate / rate)));
    SyncResult result;
    result.method = SyncMethod::Sound;
    const double seconds = double(peak.lag) / options.sampleRate;
    result.frames = static_cast<int>(std::lround(seconds * rate));
    result.milliseconds = std::llround(seconds * 1000.0);
    result.confidence = peak.confidence;
    return result;
  }

  const int maxFrames = static_cast<int>(std::ceil(span * rate)) + 1;
  leftMotion = source.Motion(left, maxFrames);
  // The right clip is read for the same time at its own rate.
  MotionTrack rightMotion = source.Motion(right, 1);
  const double rightRate = rightMotion.rate > 0.0 && rightMotion.rate <= kMaxRate ? rightMotion.rate : rate;
  rightMotion = source.Motion(right, static_cast<int>(std::ceil(span * rightRate)) + 1);
  rightMotion.motion = AtRate(rightMotion.motion, rightRate, rate);
  const int minimum = static_cast<int>(std::ceil(kMinimumSeconds * rate));
  if (static_cast<int>(leftMotion.motion.size()) < minimum || static_cast<int>(rightMotion.motion.size()) < minimum)
    throw TandemixError(TooShort(kMinimumSeconds));
  auto spread = [](const std::vector<float>& v) {
    const double mean = std::accumulate(v.begin(), v.end(), 0.0) / v.size();
    double sum = 0.0;
    for (float x : v) sum += (x - mean) * (x - mean);
    return std::sqrt(sum / v.size());
  };
  if (spread(leftMotion.motion) < kStill || spread(rightMotion.motion) < kStill)
    throw TandemixError("no sound and no motion to sync by");
  const int maxLag = static_cast<int>(std::lround(options.maxOffsetSeconds * rate));
  const std::vector<double> scores = Correlate(leftMotion.motion, rightMotion.motion, maxLag, minimum);
  if (*std::max_element(scores.begin(), scores.end()) <= 0.0) throw TandemixError(TooShort(kMinimumSeconds));
  const Peak peak = BestLag(scores, maxLag, 1);
  SyncResult result;
  result.method = SyncMethod::Picture;
  result.frames = static_cast<int>(peak.lag);
  result.milliseconds = std::llround(peak.lag * 1000.0 / rate);
  result.confidence = peak.confidence;
  return result;
}

}  // namespace tandemix
