// Bad input of every kind a user can hand Tandemix (shared scripts,
// projects, templates, pictures and command-line values), each run through
// tandemix-cli as a user would, and the message each gives. One
// table-driven test per kind of input; every row is one kind of bad input.
// With TANDEMIX_PRINT_TABLE=1 each test prints its rows as a Markdown table
// ("bad input -> message").
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "media/BmpFile.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

using test::RunCli;

struct Row {
  std::string kind;     // what is wrong, as the table says it
  std::string input;    // script, project or template text; a value; a file
  std::string message;  // expected in standard error (a part of it)
  int exitCode = 1;
};

void PrintTable(const char* group, const std::vector<Row>& rows) {
  const char* print = std::getenv("TANDEMIX_PRINT_TABLE");
  if (!print || std::string(print) != "1") return;
  for (const Row& row : rows) {
    std::string message = row.message;
    for (std::size_t at = message.find('\n'); at != std::string::npos; at = message.find('\n'))
      message.replace(at, 1, " ");
    std::printf("| %s | %s | %s |\n", group, row.kind.c_str(), message.c_str());
  }
}

// Runs every row and checks its exit code and message; `run` makes the
// command for a row.
void CheckRows(const char* group, const std::vector<Row>& rows,
               const std::function<test::CommandResult(const Row&, int)>& run) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    const test::CommandResult r = run(row, static_cast<int>(i));
    EXPECT_EQ(r.exitCode, row.exitCode) << row.kind << "\n" << r.err;
    EXPECT_NE(r.err.find(row.message), std::string::npos)
        << row.kind << "\nexpected: " << row.message << "\ngot: " << r.err;
  }
  PrintTable(group, rows);
}

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

class BadInput : public ::testing::Test {
 protected:
  test::TempFolder dir;

  // Two small pictures as clips (file type "picture": no encoder needed)
  // and a template folder with a side-by-side output template.
  std::string Picture(const std::string& name, int width = 16, int height = 12) const {
    const std::string path = dir.File(name);
    if (!test::FileExists(path)) SaveBmp24(path, FrameBGR(width, height));
    return path;
  }
  std::string Templates() const {
    const std::string folder = dir.File("templates");
    QDir().mkpath(QString::fromStdString(folder));
    test::WriteBytes(folder + "/stack.avt", "StackHorizontal(ClipA,ClipB)\r\n");
    return folder;
  }
  std::string Project(const std::string& output) const {
    const std::string path = dir.File("stack.avp");
    test::WriteBytes(path,
                     "! ImportLeftTemplate\r\n! ImportRightTemplate\r\n! ConvertTemplate\r\n! FilterLeftTemplate\r\n"
                     "! FilterRightTemplate\r\n! PreviewTemplate\r\n! OutputTemplate\r\n" +
                         output + "\r\n! ImportStereo\r\n0\r\n! FileType\r\n2\r\n! ConvertBefore\r\n0\r\n");
    return path;
  }
  // generate on the two pictures with the stack template and `options`.
  test::CommandResult Generate(const std::vector<std::string>& options, const std::string& output = "stack") const {
    std::vector<std::string> args = {"generate",    dir.File("out.avs"), "--project", Project(output),
                                     "--templates", Templates(),         "--left",    Picture("left.bmp"),
                                     "--right",     Picture("right.bmp")};
    args.insert(args.end(), options.begin(), options.end());
    return RunCli(args);
  }
};

// Scripts a user opens or shares, measured by `info` as "Open preview" and
// the viewer open them.
TEST_F(BadInput, Scripts) {
  std::string manyFilters = "BlankClip(width=4, height=4)\n";
  for (int i = 0; i < 3001; ++i) manyFilters += "FlipVertical()\n";
  const std::vector<Row> rows = {
      {"unknown function", "BlankClip()\nzoom2(last)", "Script error: There is no function named 'zoom2'.\n("},
      {"unknown variable", "BlankClip()\nClipA = nothing", "I don't know what 'nothing' means."},
      {"argument of the wrong type", "Crop(BlankClip(), \"wide\", 0, 0, 0)",
       "Script error: Invalid arguments to function 'Crop'."},
      {"required argument given by name", "BlankClip().Crop(left=1, top=0, right=0, bottom=0)",
       "Script error: Invalid arguments to function 'Crop'."},
      {"positional argument after named ones", "BlankClip(width=8, 8)",
       "Script error: a positional argument follows named ones in the call of 'BlankClip'."},
      {"unterminated string", "BlankClip(\"open)", "Script error: unterminated string"},
      {"unterminated comment", "BlankClip()\n/* open", "Script error: unterminated comment"},
      {"stray character", "x = 3 @ 4", "Script error: syntax error: unexpected character '@'"},
      {"control character", "BlankClip()\x01", "Script error: syntax error: unexpected character code 1"},
      {"byte order mark in the middle", "BlankClip()\n\xEF\xBB\xBF", "unexpected character code 239"},
      {"incomplete expression", "x = 1 +\nBlankClip()", "Script error: syntax error: the expression is incomplete"},
      {"'\\' not at a line's end", "BlankClip(width=8) \\ x", "Script error: syntax error: '\\' must end a line"},
      {"function without a body", "function f(clip c)", "Script error: expected `{'"},
      {"decimal number past 64 bits", "x = 99999999999999999999",
       "Script error: number too large: 99999999999999999999"},
      {"hexadecimal number past 32 bits", "x = $123456789", "Script error: number too large: $123456789"},
      {"integer value past 32 bits for a filter", "BlankClip(width=5000000000)",
       "BlankClip: the value 5000000000 is out of range"},
      {"division by zero", "BlankClip(width=1/0)", "Script error: division by zero."},
      {"integer overflow", "BlankClip(width=9223372036854775807 + 1)", "Script error: integer overflow."},
      {"values that cannot be compared", "x = 1 == \"1\"", "Script error: `==' cannot compare a int with a string."},
      {"condition that is not a bool", "x = 1 ? 2 : 3", "Script error: the condition of `?:' must be a bool."},
      {"500 nested brackets", "x = " + std::string(500, '(') + "1" + std::string(500, ')'),
       "Script error: the expression is nested too deeply\n(" /* then name, line 1, column 205 */},
      {"5000 nested calls", "BlankClip()\nx = " + Repeat("x(", 5000) + std::string(5000, ')'),
       "Script error: the expression is nested too deeply"},
      {"300 000 nested ?:", "x = " + Repeat("true ? 1 : ", 300000) + "2",
       "Script error: the expression is nested too deeply"},
      {"string doubled past 16 MiB", "s = \"a\"\n" + Repeat("s = s + s\n", 40) + "BlankClip()",
       "Script error: the string would be longer than 16777216 characters.\n("},
      {"more than 3000 filters", manyFilters, "Script error: the script uses more than 3000 filters."},
      {"last statement an assignment", "ClipA = BlankClip()",
       "The script's return value was not a video clip, (Is the undefined value)."},
      {"empty script", "", "The script's return value was not a video clip, (Is the undefined value)."},
      {"script returning a number", "return 5 + 2", "The script's return value was not a video clip, (Is an int, 7)."},
      {"frame larger than the engine allows", "BlankClip(width=100000, height=100000)",
       "BlankClip: the frame size 100000x100000 is too large"},
      {"empty frame", "BlankClip(width=0)", "BlankClip: the frame size 0x"},
      {"crop past the frame", "BlankClip(width=8, height=8).Crop(4, 0, 8, 0)",
       "Crop: you cannot use crop to enlarge or 'shift' a clip"},
      {"crop to nothing", "BlankClip(width=8, height=8).Crop(0, 0, -8, 0)", "Crop: Destination width is 0 or less."},
      {"stacked clips of different heights", "StackHorizontal(BlankClip(height=5), BlankClip(height=6))",
       "StackHorizontal: image heights don't match"},
      {"spliced clips of different sizes", "BlankClip(width=8) + BlankClip(width=9)",
       "Splice: Frame sizes don't match"},
      {"frame rate of 0", "BlankClip(fps=0)", "BlankClip: the frame rate must be more than 0."},
      {"String format reading no float", "x = String(1.5, \"%s\")\nBlankClip()",
       "String: the format \"%s\" may only convert a float (%f, %e, %g or %a)."},
      {"String format with a huge width", "x = String(1.5, \"%99999f\")\nBlankClip()",
       "String: the format \"%99999f\" has a width or precision over 100."},
      {"source file that does not exist", "AVISource(\"no such clip.avi\")", "AVISource: Cannot open "},
      {"picture source that is not a picture", "ImageSource(\"not a picture.bmp\")", "ImageSource: "},
      {"NUL byte inside a script", std::string("BlankClip()\r\nx = 1\0\r\nFlipVertical()", 35),
       "holds a NUL byte on line 2, column 6; a script, template or project is text without one."},
      {"sound longer than the limit", "BlankClip(length=2147483647, fps=1, fps_denominator=2147483647)",
       "BlankClip: the sound is too long (more than 4398046511104 samples)."},
      {"sound made too long by ++", "BlankClip(length=10, fps=1000000000).AssumeFPS(1, 2147483647)\nlast ++ last",
       "Splice: the sound is too long"},
      {"decoders past the frame budget",
       "SetMemoryMax(32)\nc = AVISource(\"left.bmp\")\n" + Repeat("c = c + AVISource(\"left.bmp\")\n", 10) + "c",
       "AVISource: out of frame memory: the decoder of " + dir.File("left.bmp") +
           " does not fit the budget of 32 MB ("},
  };
  test::WriteBytes(dir.File("not a picture.bmp"), "text, not a picture\n");
  Picture("left.bmp");
  CheckRows("script", rows, [&](const Row& row, int i) {
    const std::string path = dir.File("case" + std::to_string(i) + ".avs");
    test::WriteBytes(path, row.input);
    return RunCli({"info", path});
  });
  // A script with a UTF-8 byte order mark opens.
  test::WriteBytes(dir.File("notepad.avs"),
                   "\xEF\xBB\xBF"
                   "BlankClip(width=8, height=6, length=3)\r\n");
  EXPECT_EQ(RunCli({"info", dir.File("notepad.avs")}).out, "8 6 3 24\n");
  // So does a script with $AARRGGBB colours.
  test::WriteBytes(dir.File("argb.avs"), "BlankClip(width=8, height=6, length=3, color=$FF8040C0)\r\n");
  EXPECT_EQ(RunCli({"info", dir.File("argb.avs")}).out, "8 6 3 24\n");
}

// Project files a user loads: `generate --project` reads them as "Load
// Project" does, before anything is written.
TEST_F(BadInput, Projects) {
  const std::string markers =
      "! ImportLeftTemplate\r\n! ImportRightTemplate\r\n! ConvertTemplate\r\n! FilterLeftTemplate\r\n"
      "! FilterRightTemplate\r\n! PreviewTemplate\r\n! OutputTemplate\r\n";
  const std::string options = "! ImportStereo\r\n0\r\n! FileType\r\n0\r\n! ConvertBefore\r\n0\r\n";
  const auto without = [&](const std::string& line) {
    std::string text = markers + options;
    text.erase(text.find(line), line.size() + 2);
    return text;
  };
  const auto named = [&](const std::string& name) {
    std::string text = markers + options;
    text.insert(text.find("! FilterRightTemplate"), name + "\r\n");
    return text;
  };
  const std::string templateOutside =
      "but a template name may not hold '/' or '\\' nor be '.' or '..': templates are read only from the template "
      "folder.";
  const std::vector<Row> rows = {
      {"marker line missing", without("! ImportRightTemplate"),
       "cannot be read: the line \"! ImportRightTemplate\" is missing."},
      {"option marker missing", without("! ConvertBefore"), "cannot be read: the line \"! ConvertBefore\" is missing."},
      {"markers out of order", "! ImportRightTemplate\r\n! ImportLeftTemplate\r\n" + markers.substr(44) + options,
       "cannot be read: the line \"! ImportRightTemplate\" comes before \"! ImportLeftTemplate\"."},
      {"marker repeated", named("! convertTemplate"),
       "cannot be read: the line \"! ConvertTemplate\" appears more than once."},
      {"empty file", "", "cannot be read: the line \"! ImportLeftTemplate\" is missing."},
      {"not a project (binary, with NUL bytes)", std::string("\x89PNG\r\n\x1a\n\0\0", 10),
       "holds a NUL byte on line 3, column 1; a script, template or project is text without one."},
      {"NUL byte in the middle of a project", std::string("! ImportLeftTemplate\r\nab\0c", 26),
       "holds a NUL byte on line 2, column 3"},
      {"template name with ../", named("../../elsewhere/evil"),
       "the FilterLeft block names the template \"../../elsewhere/evil\", " + templateOutside},
      {"template name that is an absolute path", named("/etc/evil"),
       "the FilterLeft block names the template \"/etc/evil\", " + templateOutside},
      {"template name with a backslash", named("..\\evil"),
       "the FilterLeft block names the template \"..\\evil\", " + templateOutside},
      {"template name '..'", named(".."), "the FilterLeft block names the template \"..\", " + templateOutside},
      {"file type that is not a number",
       markers + "! ImportStereo\r\n0\r\n! FileType\r\nAVI\r\n! ConvertBefore\r\n0\r\n",
       "'AVI' is not a valid integer value"},
  };
  CheckRows("project", rows, [&](const Row& row, int i) {
    const std::string path = dir.File("case" + std::to_string(i) + ".avp");
    test::WriteBytes(path, row.input);
    const test::CommandResult r = RunCli({"generate", dir.File("out.avs"), "--project", path});
    EXPECT_FALSE(test::FileExists(dir.File("out_L.avs"))) << row.kind;
    return r;
  });
  const test::CommandResult missing = RunCli({"generate", dir.File("out.avs"), "--project", dir.File("none.avp")});
  EXPECT_EQ(missing.err, "Cannot open file " + dir.File("none.avp") + "\n");
  const test::CommandResult folder = RunCli({"generate", dir.File("out.avs"), "--project", dir.Path()});
  EXPECT_EQ(folder.err, "Cannot open file " + dir.Path() + "\n");
  const test::CommandResult device = RunCli({"generate", dir.File("out.avs"), "--project", "/dev/zero"});
  EXPECT_EQ(device.err, "Cannot open file /dev/zero: it is not a regular file.\n");
  test::WriteBytes(dir.File("large.avp"), std::string((16 << 20) + 1, '#'));
  const test::CommandResult large = RunCli({"generate", dir.File("out.avs"), "--project", dir.File("large.avp")});
  EXPECT_EQ(large.err, "Cannot open file " + dir.File("large.avp") +
                           ": it is larger than 16 MB, too large for a script, template or project.\n");
  PrintTable("project",
             {{"project that is a device (/dev/zero)", "", "Cannot open file <path>: it is not a regular file."},
              {"project over 16 MB", "", "Cannot open file <path>: it is larger than 16 MB, ..."}});
  PrintTable("project", {{"project file that does not exist", "", "Cannot open file <path>"},
                         {"project that is a folder", "", "Cannot open file <path>"}});
}

// Templates a project names: missing or unreadable ones stop the run before
// any file is written; a template that makes a bad script is reported when
// the output opens (`info`, as the viewer does).
TEST_F(BadInput, Templates) {
  const std::vector<Row> rows = {
      {"template file missing", "gone", "Cannot open file "},
      {"template that is a folder", "folder", "Cannot open file "},
  };
  QDir().mkpath(QString::fromStdString(Templates() + "/folder.avt"));
  CheckRows("template", rows, [&](const Row& row, int) {
    const test::CommandResult r = Generate({}, "stack\r\n" + row.input);
    EXPECT_EQ(r.out, "") << row.kind;  // nothing written
    EXPECT_FALSE(test::FileExists(dir.File("out_L.avs"))) << row.kind;
    return r;
  });
  // Templates whose text is a bad script: the run writes the scripts, and
  // the output that does not open gives the engine's message with the line
  // (as the viewer shows it).
  const std::vector<Row> scripts = {
      {"template calling an unknown function", "zoom2(ClipA)", "Script error: There is no function named 'zoom2'."},
      {"template leaving no clip (an assignment last)", "ClipC = StackHorizontal(ClipA,ClipB)",
       "The script's return value was not a video clip, (Is the undefined value)."},
      {"template with a syntax error", "StackHorizontal(ClipA,,ClipB)", "Script error: syntax error: unexpected `,'"},
  };
  CheckRows("template", scripts, [&](const Row& row, int i) {
    const std::string name = "bad" + std::to_string(i);
    test::WriteBytes(Templates() + "/" + name + ".avt", row.input + "\r\n");
    const test::CommandResult r = Generate({}, name);
    EXPECT_TRUE(test::FileExists(dir.File("out.avs"))) << row.kind;
    const test::CommandResult info = RunCli({"info", dir.File("out.avs")});
    EXPECT_EQ(info.err, r.err) << row.kind;
    return r;
  });
  // A template saved with a byte order mark expands without it.
  test::WriteBytes(Templates() + "/bom.avt",
                   "\xEF\xBB\xBF"
                   "StackVertical(ClipA,ClipB)\r\n");
  const test::CommandResult bom = Generate({}, "bom");
  EXPECT_EQ(bom.exitCode, 0) << bom.err;
  EXPECT_NE(bom.out.find("size 16 24"), std::string::npos) << bom.out;
}

// Pictures: captured frames handed to `compose`, picture clips handed to
// `generate`, and the bitmaps `grab` writes.
TEST_F(BadInput, Pictures) {
  const std::string left = Picture("left.bmp");
  test::WriteBytes(dir.File("text.bmp"), "just text, not a picture\n");
  std::string bmp = test::ReadBytes(left);
  test::WriteBytes(dir.File("truncated.bmp"), bmp.substr(0, 30));
  std::string huge = bmp;
  huge[18] = '\x40';  // width 0x40000040: a header no decoder will allocate
  huge[21] = '\x40';
  test::WriteBytes(dir.File("huge header.bmp"), huge);
  test::WriteBytes(dir.File("empty.bmp"), "");
  Picture("wide.bmp", 40000, 1);
  const std::vector<Row> rows = {
      {"picture file missing", dir.File("none.bmp"), "Cannot open file " + dir.File("none.bmp")},
      {"text file named .bmp", dir.File("text.bmp"), "Cannot open file " + dir.File("text.bmp")},
      {"bitmap cut inside its header", dir.File("truncated.bmp"), "Cannot open file " + dir.File("truncated.bmp")},
      {"bitmap header claiming 1073741888 pixels a side", dir.File("huge header.bmp"),
       "Cannot open file " + dir.File("huge header.bmp")},
      {"empty file", dir.File("empty.bmp"), "Cannot open file " + dir.File("empty.bmp")},
      {"picture wider than the preview allows", dir.File("wide.bmp"),
       "The right frame would be 40000 x 1 pixels; no side may exceed 32767."},
  };
  CheckRows("picture", rows, [&](const Row& row, int) {
    QFile::remove(QString::fromStdString(dir.File("out.bmp")));
    const test::CommandResult r = RunCli({"compose", left, row.input, dir.File("out.bmp")});
    EXPECT_FALSE(test::FileExists(dir.File("out.bmp"))) << row.kind;
    return r;
  });
  const std::vector<Row> clips = {
      {"picture clip that is not a picture", dir.File("text.bmp"),
       "ImageSource: " + dir.File("text.bmp") + " has no picture size"},
  };
  CheckRows("picture", clips, [&](const Row& row, int) {
    return RunCli({"generate", dir.File("out.avs"), "--file-type", "picture", "--left", row.input});
  });
  test::WriteBytes(dir.File("one.avs"), "BlankClip(width=8, height=6, length=3)\r\n");
  const std::vector<Row> writes = {
      {"bitmap written into a missing folder", dir.File("no folder/x.bmp"),
       "Cannot create file " + dir.File("no folder/x.bmp")},
      {"bitmap written over a folder", dir.Path(), "Cannot create file " + dir.Path()},
  };
  CheckRows("picture", writes, [&](const Row& row, int) {
    return RunCli({"grab", dir.File("one.avs"), "0", row.input});
  });
}

// Values typed on the command line (the same checks guard the window
// program's boxes: both run the generator and the compositor).
// A WAV header's numbers as a file: `channels` 16-bit channels at `rate`,
// 100 samples of silence.
std::string WavBytes(std::uint32_t rate, std::uint16_t channels) {
  std::string bytes = "RIFF";
  const auto put = [&bytes](std::uint32_t v, int size) {
    for (int i = 0; i < size; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  const std::uint32_t data = 100u * 2u * channels;
  put(36 + data, 4);
  bytes += "WAVEfmt ";
  put(16, 4);
  put(1, 2);
  put(channels, 2);
  put(rate, 4);
  put(rate * 2u * channels, 4);
  put(2u * channels, 2);
  put(16, 2);
  bytes += "data";
  put(data, 4);
  return bytes + std::string(data, '\0');
}

// Sound files past the engine's limits are refused the same way whether
// they are opened directly or through a script, and a script without a
// picture is not measured as a 0x0 video.
TEST_F(BadInput, SoundFiles) {
  test::WriteBytes(dir.File("c65.wav"), WavBytes(48000, 65));
  test::WriteBytes(dir.File("fast.wav"), WavBytes(2000000000, 2));
  test::WriteBytes(dir.File("tone.wav"), WavBytes(48000, 2));
  const std::string channels = "too many audio channels (65; at most 64).";
  const std::string rate = "the sample rate 2000000000 is too high (at most 10000000).";
  const std::vector<Row> rows = {
      {"info --audio of 65 channels", "info --audio c65.wav", dir.File("c65.wav") + ": " + channels},
      {"wav of 65 channels", "wav c65.wav out.wav", dir.File("c65.wav") + ": " + channels},
      {"WAVSource of 65 channels", "info WAVSource(\"c65.wav\")", "WAVSource: " + channels},
      {"info --audio at 2 GHz", "info --audio fast.wav", dir.File("fast.wav") + ": " + rate},
      {"wav at 2 GHz", "wav fast.wav out.wav", dir.File("fast.wav") + ": " + rate},
      {"WAVSource at 2 GHz", "info WAVSource(\"fast.wav\")", "WAVSource: " + rate},
      {"info of a sound-only script", "info WAVSource(\"tone.wav\")",
       "sound.avs has no video stream (its clip is sound only)"},
  };
  CheckRows("sound files", rows, [&](const Row& row, int) {
    std::vector<std::string> args;
    std::string rest = row.input;
    const auto space = rest.find(' ');
    args.push_back(rest.substr(0, space));
    rest = rest.substr(space + 1);
    if (rest.rfind("--audio ", 0) == 0) {
      args.push_back("--audio");
      rest = rest.substr(8);
    }
    if (rest.find('(') != std::string::npos) {  // a script around the call
      test::WriteBytes(dir.File("sound.avs"), rest + "\r\n");
      rest = "sound.avs";
    }
    for (std::size_t at; (at = rest.find(' ')) != std::string::npos; rest = rest.substr(at + 1))
      args.push_back(dir.File(rest.substr(0, at)));
    args.push_back(dir.File(rest));
    const test::CommandResult r = RunCli(args);
    EXPECT_FALSE(test::FileExists(dir.File("out.wav"))) << row.kind;
    return r;
  });
}

TEST_F(BadInput, CommandLineValues) {
  const std::vector<Row> generate = {
      {"scale of -100 %", "--scale-left=-100", "The scale of the left view must be above 0 %; it is -100 %."},
      {"scale of 1e-300 %", "--scale-left=1e-300",
       "The scale of the left view is 1E-300 %; no view of at most 16384 pixels a side can be scaled by it."},
      {"scale of 1e308 %", "--scale-right=1e308",
       "The scale of the right view is 1E308 %; no view of at most 16384 pixels a side can be scaled by it."},
      {"scale with a comma", "--scale-left=1,5", "--scale-left: '1,5' is not a number", 2},
      {"scale that is not a number", "--scale-right=inf", "--scale-right: 'inf' is not a number", 2},
      {"tilt that is not a number", "--angle-left=nan", "--angle-left: 'nan' is not a number", 2},
      {"final size 0x0", "--final-size=0x0", "The final frame would be 0 x 0 pixels; it needs at least 1 x 1."},
      {"negative final size", "--final-size=-720x576",
       "The final frame would be -720 x 576 pixels; it needs at least 1 x 1."},
      {"final size -2147483648x48", "--final-size=-2147483648x48",
       "The final frame would be -2147483648 x 48 pixels; it needs at least 1 x 1."},
      {"final size past the engine's frames", "--final-size=20000x20",
       "The final frame would be 20000 x 20 pixels; no side may exceed 16384."},
      {"final size without an x", "--final-size=720", "--final-size: '720' is not WIDTHxHEIGHT", 2},
      {"final size past 32 bits", "--final-size=99999999999x5", "--final-size: '99999999999' is not a whole number", 2},
      {"vertical shift -2147483648", "--shift-v=-2147483648",
       "The vertical shift is -2147483648 pixels; it must be between -16383 and 16383."},
      {"horizontal shift 2147483647", "--shift-h=2147483647",
       "The horizontal shift is 2147483647 pixels; it must be between -16383 and 16383."},
      {"shift with a fraction", "--shift-h=1.5", "--shift-h: '1.5' is not a whole number", 2},
      {"offset that is not a number", "--offset=abc", "--offset: 'abc' is not a whole number", 2},
      {"unknown file type", "--file-type=mpeg", "--file-type: 'mpeg' is not one of avi, video, picture, custom", 2},
      {"slider value that is not a number", "--slider-a=1e999", "--slider-a: '1e999' is not a number", 2},
      {"unknown option", "--bogus", "generate: unknown option --bogus", 2},
      {"option without its value", "--scale-left", "generate: --scale-left needs a value", 2},
  };
  CheckRows("command line (generate)", generate, [&](const Row& row, int) {
    std::vector<std::string> options;
    std::string rest = row.input;
    for (std::size_t space; (space = rest.find(' ')) != std::string::npos; rest = rest.substr(space + 1))
      options.push_back(rest.substr(0, space));
    options.push_back(rest);
    std::vector<std::string> split;
    for (const std::string& o : options) {
      const auto eq = o.find('=');
      split.push_back(o.substr(0, eq));
      if (eq != std::string::npos) split.push_back(o.substr(eq + 1));
    }
    const test::CommandResult r = Generate(split);
    EXPECT_FALSE(test::FileExists(dir.File("out.avs"))) << row.kind;
    EXPECT_FALSE(test::FileExists(dir.File("out_L.avs"))) << row.kind;
    return r;
  });
  const std::vector<Row> paths = {
      {"output name with a double quote", "say \"hi\".avs",
       "The file name contains a double quote or a line break, so it cannot be written into a script"},
      {"output name with a line break", "two\nlines.avs",
       "The file name contains a double quote or a line break, so it cannot be written into a script"},
  };
  CheckRows("command line (generate)", paths, [&](const Row& row, int) {
    return RunCli({"generate", dir.File(row.input), "--file-type", "picture", "--left", Picture("left.bmp")});
  });

  const std::string left = Picture("left.bmp");
  const std::vector<Row> compose = {
      {"compose scale of 0 %", "--scale-left=0", "The scale of the left view must be above 0 %; it is 0 %."},
      {"compose shift with a fraction", "--shift-h=1.5", "'1.5' is not a valid integer value"},
      {"compose shift past 32 bits", "--shift-v=99999999999", "'99999999999' is not a valid integer value"},
      {"compose shift past the preview canvas", "--shift-h=40000",
       "The preview canvas would be 40016 x 12 pixels; no side may exceed 32767."},
      {"compose tilt that is not a number", "--angle-right=nan", "'nan' is not a valid floating point value"},
      {"compose view that is not left, right or output", "--show=middle",
       "compose: --show takes left, right or output, not 'middle'", 2},
      {"compose preview mode unknown", "--preview=grey",
       "compose: --preview takes redcyan, optimised, blend, dubois-redcyan, dubois-greenmagenta or dubois-amberblue, "
       "not 'grey'",
       2},
  };
  CheckRows("command line (compose)", compose, [&](const Row& row, int) {
    const auto eq = row.input.find('=');
    return RunCli({"compose", left, left, dir.File("c.bmp"), row.input.substr(0, eq), row.input.substr(eq + 1)});
  });

  test::WriteBytes(dir.File("short.avs"), "BlankClip(width=8, height=6, length=3)\r\n");
  const std::string script = dir.File("short.avs");
  const std::vector<Row> others = {
      {"serve: negative count", "serve --count -1", "serve: --count: '-1' is negative", 2},
      {"serve: start past the end", "serve --start 99",
       "The start frame 99 is out of range: " + script + " has 3 frames"},
      {"grab: frame number that is not a number", "grab five", "grab: N: 'five' is not a whole number", 2},
      {"grab: frame past the end", "grab 5", "Frame 5 is out of range: " + script + " has 3 frames"},
      {"grab: negative frame", "grab -3", "Frame -3 is out of range"},
      {"info: script that does not exist", "info missing", "Cannot open file " + dir.File("missing.avs")},
  };
  CheckRows("command line (serve, grab, info)", others, [&](const Row& row, int) {
    const std::string command = row.input.substr(0, row.input.find(' '));
    const std::string value = row.input.substr(row.input.find(' ') + 1);
    if (command == "serve") {
      const auto space = value.find(' ');
      return RunCli({"serve", script, value.substr(0, space), value.substr(space + 1)});
    }
    if (command == "grab") return RunCli({"grab", script, value, dir.File("g.bmp")});
    return RunCli({"info", dir.File(value + ".avs")});
  });
  // A file that is no clip has no layout either: info --layout fails as
  // info does, and FFmpeg's own log stays quiet.
  test::WriteBytes(dir.File("empty.mkv"), "");
  const test::CommandResult layout = RunCli({"info", "--layout", dir.File("empty.mkv")});
  EXPECT_EQ(layout.exitCode, 1);
  EXPECT_EQ(layout.out, "");
  EXPECT_EQ(layout.err, "Cannot open " + dir.File("empty.mkv") + "\n");
  PrintTable("command line (info)", {{"info --layout of an empty file", "", "Cannot open <path>"}});
}

}  // namespace
}  // namespace tandemix
