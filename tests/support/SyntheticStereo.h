// Stereo pairs made at run time with known geometry: a textured picture,
// regions of it moved sideways by different amounts (depth), then the right
// view turned, scaled and moved up or down as a misaligned camera would.
// Shared by the alignment tests and benchmarks.
#pragma once

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "base/Frame.h"

namespace tandemix::test {

// Noise at three scales under a few hundred filled shapes: corners and
// blobs at every size, no flat area.
inline cv::Mat TexturedPicture(int width, int height, unsigned seed) {
  cv::RNG rng(seed);
  cv::Mat picture(height, width, CV_32FC3, cv::Scalar::all(0));
  for (int cell : {97, 23, 5}) {
    cv::Mat noise(height / cell + 2, width / cell + 2, CV_32FC3);
    rng.fill(noise, cv::RNG::UNIFORM, 0.0, 255.0);
    cv::Mat big;
    cv::resize(noise, big, cv::Size(width, height), 0, 0, cv::INTER_CUBIC);
    picture += big * (1.0 / 3.0);
  }
  cv::Mat out;
  picture.convertTo(out, CV_8UC3);
  const int shapes = width * height / 6000;
  for (int i = 0; i < shapes; ++i) {
    const cv::Scalar colour(rng.uniform(0, 256), rng.uniform(0, 256), rng.uniform(0, 256));
    const cv::Point c(rng.uniform(0, width), rng.uniform(0, height));
    const int r = rng.uniform(3, std::max(4, width / 40));
    if (i % 2)
      cv::circle(out, c, r, colour, cv::FILLED, cv::LINE_AA);
    else
      cv::rectangle(out, cv::Rect(c.x, c.y, r, rng.uniform(3, r + 3)), colour, cv::FILLED);
  }
  cv::GaussianBlur(out, out, cv::Size(0, 0), 0.8);
  return out;
}

// How the right camera is off: turned by `tiltDegrees` counter-clockwise on
// screen about the centre, scaled by `scale`, moved down by `shiftDown`.
struct Misalignment {
  double tiltDegrees = 0.0;
  double scale = 1.0;
  double shiftDown = 0.0;
};

// Depth: the whole right view sees the scene `background` pixels to the
// left; bands of it are nearer and seen farther to the left.
inline cv::Mat WithDepth(const cv::Mat& left, int background, const std::vector<int>& nearer) {
  cv::Mat right(left.size(), left.type(), cv::Scalar::all(0));
  auto shifted = [&](int d, cv::Rect area) {
    for (int y = area.y; y < area.y + area.height; ++y)
      for (int x = area.x; x < area.x + area.width; ++x) {
        const int sx = std::min(left.cols - 1, std::max(0, x + d));
        right.at<cv::Vec3b>(y, x) = left.at<cv::Vec3b>(y, sx);
      }
  };
  shifted(background, cv::Rect(0, 0, left.cols, left.rows));
  const int bands = static_cast<int>(nearer.size());
  for (int i = 0; i < bands; ++i) {
    // Blocks across the middle, one per depth.
    const int w = left.cols / (bands + 1);
    shifted(nearer[i], cv::Rect(w / 2 + i * w, left.rows / 5 + (i % 2) * left.rows / 5, w * 3 / 4, left.rows / 2));
  }
  return right;
}

inline cv::Mat Misaligned(const cv::Mat& view, const Misalignment& m) {
  const cv::Point2f centre(view.cols / 2.0f, view.rows / 2.0f);
  cv::Mat transform = cv::getRotationMatrix2D(centre, m.tiltDegrees, m.scale);
  transform.at<double>(1, 2) += m.shiftDown;
  cv::Mat out;
  cv::warpAffine(view, out, transform, view.size(), cv::INTER_CUBIC, cv::BORDER_REFLECT);
  return out;
}

inline FrameBGR ToFrame(const cv::Mat& picture) {
  FrameBGR frame(picture.cols, picture.rows);
  for (int y = 0; y < picture.rows; ++y) std::copy_n(picture.ptr<std::uint8_t>(y), frame.Stride(), frame.Row(y));
  return frame;
}

inline cv::Mat ToMat(const FrameBGR& frame) {
  return cv::Mat(frame.height, frame.width, CV_8UC3, const_cast<std::uint8_t*>(frame.pixels.data()), frame.Stride())
      .clone();
}

}  // namespace tandemix::test
