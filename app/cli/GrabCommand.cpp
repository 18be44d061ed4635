// tandemix-cli grab FILE N OUT.bmp: frame N of a clip or script into a
// 24-bit bitmap, as "Save Frame" does.
#include <cstdio>
#include <exception>

#include "app/cli/ArgReader.h"
#include "app/cli/Commands.h"
#include "base/OutputFile.h"
#include "platform/DefaultVideoServices.h"
#include "viewer/FrameCapture.h"

namespace tandemix::cli {

int Grab(const Args& args) {
  return RunCommand("grab", [&] {
    if (args.size() != 3) throw UsageError("give FILE N OUT.bmp");
    const int n = ParseIntArg("N", args[1]);
    CheckOutput(args[2], {args[0]});  // before any work: a folder, or the clip itself
    DefaultVideoServices video;
    GrabFrame(video, args[0], n, args[2]);
    return 0;
  });
}

}  // namespace tandemix::cli
