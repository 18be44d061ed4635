// tandemix-cli align LEFT RIGHT: the automatic alignment of two views,
// printed as the options that generate and compose take, then what was
// found.
#include <algorithm>
#include <cstdio>
#include <exception>

#include "analysis/AutoAlign.h"
#include "app/cli/ArgReader.h"
#include "app/cli/Commands.h"
#include "app/cli/DepthOutput.h"
#include "core/ScriptNumber.h"
#include "platform/DefaultVideoServices.h"

namespace tandemix::cli {

int Align(const Args& args) {
  return RunCommand("align", [&] {
    std::vector<std::string> files;
    int frame = -1;  // the middle of the shorter clip
    int frames = 1;
    AutoAlignOptions options;
    DepthLimits limits;
    bool report = false;
    ArgReader reader(args);
    while (!reader.AtEnd()) {
      const std::string arg = reader.Next();
      if (ReadDepthOption(arg, reader, limits)) {
        report = true;
      } else if (arg == "--report") {
        report = true;
      } else if (arg == "--frame") {
        frame = ParseIntArg(arg, reader.Value(arg));
        if (frame < 0) throw UsageError("--frame: the frame number cannot be negative");
      } else if (arg == "--frames") {
        frames = ParseIntArg(arg, reader.Value(arg));
        if (frames < 1 || frames > 100) throw UsageError("--frames: give 1 to 100 frames");
      } else if (arg == "--window") {
        const std::string value = reader.Value(arg);
        if (value == "near")
          options.window = StereoWindow::Near;
        else if (value == "median")
          options.window = StereoWindow::Median;
        else if (value == "far")
          options.window = StereoWindow::Far;
        else
          throw UsageError("--window takes near, median or far, not '" + value + "'");
      } else if (arg == "--split-tilt") {
        options.tilt = TiltPlacement::Split;
      } else if (arg == "--auto-crop") {
        options.autoCrop = true;
      } else if (arg == "--swap") {
        options.swapViews = true;
      } else if (!arg.empty() && arg[0] == '-') {
        throw UsageError("unknown option " + arg);
      } else {
        files.push_back(arg);
      }
    }
    if (files.size() != 2) throw UsageError("give LEFT and RIGHT");
    if (frame >= 0 && frames > 1) throw UsageError("give --frame or --frames, not both");
    DefaultVideoServices video;
    const VideoInfo left = video.ReadVideoInfo(files[0]);
    if (!left.Ok()) throw TandemixError(left.error);
    const VideoInfo right = video.ReadVideoInfo(files[1]);
    if (!right.Ok()) throw TandemixError(right.error);
    const int count = std::max(1, std::min(left.frameCount, right.frameCount));

    std::vector<int> chosen;
    if (frame >= 0) {
      chosen.push_back(frame);
    } else if (frames == 1) {
      chosen.push_back(count / 2);
    } else {
      // Evenly across the clips, the ends left out.
      for (int i = 0; i < frames; ++i) chosen.push_back(static_cast<int>((i + 0.5) * count / frames));
      chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
    }
    std::vector<std::pair<FrameBGR, FrameBGR>> pairs;
    for (int n : chosen) pairs.emplace_back(video.DecodeFrame(files[0], n), video.DecodeFrame(files[1], n));

    const AlignmentProposal p = AutoAligner(options).Align(pairs);
    std::printf("--angle-left %s --angle-right %s --scale-left %s --scale-right %s --shift-h %d --shift-v %d\n",
                FormatScriptNumber(p.angleLeft).c_str(), FormatScriptNumber(p.angleRight).c_str(),
                FormatScriptNumber(p.scaleLeft).c_str(), FormatScriptNumber(p.scaleRight).c_str(), p.shiftH, p.shiftV);
    std::printf("%s (fit %.2f px), %d of %d candidates, confidence %.2f\n", p.Summary().c_str(), p.fitDisparity,
                p.matches, p.candidates, p.confidence);
    if (report) {
      CanvasViews views;
      const FrameSize leftSize{pairs[0].first.width, pairs[0].first.height};
      const FrameSize rightSize{pairs[0].second.width, pairs[0].second.height};
      const auto points =
          PlaceOnCanvas(p.inliers, leftSize, rightSize, ValuesOf(p, options.autoCrop, options.swapViews), views);
      PrintDepth(MeasureDepth(points, views, limits), limits, "");
    }
    return 0;
  });
}

}  // namespace tandemix::cli
