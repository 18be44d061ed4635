// Expr: per-pixel expressions in reverse Polish notation over up to 26
// planar clips (x, y, z, a .. w), one expression per plane of the output
// (when fewer are given the last one repeats; "" copies the first clip's
// plane). Each expression is compiled once (engine/kernels/ExprProgram.h)
// and its rows run on the pool.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/ParallelFor.h"
#include "engine/filters/FilterFamilies.h"
#include "engine/filters/FrameOps.h"
#include "engine/frames/ScriptError.h"
#include "engine/kernels/ExprProgram.h"

namespace tandemix::engine {
namespace {

[[noreturn]] void Fail(const std::string& message) { throw FilterError("Expr: " + message); }

// Floats aligned for the widest vectors, as the programs' slots.
struct Scratch {
  explicit Scratch(int slots) : data(static_cast<std::size_t>(slots) * kExprBlock + 8, 0.0f) {}
  float* Slots() {
    const auto address = reinterpret_cast<std::uintptr_t>(data.data());
    return data.data() + ((32 - address % 32) % 32) / sizeof(float);
  }
  std::vector<float> data;
};

class ExprClip : public Clip {
 public:
  ExprClip(std::vector<ClipPtr> clips, std::vector<ExprProgram> programs, const ClipInfo& info)
      : Clip(info), clips_(std::move(clips)), programs_(std::move(programs)), pool_("Expr") {
    PassAudioFrom(clips_[0]);
  }

  FramePtr GetFrame(int n) override {
    std::vector<FramePtr> frames;
    frames.reserve(clips_.size());
    for (const ClipPtr& c : clips_) frames.push_back(c->GetFrame(std::clamp(n, 0, c->Info().frameCount - 1)));
    auto out = pool_.Take(info_, FramePool::Fill::Overwritten);
    const float time = info_.frameCount > 1 ? static_cast<float>(n) / static_cast<float>(info_.frameCount - 1) : 0.0f;
    for (int p = 0; p < out->Planes(); ++p) {
      const ExprProgram& program = programs_[static_cast<std::size_t>(p)];
      const int w = out->PlaneWidth(p), h = out->PlaneHeight(p);
      // A grey input serves each plane of a three-plane output with its luma.
      std::vector<const std::uint8_t*> planes;
      std::vector<std::size_t> strides;
      for (const FramePtr& f : frames) {
        const int q = std::min(p, f->Planes() - 1);
        planes.push_back(f->Plane(q));
        strides.push_back(f->Stride(q));
      }
      if (program.copy) {
        for (int y = 0; y < h; ++y)
          std::memcpy(out->Row(p, y), planes[0] + strides[0] * static_cast<std::size_t>(y),
                      static_cast<std::size_t>(w));
        continue;
      }
      ExprRowInputs in;
      in.planes = planes.data();
      in.strides = strides.data();
      in.width = w;
      in.height = h;
      in.frame = n;
      in.time = time;
      const long long cost = static_cast<long long>(w) * static_cast<long long>(program.ops.size() + 1);
      ParallelFor(h, cost, [&](int begin, int end) {
        Scratch scratch(program.slots);
        for (int y = begin; y < end; ++y) RunExprRow(program, in, y, out->Row(p, y), scratch.Slots());
      });
    }
    return out;
  }

 private:
  std::vector<ClipPtr> clips_;
  std::vector<ExprProgram> programs_;
  FramePool pool_;
};

void CheckInput(PixelType t, std::size_t index) {
  const std::string clip = "clip #" + std::to_string(index + 1);
  if (IsRGBType(t)) Fail("No packed RGB format allowed for " + clip + ", use planar RGB instead");
  if (t == PixelType::YUY2) Fail("YUY2 format not allowed for " + clip);
}

Value Expr(const CallArgs& a) {
  std::vector<ClipPtr> clips{a.Clip("clip")};
  std::vector<std::string> texts;
  for (const Value& v : a.Rest()) {
    if (v.IsClip() && texts.empty()) {
      clips.push_back(v.AsClip());
    } else if (v.IsString()) {
      texts.push_back(v.AsString());
    } else {
      throw FilterError("Script error: Invalid arguments to function 'Expr'.");
    }
  }
  if (texts.empty()) throw FilterError("Script error: Invalid arguments to function 'Expr'.");
  if (clips.size() > 26) Fail("too many input clips (at most 26: x, y, z and a to w)");
  const ClipInfo& first = clips[0]->Info();
  for (const ClipPtr& c : clips) {
    const ClipInfo& ci = c->Info();
    if (ci.width != first.width || ci.height != first.height ||
        PlaneCountOf(ci.pixelType) != PlaneCountOf(first.pixelType) ||
        ChromaShiftX(ci.pixelType) != ChromaShiftX(first.pixelType) ||
        ChromaShiftY(ci.pixelType) != ChromaShiftY(first.pixelType))
      Fail("All inputs must have the same number of planes and the same dimensions, subsampling included");
  }
  for (std::size_t i = 0; i < clips.size(); ++i) CheckInput(clips[i]->Info().pixelType, i);
  ClipInfo info = first;
  if (a.Has("format")) {
    PixelType t = first.pixelType;
    if (!ParsePixelType(a.String("format"), t)) Fail("Invalid video format string parameter");
    if (IsRGBType(t)) Fail("No packed RGB format allowed");
    if (t == PixelType::YUY2) Fail("YUY2 format not allowed");
    // A grey input may make every plane of a 4:4:4 output.
    if (first.pixelType == PixelType::Y8 && (ChromaShiftX(t) || ChromaShiftY(t)))
      Fail("output must not be a subsampled format for Y-only input(s)");
    if (first.pixelType != PixelType::Y8 && t != PixelType::Y8 &&
        (ChromaShiftX(t) != ChromaShiftX(first.pixelType) || ChromaShiftY(t) != ChromaShiftY(first.pixelType)))
      Fail("inputs and output must have the same subsampling");
    info.pixelType = t;
  }
  if (a.Has("scale_inputs")) {
    // 8-bit inputs keep their values under every choice.
    const std::string s = a.String("scale_inputs");
    static const char* const kChoices[] = {"all", "allf", "int", "intf", "float", "floatf", "floatUV", "none"};
    if (std::none_of(std::begin(kChoices), std::end(kChoices), [&](const char* c) { return s == c; }))
      Fail("scale_inputs must be 'all','allf','int','intf','float','floatf','floatUV' or 'none'");
  }
  const int planes = PlaneCountOf(info.pixelType);
  if (static_cast<int>(texts.size()) > planes) Fail("More expressions given than there are planes");
  std::vector<ExprProgram> programs;
  for (int p = 0; p < planes; ++p) {
    ExprPlaneShape shape;
    shape.clips = static_cast<int>(clips.size());
    shape.width = p == 0 ? info.width : info.width >> ChromaShiftX(info.pixelType);
    shape.height = p == 0 ? info.height : info.height >> ChromaShiftY(info.pixelType);
    shape.pictureWidth = info.width;
    shape.pictureHeight = info.height;
    // Planar RGB takes its expressions as R, G, B, A; its planes lie as B, G, R, A.
    // Without an expression of its own, alpha is copied.
    const int e = IsPlanarRGBType(info.pixelType) && p < 3 ? 2 - p : p;
    const bool copyAlpha = p == 3 && texts.size() < 4;
    programs.push_back(CompileExpr(
        copyAlpha ? std::string() : texts[std::min<std::size_t>(static_cast<std::size_t>(e), texts.size() - 1)],
        shape));
  }
  return Value::Clip(std::make_shared<ExprClip>(std::move(clips), std::move(programs), info));
}

}  // namespace

void RegisterExprFunctions(FunctionTable& t) {
  t.Add("Expr",
        {Req("clip", ParamType::Clip), Many("expressions", ParamType::Any), Opt("format", ParamType::String),
         Opt("optAvx2", ParamType::Bool), Opt("optSingleMode", ParamType::Bool), Opt("optSSE2", ParamType::Bool),
         Opt("scale_inputs", ParamType::String), Opt("clamp_float", ParamType::Bool),
         Opt("clamp_float_UV", ParamType::Bool), Opt("lut", ParamType::Int)},
        Expr);
}

}  // namespace tandemix::engine
