// Expr: whole frames against the AviSynth engine's bytes (a digest per
// row), single values of the operators and constants on flat clips, the
// refusals in AviSynth's words, and the vector forms against the plain one.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/VectorKernels.h"
#include "engine/kernels/ExprProgram.h"
#include "tests/engine/FilterDigest.h"

namespace tandemix::test {
namespace {

class ExprFilter : public ::testing::Test {
 protected:
  void TearDown() override { EnableVectorKernels(true); }
  // The value of an expression at (0, 0) on a flat 16x8 Y8 clip of luma x.
  static int Value(const std::string& expression, int x = 100) {
    const std::string script =
        "BlankClip(pixel_type=\"Y8\", width=16, height=8, length=10, color_yuv=" + std::to_string((x << 16) | 0x8080) +
        ").Expr(\"" + expression + "\")";
    return Eval(script)->GetFrame(0)->Row(0, 0)[0];
  }
  TempFolder folder_;
};

// Every byte as AviSynth gives it for the noise picture (70x46) in each
// planar type: `s` is the noise source, the call makes the frame.
TEST_F(ExprFilter, FramesMatchAviSynthByteForByte) {
  const DigestCase cases[] = {
      {"YV12", R"(Expr(s, s.FlipHorizontal(), s.Invert(), "x y + z + 3 /"))", 0, 70, 46, 0xd7c6f6d3u},
      {"YV16", R"(Expr(s, s.FlipHorizontal(), s.Invert(), "x y + z + 3 /"))", 0, 70, 46, 0x39588bfau},
      {"YV24", R"(Expr(s, s.FlipHorizontal(), s.Invert(), "x y + z + 3 /"))", 0, 70, 46, 0xc1339476u},
      {"Y8", R"(Expr(s, s.FlipHorizontal(), s.Invert(), "x y + z + 3 /"))", 0, 70, 46, 0xb35f1706u},
      // One expression a plane; "" copies the plane.
      {"YV12", R"(Expr(s, s.FlipVertical(), "x y - abs 2 *", "x 128 - 1.5 * 128 +", ""))", 0, 70, 46, 0x670e06b6u},
      {"YV24",
       R"(Expr(s, s.FlipVertical(), "x y max 60 min", "x y < x 50 >= and 255 0 ?", "x y = x 7 % 3 != or 200 0 ? y +"))",
       0, 70, 46, 0x67e8eb47u},
      // Relative pixels, clamped at the edges, as far as the picture's size
      // less one in every plane.
      {"YV12", R"(Expr(s, "x[-1,-1] x[1,1] + x[2,-2] - x[-3,5] + 2 /"))", 0, 70, 46, 0xed29926fu},
      {"YV16", R"(Expr(s, "x[-1,-1] x[1,1] + x[2,-2] - x[-3,5] + 2 /"))", 0, 70, 46, 0xf43ee2b2u},
      {"Y8", R"(Expr(s, "x[-69,0] x[69,-45] + 2 / x[0,45] max"))", 0, 70, 46, 0x34c50ee5u},
      // Positions and sizes of each plane; round to even at run time.
      {"YV12",
       R"(Expr(s, "sx sy + 3 % 50 * x + sxr 30 * - syr 20 * +", "width height * 10 / x +", "x 0.5 * round x 0.3 * floor + x 0.4 * ceil + x 0.6 * trunc +"))",
       0, 70, 46, 0xc24b40c2u},
      // Variables (A^ takes the value off the stack, C@ leaves it), swap, dupN, swapN.
      {"YV24",
       R"(Expr(s, s.FlipVertical(), "x 3 A^ y A - B^ B B * 40 / A + C@ C * 255 / +", "x y swap - 128 +", "x y dup1 + + 3 / 1 2 3 swap2 - - +"))",
       0, 70, 46, 0x1afac277u},
      {"YV12",
       R"(Expr(s, "frameno 60 * time 50 * + x +", "x sgn 100 * x 128 - sgn 50 * + 128 +", "x -1 * 300 + 1.3 *"))", 2,
       70, 46, 0xf62e05a6u},
      // Functions; division by zero and NaN.
      {"YV24", R"(Expr(s, "x sqrt 16 *", "x 255 / 2.2 pow 255 *", "x 0 / x 128 - 0 / +"))", 0, 70, 46, 0x8ec45db6u},
      {"YV24", R"(Expr(s, "x 10 / sin 100 * 128 +", "x 10 / cos 100 * 128 +", "x 40 / exp x log 20 * +"))", 0, 70, 46,
       0xfe326b6bu},
      // Constants folded: their round takes halves away from zero.
      {"YV24",
       R"(Expr(s, "x 255 / asin 100 * x 255 / acos 50 * + x 100 / atan 60 * +", "x 2.5 round + 2.5 round +", "x 50 200 clip"))",
       0, 70, 46, 0x9a384090u},
      // A grey input makes each plane of a 4:4:4 output; a YUV one a grey output.
      {"Y8", R"(Expr(s, "x 1 +", "sx x +", format="YV24"))", 0, 70, 46, 0x5f496df6u},
      {"YV12", R"(Expr(s, "x 2 *", format="Y8"))", 0, 70, 46, 0xf13919bcu},
      {"YV24",
       R"(Expr(s, "ymin ymax + cmin + cmax + range_half - 0.7 * x 0.5 * + range_max - range_size + bitdepth +"))", 0,
       70, 46, 0x34ecdfd9u},
  };
  const std::string picture = PictureSource(folder_, "noise.bmp", NoisePicture(70, 46));
  for (const DigestCase& c : cases) {
    const std::string script = "s = " + NoiseSource(picture, c.type, 70, 46) + "\n" + c.call;
    try {
      const engine::ClipPtr clip = Eval(script);
      EXPECT_EQ(SizeOf(clip), (Size{70, 46, 1001})) << c.type << " " << c.call;
      EXPECT_EQ(FrameDigest(*clip->GetFrame(c.frame)), c.digest) << c.type << " " << c.call;
    } catch (const std::exception& e) {
      ADD_FAILURE() << c.type << " " << c.call << ": " << e.what();
    }
  }
}

// Single results on a flat clip of luma x (100 unless given), as AviSynth
// gives them: clamped to 0..255, halves rounded up, NaN to 0.
TEST_F(ExprFilter, OperatorsAndConstantsGiveAviSynthsValues) {
  const struct {
    const char* expression;
    int x, expected;
  } cases[] = {
      {"x 0.5 +", 2, 3},
      {"x 0.5 +", 3, 4},
      {"x 0.5 -", 3, 3},
      {"x 300 +", 100, 255},
      {"x 300 -", 100, 0},
      {"x -0.4 *", 100, 0},
      {"2.5", 100, 3},
      {"x 3 %", 100, 1},
      {"x -3 %", 100, 1},
      {"-7 3 % abs", 100, 1},
      {"x 0 /", 100, 255},
      {"0 0 /", 100, 0},
      {"x 0.5 pow", 100, 10},
      {"2 3 ^", 100, 8},
      {"0 0 pow", 100, 1},
      {"-2 0.5 ^ abs", 100, 0},
      {"x sqrt", 100, 10},
      {"-4 sqrt", 100, 0},
      {"x log", 100, 5},
      {"0 log", 100, 0},
      {"x cos 100 *", 100, 86},
      {"0.5 asin 100 *", 100, 52},
      {"0.5 acos 100 *", 100, 105},
      {"0.5 atan 100 *", 100, 46},
      {"1 2 atan2 100 *", 100, 46},
      {"x 2 x 2 - clip", 100, 98},
      {"x 50 >", 100, 1},
      {"x 100 >=", 100, 1},
      {"x 100 =", 100, 1},
      {"x 100 ==", 100, 1},
      {"x 100 !=", 100, 0},
      {"x 100 <=", 100, 1},
      {"x 2 <", 100, 0},
      {"1 2 and", 100, 1},
      {"0 2 or", 100, 1},
      {"1 2 xor", 100, 0},
      {"x not", 100, 0},
      {"0 not", 100, 1},
      {"0 1 2 ?", 100, 2},
      {"-0.5 1 2 ?", 100, 2},
      {"-5 abs", 100, 5},
      {"x 50 - abs", 100, 50},
      {"3.5 round", 100, 4},
      {"-2.5 round abs", 100, 3},
      {"x 97.5 - round", 100, 2},
      {"x 100 - 2.5 + round", 100, 2},
      {"2.7 floor", 100, 2},
      {"-2.5 floor abs", 100, 3},
      {"-2.5 ceil abs", 100, 2},
      {"-2.5 trunc abs", 100, 2},
      {"2.2 ceil", 100, 3},
      {"1 2 swap -", 100, 1},
      {"1 2 3 4 swap3 - - -", 100, 4},
      {"x 50 min", 100, 50},
      {"x 50 max", 100, 100},
      {"x 1 neg +", 100, 99},
      {"x sgn", 100, 1},
      {"pi", 100, 3},
      {"ymin", 100, 16},
      {"ymax", 100, 235},
      {"cmin", 100, 16},
      {"cmax", 100, 240},
      {"range_max", 100, 255},
      {"range_half", 100, 128},
      {"range_min", 100, 0},
      {"bitdepth", 100, 8},
      {"width", 100, 16},
      {"height", 100, 8},
      {"frameno 1 +", 100, 1},
      {"128 scaleb", 100, 128},
      {"0.5 scalef", 100, 1},
      {"x 3 A^ A +", 100, 103},
      {"x 2 AB^ AB +", 100, 102},
      {"1e2", 100, 100},
      {"1.5e1", 100, 15},
      {"+1", 100, 1},
      {".5 10 *", 100, 5},
      {"x 50 - 3 ^ 1000 /", 100, 125},
      {"x 10 > x 200 < and 255 0 ?", 100, 255},
  };
  for (const auto& c : cases) EXPECT_EQ(Value(c.expression, c.x), c.expected) << c.expression << " at " << c.x;
}

TEST_F(ExprFilter, PositionsAndTimeFollowThePixelAndFrame) {
  // A ramp of 10 per column plus the row, then its left neighbour (clamped).
  const engine::ClipPtr ramp = Eval(
      "BlankClip(pixel_type=\"Y8\", width=16, height=8, length=10).Expr(\"sx 10 * sy +\").Expr(\"x[-1,0] sxr 100 * "
      "+\")");
  const FramePtr f = ramp->GetFrame(0);
  EXPECT_EQ(f->Row(0, 0)[0], 0);
  EXPECT_EQ(f->Row(0, 0)[1], 7);     // 0 + 6.67
  EXPECT_EQ(f->Row(0, 0)[3], 40);    // 20 + 20
  EXPECT_EQ(f->Row(0, 5)[15], 245);  // 145 + 100
  // time is the frame over the last frame's number: 5 / 9.
  const engine::ClipPtr t = Eval("BlankClip(pixel_type=\"Y8\", width=16, height=8, length=10).Expr(\"time 100 *\")");
  EXPECT_EQ(t->GetFrame(5)->Row(0, 0)[0], 56);
  EXPECT_EQ(t->GetFrame(9)->Row(0, 0)[0], 100);
  // The first clip sets the length; shorter ones repeat their last frame.
  EXPECT_EQ(SizeOf(Eval("BlankClip(pixel_type=\"YV24\", length=10).Expr(BlankClip(pixel_type=\"YV24\"), \"x y "
                        "+\")")),
            (Size{640, 480, 10}));
}

TEST_F(ExprFilter, RefusesAsAviSynthDoes) {
  const struct {
    const char* script;
    const char* message;
  } cases[] = {
      {R"(BlankClip(pixel_type="RGB24").Expr("x"))",
       "Expr: No packed RGB format allowed for clip #1, use planar RGB instead"},
      {R"(BlankClip(pixel_type="YV12").Expr(BlankClip(pixel_type="YV12"), BlankClip(pixel_type="RGB32", width=320), "x"))",
       "Expr: All inputs must have the same number of planes and the same dimensions, subsampling included"},
      {R"(BlankClip(pixel_type="YUY2").Expr("x"))", "Expr: YUY2 format not allowed for clip #1"},
      {R"(BlankClip(pixel_type="YV12").Expr("x foo"))", "Expr: keyword or variable not found: 'foo'"},
      {R"(BlankClip(pixel_type="YV12").Expr("x 1 clamp"))", "Expr: keyword or variable not found: 'clamp'"},
      {R"(BlankClip(pixel_type="YV12").Expr("B"))", "Expr: keyword or variable not found: 'B'"},
      {R"(BlankClip(pixel_type="YV12").Expr("x +"))", "Expr: Not enough elements on stack to perform operation +"},
      {R"(BlankClip(pixel_type="YV12").Expr("x 2 3 ? ?"))",
       "Expr: Not enough elements on stack to perform operation ?"},
      {R"(BlankClip(pixel_type="YV12").Expr("x 1"))",
       "Expr: Stack unbalanced at end of expression (size=2). Need to have exactly one value on the stack to return."},
      {R"(BlankClip(pixel_type="YV12").Expr("x A^"))",
       "Expr: Stack unbalanced at end of expression (size=0). Need to have exactly one value on the stack to return."},
      {R"(BlankClip(pixel_type="YV12").Expr("A^"))", "Expr: Not enough elements on stack to perform operation A^"},
      {R"(BlankClip(pixel_type="YV12").Expr(BlankClip(pixel_type="YV24"), "x y +"))",
       "Expr: All inputs must have the same number of planes and the same dimensions, subsampling included"},
      {R"(BlankClip(pixel_type="YV12").Expr("x", format="YV24"))",
       "Expr: inputs and output must have the same subsampling"},
      {R"(BlankClip(pixel_type="Y8").Expr("x", format="YV12"))",
       "Expr: output must not be a subsampled format for Y-only input(s)"},
      {R"(BlankClip(pixel_type="YV12").Expr("x", format="RGB24"))", "Expr: No packed RGB format allowed"},
      {R"(BlankClip(pixel_type="YV12").Expr("x", format="foo"))", "Expr: Invalid video format string parameter"},
      {R"(BlankClip(pixel_type="YV12").Expr("x 1 swap4"))",
       "Expr: Not enough elements on stack to perform operation swap4"},
      {R"(BlankClip(pixel_type="YV12").Expr("x dup3"))",
       "Expr: Not enough elements on stack to perform operation dup3"},
      {R"(BlankClip(pixel_type="YV12").Expr("x swap0"))", "Expr: Swap suffix can't be less than 1 'swap0'"},
      {R"(BlankClip(pixel_type="YV12").Expr("x dup-1"))", "Expr: Dup suffix can't be less than 0 'dup-1'"},
      {R"(BlankClip(pixel_type="YV12").Expr("x dupx"))", "Expr: Failed to convert dup suffix 'dupx' to valid index"},
      {R"(BlankClip(pixel_type="YV12").Expr("x y +"))", "Expr: Too few input clips supplied to reference 'y'"},
      {R"(BlankClip(pixel_type="YV12").Expr("x @ +"))", "Expr: Failed to convert '@' to float"},
      {R"(BlankClip(pixel_type="YV12").Expr("x 0x10 +"))",
       "Expr: Failed to convert '0x10' to float, not the whole token could be converted"},
      {R"(BlankClip(pixel_type="YV12").Expr("x 1e400 +"))", "Expr: Failed to convert '1e400' to float"},
      {R"(BlankClip(pixel_type="YV12").Expr("x[a,b]"))",
       "Expr: Failed to convert 'x[a,b]' to integer, relative index dx"},
      {R"(BlankClip(pixel_type="YV12").Expr("x[0,a]"))",
       "Expr: Failed to convert 'x[0,a]' to integer, relative index dy"},
      {R"(BlankClip(pixel_type="YV12").Expr("x[1.5,0]"))",
       "Expr: Failed to convert 'x[1.5,0]', character ',' expected between the coordinates"},
      {R"(BlankClip(pixel_type="YV12").Expr("x[1,0"))",
       "Expr: Failed to convert 'x[1,0' to [x,y], closing ']' expected "},
      {R"(BlankClip(pixel_type="YV12").Expr("x[1,0]:c"))",
       "Expr: Failed to convert 'x[1,0]:c' to [x,y], invalid character after ']'"},
      {R"(BlankClip(pixel_type="YV12").Expr("x[640,0]"))", "Expr: dx must be between +/- (width-1) in 'x[640,0]'"},
      {R"(BlankClip(pixel_type="YV12").Expr("x", "", "x", "x"))", "Expr: More expressions given than there are planes"},
      {R"(BlankClip(pixel_type="YV12").Expr("x", scale_inputs="foo"))",
       "Expr: scale_inputs must be 'all','allf','int','intf','float','floatf','floatUV' or 'none'"},
      {R"(BlankClip(pixel_type="YV12").Expr("x", BlankClip()))", "Script error: Invalid arguments to function 'Expr'."},
  };
  for (const auto& c : cases) EXPECT_EQ(Message(EvalError(c.script)), c.message) << c.script;
  // What a refusal does not cover: the picture's size less one, and every
  // accepted spelling of scale_inputs (8-bit values are never scaled).
  EXPECT_EQ(EvalError(R"(BlankClip(pixel_type="YV12").Expr("x[639,0] x[0,-479] +"))"), "");
  EXPECT_EQ(Value("x 0.5 +", 80), 81);
  EXPECT_EQ(EvalError(R"(BlankClip(pixel_type="YV24").Expr("x", scale_inputs="allf"))"), "");
}

// tan has no vector instruction and AviSynth's approximation of it jumps
// by 6 codes near 0.78 and 2.35 radians: ours follows the exact function,
// within 6 codes of AviSynth's and above 40 dB on the whole ramp.
TEST_F(ExprFilter, TangentStaysWithinItsFloor) {
  const int reference[256] = {
      128, 129, 129, 130, 130, 131, 131, 132, 132, 133, 133, 134, 134, 135, 135, 136, 136, 137, 137, 138, 138, 139,
      139, 140, 140, 141, 141, 142, 142, 143, 143, 144, 144, 145, 145, 146, 146, 147, 148, 148, 149, 149, 150, 150,
      151, 152, 152, 153, 153, 154, 154, 155, 156, 156, 157, 157, 158, 159, 159, 160, 161, 161, 162, 163, 163, 164,
      165, 165, 166, 167, 167, 168, 169, 170, 170, 171, 172, 173, 179, 180, 180, 181, 182, 183, 184, 185, 186, 187,
      188, 189, 190, 191, 192, 193, 195, 196, 197, 199, 200, 201, 203, 205, 206, 208, 210, 211, 213, 215, 217, 219,
      222, 224, 226, 229, 232, 234, 237, 241, 244, 247, 251, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
      255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
      255, 255, 255, 255, 0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   1,   5,   8,   12,  15,
      18,  21,  24,  27,  29,  32,  34,  36,  38,  40,  42,  44,  46,  48,  50,  51,  53,  54,  56,  57,  59,  60,
      61,  62,  64,  65,  66,  67,  68,  69,  70,  71,  72,  73,  74,  75,  76,  76,  77,  78,  84,  85,  85,  86,
      87,  88,  88,  89,  90,  91,  91,  92,  93,  93,  94,  95,  95,  96};
  const engine::ClipPtr clip =
      Eval("BlankClip(pixel_type=\"Y8\", width=256, height=2).Expr(\"sx\").Expr(\"x 100 / tan 50 * 128 +\")");
  const FramePtr f = clip->GetFrame(0);
  double squares = 0.0;
  int worst = 0;
  for (int x = 0; x < 256; ++x) {
    const int d = f->Row(0, 0)[x] - reference[x];
    squares += d * d;
    worst = std::max(worst, std::abs(d));
  }
  EXPECT_LE(worst, 6);
  const double psnr = 10.0 * std::log10(255.0 * 255.0 / std::max(squares / 256.0, 1e-9));
  EXPECT_GE(psnr, 40.0);
  EXPECT_EQ(f->Row(0, 0)[32], 145);  // tan(0.32) * 50 + 128 = 144.57 (AviSynth: 144)
}

// The plain, SSE and AVX2 forms give the same bytes for every operation,
// on widths with tails past whole vectors and past a block.
TEST_F(ExprFilter, VectorFormsGiveThePlainBytes) {
  const std::string picture = PictureSource(folder_, "wide.bmp", NoisePicture(523, 9));
  const std::string src = "s = " + NoiseSource(picture, "YV24", 523, 9) + "\n";
  const char* const expressions[] = {
      "x y + z + 3 /",
      "x y - abs 2 * x 0.7 * max y 30 min -",
      "x 128 - neg sqrt x sqrt + 5 *",
      "x y > x z < and y z >= or x y == xor x y != + y z <= + 90 * x not 7 * +",
      "x 128 - sgn 60 * 128 + y z ? x 20 200 clip +",
      "x 10 / sin x 10 / cos + x 100 / tan + x 255 / asin + x 255 / acos + x 50 / atan + 40 * 128 +",
      "x 40 / exp x 1 + log + x 0.37 * round + x 0.37 * floor + x 0.37 * ceil - x 0.37 * trunc +",
      "x y ^ 0.001 * x 7 % + x 128 - y 128 - atan2 10 * +",
      "x[-3,0] x[5,1] + x[-1,-2] - 2 / sx + sy - sxr 50 * + syr 30 * + frameno + time 10 * +",
      "x A@ y B^ A B / C^ C 40 * dup swap1 + 2 / +",
      "x 0 / x 128 - 0 / + 255 min",
  };
  for (const char* e : expressions) {
    const std::string script = src + "Expr(s, s.FlipHorizontal(), s.Invert(), \"" + e + "\")";
    EnableVectorKernels(false);
    const FrameBGR plain = *Eval(script)->GetFrame(0);
    for (VectorLevel level : {VectorLevel::Sse41, VectorLevel::Avx2}) {
      EnableVectorKernels(true);
      LimitVectorKernels(level);
      const FrameBGR vector = *Eval(script)->GetFrame(0);
      EXPECT_EQ(plain.pixels, vector.pixels) << e << " at level " << static_cast<int>(level);
    }
    EnableVectorKernels(true);
  }
}

}  // namespace
}  // namespace tandemix::test
