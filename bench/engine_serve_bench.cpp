// Serving an output script of two 1920x1080 sources with scale, tilt, pad,
// crop and side-by-side stacking, against the ffmpeg command doing the same
// work with its own filters to the null muxer, in the same run.
#include <memory>
#include <sstream>

#include "base/TextFile.h"
#include "bench/EngineBenchSupport.h"
#include "engine/ScriptEngine.h"
#include "script/AlignmentEmission.h"

namespace tandemix::bench {
namespace {

constexpr int kFrames = 48;

struct Setup {
  ScratchFolder folder;
  std::string script;
  std::string filtergraph;
  Setup() {
    MakeClip(folder.File("left.mp4"), 1920, 1080, kFrames);
    MakeClip(folder.File("right.mp4"), 1920, 1080, kFrames);
    AlignmentValues values;
    values.scaleLeft = 1.02;
    values.angleRight = 1.5;
    values.horizontalShift = 4;
    values.verticalShift = -2;
    LineList lines = {"OpenSource(\"" + folder.File("left.mp4") + "\")", "ClipA = last",
                      "OpenSource(\"" + folder.File("right.mp4") + "\")", "ClipB = last"};
    LineList chains[2];  // ffmpeg filters of ClipA and ClipB
    for (const std::string& line : AlignmentLinesFor(values, {1920, 1080}, {1920, 1080})) {
      lines.push_back(line);
      chains[line.find("ClipB") == 0 ? 1 : 0].push_back(ToFfmpegFilter(line));
    }
    lines.push_back("StackHorizontal(ClipA,ClipB)");
    // A final size of 3840 x 1080 crops the stacked views.
    const engine::ClipPtr measured = engine::EvaluateScript(JoinLinesCrLf(lines), "measure.avs");
    std::string finalFilters;
    for (const std::string& line : EmitFinalSize(measured->Info().width, measured->Info().height, 3840, 1080)) {
      lines.push_back(line);
      finalFilters += "," + ToFfmpegFilter(line);
    }
    script = folder.File("movie.avs");
    WriteTextLines(script, lines);
    filtergraph = "[0:v]" + Join(chains[0]) + "[a];[1:v]" + Join(chains[1]) + "[b];[a][b]hstack" + finalFilters;
  }

  static std::string Join(const LineList& filters) {
    std::string out;
    for (const auto& f : filters) out += (out.empty() ? "" : ",") + f;
    return out.empty() ? "null" : out;
  }

  // The ffmpeg filter doing what one alignment or final-size line does.
  static std::string ToFfmpegFilter(const std::string& line) {
    const std::size_t open = line.find('(');
    std::string args = line.substr(open + 1, line.rfind(')') - open - 1);
    if (args.rfind("ClipA,", 0) == 0 || args.rfind("ClipB,", 0) == 0) args = args.substr(6);
    for (char& c : args)
      if (c == ',') c = ' ';
    std::istringstream in(args);
    if (line.find("Lanczos4Resize") != std::string::npos) {
      int w = 0, h = 0;
      in >> w >> h;
      return "scale=" + std::to_string(w) + ":" + std::to_string(h) + ":flags=lanczos";
    }
    if (line.find("zoom") != std::string::npos) {
      const std::string angle = args.substr(args.find('"') + 1, args.rfind('"') - args.find('"') - 1);
      return "rotate=" + angle + "*PI/180:fillcolor=black";
    }
    int l = 0, t = 0, r = 0, b = 0;
    in >> l >> t >> r >> b;
    if (line.find("AddBorders") != std::string::npos)
      return "pad=iw+" + std::to_string(l + r) + ":ih+" + std::to_string(t + b) + ":" + std::to_string(l) + ":" +
             std::to_string(t);
    return "crop=iw-" + std::to_string(l - r) + ":ih-" + std::to_string(t - b) + ":" + std::to_string(l) + ":" +
           std::to_string(t);  // Crop(l,t,-r,-b): r and b arrive negative
  }
};

Setup& TheSetup() {
  static Setup setup;
  return setup;
}

void BM_EngineServe(benchmark::State& state) {
  Setup& s = TheSetup();
  Timed(state, "engine", [&] {
    const engine::ClipPtr clip = engine::OpenScript(s.script);
    for (int n = 0; n < clip->Info().frameCount; ++n) benchmark::DoNotOptimize(clip->GetFrame(n));
  });
  state.counters["fps"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_FfmpegFilters(benchmark::State& state) {
  Setup& s = TheSetup();
  const std::string command = "ffmpeg -hide_banner -loglevel error -i " + Quote(s.folder.File("left.mp4")) + " -i " +
                              Quote(s.folder.File("right.mp4")) + " -filter_complex '" + s.filtergraph + "' -f null -";
  Timed(state, "ffmpeg", [&] { Shell(command); });
  state.counters["fps"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_EngineServe)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FfmpegFilters)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace tandemix::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::printf("filtergraph: %s\n", tandemix::bench::TheSetup().filtergraph.c_str());
  benchmark::RunSpecifiedBenchmarks();
  tandemix::bench::PrintRatio("Serving 48 frames of two 1080p sources (scale, tilt, pad, crop, stack)", "engine",
                              "ffmpeg");
  benchmark::Shutdown();
  return 0;
}
