#include "analysis/LayoutDetection.h"

#include <algorithm>
#include <cctype>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <vector>

#include "analysis/OpenCvThreads.h"
#include "media/MediaSignals.h"

namespace tandemix {
namespace {

// The halves are compared at this width (side by side) or height (over/under).
constexpr int kHalfSize = 96;
// Largest horizontal disparity searched, as a share of a view's width.
constexpr double kMaxDisparity = 0.08;
// A stereo pair's halves correlate at least this well, and this much better
// than the other split.
constexpr double kPairCorrelation = 0.8;
constexpr double kMargin = 0.25;

std::vector<std::string> NameWords(const std::string& path) {
  std::string name = path.substr(path.find_last_of('/') + 1);
  const auto dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  std::vector<std::string> words(1);
  for (char c : name) {
    if (std::isalnum(static_cast<unsigned char>(c)))
      words.back() += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    else if (!words.back().empty())
      words.emplace_back();
  }
  if (words.back().empty()) words.pop_back();
  return words;
}

// The best normalised correlation of `a`'s middle against `b` within the
// shifts allowed.
double BestMatch(const cv::Mat& a, const cv::Mat& b, int shiftX, int shiftY) {
  if (a.cols <= 2 * shiftX + 4 || a.rows <= 2 * shiftY + 4) return 0.0;
  const cv::Mat middle = a(cv::Rect(shiftX, shiftY, a.cols - 2 * shiftX, a.rows - 2 * shiftY));
  cv::Mat scores;
  cv::matchTemplate(b, middle, scores, cv::TM_CCOEFF_NORMED);
  double best = 0.0;
  cv::minMaxLoc(scores, nullptr, &best);
  return std::isfinite(best) ? best : 0.0;
}

}  // namespace

std::string StereoLayout::Text() const {
  if (!IsSideBySide(arrangement) && !IsOverUnder(arrangement)) return "mono";
  std::string text = IsSideBySide(arrangement) ? "sbs" : "ou";
  if (evidence == LayoutEvidence::Metadata) text += RightViewFirst(arrangement) ? "-right-first" : "-left-first";
  switch (evidence) {
    case LayoutEvidence::Metadata:
      return text + " metadata";
    case LayoutEvidence::Name:
      return text + " name";
    case LayoutEvidence::Picture:
      return text + " picture";
    case LayoutEvidence::Nothing:
      break;
  }
  return text;
}

std::optional<std::string> StereoLayout::SplitTemplate() const {
  if (arrangement == ViewLayout::SideBySide) return "SideBySide_Split";
  if (arrangement == ViewLayout::OverUnder) return "OverUnder_Split";
  return std::nullopt;
}

std::optional<StereoLayout> LayoutFromName(const std::string& path) {
  static const std::vector<std::string> sideBySide = {"sbs", "hsbs", "fsbs", "halfsbs", "fullsbs", "sidebyside"};
  static const std::vector<std::string> overUnder = {"tab", "htab", "ftab",      "ou",
                                                     "hou", "fou",  "overunder", "topbottom"};
  const std::vector<std::string> words = NameWords(path);
  // Only the last words of the name: "-3d-sbs", "_half-ou", "film.hsbs".
  const std::size_t first = words.size() > 2 ? words.size() - 2 : 0;
  for (std::size_t i = words.size(); i-- > first;) {
    const std::string& w = words[i];
    auto has = [&](const std::vector<std::string>& list) {
      return std::find(list.begin(), list.end(), w) != list.end();
    };
    if (has(sideBySide)) return StereoLayout{ViewLayout::SideBySide, LayoutEvidence::Name};
    if (has(overUnder)) return StereoLayout{ViewLayout::OverUnder, LayoutEvidence::Name};
  }
  return std::nullopt;
}

std::optional<StereoLayout> LayoutFromPicture(const FrameBGR& frame) {
  if (frame.width < 16 || frame.height < 16 || frame.pixels.size() < frame.Stride() * std::size_t(frame.height))
    return std::nullopt;
  MatchOpenCvThreads();
  const cv::Mat bgr(frame.height, frame.width, CV_8UC3, const_cast<std::uint8_t*>(frame.pixels.data()), frame.Stride());
  cv::Mat grey;
  cv::cvtColor(bgr, grey, cv::COLOR_BGR2GRAY);
  auto reduced = [](const cv::Mat& m, int width, int height) {
    cv::Mat out;
    cv::resize(m, out, cv::Size(width, height), 0, 0, cv::INTER_AREA);
    out.convertTo(out, CV_32F);
    return out;
  };
  const int w = frame.width / 2, h = frame.height / 2;
  // Each half is brought to a view's natural shape, whatever the packing.
  const int sbsHeight = std::max(8, kHalfSize * frame.height / std::max(1, w));
  const cv::Mat left = reduced(grey(cv::Rect(0, 0, w, frame.height)), kHalfSize, sbsHeight);
  const cv::Mat right = reduced(grey(cv::Rect(w, 0, w, frame.height)), kHalfSize, sbsHeight);
  const int ouWidth = std::max(8, kHalfSize * frame.width / std::max(1, h));
  const cv::Mat top = reduced(grey(cv::Rect(0, 0, frame.width, h)), ouWidth, kHalfSize);
  const cv::Mat bottom = reduced(grey(cv::Rect(0, h, frame.width, h)), ouWidth, kHalfSize);
  const double sbs = BestMatch(left, right, static_cast<int>(kMaxDisparity * left.cols), 2);
  const double ou = BestMatch(top, bottom, static_cast<int>(kMaxDisparity * top.cols), 2);
  if (sbs >= kPairCorrelation && sbs - ou >= kMargin)
    return StereoLayout{ViewLayout::SideBySide, LayoutEvidence::Picture};
  if (ou >= kPairCorrelation && ou - sbs >= kMargin)
    return StereoLayout{ViewLayout::OverUnder, LayoutEvidence::Picture};
  return std::nullopt;
}

StereoLayout DetectStereoLayout(const std::string& path, VideoServices& video) {
  const ViewLayout declared = ReadDeclaredLayout(path);
  if (declared != ViewLayout::None) return {declared, LayoutEvidence::Metadata};
  if (auto named = LayoutFromName(path)) return *named;
  const VideoInfo info = video.ReadVideoInfo(path);
  if (!info.Ok()) return {};
  try {
    if (auto seen = LayoutFromPicture(video.DecodeFrame(path, std::max(0, info.frameCount / 2)))) return *seen;
  } catch (const TandemixError&) {
    // A clip whose middle frame cannot be read has no layout the picture shows.
  }
  return {};
}

}  // namespace tandemix
