#include "app/cli/Commands.h"

#include <cstdio>
#include <map>

namespace tandemix::cli {

void PrintUsage(std::FILE* out) {
  std::fputs(
      "Usage: tandemix-cli COMMAND [ARGUMENTS]\n"
      "\n"
      "Commands:\n"
      "  generate OUTPUT.avs [--project FILE.avp] [--left FILE] [--right FILE]\n"
      "           [--stereo] [--convert-before] [--file-type avi|video|picture|custom]\n"
      "           [--templates DIR] [--offset N]\n"
      "           [--scale-left PCT] [--scale-right PCT] [--angle-left DEG] [--angle-right DEG]\n"
      "           [--shift-h N] [--shift-v N] [--auto-crop] [--swap] [--final-size WxH]\n"
      "           [--slider-a VALUE] [--slider-b VALUE]\n"
      "      Writes the scripts of a project, as \"Open preview\" does, and prints\n"
      "      each file written, then \"size W H\" of the output script.\n"
      "\n"
      "Numbers on the command line always use a point.\n",
      out);
}

int Run(const Args& args) {
  if (args.empty()) {
    PrintUsage(stderr);
    return 2;
  }
  const std::string& command = args[0];
  const Args rest(args.begin() + 1, args.end());
  if (command == "--help" || command == "-h" || command == "help") {
    PrintUsage(stdout);
    return 0;
  }
  if (command == "generate") return Generate(rest);
  std::fprintf(stderr, "tandemix-cli: unknown command '%s'\n", command.c_str());
  PrintUsage(stderr);
  return 2;
}

}  // namespace tandemix::cli
