// Animate and ApplyRange: a filter called with arguments that change over
// the frames (Animate interpolates integer and float arguments between two
// lists), or applied to a range of frames only (ApplyRange). The filter is
// called by name through a small runtime script whose variables carry the
// arguments, so any function the script knows, its own included, may be
// animated.
#include <algorithm>
#include <cctype>

#include "engine/filters/FilterFamilies.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

// The call `name(__p0, __p1, ...)`, its arguments given per run.
class FilterCall {
 public:
  FilterCall(const CallArgs& a, const std::string& name, std::size_t count) : owner_(a.Function()) {
    ScriptEnvironment* env = a.Environment();
    const bool word = !name.empty() && (std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_') &&
                      std::all_of(name.begin(), name.end(),
                                  [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
    if (!env || !word || (!env->BuiltInFunctionExists(name) && !env->ScriptFunctionExists(name)))
      throw FilterError("Script error: Invalid arguments to function '" + owner_ + "'.");
    std::string text = name + "(";
    for (std::size_t i = 0; i < count; ++i) text += (i ? ", __p" : "__p") + std::to_string(i);
    script_ = env->Compile(text + ")", "[" + owner_ + "]");
  }

  ClipPtr Make(const std::vector<Value>& args) const {
    Variables locals;
    for (std::size_t i = 0; i < args.size(); ++i) locals.emplace_back("__p" + std::to_string(i), args[i]);
    const Value v = script_->Run(locals, {}).value;
    if (!v.IsClip()) throw FilterError(owner_ + ": the filter did not return a clip");
    return v.AsClip();
  }

 private:
  std::string owner_;
  std::shared_ptr<const RuntimeScript> script_;
};

bool SameFormat(const ClipInfo& x, const ClipInfo& y) {
  return x.width == y.width && x.height == y.height && x.pixelType == y.pixelType;
}

// The arguments at frame n of first..last: integers rounded half up,
// floats exact, anything else as the first list has it.
std::vector<Value> ArgumentsAt(const std::vector<Value>& before, const std::vector<Value>& after, int first, int last,
                               int n) {
  std::vector<Value> now = before;
  const std::int64_t span = last - first;
  for (std::size_t i = 0; i < before.size(); ++i) {
    const Value& a = before[i];
    const Value& b = after[i];
    if (a.IsInt() && b.IsInt()) {
      // floor(value + 1/2), in integers: floor((2 * num + span) / (2 * span)).
      const std::int64_t num = a.AsInt() * (last - n) + b.AsInt() * (n - first);
      const std::int64_t top = 2 * num + span;
      const std::int64_t bottom = 2 * span;
      now[i] = Value::Int(top >= 0 ? top / bottom : -((-top + bottom - 1) / bottom));
    } else if (a.IsNumber() && b.IsNumber()) {
      now[i] = Value::Float((a.AsFloat() * (last - n) + b.AsFloat() * (n - first)) / static_cast<double>(span));
    }
  }
  return now;
}

class AnimateNode : public Clip {
 public:
  // Animate: `original` is null. ApplyRange: frames outside first..last
  // come from `original` unchanged.
  AnimateNode(ClipPtr original, std::shared_ptr<FilterCall> call, std::vector<Value> before, std::vector<Value> after,
              ClipPtr atFirst, ClipPtr atLast, int first, int last)
      : Clip(original ? original->Info() : atFirst->Info()),
        original_(std::move(original)),
        call_(std::move(call)),
        before_(std::move(before)),
        after_(std::move(after)),
        atFirst_(std::move(atFirst)),
        atLast_(std::move(atLast)),
        first_(first),
        last_(last) {
    PassAudioFrom(original_ ? original_ : atFirst_);
  }

  FramePtr GetFrame(int n) override {
    n = ClampFrame(n);
    if (original_) return (n < first_ || n > last_ ? original_ : atFirst_)->GetFrame(n);
    if (n <= first_) return atFirst_->GetFrame(n);
    if (n >= last_) return atLast_->GetFrame(n);
    const ClipPtr clip = call_->Make(ArgumentsAt(before_, after_, first_, last_, n));
    if (!SameFormat(clip->Info(), info_)) throw FilterError("Animate: initial and final video frame sizes must match");
    return clip->GetFrame(n);
  }

 private:
  ClipPtr original_;
  std::shared_ptr<FilterCall> call_;
  std::vector<Value> before_, after_;
  ClipPtr atFirst_, atLast_;
  int first_, last_;
};

// The filter's arguments: the clip Animate was given (if any), then the rest.
std::vector<Value> Arguments(const CallArgs& a, bool withClip) {
  std::vector<Value> args;
  if (withClip) args.push_back(a.At(0));
  for (const Value& v : a.Rest()) args.push_back(v);
  return args;
}

Value Animate(const CallArgs& a, bool withClip) {
  const std::size_t at = withClip ? 1 : 0;
  const int first = a.Int(at), last = a.Int(at + 1);
  const std::string name = a.String(at + 2);
  if (first == last) throw FilterError("Animate: final frame cannot be the same as initial frame.");
  if (first > last) throw FilterError("Animate: final frame number must be greater than initial.");
  const std::vector<Value>& rest = a.Rest();
  if (rest.size() % 2) throw FilterError("Animate: must have two argument lists of the same length");
  std::vector<Value> before(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(rest.size() / 2));
  std::vector<Value> after(rest.begin() + static_cast<std::ptrdiff_t>(rest.size() / 2), rest.end());
  for (std::size_t i = 0; i < before.size(); ++i) {
    const Value& x = before[i];
    const Value& y = after[i];
    if (x.GetType() != y.GetType() && !(x.IsNumber() && y.IsNumber()))
      throw FilterError("Animate: must have two argument lists with matching types");
    if (x.IsString() && x.AsString() != y.AsString())
      throw FilterError("Animate: string arguments must match before and after");
    if (x.IsBool() && x.AsBool() != y.AsBool())
      throw FilterError("Animate: boolean arguments must match before and after");
  }
  if (withClip) {
    before.insert(before.begin(), a.At(0));
    after.insert(after.begin(), a.At(0));
  }
  auto call = std::make_shared<FilterCall>(a, name, before.size());
  ClipPtr atFirst = call->Make(before);
  ClipPtr atLast = call->Make(after);
  if (!SameFormat(atFirst->Info(), atLast->Info()))
    throw FilterError("Animate: initial and final video frame sizes must match");
  return Value::Clip(std::make_shared<AnimateNode>(nullptr, std::move(call), std::move(before), std::move(after),
                                                   std::move(atFirst), std::move(atLast), first, last));
}

Value ApplyRange(const CallArgs& a) {
  const int first = a.Int(1), last = a.Int(2);
  if (first > last) throw FilterError("Animate: final frame number must be greater than initial.");
  const std::vector<Value> args = Arguments(a, true);
  auto call = std::make_shared<FilterCall>(a, a.String(3), args.size());
  ClipPtr filtered = call->Make(args);
  if (!SameFormat(filtered->Info(), a.Clip(0)->Info()))
    throw FilterError("ApplyRange: Filtered and unfiltered video frame sizes must match");
  return Value::Clip(
      std::make_shared<AnimateNode>(a.Clip(0), std::move(call), args, args, filtered, filtered, first, last));
}

}  // namespace

void RegisterAnimateFunctions(FunctionTable& t) {
  const std::vector<Param> withClip = {Req("clip", ParamType::Clip), Req("start_frame", ParamType::Int),
                                       Req("end_frame", ParamType::Int), Req("filtername", ParamType::String)};
  const std::vector<Param> without = {Req("start_frame", ParamType::Int), Req("end_frame", ParamType::Int),
                                      Req("filtername", ParamType::String)};
  auto many = [](std::vector<Param> p) {
    p.push_back(Many("args", ParamType::Any));
    return p;
  };
  t.Add("Animate", many(withClip), [](const CallArgs& a) { return Animate(a, true); });
  t.Add("Animate", withClip, [](const CallArgs& a) { return Animate(a, true); });
  t.Add("Animate", many(without), [](const CallArgs& a) { return Animate(a, false); });
  t.Add("ApplyRange", many(withClip), ApplyRange);
  t.Add("ApplyRange", withClip, ApplyRange);
}

}  // namespace tandemix::engine
