// Turns the project into AviSynth scripts on disk and opens the output
// script in the clip viewer. Every run rebuilds every script from scratch.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Check.h"
#include "core/AlignmentSettings.h"
#include "core/ViewerState.h"
#include "platform/VideoServices.h"
#include "project/ProjectState.h"
#include "project/SessionFile.h"
#include "script/AlignmentEmission.h"
#include "script/TemplateExpansion.h"

namespace tandemix {

// Asks the user for the output script's name ("Define Output AVS File",
// filter "AviSynth Script (*.avs)|*.avs", default extension "avs"),
// offering `current`. nullopt when the user cancels.
class OutputNamePrompt {
 public:
  virtual ~OutputNamePrompt() = default;
  virtual std::optional<std::string> AskOutputName(const std::string& current) = 0;
  // Asked before a run writes over a script that is not what the program
  // last wrote there: the user edited it, or another session wrote it and
  // it may hold an alignment this one does not know. false stops the run
  // before anything is written. Batch use (no one to ask) goes on.
  virtual bool ConfirmOverwrite(const std::string& question) {
    (void)question;
    return true;
  }
};

// The clip viewer as the generator sees it.
class ScriptViewer {
 public:
  virtual ~ScriptViewer() = default;
  // Opens `script` with a picture of width x height, starting at `startMs`.
  virtual void ViewerOpen(const std::string& script, int width, int height, std::int64_t startMs) = 0;
};

// What the alignment emission left behind in the last run.
struct ViewMeasurements {
  int leftViewWidth = 0;
  int leftViewHeight = 0;
  int rightViewWidth = 0;
  int rightViewHeight = 0;
  double leftViewRate = 1.0;
};

// The file names of one run, all beside the output script.
struct ScriptNames {
  std::string output;
  std::string preview;     // folder + "/PreviewFile.avs"
  std::string leftView;    // base + "_L.avs"
  std::string rightView;   // base + "_R.avs"
  std::string leftFinal;   // base + "_Left.avs"
  std::string rightFinal;  // base + "_Right.avs"
  std::string leftImage;   // preview less ".avs" + "_L.bmp"
  std::string rightImage;  // preview less ".avs" + "_R.bmp"
};
ScriptNames DeriveScriptNames(const std::string& outputScriptName);

class ScriptGenerator {
 public:
  ScriptGenerator(ProjectState& project, AlignmentSettings& alignment, ViewerState& viewer, VideoServices& video,
                  OutputNamePrompt& prompt, ScriptViewer& scriptViewer);

  // One run. Returns true when it completed (scripts written, viewer
  // opened); false when it was held off or the dialog was cancelled.
  // Failures throw TandemixError with the user's message; files written
  // before the failure stay.
  bool GenerateScripts(bool regenerate);

  const ScriptNames& Names() const { return names_; }
  const ViewMeasurements& Views() const { return views_; }
  // Every file written by the last run, in the order written.
  const std::vector<std::string>& WrittenFiles() const { return written_; }

  // The fingerprint of every script the program wrote (in this session, or
  // in the one a project's session file recorded). A run writes over a
  // script whose text still has its fingerprint without asking.
  const ScriptRecord& KnownScripts() const { return known_; }
  void SetKnownScripts(ScriptRecord known) { known_ = std::move(known); }

  // Everything a run reads from the alignment boxes, parsed and checked
  // (CheckRunValues) before the first file is written so that a bad number
  // never leaves a half-written set. The templates the run reads are
  // checked then too.
  struct RunValues {
    AlignmentValues alignment;
    bool useFinalSize = false;
    int finalWidth = 0;
    int finalHeight = 0;
  };

 private:
  // The steps of a run, in their order.
  void WriteSourcesAndFilters(const TemplateKeywords& keywords);
  std::pair<VideoInfo, VideoInfo> MeasureViews();
  void AddAlignment(const RunValues& values, const VideoInfo& leftInfo, const VideoInfo& rightInfo);
  void WriteAndMeasureOutput(const TemplateKeywords& keywords);
  void AddFinalSize(const RunValues& values);
  void WriteFinalView(const std::string& path, LineList& lines, const char* clip, const RunValues& values);

  void WriteFile(const std::string& path, const LineList& lines);
  // The question for the scripts of this run that are not as the program
  // left them; nullopt when there are none.
  std::optional<std::string> OverwriteQuestion(bool useFinalSize) const;
  void Expand(LineList& lines, Block block, const TemplateKeywords& keywords) const;
  void AddSource(LineList& lines, Block importBlock, const std::string& clip, const TemplateKeywords& keywords) const;

  ProjectState& project_;
  AlignmentSettings& alignment_;
  ViewerState& viewer_;
  VideoServices& video_;
  OutputNamePrompt& prompt_;
  ScriptViewer& scriptViewer_;
  ScriptNames names_;
  ViewMeasurements views_;
  PixelType outputType_ = PixelType::RGB24;  // as the output script measured
  std::vector<std::string> written_;
  ScriptRecord known_;
};

// Refuses values that make no script: a scale of 0 % or less ("The scale of
// the left view must be above 0 %; it is -100 %.", as the preview
// compositor says) or one no view survives, a shift of 16384 pixels or
// more either way, a final size no frame can have ("The final frame would
// be 0 x 0 pixels; it needs at least 1 x 1."). The window program's boxes
// and tandemix-cli's options reach the generator through these checks.
void CheckRunValues(const ScriptGenerator::RunValues& values);

// Reads the boxes and bars as a run does, then CheckRunValues. Throws the
// boxes' conversion messages and the checks' refusals.
ScriptGenerator::RunValues ReadRunValues(const AlignmentSettings& settings);

// "Open preview": the check before a run. A refusal's reason is shown in a
// box captioned "Video clip not loaded".
Check CheckOpenPreview(const ProjectState& project);

}  // namespace tandemix
