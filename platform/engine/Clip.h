// A node of the clip graph: its video description, known when the node is
// built, and its frames, made when asked for. Nodes check their arguments
// once, at construction; GetFrame only reads children and makes pixels.
#pragma once

#include <memory>
#include <string>

#include "platform/MediaFrameCache.h"

namespace tandemix::engine {

struct ClipInfo {
  int width = 0;
  int height = 0;
  int frameCount = 0;
  int rateNumerator = 24;
  int rateDenominator = 1;
  bool fieldBased = false;     // frames are single fields (after SeparateFields)
  bool topFieldFirst = false;  // parity; bottom field first unless told otherwise

  double Rate() const { return static_cast<double>(rateNumerator) / rateDenominator; }
};

class Clip {
 public:
  explicit Clip(const ClipInfo& info) : info_(info) {}
  virtual ~Clip() = default;
  Clip(const Clip&) = delete;
  Clip& operator=(const Clip&) = delete;

  const ClipInfo& Info() const { return info_; }

  // Frame n; n outside the clip is taken as its first or last frame, as a
  // shorter clip beside a longer one repeats its last frame. Throws
  // TandemixError when a source cannot deliver the frame.
  virtual FramePtr GetFrame(int n) = 0;

 protected:
  int ClampFrame(int n) const {
    if (n >= info_.frameCount) n = info_.frameCount - 1;
    return n < 0 ? 0 : n;
  }
  ClipInfo info_;
};

using ClipPtr = std::shared_ptr<Clip>;

}  // namespace tandemix::engine
