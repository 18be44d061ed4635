// tandemix-cli generate: "Load Project", "Load Clips" and "Open preview"
// without a window, on the same models the window program uses.
#include <QFileInfo>
#include <QLocale>
#include <cstdio>

#include "app/cli/ArgReader.h"
#include "app/cli/Commands.h"
#include "platform/DefaultVideoServices.h"
#include "project/ClipLoading.h"
#include "project/ProjectFile.h"
#include "script/ScriptGenerator.h"

namespace tandemix::cli {
namespace {

// The output name is given on the command line; the save dialog's default
// extension "avs" is added when the name has none.
class FixedOutputName : public OutputNamePrompt {
 public:
  explicit FixedOutputName(std::string name) : name_(std::move(name)) {}
  std::optional<std::string> AskOutputName(const std::string&) override { return name_; }

 private:
  std::string name_;
};

// Nothing to show without a window; the run's result is printed instead.
class NoViewer : public ScriptViewer {
 public:
  void ViewerOpen(const std::string&, int, int, std::int64_t) override {}
};

std::string WithDefaultExtension(const std::string& path) {
  return QFileInfo(QString::fromStdString(path)).suffix().isEmpty() ? path + ".avs" : path;
}

void RefuseUnsafe(const std::string& path) { CheckScriptPath(path).OrThrow(); }

FileType FileTypeByName(const std::string& name) {
  if (name == "avi") return FileType::Avi;
  if (name == "video") return FileType::Video;
  if (name == "picture") return FileType::Picture;
  if (name == "custom") return FileType::Custom;
  throw UsageError("--file-type: '" + name + "' is not one of avi, video, picture, custom");
}

void SetShift(ScrollRange& bar, int value) {
  // A shift given on the command line is taken as it is: widen the bar.
  bar.SetRange(std::min(bar.minimum, value), std::max(bar.maximum, value));
  bar.SetPosition(value);
}

struct ClipRequest {
  std::string left;
  std::string right;
  bool offsetGiven = false;
  int offset = 0;
};

void LoadClip(bool left, ProjectState& project, ViewerState& viewer, VideoServices& video, const std::string& path) {
  const ClipLoadOutcome outcome =
      left ? LoadLeftClip(project, viewer, video, path) : LoadRightClip(project, viewer, video, path);
  if (outcome.accepted) return;
  throw TandemixError(outcome.detail.empty() ? outcome.message : outcome.message + "\n" + outcome.detail);
}

int RunGenerate(const Args& args) {
  // Numbers in the alignment settings are read in the C locale: a point.
  QLocale::setDefault(QLocale::c());
  ProjectState project;
  project.programFolder = ExecutableFolder();
  AlignmentSettings alignment;
  ViewerState viewer;
  ClipRequest clips;
  std::string output;

  ArgReader reader(args);
  while (!reader.AtEnd()) {
    const std::string arg = reader.Next();
    if (arg == "--help" || arg == "-h") {
      PrintUsage(stdout);
      return 0;
    } else if (arg == "--project") {
      const std::string path = reader.Value(arg);
      ApplyProject(project, ReadProject(path));
    } else if (arg == "--left") {
      clips.left = AbsolutePath(reader.Value(arg));
      RefuseUnsafe(clips.left);
    } else if (arg == "--right") {
      clips.right = AbsolutePath(reader.Value(arg));
      RefuseUnsafe(clips.right);
    } else if (arg == "--stereo") {
      project.importStereo = true;
      project.convertBeforeEnabled = true;
    } else if (arg == "--convert-before") {
      project.convertBefore = true;
    } else if (arg == "--file-type") {
      project.fileType = FileTypeByName(reader.Value(arg));
    } else if (arg == "--templates") {
      project.programFolder = AbsolutePath(reader.Value(arg));
      RefuseUnsafe(project.programFolder);
    } else if (arg == "--offset") {
      clips.offsetGiven = true;
      clips.offset = ParseIntArg(arg, reader.Value(arg));
    } else if (arg == "--scale-left") {
      alignment.scaleText = reader.Value(arg);
      ParseRealArg(arg, alignment.scaleText);
    } else if (arg == "--scale-right") {
      alignment.scaleRText = reader.Value(arg);
      ParseRealArg(arg, alignment.scaleRText);
    } else if (arg == "--angle-left") {
      alignment.angleText = reader.Value(arg);
      ParseRealArg(arg, alignment.angleText);
    } else if (arg == "--angle-right") {
      alignment.angleRText = reader.Value(arg);
      ParseRealArg(arg, alignment.angleRText);
    } else if (arg == "--shift-h") {
      SetShift(alignment.horizontal, ParseIntArg(arg, reader.Value(arg)));
    } else if (arg == "--shift-v") {
      SetShift(alignment.vertical, ParseIntArg(arg, reader.Value(arg)));
    } else if (arg == "--auto-crop") {
      alignment.autoCrop = true;
    } else if (arg == "--swap") {
      alignment.swapViews = true;
    } else if (arg == "--final-size") {
      const std::string size = reader.Value(arg);
      const auto x = size.find('x');
      if (x == std::string::npos) throw UsageError("--final-size: '" + size + "' is not WIDTHxHEIGHT");
      alignment.useFinalSize = true;
      alignment.finalWidthText = std::to_string(ParseIntArg(arg, size.substr(0, x)));
      alignment.finalHeightText = std::to_string(ParseIntArg(arg, size.substr(x + 1)));
    } else if (arg == "--slider-a") {
      alignment.sliderAValue = ParseRealArg(arg, reader.Value(arg));
    } else if (arg == "--slider-b") {
      alignment.sliderBValue = ParseRealArg(arg, reader.Value(arg));
    } else if (!arg.empty() && arg[0] == '-') {
      throw UsageError("unknown option " + arg);
    } else if (output.empty()) {
      output = AbsolutePath(WithDefaultExtension(arg));
      RefuseUnsafe(output);
    } else {
      throw UsageError("more than one output script given: " + arg);
    }
  }
  if (output.empty()) throw UsageError("the output script is missing");
  if (project.importStereo && !clips.right.empty())
    throw UsageError("--right is not used with --stereo: the stereo clip holds both views");

  DefaultVideoServices video;
  if (!clips.left.empty()) LoadClip(true, project, viewer, video, clips.left);
  if (!clips.right.empty()) LoadClip(false, project, viewer, video, clips.right);
  if (clips.offsetGiven && clips.offset != 0) {
    if (!viewer.offsetEnabled || clips.offset < viewer.offset.minimum || clips.offset > viewer.offset.maximum)
      throw TandemixError("The offset " + std::to_string(clips.offset) + " is outside the range " +
                          std::to_string(viewer.offset.minimum) + " to " + std::to_string(viewer.offset.maximum) +
                          " that the clips allow.");
    viewer.offset.position = clips.offset;
  }

  CheckOpenPreview(project).OrThrow();

  FixedOutputName prompt(output);
  NoViewer noViewer;
  ScriptGenerator generator(project, alignment, viewer, video, prompt, noViewer);
  try {
    generator.GenerateScripts(false);
  } catch (...) {
    // Say what the failed run had written before it stopped.
    for (const auto& file : generator.WrittenFiles()) std::printf("%s\n", file.c_str());
    throw;
  }
  for (const auto& file : generator.WrittenFiles()) std::printf("%s\n", file.c_str());
  std::printf("size %d %d\n", project.outputWidth, project.outputHeight);
  // The viewer would show why the output does not open; say it here.
  if (project.outputWidth <= 0 || project.outputHeight <= 0) {
    const VideoInfo info = video.ReadVideoInfo(generator.Names().output);
    if (!info.Ok()) throw TandemixError(info.error);
  }
  return 0;
}

}  // namespace

int Generate(const Args& args) {
  return RunCommand("generate", [&] { return RunGenerate(args); });
}

}  // namespace tandemix::cli
