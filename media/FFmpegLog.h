// FFmpeg's own log lines (demuxer guesses, decoder warnings) are not for the
// user: the program says what went wrong in its own words. Setting
// TANDEMIX_FFMPEG_LOG to a level (error, warning, info, verbose, debug)
// lets them through for a diagnosis.
#pragma once

namespace tandemix::media {

// Sets FFmpeg's log level: quiet unless TANDEMIX_FFMPEG_LOG asks for one.
// Called at program start and wherever FFmpeg is first used.
void QuietFFmpegLog();

}  // namespace tandemix::media
