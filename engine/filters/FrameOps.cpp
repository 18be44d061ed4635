#include "engine/filters/FrameOps.h"

#include "base/ParallelFor.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {

ChannelTables::ChannelTables() {
  for (ByteTable& table : t)
    for (int i = 0; i < 256; ++i) table[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
}

void ForEachPlaneRows(const FrameBGR& f, int costPerByte, const std::function<void(int, int, int)>& fn) {
  const int planes = f.Planes();
  const int height = f.PlaneHeight(0);
  if (height <= 0) return;
  long long bytes = 0;
  for (int p = 0; p < planes; ++p) bytes += static_cast<long long>(f.PlaneWidth(p)) * f.PlaneHeight(p);
  ParallelFor(height, bytes * costPerByte / height, [&](int begin, int end) {
    for (int p = 0; p < planes; ++p) {
      const long long rows = f.PlaneHeight(p);
      const auto first = static_cast<int>(rows * begin / height);
      const auto last = static_cast<int>(rows * end / height);
      if (first < last) fn(p, first, last);
    }
  });
}

void ApplyTables(const FrameBGR& src, FrameBGR& out, const ChannelTables& tables) {
  const PixelType type = src.type;
  ForEachPlaneRows(src, 2, [&](int p, int begin, int end) {
    const int width = src.PlaneWidth(p);
    for (int y = begin; y < end; ++y) {
      const std::uint8_t* s = src.Row(p, y);
      std::uint8_t* d = out.Row(p, y);
      if (IsPlanarType(type)) {
        LookUpBytes(s, d, width, tables.t[static_cast<std::size_t>(p)]);
      } else {
        const int group = type == PixelType::RGB24 ? 3 : 4;
        const ByteTable* t[4];
        for (int k = 0; k < 4; ++k) t[k] = &tables.t[static_cast<std::size_t>(PackedChannel(type, k))];
        for (int x = 0; x + group <= width; x += group)
          for (int k = 0; k < group; ++k) d[x + k] = (*t[k])[s[x + k]];
      }
    }
  });
}

void BlendFrames(const FrameBGR& a, const FrameBGR& b, FrameBGR& out, int weight, int total) {
  const int inverse = total - weight;
  ForEachPlaneRows(out, 2, [&](int p, int begin, int end) {
    const int width = out.PlaneWidth(p);
    for (int y = begin; y < end; ++y) {
      const std::uint8_t* s = a.Row(p, y);
      const std::uint8_t* t = b.Row(p, y);
      std::uint8_t* d = out.Row(p, y);
      for (int x = 0; x < width; ++x) d[x] = static_cast<std::uint8_t>((s[x] * inverse + t[x] * weight + 16384) >> 15);
    }
  });
}

PixelType PixelTypeArg(const std::string& name, const std::string& message) {
  PixelType type = PixelType::RGB32;
  if (!ParsePixelType(name, type)) throw FilterError(message);
  return type;
}

}  // namespace tandemix::engine
