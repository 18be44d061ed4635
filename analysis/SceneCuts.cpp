#include "analysis/SceneCuts.h"

#include <algorithm>
#include <cmath>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace tandemix {

FrameSignature::FrameSignature(const FrameBGR& frame) {
  grey_.assign(kWidth * kHeight, 0.0f);
  if (frame.Empty()) return;
  const cv::Mat bgr(frame.height, frame.width, CV_8UC3, const_cast<std::uint8_t*>(frame.pixels.data()), frame.Stride());
  cv::Mat small, grey;
  cv::resize(bgr, small, cv::Size(kWidth, kHeight), 0, 0, cv::INTER_AREA);
  cv::cvtColor(small, grey, cv::COLOR_BGR2GRAY);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) grey_[y * kWidth + x] = grey.at<std::uint8_t>(y, x);
}

double FrameSignature::Difference(const FrameSignature& other) const {
  double sum = 0.0;
  for (std::size_t i = 0; i < grey_.size(); ++i) sum += std::fabs(grey_[i] - other.grey_[i]);
  return sum / grey_.size();
}

std::vector<int> FindSceneCuts(const std::vector<double>& differences) {
  std::vector<int> cuts;
  const int n = static_cast<int>(differences.size());
  for (int i = 0; i < n; ++i) {
    const double d = differences[i];
    if (d < kMinCutDifference) continue;
    std::vector<double> around;
    for (int j = std::max(0, i - kCutNeighbours); j <= std::min(n - 1, i + kCutNeighbours); ++j)
      if (j != i) around.push_back(differences[j]);
    double median = 0.0;
    if (!around.empty()) {
      std::nth_element(around.begin(), around.begin() + around.size() / 2, around.end());
      median = around[around.size() / 2];
    }
    if (d > kCutContrast * median) cuts.push_back(i + 1);
  }
  return cuts;
}

}  // namespace tandemix
