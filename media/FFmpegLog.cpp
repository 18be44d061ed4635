#include "media/FFmpegLog.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdlib>
#include <cstring>

namespace tandemix::media {

void QuietFFmpegLog() {
  int level = AV_LOG_QUIET;
  if (const char* asked = std::getenv("TANDEMIX_FFMPEG_LOG")) {
    const struct {
      const char* name;
      int level;
    } levels[] = {{"error", AV_LOG_ERROR},
                  {"warning", AV_LOG_WARNING},
                  {"info", AV_LOG_INFO},
                  {"verbose", AV_LOG_VERBOSE},
                  {"debug", AV_LOG_DEBUG}};
    for (const auto& l : levels)
      if (std::strcmp(asked, l.name) == 0) level = l.level;
  }
  av_log_set_level(level);
}

}  // namespace tandemix::media
