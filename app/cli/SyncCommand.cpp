// tandemix-cli sync LEFT RIGHT: the frame offset between two clips, by
// their sound or, without sound, by their motion.
#include <cstdio>
#include <exception>

#include "analysis/ClipSync.h"
#include "app/cli/ArgReader.h"
#include "app/cli/Commands.h"

namespace tandemix::cli {

int Sync(const Args& args) {
  return RunCommand("sync", [&] {
    std::vector<std::string> files;
    SyncOptions options;
    ArgReader reader(args);
    while (!reader.AtEnd()) {
      const std::string arg = reader.Next();
      if (arg == "--max-offset") {
        options.maxOffsetSeconds = ParseRealArg(arg, reader.Value(arg));
        if (!(options.maxOffsetSeconds > 0.0) || options.maxOffsetSeconds > 3600.0)
          throw UsageError("--max-offset: give seconds above 0 and up to 3600");
      } else if (!arg.empty() && arg[0] == '-') {
        throw UsageError("unknown option " + arg);
      } else {
        files.push_back(arg);
      }
    }
    if (files.size() != 2) throw UsageError("give LEFT and RIGHT");
    MediaClipSignals source;
    const SyncResult result = FindSync(files[0], files[1], source, options);
    std::printf("offset %d frames, %lld ms, %s, confidence %.2f\n", result.frames,
                static_cast<long long>(result.milliseconds), result.method == SyncMethod::Sound ? "sound" : "picture",
                result.confidence);
    return 0;
  });
}

}  // namespace tandemix::cli
