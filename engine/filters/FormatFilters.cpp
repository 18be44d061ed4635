// Formats: the ConvertTo... family (real conversions, PixelConvert.h),
// AssumeFPS and SetMemoryMax.
#include <cctype>
#include <cmath>
#include <optional>

extern "C" {
#include <libavutil/mathematics.h>
#include <libavutil/rational.h>
}

#include "engine/filters/AudioSupport.h"
#include "engine/filters/Conversions.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/filters/PassThrough.h"
#include "engine/filters/Rates.h"
#include "engine/frames/FrameBudget.h"
#include "engine/frames/ScriptError.h"
#include "engine/kernels/PixelConvert.h"
#include "engine/kernels/Resampler.h"

namespace tandemix::engine {
namespace {

class ConvertClip : public Clip {
 public:
  ConvertClip(ClipPtr child, const ClipInfo& info, Matrix matrix, bool interlaced, std::optional<ResampleKernel> chroma)
      : Clip(info),
        child_(std::move(child)),
        matrix_(matrix),
        interlaced_(interlaced),
        chroma_(chroma),
        pool_("Convert") {
    PassAudioFrom(child_);
  }
  FramePtr GetFrame(int n) override {
    FramePtr src = child_->GetFrame(n);
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    ConvertFrame(*src, *out, matrix_, interlaced_, Chroma());
    return out;
  }
  void GetFrameInto(int n, VideoFrame& out, int x, int y) override {
    const PixelType from = child_->Info().pixelType, to = info_.pixelType;
    if (!IsPlanarYUVType(from) || !IsPlanarYUVType(to) || PlaneCountOf(from) != 3 || PlaneCountOf(to) != 3)
      return Clip::GetFrameInto(n, out, x, y);
    ConvertPlanarInto(*child_->GetFrame(n), out, x, y, interlaced_, Chroma());
  }

 private:
  const ResampleKernel* Chroma() const { return chroma_ ? &*chroma_ : nullptr; }

  ClipPtr child_;
  Matrix matrix_;
  bool interlaced_;
  std::optional<ResampleKernel> chroma_;
  FramePool pool_;
};

// The kernel a chromaresample argument names, with the resizers' defaults.
ResampleKernel ChromaResampler(const std::string& name) {
  std::string lower = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  using Kind = ResampleKernel::Kind;
  ResampleKernel k;
  static const struct {
    const char* name;
    Kind kind;
    int taps;
  } kNames[] = {{"point", Kind::Point, 3},       {"bilinear", Kind::Bilinear, 3}, {"bicubic", Kind::Bicubic, 3},
                {"lanczos", Kind::Lanczos, 3},   {"lanczos4", Kind::Lanczos, 4},  {"blackman", Kind::Blackman, 4},
                {"spline16", Kind::Spline16, 3}, {"spline36", Kind::Spline36, 3}, {"spline64", Kind::Spline64, 3},
                {"gauss", Kind::Gauss, 3},       {"sinc", Kind::Sinc, 4},         {"sinpow", Kind::SinPower, 3}};
  for (const auto& n : kNames) {
    if (lower != n.name) continue;
    k.kind = n.kind;
    k.taps = n.taps;
    if (n.kind == Kind::Gauss) k.p = 30.0;
    if (n.kind == Kind::SinPower) k.p = 2.5;
    return k;
  }
  throw FilterError("Convert: Unknown chroma resampler, '" + name + "'");
}

}  // namespace

ClipPtr MakeConvert(ClipPtr clip, PixelType to, const std::string& matrixName, bool interlaced,
                    const std::string& chromaResample) {
  ClipInfo info = clip->Info();
  Matrix matrix = Matrix::Rec601;
  const bool fromRgb = IsAnyRGBType(info.pixelType), toRgb = IsAnyRGBType(to);
  // The matrix is read only where the colours change model.
  if (fromRgb != toRgb && !matrixName.empty() && !ParseMatrix(matrixName, matrix))
    throw FilterError("Convert: Unknown matrix");
  if (info.pixelType == to) return clip;
  if (ChromaShiftX(to) && info.width % 2) throw FilterError("Convert: Cannot convert if width isn't mod2!");
  if (ChromaShiftY(to) && info.height % 2) throw FilterError("Convert: Cannot convert if height isn't mod2!");
  if (ChromaShiftY(to) && interlaced && info.height % 4)
    throw FilterError("Convert: Cannot convert if height isn't mod4!");
  if (fromRgb && !toRgb) {
    // Luma alone from full-range RGB is full range unless a matrix is named.
    if (to == PixelType::Y8 && matrixName.empty() && info.colorRange != ColorRange::Limited) matrix = Matrix::PC601;
    // Studio-range RGB (colour bars) keeps its levels in YUV.
    if (info.colorRange == ColorRange::Limited && (matrix == Matrix::Rec601 || matrix == Matrix::Rec709))
      matrix = matrix == Matrix::Rec601 ? Matrix::Rec601StudioRgb : Matrix::Rec709StudioRgb;
    const bool pc = matrix == Matrix::PC601 || matrix == Matrix::PC709;
    info.colorRange = pc ? ColorRange::Full : ColorRange::Limited;
    info.colorMatrix = matrix == Matrix::Rec709 || matrix == Matrix::PC709 || matrix == Matrix::Rec709StudioRgb
                           ? ColorMatrix::Rec709
                           : ColorMatrix::Rec601;
  } else if (!fromRgb && toRgb) {
    // Without a matrix, the one the YUV clip says it was made with.
    if (matrixName.empty()) {
      const bool full = info.colorRange == ColorRange::Full;
      if (info.colorMatrix == ColorMatrix::Rec709)
        matrix = full ? Matrix::PC709 : Matrix::Rec709;
      else
        matrix = full ? Matrix::PC601 : Matrix::Rec601;
    }
    info.colorRange = ColorRange::Full;
    info.colorMatrix = ColorMatrix::Unsaid;
  }
  info.pixelType = to;
  std::optional<ResampleKernel> chroma;
  if (!chromaResample.empty()) chroma = ChromaResampler(chromaResample);
  return std::make_shared<ConvertClip>(std::move(clip), info, matrix, interlaced, chroma);
}

namespace {

// The frames at another rate. With syncAudio the sound keeps its samples
// and its rate changes as the frames' does, so that it stays with them;
// without it the sound is left as it is.
Value WithRate(ClipPtr clip, long long numerator, long long denominator, bool syncAudio) {
  ClipInfo info = clip->Info();
  SetRate("AssumeFPS", info, numerator, denominator);
  if (syncAudio && info.audio.Present()) {
    const ClipInfo& old = clip->Info();
    const std::int64_t rate =
        av_rescale_rnd(info.audio.sampleRate, static_cast<std::int64_t>(info.rateNumerator) * old.rateDenominator,
                       static_cast<std::int64_t>(info.rateDenominator) * old.rateNumerator, AV_ROUND_NEAR_INF);
    if (rate <= 0 || rate > kMaxSampleRate)
      throw FilterError("AssumeFPS: the audio sample rate would be out of range.");
    info.audio.sampleRate = static_cast<int>(rate);
  }
  return Value::Clip(std::make_shared<SameFrames>(std::move(clip), info));
}

}  // namespace

void RegisterFormatFunctions(FunctionTable& t) {
  const struct {
    const char* name;
    PixelType type;
  } conversions[] = {{"ConvertToRGB24", PixelType::RGB24},     {"ConvertToRGB32", PixelType::RGB32},
                     {"ConvertToRGB", PixelType::RGB32},       {"ConvertToYV12", PixelType::YV12},
                     {"ConvertToYUY2", PixelType::YUY2},       {"ConvertToYV24", PixelType::YV24},
                     {"ConvertToYV16", PixelType::YV16},       {"ConvertToY8", PixelType::Y8},
                     {"ConvertToPlanarRGB", PixelType::RGBP8}, {"ConvertToPlanarRGBA", PixelType::RGBAP8}};
  for (const auto& c : conversions) {
    const PixelType to = c.type;
    const bool keepRgb = std::string(c.name) == "ConvertToRGB";
    // ConvertToY8 takes no interlaced argument (luma is the same either way).
    std::vector<Param> params = {Req("clip", ParamType::Clip),
                                 Opt("interlaced", ParamType::Bool),
                                 Opt("matrix", ParamType::String),
                                 Opt("ChromaInPlacement", ParamType::String),
                                 Opt("chromaresample", ParamType::String),
                                 Opt("ChromaOutPlacement", ParamType::String)};
    // ConvertToYUY2 names no output placement.
    if (to == PixelType::Y8) params = {Req("clip", ParamType::Clip), Opt("matrix", ParamType::String)};
    if (to == PixelType::YUY2) params.pop_back();
    if (IsPlanarRGBType(to))
      params = {Req("clip", ParamType::Clip),
                Opt("matrix", ParamType::String),
                Opt("interlaced", ParamType::Bool),
                Opt("ChromaInPlacement", ParamType::String),
                Opt("chromaresample", ParamType::String),
                Opt("param1", ParamType::Float),
                Opt("param2", ParamType::Float),
                Opt("param3", ParamType::Float)};
    t.Add(c.name, params, [to, keepRgb](const CallArgs& a) {
      ClipPtr clip = a.Clip("clip");
      // ConvertToRGB leaves RGB24 as it is and keeps planar RGB's alpha or its lack.
      const PixelType from = clip->Info().pixelType;
      if (keepRgb && from == PixelType::RGB24) return Value::Clip(clip);
      if (keepRgb && from == PixelType::RGBP8)
        return Value::Clip(MakeConvert(std::move(clip), PixelType::RGB24, a.String("matrix")));
      const bool interlaced = to != PixelType::Y8 && a.Bool("interlaced", false);
      const bool placed = to != PixelType::Y8 && (a.Has("ChromaInPlacement") || a.Has("chromaresample"));
      // The packed paths between RGB and YUY2 resample nothing.
      if (placed && to == PixelType::YUY2 && IsRGBType(from))
        throw FilterError(
            "ConvertToYUY2: ChromaPlacement, ChromaResample, param1, param2 or param3 options are not supported.");
      if (placed && IsRGBType(to) && from == PixelType::YUY2)
        throw FilterError("ConvertToRGB: ChromaPlacement and ChromaResample options are not supported.");
      return Value::Clip(MakeConvert(std::move(clip), to, a.String("matrix"), interlaced,
                                     to == PixelType::Y8 ? std::string() : a.String("chromaresample")));
    });
  }
  // SetMemoryMax(megabytes): the script's frame memory budget; returns it.
  t.Add("SetMemoryMax", {Opt("amount", ParamType::Int)}, [](const CallArgs& a) {
    const auto budget = CurrentBudget();
    if (a.Has("amount") && a.Int("amount") > 0) budget->SetLimit(static_cast<std::size_t>(a.Int("amount")) << 20);
    return Value::Int(static_cast<std::int64_t>(budget->Limit() >> 20));
  });
  // AssumeFPS(clip, numerator[, denominator]), AssumeFPS(clip, fps),
  // AssumeFPS(clip, clip whose rate is taken) and AssumeFPS(clip, preset),
  // a named rate such as "ntsc_film" (24000/1001) in any letter case.
  t.Add("AssumeFPS",
        {Req("clip", ParamType::Clip), Req("numerator", ParamType::Int), Opt("denominator", ParamType::Int),
         Opt("sync_audio", ParamType::Bool)},
        [](const CallArgs& a) {
          return WithRate(a.Clip("clip"), a.Int("numerator"), a.Has("denominator") ? a.Int("denominator") : 1,
                          a.Bool("sync_audio", false));
        });
  t.Add("AssumeFPS", {Req("clip", ParamType::Clip), Req("fps", ParamType::Float), Opt("sync_audio", ParamType::Bool)},
        [](const CallArgs& a) {
          // The fraction as AviSynth finds it for a float (2.9971 is 6201/2069).
          long long num = 0, den = 1;
          FloatRate("AssumeFPS", a.Float("fps"), num, den);
          return WithRate(a.Clip("clip"), num, den, a.Bool("sync_audio", false));
        });
  t.Add("AssumeFPS",
        {Req("clip", ParamType::Clip), Req("preset", ParamType::String), Opt("sync_audio", ParamType::Bool)},
        [](const CallArgs& a) {
          long long num = 0, den = 1;
          // AviSynth's wording, its trailing space included.
          if (!PresetRate(a.String("preset"), num, den)) throw FilterError("AssumeFPS: invalid preset value used. ");
          return WithRate(a.Clip("clip"), num, den, a.Bool("sync_audio", false));
        });
  t.Add("AssumeFPS", {Req("clip", ParamType::Clip), Req("like", ParamType::Clip), Opt("sync_audio", ParamType::Bool)},
        [](const CallArgs& a) {
          const ClipInfo& like = a.Clip("like")->Info();
          return WithRate(a.Clip("clip"), like.rateNumerator, like.rateDenominator, a.Bool("sync_audio", false));
        });
}

}  // namespace tandemix::engine
