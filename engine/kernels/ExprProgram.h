// Per-pixel expressions in reverse Polish notation (Expr): the text of one
// plane's expression parsed into a flat list of operations on float rows,
// then run over blocks of up to kExprBlock pixels of a row at a time.
//
// Each value on the expression's stack lives in a slot, a block of floats;
// the parser knows every stack position at each step, so an operation names
// the slots it reads and writes and nothing is decided per pixel. swap only
// renames slots; dup and the variables copy them. Results are clamped to
// 0..255 and rounded half up (NaN gives 0).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tandemix::engine {

constexpr int kExprBlock = 256;  // pixels per block (a multiple of every vector width)

enum class ExprOpKind : std::uint8_t {
  // Values
  Load,     // clip `clip` at (x + dx, y + dy), clamped to the plane
  Const,    // `value`
  FrameNo,  // the frame's number
  Time,     // frame number / frame count
  Sx,       // the pixel's column
  Sy,       // its row
  Sxr,      // column / (width - 1)
  Syr,      // row / (height - 1)
  Copy,     // dup and the variables
  // One operand
  Neg,
  Abs,
  Sqrt,
  Exp,
  Log,
  Sin,
  Cos,
  Tan,
  Asin,
  Acos,
  Atan,
  Round,
  Floor,
  Ceil,
  Trunc,
  Sgn,
  Not,
  // Two operands
  Add,
  Sub,
  Mul,
  Div,
  Pow,
  Mod,
  Min,
  Max,
  Atan2,
  Greater,
  Less,
  Equal,
  NotEqual,
  GreaterEqual,
  LessEqual,
  And,
  Or,
  Xor,
  // Three operands
  Select,  // a b c ?: b where a > 0, else c
  Clip,    // a lo hi clip: a held between lo and hi
};

struct ExprOp {
  ExprOpKind kind = ExprOpKind::Const;
  std::uint16_t dst = 0, a = 0, b = 0, c = 0;  // slots
  std::int16_t clip = 0;                       // Load: which input (x = 0, y = 1, z = 2, a = 3, ...)
  std::int32_t dx = 0, dy = 0;                 // Load: the relative position
  float value = 0.0f;                          // Const
};

// What an expression may refer to: the number of input clips, the size of
// the plane it computes, and the picture's (relative pixels may reach as
// far as the picture's size less one, in every plane).
struct ExprPlaneShape {
  int clips = 1;
  int width = 0;
  int height = 0;
  int pictureWidth = 0;
  int pictureHeight = 0;
};

struct ExprProgram {
  std::vector<ExprOp> ops;
  int slots = 0;      // slots the operations use
  int result = 0;     // the slot holding the value at the end
  bool copy = false;  // an empty expression: the plane is the first clip's
};

// Parses an expression; throws FilterError in Expr's words naming the token.
ExprProgram CompileExpr(const std::string& text, const ExprPlaneShape& shape);

// The inputs of one row: for each clip its plane's first row and stride.
struct ExprRowInputs {
  const std::uint8_t* const* planes = nullptr;
  const std::size_t* strides = nullptr;
  int width = 0;
  int height = 0;
  int frame = 0;
  float time = 0.0f;
};

// Computes row `y` of a plane into `out` (width bytes). `scratch` holds
// program.slots * kExprBlock floats, aligned to 32 bytes. The vector forms
// give the plain form's bytes.
void RunExprRow(const ExprProgram& program, const ExprRowInputs& in, int y, std::uint8_t* out, float* scratch);

// The forms one level each, for tests and the dispatcher.
void RunExprBlockPlain(const ExprProgram& program, const ExprRowInputs& in, int y, int x0, int n, std::uint8_t* out,
                       float* scratch);
void RunExprBlockSse(const ExprProgram& program, const ExprRowInputs& in, int y, int x0, int n, std::uint8_t* out,
                     float* scratch);
void RunExprBlockAvx2(const ExprProgram& program, const ExprRowInputs& in, int y, int x0, int n, std::uint8_t* out,
                      float* scratch);

// The value of an operation of one, two or three operands on single floats
// (the plain form, and the vector forms for the functions they call per lane).
float ExprScalar(ExprOpKind kind, float a, float b, float c);

}  // namespace tandemix::engine
