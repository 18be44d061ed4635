// The runtime filters (ScriptClip, FrameEvaluate, ConditionalFilter,
// ConditionalSelect, WriteFile...) and the functions their scripts read
// frames with, against the numbers and messages AviSynth gives for the
// same scripts. Values are read back through WriteFile into the test's
// folder.
#include <QDir>
#include <sstream>

#include "engine/filters/FrameMessage.h"
#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

// Nine frames in three looks: colour bars, the bars through Levels, and
// brighter bars mirrored.
const char* const kBars =
    "k = ColorBars(width=64, height=48, pixel_type=\"YV12\")\n"
    "c = k.Trim(0,2) + k.Levels(0, 1.0, 255, 40, 200).Trim(0,2) + "
    "k.Levels(0,1.7,255,10,240).FlipHorizontal().Trim(0,2)\n";

// The values of `expressions` at frame n of `clip` (built from kBars),
// joined by " | ".
std::string ValuesAt(const std::string& clip, int n, const std::vector<std::string>& expressions) {
  TempFolder folder;
  std::string args;
  for (const std::string& e : expressions) args += ", \"\"\"" + e + "\"\"\", \"\"\" \" | \" \"\"\"";
  const auto out = Eval(std::string(kBars) + "x = " + clip + "\nWriteFile(x, \"out.txt\"" + args + ")", folder.Path());
  out->GetFrame(n);
  std::string text = ReadBytes(folder.File("out.txt"));
  if (text.size() >= 4) text.resize(text.size() - 4);  // the last " | " and the line's end
  return text;
}

TEST(RuntimeFunctions, PlaneStatisticsMatchTheReference) {
  const std::vector<std::string> yuv = {"AverageLuma()",
                                        "AverageChromaU()",
                                        "AverageChromaV()",
                                        "YPlaneMax()",
                                        "YPlaneMin(threshold=10)",
                                        "YPlaneMedian()",
                                        "YDifferenceFromPrevious()",
                                        "YDifferenceToNext()",
                                        "YPlaneMinMaxDifference(5)",
                                        "UPlaneMax(offset=1)",
                                        "VPlaneMedian(offset=-1)",
                                        "UDifferenceToNext(offset=2)",
                                        "AverageLuma(offset=-1)",
                                        "YPlaneMin(offset=-3)",
                                        "UPlaneMinMaxDifference(100)",
                                        "YPlaneMax(threshold=-5)",
                                        "LumaDifference(c, c.Invert())",
                                        "ChromaVDifference(c.Invert(), c)"};
  const struct {
    int frame;
    const char* values;
  } cases[] = {
      {0,
       "91.695312 | 137.250000 | 126.489586 | 235 | 16 | 84 | 0.000000 | 0.000000 | 164 | 212 | 128 | 0.000000 | "
       "91.695312 | 7 | 255 | 235 | 126.156250 | 72.708336"},
      {2,
       "91.695312 | 137.250000 | 126.489586 | 235 | 16 | 84 | 0.000000 | 21.520834 | 164 | 181 | 128 | 13.744792 | "
       "91.695312 | 7 | 255 | 235 | 126.156250 | 72.708336"},
      {5,
       "97.841148 | 133.838547 | 127.015625 | 188 | 50 | 93 | 0.000000 | 64.916664 | 103 | 204 | 128 | 33.187500 | "
       "97.841148 | 7 | 255 | 188 | 85.557289 | 45.968750"},
      {8,
       "114.945312 | 136.333328 | 126.604164 | 222 | 25 | 124 | 0.000000 | 0.000000 | 166 | 204 | 128 | 0.000000 | "
       "114.945312 | 50 | 255 | 222 | 108.541664 | 65.822914"},
  };
  for (const auto& c : cases) EXPECT_EQ(ValuesAt("c", c.frame, yuv), c.values) << "frame " << c.frame;
}

TEST(RuntimeFunctions, EachFormatAndItsMessages) {
  const std::vector<std::string> rgb = {"AverageR()",
                                        "AverageG()",
                                        "AverageB()",
                                        "AverageA()",
                                        "RPlaneMax()",
                                        "GPlaneMin(threshold=3)",
                                        "BPlaneMedian()",
                                        "BPlaneMinMaxDifference()",
                                        "RDifference(x, x.Invert())",
                                        "RGBDifference(x, x.Invert())",
                                        "RGBDifferenceFromPrevious()",
                                        "RGBDifferenceToNext()",
                                        "RDifferenceToNext()",
                                        "RGBDifference(x, c.ConvertToRGB32())",
                                        "AverageLuma()",
                                        "YPlaneMin()"};
  EXPECT_EQ(
      ValuesAt("c.ConvertToRGB24()", 5, rgb),
      "93.805016 | 94.746742 | 108.429359 | Average Plane: clip has no Alpha plane! | 229 | 27 | 111 | 235 | "
      "Plane Difference: Only planar YUV or planar RGB images supported! | 120.677086 | 0.000000 | 85.182617 | "
      "Plane Difference: Only planar YUV or planar RGB images images supported! | Plane Difference: Images are not "
      "the same size! | Average Plane: not a valid plane for an RGB clip! | MinMax: no such plane in RGB format");
  EXPECT_EQ(
      ValuesAt("c.ConvertToRGB32()", 3, rgb),
      "93.805016 | 94.746742 | 108.429359 | 255.000000 | 229 | 27 | 111 | 235 | Plane Difference: Only planar YUV "
      "or planar RGB images supported! | 120.677086 | 31.201714 | 0.000000 | Plane Difference: Only planar YUV or "
      "planar RGB images images supported! | 0.000000 | Average Plane: not a valid plane for an RGB clip! | "
      "MinMax: no such plane in RGB format");
  const std::vector<std::string> yuv = {"AverageLuma()",
                                        "AverageChromaU()",
                                        "YPlaneMax()",
                                        "UPlaneMin()",
                                        "LumaDifference(x, x.Invert())",
                                        "YDifferenceFromPrevious()",
                                        "YPlaneMedian()",
                                        "AverageR()",
                                        "RPlaneMax()",
                                        "RGBDifference(x,x)",
                                        "RGBDifferenceToNext()"};
  // YUY2 reads its samples in place (the chroma of these frames is the
  // converter's own, so only the luma is the reference's number).
  EXPECT_EQ(ValuesAt("c.ConvertToYUY2().ConvertToYV16()", 3, {"AverageLuma()"}), "97.841148");
  EXPECT_EQ(ValuesAt("c.ConvertToYUY2()", 3, {"AverageLuma()", "YPlaneMax()", "YPlaneMedian()"}),
            "97.841148 | 188 | 93");
  EXPECT_EQ(ValuesAt("c.ConvertToYUY2()", 3, {"LumaDifference(x, x)", "YDifferenceFromPrevious()"}),
            "Plane Difference: Only planar YUV or planar RGB images supported! | Plane Difference: Only planar YUV or "
            "planar RGB images images supported!");
  EXPECT_EQ(
      ValuesAt("c.ConvertToYV24()", 5, yuv),
      "97.841148 | 134.075851 | 188 | 72 | 85.557289 | 0.000000 | 93 | Average Plane: not a valid plane for a YUV "
      "clip! | MinMax: no such plane in YUV format | RGB Difference: RGB difference can only be tested on RGB "
      "images! (clip 1) | RGB Difference: RGB difference can only be calculated on packed RGB images");
  EXPECT_EQ(
      ValuesAt("c.ConvertToY8()", 3,
               {"AverageLuma()", "AverageChromaU()", "ChromaUDifference(x,x)", "UDifferenceToNext()", "YPlaneMedian()",
                "UPlaneMax()", "LumaDifference(x, c)", "LumaDifference(x, x.BilinearResize(32, 24))"}),
      "97.841148 | Average Plane: not a valid plane for an greyscale clip! | Plane Difference: plane does not "
      "exist! | Plane Difference: No chroma planes in greyscale clip! | 93 | MinMax: no such plane in Y "
      "(greyscale) format | 0.000000 | Plane Difference: Images are not the same size!");
  // Outside a runtime filter there is no current frame.
  EXPECT_EQ(Message(EvalError("c = BlankClip(pixel_type=\"YV12\")\nx = AverageLuma(c)\nc")),
            "Average Plane: This filter can only be used within run-time filters");
  EXPECT_EQ(Message(EvalError("c = BlankClip(pixel_type=\"YV12\")\nx = YDifferenceToNext(c)\nc")),
            "Plane Difference: This filter can only be used within run-time filters");
  EXPECT_EQ(Message(EvalError("c = BlankClip(pixel_type=\"YV12\")\nx = YPlaneMax(c)\nc")),
            "MinMax: This filter can only be used within run-time filters");
  EXPECT_EQ(Message(EvalError("c = BlankClip()\nx = AverageLuma(c)\nc")),
            "Average Plane: not a valid plane for an RGB clip!");
}

// A frame's bytes, for comparing two frames whole.
std::vector<std::uint8_t> BytesOf(const FramePtr& f) { return f->Bytes(); }

// The luma of the middle of frame n.
int LumaAt(const engine::ClipPtr& clip, int n) {
  const FramePtr f = clip->GetFrame(n);
  return f->Row(0, f->height / 2)[f->width / 2];
}

const char* const kSources =
    "t = BlankClip(width=320, height=240, pixel_type=\"YV12\", color=$404040, length=10)\n"
    "a = BlankClip(width=320, height=240, pixel_type=\"YV12\", color=$000000, length=10)\n"
    "b = BlankClip(width=320, height=240, pixel_type=\"YV12\", color=$FFFFFF, length=20)\n";

TEST(ConditionalFilter, PicksAsTheReferenceDoes) {
  // The frames 0, 3 and 7 take source1 (a, black: luma 16) or source2 (b,
  // white: 235), as AviSynth picks them.
  const struct {
    const char* args;
    const char* picks;  // for frames 0, 3, 7: 'a' or 'b'
  } cases[] = {
      {R"("current_frame", "<", "3")", "abb"},     {R"("current_frame", "lessthan", "4")", "aab"},
      {R"("current_frame", "=", "3.0")", "bab"},   {R"("current_frame", "Equals", "7")", "bba"},
      {R"("current_frame", ">", "1.5")", "baa"},   {R"("current_frame", "greaterthan", "3")", "bba"},
      {R"("true", "<", "false")", "bbb"},          {R"("current_frame", "=", "true")", "bbb"},
      {R"("current_frame == 3")", "bab"},          {R"("current_frame")", "bbb"},
      {R"(""" "x" """, "<", """ "y" """)", "aaa"}, {R"(""" "x" """, "=", """ "X" """)", "bbb"},
      {R"("AverageLuma() > 50")", "aaa"},          {"\"AverageLuma(last)\", \"<\", \"AverageLuma(t) + 1\"", "aaa"},
  };
  for (const auto& c : cases) {
    const auto clip = Eval(std::string(kSources) + "ConditionalFilter(t, a, b, " + c.args + ")");
    std::string picks;
    for (int n : {0, 3, 7}) picks += LumaAt(clip, n) == 16 ? 'a' : LumaAt(clip, n) == 235 ? 'b' : '?';
    EXPECT_EQ(picks, c.picks) << c.args;
  }
  // As long as the longer source.
  EXPECT_EQ(SizeOf(Eval(std::string(kSources) + "ConditionalFilter(t, a, b, \"true\")")), (Size{320, 240, 20}));
  const struct {
    const char* call;
    const char* message;
  } errors[] = {
      {R"(ConditionalFilter(t, a, b, "x", "!=", "y"))", "ConditionalFilter: Evaluator could not be recognized!"},
      {R"(ConditionalFilter(t, a, b.BilinearResize(160,240), "true"))",
       "ConditionalFilter: The two sources must have the same width!"},
      {R"(ConditionalFilter(t, a, b.ConvertToYV24(), "true"))",
       "ConditionalFilter: The two sources must be the same colorspace!"},
      {R"(ConditionalSelect(t, "1", a, b.ConvertToYV24()))",
       "ConditionalSelect: The sources must all be the same colorspace!"},
      {R"(ConditionalSelect(t, "1", a, b.BilinearResize(160,240)))",
       "ConditionalSelect: The sources must all have the same width!"},
      {R"(ConditionalSelect(t, "1"))", "Script error: Invalid arguments to function 'ConditionalSelect'."},
  };
  for (const auto& e : errors) EXPECT_EQ(Message(EvalError(std::string(kSources) + e.call)), e.message) << e.call;
}

TEST(ConditionalSelect, PicksByIndexAndFallsBackToTheTestClip) {
  const auto clip = Eval(std::string(kSources) + "ConditionalSelect(t, \"current_frame % 3\", a, b)");
  EXPECT_EQ(clip->Info().frameCount, 20);
  // 0 picks a, 1 picks b, 2 is past the sources: the test clip (luma 71).
  EXPECT_EQ(LumaAt(clip, 0), 16);
  EXPECT_EQ(LumaAt(clip, 1), 235);
  EXPECT_EQ(LumaAt(clip, 2), LumaAt(Eval(kSources + std::string("t")), 2));
  EXPECT_EQ(LumaAt(Eval(std::string(kSources) + "ConditionalSelect(t, \"-1\", a, b)"), 0), LumaAt(clip, 2));
}

TEST(RuntimeFilters, ErrorsAndShowAreWrittenOverTheFrame) {
  const std::string base = std::string(kSources);
  const FramePtr gray = Eval(base + "t")->GetFrame(3);
  const FramePtr black = Eval(base + "a")->GetFrame(3);
  const struct {
    const char* script;
    FramePtr under;
    const char* text;
  } cases[] = {
      {R"s(ScriptClip(t, """Assert(false, "boom " + string(current_frame))"""))s", gray,
       "boom 3\n([ScriptClip], line 1)"},
      {R"(ScriptClip(t, "3"))", gray, "ScriptClip: Function did not return a video clip! (Was an int)"},
      {R"(ScriptClip(t, "x = 1"))", gray,
       "ScriptClip: Function did not return a video clip! (Was the undefined value)"},
      {R"s(ScriptClip(t, """BlankClip(t, pixel_type="YV24")"""))s", gray,
       "ScriptClip: Function did not return a video clip of the same colorspace as the source clip!"},
      {R"s(ScriptClip(t, "BlankClip(t, width=200)"))s", gray,
       "ScriptClip: Function did not return a video clip with the same width as the source clip!"},
      {R"(FrameEvaluate(t, "undefined_y"))", gray, "I don't know what 'undefined_y' means.\n([ScriptClip], line 1)"},
      {R"(FrameEvaluate(t, "x = 1", show=true))", gray, "x = 1"},
      {R"(ScriptClip(t, "x = "))", gray,
       "Script error: syntax error: the expression is incomplete\n([ScriptClip], line 1, column 5)"},
      {R"(ConditionalFilter(t, a, b, "undefined_x"))", black,
       "I don't know what 'undefined_x' means.\n([Conditional Filter, Expresion 1], line 1)"},
      {R"(ConditionalFilter(t, a, b, "1", ">", "undefined_y"))", black,
       "I don't know what 'undefined_y' means.\n([Conditional Filter, Expression 2], line 1)"},
      {R"(ConditionalFilter(t, a, b, "1", "=", """ "1" """))", black,
       "Conditional filter: Second expression did not return a float, integer or bool, as in first expression."},
      {R"(ConditionalFilter(t, a, b, """ "1" """, "=", "1"))", black,
       "Conditional filter: Second expression did not return a string, as in first string expression."},
      {R"(ConditionalFilter(t, a, b, "a"))", black,
       "ConditionalFilter: First expression did not return an integer, bool or float!"},
      {R"(ConditionalFilter(t, a, b, "1.5", ">", "1", show=true))", black,
       "Left side Conditional Result: 1.5000\nRight side Conditional Result: 1.0000\nEvaluate result: TRUE"},
      {R"(ConditionalFilter(t, a, b, "current_frame==3", show=true))", black,
       "Left side Conditional Result:1\nRight side Conditional Result:1\nEvaluate result: TRUE"},
      {R"(ConditionalSelect(t, "undefined_y", a, b))", gray,
       "I don't know what 'undefined_y' means.\n([Conditional Select, Expression], line 1)"},
      {R"(ConditionalSelect(t, "1.5", a, b))", gray, "Conditional Select: Expression must return an integer!"},
      {R"(ConditionalSelect(t, "current_frame", a, b, show=true))", gray, "Expression Result:3"},
  };
  for (const auto& c : cases) {
    const FramePtr got = Eval(base + c.script)->GetFrame(3);
    EXPECT_EQ(BytesOf(got), BytesOf(engine::WithMessage(c.under, c.text))) << c.script;
    EXPECT_NE(BytesOf(got), BytesOf(c.under)) << c.script;
  }
  // The text grows with the frame.
  EXPECT_EQ(engine::MessageTextSize(320), 12);
  EXPECT_EQ(engine::MessageTextSize(1000), 25);
  EXPECT_EQ(engine::MessageTextSize(1920), 32);
}

TEST(RuntimeFilters, VariablesPerCallAndPassedDownTheChain) {
  // A global a FrameEvaluate sets reaches the ScriptClip below it, for
  // that frame: luma 16 + 16 * frame.
  const auto chain = Eval(
      "c = BlankClip(width=64, height=48, pixel_type=\"YV24\", length=10)\n"
      "c = ScriptClip(c, \"\"\"BlankClip(last, color_yuv=myvar)\"\"\")\n"
      "FrameEvaluate(c, \"\"\"global myvar = $108080 + current_frame * $100000\"\"\")");
  EXPECT_EQ(LumaAt(chain, 5), 96);
  EXPECT_EQ(LumaAt(chain, 2), 48);
  // So does a plain assignment: a runtime script's variables are the
  // script's own, as in AviSynth.
  const auto plain = Eval(
      "c = BlankClip(width=64, height=48, pixel_type=\"YV24\", length=10)\n"
      "c = ScriptClip(c, \"\"\"BlankClip(last, color_yuv=myvar)\"\"\")\n"
      "FrameEvaluate(c, \"\"\"myvar = $108080 + current_frame * $100000\"\"\")");
  EXPECT_EQ(LumaAt(plain, 5), 96);
  // A function called from the script sees current_frame.
  EXPECT_EQ(LumaAt(Eval("function lum(clip c) { return BlankClip(c, color_yuv=$108080 + current_frame * $100000) }\n"
                        "BlankClip(width=64, height=48, pixel_type=\"YV24\", length=10)\n"
                        "ScriptClip(\"lum(last)\")"),
                   4),
            80);
  // What a run assigns stays in that run: every frame starts from the
  // script's own variables.
  const auto counted = Eval(
      "x = 0\nBlankClip(width=64, height=48, pixel_type=\"YV24\", length=10)\n"
      "ScriptClip(\"\"\"x = x + 1\nglobal g = VarExist(\"g\") ? g + 1 : 1\n"
      "BlankClip(last, color_yuv=$108080 + (x + g) * $100000)\"\"\")");
  for (int n : {0, 1, 2, 2, 5}) EXPECT_EQ(LumaAt(counted, n), 48) << n;
  // A script variable set before the filter is seen; the clip is `last`.
  EXPECT_EQ(LumaAt(Eval("v = $508080\nBlankClip(width=64, height=48, pixel_type=\"YV24\", length=10)\n"
                        "ScriptClip(\"BlankClip(last, color_yuv=v)\")"),
                   0),
            0x50);
  // A script that returns a clip above itself asks for its own frame: an
  // error on that frame, not a wait that never ends.
  const auto loop = Eval(
      "c = BlankClip(width=64, height=48, pixel_type=\"YV24\", length=10)\n"
      "s = ScriptClip(c, \"g\")\nFrameEvaluate(s, \"global g = last\")");
  EXPECT_EQ(BytesOf(loop->GetFrame(3)),
            BytesOf(engine::WithMessage(Eval("BlankClip(width=64, height=48, pixel_type=\"YV24\")")->GetFrame(0),
                                        "the script's clips form a loop: frame 3 of a filter is needed to make "
                                        "itself.")));
  // A loop that never ends stops at the step budget on that frame.
  const auto endless =
      Eval("BlankClip(width=64, height=48, pixel_type=\"YV24\", length=2)\nScriptClip(\"while (true) {}\")");
  EXPECT_EQ(BytesOf(endless->GetFrame(0)),
            BytesOf(engine::WithMessage(Eval("BlankClip(width=64, height=48, pixel_type=\"YV24\")")->GetFrame(0),
                                        "Script error: the script ran more than 10000000 steps; does a loop never "
                                        "end?\n([ScriptClip], line 1)")));
}

TEST(WriteFile, LinesPerFrameAtStartAndEnd) {
  TempFolder folder;
  {
    const auto clip = Eval(
        "c = BlankClip(length=5, pixel_type=\"YV12\")\n"
        "c = WriteFileStart(c, \"w.txt\", \"1.0/3\", \"\"\" \" \" \"\"\", \"true\", \"7\", \"\"\" \"x\" \"\"\", "
        "\"current_frame\")\n"
        "c = WriteFile(c, \"w.txt\", \"current_frame\", \"1.0/3\", \"true\", \"\"\" \" \" \"\"\", \"-0.0\")\n"
        "c = WriteFile(c, \"w.txt\", \"\"\" \"u:\" \"\"\", \"undefined_z\")\n"
        "c = WriteFile(c, \"w.txt\", \"\"\" \"cl:\" \"\"\", \"c\")\n"
        "c = WriteFileIf(c, \"w.txt\", \"current_frame == 2\", \"\"\" \"two\" \"\"\", \"current_frame\")\n"
        "c = WriteFileIf(c, \"w.txt\", \"current_frame\", \"\"\" \"nonbool\" \"\"\")\n"
        "WriteFileEnd(c, \"w.txt\", \"\"\" \"end\" \"\"\", \"current_frame\", append=true)",
        folder.Path());
    clip->GetFrame(2);
  }
  EXPECT_EQ(ReadBytes(folder.File("w.txt")),
            "0.333333 true7x-1\n"
            "20.333333true -0.000000\n"
            "u:I don't know what 'undefined_z' means.\n"
            "cl:\n"
            "two2\n"
            "nonbool\n"
            "end-2\n");
  // Only inside the script's folder.
  for (const char* path : {"../escape.txt", "/tmp/escape.txt", "sub/../../escape.txt", ""}) {
    EXPECT_EQ(Message(EvalError(std::string("WriteFile(BlankClip(), \"") + path + "\", \"1\")", folder.Path())),
              std::string("WriteFile: scripts may write files only inside their own folder (") + folder.Path() +
                  "), not \"" + path + "\"")
        << path;
  }
  QDir(QString::fromStdString(folder.Path())).mkdir("sub");
  EXPECT_EQ(Message(EvalError("WriteFile(BlankClip(), \"sub\", \"1\")", folder.Path())),
            "WriteFile: scripts may write files only inside their own folder (" + folder.Path() + "), not \"sub\"");
  EXPECT_EQ(EvalError("WriteFile(BlankClip(), \"sub/inner.txt\", \"1\")", folder.Path()), "");
  EXPECT_EQ(Message(EvalError("WriteFile(BlankClip(), \"missing/inner.txt\", \"1\")", folder.Path())),
            "WriteFile: scripts may write files only inside their own folder (" + folder.Path() +
                "), not \"missing/inner.txt\"");
}

// The lines WriteFile writes for frames 0 .. frames-1 of `script` (run in
// `folder`, writing "out.txt"), one string per frame.
std::vector<std::string> LinesOf(const TempFolder& folder, const std::string& script, int frames) {
  {
    const auto clip = Eval(script, folder.Path());
    for (int n = 0; n < frames; ++n) clip->GetFrame(n);
  }
  std::vector<std::string> lines;
  std::istringstream in(ReadBytes(folder.File("out.txt")));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(ConditionalReader, TypesRangesInterpolationAndOffsets) {
  TempFolder folder;
  WriteBytes(folder.File("i.txt"),
             "# comment line\nType int\nDefault 7\n0 100\n2 4 200\nR 5 6 300\nI 8 12 10 50\n  # indented\n15 -3\n");
  WriteBytes(folder.File("f.txt"), "type FLOAT\ndefault 0.5\nI 1 4 0.0 1.0\n6 2.25\nR 7 8 -1.5\n");
  WriteBytes(folder.File("b.txt"), "Type bool\nDefault false\n2 true\nR 4 5 TRUE\n9 yes\n11 no\n12 1\n13 T\n");
  WriteBytes(folder.File("s.txt"), "type string\ndefault abc\n1 hello world\nR 2 3 \"quoted\"\n");
  const auto lines = LinesOf(folder,
                             "c = BlankClip(length=20, pixel_type=\"YV12\", width=64, height=48)\n"
                             "c = WriteFile(c, \"out.txt\", \"current_frame\", \"\"\" \" \" \"\"\", \"vi\", "
                             "\"\"\" \" \" \"\"\", \"vf\", \"\"\" \" \" \"\"\", \"vb\", \"\"\" \"|\" \"\"\", \"vs\")\n"
                             "c = ConditionalReader(c, \"i.txt\", \"vi\")\n"
                             "c = ConditionalReader(c, \"f.txt\", \"vf\")\n"
                             "c = ConditionalReader(c, \"b.txt\", \"vb\")\n"
                             "ConditionalReader(c, \"s.txt\", \"v\", condvarsuffix=\"s\")",
                             16);
  const std::vector<std::string> expected = {
      "0 100 0.500000 false|abc",      "1 7 0.000000 false|hello world", "2 4 0.333333 true|\"quoted\"",
      "3 7 0.666667 false|\"quoted\"", "4 7 1.000000 true|abc",          "5 300 0.500000 true|abc",
      "6 300 2.250000 false|abc",      "7 7 -1.500000 false|abc",        "8 10 -1.500000 false|abc",
      "9 20 0.500000 true|abc",        "10 30 0.500000 false|abc",       "11 40 0.500000 false|abc",
      "12 50 0.500000 true|abc",       "13 7 0.500000 true|abc",         "14 7 0.500000 false|abc",
      "15 -3 0.500000 false|abc"};
  EXPECT_EQ(lines, expected);
  // Integers interpolate rounded half up and cut toward zero; Offset moves
  // the lines after it.
  TempFolder second;
  WriteBytes(second.File("c.txt"),
             "Type int\nDefault -1\nI 0 3 0 10\nI 4 7 10 0\nI 8 10 0 -5\nOffset 2\n14 99\nR 15 16 5\nR 0 2000000000 "
             "4\n");
  EXPECT_EQ(LinesOf(second,
                    "c = BlankClip(length=20, pixel_type=\"YV12\", width=64, height=48)\n"
                    "c = WriteFile(c, \"out.txt\", \"v\")\nConditionalReader(c, \"c.txt\", \"v\")",
                    20),
            (std::vector<std::string>{"0", "3", "4", "4", "4", "4", "4", "4", "4", "4",
                                      "4", "4", "4", "4", "4", "4", "4", "4", "4", "4"}));
  WriteBytes(second.File("d.txt"), "Type int\nDefault -1\nI 0 3 0 10\nI 4 7 10 0\nI 8 10 0 -5\nOffset 2\n14 99\n");
  EXPECT_EQ(LinesOf(second,
                    "c = BlankClip(length=17, pixel_type=\"YV12\", width=64, height=48)\n"
                    "c = WriteFile(c, \"out.txt\", \"v\", append=false)\nConditionalReader(c, \"d.txt\", \"v\")",
                    17),
            (std::vector<std::string>{"0", "3", "7", "10", "10", "7", "3", "0", "0", "-2", "-4", "-1", "-1", "-1", "-1",
                                      "-1", "99"}));
  const struct {
    const char* file;
    const char* message;
  } errors[] = {
      {"Type foo\n", "ConditionalReader: Unknown 'Type' specified in line 1"},
      {"Type int\n1 abc\n", "ConditionalReader: Could not find an expected integer at line 2!"},
      {"Type float\n1 abc\n", "ConditionalReader: Could not find an expected float at line 2!"},
      {"Type string\nI 1 3 a b\n", "ConditionalReader: Cannot Interpolate strings in line 2"},
      {"Type bool\nI 1 3 true false\n", "ConditionalReader: Cannot Interpolate booleans in line 2"},
      {"Type bool\n5 xyz\n", "ConditionalReader: Boolean value was not true or false in line 2"},
      {"1 5\n", "ConditionalReader: Type was not defined!"},
      {"Type int\nR 3 1 5\n", "ConditionalReader: The Range start frame is after the end frame in line 2"},
      {"Type int\nDefault x\n", "ConditionalReader: Do not understand line 2"},
      {"Type int\nfoo bar\n", "ConditionalReader: Do not understand line 2"},
      {"Type int\nR 1 2\n", "ConditionalReader: Could not read Range in line 2"},
  };
  for (const auto& e : errors) {
    WriteBytes(second.File("e.txt"), e.file);
    EXPECT_EQ(Message(EvalError("ConditionalReader(BlankClip(), \"e.txt\", \"v\")", second.Path())), e.message)
        << e.file;
  }
  EXPECT_EQ(Message(EvalError("ConditionalReader(BlankClip(), \"none.txt\", \"v\")", second.Path())),
            "ConditionalReader: Could not open file 'none.txt'.");
  EXPECT_EQ(Message(EvalError("ConditionalReader(BlankClip(), \"/dev/zero\", \"v\")", second.Path())),
            "ConditionalReader: Could not open file '/dev/zero'.");
  // A line with a frame and no value changes nothing.
  WriteBytes(second.File("e.txt"), "Type int\n1\n");
  EXPECT_EQ(EvalError("ConditionalReader(BlankClip(), \"e.txt\", \"v\")", second.Path()), "");
}

TEST(Animate, InterpolatesAsTheReferenceRounds) {
  TempFolder folder;
  // The arguments each frame's filter gets, through a function of the
  // script that writes them when it is called.
  const auto lines = LinesOf(folder,
                             "function probe(clip c, int i, float f, int j) {\n"
                             "  WriteFileStart(c, \"out.txt\", \"i\", \"\"\" \" \" \"\"\", \"f\", \"\"\" \" \" \"\"\", "
                             "\"j\", append=true)\n}\n"
                             "c = BlankClip(length=20, pixel_type=\"YV12\", width=64, height=48)\n"
                             "c.Animate(3, 10, \"probe\", 12, 0.1, 1, -5, 1.0/3, 2)",
                             11);
  EXPECT_EQ(lines, (std::vector<std::string>{"12 0.100000 1", "-5 0.333333 2", "10 0.133333 1", "7 0.166667 1",
                                             "5 0.200000 1", "2 0.233333 2", "0 0.266667 2", "-3 0.300000 2"}));
  TempFolder up;
  EXPECT_EQ(LinesOf(up,
                    "function probe(clip c, int i) {\n  WriteFileStart(c, \"out.txt\", \"i\", append=true)\n}\n"
                    "BlankClip(length=20, pixel_type=\"YV12\", width=64, height=48)\n"
                    "Animate(3, 10, \"probe\", -5, 12)",
                    11),
            (std::vector<std::string>{"-5", "12", "-3", "0", "2", "5", "7", "10"}));
  const struct {
    const char* call;
    const char* message;
  } errors[] = {
      {R"(c.ApplyRange(3, 8, "BilinearResize", 32, 24))",
       "ApplyRange: Filtered and unfiltered video frame sizes must match"},
      {R"(c.ApplyRange(8, 3, "Invert"))", "Animate: final frame number must be greater than initial."},
      {R"(c.ApplyRange(3, 8, "NoSuch"))", "Script error: Invalid arguments to function 'ApplyRange'."},
      {R"(c.ApplyRange(3, 8, "Invert() + Invert"))", "Script error: Invalid arguments to function 'ApplyRange'."},
      {R"(c.Animate(3, 8, "Invert", 1))", "Animate: must have two argument lists of the same length"},
      {R"(c.Animate(3, 8, "BilinearResize", 32, 24, 48, 36))",
       "Animate: initial and final video frame sizes must match"},
      {R"(c.Animate(3, 8, "Subtitle", "a", "b"))", "Animate: string arguments must match before and after"},
      {R"(c.Animate(3, 8, "Levels", 0, 1.0, 255, 0, 255, 0, 1.0, 255, 0, "x"))",
       "Animate: must have two argument lists with matching types"},
      {R"(c.Animate(8, 3, "Invert"))", "Animate: final frame number must be greater than initial."},
      {R"(c.Animate(3, 3, "Invert"))", "Animate: final frame cannot be the same as initial frame."},
      {"function f(clip c, bool b) { return b ? c.Invert() : c }\nc.Animate(3, 8, \"f\", true, false)",
       "Animate: boolean arguments must match before and after"},
  };
  const std::string c = "c = BlankClip(length=20, pixel_type=\"YV12\", width=64, height=48)\n";
  for (const auto& e : errors) EXPECT_EQ(Message(EvalError(c + e.call)), e.message) << e.call;
  // The length is the first call's (Trim's 0..5 here).
  EXPECT_EQ(SizeOf(Eval(c + "Animate(c, 3, 8, \"Trim\", 0, 5, 0, 10)")), (Size{64, 48, 6}));
  EXPECT_EQ(SizeOf(Eval(c + "Animate(3, 8, \"BlankClip\", c.Invert(), c)")), (Size{64, 48, 20}));
}

TEST(ApplyRange, FiltersOnlyItsFrames) {
  const std::string c = "c = BlankClip(length=20, pixel_type=\"YV12\", width=64, height=48)\n";
  const auto clip = Eval(c + "c.ApplyRange(3, 8, \"Invert\")");
  const auto one = Eval(c + "c.ApplyRange(3, 3, \"Levels\", 0, 1.0, 255, 100, 100)");
  std::string inverted, levelled;
  for (int n = 0; n < 12; ++n) {
    inverted += LumaAt(clip, n) == 16 ? '.' : 'x';
    levelled += LumaAt(one, n) == 16 ? '.' : 'x';
  }
  EXPECT_EQ(inverted, "...xxxxxx...");
  EXPECT_EQ(levelled, "...x........");
  EXPECT_EQ(SizeOf(Eval(c + "c.Trim(0, 4).ApplyRange(3, 8, \"Invert\")")), (Size{64, 48, 5}));
}

}  // namespace
}  // namespace tandemix::test

namespace tandemix::test {
namespace {

// A script whose filters write files or run scripts as frames are made
// asks for its frames in order; any other may have several made at once.
TEST(FrameOrder, ScriptsThatWriteOrRunPerFrameKeepTheirFramesInOrder) {
  TempFolder folder;
  const std::string bars = "BlankClip(width=16, height=8, length=4)\n";
  const struct {
    const char* script;
    bool inOrder;
  } cases[] = {
      {"Levels(0, 1.2, 255, 0, 255)", false},
      {"Trim(0, 1) ++ Trim(2, 3)", false},
      {"WriteFile(\"f.txt\", \"current_frame\")", true},
      {"WriteFileIf(\"f.txt\", \"true\", \"current_frame\")", true},
      {"ScriptClip(\"last\")", true},
      {"FrameEvaluate(\"x = 1\")", true},
      {"ConditionalFilter(last, last, \"true\")", true},
      // Reached through a function of the script's own and through Eval.
      {"function w(clip c) { return c.WriteFile(\"g.txt\", \"current_frame\") }\nw(last)", true},
      {"Eval(\"\"\"ScriptClip(\"last\")\"\"\")", true},
  };
  for (const auto& c : cases) EXPECT_EQ(Eval(bars + c.script, folder.Path())->FramesInOrder(), c.inOrder) << c.script;
}

}  // namespace
}  // namespace tandemix::test
