// Stereo pairs as a two-camera rig films them: a textured 3D scene (planes
// from a metre to sixty metres away, tiles, a fence, boards and bricks among
// them) seen through two pinhole cameras a baseline apart, each with its own
// focal length, turn (toe-in, roll, pitch), principal point and radial lens
// distortion. The scene is ray-cast, so every visible point of the left view
// has a known place in the right one: the true correspondences, over the
// whole overlap, against which an alignment is measured.
// Shared by the alignment tests and benchmarks.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "tests/support/SyntheticStereo.h"

namespace tandemix::test {

// A textured rectangle: corner + a·u + b·v for a, b in [0, 1]; the texture's
// columns run along u and its rows along v. Metres, x right, y down, z ahead.
struct RigPlane {
  cv::Vec3d corner, u, v;
  cv::Mat texture;  // 8-bit BGR
};

// A camera of the rig. Pixel centres sit on whole coordinates.
struct RigCamera {
  int width = 1920, height = 1080;
  double focal = 1660.0;  // pixels
  double cx = 959.5, cy = 539.5;
  double k1 = 0.0, k2 = 0.0;  // radial distortion of the normalised image point
  cv::Vec3d position{0, 0, 0};
  double yawDegrees = 0.0;    // positive turns to the right (toe-in of the left camera)
  double pitchDegrees = 0.0;  // positive looks down
  double rollDegrees = 0.0;   // positive turns the picture clockwise

  // World to camera.
  cv::Matx33d Rotation() const {
    const double a = yawDegrees * CV_PI / 180, b = pitchDegrees * CV_PI / 180, c = rollDegrees * CV_PI / 180;
    const cv::Matx33d yaw(std::cos(a), 0, -std::sin(a), 0, 1, 0, std::sin(a), 0, std::cos(a));
    const cv::Matx33d pitch(1, 0, 0, 0, std::cos(b), -std::sin(b), 0, std::sin(b), std::cos(b));
    const cv::Matx33d roll(std::cos(c), -std::sin(c), 0, std::sin(c), std::cos(c), 0, 0, 0, 1);
    return roll * pitch * yaw;
  }

  // Pixel of a world point; false when it is behind the camera.
  bool Project(const cv::Vec3d& world, cv::Point2d& pixel) const {
    const cv::Vec3d p = Rotation() * (world - position);
    if (p[2] <= 1e-6) return false;
    const double x = p[0] / p[2], y = p[1] / p[2];
    const double r2 = x * x + y * y;
    const double d = 1 + k1 * r2 + k2 * r2 * r2;
    pixel = {focal * x * d + cx, focal * y * d + cy};
    return true;
  }

  // World direction of the ray through a pixel (the distortion undone by
  // fixed-point steps).
  cv::Vec3d Ray(double px, double py) const {
    const double xd = (px - cx) / focal, yd = (py - cy) / focal;
    double x = xd, y = yd;
    for (int i = 0; i < 8; ++i) {
      const double r2 = x * x + y * y;
      const double d = 1 + k1 * r2 + k2 * r2 * r2;
      x = xd / d;
      y = yd / d;
    }
    return Rotation().t() * cv::Vec3d(x, y, 1.0);
  }

  // The same camera for a picture `factor` times larger in each direction,
  // whose pixel blocks average back to this one's pixels.
  RigCamera Supersampled(int factor) const {
    RigCamera c = *this;
    c.width *= factor;
    c.height *= factor;
    c.focal *= factor;
    c.cx = cx * factor + (factor - 1) / 2.0;
    c.cy = cy * factor + (factor - 1) / 2.0;
    return c;
  }
};

// The nearest plane a ray meets: its index and distance, or -1.
struct RigHit {
  int plane = -1;
  double t = std::numeric_limits<double>::infinity();
  double a = 0, b = 0;
};

inline RigHit CastRay(const std::vector<RigPlane>& planes, const cv::Vec3d& from, const cv::Vec3d& direction) {
  RigHit best;
  for (int i = 0; i < static_cast<int>(planes.size()); ++i) {
    const RigPlane& p = planes[i];
    const cv::Vec3d n = p.u.cross(p.v);
    const double denom = n.dot(direction);
    if (std::fabs(denom) < 1e-12) continue;
    const double t = n.dot(p.corner - from) / denom;
    if (t <= 0 || t >= best.t) continue;
    const cv::Vec3d hit = from + t * direction - p.corner;
    const double a = hit.dot(p.u) / p.u.dot(p.u), b = hit.dot(p.v) / p.v.dot(p.v);
    if (a < 0 || a > 1 || b < 0 || b > 1) continue;
    best = RigHit{i, t, a, b};
  }
  return best;
}

// What a camera sees: each pixel block of `supersample` squared rays
// averaged, the textures sampled bilinearly (cv::remap per plane).
inline cv::Mat RenderRigView(const std::vector<RigPlane>& planes, const RigCamera& camera, int supersample) {
  const RigCamera big = camera.Supersampled(supersample);
  std::vector<cv::Mat> mapX(planes.size()), mapY(planes.size());
  for (std::size_t i = 0; i < planes.size(); ++i) {
    mapX[i] = cv::Mat(big.height, big.width, CV_32F, cv::Scalar(-1000));
    mapY[i] = cv::Mat(big.height, big.width, CV_32F, cv::Scalar(-1000));
  }
  cv::parallel_for_(cv::Range(0, big.height), [&](const cv::Range& rows) {
    for (int y = rows.start; y < rows.end; ++y)
      for (int x = 0; x < big.width; ++x) {
        const RigHit hit = CastRay(planes, big.position, big.Ray(x, y));
        if (hit.plane < 0) continue;
        const cv::Mat& texture = planes[hit.plane].texture;
        mapX[hit.plane].at<float>(y, x) = static_cast<float>(hit.a * (texture.cols - 1));
        mapY[hit.plane].at<float>(y, x) = static_cast<float>(hit.b * (texture.rows - 1));
      }
  });
  cv::Mat out(big.height, big.width, CV_8UC3, cv::Scalar(200, 170, 120));  // a clear sky
  for (std::size_t i = 0; i < planes.size(); ++i)
    cv::remap(planes[i].texture, out, mapX[i], mapY[i], cv::INTER_LINEAR, cv::BORDER_TRANSPARENT);
  if (supersample > 1) cv::resize(out, out, cv::Size(camera.width, camera.height), 0, 0, cv::INTER_AREA);
  return out;
}

// Repeating textures: square tiles with grout, a fence of upright slats,
// horizontal boards (with a grain), bricks in a running bond. `period` is in
// texels.
enum class Pattern { Tiles, Fence, Boards, Bricks };

inline cv::Mat PatternTexture(Pattern pattern, int width, int height, int period, unsigned seed) {
  cv::RNG rng(seed);
  cv::Mat t(height, width, CV_8UC3);
  const cv::Scalar base(rng.uniform(60, 200), rng.uniform(60, 200), rng.uniform(60, 200));
  const cv::Scalar dark = base * 0.35;
  t.setTo(base);
  switch (pattern) {
    case Pattern::Tiles:
      for (int x = 0; x < width; x += period) cv::rectangle(t, cv::Rect(x, 0, period / 8 + 1, height), dark, -1);
      for (int y = 0; y < height; y += period) cv::rectangle(t, cv::Rect(0, y, width, period / 8 + 1), dark, -1);
      for (int y = 0; y < height; y += period)
        for (int x = 0; x < width; x += period)
          cv::circle(t, cv::Point(x + period / 2, y + period / 2), period / 5, base * 0.7, -1, cv::LINE_AA);
      break;
    case Pattern::Fence:
      t.setTo(dark);
      for (int x = 0; x < width; x += period) {
        cv::rectangle(t, cv::Rect(x, 0, period * 2 / 3, height), base, -1);
        for (int y = height / 5; y < height; y += height * 3 / 5)
          cv::circle(t, cv::Point(x + period / 3, y), period / 10 + 1, dark, -1, cv::LINE_AA);
      }
      break;
    case Pattern::Boards:
      // Wood has a grain: the boards are alike only in their joints.
      cv::addWeighted(t, 0.6, TexturedPicture(width, height, seed + 100), 0.4, 0.0, t);
      for (int y = 0; y < height; y += period) {
        cv::rectangle(t, cv::Rect(0, y, width, period / 10 + 1), dark, -1);
        for (int x = period; x < width; x += period * 3) cv::circle(t, cv::Point(x, y + period / 2), 2, dark, -1);
      }
      break;
    case Pattern::Bricks:
      t.setTo(base * 0.5);
      for (int row = 0, y = 0; y < height; y += period / 2, ++row)
        for (int x = (row % 2) * period / 2 - period / 2; x < width; x += period)
          cv::rectangle(t, cv::Rect(x + 2, y + 2, period - 4, period / 2 - 4), base, -1);
      break;
  }
  cv::GaussianBlur(t, t, cv::Size(0, 0), 0.7);
  return t;
}

// A street-like scene ahead of a rig standing 1.5 m above the ground: a far
// wall (60 m), a brick building (15 m), a tiled ground from 1.5 m on, a
// fence (6 m), boards (3 m), a turned panel (2 m) and a box face at 1.2 m.
inline std::vector<RigPlane> RigStreetScene(unsigned seed) {
  auto plane = [](cv::Vec3d corner, cv::Vec3d u, cv::Vec3d v, cv::Mat texture) {
    return RigPlane{corner, u, v, std::move(texture)};
  };
  std::vector<RigPlane> s;
  s.push_back(plane({-90, -50, 60}, {180, 0, 0}, {0, 52, 0}, TexturedPicture(2400, 700, seed)));
  s.push_back(plane({-30, -8, 15}, {24, 0, 0}, {0, 9.5, 0}, PatternTexture(Pattern::Bricks, 2400, 950, 40, seed + 1)));
  s.push_back(
      plane({-40, 1.5, 1.5}, {80, 0, 0}, {0, 0, 58.5}, PatternTexture(Pattern::Tiles, 4000, 2900, 25, seed + 2)));
  s.push_back(plane({-5, 0.3, 6}, {6, 0, 0}, {0, 1.2, 0}, PatternTexture(Pattern::Fence, 1200, 240, 24, seed + 3)));
  s.push_back(plane({0.5, -0.4, 3}, {1.6, 0, 0}, {0, 1.9, 0}, PatternTexture(Pattern::Boards, 640, 760, 60, seed + 4)));
  s.push_back(plane({-1.4, -0.7, 2.2}, {0.9, 0, -0.45}, {0, 1.0, 0}, TexturedPicture(700, 700, seed + 5)));
  s.push_back(plane({-0.45, 0.05, 1.2}, {0.4, 0, 0}, {0, 0.35, 0}, TexturedPicture(600, 520, seed + 6)));
  return s;
}

// How the rig is off: the right camera's focal length against the left's,
// the toe-in of both cameras (each turns inward by half), the right
// camera's roll and pitch, its principal point moved down, and each lens's
// barrel distortion.
struct RigErrors {
  int width = 1920, height = 1080;
  double horizontalFov = 60.0;  // degrees, of the left camera
  double baseline = 0.065;      // metres
  double focalRatio = 1.02;     // right against left
  double toeInDegrees = 0.6;
  double rollDegrees = 0.4;
  double pitchDegrees = 0.25;
  double principalDown = 3.0;  // pixels at this size
  double k1Left = -0.06, k1Right = -0.05;
};

struct RigPair {
  RigCamera left, right;
  cv::Mat leftView, rightView;
  // Where visible points of the left view are in the right one: pairs of
  // pixel positions on a grid over the whole overlap.
  std::vector<std::pair<cv::Point2d, cv::Point2d>> truth;
};

inline RigPair MakeRigPair(const std::vector<RigPlane>& scene, const RigErrors& e, int supersample, int gridStep) {
  RigPair pair;
  RigCamera l;
  l.width = e.width;
  l.height = e.height;
  l.focal = e.width / 2.0 / std::tan(e.horizontalFov * CV_PI / 360);
  l.cx = (e.width - 1) / 2.0;
  l.cy = (e.height - 1) / 2.0;
  l.position = {-e.baseline / 2, 0, 0};
  l.yawDegrees = e.toeInDegrees / 2;
  l.k1 = e.k1Left;
  RigCamera r = l;
  r.focal = l.focal * e.focalRatio;
  r.cy += e.principalDown;
  r.position = {e.baseline / 2, 0, 0};
  r.yawDegrees = -e.toeInDegrees / 2;
  r.rollDegrees = e.rollDegrees;
  r.pitchDegrees = e.pitchDegrees;
  r.k1 = e.k1Right;
  pair.left = l;
  pair.right = r;
  pair.leftView = RenderRigView(scene, l, supersample);
  pair.rightView = RenderRigView(scene, r, supersample);
  // A left pixel corresponds where the right camera sees the same point of
  // the same plane (not hidden behind a nearer one), inside its frame.
  for (int y = gridStep / 2; y < l.height; y += gridStep)
    for (int x = gridStep / 2; x < l.width; x += gridStep) {
      const cv::Vec3d ray = l.Ray(x, y);
      const RigHit hit = CastRay(scene, l.position, ray);
      if (hit.plane < 0) continue;
      const cv::Vec3d world = l.position + hit.t * ray;
      cv::Point2d p;
      if (!r.Project(world, p) || p.x < 2 || p.y < 2 || p.x > r.width - 3 || p.y > r.height - 3) continue;
      const cv::Vec3d back = r.Ray(p.x, p.y);
      const RigHit seen = CastRay(scene, r.position, back);
      if (seen.plane != hit.plane || cv::norm(r.position + seen.t * back - world) > 1e-6 * hit.t + 1e-9) continue;
      pair.truth.push_back({cv::Point2d(x, y), p});
    }
  return pair;
}

}  // namespace tandemix::test
