// Automatic alignment of a 1920 x 1080 pair, and automatic sync of two clips
// by their sound and by their motion.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <memory>
#include <string>

#include "analysis/AutoAlign.h"
#include "analysis/ClipSync.h"
#include "tests/support/RigScene.h"
#include "tests/support/SyntheticStereo.h"

namespace tandemix {
namespace {

void BM_AutoAlign1080p(benchmark::State& state) {
  const cv::Mat left = test::TexturedPicture(1920, 1080, 3);
  const cv::Mat right = test::Misaligned(test::WithDepth(left, 6, {14, 25, 37}), {1.3, 1.025, -11});
  const FrameBGR l = test::ToFrame(left), r = test::ToFrame(right);
  AlignmentProposal p;
  for (auto _ : state) {
    p = AutoAligner().Align(l, r);
    benchmark::DoNotOptimize(p);
  }
  state.counters["matches"] = p.matches;
  state.counters["fit_px"] = p.fitDisparity;
}
BENCHMARK(BM_AutoAlign1080p)->Unit(benchmark::kMillisecond)->UseRealTime();

// A 1920 x 1080 pair as a two-camera rig films it: toe-in, roll, pitch, a
// 2 % focal mismatch and barrel distortion over a street with tiles, a fence,
// boards and bricks.
void BM_AutoAlignRig1080p(benchmark::State& state) {
  test::RigErrors errors;
  const test::RigPair rig = test::MakeRigPair(test::RigStreetScene(20), errors, 2, 16);
  const FrameBGR l = test::ToFrame(rig.leftView), r = test::ToFrame(rig.rightView);
  AlignmentProposal p;
  for (auto _ : state) {
    p = AutoAligner().Align(l, r);
    benchmark::DoNotOptimize(p);
  }
  state.counters["matches"] = p.matches;
  state.counters["fit_px"] = p.fitDisparity;
}
BENCHMARK(BM_AutoAlignRig1080p)->Unit(benchmark::kMillisecond)->UseRealTime();

// Two clips of `seconds` at 1080p with sound, cut 37 frames apart from one
// generated scene; made once with the ffmpeg command.
struct Clips {
  QTemporaryDir dir;
  std::string left, right;
  explicit Clips(int seconds, bool sound) {
    left = dir.path().toStdString() + "/l.mkv";
    right = dir.path().toStdString() + "/r.mkv";
    for (int i = 0; i < 2; ++i) {
      const double start = i == 0 ? 4.0 : 4.0 - 37 / 25.0;
      std::string command =
          "ffmpeg -hide_banner -loglevel error -y -f lavfi -i \"testsrc2=s=1920x1080:r=25:d=" +
          std::to_string(seconds + 6) +
          "\" -f lavfi -i \"anoisesrc=color=pink:sample_rate=48000:seed=5:d=" + std::to_string(seconds + 6) +
          "\" -ss " + std::to_string(start) + " -t " + std::to_string(seconds) + (sound ? " -c:a aac" : " -an") +
          " -c:v libx264 -preset ultrafast -g 250 " + (i == 0 ? left : right);
      if (std::system(command.c_str()) != 0) std::abort();
    }
  }
};

// The clips have sound or not; without sound the sync falls back to the
// motion signature.
void RunSync(benchmark::State& state, bool withSound) {
  static std::unique_ptr<Clips> made[2];  // made once, and only the kind asked for
  std::unique_ptr<Clips>& slot = made[withSound ? 1 : 0];
  if (!slot) slot = std::make_unique<Clips>(static_cast<int>(state.range(0)), withSound);
  const Clips& clips = *slot;
  MediaClipSignals source;
  SyncOptions options;
  options.analysisSeconds = 600.0;
  SyncResult result;
  for (auto _ : state) result = FindSync(clips.left, clips.right, source, options);
  state.counters["frames"] = result.frames;
  state.counters["clip_s"] = static_cast<double>(state.range(0));
}

void BM_SyncBySound(benchmark::State& state) { RunSync(state, true); }
BENCHMARK(BM_SyncBySound)->Arg(60)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_SyncByPicture(benchmark::State& state) { RunSync(state, false); }
BENCHMARK(BM_SyncByPicture)->Arg(60)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace tandemix

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
