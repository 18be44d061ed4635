// Planes: PlaneToY and the Extract family, UToY, VToY, UToY8, VToY8,
// YToUV, SwapUV, CombinePlanes, and the Show family (ShowRed, ShowGreen,
// ShowBlue, ShowAlpha, ShowY, ShowU, ShowV) that shows one channel as grey.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "base/ParallelFor.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/filters/FrameOps.h"
#include "engine/frames/FrameLimits.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

// A channel as ChannelTables numbers it: for YUV 0 = Y, 1 = U, 2 = V; for
// RGB 0 = blue, 1 = green, 2 = red, 3 = alpha.
int ChannelWidth(PixelType t, int width, int c) {
  if (IsAnyRGBType(t) || c == 0) return width;
  return width >> ChromaShiftX(t);
}
int ChannelHeight(PixelType t, int height, int c) {
  if (IsAnyRGBType(t) || c == 0) return height;
  return height >> ChromaShiftY(t);
}

// Row y of channel c of `src` into `dst` (ChannelWidth bytes).
void ReadChannelRow(const FrameBGR& src, int c, int y, std::uint8_t* dst) {
  const PixelType t = src.type;
  const int w = ChannelWidth(t, src.width, c);
  if (c >= src.Planes() && IsPlanarRGBType(t)) {
    std::memset(dst, 255, static_cast<std::size_t>(w));
    return;
  }
  if (IsPlanarType(t)) {
    std::memcpy(dst, src.Row(c, y), static_cast<std::size_t>(w));
    return;
  }
  const std::uint8_t* s = src.Row(y);
  if (t == PixelType::YUY2) {
    if (c == 0) {
      for (int x = 0; x < w; ++x) dst[x] = s[2 * x];
    } else {
      for (int x = 0; x < w; ++x) dst[x] = s[4 * x + (c == 1 ? 1 : 3)];
    }
    return;
  }
  const int bpp = BytesPerPixel(t);
  if (c == 3 && bpp == 3) {
    std::memset(dst, 255, static_cast<std::size_t>(w));
    return;
  }
  for (int x = 0; x < w; ++x) dst[x] = s[bpp * x + c];
}

// Writes the byte rows `rows(y, buffer)` as the grey picture of an output
// frame of any type: YUV gets them as luma with chroma 128 (a subsampled
// type takes every row and column it needs), RGB as grey with alpha from
// `alpha` (255 when null), planar RGB in each of its planes.
void WriteGrey(FrameBGR& out, const std::function<void(int, std::uint8_t*)>& rows,
               const std::function<void(int, std::uint8_t*)>* alpha = nullptr) {
  const PixelType t = out.type;
  ParallelFor(out.height, out.width * 4LL, [&](int begin, int end) {
    std::vector<std::uint8_t> line(static_cast<std::size_t>(out.width)), a;
    if (alpha) a.resize(line.size());
    for (int y = begin; y < end; ++y) {
      rows(y, line.data());
      std::uint8_t* d = out.Row(y);
      if (IsPlanarRGBType(t)) {
        for (int p = 0; p < 3; ++p) std::memcpy(out.Row(p, y), line.data(), line.size());
        if (out.Planes() == 4) {
          if (alpha) (*alpha)(y, out.Row(3, y));
          if (!alpha) std::memset(out.Row(3, y), 255, line.size());
        }
      } else if (IsPlanarType(t)) {
        std::memcpy(d, line.data(), line.size());
      } else if (t == PixelType::YUY2) {
        for (int x = 0; x < out.width; ++x) {
          d[2 * x] = line[static_cast<std::size_t>(x)];
          d[2 * x + 1] = 128;
        }
      } else {
        const int bpp = BytesPerPixel(t);
        if (alpha) (*alpha)(y, a.data());
        for (int x = 0; x < out.width; ++x) {
          std::uint8_t* p = d + bpp * x;
          p[0] = p[1] = p[2] = line[static_cast<std::size_t>(x)];
          if (bpp == 4) p[3] = alpha ? a[static_cast<std::size_t>(x)] : 255;
        }
      }
    }
  });
  for (int p = 1; p < out.Planes() && IsYUVType(t); ++p)
    std::memset(out.Plane(p), 128, static_cast<std::size_t>(out.PlaneWidth(p)) * out.PlaneHeight(p));
}

void CheckSubsampling(const std::string& name, PixelType t, int width, int height) {
  const std::string target = t == PixelType::YUY2 ? "yuy2" : t == PixelType::YV12 ? "4:2:0 target" : "4:2:2 target";
  if (width % (1 << ChromaShiftX(t))) throw FilterError(name + ": width must be mod 2 for " + target);
  if (height % (1 << ChromaShiftY(t))) throw FilterError(name + ": height must be mod 2 for " + target);
}

// A channel of the clip as a clip of `type` (PlaneToY, UToY, the Show family).
ClipPtr ChannelAsGrey(ClipPtr clip, int channel, PixelType type, const char* name) {
  const ClipInfo& in = clip->Info();
  ClipInfo info = in;
  info.width = ChannelWidth(in.pixelType, in.width, channel);
  info.height = ChannelHeight(in.pixelType, in.height, channel);
  info.pixelType = type;
  CheckSubsampling(name, type, info.width, info.height);
  const bool keepAlpha = HasAlphaType(in.pixelType);
  return MakeFrameOp(std::move(clip), info, name, [channel, keepAlpha](const FrameBGR& s, FrameBGR& d) {
    const std::function<void(int, std::uint8_t*)> alpha = [&s](int y, std::uint8_t* row) {
      ReadChannelRow(s, 3, y, row);
    };
    WriteGrey(
        d, [&](int y, std::uint8_t* row) { ReadChannelRow(s, channel, y, row); }, keepAlpha ? &alpha : nullptr);
  });
}

// The channel PlaneToY's letter names, checked against the clip's type.
int PlaneLetter(const std::string& plane, PixelType t) {
  const std::string p = LowerCase(plane);
  if (p == "y" || p == "u" || p == "v") {
    if (IsAnyRGBType(t)) throw FilterError("PlaneToY: clip is not YUV!");
    if (p != "y" && t == PixelType::Y8)
      throw FilterError("PlaneToY: channel cannot be extracted from a greyscale clip!");
    return p == "y" ? 0 : p == "u" ? 1 : 2;
  }
  if (p == "r" || p == "g" || p == "b") {
    if (!IsAnyRGBType(t)) throw FilterError("PlaneToY: clip is not planar RGB!");
    return p == "r" ? 2 : p == "g" ? 1 : 0;
  }
  if (p == "a") {
    if (!IsRGBType(t) && t != PixelType::RGBAP8) throw FilterError("PlaneToY: Clip has no Alpha channel!");
    return 3;
  }
  throw FilterError("PlaneToY: Invalid plane!");
}

Value PlaneToY(ClipPtr clip, const std::string& plane) {
  const int channel = PlaneLetter(plane, clip->Info().pixelType);
  if (channel == 0 && clip->Info().pixelType == PixelType::Y8) return Value::Clip(clip);
  return Value::Clip(ChannelAsGrey(std::move(clip), channel, PixelType::Y8, "PlaneToY"));
}

// UToY, VToY: the chroma plane as the luma of a clip of the same type.
Value ChromaToY(ClipPtr clip, int channel, bool y8) {
  const PixelType t = clip->Info().pixelType;
  PlaneLetter(channel == 1 ? "U" : "V", t);
  return Value::Clip(ChannelAsGrey(std::move(clip), channel, y8 ? PixelType::Y8 : t, "PlaneToY"));
}

// The Show family: a channel as grey in pixel_type (default: RGB32 for
// packed RGB, YV24 for YUV).
Value ShowChannel(const CallArgs& a, int channel, bool rgb, const char* name) {
  ClipPtr clip = a.Clip("clip");
  const PixelType t = clip->Info().pixelType;
  const std::string n = name;
  if (channel == 3 && rgb && !HasAlphaType(t))
    throw FilterError("ShowAlpha: RGB32, RGB64, Planar RGBA or YUVA data only");
  if (rgb && !IsAnyRGBType(t)) throw FilterError(n + ": plane is valid only with RGB or planar RGB(A) source");
  if (!rgb && !IsYUVType(t)) throw FilterError(n + ": plane is valid only with YUV(A) source");
  if (!rgb && channel > 0 && t == PixelType::Y8) throw FilterError(n + ": invalid plane for greyscale source");
  PixelType type = IsPlanarRGBType(t) ? PixelType::RGBP8 : rgb ? PixelType::RGB32 : PixelType::YV24;
  if (a.Has("pixel_type")) type = PixelTypeArg(a.String("pixel_type"), n + ": invalid pixel_type!");
  return Value::Clip(ChannelAsGrey(std::move(clip), channel, type, name));
}

// YToUV(clipU, clipV [, clipY]): the lumas of two clips as the chroma of a
// new one, its type from the ratio of the sizes; without clipY the luma is
// a flat 126.
Value YToUV(const CallArgs& a) {
  ClipPtr u = a.Clip("clipU"), v = a.Clip("clipV");
  ClipPtr y = a.Has("clipY") ? a.Clip("clipY") : nullptr;
  for (const ClipPtr& c : {u, v, y})
    if (c && !IsYUVType(c->Info().pixelType)) throw FilterError("YToUV: Only YUV or YUVA data accepted");
  const ClipInfo& ui = u->Info();
  const ClipInfo& vi = v->Info();
  if (ui.width != vi.width) throw FilterError("YToUV: Clips do not have the same width (U & V mismatch) !");
  if (ui.height != vi.height) throw FilterError("YToUV: Clips do not have the same height (U & V mismatch) !");
  const bool yuy2 = ui.pixelType == PixelType::YUY2;
  if (yuy2 != (vi.pixelType == PixelType::YUY2) || (y && yuy2 != (y->Info().pixelType == PixelType::YUY2)))
    throw FilterError("YToUV: YUY2 Clips must have same colorspace (UV & Y mismatch) !");
  ClipInfo info = ui;
  if (y) {
    const ClipInfo& yi = y->Info();
    info = yi;
    if (yi.width == ui.width * 2 && yuy2) {
      info.pixelType = PixelType::YUY2;
    } else {
      int sx = -1, sy = -1;
      if (yi.width == ui.width) sx = 0;
      if (yi.width == ui.width * 2) sx = 1;
      if (yi.height == ui.height) sy = 0;
      if (yi.height == ui.height * 2) sy = 1;
      if (sx < 0 || yuy2) throw FilterError("YToUV: Video width ratio does not match any internal colorspace.");
      if (sy < 0) throw FilterError("YToUV: Video height ratio does not match any internal colorspace.");
      if (sx == 0 && sy == 1) throw FilterError("YToUV: Video height ratio does not match any internal colorspace.");
      info.pixelType = sx == 0 ? PixelType::YV24 : sy == 0 ? PixelType::YV16 : PixelType::YV12;
    }
  } else {
    info.pixelType = yuy2 ? PixelType::YUY2 : PixelType::YV24;
    if (yuy2) info.width = ui.width * 2;
  }
  class YToUVClip : public Clip {
   public:
    YToUVClip(ClipPtr u, ClipPtr v, ClipPtr y, const ClipInfo& info)
        : Clip(info), u_(std::move(u)), v_(std::move(v)), y_(std::move(y)), pool_("YToUV") {
      PassAudioFrom(y_ ? y_ : u_);
    }
    FramePtr GetFrame(int n) override {
      FramePtr fu = u_->GetFrame(n), fv = v_->GetFrame(n);
      FramePtr fy = y_ ? y_->GetFrame(n) : nullptr;
      auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
      const int cw = ChannelWidth(info_.pixelType, info_.width, 1);
      ParallelFor(info_.height, info_.width * 4LL, [&](int begin, int end) {
        std::vector<std::uint8_t> line(static_cast<std::size_t>(info_.width)), lu(line.size()), lv(line.size());
        for (int r = begin; r < end; ++r) {
          if (fy)
            ReadChannelRow(*fy, 0, r, line.data());
          else
            std::fill(line.begin(), line.end(), std::uint8_t{126});
          if (info_.pixelType == PixelType::YUY2) {
            ReadChannelRow(*fu, 0, r, lu.data());
            ReadChannelRow(*fv, 0, r, lv.data());
            std::uint8_t* d = out->Row(r);
            for (int x = 0; x < cw; ++x) {
              d[4 * x] = line[static_cast<std::size_t>(2 * x)];
              d[4 * x + 1] = lu[static_cast<std::size_t>(x)];
              d[4 * x + 2] = line[static_cast<std::size_t>(2 * x + 1)];
              d[4 * x + 3] = lv[static_cast<std::size_t>(x)];
            }
            continue;
          }
          std::memcpy(out->Row(0, r), line.data(), line.size());
          const int sy = ChromaShiftY(info_.pixelType);
          if (r % (1 << sy) == 0 && (r >> sy) < out->PlaneHeight(1)) {
            ReadChannelRow(*fu, 0, r >> sy, out->Row(1, r >> sy));
            ReadChannelRow(*fv, 0, r >> sy, out->Row(2, r >> sy));
          }
        }
      });
      return out;
    }

   private:
    ClipPtr u_, v_, y_;
    FramePool pool_;
  };
  for (const ClipPtr& c : {u, v, y})
    if (c) info.frameCount = std::max(info.frameCount, c->Info().frameCount);
  return Value::Clip(std::make_shared<YToUVClip>(u, v, y, info));
}

// SwapUV: U and V change places.
Value SwapUV(ClipPtr clip) {
  const ClipInfo info = clip->Info();
  if (IsAnyRGBType(info.pixelType)) throw FilterError("SwapUV: YUV or YUVA data only!");
  if (info.pixelType == PixelType::Y8) return Value::Clip(clip);
  return Value::Clip(MakeFrameOp(std::move(clip), info, "SwapUV", [](const FrameBGR& s, FrameBGR& d) {
    if (s.type == PixelType::YUY2) {
      ParallelFor(s.height, s.width * 4LL, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
          const std::uint8_t* p = s.Row(y);
          std::uint8_t* q = d.Row(y);
          for (int x = 0; x + 3 < 2 * s.width; x += 4) {
            q[x] = p[x];
            q[x + 1] = p[x + 3];
            q[x + 2] = p[x + 2];
            q[x + 3] = p[x + 1];
          }
        }
      });
      return;
    }
    for (int p = 0; p < 3; ++p) {
      const int from = p == 0 ? 0 : 3 - p;
      for (int y = 0; y < s.PlaneHeight(p); ++y)
        std::memcpy(d.Row(p, y), s.Row(from, y), static_cast<std::size_t>(s.PlaneWidth(p)));
    }
  }));
}

// CombinePlanes(clips..., planes, source_planes, pixel_type, sample_clip):
// each target plane from a plane of a clip; the last clip serves the
// planes beyond the clips given.
Value CombinePlanes(const CallArgs& a) {
  std::vector<ClipPtr> clips{a.Clip("clip1")};
  for (const Value& v : a.Rest()) clips.push_back(v.AsClip());
  if (clips.size() > 4) throw FilterError("CombinePlanes: at most four clips may be given");
  const std::string planes = a.String("planes");
  // Without source_planes, the i-th target takes each clip's i-th plane.
  std::string sources = a.String("source_planes");
  if (!a.Has("source_planes"))
    for (std::size_t i = 0; i < planes.size(); ++i) {
      const ClipPtr& c = clips[std::min(i, clips.size() - 1)];
      const PixelType st = c->Info().pixelType;
      sources += IsAnyRGBType(st)      ? "RGBA"[std::min<std::size_t>(i, 3)]
                 : st == PixelType::Y8 ? 'Y'
                                       : "YUVY"[std::min<std::size_t>(i, 3)];
    }
  if (planes.empty()) throw FilterError("CombinePlanes: no target planes given!");
  ClipInfo info = clips[0]->Info();
  auto isYuvLetter = [](char c) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return c == 'Y' || c == 'U' || c == 'V';
  };
  for (char c : planes)
    if (!isYuvLetter(c) && std::string("RGBArgba").find(c) == std::string::npos)
      throw FilterError("CombinePlanes: invalid plane definifion : " + planes);
  const bool rgbLetters = !isYuvLetter(planes[0]);
  if (a.Has("pixel_type")) {
    info.pixelType = PixelTypeArg(a.String("pixel_type"), "CombinePlanes: invalid pixel_type!");
  } else if (a.Has("sample_clip")) {
    info.pixelType = a.Clip("sample_clip")->Info().pixelType;
  } else if (info.pixelType == PixelType::Y8 && clips.size() > 1) {
    const bool alpha = planes.find_first_of("Aa") != std::string::npos;
    info.pixelType = !rgbLetters ? PixelType::YV24 : alpha ? PixelType::RGBAP8 : PixelType::RGBP8;
  }
  if (!IsPlanarType(info.pixelType)) throw FilterError("CombinePlanes: output clip video format is not planar!");
  // Target letters name the output's planes: Y, U, V or R, G, B, A.
  const bool rgbTarget = IsPlanarRGBType(info.pixelType);
  const std::string targetLetters = rgbTarget ? "bgra" : "yuv";
  const int targetCount = PlaneCountOf(info.pixelType);
  if (static_cast<int>(planes.size()) > targetCount)
    throw FilterError("CombinePlanes: too many target planes (" + std::to_string(planes.size()) +
                      ")! Target video plane count is " + std::to_string(targetCount) + "!");
  if (sources.size() != planes.size())
    throw FilterError("CombinePlanes: source and target plane count must be the same");
  struct Route {
    int target, clip, channel;
  };
  std::vector<Route> routes;
  for (std::size_t i = 0; i < planes.size(); ++i) {
    const int target =
        static_cast<int>(targetLetters.find(static_cast<char>(std::tolower(static_cast<unsigned char>(planes[i])))));
    if (target < 0 || target >= PlaneCountOf(info.pixelType))
      throw FilterError(std::string("CombinePlanes: target has no such plane ") +
                        static_cast<char>(std::toupper(static_cast<unsigned char>(planes[i]))));
    const ClipPtr& c = clips[std::min(i, clips.size() - 1)];
    const PixelType st = c->Info().pixelType;
    const char sc = static_cast<char>(std::tolower(static_cast<unsigned char>(sources[i])));
    int channel = -1;
    if (IsYUVType(st) && (sc == 'y' || (st != PixelType::Y8 && (sc == 'u' || sc == 'v'))))
      channel = sc == 'y' ? 0 : sc == 'u' ? 1 : 2;
    if (IsAnyRGBType(st) && std::string("bgra").find(sc) != std::string::npos)
      channel = static_cast<int>(std::string("bgra").find(sc));
    if (channel == 3 && st == PixelType::RGBP8) channel = -1;
    if (channel < 0)
      throw FilterError(std::string("CombinePlanes: source has no such plane ") +
                        static_cast<char>(std::toupper(static_cast<unsigned char>(sc))));
    if (target >= targetCount) throw FilterError("CombinePlanes: invalid plane definifion : " + planes);
    if (ChannelWidth(st, c->Info().width, channel) != ChannelWidth(info.pixelType, info.width, target) ||
        ChannelHeight(st, c->Info().height, channel) != ChannelHeight(info.pixelType, info.height, target))
      throw FilterError("CombinePlanes: source and target plane dimensions are different");
    routes.push_back(Route{target, static_cast<int>(std::min(i, clips.size() - 1)), channel});
  }
  // Planes no route names (AviSynth leaves them unwritten) come from the
  // first clip when it has them at the same size, else are black.
  const ClipInfo& first = clips[0]->Info();
  for (int p = 0; p < targetCount; ++p) {
    if (std::any_of(routes.begin(), routes.end(), [p](const Route& r) { return r.target == p; })) continue;
    if (IsPlanarRGBType(first.pixelType) == rgbTarget && IsYUVType(first.pixelType) != rgbTarget &&
        (p == 0 || first.pixelType != PixelType::Y8) && p < PlaneCountOf(first.pixelType) &&
        ChannelWidth(first.pixelType, first.width, p) == ChannelWidth(info.pixelType, info.width, p) &&
        ChannelHeight(first.pixelType, first.height, p) == ChannelHeight(info.pixelType, info.height, p))
      routes.push_back(Route{p, 0, p});
    else
      routes.push_back(Route{p, -1, rgbTarget ? (p == 3 ? 255 : 0) : p == 0 ? 16 : 128});
  }
  class CombineClip : public Clip {
   public:
    CombineClip(std::vector<ClipPtr> clips, std::vector<Route> routes, const ClipInfo& info)
        : Clip(info), clips_(std::move(clips)), routes_(std::move(routes)), pool_("CombinePlanes") {
      PassAudioFrom(clips_[0]);
    }
    FramePtr GetFrame(int n) override {
      std::vector<FramePtr> frames;
      for (const ClipPtr& c : clips_) frames.push_back(c->GetFrame(n));
      auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
      for (const Route& r : routes_) {
        const int h = out->PlaneHeight(r.target);
        ParallelFor(h, out->PlaneWidth(r.target) * 2LL, [&](int begin, int end) {
          for (int y = begin; y < end; ++y) {
            if (r.clip < 0)
              std::memset(out->Row(r.target, y), r.channel, static_cast<std::size_t>(out->PlaneWidth(r.target)));
            else
              ReadChannelRow(*frames[static_cast<std::size_t>(r.clip)], r.channel, y, out->Row(r.target, y));
          }
        });
      }
      return out;
    }

   private:
    std::vector<ClipPtr> clips_;
    std::vector<Route> routes_;
    FramePool pool_;
  };
  return Value::Clip(std::make_shared<CombineClip>(std::move(clips), std::move(routes), info));
}

}  // namespace

void RegisterPlaneFunctions(FunctionTable& t) {
  t.Add("PlaneToY", {Req("clip", ParamType::Clip), Opt("plane", ParamType::String)},
        [](const CallArgs& a) { return PlaneToY(a.Clip("clip"), a.String("plane", "Y")); });
  for (const char* plane : {"Y", "U", "V", "R", "G", "B", "A"}) {
    const std::string p = plane;
    t.Add(std::string("Extract") + plane, {Req("clip", ParamType::Clip)},
          [p](const CallArgs& a) { return PlaneToY(a.Clip("clip"), p); });
  }
  t.Add("UToY", {Req("clip", ParamType::Clip)}, [](const CallArgs& a) { return ChromaToY(a.Clip("clip"), 1, false); });
  t.Add("VToY", {Req("clip", ParamType::Clip)}, [](const CallArgs& a) { return ChromaToY(a.Clip("clip"), 2, false); });
  t.Add("UToY8", {Req("clip", ParamType::Clip)}, [](const CallArgs& a) { return ChromaToY(a.Clip("clip"), 1, true); });
  t.Add("VToY8", {Req("clip", ParamType::Clip)}, [](const CallArgs& a) { return ChromaToY(a.Clip("clip"), 2, true); });
  t.Add("YToUV", {Req("clipU", ParamType::Clip), Req("clipV", ParamType::Clip), Opt("clipY", ParamType::Clip)}, YToUV);
  t.Add("SwapUV", {Req("clip", ParamType::Clip)}, [](const CallArgs& a) { return SwapUV(a.Clip("clip")); });
  t.Add("CombinePlanes",
        {Req("clip1", ParamType::Clip), Many("clips", ParamType::Clip), Opt("planes", ParamType::String),
         Opt("source_planes", ParamType::String), Opt("pixel_type", ParamType::String),
         Opt("sample_clip", ParamType::Clip)},
        CombinePlanes);
  t.Add("CombinePlanes",
        {Req("clip1", ParamType::Clip), Opt("planes", ParamType::String), Opt("source_planes", ParamType::String),
         Opt("pixel_type", ParamType::String), Opt("sample_clip", ParamType::Clip)},
        CombinePlanes);
  const std::vector<Param> show = {Req("clip", ParamType::Clip), Opt("pixel_type", ParamType::String)};
  const struct {
    const char* name;
    int channel;
    bool rgb;
  } shows[] = {{"ShowRed", 2, true}, {"ShowGreen", 1, true}, {"ShowBlue", 0, true}, {"ShowAlpha", 3, true},
               {"ShowY", 0, false},  {"ShowU", 1, false},    {"ShowV", 2, false}};
  for (const auto& s : shows) {
    const auto entry = s;
    t.Add(s.name, show, [entry](const CallArgs& a) { return ShowChannel(a, entry.channel, entry.rgb, entry.name); });
  }
}

}  // namespace tandemix::engine
