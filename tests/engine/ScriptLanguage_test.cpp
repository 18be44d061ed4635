// The script language: statements, literals, operators, calls and the
// implicit last, and the errors of bad scripts.
#include "engine/language/Functions.h"
#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

// A script whose result is BlankClip(width=W) for the integer W it computes.
int WidthOf(const std::string& expression) {
  return Eval("BlankClip(width=" + expression + ", height=16)")->Info().width;
}

// Filters read their arguments by the parameter's name, wherever the script
// put them; a name the signature lacks is the filter's fault, not the script's.
TEST(ScriptLanguage, ArgumentsAreReadByTheirParameterNames) {
  const std::vector<engine::Param> params = {engine::Req("clip", engine::ParamType::Clip),
                                             engine::Opt("left", engine::ParamType::Int),
                                             engine::Opt("color", engine::ParamType::Int)};
  const engine::CallArgs a("AddBorders", {engine::Value(), engine::Value::Int(7), engine::Value()}, {}, "", &params);
  EXPECT_EQ(a.Int("left"), 7);
  EXPECT_FALSE(a.Has("color"));
  EXPECT_EQ(a.Int("color", 0x123456), 0x123456);
  EXPECT_THROW(a.Int("right"), std::logic_error);
  // Through a script: named and positional arguments land on the same parameter.
  EXPECT_EQ(Eval("BlankClip(width=8, height=2).AddBorders(1, 0, 3, 0, color=$FF0000)")->Info().width, 12);
  EXPECT_EQ(Eval("BlankClip(width=8, height=2).Crop(2, 0, -2, 0)")->Info().width, 4);
}

TEST(ScriptLanguage, StatementsAssignmentsAndImplicitLast) {
  // An expression statement that yields a clip becomes `last`; assignments
  // do not; the script's value is that of its last expression.
  EXPECT_EQ(SizeOf(Eval("BlankClip(width=32, height=16, length=5)\r\nClipA = last\r\nCrop(0,0,-8,-0)")),
            (Size{24, 16, 5}));
  // Ending with an assignment gives no clip, as in AviSynth.
  EXPECT_EQ(EvalError("BlankClip(width=32, height=16)\nClipA = AddBorders(4,0,0,0)"),
            "The script's return value was not a video clip, (Is the undefined value).\n(test.avs)");
  // return ends the script at once.
  EXPECT_EQ(SizeOf(Eval("ClipA = BlankClip(width=8,height=8)\nreturn(ClipA)\nundefined_function()")),
            (Size{8, 8, 240}));
  // "last = ClipA" picks the clip that following filters act on.
  EXPECT_EQ(SizeOf(Eval("ClipA = BlankClip(width=8,height=8)\nClipB = BlankClip(width=4,height=4)\n"
                        "last = ClipA\nAddBorders(1,1,1,1)")),
            (Size{10, 10, 240}));
}

// Several statements may share a line: one ends where its expression cannot
// go on. What would continue it (an operator, `.', `(' or `[') does.
TEST(ScriptLanguage, SeveralStatementsOnOneLine) {
  const struct {
    const char* script;
    Size size;
  } accepted[] = {
      {"a = 1  b = 2\nBlankClip(width=8, height=6, length=a+b)", {8, 6, 3}},
      {"a = 1 b = 2 BlankClip(width=8, height=6, length=a+b)", {8, 6, 3}},
      {"BlankClip(width=8, height=6, length=5) Trim(0,2)", {8, 6, 3}},
      {"Version() Trim(0,10)", {456, 106, 11}},
      {"x=BlankClip(width=8, height=6, length=5) x.Trim(0,1)", {8, 6, 2}},
      {"BlankClip(width=8, height=6, length=5) .Trim(0,2)", {8, 6, 3}},
      {"a=2 !false BlankClip(width=8, height=6, length=a)", {8, 6, 2}},
      {"a=2 global b=3 BlankClip(width=8, height=6, length=a+b)", {8, 6, 5}},
      {"function f(x){ x+1 } BlankClip(width=8, height=6, length=f(2))", {8, 6, 3}},
      {"if (true) { a=2 } BlankClip(width=8, height=6, length=a)", {8, 6, 2}},
      {"if (true) { BlankClip(width=8, height=6, length=5) Trim(0,1) }", {8, 6, 2}},
      {"return BlankClip(width=8, height=6, length=3) Trim(0,1)", {8, 6, 3}},
      {"BlankClip(width=8, height=6, length=7) try { a } catch (e) { Trim(0,2) }", {8, 6, 3}},
      {"BlankClip(width=8, height=6, length=7) for (i=0,1) { Trim(0,3) }", {8, 6, 4}},
      {"BlankClip(width=8, height=6, length=7) while (false) { Trim(0,3) } Trim(0,4)", {8, 6, 5}},
  };
  for (const auto& c : accepted) EXPECT_EQ(SizeOf(Eval(c.script)), c.size) << c.script;
  // A binary operator carries the expression on: a clip minus a number.
  EXPECT_EQ(Message(EvalError("BlankClip(length=5) -1")), "Script error: `-' cannot be used with a clip and a int.");
  // Statements that end without a clip: a string, or an assignment last.
  EXPECT_EQ(Message(EvalError("a=2 BlankClip(length=a) \"x\"")),
            "The script's return value was not a video clip, (Is a string, \"x\").");
  EXPECT_EQ(Message(EvalError("BlankClip(length=7) x = last  x.Trim(0,1) global y=3")),
            "The script's return value was not a video clip, (Is the undefined value).");
  // What cannot start a statement is refused where it stands.
  for (const char* bad : {"BlankClip() )", "BlankClip() { Trim(0,1) }", "a = 1 = 2 "})
    EXPECT_EQ(EvalError(bad).substr(0, 58), "Script error: syntax error: expected the end of the line\n(") << bad;
  EXPECT_EQ(EvalError("a = 1 = 2"),
            "Script error: syntax error: expected the end of the line\n(test.avs, line 1, column 7)");
}

// A named argument that no form of the function has is named in the error.
TEST(ScriptLanguage, UnknownNamedArgumentsAreNamed) {
  const struct {
    const char* script;
    const char* message;
  } cases[] = {
      {"function f(x){x}\nBlankClip()\nf(Y=1)", "Script error: f does not have a named argument \"Y\""},
      {"BlankClip().Crop(1,1,1,1, foo=1)", "Script error: Crop does not have a named argument \"foo\""},
      {"BlankClip().Trim(0,5, Foo=1)", "Script error: Trim does not have a named argument \"Foo\""},
  };
  for (const auto& c : cases) EXPECT_EQ(Message(EvalError(c.script)), c.message) << c.script;
}

TEST(ScriptLanguage, CommentsContinuationsAndLineEnds) {
  EXPECT_EQ(SizeOf(Eval("BlankClip(width=8, height=6) # a comment")), (Size{8, 6, 240}));
  EXPECT_EQ(SizeOf(Eval("# heading\r\n\r\nBlankClip(width=8, \\\r\n height=6)\r\n")), (Size{8, 6, 240}));
  EXPECT_EQ(SizeOf(Eval("BlankClip(width=8,\n\\ height=6)")), (Size{8, 6, 240}));
  EXPECT_EQ(SizeOf(Eval("BlankClip(width=8,height=6)\rAddBorders(1,0,0,0)\rAddBorders(1,0,0,0)")), (Size{10, 6, 240}));
  EXPECT_EQ(SizeOf(Eval("/* a\nblock */ BlankClip(width=8, height=6) [* nested [* *] *]")), (Size{8, 6, 240}));
  EXPECT_EQ(SizeOf(Eval("BlankClip(width=8,height=6)\n__END__\nthis is not read")), (Size{8, 6, 240}));
  EXPECT_EQ(SizeOf(Eval(std::string("BlankClip(width=8,height=6)\n", 28) + std::string(1, '\0') + "garbage(")),
            (Size{8, 6, 240}));
}

TEST(ScriptLanguage, LiteralsAndArithmetic) {
  EXPECT_EQ(WidthOf("2 + 3 * 4"), 14);
  EXPECT_EQ(WidthOf("(2 + 3) * 4"), 20);
  EXPECT_EQ(WidthOf("17 / 5"), 3);  // integer division truncates
  EXPECT_EQ(WidthOf("17 % 5"), 2);
  EXPECT_EQ(WidthOf("-(-7)"), 7);
  EXPECT_EQ(WidthOf("Int(2.5 * 3)"), 7);
  EXPECT_EQ(WidthOf("Round(2.5)"), 3);
  EXPECT_EQ(WidthOf("$10"), 16);
  EXPECT_EQ(WidthOf("3 > 2 ? 5 : 6"), 5);
  EXPECT_EQ(WidthOf("2 >= 3 || false ? 5 : 6"), 6);
  EXPECT_EQ(WidthOf("true && !false ? 1 : 2"), 1);
  EXPECT_EQ(WidthOf("\"abc\" == \"ABC\" ? 1 : 2"), 1);  // strings compare without letter case
  EXPECT_EQ(WidthOf("\"ab\" + \"\"\"c\"d\"\"\" == \"abc\" ? 1 : 2"), 2);
  EXPECT_EQ(WidthOf("\"ab\" + \"\"\"c\"d\"\"\" == \"abc\" + \"\"\"\"d\"\"\" ? 1 : 2"), 1);
  EXPECT_EQ(WidthOf("1 <> 2 ? 3 : 4"), 3);
  EXPECT_EQ(WidthOf("3 == 3.0 ? 1 : 2"), 1);
  EXPECT_EQ(WidthOf("Int(7.0 / 2)"), 3);
}

TEST(ScriptLanguage, CallsMethodsPropertiesAndNames) {
  // Names are matched without regard to letter case.
  EXPECT_EQ(SizeOf(Eval("clipa = blankclip(WIDTH=8, Height=6)\nCLIPA.addborders(1,2,3,4)")), (Size{12, 12, 240}));
  // Method syntax, chaining and properties without parentheses.
  EXPECT_EQ(SizeOf(Eval("c = BlankClip(width=40,height=30)\nc.Crop(0,0,c.Width/2,c.Height/3).FlipVertical")),
            (Size{20, 10, 240}));
  // A function named as a bare word is called with the implicit last.
  EXPECT_EQ(SizeOf(Eval("BlankClip(width=8,height=8,length=10)\nSelectEven")), (Size{8, 8, 5}));
  EXPECT_EQ(WidthOf("BlankClip(width=9,height=2).FrameCount / 24"), 10);
  // Named and positional arguments mix; optional ones may be positional.
  EXPECT_EQ(SizeOf(Eval("BlankClip(10, 20, 30)")), (Size{20, 30, 10}));
  EXPECT_EQ(SizeOf(Eval("BlankClip(length=10, width=20, height=30).Trim(2, 0)")), (Size{20, 30, 8}));
  // A file path with spaces, put between quotes verbatim.
  TempFolder folder;
  const std::string source = PictureSource(folder, "a picture with spaces.bmp", FrameBGR(6, 4));
  EXPECT_EQ(SizeOf(Eval(source)), (Size{6, 4, 1001}));
  // Clips join with "+".
  EXPECT_EQ(SizeOf(Eval("BlankClip(length=3,width=8,height=8) + BlankClip(length=4,width=8,height=8)")),
            (Size{8, 8, 7}));
}

TEST(ScriptLanguage, ErrorsNameTheProblemTheScriptAndTheLine) {
  EXPECT_EQ(EvalError("BlankClip()\nClipA = zoom2(last)"),
            "Script error: There is no function named 'zoom2'.\n(test.avs, line 2)");
  EXPECT_EQ(EvalError("BlankClip()\n\nClipA = undefined_name"),
            "I don't know what 'undefined_name' means.\n(test.avs, line 3)");
  EXPECT_EQ(EvalError("Crop(BlankClip(), 1, 2)"),
            "Script error: Invalid arguments to function 'Crop'.\n(test.avs, line 1)");
  EXPECT_EQ(EvalError("BlankClip().Crop(0, 0, \"wide\", 0)"),
            "Script error: Invalid arguments to function 'Crop'.\n(test.avs, line 1)");
  EXPECT_EQ(EvalError("BlankClip(widht=5)"),
            "Script error: BlankClip does not have a named argument \"widht\"\n(test.avs, line 1)");
  EXPECT_EQ(EvalError("a = BlankClip(height=5)\nb = BlankClip(height=6)\nStackHorizontal(a, b)"),
            "StackHorizontal: image heights don't match\n(test.avs, line 3)");
  // Without a clip in `last`, a clip function with no clip cannot run.
  EXPECT_EQ(EvalError("Crop(80,0,-80,-0)"), "Script error: Invalid arguments to function 'Crop'.\n(test.avs, line 1)");
  EXPECT_EQ(EvalError("x = 5"),
            "The script's return value was not a video clip, (Is the undefined value).\n(test.avs)");
  EXPECT_EQ(EvalError("5 + 2"), "The script's return value was not a video clip, (Is an int, 7).\n(test.avs)");
  EXPECT_EQ(EvalError(""), "The script's return value was not a video clip, (Is the undefined value).\n(test.avs)");
  EXPECT_EQ(Message(EvalError("BlankClip(width=1/0)")), "Script error: division by zero.");
  EXPECT_EQ(Message(EvalError("BlankClip(width=9223372036854775807 + 1)")), "Script error: integer overflow.");
  EXPECT_EQ(Message(EvalError("BlankClip(width=5000000000)")), "BlankClip: the value 5000000000 is out of range");
  EXPECT_EQ(Message(EvalError("BlankClip(width=\"a\" + 1)")),
            "Script error: `+' cannot be used with a string and a int.");
}

TEST(ScriptLanguage, SyntaxErrorsGiveLineAndColumn) {
  EXPECT_EQ(EvalError("BlankClip()\nCrop(1,2,3,4"), "Script error: expected a , or )\n(test.avs, line 2, column 13)");
  EXPECT_EQ(EvalError("BlankClip(\"unterminated)"), "Script error: unterminated string\n(test.avs, line 1, column 11)");
  EXPECT_EQ(EvalError("x = 1 +\ny = 2"),
            "Script error: syntax error: the expression is incomplete\n(test.avs, line 1, column 8)");
  EXPECT_EQ(EvalError("BlankClip() , 3"),
            "Script error: syntax error: expected the end of the line\n(test.avs, line 1, column 13)");
  EXPECT_EQ(EvalError("x = 3 @ 4"),
            "Script error: syntax error: unexpected character '@'\n(test.avs, line 1, column 7)");
  EXPECT_EQ(EvalError("x = $"),
            "Script error: '$' must be followed by hexadecimal digits\n(test.avs, line 1, column 5)");
  EXPECT_EQ(EvalError("/* open"), "Script error: unterminated comment\n(test.avs, line 1, column 1)");
  EXPECT_EQ(EvalError("function f(clip c)"), "Script error: expected `{'\n(test.avs, line 1, column 19)");
  EXPECT_EQ(EvalError("BlankClip(width=8) \\ x"),
            "Script error: syntax error: '\\' must end a line\n(test.avs, line 1, column 20)");
  EXPECT_EQ(EvalError("x = 99999999999999999999"),
            "Script error: number too large: 99999999999999999999\n(test.avs, line 1, column 5)");
}

TEST(ScriptLanguage, ScriptsTooDeepOrTooLongAreRefusedNotCrashed) {
  EXPECT_EQ(EvalError("x = " + std::string(500, '(') + "1" + std::string(500, ')')),
            "Script error: the expression is nested too deeply\n(test.avs, line 1, column 205)");
  EXPECT_EQ(Message(EvalError("x = " + std::string(500, '-') + "1")),
            "Script error: the expression is nested too deeply");
  std::string chain = "x = 1";
  for (int i = 0; i < 300; ++i) chain += " + 1";
  EXPECT_EQ(Message(EvalError(chain)), "Script error: the expression is nested too deeply");
  std::string many = "BlankClip(width=4, height=4)\n";
  for (int i = 0; i < 3001; ++i) many += "FlipVertical()\n";
  EXPECT_EQ(EvalError(many), "Script error: the script uses more than 3000 filters.\n(test.avs, line 3001)");
}

// Every recursion of the parser counts, so deep nesting
// of calls or of `?:' is a syntax error naming the line, not a crash.
TEST(ScriptLanguage, DeeplyNestedCallsAndConditionsAreSyntaxErrors) {
  std::string calls = "BlankClip()\nx = ";
  for (int i = 0; i < 5000; ++i) calls += "x(";
  calls += std::string(5000, ')');
  const std::string callError = EvalError(calls);
  EXPECT_EQ(Message(callError), "Script error: the expression is nested too deeply");
  EXPECT_NE(callError.find("(test.avs, line 2, column"), std::string::npos) << callError;
  std::string conditions = "\n\nx = ";
  for (int i = 0; i < 300000; ++i) conditions += "true ? 1 : ";
  conditions += "2";
  const std::string conditionError = EvalError(conditions);
  EXPECT_EQ(Message(conditionError), "Script error: the expression is nested too deeply");
  EXPECT_NE(conditionError.find("(test.avs, line 3, column"), std::string::npos) << conditionError;
  std::string brackets = "x = ";
  for (int i = 0; i < 100000; ++i) brackets += "-(";
  EXPECT_EQ(Message(EvalError(brackets)), "Script error: the expression is nested too deeply");
  // Nesting within the limit still works.
  std::string fine = "BlankClip(width=";
  for (int i = 0; i < 50; ++i) fine += "Abs(";
  fine += "8" + std::string(50, ')') + ", height=8)";
  EXPECT_EQ(SizeOf(Eval(fine)), (Size{8, 8, 240}));
}

// A string past 16 MiB is an error naming the line.
TEST(ScriptLanguage, StringsPastTheLimitAreRefused) {
  std::string doubling = "s = \"a\"\n";
  for (int i = 0; i < 40; ++i) doubling += "s = s + s\n";
  doubling += "BlankClip()";
  // 2^24 characters are allowed; the 25th doubling (line 26) is refused.
  EXPECT_EQ(EvalError(doubling),
            "Script error: the string would be longer than 16777216 characters.\n(test.avs, line 26)");
}

// A script saved with a UTF-8 byte order mark opens,
// and its columns count from after the mark.
TEST(ScriptLanguage, ByteOrderMarkIsSkipped) {
  EXPECT_EQ(SizeOf(Eval("\xEF\xBB\xBF"
                        "BlankClip(width=8, height=6)\r\n")),
            (Size{8, 6, 240}));
  EXPECT_EQ(EvalError("\xEF\xBB\xBF"
                      "x = 3 @ 4"),
            "Script error: syntax error: unexpected character '@'\n(test.avs, line 1, column 7)");
  // Only a leading mark: one further on is still a stray character.
  EXPECT_EQ(Message(EvalError("BlankClip()\n\xEF\xBB\xBF")),
            "Script error: syntax error: unexpected character code 239");
  TempFolder folder;
  WriteBytes(folder.File("notepad.avs"),
             "\xEF\xBB\xBF"
             "BlankClip(width=8, height=6)\r\n");
  EXPECT_EQ(SizeOf(engine::OpenScript(folder.File("notepad.avs"))), (Size{8, 6, 240}));
}

// String(value, format) formats the value as a float, as
// AviSynth's sprintf does; formats that would read anything else are refused.
TEST(ScriptLanguage, StringHonoursItsFormat) {
  EXPECT_EQ(WidthOf("String(2.5, \"%0.2f\") == \"2.50\" ? 1 : 2"), 1);
  EXPECT_EQ(WidthOf("String(7, \"%5.1f\") == \"  7.0\" ? 1 : 2"), 1);
  EXPECT_EQ(WidthOf("String(1.5, \"x=%e%%\") == \"x=1.500000e+00%\" ? 1 : 2"), 1);
  EXPECT_EQ(WidthOf("String(3.25, \"%g px\") == \"3.25 px\" ? 1 : 2"), 1);
  EXPECT_EQ(WidthOf("String(3.25, \"no number\") == \"no number\" ? 1 : 2"), 1);
  EXPECT_EQ(WidthOf("String(true, \"%f\") == \"true\" ? 1 : 2"), 1);
  EXPECT_EQ(WidthOf("String(2.5) == \"2.500000\" ? 1 : 2"), 1);
  EXPECT_EQ(Message(EvalError("x = String(1.5, \"%d\")\nBlankClip()")),
            "String: the format \"%d\" may only convert a float (%f, %e, %g or %a).");
  EXPECT_EQ(Message(EvalError("x = String(1.5, \"%s\")\nBlankClip()")),
            "String: the format \"%s\" may only convert a float (%f, %e, %g or %a).");
  EXPECT_EQ(Message(EvalError("x = String(1.5, \"%f %f\")\nBlankClip()")),
            "String: the format \"%f %f\" converts more than one value.");
  EXPECT_EQ(Message(EvalError("x = String(1.5, \"%999999f\")\nBlankClip()")),
            "String: the format \"%999999f\" has a width or precision over 100.");
}

// Round takes halves away from zero, as AviSynth does.
TEST(ScriptLanguage, RoundTakesHalvesAwayFromZero) {
  EXPECT_EQ(WidthOf("Round(2.5)"), 3);
  EXPECT_EQ(WidthOf("Round(3.5)"), 4);
  EXPECT_EQ(WidthOf("Round(2.4999)"), 2);
  EXPECT_EQ(WidthOf("-Round(-2.5)"), 3);
  EXPECT_EQ(WidthOf("-Round(-0.5) + 1"), 2);
  EXPECT_EQ(WidthOf("Round(-1.5) + 5"), 3);
}

// $AARRGGBB literals are 32-bit values; filters without alpha
// ignore the alpha byte.
TEST(ScriptLanguage, ColourLiteralsWithAlphaAreThirtyTwoBitValues) {
  const FrameBGR opaque = *Eval("BlankClip(width=4, height=2, color=$FF102030)")->GetFrame(0);
  EXPECT_EQ(PixelAt(opaque, 1, 1), (Bgr{0x30, 0x20, 0x10}));
  const FrameBGR bordered = *Eval("BlankClip(width=4, height=2).AddBorders(1, 0, 0, 0, $80C0FFEE)")->GetFrame(0);
  EXPECT_EQ(PixelAt(bordered, 0, 0), (Bgr{0xEE, 0xFF, 0xC0}));
  EXPECT_EQ(WidthOf("$FFFFFFFF + 9"), 8);  // -1, as in AviSynth
  EXPECT_EQ(WidthOf("$7FFFFFFF - 2147483640"), 7);
  EXPECT_EQ(Message(EvalError("x = $100000000")), "Script error: number too large: $100000000");
}

// Required parameters take no name; only optional ones do.
TEST(ScriptLanguage, RequiredParametersCannotBePassedByName) {
  EXPECT_EQ(EvalError("BlankClip(width=8, height=8).Crop(left=1, top=0, right=0, bottom=0)"),
            "Script error: Invalid arguments to function 'Crop'.\n(test.avs, line 1)");
  EXPECT_EQ(EvalError("AddBorders(BlankClip(), 1, 1, 1, bottom=1)"),
            "Script error: Invalid arguments to function 'AddBorders'.\n(test.avs, line 1)");
  EXPECT_EQ(EvalError("c = BlankClip()\nTrim(c, first_frame=0, last_frame=5)"),
            "Script error: Invalid arguments to function 'Trim'.\n(test.avs, line 2)");
  // Optional parameters still take their names.
  EXPECT_EQ(SizeOf(Eval("BlankClip(width=8, height=8).AddBorders(1, 1, 1, 1, color=$FF0000)")), (Size{10, 10, 240}));
}

TEST(ScriptLanguage, ScriptFilesAndRelativePaths) {
  TempFolder folder;
  PictureSource(folder, "pic.bmp", FrameBGR(10, 6));
  // Relative source paths are taken from the script's folder.
  WriteBytes(folder.File("movie.avs"), CrLf({"ImageSource(\"pic.bmp\")", "AddBorders(1,1,1,1)"}));
  EXPECT_EQ(SizeOf(engine::OpenScript(folder.File("movie.avs"))), (Size{12, 8, 1001}));
  WriteBytes(folder.File("bad.avs"), CrLf({"ImageSource(\"pic.bmp\")", "zoom2(last)"}));
  try {
    engine::OpenScript(folder.File("bad.avs"));
    FAIL() << "no error";
  } catch (const engine::ScriptError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Script error: There is no function named 'zoom2'.\n(" + folder.File("bad.avs") + ", line 2)");
  }
  EXPECT_THROW(engine::OpenScript(folder.File("missing.avs")), TandemixError);
  // A missing source names itself and the line.
  const std::string error = EvalError("BlankClip()\nAVISource(\"" + folder.File("none.avi") + "\")");
  EXPECT_EQ(error, "AVISource: Cannot open " + folder.File("none.avi") + "\n(test.avs, line 2)");
}

}  // namespace
}  // namespace tandemix::test
