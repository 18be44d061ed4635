// Writes frames as a YUV4MPEG2 stream, the plain format that encoders read
// from a pipe, in the frames' own planar YUV type: YV12 as 4:2:0 with
// MPEG-2 chroma placement (C420mpeg2), YV16 as 4:2:2 (C422), YV24 as
// 4:4:4 (C444), Y8 as luma only (Cmono); ITU-R BT.601 studio range.
// Other types are converted by the caller (serve turns RGB into YV24 and
// YUY2 into YV16).
#pragma once

#include <cstdio>
#include <memory>

#include "base/Frame.h"

namespace tandemix {

class Y4mWriter {
 public:
  // Writes the stream header. Throws TandemixError when the size is empty
  // or the type is not planar YUV.
  Y4mWriter(std::FILE* out, int width, int height, int rateNumerator, int rateDenominator,
            PixelType type = PixelType::YV12);
  ~Y4mWriter();
  Y4mWriter(const Y4mWriter&) = delete;
  Y4mWriter& operator=(const Y4mWriter&) = delete;

  // Writes one frame of the stream's size and type. Returns false when the
  // output cannot be written (a closed pipe, a full disk).
  bool Write(const VideoFrame& frame);
  bool HeaderWritten() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tandemix
