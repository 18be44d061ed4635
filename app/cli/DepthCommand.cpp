// tandemix-cli depth LEFT RIGHT: the depth of a whole clip, scene by scene.
// Scene cuts come from the differences of sampled frames of the left clip;
// one frame pair from the middle of every scene is matched, the matches of
// all of them give one alignment (the one the scripts would apply), and
// each scene's own matches on that alignment give its near and far
// parallax.
#include <algorithm>
#include <cstdio>
#include <optional>

#include "analysis/AutoAlign.h"
#include "analysis/DepthBudget.h"
#include "analysis/SceneCuts.h"
#include "app/cli/ArgReader.h"
#include "app/cli/Commands.h"
#include "app/cli/DepthOutput.h"
#include "engine/ScriptEngine.h"

namespace tandemix::cli {

bool ReadDepthOption(const std::string& arg, ArgReader& reader, DepthLimits& limits) {
  if (arg == "--screen-width") {
    limits.screenWidthMetres = ParseRealArg(arg, reader.Value(arg));
  } else if (arg == "--near-budget") {
    limits.nearComfortPercent = ParseRealArg(arg, reader.Value(arg));
  } else {
    return false;
  }
  try {
    CheckDepthLimits(limits);
  } catch (const TandemixError& e) {
    throw UsageError(arg + ": " + e.what());
  }
  return true;
}

void PrintDepth(const DepthReport& r, const DepthLimits& limits, const std::string& indent) {
  std::printf("%sdepth: %s (%d points)\n", indent.c_str(), r.Summary().c_str(), r.points);
  if (r.points > 0)
    std::printf("%slimits: far %.0f px (%g mm on a %g m screen), near %.0f px (%g %%)\n", indent.c_str(), r.farLimitPx,
                limits.divergenceMillimetres, limits.screenWidthMetres, r.nearLimitPx, limits.nearComfortPercent);
  for (const DepthWarning& w : r.warnings) std::printf("%swarning: %s\n", indent.c_str(), w.text.c_str());
}

namespace {

constexpr int kDefaultSamples = 300;
constexpr int kDefaultMaxScenes = 40;

struct Scene {
  int first = 0, last = 0;  // frames, inclusive
};

}  // namespace

int Depth(const Args& args) {
  return RunCommand("depth", [&] {
    std::vector<std::string> files;
    DepthLimits limits;
    AutoAlignOptions options;
    int samples = kDefaultSamples;
    int maxScenes = kDefaultMaxScenes;
    ArgReader reader(args);
    while (!reader.AtEnd()) {
      const std::string arg = reader.Next();
      if (ReadDepthOption(arg, reader, limits)) continue;
      if (arg == "--samples") {
        samples = ParseIntArg(arg, reader.Value(arg));
        if (samples < 2 || samples > 10000) throw UsageError("--samples: give 2 to 10000 frames");
      } else if (arg == "--max-scenes") {
        maxScenes = ParseIntArg(arg, reader.Value(arg));
        if (maxScenes < 1 || maxScenes > 1000) throw UsageError("--max-scenes: give 1 to 1000 scenes");
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
    const auto left = engine::OpenVideo(files[0]);
    const auto right = engine::OpenVideo(files[1]);
    const int count = std::max(1, std::min(left->Info().frameCount, right->Info().frameCount));

    // Scene cuts on sampled frames of the left clip.
    const int step = std::max(1, (count + samples - 1) / samples);
    std::vector<int> sampled;
    for (int n = 0; n < count; n += step) sampled.push_back(n);
    std::vector<double> differences;
    std::optional<FrameSignature> previous;
    for (int n : sampled) {
      FrameSignature signature(*engine::FrameBGROf(*left, n, files[0]));
      if (previous) differences.push_back(previous->Difference(signature));
      previous = std::move(signature);
    }
    std::vector<Scene> scenes;
    int first = 0;
    for (int cut : FindSceneCuts(differences)) {
      // The cut lies between two samples; the later one begins the scene.
      scenes.push_back({first, sampled[cut] - 1});
      first = sampled[cut];
    }
    scenes.push_back({first, count - 1});
    if (static_cast<int>(scenes.size()) > maxScenes)
      std::printf("%zu scenes; the first %d are measured (--max-scenes)\n", scenes.size(), maxScenes);
    scenes.resize(std::min<std::size_t>(scenes.size(), maxScenes));

    std::vector<std::pair<FrameBGR, FrameBGR>> pairs;
    for (const Scene& s : scenes) {
      const int middle = (s.first + s.last) / 2;
      pairs.emplace_back(*engine::FrameBGROf(*left, middle, files[0]), *engine::FrameBGROf(*right, middle, files[1]));
    }
    const AlignmentProposal p = AutoAligner(options).Align(pairs);
    const FrameSize leftSize{pairs[0].first.width, pairs[0].first.height};
    const FrameSize rightSize{pairs[0].second.width, pairs[0].second.height};
    std::printf(
        "alignment: --angle-left %g --angle-right %g --scale-left %g --scale-right %g --shift-h %d "
        "--shift-v %d\n",
        p.angleLeft, p.angleRight, p.scaleLeft, p.scaleRight, p.shiftH, p.shiftV);
    CanvasViews views;
    const auto all =
        PlaceOnCanvas(p.inliers, leftSize, rightSize, ValuesOf(p, options.autoCrop, options.swapViews), views);
    PrintDepth(MeasureDepth(all, views, limits), limits, "");
    for (std::size_t i = 0; i < scenes.size(); ++i) {
      const auto points = PlaceOnCanvas(p.inliers, leftSize, rightSize,
                                        ValuesOf(p, options.autoCrop, options.swapViews), views, static_cast<int>(i));
      const DepthReport r = MeasureDepth(points, views, limits);
      std::printf("scene %zu frames %d-%d: ", i + 1, scenes[i].first, scenes[i].last);
      if (r.points == 0) {
        std::printf("too few matches (%zu)\n", points.size());
        continue;
      }
      std::printf("near %s, far %s, %d points\n", r.Describe(r.nearPx).c_str(), r.Describe(r.farPx).c_str(), r.points);
      for (const DepthWarning& w : r.warnings) std::printf("  warning: %s\n", w.text.c_str());
    }
    return 0;
  });
}

}  // namespace tandemix::cli
