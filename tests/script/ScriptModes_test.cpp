// The source and filter part of the output script for each stereo mode and
// file type.
#include <gtest/gtest.h>

#include "script/ScriptGenerator.h"
#include "tests/support/FakeVideo.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

class AnswerPrompt : public OutputNamePrompt {
 public:
  std::string name;
  std::optional<std::string> AskOutputName(const std::string&) override { return name; }
};
class IgnoreViewer : public ScriptViewer {
 public:
  void ViewerOpen(const std::string&, int, int, std::int64_t) override {}
};

struct ModeCase {
  bool importStereo;
  bool convertBefore;
  FileType fileType;
};

class ScriptModes : public ::testing::TestWithParam<ModeCase> {
 protected:
  test::TempFolder dir;

  LineList SourcePart(const ModeCase& c) {
    for (const auto& [name, text] :
         std::vector<std::pair<std::string, std::string>>{{"importL", "ImportL(\"FileL\")"},
                                                          {"importR", "ImportR(\"FileR\")"},
                                                          {"split", "SplitPair()\r\nClipB = last"},
                                                          {"tweak", "Tweak(hue=SliderA)"},
                                                          {"right", "Sharpen(SliderB)"},
                                                          {"out", "StackHorizontal(ClipA,ClipB)"}})
      test::WriteBytes(dir.File(name + ".avt"), text);
    ProjectState p;
    p.programFolder = dir.Path();
    p.importStereo = c.importStereo;
    p.convertBefore = c.convertBefore;
    p.fileType = c.fileType;
    p.clipAFileName = "/v/a.avi";
    p.clipBFileName = c.importStereo ? "/v/a.avi" : "/v/b.avi";
    p.BlockAt(Block::ImportLeft) = {"importL"};
    p.BlockAt(Block::ImportRight) = {"importR"};
    p.BlockAt(Block::Convert) = {"split"};
    p.BlockAt(Block::FilterLeft) = {"tweak"};
    p.BlockAt(Block::FilterRight) = {"right"};
    p.BlockAt(Block::Preview) = {"never used"};
    p.BlockAt(Block::Output) = {"out"};
    AlignmentSettings a;
    a.sliderAValue = 0.5;
    a.sliderBValue = -2;
    ViewerState v;
    test::FakeVideoServices video;
    video.Set(dir.File("m_L.avs"), 64, 48);
    video.Set(dir.File("m_R.avs"), 64, 48);
    AnswerPrompt prompt;
    prompt.name = dir.File("m.avs");
    IgnoreViewer viewer;
    ScriptGenerator generator(p, a, v, video, prompt, viewer);
    EXPECT_TRUE(generator.GenerateScripts(false));
    EXPECT_EQ(static_cast<int>(p.stereoMode), !c.importStereo ? 0 : c.convertBefore ? 1 : 2);
    LineList lines = SplitLines(test::ReadBytes(prompt.name));
    EXPECT_EQ(lines.back(), "StackHorizontal(ClipA,ClipB)");
    lines.pop_back();
    return lines;
  }
};

LineList Source(FileType fileType, const std::string& path, const std::string& custom) {
  switch (static_cast<int>(fileType)) {
    case 0:
      return {"AVISource(\"" + path + "\")"};
    case 1:
      return {"OpenSource(\"" + path + "\")"};
    case 2:
      return {"ImageSource(\"" + path + "\")"};
    case 3:
      return {custom};
    default:
      return {};
  }
}

LineList Concat(std::initializer_list<LineList> parts) {
  LineList all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST_P(ScriptModes, SourceAndFilterLines) {
  const ModeCase c = GetParam();
  const LineList left = Source(c.fileType, "/v/a.avi", "ImportL(\"/v/a.avi\")");
  LineList expected;
  if (!c.importStereo) {
    const LineList right = Source(c.fileType, "/v/b.avi", "ImportR(\"/v/b.avi\")");
    expected = Concat({left, {"Tweak(hue=0.5)", "ClipA = last"}, right, {"Sharpen(-2)", "ClipB = last"}});
  } else if (c.convertBefore) {
    expected = Concat({left,
                       {"SplitPair()", "ClipB = last", "last = ClipA", "Tweak(hue=0.5)", "ClipA = last", "last = ClipB",
                        "Sharpen(-2)", "ClipB = last"}});
  } else {
    expected = Concat({left, {"Tweak(hue=0.5)", "SplitPair()", "ClipB = last"}});
  }
  EXPECT_EQ(SourcePart(c), expected);
}

std::vector<ModeCase> AllCases() {
  std::vector<ModeCase> cases;
  for (int number = -1; number <= 3; ++number) {
    const FileType type = static_cast<FileType>(number);
    cases.push_back({false, false, type});
    cases.push_back({false, true, type});  // the option does not count without stereo import
    cases.push_back({true, true, type});
    cases.push_back({true, false, type});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(ModesAndFileTypes, ScriptModes, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<ModeCase>& caseInfo) {
                           const ModeCase& c = caseInfo.param;
                           return std::string(c.importStereo ? "Stereo" : "TwoFiles") +
                                  (c.convertBefore ? "ConvertBefore" : "") + "_Type" +
                                  (c.fileType == FileType::None ? "None"
                                                                : std::to_string(static_cast<int>(c.fileType)));
                         });

}  // namespace
}  // namespace tandemix
