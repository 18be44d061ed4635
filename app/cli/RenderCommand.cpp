// tandemix-cli render SCRIPT.avs OUT [options]: the script's frames and
// sound encoded into a movie file whose extension names the container
// (.mkv, .mp4, .mov, .avi), the 3D layout tagged where the container can
// hold it. Ctrl-C (or a closed terminal, SIGTERM, SIGQUIT) stops it and
// leaves no file behind.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>

#include "app/cli/ArgReader.h"
#include "app/cli/Commands.h"
#include "base/OutputFile.h"
#include "platform/DefaultVideoServices.h"
#include "render/RenderEncoder.h"
#include "script/ScriptLayout.h"

namespace tandemix::cli {
namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) { g_interrupted.store(true); }

template <typename T>
T ParseName(const std::string& option, const std::string& value, std::optional<T> parsed, const char* choices) {
  if (!parsed) throw UsageError(option + ": unknown value '" + value + "' (choose " + choices + ")");
  return *parsed;
}

int RunRender(const Args& args) {
  ScriptAndOutput files;
  render::RenderSettings settings;
  bool ownLayout = true;  // the script's own unless --layout names one
  ViewLayout layout = ViewLayout::None;
  ArgReader reader(args);
  while (!reader.AtEnd()) {
    const std::string arg = reader.Next();
    if (arg == "--video") {
      const std::string v = reader.Value(arg);
      settings.video = ParseName(arg, v, render::ParseVideoCodec(v), "h264, h265, av1 or ffv1");
    } else if (arg == "--crf") {
      settings.crf = ParseIntArg(arg, reader.Value(arg));
      if (settings.crf < 0) throw UsageError("--crf: '" + std::to_string(settings.crf) + "' is negative");
    } else if (arg == "--preset") {
      settings.preset = reader.Value(arg);
    } else if (arg == "--audio") {
      const std::string v = reader.Value(arg);
      settings.audio = ParseName(arg, v, render::ParseAudioCodec(v), "aac, opus, flac, pcm or none");
    } else if (arg == "--audio-bitrate") {
      settings.audioBitrateK = ParseIntArg(arg, reader.Value(arg));
    } else if (arg == "--layout") {
      const std::string v = reader.Value(arg);
      ownLayout = render::IsAutoLayout(v);
      if (!ownLayout)
        layout = ParseName(arg, v, render::ParseLayout(v),
                           "auto, sbs, sbs-half, sbs-cross, ou, ou-half, ou-cross, rows, anaglyph, mono or none");
    } else if (arg == "--start") {
      settings.start = ParseIntArg(arg, reader.Value(arg));
      if (settings.start < 0) throw UsageError("--start: '" + std::to_string(settings.start) + "' is negative");
    } else if (arg == "--count") {
      settings.count = ParseIntArg(arg, reader.Value(arg));
      if (settings.count < 0) throw UsageError("--count: '" + std::to_string(settings.count) + "' is negative");
    } else if (arg == "--keep-size") {
      settings.keepSize = true;
    } else {
      files.Take(arg);
    }
  }
  files.Check();
  const std::string& script = files.script;
  const std::string& output = files.output;
  const Check check = render::CheckSettings(output, settings);
  if (!check.Passed()) throw UsageError(check.Why());
  CheckOutput(output, {script});  // before the script runs: a folder, or the script itself

  g_interrupted.store(false);
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  // Every signal that ends a terminal session or a job cancels the same
  // way, so none leaves a hidden temporary file behind.
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(signal, &action, nullptr);

  const bool terminal = isatty(STDERR_FILENO) != 0;
  int lastShown = 0;
  const auto progress = [&](const render::RenderProgress& p) {
    if (!terminal || (p.done - lastShown < 5 && p.done != p.total)) return;
    lastShown = p.done;
    std::fprintf(stderr, "\r\033[K%s", render::ProgressText(p.done, p.total, p.elapsedSeconds, p.note).c_str());
  };
  // A media file is rendered as it is; its layout is only what --layout says.
  const ViewLayout chosen = !ownLayout ? layout : IsScriptPath(script) ? LayoutOfScriptFile(script) : ViewLayout::None;
  try {
    const render::RenderResult result =
        render::RenderScript(script, output, settings, chosen, progress, &g_interrupted);
    if (terminal) std::fputc('\n', stderr);
    std::printf("%s\n%d frames, %s, layout %s%s\n", output.c_str(), result.frames,
                result.sound ? "with sound" : "no sound", render::NameOf(result.layout),
                result.note.empty() ? "" : ("; " + result.note).c_str());
  } catch (const render::RenderCancelled& cancelled) {
    if (terminal) std::fputc('\n', stderr);
    std::fprintf(stderr, "%s\n", cancelled.what());
    return 130;
  } catch (...) {
    if (terminal) std::fputc('\n', stderr);
    throw;
  }
  return 0;
}

}  // namespace

int Render(const Args& args) {
  return RunCommand("render", [&] { return RunRender(args); });
}

}  // namespace tandemix::cli
