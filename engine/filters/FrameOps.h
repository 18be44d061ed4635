// Helpers for filters that make each frame from one frame of one child:
// the node that runs such an operation, per-channel byte tables applied
// over a frame's rows on the pool, and the reading of a pixel_type argument.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "base/Frame.h"
#include "engine/frames/Clip.h"
#include "engine/frames/FrameBudget.h"
#include "engine/frames/FrameCopy.h"
#include "engine/kernels/ByteTable.h"

namespace tandemix::engine {

// An operation on the child's frames, one frame at a time: op(src, out)
// writes every byte of `out` (a frame of the node's type from its pool).
// Views are copied first, so operations may read `src` by rows or whole.
template <typename Op>
class FrameOpClip : public Clip {
 public:
  FrameOpClip(ClipPtr child, const ClipInfo& info, Op op, const char* name)
      : Clip(info), child_(std::move(child)), op_(std::move(op)), pool_(name) {
    PassAudioFrom(child_);
  }
  FramePtr GetFrame(int n) override {
    FramePtr src = Owned(child_->GetFrame(n));
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    op_(*src, *out);
    return out;
  }

 private:
  ClipPtr child_;
  Op op_;
  FramePool pool_;
};

template <typename Op>
ClipPtr MakeFrameOp(ClipPtr child, const ClipInfo& info, const char* name, Op op) {
  return std::make_shared<FrameOpClip<Op>>(std::move(child), info, std::move(op), name);
}

// A byte table per channel: for YUV types 0 = Y, 1 = U, 2 = V; for RGB
// 0 = blue, 1 = green, 2 = red, 3 = alpha (the bytes' order in a pixel).
struct ChannelTables {
  std::array<ByteTable, 4> t{};
  ChannelTables();  // every table the identity
};

// out = the tables applied to src's channels, rows split over the pool.
void ApplyTables(const FrameBGR& src, FrameBGR& out, const ChannelTables& tables);

// Runs fn(plane, firstRow, endRow) over the rows of each plane of `f`'s
// shape, split over the pool; `costPerByte` is the rough cost of a byte.
// The planes are cut into bands together, in one pass on the pool: each
// part takes the same share of every plane's rows.
void ForEachPlaneRows(const FrameBGR& f, int costPerByte, const std::function<void(int, int, int)>& fn);

// The channel a byte at `offset` bytes into a packed row belongs to (as
// ChannelTables numbers them): RGB24 and RGB32 by their byte order, YUY2
// as Y U Y V.
inline int PackedChannel(PixelType t, int offset) {
  if (t == PixelType::RGB24) return offset % 3;
  if (t == PixelType::YUY2) {
    const int k = offset & 3;
    return k == 1 ? 1 : k == 3 ? 2 : 0;
  }
  return offset & 3;
}

// out = (a * (total - weight) + b * weight + 16384) >> 15 for every byte of
// every plane (weight 0 .. total is b's share): how AviSynth's cross-fades
// and rate blends mix two frames of one type and size (their weights add up
// to 32767, so that an even mix rounds down).
void BlendFrames(const FrameBGR& a, const FrameBGR& b, FrameBGR& out, int weight, int total);

// Reads a pixel_type argument; throws FilterError(message) when unknown.
PixelType PixelTypeArg(const std::string& name, const std::string& message);

}  // namespace tandemix::engine
