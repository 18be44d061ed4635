// tandemix-cli serve SCRIPT.avs [--start N] [--count N]: the script's
// frames on standard output as YUV4MPEG2 in their own YUV type (RGB as
// 4:4:4 through Rec601), for an encoder reading a pipe:
//   tandemix-cli serve movie.avs | ffmpeg -i - out.mkv
#include <unistd.h>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <exception>
#include <vector>

#include "app/cli/ArgReader.h"
#include "app/cli/Commands.h"
#include "base/WorkerPool.h"
#include "engine/ScriptEngine.h"
#include "engine/filters/Conversions.h"
#include "media/MediaY4mWriter.h"

namespace tandemix::cli {
namespace {

int RunServe(const Args& args) {
  std::string script;
  int start = 0;
  int count = -1;
  ArgReader reader(args);
  while (!reader.AtEnd()) {
    const std::string arg = reader.Next();
    if (arg == "--start") {
      start = ParseIntArg(arg, reader.Value(arg));
    } else if (arg == "--count") {
      count = ParseIntArg(arg, reader.Value(arg));
      if (count < 0) throw UsageError("--count: '" + std::to_string(count) + "' is negative");
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      throw UsageError("unknown option " + arg);
    } else if (script.empty()) {
      script = arg;
    } else {
      throw UsageError("more than one script given: " + arg);
    }
  }
  if (script.empty()) throw UsageError("the script is missing");

  engine::ClipPtr clip = engine::OpenVideo(script);
  // Two frames are made at once, each on a core, unless the script's work
  // follows the order of the requests (it writes files as frames are made).
  const int group = clip->FramesInOrder() ? 1 : 2;
  // Planar YUV is served as it is; YUY2 as its 4:2:2 planes, RGB (packed or
  // planar) as 4:4:4 through the Rec601 matrix.
  const PixelType type = clip->Info().pixelType;
  if (type == PixelType::YUY2) clip = engine::MakeConvert(clip, PixelType::YV16);
  if (IsAnyRGBType(type)) clip = engine::MakeConvert(clip, PixelType::YV24);
  const engine::ClipInfo& info = clip->Info();
  if (start < 0 || (start >= info.frameCount && !(start == 0 && info.frameCount == 0)))
    throw TandemixError("The start frame " + std::to_string(start) + " is out of range: " + script + " has " +
                        std::to_string(info.frameCount) + " frames");
  const int remaining = info.frameCount - start;
  const int frames = count < 0 || count > remaining ? remaining : count;

  // A reader that goes away is reported as a write error, not a signal.
  std::signal(SIGPIPE, SIG_IGN);
  const bool progress = isatty(STDERR_FILENO) != 0;
  Y4mWriter writer(stdout, info.width, info.height, info.rateNumerator, info.rateDenominator, info.pixelType);
  if (!writer.HeaderWritten()) throw TandemixError("Cannot write to the standard output");
  // The frames made last are written while the next group is made, all as
  // parts of one run on the worker pool; the writer takes them in order.
  std::vector<FramePtr> ready;
  for (int i = 0; i < frames;) {
    const int writing = static_cast<int>(ready.size());
    const int making = std::min(group, frames - i - writing);
    std::vector<FramePtr> made(static_cast<std::size_t>(making));
    bool written = true;
    RunParts(1 + making, [&](int part) {
      if (part == 0) {
        for (const FramePtr& frame : ready) written = written && writer.Write(*frame);
      } else {
        made[static_cast<std::size_t>(part - 1)] = engine::FrameOf(*clip, start + i + writing + part - 1, script);
      }
    });
    if (!written) throw TandemixError("Cannot write to the standard output");
    i += writing;
    ready = std::move(made);
    if (progress && writing > 0) std::fprintf(stderr, "\rframe %d of %d", i, frames);
  }
  if (progress) std::fputc('\n', stderr);
  if (std::fflush(stdout) != 0) throw TandemixError("Cannot write to the standard output");
  return 0;
}

}  // namespace

int Serve(const Args& args) {
  return RunCommand("serve", [&] { return RunServe(args); });
}

}  // namespace tandemix::cli
