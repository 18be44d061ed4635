// Writes frames as a YUV4MPEG2 stream, the plain format that encoders read
// from a pipe: 4:2:0 when both sizes are even, 4:4:4 otherwise, ITU-R
// BT.601 studio range.
#pragma once

#include <cstdio>
#include <memory>

#include "platform/Frame.h"

namespace tandemix {

class Y4mWriter {
 public:
  // Writes the stream header. Throws TandemixError when the size is empty.
  Y4mWriter(std::FILE* out, int width, int height, int rateNumerator, int rateDenominator);
  ~Y4mWriter();
  Y4mWriter(const Y4mWriter&) = delete;
  Y4mWriter& operator=(const Y4mWriter&) = delete;

  bool Subsampled() const;  // 4:2:0

  // Writes one frame of the stream's size. Returns false when the output
  // cannot be written (a closed pipe, a full disk).
  bool Write(const FrameBGR& frame);
  bool HeaderWritten() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tandemix
