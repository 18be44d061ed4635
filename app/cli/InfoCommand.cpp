// tandemix-cli info FILE: the measurement the program takes of a clip or
// script, as "W H FRAMES RATE". info --layout FILE: the stereo layout found
// in it and how it is known. info --audio FILE: its sound as
// "RATE CHANNELS TYPE SAMPLES", or "none".
#include <cstdio>
#include <fstream>

#include "app/cli/ArgReader.h"
#include "app/cli/Commands.h"
#include "core/ScriptNumber.h"
#include "engine/ScriptEngine.h"
#include "engine/filters/AudioSupport.h"
#include "platform/DefaultVideoServices.h"
#include "project/StereoLayout.h"

namespace tandemix::cli {

namespace {

int PrintAudioInfo(const std::string& path) {
  return RunCommand("info", [&] {
    const engine::ClipPtr clip = engine::OpenVideo(path);
    const engine::AudioInfo& audio = clip->Info().audio;
    if (!audio.Present()) {
      std::printf("none\n");
      return 0;
    }
    std::printf("%d %d %s %lld\n", audio.sampleRate, audio.channels, engine::SampleTypeName(audio.sampleType),
                static_cast<long long>(audio.sampleCount));
    return 0;
  });
}

}  // namespace

int Info(const Args& args) {
  if (args.size() == 2 && args[0] == "--audio" && !args[1].empty()) return PrintAudioInfo(args[1]);
  if (args.size() == 2 && args[0] == "--layout" && !args[1].empty()) {
    DefaultVideoServices video;
    if (!std::ifstream(args[1]).good()) {
      std::fprintf(stderr, "Cannot open file %s\n", args[1].c_str());
      return 1;
    }
    // A file that cannot be measured holds no layout: it fails as info does.
    const VideoInfo measured = video.ReadVideoInfo(args[1]);
    if (!measured.Ok()) {
      std::fprintf(stderr, "%s\n", measured.error.c_str());
      return 1;
    }
    std::printf("%s\n", DetectStereoLayout(args[1], video).Text().c_str());
    return 0;
  }
  if (args.size() != 1 || args[0].empty() || args[0] == "--help" || args[0] == "-h") {
    std::fputs("info: give one media file or script\nRun 'tandemix-cli --help' for the usage.\n", stderr);
    return 2;
  }
  DefaultVideoServices video;
  const VideoInfo info = video.ReadVideoInfo(args[0]);
  if (!info.Ok()) {
    std::fprintf(stderr, "%s\n", info.error.c_str());
    return 1;
  }
  std::printf("%d %d %d %s\n", info.width, info.height, info.frameCount, FormatScriptNumber(info.rate).c_str());
  return 0;
}

}  // namespace tandemix::cli
