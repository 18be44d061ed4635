// OpenCV's own thread pool, sized as the program's: the passes of the
// engine and the preview, the codecs and OpenCV all take ParallelThreads().
#pragma once

namespace tandemix {

// Sets OpenCV's thread count once; later calls do nothing.
void MatchOpenCvThreads();

}  // namespace tandemix
