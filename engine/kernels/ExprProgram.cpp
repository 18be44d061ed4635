#include "engine/kernels/ExprProgram.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <sstream>
#include <utility>

#include "base/VectorKernels.h"
#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

[[noreturn]] void Fail(const std::string& message) { throw FilterError("Expr: " + message); }

struct Operator {
  const char* name;
  ExprOpKind kind;
  int operands;
};
constexpr Operator kOperators[] = {
    {"+", ExprOpKind::Add, 2},           {"-", ExprOpKind::Sub, 2},        {"*", ExprOpKind::Mul, 2},
    {"/", ExprOpKind::Div, 2},           {"^", ExprOpKind::Pow, 2},        {"pow", ExprOpKind::Pow, 2},
    {"%", ExprOpKind::Mod, 2},           {"min", ExprOpKind::Min, 2},      {"max", ExprOpKind::Max, 2},
    {"atan2", ExprOpKind::Atan2, 2},     {">", ExprOpKind::Greater, 2},    {"<", ExprOpKind::Less, 2},
    {"=", ExprOpKind::Equal, 2},         {"==", ExprOpKind::Equal, 2},     {"!=", ExprOpKind::NotEqual, 2},
    {">=", ExprOpKind::GreaterEqual, 2}, {"<=", ExprOpKind::LessEqual, 2}, {"and", ExprOpKind::And, 2},
    {"or", ExprOpKind::Or, 2},           {"xor", ExprOpKind::Xor, 2},      {"neg", ExprOpKind::Neg, 1},
    {"abs", ExprOpKind::Abs, 1},         {"sqrt", ExprOpKind::Sqrt, 1},    {"exp", ExprOpKind::Exp, 1},
    {"log", ExprOpKind::Log, 1},         {"sin", ExprOpKind::Sin, 1},      {"cos", ExprOpKind::Cos, 1},
    {"tan", ExprOpKind::Tan, 1},         {"asin", ExprOpKind::Asin, 1},    {"acos", ExprOpKind::Acos, 1},
    {"atan", ExprOpKind::Atan, 1},       {"round", ExprOpKind::Round, 1},  {"floor", ExprOpKind::Floor, 1},
    {"ceil", ExprOpKind::Ceil, 1},       {"trunc", ExprOpKind::Trunc, 1},  {"sgn", ExprOpKind::Sgn, 1},
    {"not", ExprOpKind::Not, 1},         {"?", ExprOpKind::Select, 3},     {"clip", ExprOpKind::Clip, 3},
};

// The clip a letter names: x, y, z, then a to w.
int ClipIndex(char c) {
  if (c == 'x') return 0;
  if (c == 'y') return 1;
  if (c == 'z') return 2;
  if (c >= 'a' && c <= 'w') return c - 'a' + 3;
  return -1;
}

bool IsLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }

// A whole token as a float; throws in Expr's words otherwise.
float ParseNumber(const std::string& token) {
  const char* begin = token.data();
  const char* end = begin + token.size();
  if (begin != end && *begin == '+') ++begin;
  float value = 0.0f;
  const auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || ptr == begin) Fail("Failed to convert '" + token + "' to float");
  if (ptr != end) Fail("Failed to convert '" + token + "' to float, not the whole token could be converted");
  return value;
}

// Reads a signed decimal integer at `p`; false when there are no digits.
bool ReadInt(const char*& p, const char* end, int& value) {
  const char* start = p;
  if (p != end && (*p == '-' || *p == '+')) ++p;
  if (p == end || !std::isdigit(static_cast<unsigned char>(*p))) {
    p = start;
    return false;
  }
  long long v = 0;
  while (p != end && std::isdigit(static_cast<unsigned char>(*p))) {
    v = std::min<long long>(v * 10 + (*p - '0'), 1LL << 40);
    ++p;
  }
  if (*start == '-') v = -v;
  value = static_cast<int>(std::clamp<long long>(v, -(1LL << 30), 1LL << 30));
  return true;
}

// "x[dx,dy]": the relative position of a clip letter's pixel.
std::pair<int, int> ParseRelative(const std::string& token, const ExprPlaneShape& shape) {
  const char* p = token.data() + 2;
  const char* end = token.data() + token.size();
  int dx = 0, dy = 0;
  if (!ReadInt(p, end, dx)) Fail("Failed to convert '" + token + "' to integer, relative index dx");
  if (p == end || *p != ',') Fail("Failed to convert '" + token + "', character ',' expected between the coordinates");
  ++p;
  if (!ReadInt(p, end, dy)) Fail("Failed to convert '" + token + "' to integer, relative index dy");
  if (p == end || *p != ']') Fail("Failed to convert '" + token + "' to [x,y], closing ']' expected ");
  if (p + 1 != end) Fail("Failed to convert '" + token + "' to [x,y], invalid character after ']'");
  if (dx <= -shape.pictureWidth || dx >= shape.pictureWidth)
    Fail("dx must be between +/- (width-1) in '" + token + "'");
  if (dy <= -shape.pictureHeight || dy >= shape.pictureHeight)
    Fail("dy must be between +/- (height-1) in '" + token + "'");
  return {dx, dy};
}

// The fixed constants of 8-bit planes.
bool NamedConstant(const std::string& token, float& value) {
  static const std::map<std::string, float> constants = {
      {"ymin", 16.0f},        {"ymax", 235.0f},
      {"cmin", 16.0f},        {"cmax", 240.0f},
      {"range_min", 0.0f},    {"range_max", 255.0f},
      {"range_size", 256.0f}, {"range_half", 128.0f},
      {"bitdepth", 8.0f},     {"pi", std::numbers::pi_v<float>},
  };
  const auto it = constants.find(token);
  if (it == constants.end()) return false;
  value = it->second;
  return true;
}

class Compiler {
 public:
  explicit Compiler(const ExprPlaneShape& shape) : shape_(shape) {}

  ExprProgram Compile(const std::string& text) {
    std::istringstream words(text);
    std::string token;
    bool any = false;
    while (words >> token) {
      any = true;
      Token(token);
    }
    if (!any) {
      program_.copy = true;
      return program_;
    }
    if (stack_.size() != 1)
      Fail("Stack unbalanced at end of expression (size=" + std::to_string(stack_.size()) +
           "). Need to have exactly one value on the stack to return.");
    program_.result = stack_.back();
    program_.slots = std::max(program_.slots, 1);
    return program_;
  }

 private:
  std::uint16_t Allocate() {
    for (std::size_t i = 0; i < used_.size(); ++i)
      if (!used_[i]) {
        used_[i] = true;
        return static_cast<std::uint16_t>(i);
      }
    used_.push_back(true);
    program_.slots = static_cast<int>(used_.size());
    return static_cast<std::uint16_t>(used_.size() - 1);
  }
  void Free(std::uint16_t slot) { used_[slot] = false; }
  std::uint16_t Pop() {
    const std::uint16_t s = stack_.back();
    stack_.pop_back();
    return s;
  }
  void Need(std::size_t count, const std::string& token) {
    if (stack_.size() < count) Fail("Not enough elements on stack to perform operation " + token);
  }
  // Pushes a value made by `op` into a new slot.
  void Push(ExprOp op) {
    op.dst = Allocate();
    program_.ops.push_back(op);
    stack_.push_back(op.dst);
  }
  void PushKind(ExprOpKind kind, float value = 0.0f) {
    ExprOp op;
    op.kind = kind;
    op.value = value;
    Push(op);
  }
  // The constant a slot holds when the last operation writing it was a Const.
  bool ConstantIn(std::uint16_t slot, float& value) const {
    for (auto it = program_.ops.rbegin(); it != program_.ops.rend(); ++it)
      if (it->dst == slot) {
        if (it->kind != ExprOpKind::Const) return false;
        value = it->value;
        return true;
      }
    return false;
  }
  void CopyOf(std::uint16_t from) {
    float value = 0.0f;
    if (ConstantIn(from, value)) return PushKind(ExprOpKind::Const, value);
    ExprOp op;
    op.kind = ExprOpKind::Copy;
    op.a = from;
    Push(op);
  }

  void Token(const std::string& token) {
    for (const Operator& o : kOperators)
      if (token == o.name) return Apply(o, token);
    if (token == "dup" || token == "swap" || (token.rfind("dup", 0) == 0 && token.size() > 3) ||
        (token.rfind("swap", 0) == 0 && token.size() > 4))
      return StackOp(token);
    if (ClipIndex(token[0]) >= 0 && (token.size() == 1 || token[1] == '[')) return LoadClip(token);
    if (token == "scaleb" || token == "scalef") {
      Need(1, token);  // the values of 8-bit planes need no scaling
      return;
    }
    float value = 0.0f;
    if (NamedConstant(token, value)) return PushKind(ExprOpKind::Const, value);
    if (token == "width") return PushKind(ExprOpKind::Const, static_cast<float>(shape_.width));
    if (token == "height") return PushKind(ExprOpKind::Const, static_cast<float>(shape_.height));
    if (token == "sx") return PushKind(ExprOpKind::Sx);
    if (token == "sy") return PushKind(ExprOpKind::Sy);
    if (token == "sxr") return PushKind(ExprOpKind::Sxr);
    if (token == "syr") return PushKind(ExprOpKind::Syr);
    if (token == "frameno") return PushKind(ExprOpKind::FrameNo);
    if (token == "time") return PushKind(ExprOpKind::Time);
    if (token.size() > 1 && (token.back() == '@' || token.back() == '^')) return Store(token);
    const auto var = variables_.find(token);
    if (var != variables_.end()) return CopyOf(var->second);
    if (IsLetter(token[0])) Fail("keyword or variable not found: '" + token + "'");
    PushKind(ExprOpKind::Const, ParseNumber(token));
  }

  void Apply(const Operator& o, const std::string& token) {
    Need(static_cast<std::size_t>(o.operands), token);
    ExprOp op;
    op.kind = o.kind;
    std::uint16_t in[3] = {0, 0, 0};
    for (int i = o.operands - 1; i >= 0; --i) in[i] = Pop();
    op.a = in[0];
    op.b = in[1];
    op.c = in[2];
    for (int i = 0; i < o.operands; ++i) Free(in[i]);
    // Operations on constants are done here, as AviSynth folds them (its
    // round then rounds halves away from zero, not to even).
    float value[3] = {0.0f, 0.0f, 0.0f};
    bool constant = true;
    for (int i = 0; i < o.operands; ++i) constant = constant && ConstantIn(in[i], value[i]);
    if (constant) {
      const float folded =
          o.kind == ExprOpKind::Round ? std::round(value[0]) : ExprScalar(o.kind, value[0], value[1], value[2]);
      return PushKind(ExprOpKind::Const, folded);
    }
    // The result may take an operand's slot: each lane reads its operands
    // before it is written.
    Push(op);
  }

  void StackOp(const std::string& token) {
    const bool dup = token.rfind("dup", 0) == 0;
    const std::string suffix = token.substr(dup ? 3 : 4);
    int n = dup ? 0 : 1;
    if (!suffix.empty()) {
      const char* p = suffix.data();
      if (!ReadInt(p, suffix.data() + suffix.size(), n) || p != suffix.data() + suffix.size())
        Fail(std::string("Failed to convert ") + (dup ? "dup" : "swap") + " suffix '" + token + "' to valid index");
      if (dup && n < 0) Fail("Dup suffix can't be less than 0 '" + token + "'");
      if (!dup && n < 1) Fail("Swap suffix can't be less than 1 '" + token + "'");
    }
    Need(static_cast<std::size_t>(n) + 1, token);
    const std::size_t top = stack_.size() - 1;
    if (dup) return CopyOf(stack_[top - static_cast<std::size_t>(n)]);
    std::swap(stack_[top], stack_[top - static_cast<std::size_t>(n)]);
  }

  void LoadClip(const std::string& token) {
    const int clip = ClipIndex(token[0]);
    if (clip >= shape_.clips) Fail("Too few input clips supplied to reference '" + token + "'");
    ExprOp op;
    op.kind = ExprOpKind::Load;
    op.clip = static_cast<std::int16_t>(clip);
    if (token.size() > 1) std::tie(op.dx, op.dy) = ParseRelative(token, shape_);
    Push(op);
  }

  // NAME@ keeps the value on the stack, NAME^ takes it off.
  void Store(const std::string& token) {
    Need(1, token);
    const std::string name = token.substr(0, token.size() - 1);
    auto it = variables_.find(name);
    if (it == variables_.end()) {
      it = variables_.emplace(name, Allocate()).first;
    }
    ExprOp op;
    op.kind = ExprOpKind::Copy;
    op.a = stack_.back();
    op.dst = it->second;
    program_.ops.push_back(op);
    if (token.back() == '^') Free(Pop());
  }

  ExprPlaneShape shape_;
  ExprProgram program_;
  std::vector<std::uint16_t> stack_;
  std::vector<bool> used_;
  std::map<std::string, std::uint16_t> variables_;
};

}  // namespace

ExprProgram CompileExpr(const std::string& text, const ExprPlaneShape& shape) { return Compiler(shape).Compile(text); }

float ExprScalar(ExprOpKind kind, float a, float b, float c) {
  switch (kind) {
    case ExprOpKind::Neg:
      return -a;
    case ExprOpKind::Abs:
      return std::fabs(a);
    case ExprOpKind::Sqrt:
      return std::sqrt(a > 0.0f ? a : 0.0f);
    case ExprOpKind::Exp:
      return std::exp(a);
    case ExprOpKind::Log:
      return std::log(a);
    case ExprOpKind::Sin:
      return std::sin(a);
    case ExprOpKind::Cos:
      return std::cos(a);
    case ExprOpKind::Tan:
      return std::tan(a);
    case ExprOpKind::Asin:
      return std::asin(a);
    case ExprOpKind::Acos:
      return std::acos(a);
    case ExprOpKind::Atan:
      return std::atan(a);
    case ExprOpKind::Round:
      return std::nearbyint(a);  // to even, as the vector instructions round
    case ExprOpKind::Floor:
      return std::floor(a);
    case ExprOpKind::Ceil:
      return std::ceil(a);
    case ExprOpKind::Trunc:
      return std::trunc(a);
    case ExprOpKind::Sgn:
      return a > 0.0f ? 1.0f : a < 0.0f ? -1.0f : 0.0f;
    case ExprOpKind::Not:
      return a > 0.0f ? 0.0f : 1.0f;
    case ExprOpKind::Add:
      return a + b;
    case ExprOpKind::Sub:
      return a - b;
    case ExprOpKind::Mul:
      return a * b;
    case ExprOpKind::Div:
      return a / b;
    case ExprOpKind::Pow:
      return std::pow(a, b);
    case ExprOpKind::Mod:
      return std::fmod(a, b);
    case ExprOpKind::Min:
      return a < b ? a : b;
    case ExprOpKind::Max:
      return a > b ? a : b;
    case ExprOpKind::Atan2:
      return std::atan2(a, b);
    case ExprOpKind::Greater:
      return a > b ? 1.0f : 0.0f;
    case ExprOpKind::Less:
      return a < b ? 1.0f : 0.0f;
    case ExprOpKind::Equal:
      return a == b ? 1.0f : 0.0f;
    case ExprOpKind::NotEqual:
      return a != b ? 1.0f : 0.0f;
    case ExprOpKind::GreaterEqual:
      return a >= b ? 1.0f : 0.0f;
    case ExprOpKind::LessEqual:
      return a <= b ? 1.0f : 0.0f;
    case ExprOpKind::And:
      return a > 0.0f && b > 0.0f ? 1.0f : 0.0f;
    case ExprOpKind::Or:
      return a > 0.0f || b > 0.0f ? 1.0f : 0.0f;
    case ExprOpKind::Xor:
      return (a > 0.0f) != (b > 0.0f) ? 1.0f : 0.0f;
    case ExprOpKind::Select:
      return a > 0.0f ? b : c;
    case ExprOpKind::Clip: {
      const float low = a > b ? a : b;
      return low < c ? low : c;
    }
    default:
      return 0.0f;
  }
}

namespace {

// Loads n pixels of a clip's row from x0 + dx on, clamped to the row.
void LoadPlain(const ExprOp& op, const ExprRowInputs& in, int y, int x0, int n, float* d) {
  const int row = std::clamp(y + op.dy, 0, in.height - 1);
  const std::uint8_t* s = in.planes[op.clip] + in.strides[op.clip] * static_cast<std::size_t>(row);
  for (int i = 0; i < n; ++i) d[i] = s[std::clamp(x0 + i + op.dx, 0, in.width - 1)];
}

}  // namespace

void RunExprBlockPlain(const ExprProgram& program, const ExprRowInputs& in, int y, int x0, int n, std::uint8_t* out,
                       float* scratch) {
  auto slot = [scratch](int s) { return scratch + static_cast<std::size_t>(s) * kExprBlock; };
  for (const ExprOp& op : program.ops) {
    float* d = slot(op.dst);
    const float* a = slot(op.a);
    const float* b = slot(op.b);
    const float* c = slot(op.c);
    switch (op.kind) {
      case ExprOpKind::Load:
        LoadPlain(op, in, y, x0, n, d);
        break;
      case ExprOpKind::Const:
        std::fill(d, d + n, op.value);
        break;
      case ExprOpKind::FrameNo:
        std::fill(d, d + n, static_cast<float>(in.frame));
        break;
      case ExprOpKind::Time:
        std::fill(d, d + n, in.time);
        break;
      case ExprOpKind::Sx:
        for (int i = 0; i < n; ++i) d[i] = static_cast<float>(x0 + i);
        break;
      case ExprOpKind::Sy:
        std::fill(d, d + n, static_cast<float>(y));
        break;
      case ExprOpKind::Sxr: {
        const float scale = in.width > 1 ? 1.0f / static_cast<float>(in.width - 1) : 0.0f;
        for (int i = 0; i < n; ++i) d[i] = static_cast<float>(x0 + i) * scale;
        break;
      }
      case ExprOpKind::Syr:
        std::fill(d, d + n, in.height > 1 ? static_cast<float>(y) * (1.0f / static_cast<float>(in.height - 1)) : 0.0f);
        break;
      case ExprOpKind::Copy:
        std::copy(a, a + n, d);
        break;
      // The commonest operations in loops of their own, the rest per pixel.
      case ExprOpKind::Add:
        for (int i = 0; i < n; ++i) d[i] = a[i] + b[i];
        break;
      case ExprOpKind::Sub:
        for (int i = 0; i < n; ++i) d[i] = a[i] - b[i];
        break;
      case ExprOpKind::Mul:
        for (int i = 0; i < n; ++i) d[i] = a[i] * b[i];
        break;
      case ExprOpKind::Div:
        for (int i = 0; i < n; ++i) d[i] = a[i] / b[i];
        break;
      default:
        for (int i = 0; i < n; ++i) d[i] = ExprScalar(op.kind, a[i], b[i], c[i]);
        break;
    }
  }
  const float* r = slot(program.result);
  for (int i = 0; i < n; ++i) {
    float v = r[i] > 0.0f ? r[i] : 0.0f;
    v = v < 255.0f ? v : 255.0f;
    out[i] = static_cast<std::uint8_t>(static_cast<int>(v + 0.5f));
  }
}

void RunExprRow(const ExprProgram& program, const ExprRowInputs& in, int y, std::uint8_t* out, float* scratch) {
  const bool avx2 = UseAvx2Kernels();
  const bool sse = UseSse41Kernels();
  for (int x0 = 0; x0 < in.width; x0 += kExprBlock) {
    const int n = std::min(kExprBlock, in.width - x0);
    if (avx2)
      RunExprBlockAvx2(program, in, y, x0, n, out + x0, scratch);
    else if (sse)
      RunExprBlockSse(program, in, y, x0, n, out + x0, scratch);
    else
      RunExprBlockPlain(program, in, y, x0, n, out + x0, scratch);
  }
}

}  // namespace tandemix::engine
