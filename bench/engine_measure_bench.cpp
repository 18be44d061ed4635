// Measuring a script of two sources, against two ffprobe calls on the
// sources, in the same run.
#include "base/TextFile.h"
#include "bench/EngineBenchSupport.h"
#include "platform/DefaultVideoServices.h"

namespace tandemix::bench {
namespace {

struct Setup {
  ScratchFolder folder;
  std::string script;
  Setup() {
    MakeClip(folder.File("left.mp4"), 1920, 1080, 25);
    MakeClip(folder.File("right.mp4"), 1920, 1080, 25);
    script = folder.File("movie.avs");
    WriteTextLines(script,
                   {"OpenSource(\"" + folder.File("left.mp4") + "\")", "ClipA = last",
                    "OpenSource(\"" + folder.File("right.mp4") + "\")", "ClipB = last",
                    "ClipA=Lanczos4Resize(ClipA,1958,1102)", "ClipB=zoom(ClipB,angle=\"1.5\")", "return(ClipA)"});
  }
};

Setup& TheSetup() {
  static Setup setup;
  return setup;
}

void BM_EngineMeasure(benchmark::State& state) {
  Setup& s = TheSetup();
  DefaultVideoServices video;
  Timed(state, "engine", [&] {
    const VideoInfo info = video.ReadVideoInfo(s.script);
    if (!info.Ok()) throw std::runtime_error(info.error);
  });
}

void BM_TwoFfprobes(benchmark::State& state) {
  Setup& s = TheSetup();
  const std::string probe = "ffprobe -v error -show_streams ";
  const std::string command = probe + Quote(s.folder.File("left.mp4")) + " >/dev/null && " + probe +
                              Quote(s.folder.File("right.mp4")) + " >/dev/null";
  Timed(state, "ffprobe", [&] { Shell(command); });
}

BENCHMARK(BM_EngineMeasure)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_TwoFfprobes)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
}  // namespace tandemix::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  tandemix::bench::TheSetup();
  benchmark::RunSpecifiedBenchmarks();
  tandemix::bench::PrintRatio("Measuring a script of two 1080p sources", "engine", "ffprobe");
  benchmark::Shutdown();
  return 0;
}
