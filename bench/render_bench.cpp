// Rendering the 1080p side-by-side alignment chain to a movie file with
// `tandemix-cli render`, against the ffmpeg command doing the same filters
// with the same encoder settings, in the same run. Two 1920x1080 H.264
// sources of 50 frames with AAC sound: the left view
// Lanczos4Resize(1960,1104).Crop(20,12,1920,1080), the right
// AddBorders(16,16,16,16).Crop(16,16,1920,1080), stacked side by side;
// encoded with libx264 (preset medium, CRF 18, 4:2:0) and AAC at 192 kb/s
// into Matroska. The sound is the left clip's, as StackHorizontal keeps it.
#include <cstdio>
#include <string>

#include "base/TextFile.h"
#include "bench/EngineBenchSupport.h"

namespace tandemix::bench {
namespace {

constexpr int kFrames = 50;

// An H.264 clip of the testsrc2 pattern with a tone in AAC.
void MakeClipWithSound(const std::string& path) {
  Shell(
      "ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=1920x1080:rate=25 -f lavfi -i "
      "sine=frequency=440:sample_rate=48000 -frames:v " +
      std::to_string(kFrames) + " -t " + std::to_string(kFrames / 25.0) +
      " -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -ac 2 " + Quote(path));
}

struct Setup {
  ScratchFolder folder;
  std::string script = folder.File("chain.avs");
  Setup() {
    MakeClipWithSound(folder.File("left.mp4"));
    MakeClipWithSound(folder.File("right.mp4"));
    WriteTextLines(script,
                   {"ClipA = OpenSource(\"" + folder.File("left.mp4") + "\")",
                    "ClipB = OpenSource(\"" + folder.File("right.mp4") + "\")",
                    "ClipA = Lanczos4Resize(ClipA,1960,1104).Crop(20,12,1920,1080)",
                    "ClipB = AddBorders(ClipB,16,16,16,16).Crop(16,16,1920,1080)", "StackHorizontal(ClipA,ClipB)"});
  }
  std::string FfmpegCommand() const {
    const std::string graph =
        "[0:v]format=yuv420p,scale=1960:1104:flags=lanczos:param0=4,crop=1920:1080:20:12"
        "[a];[1:v]format=yuv420p,pad=1952:1112:16:16,crop=1920:1080:16:16[b];[a][b]hstack[v]";
    return "ffmpeg -hide_banner -loglevel error -y -i " + Quote(folder.File("left.mp4")) + " -i " +
           Quote(folder.File("right.mp4")) + " -filter_complex '" + graph +
           "' -map '[v]' -map 0:a -c:v libx264 -preset medium -crf 18 -pix_fmt yuv420p -c:a aac -b:a 192k " +
           Quote(folder.File("ffmpeg.mkv"));
  }
};

Setup& TheSetup() {
  static Setup setup;
  return setup;
}

void BM_Render(benchmark::State& state) {
  const std::string command = std::string(TANDEMIX_CLI_PATH) + " render " + Quote(TheSetup().script) + " " +
                              Quote(TheSetup().folder.File("render.mkv")) +
                              " --video h264 --preset medium --crf 18 --audio aac --audio-bitrate 192 > /dev/null";
  Timed(state, "render", [&] { Shell(command); });
  state.counters["fps"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Ffmpeg(benchmark::State& state) {
  const std::string command = TheSetup().FfmpegCommand();
  Timed(state, "ffmpeg", [&] { Shell(command); });
  state.counters["fps"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_Render)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_Ffmpeg)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace tandemix::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  tandemix::bench::PrintRatio("The 1080p chain rendered to H.264 (medium, CRF 18) and AAC, 50 frames", "render",
                              "ffmpeg");
  benchmark::Shutdown();
  return 0;
}
