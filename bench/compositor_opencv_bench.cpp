// Speed of a full preview recomposition against an OpenCV pipeline doing
// the same work, in one run: a 1920 × 1080 pair, both views tilted by 1.5°,
// the left one scaled to 102 %, the left view shifted, and the optimised
// anaglyph. OpenCV's path is warpAffine (bilinear), resize (bilinear),
// copyMakeBorder and a table-driven anaglyph over parallel rows; it is a
// speed reference only (its resampling is not our arithmetic). Prints the
// ratio of the two times at the end.
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/Geometry.h"
#include "preview/Compositor.h"

namespace {

using namespace tandemix;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr double kTilt = 1.5;  // degrees, both views
constexpr double kScaleLeft = 1.02;
constexpr int kShiftH = 12;
constexpr int kShiftV = -6;

// Frames with detail everywhere, so nothing is trivially uniform.
Bitmap MakeFrame(int seed) {
  Bitmap b(kWidth, kHeight);
  for (int r = 0; r < kHeight; ++r) {
    std::uint8_t* line = b.ScanLine(r);
    for (int c = 0; c < kWidth; ++c) {
      line[3 * c] = static_cast<std::uint8_t>(c * 37 + r * 11 + seed * 13);
      line[3 * c + 1] = static_cast<std::uint8_t>(c * 5 + r * 23 + seed * 71);
      line[3 * c + 2] = static_cast<std::uint8_t>((c ^ r) * 29 + seed * 7);
    }
  }
  return b;
}

cv::Mat ToMat(const Bitmap& b) {
  cv::Mat m(b.Height(), b.Width(), CV_8UC3);
  for (int r = 0; r < b.Height(); ++r) std::memcpy(m.ptr(r), b.ScanLine(r), static_cast<std::size_t>(b.Width()) * 3);
  return m;
}

const PreviewSwitches kSwitches{false, false, ShowClip::Output, PreviewMode::Optimised};

void BM_Tandemix(benchmark::State& state) {
  PreviewCompositor compositor;
  compositor.SetFrames(MakeFrame(1), MakeFrame(2));
  for (auto _ : state) {
    compositor.ComposePreview(kShiftH, kShiftV, kScaleLeft, 1.0, kTilt, kTilt, kSwitches);
    benchmark::DoNotOptimize(compositor.PreviewImage().ScanLine(0));
  }
  state.counters["width"] = compositor.PreviewImage().Width();
  state.counters["height"] = compositor.PreviewImage().Height();
}

// The same sizes as the compositor's plan, so both pipelines do equal work.
struct Reference {
  cv::Mat left, right;
  CompositionPlan plan;
  std::array<std::uint8_t, 256> greenShare{}, blueShare{};
  std::vector<std::uint8_t> gamma;

  Reference() {
    left = ToMat(MakeFrame(1));
    right = ToMat(MakeFrame(2));
    plan =
        PlanComposition({kWidth, kHeight}, {kWidth, kHeight}, kShiftH, kShiftV, kScaleLeft, 1.0, kTilt, kTilt, false);
    for (int d = 0; d < 256; ++d) {
      greenShare[d] = static_cast<std::uint8_t>(d * kOptimGreenGain / 256);
      blueShare[d] = static_cast<std::uint8_t>(d * kOptimBlueGain / 256);
    }
    gamma.resize(191 * 255 + 64 * 255 + 1);
    for (std::size_t v = 0; v < gamma.size(); ++v)
      gamma[v] = static_cast<std::uint8_t>(
          RoundHalfEven(256.0 * std::pow(static_cast<double>(v) / 65536.0, 256.0 / kOptimGammaDivisor)));
  }

  static cv::Mat Tilt(const cv::Mat& src, const ViewPlan& view, cv::Mat& dst) {
    const cv::Point2f centre(static_cast<float>(src.cols / 2), static_cast<float>(src.rows / 2));
    // OpenCV turns counter-clockwise for positive angles; the preview's tilt turns clockwise.
    cv::Mat m = cv::getRotationMatrix2D(centre, -kTilt, 1.0);
    m.at<double>(0, 2) += view.rotated.width / 2 - centre.x;
    m.at<double>(1, 2) += view.rotated.height / 2 - centre.y;
    cv::warpAffine(src, dst, m, cv::Size(view.rotated.width, view.rotated.height), cv::INTER_LINEAR,
                   cv::BORDER_CONSTANT, cv::Scalar::all(0));
    return dst;
  }

  void Run(cv::Mat& leftRot, cv::Mat& rightRot, cv::Mat& leftScaled, cv::Mat& leftCanvas, cv::Mat& rightCanvas,
           cv::Mat& out) const {
    Tilt(left, plan.left, leftRot);
    Tilt(right, plan.right, rightRot);
    cv::resize(leftRot, leftScaled, cv::Size(plan.left.scaledSize.width, plan.left.scaledSize.height), 0, 0,
               cv::INTER_LINEAR);
    const Margins& l = plan.left.canvas;
    const Margins& r = plan.right.canvas;
    cv::copyMakeBorder(leftScaled, leftCanvas, l.top, l.bottom, l.left, l.right, cv::BORDER_CONSTANT,
                       cv::Scalar::all(0));
    cv::copyMakeBorder(rightRot, rightCanvas, r.top, r.bottom, r.left, r.right, cv::BORDER_CONSTANT,
                       cv::Scalar::all(0));
    out.create(leftCanvas.rows, leftCanvas.cols, CV_8UC3);
    cv::parallel_for_(cv::Range(0, out.rows), [&](const cv::Range& rows) {
      for (int y = rows.start; y < rows.end; ++y) {
        const cv::Vec3b* a = leftCanvas.ptr<cv::Vec3b>(y);
        const cv::Vec3b* b = rightCanvas.ptr<cv::Vec3b>(y);
        cv::Vec3b* o = out.ptr<cv::Vec3b>(y);
        for (int x = 0; x < out.cols; ++x) {
          const int g1 = a[x][1] + greenShare[std::max(0, a[x][2] - a[x][1])];
          const int b1 = a[x][0] + blueShare[std::max(0, a[x][2] - a[x][0])];
          const int g2 = b[x][1] + greenShare[std::max(0, b[x][2] - b[x][1])];
          const int b2 = b[x][0] + blueShare[std::max(0, b[x][2] - b[x][0])];
          o[x] = cv::Vec3b(static_cast<uchar>(b2), static_cast<uchar>(g2), gamma[191 * g1 + 64 * b1]);
        }
      }
    });
  }
};

void BM_OpenCV(benchmark::State& state) {
  const Reference reference;
  cv::Mat leftRot, rightRot, leftScaled, leftCanvas, rightCanvas, out;
  for (auto _ : state) {
    reference.Run(leftRot, rightRot, leftScaled, leftCanvas, rightCanvas, out);
    benchmark::DoNotOptimize(out.data);
  }
  state.counters["width"] = out.cols;
  state.counters["height"] = out.rows;
}

BENCHMARK(BM_Tandemix)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_OpenCV)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Remembers each benchmark's real time per iteration for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> times;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration) times[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double ours = 0, theirs = 0;
  for (const auto& [name, time] : reporter.times) {
    if (name.rfind("BM_Tandemix", 0) == 0) ours = time;
    if (name.rfind("BM_OpenCV", 0) == 0) theirs = time;
  }
  if (ours > 0 && theirs > 0)
    std::printf(
        "Full recomposition, 1920x1080 pair: OpenCV %.2f ms / Tandemix %.2f ms = %.2fx (above 1: Tandemix faster)\n",
        theirs, ours, theirs / ours);
  benchmark::Shutdown();
  return 0;
}
