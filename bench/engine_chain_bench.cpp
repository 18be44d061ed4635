// The 1080p alignment chain served whole by `tandemix-cli serve` to
// /dev/null, against the ffmpeg command doing the same work with its own
// filters to the null muxer, in the same run. Two 1920x1080 H.264 sources
// of 250 frames: the left view Lanczos4Resize(1960,1104).Crop(20,12,1920,1080),
// the right AddBorders(16,16,16,16).Crop(16,16,1920,1080), stacked side by
// side. Each pixel type has its pair: YV12 against yuv420p, YV24 against
// yuv444p, RGB24 against bgr24; and the YV12 chain with the right view
// turned by zoom(angle="1.5") against ffmpeg's rotate filter in yuv420p.
// The served YV12 chain's peak resident memory is printed too.
#include <algorithm>
#include <cstdio>
#include <string>

#include "base/TextFile.h"
#include "bench/EngineBenchSupport.h"

namespace tandemix::bench {
namespace {

constexpr int kFrames = 250;

struct Setup {
  ScratchFolder folder;
  Setup() {
    MakeClip(folder.File("left.mp4"), 1920, 1080, kFrames);
    MakeClip(folder.File("right.mp4"), 1920, 1080, kFrames);
  }
  // The chain's script with both sources in `pixelType`, the right view
  // turned when `zoom`.
  std::string Script(const std::string& pixelType, bool zoom = false) const {
    const std::string convert = pixelType == "YV12" ? "" : ".ConvertTo" + pixelType + "()";
    const std::string path = folder.File("chain_" + pixelType + (zoom ? "_zoom" : "") + ".avs");
    WriteTextLines(path, {"ClipA = OpenSource(\"" + folder.File("left.mp4") + "\")" + convert,
                          "ClipB = OpenSource(\"" + folder.File("right.mp4") + "\")" + convert,
                          "ClipA = Lanczos4Resize(ClipA,1960,1104).Crop(20,12,1920,1080)",
                          "ClipB = AddBorders(ClipB,16,16,16,16).Crop(16,16,1920,1080)" +
                              std::string(zoom ? ".zoom(angle=\"1.5\")" : ""),
                          "StackHorizontal(ClipA,ClipB)"});
    return path;
  }
  std::string FfmpegCommand(const std::string& pixFmt, bool rotate = false) const {
    const std::string graph = "[0:v]format=" + pixFmt + ",scale=1960:1104:flags=lanczos:param0=4,crop=1920:1080:20:12" +
                              "[a];[1:v]format=" + pixFmt + ",pad=1952:1112:16:16,crop=1920:1080:16:16" +
                              (rotate ? ",rotate=1.5*PI/180" : "") + "[b];[a][b]hstack";
    return "ffmpeg -hide_banner -loglevel error -i " + Quote(folder.File("left.mp4")) + " -i " +
           Quote(folder.File("right.mp4")) + " -filter_complex '" + graph + "' -f null -";
  }
};

Setup& TheSetup() {
  static Setup setup;
  return setup;
}

long& PeakKb() {
  static long peak = 0;
  return peak;
}

void Serve(benchmark::State& state, const std::string& pixelType, bool zoom = false) {
  const std::string command =
      std::string(TANDEMIX_CLI_PATH) + " serve " + Quote(TheSetup().Script(pixelType, zoom)) + " > /dev/null";
  Timed(state, "engine " + pixelType + (zoom ? " zoom" : ""), [&] {
    const long peak = ShellPeakKb(command);
    if (pixelType == "YV12" && !zoom) PeakKb() = std::max(PeakKb(), peak);
    state.counters["peak_MB"] = static_cast<double>(peak) / 1024.0;
  });
  state.counters["fps"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
}

void Ffmpeg(benchmark::State& state, const std::string& pixelType, const std::string& pixFmt, bool rotate = false) {
  const std::string command = TheSetup().FfmpegCommand(pixFmt, rotate);
  Timed(state, "ffmpeg " + pixelType + (rotate ? " zoom" : ""), [&] { Shell(command); });
  state.counters["fps"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ServeYV12(benchmark::State& state) { Serve(state, "YV12"); }
void BM_FfmpegYuv420p(benchmark::State& state) { Ffmpeg(state, "YV12", "yuv420p"); }
void BM_ServeYV24(benchmark::State& state) { Serve(state, "YV24"); }
void BM_FfmpegYuv444p(benchmark::State& state) { Ffmpeg(state, "YV24", "yuv444p"); }
void BM_ServeZoomYV12(benchmark::State& state) { Serve(state, "YV12", true); }
void BM_FfmpegRotateYuv420p(benchmark::State& state) { Ffmpeg(state, "YV12", "yuv420p", true); }
void BM_ServeRGB24(benchmark::State& state) { Serve(state, "RGB24"); }
void BM_FfmpegBgr24(benchmark::State& state) { Ffmpeg(state, "RGB24", "bgr24"); }

BENCHMARK(BM_ServeYV12)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_FfmpegYuv420p)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ServeYV24)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_FfmpegYuv444p)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ServeZoomYV12)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_FfmpegRotateYuv420p)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ServeRGB24)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_FfmpegBgr24)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace tandemix::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  for (const char* type : {"YV12", "YV24", "RGB24", "YV12 zoom"})
    tandemix::bench::PrintRatio(std::string("The 1080p chain served, 250 frames, ") + type,
                                std::string("engine ") + type, std::string("ffmpeg ") + type);
  if (tandemix::bench::PeakKb() > 0)
    std::printf("The 1080p chain served in YV12: peak resident memory %.0f MB\n",
                static_cast<double>(tandemix::bench::PeakKb()) / 1024.0);
  benchmark::Shutdown();
  return 0;
}
