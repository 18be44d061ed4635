// ColorYUV: per plane a gain, a contrast about 128, an offset and a gamma,
// then a levels conversion and coring, all through one byte table per
// plane built in double precision and rounded once. autowhite and autogain
// measure each frame before its tables are built, conditional takes the
// values from the frame variables a runtime filter up the chain set, and
// showyuv replaces the clip by a chart of every U and V pair; analyze
// writes each frame's statistics over it.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "engine/filters/FilterFamilies.h"
#include "engine/filters/FrameMessage.h"
#include "engine/filters/FrameOps.h"
#include "engine/frames/ScriptError.h"
#include "engine/language/Functions.h"

namespace tandemix::engine {
namespace {

enum class LevelsChange { None, TVToPC, PCToTV, PCToTVLuma };

struct PlaneAdjust {
  double gain = 0, off = 0, gamma = 0, cont = 0;
};

struct ColorYUVSettings {
  std::array<PlaneAdjust, 3> planes;  // Y, U, V
  LevelsChange levels = LevelsChange::None;
  bool coring = false;
};

// One level through the plane's adjustments. The gamma works on the range
// the input is in: TV range (16 up, 219 * 256 / 255 wide) when converting
// from TV levels, or when coring a plane not converted from PC levels;
// else 0 to 256. The levels conversion follows.
int AdjustLevel(int level, const PlaneAdjust& p, bool chroma, const ColorYUVSettings& s) {
  double v = level * (p.gain + 256.0) / 256.0;
  v = (v - 128.0) * (p.cont + 256.0) / 256.0 + 128.0;
  v += p.off;
  // A gamma of -256 would divide by zero: it is no gamma at all.
  if (p.gamma != 0.0 && p.gamma != -256.0) {
    const bool fromPC = s.levels == LevelsChange::PCToTV || (s.levels == LevelsChange::PCToTVLuma && !chroma);
    const bool tv = s.levels == LevelsChange::TVToPC || (s.coring && !fromPC);
    const double low = tv ? 16.0 : 0.0;
    const double span = tv ? 219.0 * 256.0 / 255.0 : 256.0;
    if (v > low) v = low + span * std::pow((v - low) / span, 256.0 / (p.gamma + 256.0));
  }
  switch (s.levels) {
    case LevelsChange::TVToPC:
      v = chroma ? (v - 128.0) * 255.0 / 224.0 + 128.0 : (v - 16.0) * 255.0 / 219.0;
      break;
    case LevelsChange::PCToTV:
      v = chroma ? (v - 128.0) * 224.0 / 255.0 + 128.0 : v * 219.0 / 255.0 + 16.0;
      break;
    case LevelsChange::PCToTVLuma:
      if (!chroma) v = v * 219.0 / 255.0 + 16.0;
      break;
    case LevelsChange::None:
      break;
  }
  // A level past the 32-bit range (a steep negative gamma near black) or
  // not a number comes out black, as AviSynth's integer conversion gives.
  const double rounded = std::floor(v + 0.5);
  const bool fits = rounded >= -2147483648.0 && rounded < 2147483648.0;
  int out = fits ? static_cast<int>(std::clamp(rounded, 0.0, 255.0)) : 0;
  if (s.coring) out = std::clamp(out, 16, chroma ? 240 : 235);
  return out;
}

ChannelTables MakeTables(const ColorYUVSettings& s) {
  ChannelTables tables;
  for (int c = 0; c < 3; ++c)
    for (int i = 0; i < 256; ++i)
      tables.t[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] =
          static_cast<std::uint8_t>(AdjustLevel(i, s.planes[static_cast<std::size_t>(c)], c > 0, s));
  return tables;
}

// A histogram of one plane's levels and what is read from it.
struct Histogram {
  std::array<long long, 256> count{};
  long long total = 0;
  double sum = 0;

  double Mean() const { return total ? sum / static_cast<double>(total) : 128.0; }
  int Min() const { return Loose(0, 1); }
  int Max() const { return Loose(255, -1); }
  // The extreme once a 256th of the pixels is ignored at that end.
  int LooseMin() const { return Loose(0, 1, total / 256); }
  int LooseMax() const { return Loose(255, -1, total / 256); }

 private:
  int Loose(int from, int step, long long ignore = 0) const {
    int level = from;
    for (long long seen = 0;
         level + step >= 0 && level + step <= 255 && (seen += count[static_cast<std::size_t>(level)]) <= ignore;)
      level += step;
    return level;
  }
};

// The frame's Y, U and V histograms (U and V empty for Y8).
std::array<Histogram, 3> Measure(const FrameBGR& f) {
  std::array<Histogram, 3> h;
  const auto add = [&h](int plane, std::uint8_t level) { ++h[static_cast<std::size_t>(plane)].count[level]; };
  if (f.type == PixelType::YUY2) {
    for (int y = 0; y < f.height; ++y) {
      const std::uint8_t* row = f.Row(0, y);
      for (int x = 0; x + 3 < f.PlaneWidth(0); x += 4) {
        add(0, row[x]);
        add(1, row[x + 1]);
        add(0, row[x + 2]);
        add(2, row[x + 3]);
      }
    }
  } else {
    for (int p = 0; p < f.Planes() && p < 3; ++p)
      for (int y = 0; y < f.PlaneHeight(p); ++y) {
        const std::uint8_t* row = f.Row(p, y);
        for (int x = 0; x < f.PlaneWidth(p); ++x) add(p, row[x]);
      }
  }
  for (Histogram& one : h)
    for (int level = 0; level < 256; ++level) {
      one.total += one.count[static_cast<std::size_t>(level)];
      one.sum += static_cast<double>(level) * static_cast<double>(one.count[static_cast<std::size_t>(level)]);
    }
  return h;
}

// The statistics as analyze writes them.
std::string AnalyzeText(int frame, const std::array<Histogram, 3>& h) {
  char text[1024];
  std::snprintf(text, sizeof text,
                "        Frame: %-8d ( Luma Y / ChromaU / ChromaV )\n"
                "      Average:      ( %7.2f / %7.2f / %7.2f )\n"
                "      Minimum:      (   %3d   /   %3d   /   %3d    )\n"
                "      Maximum:      (   %3d   /   %3d   /   %3d    )\n"
                "Loose Minimum:      (   %3d   /   %3d   /   %3d    )\n"
                "Loose Maximum:      (   %3d   /   %3d   /   %3d    )",
                frame, h[0].Mean(), h[1].Mean(), h[2].Mean(), h[0].Min(), h[1].Min(), h[2].Min(), h[0].Max(),
                h[1].Max(), h[2].Max(), h[0].LooseMin(), h[1].LooseMin(), h[2].LooseMin(), h[0].LooseMax(),
                h[1].LooseMax(), h[2].LooseMax());
  return text;
}

// autowhite centres the chroma means on 127; autogain stretches the luma
// between its loose extremes (a 256th of the pixels ignored at each end,
// held within 16 and 236) to 16 .. 236.
void ApplyAuto(const std::array<Histogram, 3>& h, bool white, bool gain, ColorYUVSettings& s) {
  if (white) {
    s.planes[1].off = 127.0 - h[1].Mean();
    s.planes[2].off = 127.0 - h[2].Mean();
  }
  if (gain && h[0].total > 0) {
    const int low = std::max(h[0].LooseMin(), 16);
    const int high = std::min(h[0].LooseMax(), 236);
    if (high > low) {
      const double scale = 220.0 / (high - low);
      s.planes[0].gain = 256.0 * scale - 256.0;
      s.planes[0].off = 16.0 - low * scale;
      s.planes[0].cont = 0.0;
    }
  }
}

const char* const kConditionalNames[3][4] = {
    {"coloryuv_gain_y", "coloryuv_off_y", "coloryuv_gamma_y", "coloryuv_cont_y"},
    {"coloryuv_gain_u", "coloryuv_off_u", "coloryuv_gamma_u", "coloryuv_cont_u"},
    {"coloryuv_gain_v", "coloryuv_off_v", "coloryuv_gamma_v", "coloryuv_cont_v"},
};

// Values the runtime filters set for this frame replace the arguments.
void ApplyConditional(ColorYUVSettings& s) {
  for (int c = 0; c < 3; ++c) {
    PlaneAdjust& p = s.planes[static_cast<std::size_t>(c)];
    double* fields[4] = {&p.gain, &p.off, &p.gamma, &p.cont};
    for (int k = 0; k < 4; ++k)
      if (const Value* v = FrameVariables::Find(kConditionalNames[c][k]); v && (v->IsFloat() || v->IsInt()))
        *fields[k] = v->AsFloat();
  }
}

// Every U (across) and V (down) pair at a luma that rises and falls a
// level per frame, in TV range (225 values) or full range (255 values,
// from 1), two pixels each.
class ShowYUVClip : public Clip {
 public:
  ShowYUVClip(const ClipInfo& source, bool fullRange)
      : Clip(ChartInfo(source, fullRange)), fullRange_(fullRange), pool_("ColorYUV") {}
  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    auto f = pool_.Take(info_, FramePool::Fill::Overwritten);
    const int low = fullRange_ ? 0 : 16, high = fullRange_ ? 255 : 235;
    const int period = 2 * (high - low);
    const int t = n % period;
    const int luma = low + (t > high - low ? period - t : t);
    for (int y = 0; y < f->PlaneHeight(0); ++y) std::fill_n(f->Row(0, y), f->PlaneWidth(0), std::uint8_t(luma));
    const int first = fullRange_ ? 1 : 16;
    for (int y = 0; y < f->PlaneHeight(1); ++y) {
      std::uint8_t* u = f->Row(1, y);
      std::uint8_t* v = f->Row(2, y);
      for (int x = 0; x < f->PlaneWidth(1); ++x) u[x] = static_cast<std::uint8_t>(first + x);
      std::fill_n(v, f->PlaneWidth(2), static_cast<std::uint8_t>(first + y));
    }
    return f;
  }

 private:
  static ClipInfo ChartInfo(ClipInfo info, bool fullRange) {
    info.pixelType = PixelType::YV12;
    info.width = info.height = fullRange ? 510 : 450;
    info.hasVideo = true;
    return info;
  }
  bool fullRange_;
  FramePool pool_;
};

// Frames measured (autowhite, autogain) or read (conditional) one by one.
class AdaptiveColorYUV : public Clip {
 public:
  AdaptiveColorYUV(ClipPtr child, ColorYUVSettings settings, bool white, bool gain, bool conditional, bool analyze)
      : Clip(child->Info()),
        child_(std::move(child)),
        settings_(settings),
        white_(white),
        gain_(gain),
        conditional_(conditional),
        analyze_(analyze),
        pool_("ColorYUV") {
    PassAudioFrom(child_);
  }
  FramePtr GetFrame(int n) override {
    FramePtr src = Owned(child_->GetFrame(n));
    ColorYUVSettings s = settings_;
    if (conditional_) ApplyConditional(s);
    std::array<Histogram, 3> stats;
    if (white_ || gain_ || analyze_) stats = Measure(*src);
    if (white_ || gain_) ApplyAuto(stats, white_, gain_, s);
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    ApplyTables(*src, *out, MakeTables(s));
    if (analyze_) return WithMessageAtSize(out, AnalyzeText(n, stats), 20);
    return out;
  }

 private:
  ClipPtr child_;
  ColorYUVSettings settings_;
  bool white_, gain_, conditional_, analyze_;
  FramePool pool_;
};

LevelsChange LevelsArg(const std::string& text) {
  std::string lower = text;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  if (lower.empty()) return LevelsChange::None;
  if (lower == "tv->pc") return LevelsChange::TVToPC;
  if (lower == "pc->tv") return LevelsChange::PCToTV;
  if (lower == "pc->tv.y") return LevelsChange::PCToTVLuma;
  throw FilterError("ColorYUV: invalid parameter : levels");
}

Value ColorYUV(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  const ClipInfo& info = clip->Info();
  if (!IsYUVType(info.pixelType)) throw FilterError("ColorYUV: Only work with YUV colorspace.");
  ColorYUVSettings s;
  s.levels = LevelsArg(a.String("levels"));
  std::string opt = a.String("opt");
  std::transform(opt.begin(), opt.end(), opt.begin(), [](unsigned char c) { return std::tolower(c); });
  if (!opt.empty() && opt != "coring") throw FilterError("ColorYUV: invalid parameter : opt");
  s.coring = opt == "coring";
  // With f2c the gain, contrast and gamma are factors (1 = no change).
  const bool factors = a.Bool("f2c", false);
  const char* const suffix[3] = {"_y", "_u", "_v"};
  for (int c = 0; c < 3; ++c) {
    PlaneAdjust& p = s.planes[static_cast<std::size_t>(c)];
    const std::string end = suffix[c];
    const auto scaled = [&](const std::string& name) {
      return factors && a.Has(name) ? (a.Float(name) - 1.0) * 256.0 : a.Float(name, 0.0);
    };
    p.gain = scaled("gain" + end);
    p.cont = scaled("cont" + end);
    p.gamma = scaled("gamma" + end);
    p.off = a.Float("off" + end, 0.0);
  }
  if (a.Bool("showyuv", false)) {
    if (a.Has("bits") && a.Int("bits") != 8)
      throw FilterError("ColorYUV: showyuv makes 8-bit pictures only (bits=" + std::to_string(a.Int("bits")) + ")");
    return Value::Clip(std::make_shared<ShowYUVClip>(info, a.Bool("showyuv_fullrange", false)));
  }
  const bool white = a.Bool("autowhite", false), gain = a.Bool("autogain", false);
  const bool conditional = a.Bool("conditional", false), analyze = a.Bool("analyze", false);
  if (white || gain || conditional || analyze)
    return Value::Clip(std::make_shared<AdaptiveColorYUV>(std::move(clip), s, white, gain, conditional, analyze));
  const ChannelTables tables = MakeTables(s);
  return Value::Clip(MakeFrameOp(std::move(clip), info, "ColorYUV",
                                 [tables](const FrameBGR& src, FrameBGR& out) { ApplyTables(src, out, tables); }));
}

}  // namespace

void RegisterColorYUVFunctions(FunctionTable& t) {
  std::vector<Param> params = {Req("clip", ParamType::Clip)};
  for (const char* plane : {"_y", "_u", "_v"})
    for (const char* what : {"gain", "off", "gamma", "cont"})
      params.push_back(Opt(std::string(what) + plane, ParamType::Float));
  for (const char* name : {"levels", "opt", "matrix"}) params.push_back(Opt(name, ParamType::String));
  for (const char* name : {"showyuv", "analyze", "autowhite", "autogain", "conditional"})
    params.push_back(Opt(name, ParamType::Bool));
  params.push_back(Opt("bits", ParamType::Int));
  params.push_back(Opt("showyuv_fullrange", ParamType::Bool));
  params.push_back(Opt("f2c", ParamType::Bool));
  t.Add("ColorYUV", params, ColorYUV);
}

}  // namespace tandemix::engine
