// Grabbing a frame in the middle of a long H.264 clip into a bitmap,
// against the ffmpeg command with accurate seeking, in the same run.
#include "bench/EngineBenchSupport.h"
#include "platform/DefaultVideoServices.h"
#include "viewer/FrameCapture.h"

namespace tandemix::bench {
namespace {

constexpr int kFrames = 750;  // 30 s at 25 frames a second
constexpr int kMiddle = 375;

struct Setup {
  ScratchFolder folder;
  Setup() { MakeClip(folder.File("long.mp4"), 1280, 720, kFrames, "-preset ultrafast"); }
};

Setup& TheSetup() {
  static Setup setup;
  return setup;
}

void BM_EngineGrab(benchmark::State& state) {
  Setup& s = TheSetup();
  DefaultVideoServices video;
  Timed(state, "engine", [&] { GrabFrame(video, s.folder.File("long.mp4"), kMiddle, s.folder.File("ours.bmp")); });
}

void BM_FfmpegGrab(benchmark::State& state) {
  Setup& s = TheSetup();
  const std::string command = "ffmpeg -hide_banner -loglevel error -y -ss 15 -i " + Quote(s.folder.File("long.mp4")) +
                              " -frames:v 1 " + Quote(s.folder.File("theirs.bmp"));
  Timed(state, "ffmpeg", [&] { Shell(command); });
}

BENCHMARK(BM_EngineGrab)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FfmpegGrab)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace tandemix::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  tandemix::bench::TheSetup();
  benchmark::RunSpecifiedBenchmarks();
  tandemix::bench::PrintRatio("Grabbing frame 375 of a 750-frame 720p H.264 clip", "engine", "ffmpeg");
  benchmark::Shutdown();
  return 0;
}
