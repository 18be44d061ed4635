// The final-size view files open in the engine and each returns its own
// view (the left, resp. right, one as the output shows it) brought to the
// final size by the output's rule, for every mix of final size, swap and
// auto crop.
#include <gtest/gtest.h>

#include "platform/DefaultVideoServices.h"
#include "script/ScriptGenerator.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

class NamePrompt : public OutputNamePrompt {
 public:
  std::string name;
  std::optional<std::string> AskOutputName(const std::string&) override { return name; }
};

class NoViewer : public ScriptViewer {
 public:
  void ViewerOpen(const std::string&, int, int, std::int64_t) override {}
};

bool MakeColourClip(const std::string& path, const char* colour) {
  return test::RunProgram("ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                                     std::string("color=c=") + colour + ":size=160x120:rate=25", "-frames:v", "3",
                                     "-c:v", "ffv1", "-pix_fmt", "bgr0", path})
             .exitCode == 0;
}

// Red or blue, as the centre of the file's first frame shows.
std::string CentreColour(DefaultVideoServices& video, const std::string& path) {
  FrameBGR frame;
  try {
    frame = video.DecodeFrame(path, 0);
  } catch (const TandemixError& e) {
    return std::string("no frame: ") + e.what();
  }
  const std::uint8_t* px = frame.Row(frame.height / 2) + 3 * (frame.width / 2);
  if (px[2] > 150 && px[0] < 100) return "red";
  if (px[0] > 150 && px[2] < 100) return "blue";
  return "other";
}

TEST(FinalViews, EachFileReturnsItsViewAtTheFinalSize) {
  test::TempFolder folder;
  ASSERT_TRUE(MakeColourClip(folder.File("left.avi"), "red"));
  ASSERT_TRUE(MakeColourClip(folder.File("right.avi"), "blue"));
  test::WriteBytes(folder.File("stack.avt"), "StackHorizontal(ClipA,ClipB)\r\n");

  struct Size {
    int width, height;
  };
  // Smaller, larger, and smaller across but taller than the views.
  const Size sizes[] = {{120, 90}, {400, 160}, {100, 200}};
  for (const Size size : sizes) {
    for (const bool swap : {false, true}) {
      for (const bool autoCrop : {false, true}) {
        SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height) + (swap ? " swap" : "") +
                     (autoCrop ? " autocrop" : ""));
        ProjectState project;
        project.programFolder = folder.Path();
        project.clipAFileName = folder.File("left.avi");
        project.clipBFileName = folder.File("right.avi");
        project.leftClipWidth = project.rightClipWidth = 160;
        project.leftClipHeight = project.rightClipHeight = 120;
        project.leftFrameCount = project.rightFrameCount = 3;
        project.BlockAt(Block::Output) = {"stack"};
        AlignmentSettings alignment;
        alignment.horizontal.SetPosition(6);
        alignment.vertical.SetPosition(-4);
        alignment.angleRText = "1";
        alignment.useFinalSize = true;
        alignment.finalWidthText = std::to_string(size.width);
        alignment.finalHeightText = std::to_string(size.height);
        alignment.swapViews = swap;
        alignment.autoCrop = autoCrop;
        ViewerState viewer;
        DefaultVideoServices video;
        NamePrompt prompt;
        prompt.name = folder.File("movie.avs");
        NoViewer shown;
        ScriptGenerator generator(project, alignment, viewer, video, prompt, shown);
        ASSERT_TRUE(generator.GenerateScripts(false));

        const struct {
          const char* file;
          const char* colour;
        } views[] = {{"movie_Left.avs", swap ? "blue" : "red"}, {"movie_Right.avs", swap ? "red" : "blue"}};
        for (const auto& view : views) {
          const VideoInfo info = video.ReadVideoInfo(folder.File(view.file));
          EXPECT_EQ(info.error, "") << view.file;
          EXPECT_EQ(info.width, size.width) << view.file;
          EXPECT_EQ(info.height, size.height) << view.file;
          EXPECT_EQ(CentreColour(video, folder.File(view.file)), view.colour) << view.file;
        }
        // The output itself keeps its size rule.
        const VideoInfo output = video.ReadVideoInfo(folder.File("movie.avs"));
        EXPECT_EQ(output.width, size.width);
        EXPECT_EQ(output.height, size.height);
      }
    }
  }
}

}  // namespace
}  // namespace tandemix
