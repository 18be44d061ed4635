// "Import Stereo Clip": loading a stereo clip proposes the split template.
#include "project/StereoLayout.h"
#include "tests/app/MainWindowFixture.h"

namespace tandemix::test {
namespace {

class StereoImportTest : public MainWindowTest {
 protected:
  void LoadStereoClip(const std::string& name) {
    WriteBytes(folder.File("SideBySide_Split.avt"), "ClipA = Crop(last,0,0,Width(last)/2,0)\r\n");
    Open();
    ClickBox("CheckBox_ImportStereo");
    const std::string clip = folder.File(name);
    video.Set(clip, 1280, 360, 50);
    prompts.files = {clip};
    Click("Button_Load");
  }
};

TEST_F(StereoImportTest, YesPutsTheSplitTemplateIntoTheConvertBlock) {
  prompts.yesNo = {true};
  LoadStereoClip("holiday-hsbs.avi");
  ASSERT_EQ(prompts.questions.size(), 1u);
  EXPECT_EQ(prompts.questions[0].caption, "Stereo layout");
  EXPECT_EQ(prompts.questions[0].text,
            "The clip holds a side-by-side stereo pair (its name says so). Add the template 'SideBySide_Split' to "
            "the Convert block?");
  EXPECT_EQ(project.BlockAt(Block::Convert), std::vector<std::string>{"SideBySide_Split"});
  EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(StereoImportTest, NoOrNothingFoundLeavesTheConvertBlockEmpty) {
  prompts.yesNo = {false};
  LoadStereoClip("holiday_sbs.avi");
  EXPECT_EQ(prompts.questions.size(), 1u);
  EXPECT_TRUE(project.BlockAt(Block::Convert).empty());
  // A clip that shows no layout (the fake decodes no frame) asks nothing.
  prompts.files = {folder.File("plain.avi")};
  video.Set(folder.File("plain.avi"), 640, 360, 50);
  Click("Button_Load");
  EXPECT_EQ(prompts.questions.size(), 1u);
  EXPECT_EQ(project.clipAFileName, folder.File("plain.avi"));
}

}  // namespace
}  // namespace tandemix::test
