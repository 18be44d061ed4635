#include "analysis/OpenCvThreads.h"

#include <opencv2/core.hpp>

#include "base/WorkerPool.h"

namespace tandemix {

void MatchOpenCvThreads() {
  static const bool set = [] {
    cv::setNumThreads(ParallelThreads());
    return true;
  }();
  (void)set;
}

}  // namespace tandemix
