// Clips made from nothing: BlankClip, ColorBars and ColorBarsHD. Their single frame is
// drawn at the first request and shared by every frame number. BlankClip's
// sound is silence; ColorBars' is AviSynth's test tone.
#include <algorithm>
#include <cmath>
#include <functional>
#include <mutex>
#include <numeric>
#include <vector>

extern "C" {
#include <libavutil/rational.h>
}

#include "engine/filters/AudioSupport.h"
#include "engine/filters/Colors.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/filters/Rates.h"
#include "engine/frames/FrameBudget.h"
#include "engine/frames/FrameLimits.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

// ColorBars' sound: 48 kHz float stereo, a 440 Hz sine at full scale on the
// left channel throughout and on the right one in the second half of every
// two seconds, so that each side can be told apart.
constexpr int kToneRate = 48000;
constexpr int kToneHz = 440;

class ToneClip : public Clip {
 public:
  ToneClip(ClipPtr picture, const ClipInfo& info) : Clip(info), picture_(std::move(picture)) {
    // One period of whole cycles: rate / gcd(rate, Hz) samples.
    const int g = std::gcd(kToneRate, kToneHz);
    const int samples = kToneRate / g;
    const double step = 2.0 * 3.14159265358979323846 * (kToneHz / g) / samples;
    period_.resize(static_cast<std::size_t>(samples));
    for (int i = 0; i < samples; ++i) period_[static_cast<std::size_t>(i)] = static_cast<float>(std::sin(step * i));
  }
  FramePtr GetFrame(int n) override { return picture_->GetFrame(n); }
  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    ReadWithinLength(buffer, start, count, info_.audio, [this](std::uint8_t* out, std::int64_t from, std::int64_t n) {
      auto* samples = reinterpret_cast<float*>(out);
      const auto size = static_cast<std::int64_t>(period_.size());
      for (std::int64_t i = 0; i < n; ++i) {
        const float v = period_[static_cast<std::size_t>((from + i) % size)];
        samples[2 * i] = v;
        samples[2 * i + 1] = (from + i) % (2 * kToneRate) > kToneRate ? v : 0.0f;
      }
    });
  }

 private:
  ClipPtr picture_;
  std::vector<float> period_;
};

class StillClip : public Clip {
 public:
  StillClip(const ClipInfo& info, std::function<void(FrameBGR&)> draw)
      : Clip(info), draw_(std::move(draw)), pool_("BlankClip") {}
  FramePtr GetFrame(int) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!frame_) {
      auto f = pool_.Fresh(info_.pixelType, info_.width, info_.height);
      draw_(*f);
      frame_ = f;
    }
    return frame_;
  }

 private:
  std::function<void(FrameBGR&)> draw_;
  FramePool pool_;
  std::mutex mutex_;  // branches of a stack may ask for the frame at once
  FramePtr frame_;
};

// A pixel_type argument for a generator; throws AviSynth's message.
PixelType GeneratorType(const std::string& filter, const CallArgs& a, std::size_t i, PixelType fallback) {
  if (!a.Has(i)) return fallback;
  PixelType type = fallback;
  if (!ParsePixelType(a.String(i), type))
    throw FilterError(filter +
                      ": pixel_type must be \"RGB24\", \"RGB32\", "
                      "\"YUY2\", \"YV12\", \"YV16\", \"YV24\" or \"Y8\"");
  return type;
}

void CheckSubsampledSize(const std::string& filter, PixelType type, int width, int height) {
  if (ChromaShiftX(type) && width % 2)
    throw FilterError(filter + ": width must be a multiple of 2 for this pixel_type");
  if (ChromaShiftY(type) && height % 2)
    throw FilterError(filter + ": height must be a multiple of 2 for this pixel_type");
}

// BlankClip([clip], length, width, height, pixel_type, fps, fps_denominator, ..., color)
Value BlankClip(const CallArgs& a) {
  ClipInfo info;
  info.pixelType = PixelType::RGB32;
  info.width = 640;
  info.height = 480;
  info.frameCount = 240;
  info.rateNumerator = 24;
  info.rateDenominator = 1;
  if (a.Has("clip")) {
    const ClipInfo& like = a.Clip("clip")->Info();
    info.width = like.width;
    info.height = like.height;
    info.frameCount = like.frameCount;
    info.rateNumerator = like.rateNumerator;
    info.rateDenominator = like.rateDenominator;
    info.pixelType = like.pixelType;
  }
  info.pixelType = GeneratorType("BlankClip", a, 4, info.pixelType);
  // Silence of 44.1 kHz, mono, 16-bit unless the template clip or the
  // arguments say otherwise; a rate or channel count of 0 means none. A
  // template without sound gives none unless an argument asks for it.
  AudioInfo sound;
  sound.sampleRate = 44100;
  sound.channels = 1;
  const bool asked =
      a.Has("audio_rate") || a.Has("stereo") || a.Has("channels") || a.Has("sixteen_bit") || a.Has("sample_type");
  if (a.Has("clip")) {
    const AudioInfo& like = a.Clip("clip")->Info().audio;
    if (like.Present())
      sound = like;
    else if (!asked)
      sound.sampleRate = 0;
  }
  if (a.Has("audio_rate")) sound.sampleRate = a.Int("audio_rate");
  if (a.Has("stereo")) sound.channels = a.Bool("stereo") ? 2 : 1;
  if (a.Has("channels")) sound.channels = a.Int("channels");
  if (a.Has("sixteen_bit")) sound.sampleType = a.Bool("sixteen_bit") ? SampleType::Int16 : SampleType::Float;
  if (a.Has("sample_type") && !ParseSampleType(a.String("sample_type"), sound.sampleType))
    throw FilterError("BlankClip: sample_type must be \"8bit\", \"16bit\", \"24bit\", \"32bit\" or \"float\"");
  if (sound.sampleRate < 0) throw FilterError("BlankClip: the audio rate must not be negative.");
  if (sound.channels < 0) throw FilterError("BlankClip: the channel count must not be negative.");
  if (a.Has("length")) {
    if (a.Int("length") < 0) throw FilterError("BlankClip: the length must not be negative.");
    info.frameCount = a.Int("length");
  }
  const long long width = a.Has("width") ? a.Int("width") : info.width;
  const long long height = a.Has("height") ? a.Int("height") : info.height;
  CheckFrameSize("BlankClip", width, height);
  info.width = static_cast<int>(width);
  info.height = static_cast<int>(height);
  CheckSubsampledSize("BlankClip", info.pixelType, info.width, info.height);
  if (a.Has("fps") || a.Has("fps_denominator")) {
    const double fps = a.Has("fps") ? a.Float("fps") : info.Rate();
    const long long den = a.Has("fps_denominator") ? a.Int("fps_denominator") : 1;
    if (!(fps > 0.0) || fps > 1e9 || den <= 0) throw FilterError("BlankClip: the frame rate must be more than 0.");
    if (fps == std::floor(fps)) {
      SetRate("BlankClip", info, static_cast<long long>(fps), den);
    } else {
      const AVRational q = av_d2q(fps / static_cast<double>(den), 1000000);
      SetRate("BlankClip", info, q.num, q.den);
    }
  }
  if (sound.Present()) {
    info.audio = sound;
    info.audio.sampleCount = AudioSamplesFromFrames(info, info.frameCount);
    CheckAudio("BlankClip", info.audio);
  } else {
    info.audio = AudioInfo{};
  }
  // color is $RRGGBB (converted for YUV), color_yuv $YYUUVV for YUV types only.
  if (a.Has("color") && a.Has("color_yuv")) throw FilterError("BlankClip: color and color_yuv are mutually exclusive");
  if (a.Has("color_yuv") && IsAnyRGBType(info.pixelType))
    throw FilterError("BlankClip: color_yuv only valid for YUV color spaces");
  const PlaneColor color = a.Has("color_yuv") ? YuvColorInType(info.pixelType, a.Int("color_yuv"))
                                              : ColorInType(info.pixelType, a.Int("color", 0));
  return Value::Clip(
      std::make_shared<StillClip>(info, [color](FrameBGR& f) { FillRect(f, 0, 0, f.width, f.height, color); }));
}

// SMPTE colour bars as AviSynth draws them: seven 75% bars over the top
// two thirds, the reversed strip below them, and the bottom quarter with
// -I, white, +Q, black and the pluge (-4, 0 and +4 IRE about black). Bar
// edges are rounded: bar i of 7 ends at (w * (i + 1) + 3) / 7, the bottom
// row's first four at (5 * w * (i + 1) + 14) / 28 and the pluge's at
// (w * (j + 12) + 10) / 21.
namespace bars {

constexpr int kTop = 0, kMiddle = 1, kBottom = 2;

// The bar a column falls in, for each row kind.
int BarAt(int kind, int x, int w) {
  const long long X = x, W = w;
  if (kind != kBottom) {
    int i = 0;
    while (i < 6 && X >= (W * (i + 1) + 3) / 7) ++i;
    return i;
  }
  for (int i = 0; i < 4; ++i)
    if (X < (W * (i + 1) * 5 + 14) / 28) return i;
  for (int j = 4; j < 7; ++j)
    if (X < (W * (j + 12) + 10) / 21) return j;
  return 7;
}

// Studio-range RGB as $RRGGBB, and the same bars as Y, U, V.
constexpr std::uint32_t kRgb[3][8] = {{0xb4b4b4, 0xb4b410, 0x10b4b4, 0x10b410, 0xb410b4, 0xb41010, 0x1010b4, 0},
                                      {0x1010b4, 0x101010, 0xb410b4, 0x101010, 0x10b4b4, 0x101010, 0xb4b4b4, 0},
                                      {0x10466a, 0xebebeb, 0x481076, 0x101010, 0x070707, 0x101010, 0x191919, 0x101010}};
constexpr std::uint8_t kYuv[3][3][8] = {
    {{180, 162, 131, 112, 84, 65, 35, 0}, {128, 44, 156, 72, 184, 100, 212, 0}, {128, 142, 44, 58, 198, 212, 114, 0}},
    {{35, 16, 84, 16, 131, 16, 180, 0}, {212, 128, 184, 128, 156, 128, 128, 0}, {114, 128, 198, 128, 44, 128, 128, 0}},
    {{16, 235, 16, 16, 7, 16, 25, 16},
     {158, 128, 174, 128, 128, 128, 128, 128},
     {95, 128, 149, 128, 128, 128, 128, 128}}};

}  // namespace bars

// RGB is laid out from the bottom in AviSynth, so the rows are split from
// the bottom: the last h / 4 rows are the bottom quarter, the h / 3 - h / 4
// above them the strip.
void DrawColorBarsRgb(FrameBGR& f) {
  const int w = f.width, h = f.height, bpp = BytesPerPixel(f.type);
  // Rows of one kind are alike: each kind's row is worked out once.
  std::vector<std::uint8_t> rows[3];
  for (int kind = 0; kind < 3; ++kind) {
    rows[kind].resize(static_cast<std::size_t>(w) * bpp);
    std::uint8_t* d = rows[kind].data();
    for (int x = 0; x < w; ++x, d += bpp) {
      const std::uint32_t c = bars::kRgb[kind][bars::BarAt(kind, x, w)];
      d[0] = static_cast<std::uint8_t>(c);
      d[1] = static_cast<std::uint8_t>(c >> 8);
      d[2] = static_cast<std::uint8_t>(c >> 16);
      if (bpp == 4) d[3] = 0;
    }
  }
  for (int y = 0; y < h; ++y) {
    const int fromBottom = h - 1 - y;
    const int kind = fromBottom < h / 4 ? bars::kBottom : fromBottom < h / 3 ? bars::kMiddle : bars::kTop;
    std::copy(rows[kind].begin(), rows[kind].end(), f.Row(y));
  }
}

// Planar RGB bars: the packed ones' bytes, each channel in its plane.
void DrawColorBarsPlanarRgb(FrameBGR& f) {
  FrameBGR packed(PixelType::RGB32, f.width, f.height);
  DrawColorBarsRgb(packed);
  for (int y = 0; y < f.height; ++y)
    for (int p = 0; p < f.Planes(); ++p) {
      const std::uint8_t* s = packed.Row(y) + p;
      std::uint8_t* d = f.Row(p, y);
      for (int x = 0; x < f.width; ++x) d[x] = s[4 * x];
    }
}

// YUV bars in their own values, laid out on the chroma grid as AviSynth's
// are: bar edges, the row split (the top while y * 3 < h * 2, the strip
// while y * 4 < h * 3) and the pluge are reckoned in chroma samples, and a
// luma pixel takes the bar of the chroma sample it lies on.
void DrawColorBarsYuv(FrameBGR& f) {
  const int sx = ChromaShiftX(f.type), sy = ChromaShiftY(f.type);
  const int cw = f.width >> sx, ch = f.height >> sy;
  auto kindOf = [ch](int y) {
    return y * 3LL < ch * 2LL ? bars::kTop : y * 4LL < ch * 3LL ? bars::kMiddle : bars::kBottom;
  };
  if (f.type == PixelType::YUY2) {
    for (int y = 0; y < f.height; ++y) {
      const int kind = kindOf(y);
      std::uint8_t* d = f.Row(y);
      for (int x = 0; x < f.width; ++x) {
        const int bar = bars::BarAt(kind, x >> 1, cw);
        d[2 * x] = bars::kYuv[kind][0][bar];
        d[2 * x + 1] = bars::kYuv[kind][(x & 1) ? 2 : 1][bar];
      }
    }
    return;
  }
  for (int p = 0; p < f.Planes(); ++p) {
    const int px = p ? 0 : sx, py = p ? 0 : sy;  // luma to chroma
    const int width = f.PlaneWidth(p);
    // Rows of one kind are alike: each kind's row is worked out once.
    std::vector<std::uint8_t> rows[3];
    for (int kind = 0; kind < 3; ++kind) {
      rows[kind].resize(static_cast<std::size_t>(width));
      for (int x = 0; x < width; ++x)
        rows[kind][static_cast<std::size_t>(x)] = bars::kYuv[kind][p][bars::BarAt(kind, x >> px, cw)];
    }
    for (int y = 0; y < f.PlaneHeight(p); ++y) {
      const std::vector<std::uint8_t>& row = rows[kindOf(y >> py)];
      std::copy(row.begin(), row.end(), f.Row(p, y));
    }
  }
}

ClipPtr WithTone(ClipPtr bars);

Value ColorBars(const CallArgs& a) {
  ClipInfo info;
  const long long width = a.Int("width", 640);
  const long long height = a.Int("height", 480);
  CheckFrameSize("ColorBars", width, height);
  info.width = static_cast<int>(width);
  info.height = static_cast<int>(height);
  info.frameCount = 107892;  // one hour
  info.rateNumerator = 30000;
  info.rateDenominator = 1001;
  // ColorBars draws in the types below only, and needs whole chroma samples.
  info.pixelType = PixelType::RGB32;
  if (a.Has("pixel_type") &&
      (!ParsePixelType(a.String("pixel_type"), info.pixelType) || info.pixelType == PixelType::Y8))
    throw FilterError("ColorBars: this pixel_type not supported");
  if (info.pixelType == PixelType::YV12 && (info.width % 2 || info.height % 2))
    throw FilterError("ColorBars: for 4:2:0 both height and width must be even!");
  if (info.pixelType == PixelType::YV16 && info.width % 2)
    throw FilterError("ColorBars: for 4:2:2 width must be even!");
  if (info.pixelType == PixelType::YUY2 && info.width % 2) throw FilterError("ColorBars: YUY2 width must be even!");
  // The bars are studio range; YUV ones are Rec709's.
  info.colorRange = ColorRange::Limited;
  if (IsYUVType(info.pixelType)) info.colorMatrix = ColorMatrix::Rec709;
  return Value::Clip(
      WithTone(std::make_shared<StillClip>(info, IsRGBType(info.pixelType)         ? DrawColorBarsRgb
                                                 : IsPlanarRGBType(info.pixelType) ? DrawColorBarsPlanarRgb
                                                                                   : DrawColorBarsYuv)));
}

// The high-definition bars in YV24: a grey border of d columns on each side
// of seven bars c wide, c = 3 / 28 of the width rounded and d half of the
// rest (the left one taking the odd column). From the top: the 75% bars;
// a band of h / 12 rows with 100% cyan, +I, 75% white and 100% blue; a band
// with 100% yellow, a luma ramp from 16 to 235 and 100% red; and the bottom
// h / 4 (both rounded) with 15% grey, black, 100% white, black, the pluge
// (-2%, 0, +2%, 0, +4% in steps of c / 3 ending 6c into the bars) and black.
namespace hdbars {

struct Yuv {
  std::uint8_t y, u, v;
};
constexpr Yuv kGrey40{104, 128, 128}, kGrey15{49, 128, 128}, kWhite75{180, 128, 128}, kBlack{16, 128, 128};
constexpr Yuv kTop[7] = {{180, 128, 128}, {168, 44, 136}, {145, 147, 44}, {133, 63, 52},
                         {63, 193, 204},  {51, 109, 212}, {28, 212, 120}};

}  // namespace hdbars

void DrawColorBarsHD(FrameBGR& f) {
  using namespace hdbars;
  const int w = f.width, h = f.height;
  const int c = (w * 3 + 14) / 28, d = (w - 7 * c + 1) / 2, band = (h + 6) / 12;
  const int bottomStart = h - (h + 2) / 4, rampStart = bottomStart - band, stripStart = rampStart - band;
  std::vector<Yuv> row(static_cast<std::size_t>(w));
  // Fills columns [from, to) of the row, clipped to it.
  auto fill = [&](int from, int to, Yuv colour) {
    for (int x = std::max(from, 0); x < std::min(to, w); ++x) row[static_cast<std::size_t>(x)] = colour;
  };
  for (int y = 0; y < h; ++y) {
    if (y == 0 || y == stripStart || y == rampStart || y == bottomStart) {
      if (y < stripStart) {
        fill(0, w, kGrey40);
        for (int i = 0; i < 7; ++i) fill(d + i * c, d + (i + 1) * c, kTop[i]);
      } else if (y < rampStart) {
        fill(0, d, Yuv{188, 154, 16});
        fill(d, d + c, Yuv{61, 103, 157});
        fill(d + c, d + 7 * c, kWhite75);
        fill(d + 7 * c, w, Yuv{32, 240, 118});
      } else if (y < bottomStart) {
        fill(0, d, Yuv{219, 16, 138});
        for (int x = d; x < std::min(d + 7 * c, w); ++x)
          row[static_cast<std::size_t>(x)] = Yuv{static_cast<std::uint8_t>(16 + (x - d) * 220 / (7 * c)), 128, 128};
        fill(d + 7 * c, w, Yuv{63, 102, 240});
      } else {
        fill(0, w, kGrey15);
        const int white = d + (3 * c + 1) / 2, end = d + 6 * c;
        fill(d, white, kBlack);
        fill(white, white + 2 * c, Yuv{235, 128, 128});
        fill(white + 2 * c, end, kBlack);
        constexpr std::uint8_t kPluge[5] = {12, 16, 20, 16, 25};
        for (int k = 0; k < 5; ++k)
          fill(end - ((5 - k) * c + 1) / 3, end - ((4 - k) * c + 1) / 3, Yuv{kPluge[k], 128, 128});
        fill(end, end + c, kBlack);
      }
    }
    for (int x = 0; x < w; ++x) {
      f.Row(0, y)[x] = row[static_cast<std::size_t>(x)].y;
      f.Row(1, y)[x] = row[static_cast<std::size_t>(x)].u;
      f.Row(2, y)[x] = row[static_cast<std::size_t>(x)].v;
    }
  }
}

Value ColorBarsHD(const CallArgs& a) {
  ClipInfo info;
  const long long width = a.Int("width", 1288);
  const long long height = a.Int("height", 720);
  CheckFrameSize("ColorBarsHD", width, height);
  info.width = static_cast<int>(width);
  info.height = static_cast<int>(height);
  info.frameCount = 107892;
  info.rateNumerator = 30000;
  info.rateDenominator = 1001;
  info.pixelType = PixelType::YV24;
  if (a.Has("pixel_type") &&
      (!ParsePixelType(a.String("pixel_type"), info.pixelType) || info.pixelType != PixelType::YV24))
    throw FilterError("ColorBarsHD: pixel_type must be \"YV24\" or other 4:4:4 video format");
  info.colorRange = ColorRange::Limited;
  info.colorMatrix = ColorMatrix::Rec709;
  return Value::Clip(WithTone(std::make_shared<StillClip>(info, DrawColorBarsHD)));
}

ClipPtr WithTone(ClipPtr bars) {
  ClipInfo withTone = bars->Info();
  withTone.audio.sampleRate = kToneRate;
  withTone.audio.channels = 2;
  withTone.audio.sampleType = SampleType::Float;
  withTone.audio.sampleCount = AudioSamplesFromFrames(withTone, withTone.frameCount);
  return std::make_shared<ToneClip>(std::move(bars), withTone);
}

}  // namespace

void RegisterGeneratorFunctions(FunctionTable& t) {
  t.Add("BlankClip",
        {Opt("clip", ParamType::Clip), Opt("length", ParamType::Int), Opt("width", ParamType::Int),
         Opt("height", ParamType::Int), Opt("pixel_type", ParamType::String), Opt("fps", ParamType::Float),
         Opt("fps_denominator", ParamType::Int), Opt("audio_rate", ParamType::Int), Opt("stereo", ParamType::Bool),
         Opt("sixteen_bit", ParamType::Bool), Opt("color", ParamType::Int), Opt("color_yuv", ParamType::Int),
         Opt("channels", ParamType::Int), Opt("sample_type", ParamType::String)},
        BlankClip);
  t.Add("ColorBars",
        {Opt("width", ParamType::Int), Opt("height", ParamType::Int), Opt("pixel_type", ParamType::String),
         Opt("staticframes", ParamType::Bool)},
        ColorBars);
  t.Add("ColorBarsHD",
        {Opt("width", ParamType::Int), Opt("height", ParamType::Int), Opt("pixel_type", ParamType::String),
         Opt("staticframes", ParamType::Bool)},
        ColorBarsHD);
}

}  // namespace tandemix::engine
