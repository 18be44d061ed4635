// Compare: how far one clip's frames lie from another's, per frame and over
// every frame compared so far. Deviations are the first clip's samples less
// the second's, over the channels chosen; the PSNR of a frame is
// 10 log10(255^2 n / SSD) (an SSD of 0 counts as 1), the overall PSNR that
// of the SSDs of every frame compared.
//
// With a log file the frames stay as they are and each comparison is a
// line of the log, the summary written when the clip is let go; without
// one the numbers are written over the first clip's frame (six lines on
// cells darkened to 7/8 above black, the last ending at row 56) and, with show_graph, each
// frame's PSNR is a dot in a column at the right edge, the newest rightmost.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/filters/Colors.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/filters/WritablePath.h"
#include "engine/frames/FrameBudget.h"
#include "engine/frames/FrameCopy.h"
#include "engine/frames/ScriptError.h"
#include "engine/kernels/TextRaster.h"

namespace tandemix::engine {
namespace {

// One frame's numbers.
struct Deviation {
  double meanAbs = 0, mean = 0, psnr = 0;
  int maxPos = 0, maxNeg = 0;
  double ssd = 0, samples = 0;
};

// Which bytes of a frame take part: per plane for planar types, per byte
// of a pixel for packed ones (B G R A, Y U Y V).
struct Channels {
  std::array<bool, 4> plane{};   // planar: Y U V
  std::array<bool, 4> packed{};  // packed: the byte's place in its group
  std::string name;              // as the log names them
};

Channels ChannelsOf(PixelType t, std::string given) {
  Channels c;
  const bool rgb = IsRGBType(t);
  if (given.empty()) given = rgb ? "RGB" : t == PixelType::Y8 ? "Y" : "YUV";
  for (char ch : given) {
    const char u = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    bool ok = false;
    if (rgb) {
      const int index = u == 'B' ? 0 : u == 'G' ? 1 : u == 'R' ? 2 : u == 'A' && t == PixelType::RGB32 ? 3 : -1;
      if (index >= 0) c.packed[static_cast<std::size_t>(index)] = ok = true;
    } else if (t == PixelType::YUY2) {
      if (u == 'Y') c.packed[0] = c.packed[2] = ok = true;
      if (u == 'U') c.packed[1] = ok = true;
      if (u == 'V') c.packed[3] = ok = true;
    } else {
      const int index = u == 'Y' ? 0 : u == 'U' ? 1 : u == 'V' ? 2 : -1;
      if (index >= 0 && index < PlaneCountOf(t)) c.plane[static_cast<std::size_t>(index)] = ok = true;
    }
    if (!ok) throw FilterError(std::string("Compare: invalid channel: ") + ch);
  }
  c.name = given;
  return c;
}

Deviation Measure(const FrameBGR& a, const FrameBGR& b, const Channels& c) {
  long long sumAbs = 0, sum = 0, ssd = 0, samples = 0;
  int maxPos = 0, maxNeg = 0;
  auto add = [&](int d) {
    sumAbs += d < 0 ? -d : d;
    sum += d;
    ssd += static_cast<long long>(d) * d;
    maxPos = std::max(maxPos, d);
    maxNeg = std::min(maxNeg, d);
    ++samples;
  };
  if (IsPlanarType(a.type)) {
    for (int p = 0; p < a.Planes(); ++p) {
      if (!c.plane[static_cast<std::size_t>(p)]) continue;
      for (int y = 0; y < a.PlaneHeight(p); ++y) {
        const std::uint8_t* ra = a.Row(p, y);
        const std::uint8_t* rb = b.Row(p, y);
        for (int x = 0; x < a.PlaneWidth(p); ++x) add(ra[x] - rb[x]);
      }
    }
  } else {
    const int group = a.type == PixelType::RGB24 ? 3 : 4;
    for (int y = 0; y < a.height; ++y) {
      const std::uint8_t* ra = a.Row(0, y);
      const std::uint8_t* rb = b.Row(0, y);
      for (int x = 0; x < a.PlaneWidth(0); ++x)
        if (c.packed[static_cast<std::size_t>(x % group)]) add(ra[x] - rb[x]);
    }
  }
  Deviation d;
  const double n = samples > 0 ? static_cast<double>(samples) : 1.0;
  d.meanAbs = static_cast<double>(sumAbs) / n;
  d.mean = static_cast<double>(sum) / n;
  d.maxPos = maxPos;
  d.maxNeg = maxNeg;
  d.ssd = static_cast<double>(ssd);
  d.samples = n;
  d.psnr = 10.0 * std::log10(255.0 * 255.0 * n / (ssd > 0 ? static_cast<double>(ssd) : 1.0));
  return d;
}

std::string Format(const char* format, auto... values) {
  char text[256];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

class CompareClip : public Clip {
 public:
  CompareClip(ClipPtr a, ClipPtr b, Channels channels, const std::string& logPath, bool showGraph)
      : Clip(a->Info()),
        a_(std::move(a)),
        b_(std::move(b)),
        channels_(std::move(channels)),
        graph_(showGraph),
        pool_("Compare") {
    PassAudioFrom(a_);
    if (!logPath.empty()) {
      log_ = std::fopen(logPath.c_str(), "wb");
      if (!log_) throw FilterError("Compare: unable to create file " + logPath);
      std::fprintf(log_,
                   "Comparing channel(s) %s\n\n"
                   "           Mean               Max    Max             \n"
                   "         Absolute     Mean    Pos.   Neg.            \n"
                   " Frame     Dev.       Dev.    Dev.   Dev.  PSNR (dB) \n"
                   "-----------------------------------------------------\n",
                   channels_.name.c_str());
    }
  }

  ~CompareClip() override {
    if (!log_) return;
    const double frames = std::max(1, frames_);
    std::fprintf(log_,
                 "\n\n\nTotal frames processed: %d\n\n"
                 "                           Minimum   Average   Maximum\n"
                 "Mean Absolute Deviation: %9.4f %9.4f %9.4f\n"
                 "         Mean Deviation: %+9.4f %+9.4f %+9.4f\n"
                 "                   PSNR: %9.4f %9.4f %9.4f\n"
                 "           Overall PSNR: %9.4f\n",
                 frames_, least_.meanAbs, total_.meanAbs / frames, most_.meanAbs, least_.mean, total_.mean / frames,
                 most_.mean, least_.psnr, total_.psnr / frames, most_.psnr, OverallPsnr());
    std::fclose(log_);
  }

  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    const FramePtr fa = a_->GetFrame(n);
    const FramePtr fb = b_->GetFrame(n);
    const Deviation d = Measure(*fa, *fb, channels_);
    std::map<int, double> history;
    double overall = 0;
    Deviation least, most, total;
    int frames = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (frames_ == 0) {
        least_ = most_ = d;
      } else {
        least_.meanAbs = std::min(least_.meanAbs, d.meanAbs), most_.meanAbs = std::max(most_.meanAbs, d.meanAbs);
        least_.mean = std::min(least_.mean, d.mean), most_.mean = std::max(most_.mean, d.mean);
        least_.psnr = std::min(least_.psnr, d.psnr), most_.psnr = std::max(most_.psnr, d.psnr);
      }
      total_.meanAbs += d.meanAbs;
      total_.mean += d.mean;
      total_.psnr += d.psnr;
      ssd_ += d.ssd;
      samples_ += d.samples;
      ++frames_;
      if (log_) {
        std::fprintf(log_, "%6d  %8.4f  %+9.4f  %3d    %3d  %10.4f\n", n, d.meanAbs, d.mean, d.maxPos, d.maxNeg,
                     d.psnr);
        return fa;
      }
      psnrOf_[n] = d.psnr;
      if (graph_) history = psnrOf_;
      overall = OverallPsnr();
      least = least_, most = most_, total = total_;
      frames = frames_;
    }
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    for (int p = 0; p < fa->Planes(); ++p)
      for (int y = 0; y < fa->PlaneHeight(p); ++y) std::copy_n(fa->Row(p, y), fa->PlaneWidth(p), out->Row(p, y));
    const std::vector<std::string> lines = {
        Format("Mean Abs Dev: %8.4f", d.meanAbs),
        Format("    Mean Dev: %+8.4f", d.mean),
        Format(" Max Pos Dev: %3d  ", d.maxPos),
        Format(" Max Neg Dev: %3d  ", d.maxNeg),
        Format("        PSNR: %5.2f dB ( %6.2f / %6.2f / %6.2f )", d.psnr, least.psnr, total.psnr / frames, most.psnr),
        Format("Overall PSNR: %5.2f dB", overall),
    };
    WriteLines(*out, lines);
    if (graph_) DrawGraph(*out, n, history);
    return out;
  }

 private:
  double OverallPsnr() const { return 10.0 * std::log10(255.0 * 255.0 * samples_ / (ssd_ > 0 ? ssd_ : 1.0)); }

  // Each line on cells of 8x16 pixels from x = 2, the last one's cells on
  // rows 41..56: the cells darkened to 7/8 above black (16 in YUV, each
  // plane alike), yellow text on them.
  void WriteLines(FrameBGR& f, const std::vector<std::string>& lines) {
    constexpr int kLeft = 2, kCellWidth = 8, kCellHeight = 16, kLastTop = 41;
    const PixelType t = f.type;
    const int count = static_cast<int>(lines.size());
    const int top = kLastTop - (count - 1) * kCellHeight;
    const int floor = IsRGBType(t) ? 0 : 16;
    auto darken = [floor](std::uint8_t& v) { v = static_cast<std::uint8_t>((((v - floor) * 7) >> 3) + floor); };
    for (int i = 0; i < count; ++i) {
      const int y0 = std::max(0, top + i * kCellHeight), y1 = std::min(f.height, top + (i + 1) * kCellHeight);
      const int x1 =
          std::min(f.width, kLeft + static_cast<int>(lines[static_cast<std::size_t>(i)].size()) * kCellWidth);
      for (int p = 0; p < f.Planes(); ++p) {
        const int sx = p == 0 ? 0 : ChromaShiftX(t), sy = p == 0 ? 0 : ChromaShiftY(t);
        const int bpp = p == 0 ? BytesPerPixel(t) : 1;
        for (int y = y0 >> sy; y < ((y1 + (1 << sy) - 1) >> sy); ++y) {
          std::uint8_t* row = f.Row(p, y);
          for (int x = (kLeft >> sx) * bpp; x < ((x1 + (1 << sx) - 1) >> sx) * bpp; ++x) darken(row[x]);
        }
      }
    }
    std::call_once(fontOnce_,
                   [this] { font_ = std::make_shared<TextRasterizer>("Compare", "Monospace", "", 16, false); });
    const int maskTop = std::max(0, top);
    CoverageMask mask(f.width, std::min(f.height, kLastTop + kCellHeight) - maskTop);
    if (mask.height <= 0) return;
    for (int i = 0; i < count; ++i) {
      std::u32string text;
      for (char c : lines[static_cast<std::size_t>(i)]) text += static_cast<char32_t>(static_cast<unsigned char>(c));
      font_->DrawLine(text, 0, mask, kLeft, top + i * kCellHeight - maskTop);
    }
    const PlaneColor yellow = ColorInType(t, 0xFFFF00);
    auto blend = [](std::uint8_t& d, int c, int w) {
      d = static_cast<std::uint8_t>((d * (255 - w) + c * w + 127) / 255);
    };
    for (int y = 0; y < mask.height; ++y) {
      for (int x = 0; x < mask.width; ++x) {
        const int w = mask.At(x, y);
        if (!w) continue;
        const int fy = maskTop + y;
        if (IsRGBType(t)) {
          std::uint8_t* px = f.Row(0, fy) + x * BytesPerPixel(t);
          for (int k = 0; k < 3; ++k) blend(px[k], yellow.v[k], w);
        } else if (t == PixelType::YUY2) {
          std::uint8_t* row = f.Row(0, fy);
          blend(row[2 * x], yellow.v[0], w);
          blend(row[4 * (x / 2) + 1 + (x & 1) * 2], yellow.v[1 + (x & 1)], w);
        } else {
          blend(f.Row(0, fy)[x], yellow.v[0], w);
          if (f.Planes() == 3 && (x & ((1 << ChromaShiftX(t)) - 1)) == 0 && (fy & ((1 << ChromaShiftY(t)) - 1)) == 0) {
            blend(f.Row(1, fy >> ChromaShiftY(t))[x >> ChromaShiftX(t)], yellow.v[1], w);
            blend(f.Row(2, fy >> ChromaShiftY(t))[x >> ChromaShiftX(t)], yellow.v[2], w);
          }
        }
      }
    }
  }

  // Frame k's PSNR (0 when not compared) as two bright rows at height
  // PSNR (at most 100) above the bottom, black below, in column
  // width - 1 - (n - k).
  static void DrawGraph(FrameBGR& f, int n, const std::map<int, double>& psnrOf) {
    const PixelType t = f.type;
    const bool rgb = IsRGBType(t), packed = t == PixelType::YUY2;
    for (int k = std::max(0, n - f.width + 1); k <= n; ++k) {
      const auto found = psnrOf.find(k);
      const double psnr = found == psnrOf.end() ? 0.0 : std::min(100.0, found->second);
      const int x = f.width - 1 - (n - k);
      const int top = std::max(0, f.height - 1 - static_cast<int>(psnr + 0.5));
      for (int y = top; y < f.height; ++y) {
        const bool dot = y < top + 2;
        if (rgb) {
          std::uint8_t* px = f.Row(0, y) + x * BytesPerPixel(t);
          px[0] = px[1] = px[2] = dot ? 255 : 0;
        } else {
          f.Row(0, y)[packed ? 2 * x : x] = dot ? 235 : 16;
        }
      }
    }
  }

  ClipPtr a_, b_;
  Channels channels_;
  bool graph_;
  std::FILE* log_ = nullptr;
  FramePool pool_;
  std::once_flag fontOnce_;
  std::shared_ptr<TextRasterizer> font_;
  std::mutex mutex_;
  int frames_ = 0;
  Deviation least_, most_, total_;
  double ssd_ = 0, samples_ = 0;
  std::map<int, double> psnrOf_;
};

// Compare(clip1, clip2, channels, logfile, show_graph).
Value Compare(const CallArgs& a) {
  ClipPtr first = a.Clip("clip1"), second = a.Clip("clip2");
  const ClipInfo &fi = first->Info(), &si = second->Info();
  if (fi.pixelType != si.pixelType) throw FilterError("Compare: Clips are not same colorspace.");
  if (fi.width != si.width || fi.height != si.height) throw FilterError("Compare: Clips must have same size.");
  Channels channels = ChannelsOf(fi.pixelType, a.String("channels", ""));
  const std::string log = a.String("logfile", "");
  const std::string path = log.empty() ? std::string() : WritablePath(a, log);
  return Value::Clip(std::make_shared<CompareClip>(std::move(first), std::move(second), std::move(channels), path,
                                                   a.Bool("show_graph", true)));
}

}  // namespace

void RegisterCompareFunctions(FunctionTable& t) {
  t.Add("Compare",
        {Req("clip1", ParamType::Clip), Req("clip2", ParamType::Clip), Opt("channels", ParamType::String),
         Opt("logfile", ParamType::String), Opt("show_graph", ParamType::Bool)},
        Compare);
}

}  // namespace tandemix::engine
