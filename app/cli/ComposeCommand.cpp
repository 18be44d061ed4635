// tandemix-cli compose: the still-frame alignment preview of two captured
// frames, written to a bitmap file.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <system_error>
#include <vector>

#include "app/cli/ArgReader.h"
#include "app/cli/Commands.h"
#include "base/Errors.h"
#include "base/OutputFile.h"
#include "preview/Compositor.h"

namespace tandemix::cli {
namespace {

// Command-line numbers always use a point, whatever the locale.
double ParsePointReal(const std::string& text) {
  double value = 0.0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
  if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value)) throw NotValidFloat(text);
  return value;
}

int ParseInteger(const std::string& text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) throw NotValidInteger(text);
  return value;
}

int ComposeUsage(const std::string& message) {
  std::fprintf(stderr, "compose: %s\n", message.c_str());
  std::fputs(
      "usage: tandemix-cli compose LEFT.bmp RIGHT.bmp OUT.bmp [--shift-h N] [--shift-v N]\n"
      "         [--scale-left PCT] [--scale-right PCT] [--angle-left DEG] [--angle-right DEG]\n"
      "         [--auto-crop] [--swap] [--show left|right|output]\n"
      "         [--preview redcyan|optimised|blend|dubois-redcyan|dubois-greenmagenta|dubois-amberblue]\n",
      stderr);
  return 2;
}

struct ComposeRequest {
  std::string left, right, out;
  int shiftH = 0, shiftV = 0;
  double scaleLeft = 100.0, scaleRight = 100.0;  // percent
  double angleLeft = 0.0, angleRight = 0.0;      // degrees
  PreviewSwitches switches;
};

}  // namespace

int Compose(const Args& args) {
  ComposeRequest request;
  std::vector<std::string> files;
  return RunCommand("compose", [&] {
    for (std::size_t i = 0; i < args.size(); ++i) {
      const std::string& arg = args[i];
      if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
        files.push_back(arg);
        continue;
      }
      if (arg == "--auto-crop") {
        request.switches.autoCrop = true;
        continue;
      }
      if (arg == "--swap") {
        request.switches.swapViews = true;
        continue;
      }
      if (i + 1 >= args.size()) return ComposeUsage(arg + " needs a value");
      const std::string& value = args[++i];
      if (arg == "--shift-h") {
        request.shiftH = ParseInteger(value);
      } else if (arg == "--shift-v") {
        request.shiftV = ParseInteger(value);
      } else if (arg == "--scale-left") {
        request.scaleLeft = ParsePointReal(value);
      } else if (arg == "--scale-right") {
        request.scaleRight = ParsePointReal(value);
      } else if (arg == "--angle-left") {
        request.angleLeft = ParsePointReal(value);
      } else if (arg == "--angle-right") {
        request.angleRight = ParsePointReal(value);
      } else if (arg == "--show") {
        if (value == "left")
          request.switches.showClip = ShowClip::Left;
        else if (value == "right")
          request.switches.showClip = ShowClip::Right;
        else if (value == "output")
          request.switches.showClip = ShowClip::Output;
        else
          return ComposeUsage("--show takes left, right or output, not '" + value + "'");
      } else if (arg == "--preview") {
        if (value == "redcyan")
          request.switches.previewMode = PreviewMode::RedCyan;
        else if (value == "optimised")
          request.switches.previewMode = PreviewMode::Optimised;
        else if (value == "blend")
          request.switches.previewMode = PreviewMode::Blend;
        else if (value == "dubois-redcyan")
          request.switches.previewMode = PreviewMode::DuboisRedCyan;
        else if (value == "dubois-greenmagenta")
          request.switches.previewMode = PreviewMode::DuboisGreenMagenta;
        else if (value == "dubois-amberblue")
          request.switches.previewMode = PreviewMode::DuboisAmberBlue;
        else
          return ComposeUsage(
              "--preview takes redcyan, optimised, blend, dubois-redcyan, dubois-greenmagenta or dubois-amberblue, "
              "not '" +
              value + "'");
      } else {
        return ComposeUsage("unknown option " + arg);
      }
    }
    if (files.size() != 3) return ComposeUsage("needs LEFT.bmp RIGHT.bmp OUT.bmp");
    request.left = files[0];
    request.right = files[1];
    request.out = files[2];

    CheckOutput(request.out, {request.left, request.right});
    PreviewCompositor compositor;
    compositor.LoadFrames(request.left, request.right);
    compositor.ComposePreview(request.shiftH, request.shiftV, request.scaleLeft / 100.0, request.scaleRight / 100.0,
                              request.angleLeft, request.angleRight, request.switches);
    compositor.PreviewImage().SaveToFile(request.out);
    return 0;
  });
}

}  // namespace tandemix::cli
