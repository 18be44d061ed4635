// Text in the picture: Subtitle, Text, ShowFrameNumber, ShowSMPTE,
// ShowTime, Info, MessageClip and Version. Glyphs come from the text
// rasteriser (engine/kernels/TextRaster.h) on its character grid; lines
// are placed by the alignment's rules (numeric-pad positions 1 to 9
// around x, y), drawn over a one-pixel halo, with the colours' alpha
// bytes (0 opaque, 255 invisible). YUV frames take the colours through the
// Rec601 matrix, chroma the coverage averaged over its subsampled block.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "base/ParallelFor.h"
#include "engine/filters/Colors.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/filters/FrameMessage.h"
#include "engine/frames/FrameBudget.h"
#include "engine/frames/FrameCopy.h"
#include "engine/frames/FrameLimits.h"
#include "engine/frames/ScriptError.h"
#include "engine/kernels/TextRaster.h"

namespace tandemix::engine {
namespace {

constexpr long long kYellow = 0xFFFF00;

// Laid-out text: its coverage and its halo's, with the masks' top-left
// corner in the frame.
struct TextInk {
  CoverageMask text, halo;
  int x = 0, y = 0;
  long long textColor = kYellow, haloColor = 0;
};
using InkPtr = std::shared_ptr<const TextInk>;

struct TextStyle {
  std::shared_ptr<TextRasterizer> font;
  long long textColor = kYellow, haloColor = 0;
  int lineGap = 0;  // pixels added between lines
  int lsp = 0;      // the same in eighths of a pixel, as given
};

// Lines around the anchor (x, y) by the numeric-pad alignment: 7 8 9 top,
// 4 5 6 middle, 1 2 3 bottom; left, centre, right for each line alone. Only
// the part inside a frame of frameWidth x frameHeight (and the pixel round
// it, for the halo) is drawn.
InkPtr LayOut(const TextStyle& style, const std::vector<std::u32string>& lines, int x, int y, int align, int frameWidth,
              int frameHeight) {
  const TextGrid& g = style.font->Grid();
  const long long count = static_cast<long long>(lines.size());
  const long long lineStep = g.cellHeight + style.lineGap;
  const long long blockHeight = count * g.cellHeight + (count - 1) * style.lineGap;
  const int column = (align - 1) % 3;  // 0 left, 1 centre, 2 right
  const int row = (align - 1) / 3;     // 0 bottom, 1 middle, 2 top
  // The middle of the block as the line spacing in eighths puts it.
  const double half = (count * g.cellHeight * 8.0 + (count - 1) * static_cast<double>(style.lsp)) / 16.0;
  const long long top = row == 2   ? y
                        : row == 1 ? y - static_cast<long long>(std::floor(half + 0.5))
                                   : y - blockHeight + 1;
  auto ink = std::make_shared<TextInk>();
  ink->textColor = style.textColor;
  ink->haloColor = style.haloColor;
  long long left = 0, right = 0;
  std::vector<long long> lefts;
  for (long long i = 0; i < count; ++i) {
    const long long w = static_cast<long long>(lines[static_cast<std::size_t>(i)].size()) * g.cellWidth;
    const long long l = column == 0 ? x : column == 1 ? x - w / 2 : x - w + 1;
    lefts.push_back(l);
    left = i ? std::min(left, l) : l;
    right = i ? std::max(right, l + w) : l + w;
  }
  const long long x0 = std::max(left - 1, -1LL), x1 = std::min(right + 1, frameWidth + 1LL);
  const long long lastTop = top + (count - 1) * lineStep;
  const long long y0 = std::max(std::min(top, lastTop) - 1, -1LL);
  const long long y1 = std::min(std::max(top, lastTop) + g.cellHeight + 1, frameHeight + 1LL);
  if (x0 >= x1 || y0 >= y1) return ink;
  ink->x = static_cast<int>(x0);
  ink->y = static_cast<int>(y0);
  ink->text = CoverageMask(static_cast<int>(x1 - x0), static_cast<int>(y1 - y0));
  for (long long i = 0; i < count; ++i) {
    const long long lineTop = top + i * lineStep;
    if (lineTop + g.cellHeight + 1 < y0 || lineTop - 1 > y1) continue;
    const long long lineLeft = lefts[static_cast<std::size_t>(i)];
    // Characters wholly left of the mask are left out.
    const long long skip = lineLeft < x0 ? std::max(0LL, (x0 - lineLeft) / g.cellWidth - 1) : 0;
    const auto& text = lines[static_cast<std::size_t>(i)];
    if (skip >= static_cast<long long>(text.size())) continue;
    style.font->DrawLine(text.substr(static_cast<std::size_t>(skip)), 0, ink->text,
                         static_cast<int>(lineLeft + skip * g.cellWidth - x0), static_cast<int>(lineTop - y0));
  }
  ink->halo = Dilate(ink->text);
  return ink;
}

inline void Blend(std::uint8_t& d, int c, int w) { d = static_cast<std::uint8_t>((d * (255 - w) + c * w + 127) / 255); }

// Draws the ink into a frame of any type; what lies outside is cut off.
void Draw(FrameBGR& f, const TextInk& ink) {
  const int x0 = std::max(0, ink.x), y0 = std::max(0, ink.y);
  const int x1 = std::min(f.width, ink.x + ink.text.width), y1 = std::min(f.height, ink.y + ink.text.height);
  if (x0 >= x1 || y0 >= y1) return;
  const int textOpacity = 255 - static_cast<int>((ink.textColor >> 24) & 0xff);
  const int haloOpacity = 255 - static_cast<int>((ink.haloColor >> 24) & 0xff);
  // The weights (0..255) of halo and text at a frame pixel; the halo only
  // where the text does not cover.
  auto weights = [&](int x, int y, int& halo, int& text) {
    halo = text = 0;
    const int mx = x - ink.x, my = y - ink.y;
    if (mx < 0 || my < 0 || mx >= ink.text.width || my >= ink.text.height) return;
    const int t = ink.text.At(mx, my);
    const int h = std::max(0, ink.halo.At(mx, my) - t);
    halo = (h * haloOpacity + 127) / 255;
    text = (t * textOpacity + 127) / 255;
  };
  const PlaneColor tc = ColorInType(f.type, ink.textColor & 0xffffff);
  const PlaneColor hc = ColorInType(f.type, ink.haloColor & 0xffffff);
  // Rows are drawn apart on the pool (each writes only its own bytes); a
  // pixel's weights and blends cost as much as copying a few dozen bytes.
  const long long cost = 48LL * (x1 - x0);
  if (IsRGBType(f.type)) {
    const int bpp = BytesPerPixel(f.type);
    ParallelFor(y1 - y0, cost, [&](int begin, int end) {
      for (int y = y0 + begin; y < y0 + end; ++y) {
        std::uint8_t* row = f.Row(y);
        for (int x = x0; x < x1; ++x) {
          int h = 0, t = 0;
          weights(x, y, h, t);
          if (!h && !t) continue;
          for (int k = 0; k < 3; ++k) {
            Blend(row[bpp * x + k], hc.v[k], h);
            Blend(row[bpp * x + k], tc.v[k], t);
          }
        }
      }
    });
    return;
  }
  if (f.type == PixelType::YUY2) {
    ParallelFor(y1 - y0, cost, [&](int begin, int end) {
      for (int y = y0 + begin; y < y0 + end; ++y) {
        std::uint8_t* row = f.Row(y);
        for (int x = x0 & ~1; x < x1; x += 2) {
          int h0 = 0, t0 = 0, h1 = 0, t1 = 0;
          weights(x, y, h0, t0);
          if (x + 1 < f.width) weights(x + 1, y, h1, t1);
          if (!h0 && !t0 && !h1 && !t1) continue;
          Blend(row[2 * x], hc.v[0], h0);
          Blend(row[2 * x], tc.v[0], t0);
          if (x + 1 < f.width) {
            Blend(row[2 * x + 2], hc.v[0], h1);
            Blend(row[2 * x + 2], tc.v[0], t1);
          }
          const int h = (h0 + h1 + 1) / 2, t = (t0 + t1 + 1) / 2;
          Blend(row[2 * x + 1], hc.v[1], h);
          Blend(row[2 * x + 1], tc.v[1], t);
          Blend(row[2 * x + 3], hc.v[2], h);
          Blend(row[2 * x + 3], tc.v[2], t);
        }
      }
    });
    return;
  }
  for (int p = 0; p < f.Planes(); ++p) {
    const int sx = p ? ChromaShiftX(f.type) : 0, sy = p ? ChromaShiftY(f.type) : 0;
    const int bw = 1 << sx, bh = 1 << sy;
    const int firstRow = y0 >> sy;
    ParallelFor(((y1 - 1) >> sy) - firstRow + 1, cost << (sy + sx), [&](int begin, int end) {
      for (int cy = firstRow + begin; cy < firstRow + end; ++cy) {
        std::uint8_t* row = f.Row(p, cy);
        for (int cx = x0 >> sx; cx <= (x1 - 1) >> sx; ++cx) {
          int hs = 0, ts = 0;
          for (int dy = 0; dy < bh; ++dy)
            for (int dx = 0; dx < bw; ++dx) {
              int h = 0, t = 0;
              weights((cx << sx) + dx, (cy << sy) + dy, h, t);
              hs += h;
              ts += t;
            }
          if (!hs && !ts) continue;
          const int n = bw * bh;
          Blend(row[cx], hc.v[p], (hs + n / 2) / n);
          Blend(row[cx], tc.v[p], (ts + n / 2) / n);
        }
      }
    });
  }
}

// A clip with text drawn over its frames; `inkOf(n)` gives frame n's text
// (nullptr: the frame passes unchanged).
class TextClip : public Clip {
 public:
  TextClip(ClipPtr child, const ClipInfo& info, std::function<std::vector<InkPtr>(int)> inkOf, std::string name)
      : Clip(info), child_(std::move(child)), inkOf_(std::move(inkOf)), pool_(std::move(name)) {
    if (child_) PassAudioFrom(child_);
  }
  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    const std::vector<InkPtr> inks = inkOf_(n);
    FramePtr src = child_ ? child_->GetFrame(n) : nullptr;
    if (inks.empty() && src) return src;
    auto out = pool_.Take(info_, src ? FramePool::Fill::Overwritten : FramePool::Fill::Black);
    if (src) Blit(*src, *out, 0, 0);
    for (const InkPtr& ink : inks)
      if (ink) Draw(*out, *ink);
    return out;
  }

 private:
  ClipPtr child_;
  std::function<std::vector<InkPtr>(int)> inkOf_;
  FramePool pool_;
};

long long ColorArg(const CallArgs& a, std::string_view name, long long fallback) {
  return a.Has(name) ? (a.At(name).AsInt() & 0xffffffffLL) : fallback;
}

int RoundedArg(const CallArgs& a, std::string_view name, int fallback) {
  if (!a.Has(name)) return fallback;
  const double v = a.Float(name);
  if (!std::isfinite(v) || std::fabs(v) > 1e7)
    throw FilterError(a.Function() + ": " + std::string(name) + " is out of range");
  return static_cast<int>(std::floor(v + 0.5));
}

// The font arguments shared by the text filters: font, size, colours,
// bold, font_filename (relative to the script's folder).
TextStyle StyleOf(const CallArgs& a, const std::string& filter, int defaultSize, long long textColor,
                  long long haloColor, bool fontFile = false) {
  const double exact = a.Has("size") ? a.Float("size") : defaultSize;
  const int gridSize = std::isfinite(exact) ? static_cast<int>(std::floor(std::clamp(exact, 0.0, 1000.0))) : 0;
  const std::string file =
      fontFile && a.Has("font_filename") ? a.ResolvePath(a.String("font_filename")) : std::string();
  TextStyle style;
  style.font = std::make_shared<TextRasterizer>(filter, a.String("font", "Arial"), file, gridSize,
                                                fontFile && a.Has("bold") && a.Bool("bold"));
  style.textColor = ColorArg(a, "text_color", textColor);
  style.haloColor = ColorArg(a, "halo_color", haloColor);
  return style;
}

void NeedVideo(const ClipPtr& clip, const std::string& filter) {
  if (!clip->Info().hasVideo) throw FilterError(filter + ": clip has no video");
}

// Subtitle and Text: lines split at "\n" when lsp is given.
Value Subtitle(const CallArgs& a) {
  const std::string& filter = a.Function();
  ClipPtr clip = a.Clip("clip");
  NeedVideo(clip, filter);
  const ClipInfo& in = clip->Info();
  const int align = a.Int("align", 7);
  if (align < 1 || align > 9) throw FilterError("SimpleText: Align values are 1 - 9 mapped to your numeric pad");
  TextStyle style = StyleOf(a, "SimpleText", 18, kYellow, 0, true);
  const bool lines = a.Has("lsp");
  if (lines) {
    const long long lsp = std::clamp<long long>(a.Int("lsp"), -8000000, 8000000);
    style.lineGap = static_cast<int>((lsp + 4) / 8);
    style.lsp = static_cast<int>(lsp);
  }
  const int column = (align - 1) % 3, row = (align - 1) / 3;
  const int x = RoundedArg(a, "x", column == 0 ? 8 : column == 1 ? in.width / 2 : in.width - 8);
  const int y = RoundedArg(a, "y", row == 2 ? 0 : row == 1 ? in.height / 2 : in.height - 2);
  const std::string raw = a.String("text");
  std::vector<std::u32string> split;
  std::string line;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    const bool escaped = raw[i] == '\\' && i + 1 < raw.size() && raw[i + 1] == 'n';
    if (lines && (escaped || raw[i] == '\n')) {
      split.push_back(a.Bool("utf8", false) ? DecodeUtf8(line) : DecodeLatin1(line));
      line.clear();
      if (escaped) ++i;
      continue;
    }
    line += raw[i];
  }
  split.push_back(a.Bool("utf8", false) ? DecodeUtf8(line) : DecodeLatin1(line));
  const int first = a.Int("first_frame", 0);
  const int last = a.Int("last_frame", in.frameCount - 1);
  InkPtr ink = LayOut(style, split, x, y, align, in.width, in.height);
  return Value::Clip(std::make_shared<TextClip>(
      clip, in,
      [ink, first, last](int n) { return n >= first && n <= last ? std::vector<InkPtr>{ink} : std::vector<InkPtr>{}; },
      filter));
}

std::vector<Param> TextParams() {
  return {Req("clip", ParamType::Clip),
          Req("text", ParamType::String),
          Opt("x", ParamType::Float),
          Opt("y", ParamType::Float),
          Opt("first_frame", ParamType::Int),
          Opt("last_frame", ParamType::Int),
          Opt("font", ParamType::String),
          Opt("size", ParamType::Float),
          Opt("text_color", ParamType::Int),
          Opt("halo_color", ParamType::Int),
          Opt("align", ParamType::Int),
          Opt("spc", ParamType::Int),
          Opt("lsp", ParamType::Int),
          Opt("font_width", ParamType::Float),
          Opt("font_angle", ParamType::Float),
          Opt("interlaced", ParamType::Bool),
          Opt("font_filename", ParamType::String),
          Opt("utf8", ParamType::Bool),
          Opt("bold", ParamType::Bool)};
}

std::vector<std::u32string> OneLine(const std::string& text) { return {DecodeLatin1(text)}; }

// ShowFrameNumber: the number (five digits at least) down the right-hand
// side, one line per cell height; at one line that steps down with the
// frames when scroll is on; once, bottom-left at (x, y), when they are given.
Value ShowFrameNumber(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  NeedVideo(clip, "ShowFrameNumber");
  const ClipInfo in = clip->Info();
  TextStyle style = StyleOf(a, "ShowFrameNumber", 24, kYellow, 0);
  const bool scroll = a.Bool("scroll", false);
  const int offset = a.Int("offset", 0);
  const bool placed = a.Has("x") && a.Has("y");
  const int x = RoundedArg(a, "x", 0), y = RoundedArg(a, "y", 0);
  const int step = std::max(1, style.font->Grid().cellHeight);
  return Value::Clip(std::make_shared<TextClip>(
      clip, in,
      [=](int n) {
        char digits[32];
        std::snprintf(digits, sizeof digits, "%05d", n + offset);
        const auto text = OneLine(digits);
        std::vector<InkPtr> inks;
        if (placed) {
          inks.push_back(LayOut(style, text, x, y, 1, in.width, in.height));
        } else if (scroll) {
          const int rows = std::max(1, in.height / step);
          inks.push_back(LayOut(style, text, in.width - 1, 1 + step * (n % rows), 9, in.width, in.height));
        } else {
          for (int top = 0; top + step <= in.height; top += step)
            inks.push_back(LayOut(style, text, in.width - 1, top, 9, in.width, in.height));
        }
        return inks;
      },
      "ShowFrameNumber"));
}

// Frames per second for a timecode: an integer, or 23.976 (counted at 24)
// or 29.97 (at 30, drop-frame).
struct TimecodeRate {
  int base = 24;
  bool drop = false;
};
TimecodeRate RateOf(double fps) {
  TimecodeRate r;
  const int whole = static_cast<int>(std::lround(fps));
  if (std::fabs(fps - whole) < 1e-4 && whole > 0) {
    r.base = whole;
  } else if (std::fabs(fps - 23.976) < 0.01) {
    r.base = 24;
  } else if (std::fabs(fps - 29.97) < 0.01) {
    r.base = 30;
    r.drop = true;
  } else {
    throw FilterError("ShowSMPTE: rate argument must be 23.976, 29.97 or an integer");
  }
  return r;
}

std::string Timecode(long long frame, const TimecodeRate& r) {
  const bool negative = frame < 0;
  if (negative) frame = -frame;
  if (r.drop) {  // two frame numbers skipped each minute but every tenth
    const long long perTen = 17982, perMinute = 1798;
    const long long tens = frame / perTen, rest = frame % perTen;
    frame += 18 * tens + (rest > 2 ? 2 * ((rest - 2) / perMinute) : 0);
  }
  const long long ff = frame % r.base, seconds = frame / r.base;
  char text[64];
  std::snprintf(text, sizeof text, "%s%02lld:%02lld:%02lld:%02lld", negative ? "-" : "", seconds / 3600,
                seconds / 60 % 60, seconds % 60, ff);
  return text;
}

// "hh:mm:ss:ff" as a frame count at the rate.
long long ParseTimecode(const std::string& text, const TimecodeRate& r) {
  int h = 0, m = 0, s = 0, f = 0;
  char c1 = 0, c2 = 0, c3 = 0;
  if (std::sscanf(text.c_str(), "%d%c%d%c%d%c%d", &h, &c1, &m, &c2, &s, &c3, &f) != 7 || h < 0 || m < 0 || s < 0 ||
      f < 0 || h > 99 || m > 59 || s > 59 || f >= r.base)
    throw FilterError("ShowSMPTE: offset should be of the form \"00:00:00:00\" ");
  return (static_cast<long long>(h) * 3600 + m * 60 + s) * r.base + f;
}

// ShowSMPTE and ShowTime: one line centred above y (two pixels right and
// down of the anchor), at the bottom of the frame unless told.
Value ShowClock(const CallArgs& a, bool smpte) {
  const std::string filter = smpte ? "ShowSMPTE" : "ShowTime";
  ClipPtr clip = a.Clip("clip");
  NeedVideo(clip, filter);
  const ClipInfo in = clip->Info();
  TextStyle style = StyleOf(a, filter, 24, kYellow, 0);
  const int x = RoundedArg(a, "x", in.width / 2) + 2;
  const int y = RoundedArg(a, "y", in.height - 8) + 2;
  long long offset = a.Int("offset_f", 0);
  TimecodeRate rate;
  if (smpte) {
    rate = RateOf(a.Has("fps") ? a.Float("fps") : in.Rate());
    if (a.Has("offset") && !a.Has("offset_f")) offset = ParseTimecode(a.String("offset"), rate);
  }
  return Value::Clip(std::make_shared<TextClip>(
      clip, in,
      [=](int n) {
        std::string text;
        if (smpte) {
          text = Timecode(n + offset, rate);
        } else {
          const long long ms = (n + offset) * 1000LL * in.rateDenominator / in.rateNumerator;
          const long long whole = std::llabs(ms);
          char buffer[64];
          std::snprintf(buffer, sizeof buffer, "%s%02lld:%02lld:%02lld.%03lld", ms < 0 ? "-" : "", whole / 3600000,
                        whole / 60000 % 60, whole / 1000 % 60, whole % 1000);
          text = buffer;
        }
        return std::vector<InkPtr>{LayOut(style, OneLine(text), x, y, 2, in.width, in.height)};
      },
      filter));
}

std::string Clock(long long ms) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%02lld:%02lld:%02lld.%03lld", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                ms % 1000);
  return buffer;
}

const char* SampleTypeText(SampleType t) {
  switch (t) {
    case SampleType::Int8:
      return "Integer 8 bit";
    case SampleType::Int16:
      return "Integer 16 bit";
    case SampleType::Int24:
      return "Integer 24 bit";
    case SampleType::Int32:
      return "Integer 32 bit";
    case SampleType::Float:
      return "Float 32 bit";
  }
  return "";
}

// The vector instruction sets of the processor, as Info lists them.
std::string CpuFeatures() {
  std::string out;
  auto add = [&out](bool has, const char* name) {
    if (!has) return;
    if (!out.empty()) out += ' ';
    out += name;
  };
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  add(__builtin_cpu_supports("sse"), "SSE");
  add(__builtin_cpu_supports("sse2"), "SSE2");
  add(__builtin_cpu_supports("sse3"), "SSE3");
  add(__builtin_cpu_supports("ssse3"), "SSSE3");
  add(__builtin_cpu_supports("sse4.1"), "SSE4.1");
  add(__builtin_cpu_supports("sse4.2"), "SSE4.2");
  add(__builtin_cpu_supports("avx"), "AVX");
  add(__builtin_cpu_supports("avx2"), "AVX2");
  add(__builtin_cpu_supports("fma"), "FMA3");
#endif
  return out;
}

// Info: the clip's description, frame by frame, top-left.
Value InfoFilter(const CallArgs& a) {
  ClipPtr clip = a.Clip("clip");
  NeedVideo(clip, "Info");
  const ClipInfo in = clip->Info();
  TextStyle style = StyleOf(a, "Info", 18, kYellow, 0);
  return Value::Clip(std::make_shared<TextClip>(
      clip, in,
      [=](int n) {
        std::vector<std::string> text;
        char b[256];
        const long long msNow = n * 1000LL * in.rateDenominator / in.rateNumerator;
        const long long msAll = in.frameCount * 1000LL * in.rateDenominator / in.rateNumerator;
        std::snprintf(b, sizeof b, "Frame: %8d of %-8d", n, in.frameCount);
        text.push_back(b);
        text.push_back("Time: " + Clock(msNow) + " of " + Clock(msAll));
        text.push_back(std::string("ColorSpace: ") + PixelTypeName(in.pixelType) + ", BitsPerComponent: 8");
        std::snprintf(b, sizeof b, "Width: %d pixels, Height: %d pixels", in.width, in.height);
        text.push_back(b);
        std::snprintf(b, sizeof b, "Frames per second: %.4f (%d/%d)", in.Rate(), in.rateNumerator, in.rateDenominator);
        text.push_back(b);
        text.push_back(std::string("FieldBased (Separated) Video: ") + (in.fieldBased ? "YES" : "NO"));
        text.push_back(std::string("Parity: ") + (in.topFieldFirst ? "Top Field First" : "Bottom Field First"));
        std::snprintf(b, sizeof b, "Video Pitch:  %d bytes.", in.width * BytesPerPixel(in.pixelType));
        text.push_back(b);
        const AudioInfo& s = in.audio;
        text.push_back(std::string("Has Audio: ") + (s.Present() ? "YES" : "NO"));
        if (s.Present()) {
          text.push_back("Audio Channels: " + std::to_string(s.channels));
          text.push_back(std::string("Sample Type: ") + SampleTypeText(s.sampleType));
          text.push_back("Samples Per Second: " + std::to_string(s.sampleRate));
          std::snprintf(b, sizeof b, "Audio length: %lld samples. %s", static_cast<long long>(s.sampleCount),
                        Clock(s.sampleCount * 1000 / s.sampleRate).c_str());
          text.push_back(b);
        }
        text.push_back("CPU: " + CpuFeatures());
        std::vector<std::u32string> lines;
        for (const std::string& t : text) lines.push_back(DecodeLatin1(t));
        return std::vector<InkPtr>{LayOut(style, lines, 8, 0, 7, in.width, in.height)};
      },
      "Info"));
}

// A clip of text alone, as wide as the text unless told.
ClipPtr MessageClipOf(const std::string& filter, const std::vector<std::u32string>& lines, int width, int height,
                      bool shrink, TextStyle style, long long background, PixelType type) {
  const TextGrid& g = style.font->Grid();
  std::size_t longest = 0;
  for (const auto& l : lines) longest = std::max(longest, l.size());
  const long long textWidth = static_cast<long long>(longest) * g.cellWidth + 12;
  const long long textHeight = static_cast<long long>(lines.size()) * g.cellHeight + 10;
  long long w = width > 0 ? width : textWidth, h = height > 0 ? height : textHeight;
  if (shrink) {
    if (width > 0) w = std::min<long long>(w, textWidth);
    if (height > 0) h = std::min<long long>(h, textHeight);
  }
  w = std::min<long long>(w, 16384);
  h = std::min<long long>(h, 16384);
  if (ChromaShiftX(type)) w += w & 1;
  CheckFrameSize(filter, w, h);
  ClipInfo info;
  info.width = static_cast<int>(w);
  info.height = static_cast<int>(h);
  info.frameCount = 240;
  info.rateNumerator = 24;
  info.rateDenominator = 1;
  info.pixelType = type;
  InkPtr ink = LayOut(style, lines, 4, 4, 7, info.width, info.height);
  const PlaneColor bg = ColorInType(type, background & 0xffffff);
  struct Still : Clip {
    Still(const ClipInfo& i, InkPtr ink, PlaneColor bg)
        : Clip(i), ink_(std::move(ink)), bg_(bg), pool_("MessageClip") {}
    FramePtr GetFrame(int) override {
      std::call_once(once_, [this] {
        auto f = pool_.Fresh(info_.pixelType, info_.width, info_.height);
        FillRect(*f, 0, 0, f->width, f->height, bg_);
        Draw(*f, *ink_);
        frame_ = f;
      });
      return frame_;
    }
    InkPtr ink_;
    PlaneColor bg_;
    FramePool pool_;
    std::once_flag once_;
    FramePtr frame_;
  };
  return std::make_shared<Still>(info, ink, bg);
}

std::vector<std::u32string> MessageLines(const std::string& text) {
  std::vector<std::u32string> lines;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      lines.push_back(DecodeLatin1(line));
      line.clear();
      continue;
    }
    line += text[i];
  }
  lines.push_back(DecodeLatin1(line));
  return lines;
}

}  // namespace

int MessageTextSize(int width) { return std::clamp(width / 40, 12, 32); }

FramePtr WithMessage(const FramePtr& frame, const std::string& text) {
  return WithMessageAtSize(frame, text, MessageTextSize(frame->width));
}

FramePtr WithMessageAtSize(const FramePtr& frame, const std::string& text, int size) {
  // One face per size, made on first use and shared by every thread.
  static std::mutex mutex;
  static std::map<int, std::shared_ptr<TextRasterizer>> fonts;
  TextStyle style;
  {
    std::lock_guard<std::mutex> lock(mutex);
    auto& font = fonts[size];
    if (!font) font = std::make_shared<TextRasterizer>("Message", "Monospace", "", size, false);
    style.font = font;
  }
  style.textColor = 0xFFFFFF;
  style.haloColor = 0;
  const InkPtr ink = LayOut(style, MessageLines(text), 4, 0, 7, frame->width, frame->height);
  auto out = std::make_shared<FrameBGR>(*frame);
  Draw(*out, *ink);
  return out;
}

void RegisterTextFunctions(FunctionTable& t) {
  t.Add("Subtitle", TextParams(), Subtitle);
  t.Add("Text", TextParams(), Subtitle);
  const std::vector<Param> font = {Opt("font", ParamType::String),      Opt("size", ParamType::Float),
                                   Opt("text_color", ParamType::Int),   Opt("halo_color", ParamType::Int),
                                   Opt("font_width", ParamType::Float), Opt("font_angle", ParamType::Float)};
  auto with = [&font](std::vector<Param> p) {
    p.insert(p.end(), font.begin(), font.end());
    return p;
  };
  t.Add("ShowFrameNumber",
        with({Req("clip", ParamType::Clip), Opt("scroll", ParamType::Bool), Opt("offset", ParamType::Int),
              Opt("x", ParamType::Float), Opt("y", ParamType::Float)}),
        ShowFrameNumber);
  t.Add("ShowSMPTE",
        with({Req("clip", ParamType::Clip), Opt("fps", ParamType::Float), Opt("offset", ParamType::String),
              Opt("offset_f", ParamType::Int), Opt("x", ParamType::Float), Opt("y", ParamType::Float)}),
        [](const CallArgs& a) { return ShowClock(a, true); });
  t.Add("ShowTime",
        with({Req("clip", ParamType::Clip), Opt("offset_f", ParamType::Int), Opt("x", ParamType::Float),
              Opt("y", ParamType::Float)}),
        [](const CallArgs& a) { return ShowClock(a, false); });
  t.Add("Info",
        {Req("clip", ParamType::Clip), Opt("font", ParamType::String), Opt("size", ParamType::Float),
         Opt("text_color", ParamType::Int), Opt("halo_color", ParamType::Int)},
        InfoFilter);
  t.Add("MessageClip",
        {Req("message", ParamType::String), Opt("width", ParamType::Int), Opt("height", ParamType::Int),
         Opt("shrink", ParamType::Bool), Opt("text_color", ParamType::Int), Opt("halo_color", ParamType::Int),
         Opt("bg_color", ParamType::Int)},
        [](const CallArgs& a) {
          TextStyle style;
          style.font = std::make_shared<TextRasterizer>("MessageClip", "Arial", "", 24, false);
          style.textColor = ColorArg(a, "text_color", 0xFFFFFF);
          style.haloColor = ColorArg(a, "halo_color", 0);
          return Value::Clip(MessageClipOf("MessageClip", MessageLines(a.String("message")), a.Int("width", -1),
                                           a.Int("height", -1), a.Bool("shrink", false), style,
                                           ColorArg(a, "bg_color", 0), PixelType::RGB32));
        });
  t.Add("Version", {}, [](const CallArgs&) {
    TextStyle style;
    style.font = std::make_shared<TextRasterizer>("Version", "Arial", "", 24, false);
    style.textColor = 0xECF2BF;
    style.haloColor = 0;
    const std::vector<std::u32string> lines = {
        DecodeLatin1("Tandemix script engine"), DecodeLatin1("AviSynth scripts, 8-bit formats"),
        DecodeLatin1("frame server of Tandemix"), DecodeLatin1("GNU GPL v3 or later")};
    // As large as AviSynth's own version clip.
    ClipPtr clip = MessageClipOf("Version", lines, 456, 106, false, style, 0x404040, PixelType::RGB24);
    return Value::Clip(clip);
  });
}

}  // namespace tandemix::engine
