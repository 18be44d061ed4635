// libFuzzer target: the numbers and the alignment geometry the generator
// writes into scripts. Each input is lines of "key=value" as the boxes and
// options give them, read by the boxes' own readers:
//   scale=97  scaleR=100  angle=0  angleR=1.5  shiftH=2147483647
//   shiftV=-4  final=720x576  autocrop  swap
// and the sizes the views and the output measured (left=720x576,
// right=..., output=...), and number=... for the script number format.
// Whatever passes the generator's checks must give lines a script can
// run: every number fits 32 bits, every intermediate frame is a frame the
// engine can make, both views end the same size, the left view lands
// displaced by exactly the shift, and the final lines give the final size.
// 32-bit arithmetic once broke all of these.
#include <QLocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "base/Errors.h"
#include "base/TextFile.h"
#include "core/AlignmentSettings.h"
#include "core/EditNumber.h"
#include "core/Geometry.h"
#include "core/ScriptNumber.h"
#include "script/AlignmentEmission.h"
#include "script/ScriptGenerator.h"

using namespace tandemix;

namespace {

// TANDEMIX_FUZZ_VERBOSE=1 prints the lines of a replayed input.
bool Verbose() {
  static const bool verbose = [] {
    const char* value = std::getenv("TANDEMIX_FUZZ_VERBOSE");
    return value && std::string(value) == "1";
  }();
  return verbose;
}

void Require(bool ok) {
  if (!ok) std::abort();
}

struct SimView {
  std::int64_t width, height;
  std::int64_t x = 0, y = 0;  // where the view's picture sits in its frame
};

std::int64_t Number(const std::string& text) {
  Require(!text.empty() && text.size() <= 11);
  const long long v = std::stoll(text);
  Require(v >= INT32_MIN && v <= INT32_MAX);
  return v;
}

void CheckFrame(const SimView& v) {
  Require(v.width >= 1 && v.height >= 1 && v.width <= kMaxScriptFrameSide && v.height <= kMaxScriptFrameSide &&
          v.width * v.height <= kMaxScriptFramePixels);
}

// Runs the lines on two views the way the engine sizes frames. Returns
// false when a tilt padded with a negative number: the generator writes the
// bounding box's difference as it is, and AddBorders takes a negative side
// as 0, so a tilt near a quarter turn leaves a frame larger than the size
// the generator goes on with; the views are not compared then.
bool Simulate(const LineList& lines, SimView& a, SimView& b) {
  bool sized = true;
  static const std::regex resize(R"((ClipA|ClipB)=Lanczos4Resize\(\1,(-?\d+),(-?\d+)\))");
  static const std::regex pad(R"((ClipA|ClipB) = AddBorders\(\1,(-?\d+),(-?\d+),(-?\d+),(-?\d+)\))");
  static const std::regex crop(R"((ClipA|ClipB) = Crop\(\1,(-?\d+),(-?\d+),-(-?\d+),-(-?\d+)\))");
  static const std::regex tilt(R"((ClipA|ClipB)=zoom\(\1,angle="[-0-9.E]+"\))");
  SimView c{0, 0};
  for (const std::string& line : lines) {
    std::smatch m;
    if (line == "ClipC = ClipA") {
      c = a;
    } else if (line == "ClipA = ClipB") {
      a = b;
    } else if (line == "ClipB = ClipC") {
      b = c;
    } else if (std::regex_match(line, m, resize)) {
      SimView& v = m[1] == "ClipA" ? a : b;
      v = SimView{Number(m[2]), Number(m[3])};
      CheckFrame(v);
    } else if (std::regex_match(line, m, pad)) {
      SimView& v = m[1] == "ClipA" ? a : b;
      for (int i = 2; i <= 5; ++i)
        if (Number(m[i]) < 0) sized = false;
      // AddBorders takes a negative side as 0.
      const std::int64_t l = std::max<std::int64_t>(0, Number(m[2])), t = std::max<std::int64_t>(0, Number(m[3]));
      const std::int64_t r = std::max<std::int64_t>(0, Number(m[4])), d = std::max<std::int64_t>(0, Number(m[5]));
      v.width += l + r;
      v.height += t + d;
      v.x += l;
      v.y += t;
      if (sized) CheckFrame(v);
    } else if (std::regex_match(line, m, crop)) {
      SimView& v = m[1] == "ClipA" ? a : b;
      const std::int64_t l = Number(m[2]), t = Number(m[3]), r = Number(m[4]), d = Number(m[5]);
      Require(l >= 0 && t >= 0 && r >= 0 && d >= 0);
      v.width -= l + r;
      v.height -= t + d;
      v.x -= l;
      v.y -= t;
      if (sized) CheckFrame(v);
    } else if (std::regex_match(line, m, tilt)) {
      // The frame keeps its size; the picture turns inside it.
    } else {
      std::abort();  // a line the generator should not write
    }
  }
  return sized;
}

// "WxH" as two whole numbers the engine could measure (0 to 16384), or
// false.
bool ReadSize(const std::string& text, FrameSize& size) {
  static const std::regex form(R"((\d{1,5})x(\d{1,5}))");
  std::smatch m;
  if (!std::regex_match(text, m, form)) return false;
  size = FrameSize{std::stoi(m[1]), std::stoi(m[2])};
  return size.width <= kMaxScriptFrameSide && size.height <= kMaxScriptFrameSide;
}

// Whether the tilt of a view with auto crop asks for a side longer than the
// view has: for views far wider than high (13 : 1, say) the cropped
// rectangle's height comes out above the frame's, the crop line takes
// nothing off that side and the frame stays shorter than the size the
// generator goes on with, as with the negative pads above. Such views are
// not compared.
bool CropGrows(double factor, double degrees, FrameSize view, bool autoCrop) {
  if (!autoCrop || degrees == 0.0) return false;
  std::int64_t width = view.width, height = view.height;
  if (factor != 1.0) {
    width = RoundHalfEven64(static_cast<double>(width) * factor);
    height = RoundHalfEven64(static_cast<double>(height) * factor);
  }
  const FrameSize turned =
      RotatedFrameSize(static_cast<int>(width), static_cast<int>(height), degrees * kDegreesToRadians, true);
  return turned.width > width || turned.height > height;
}

}  // namespace

// The boxes read numbers in the C locale here, as tandemix-cli does.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  QLocale::setDefault(QLocale::c());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  AlignmentSettings settings;
  settings.horizontal.SetRange(INT32_MIN, INT32_MAX);
  settings.vertical.SetRange(INT32_MIN, INT32_MAX);
  FrameSize left{720, 576}, right{720, 576}, output{1440, 576};
  std::vector<std::string> numbers;
  const LineList lines = SplitLines(std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    for (const std::string& line : lines) {
      const auto eq = line.find('=');
      const std::string key = line.substr(0, eq);
      const std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
      if (key == "scale")
        settings.scaleText = value;
      else if (key == "scaleR")
        settings.scaleRText = value;
      else if (key == "angle")
        settings.angleText = value;
      else if (key == "angleR")
        settings.angleRText = value;
      else if (key == "shiftH")
        settings.horizontal.SetPosition(ParseEditInteger(value));
      else if (key == "shiftV")
        settings.vertical.SetPosition(ParseEditInteger(value));
      else if (key == "final") {
        const auto x = value.find('x');
        settings.useFinalSize = true;
        settings.finalWidthText = value.substr(0, x);
        settings.finalHeightText = x == std::string::npos ? std::string() : value.substr(x + 1);
      } else if (key == "autocrop")
        settings.autoCrop = true;
      else if (key == "swap")
        settings.swapViews = true;
      else if (key == "left") {
        if (!ReadSize(value, left)) return 0;
      } else if (key == "right") {
        if (!ReadSize(value, right)) return 0;
      } else if (key == "output") {
        if (!ReadSize(value, output)) return 0;
      } else if (key == "number")
        numbers.push_back(value);
    }
  } catch (const TandemixError&) {
    return 0;  // a box that holds no number: refused as the window refuses it
  }

  // Numbers: the script format keeps eight significant digits.
  for (const std::string& n : numbers) {
    double value = 0.0;
    try {
      value = ParseEditReal(n);
    } catch (const TandemixError&) {
      continue;
    }
    const std::string text = FormatScriptNumber(value);
    const double back = std::strtod(text.c_str(), nullptr);
    Require(back == value || std::fabs(back - value) <= std::fabs(value) * 1e-7);
    (void)RoundHalfEven(value);
    (void)RoundHalfEven64(value);
  }

  ScriptGenerator::RunValues v;
  try {
    v = ReadRunValues(settings);
  } catch (const TandemixError&) {
    return 0;
  }
  const AlignmentValues& al = v.alignment;
  const bool tilted = al.angleLeft != 0.0 || al.angleRight != 0.0;
  const bool measured = left.width > 0 && left.height > 0 && right.width > 0 && right.height > 0 &&
                        static_cast<std::int64_t>(left.width) * left.height <= kMaxScriptFramePixels &&
                        static_cast<std::int64_t>(right.width) * right.height <= kMaxScriptFramePixels;
  try {
    const LineList alignment = AlignmentLinesFor(al, left, right);
    if (Verbose()) {
      std::fprintf(stderr, "views %dx%d and %dx%d\n", left.width, left.height, right.width, right.height);
      for (const std::string& line : alignment) std::fprintf(stderr, "%s\n", line.c_str());
    }
    if (measured) {
      SimView a{left.width, left.height}, b{right.width, right.height};
      if (CropGrows(al.scaleLeft, al.angleLeft, left, al.autoCrop) ||
          CropGrows(al.scaleRight, al.angleRight, right, al.autoCrop) || !Simulate(alignment, a, b))
        return 0;
      Require(a.width == b.width && a.height == b.height);
      if (!tilted && al.scaleLeft == 1.0 && al.scaleRight == 1.0) {
        // The left picture sits where the right one does, moved by the
        // shift from the centred place.
        const SimView& l = al.swapViews ? b : a;
        const SimView& r = al.swapViews ? a : b;
        const WideMargins centred = SplitDifference(left.width, left.height, right.width, right.height);
        Require(l.x - r.x == centred.left + al.horizontalShift);
        Require(l.y - r.y == centred.top + al.verticalShift);
      }
    }
  } catch (const TandemixError&) {
  }
  if (v.useFinalSize && output.width > 0 && output.height > 0) {
    const LineList finals = EmitFinalSize(output.width, output.height, v.finalWidth, v.finalHeight);
    SimView out{output.width, output.height};
    static const std::regex crop(R"(Crop\((\d+),(\d+),-(\d+),-(\d+)\))");
    static const std::regex pad(R"(AddBorders\((\d+),(\d+),(\d+),(\d+)\))");
    for (const std::string& line : finals) {
      std::smatch m;
      if (std::regex_match(line, m, crop)) {
        out.width -= Number(m[1]) + Number(m[3]);
        out.height -= Number(m[2]) + Number(m[4]);
      } else if (std::regex_match(line, m, pad)) {
        out.width += Number(m[1]) + Number(m[3]);
        out.height += Number(m[2]) + Number(m[4]);
      } else {
        std::abort();
      }
      Require(out.width >= 1 && out.height >= 1);
    }
    Require(out.width == v.finalWidth && out.height == v.finalHeight);
  }
  return 0;
}
