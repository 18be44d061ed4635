// The statements of the language beyond plain lines: blocks, functions the
// script defines, globals, if/else, loops, try/catch, arrays, function
// values, Eval and Import, with the numbers and messages AviSynth gives.
#include <QDir>

#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

// The text of `expression`, through Assert's message (which the engine
// shows as the error's first line).
std::string Text(const std::string& script, const std::string& expression) {
  return Message(EvalError(script + "\nAssert(false, " + expression + ")"));
}

int WidthOf(const std::string& script) { return Eval(script)->Info().width; }

TEST(ScriptBlocks, FunctionsTypedOptionalDefinedAfterUseAndRecursive) {
  // Defined below the line that calls it; an optional quoted parameter
  // with Default; the implicit last for a clip parameter.
  EXPECT_EQ(WidthOf("BlankClip(width=16)\nBlankClip(width=g(x=5) * 2)\n"
                    "function g(clip c, int \"x\") {\n  x = Default(x, 3)\n  return x + c.Width\n}"),
            42);
  EXPECT_EQ(WidthOf("function Twice(clip c) { c.AddBorders(2, 0, 0, 0) }\nBlankClip(width=8)\nTwice()"), 10);
  // A function's last starts undefined and its variables are its own.
  EXPECT_EQ(EvalError("function g() { return last }\nBlankClip(width=16)\ng()"),
            "The script's return value was not a video clip, (Is the undefined value).\n(test.avs)");
  EXPECT_EQ(EvalError("a = 5\nfunction g() { return a }\nBlankClip(width=g())"),
            "I don't know what 'a' means.\n(test.avs, line 2)\n(test.avs, line 3)");
  EXPECT_EQ(WidthOf("global a = 5\nfunction g() { return a }\nBlankClip(width=g())"), 5);
  EXPECT_EQ(WidthOf("function f(int n) { return n == 0 ? 8 : f(n - 1) }\nBlankClip(width=f(200))"), 8);
  EXPECT_EQ(WidthOf("function f(float x) { return IsFloat(x) ? 6 : 2 }\nBlankClip(width=f(1))"), 6);
  EXPECT_EQ(EvalError("function f(int x) { return x }\nBlankClip(width=f(\"a\"))"),
            "Script error: Invalid arguments to function 'f'.\n(test.avs, line 2)");
  EXPECT_EQ(WidthOf("function s(int_array a) { return ArraySize(a) }\nBlankClip(width=s([1, 2, 3]))"), 3);
  EXPECT_EQ(Message(EvalError("function s(int_array a) { return ArraySize(a) }\nBlankClip(width=s([1, \"x\"]))")),
            "Script error: Invalid arguments to function 's'.");
  // Unbounded recursion stops at the depth limit, past any try.
  EXPECT_EQ(Message(EvalError("function f(int n) { return f(n + 1) }\n"
                              "try { x = f(0) } catch (e) { x = 1 }\nBlankClip()")),
            "Script error: the functions call each other too deeply.");
}

TEST(ScriptBlocks, IfElseLoopsAndTheirValues) {
  EXPECT_EQ(WidthOf("x = 0\nif (false) { x = 1 } else if (true) { x = 2 } else { x = 3 }\nBlankClip(width=8*x)"), 16);
  EXPECT_EQ(WidthOf("x = 0\nif (false) {\n  x = 1\n}\nelse\n{\n  x = 3\n}\nBlankClip(width=x)"), 3);
  // An if's value is its branch's: here the clip of Crop.
  EXPECT_EQ(SizeOf(Eval("BlankClip(width=16)\nif (true) { Crop(0, 0, 8, 8) } else { Crop(0, 0, 4, 4) }")),
            (Size{8, 8, 240}));
  EXPECT_EQ(EvalError("BlankClip(width=8)\nif (true) { x = 1 }"),
            "The script's return value was not a video clip, (Is the undefined value).\n(test.avs)");
  EXPECT_EQ(WidthOf("BlankClip(width=16)\nfor (i = 1, 3) { AddBorders(2, 0, 0, 0) }"), 22);
  EXPECT_EQ(WidthOf("BlankClip(width=8)\nfor (i = 3, 1, -1) { AddBorders(i, 0, 0, 0) }"), 14);
  EXPECT_EQ(WidthOf("BlankClip(width=8)\nfor (i = 3, 1) { AddBorders(i, 0, 0, 0) }"), 8);
  EXPECT_EQ(WidthOf("i = 0\nwhile (i < 5) { i = i + 1 }\nBlankClip(width=i*4)"), 20);
  EXPECT_EQ(WidthOf("function f() {\n  for (i = 0, 100) {\n    if (i == 7) { return i }\n  }\n}\nBlankClip(width=f())"),
            7);
  EXPECT_EQ(EvalError("while (1) { }\nBlankClip()"),
            "while: condition must be boolean (true/false)\n(test.avs, line 1)");
  EXPECT_EQ(EvalError("BlankClip()\nif (1) { }"), "if: condition must be boolean (true/false)\n(test.avs, line 2)");
  EXPECT_EQ(EvalError("for (i=1,5,0) { }\nBlankClip()"), "for: step value must be non-zero\n(test.avs, line 1)");
  // A loop that never ends stops at the step budget, and try does not catch it.
  EXPECT_EQ(EvalError("\nwhile (true) { try { x = 1 } catch (e) { } }\nBlankClip()"),
            "Script error: the script ran more than 10000000 steps; does a loop never end?\n(test.avs, line 2)");
  EXPECT_EQ(Message(EvalError("x = 0\nwhile (true) { x = x + 1 }")),
            "Script error: the script ran more than 10000000 steps; does a loop never end?");
  EXPECT_EQ(EvalError("if (true) {\nBlankClip()\n"),
            "Script error: syntax error: a block is missing its `}'\n(test.avs, line 3, column 1)");
}

TEST(ScriptBlocks, TryCatchHoldsTheMessage) {
  EXPECT_EQ(Text("try { x = undefined_thing } catch (err) { y = err }", "y"),
            "I don't know what 'undefined_thing' means.");
  EXPECT_EQ(Text("try { Assert(false, \"boom\") } catch (e) { y = \"caught \" + e }", "y"), "caught boom");
  EXPECT_EQ(Text("try { y = \"fine\" } catch (e) { y = e }", "y"), "fine");
}

TEST(ScriptBlocks, ArraysIndexAndFunctions) {
  EXPECT_EQ(WidthOf("x = [1, 2, [3, 4]]\nBlankClip(width=x[2][1] * 4)"), 16);
  EXPECT_EQ(WidthOf("x = [1, 2, [3, 4]]\nBlankClip(width=x[2, 0] + x[-1][-1])"), 7);
  EXPECT_EQ(EvalError("x = [1, 2]\nBlankClip(width=x[5])"),
            "ArrayGet: Array index out of range. Problematic index count: 1\n(test.avs, line 2)");
  EXPECT_EQ(EvalError("x = 5\nBlankClip(width=x[0])"), "ArrayGet: array type required.\n(test.avs, line 2)");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"String(ArraySize(ArrayAdd([1, 2], 5)))", "3"},
      {"String(ArrayAdd([1, 2], 5)[2])", "5"},
      {"String(ArrayIns([1, 2], 5, 0)[0])", "5"},
      {"String(ArraySet([1, 2], 7, 1)[1])", "7"},
      {"String(ArraySet([[1, 2], 3], 9, 0, 1)[0][1])", "9"},
      {"String(ArrayDel([1, 2, 3], 1)[1])", "3"},
      {"String(ArraySort([3, 1, 2])[0])", "1"},
      {"ArraySort([\"b\", \"A\", \"c\"])[0]", "A"},
      {"String(ArrayGet([1, [2, 3]], 1, 0))", "2"},
      {"String(IsArray([]))", "true"},
      {"String(IsArrayOf([1, 2], \"int\"))", "true"},
      {"String(IsArrayOf([1, 2.5], \"int\"))", "false"},
      {"TypeName([1])", "array"},
      {"String(ArrayDel([1, 2, 3], 5)[1])", "ArrayDel: Array index out of range. Problematic index count: 1"},
  };
  for (const auto& [expression, expected] : cases) EXPECT_EQ(Text("", expression), expected) << expression;
}

TEST(ScriptBlocks, FunctionValuesCapturesAndApply) {
  EXPECT_EQ(WidthOf("w = 3\nf = function[w](x) { return x * w }\nBlankClip(width=f(4))"), 12);
  EXPECT_EQ(WidthOf("w = 3\nf = function[w](x) { return x * w }\nw = 100\nBlankClip(width=f(4))"), 12);
  EXPECT_EQ(EvalError("f = function[w](x) { return x * w }\nw=3\nBlankClip(width=f(4))"),
            "No variable named 'w'\n(test.avs, line 1)");
  EXPECT_EQ(WidthOf("BlankClip(width=Apply(\"Max\", 3, 9))"), 9);
  EXPECT_EQ(WidthOf("function add(int a, int b) { a + b }\nf = func(add)\nBlankClip(width=f(2, 3) + Apply(f, 1, 1))"),
            7);
  EXPECT_EQ(Text("", "String(IsFunction(func(Max)))"), "true");
  EXPECT_EQ(Text("", "TypeName(func(Max))"), "function");
  EXPECT_EQ(Text("", "String(FunctionExists(\"own\")) + String(InternalFunctionExists(\"own\"))"), "falsefalse");
  EXPECT_EQ(Text("function own() { 1 }", "String(FunctionExists(\"own\")) + String(InternalFunctionExists(\"own\"))"),
            "truefalse");
  EXPECT_EQ(Text("", "String(FunctionExists(\"BlankClip\")) + String(InternalFunctionExists(\"blankclip\"))"),
            "truetrue");
}

TEST(ScriptBlocks, LiteralsAndText) {
  EXPECT_EQ(WidthOf("BlankClip(width=$10 + $ff)"), 271);
  EXPECT_EQ(WidthOf("BlankClip(width=StrLen(e\"a\\tb\\n\"))"), 4);
  EXPECT_EQ(Text("", "e\"say \\\"hi\\\"\\\\\""), "say \"hi\"\\");
  EXPECT_EQ(WidthOf("BlankClip(width=StrLen(\"\"\"a\"b\"\"\"))"), 3);
  EXPECT_EQ(WidthOf("BlankClip(width=[* outer [* inner *] *] 8 /* plain */ + 1)"), 9);
  EXPECT_EQ(WidthOf("BlankClip(width=8 \\\n + 2)"), 10);
  EXPECT_EQ(WidthOf("BlankClip(width=8\n \\ + 3)"), 11);
  EXPECT_EQ(WidthOf("BlankClip(width=8)\n__END__\nif ( { broken"), 8);
}

TEST(ScriptBlocks, ValuesAndTheirTypes) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"TypeName(Undefined())", "undefined value"},
      {"TypeName(BlankClip())", "clip"},
      {"TypeName(1.5)", "double"},
      {"TypeName(true)", "bool"},
      {"TypeName(1)", "int"},
      {"TypeName(\"s\")", "string"},
      {"String(Default(Undefined(), 4))", "4"},
      {"String(Defined(Undefined())) + String(Defined(0))", "falsetrue"},
      {"String(IsInt(1)) + String(IsFloat(1)) + String(IsInt(1.0))", "truetruefalse"},
      {"String(IsBool(true)) + String(IsString(\"\")) + String(IsClip(BlankClip()))", "truetruetrue"},
      {"Select(1, \"a\", \"b\")", "b"},
      {"Select(5, \"a\", \"b\")", "Select: Index value out of range"},
      {"String(VarExist(\"zz\"))", "false"},
      {"Assert(false)", "Assert: assertion failed"},
      {"String(Eval(\"1+2\"))", "3"},
      {"String(VersionNumber())", "3.750000"},
      {"String(IsVersionOrGreater(3, 7, 5)) + String(IsVersionOrGreater(3, 8))", "truefalse"},
      {"String(SetMemoryMax(100))", "100"},
      {"LeftStr(VersionString(), 23)", "Tandemix script engine "},
      {"SetWorkingDir(\"/\")",
       "SetWorkingDir: not supported: paths in a script are taken from its own folder, and changing the working "
       "folder would change where the files of other scripts are found"},
  };
  for (const auto& [expression, expected] : cases) EXPECT_EQ(Text("", expression), expected) << expression;
  EXPECT_EQ(Text("zz = 1", "String(VarExist(\"zz\"))"), "true");
}

TEST(ScriptBlocks, EvalRunsInTheScopeAndNamesItsErrors) {
  EXPECT_EQ(WidthOf("BlankClip(width=Eval(\"x = 4\n x * 2\"))\nBlankClip(width=x)"), 4);
  EXPECT_EQ(WidthOf("BlankClip(width=8)\nEval(\"AddBorders(1, 0, 0, 0)\")"), 9);
  EXPECT_EQ(WidthOf("BlankClip(width=8).Eval(\"AddBorders(2, 0, 0, 0)\")"), 10);
  EXPECT_EQ(EvalError("BlankClip()\nx = Eval(\"\n nothing_here\", \"my code\")"),
            "I don't know what 'nothing_here' means.\n(my code, line 2)\n(test.avs, line 2)");
}

TEST(ScriptBlocks, ImportIsRelativeAndRefusesCycles) {
  TempFolder folder;
  QDir().mkpath(QString::fromStdString(folder.File("lib")));
  WriteBytes(folder.File("lib/helpers.avs"),
             "function Wide(clip c) { c.AddBorders(4, 0, 0, 0) }\nImport(\"more.avs\")\nhelperValue = 3\n");
  WriteBytes(folder.File("lib/more.avs"), "global moreValue = ScriptFile()\n");
  WriteBytes(folder.File("main.avs"),
             "Import(\"lib/helpers.avs\")\nBlankClip(width=8 + helperValue)\nWide()\n"
             "Assert(moreValue == \"more.avs\", moreValue)\nlast");
  EXPECT_EQ(SizeOf(engine::OpenScript(folder.File("main.avs"))).width, 15);
  WriteBytes(folder.File("a.avs"), "Import(\"b.avs\")\nBlankClip()");
  WriteBytes(folder.File("b.avs"), "Import(\"a.avs\")\n");
  WriteBytes(folder.File("self.avs"), "Import(\"self.avs\")\nBlankClip()");
  try {
    engine::OpenScript(folder.File("a.avs"));
    FAIL() << "no error";
  } catch (const TandemixError& e) {
    EXPECT_EQ(Message(e.what()), "Import: the scripts import each other: a.avs -> b.avs -> a.avs");
  }
  try {
    engine::OpenScript(folder.File("self.avs"));
    FAIL() << "no error";
  } catch (const TandemixError& e) {
    EXPECT_EQ(Message(e.what()), "Import: the scripts import each other: self.avs -> self.avs");
  }
  EXPECT_EQ(Message(EvalError("Import(\"missing.avs\")", folder.Path())), "Import: couldn't open \"missing.avs\"");
  EXPECT_EQ(Text("", "String(Exist(\"main.avs\"))"), "false");
  EXPECT_EQ(Message(EvalError("Assert(false, String(Exist(\"main.avs\")) + ScriptDir())", folder.Path())), "true");
}

}  // namespace
}  // namespace tandemix::test
