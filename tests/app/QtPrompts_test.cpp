#include "app/QtPrompts.h"

#include <gtest/gtest.h>

namespace tandemix {
namespace {

TEST(QtFileFilterTest, PatternsComeFromAfterTheBar) {
  EXPECT_EQ(QtFileFilter("AVI Video Files (*.avi)|*.avi"), "AVI Video Files (*.avi)");
  EXPECT_EQ(QtFileFilter("All Files (*.*)|*.*"), "All Files (*)");
  EXPECT_EQ(QtFileFilter("MPEG2 Files (*.m2v,*.mp2,*.mpv,*.mpg,*.vob)|*.m2v;*.mp2;*.mpv;*.mpg;*.vob"),
            "MPEG2 Files (*.m2v *.mp2 *.mpv *.mpg *.vob)");
  EXPECT_EQ(QtFileFilter("Avisynth Project (*.avp)|*.avp"), "Avisynth Project (*.avp)");
}

TEST(QtFileFilterTest, TheGeneratorsQuestionIsASaveDialogForScripts) {
  const FileDialogRequest r = OutputNameRequest("/v/clip.avs");
  EXPECT_TRUE(r.save);
  EXPECT_EQ(r.title, "Define Output AVS File");
  EXPECT_EQ(r.filters, std::vector<std::string>{"AviSynth Script (*.avs)|*.avs"});
  EXPECT_EQ(r.defaultSuffix, "avs");
  EXPECT_EQ(r.fileName, "/v/clip.avs");
  EXPECT_FALSE(r.confirmOverwrite);
}

}  // namespace
}  // namespace tandemix
