#include "script/ScriptGenerator.h"

#include <cmath>
#include <cstdlib>

#include "core/FrameTime.h"
#include "platform/Errors.h"
#include "project/ClipLoading.h"
#include "script/AlignmentEmission.h"
#include "core/ScriptNumber.h"
#include "script/TemplateExpansion.h"

namespace tandemix {
namespace {

std::string DropLastFour(const std::string& name) {
  return name.size() >= 4 ? name.substr(0, name.size() - 4) : std::string();
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Everything a run reads from the alignment boxes, parsed before the first
// file is written so that a bad number never leaves a half-written set.
struct RunValues {
  AlignmentValues alignment;
  bool useFinalSize = false;
  int finalWidth = 0;
  int finalHeight = 0;
};

RunValues ReadRunValues(const AlignmentSettings& settings) {
  RunValues v;
  v.alignment.scaleLeft = settings.ScaleLeftFactor();
  v.alignment.scaleRight = settings.ScaleRightFactor();
  v.alignment.angleLeft = settings.AngleLeft();
  v.alignment.angleRight = settings.AngleRight();
  v.alignment.horizontalShift = settings.HorizontalShift();
  v.alignment.verticalShift = settings.VerticalShift();
  v.alignment.autoCrop = settings.autoCrop;
  v.alignment.swapViews = settings.swapViews;
  v.useFinalSize = settings.useFinalSize;
  if (v.useFinalSize) {
    v.finalWidth = settings.FinalWidth();
    v.finalHeight = settings.FinalHeight();
  }
  return v;
}

void CheckScriptPath(const std::string& path) {
  if (auto message = UnsafeScriptPathMessage(path)) throw TandemixError(*message);
}

}  // namespace

ScriptNames DeriveScriptNames(const std::string& outputScriptName) {
  ScriptNames n;
  n.output = outputScriptName;
  const std::string base = DropLastFour(outputScriptName);
  const auto slash = outputScriptName.rfind('/');
  std::string folder;
  if (slash == std::string::npos) {
    folder = ".";
  } else if (slash == 0) {
    folder = "/";  // the root keeps its separator
  } else {
    folder = outputScriptName.substr(0, slash);
  }
  n.preview = folder + "/PreviewFile.avs";
  n.leftView = base + "_L.avs";
  n.rightView = base + "_R.avs";
  n.leftFinal = base + "_Left.avs";
  n.rightFinal = base + "_Right.avs";
  n.leftImage = DropLastFour(n.preview) + "_L.bmp";
  n.rightImage = DropLastFour(n.preview) + "_R.bmp";
  return n;
}

std::optional<std::string> OpenPreviewRefusal(const ProjectState& p) {
  const bool anyFileType = p.fileType == kFileTypePicture || p.fileType == kFileTypeCustom;
  if (!(p.leftClipWidth > 0 && p.leftClipHeight > 0) && !anyFileType)
    return std::string("Please, load video clip(s) before preview!");
  if (!p.importStereo && p.rightClipWidth == 0 && p.rightClipHeight == 0 &&
      (p.fileType == kFileTypeAvi || p.fileType == kFileTypeVideo))
    return std::string("Please, load right video clip before preview!");
  return std::nullopt;
}

ScriptGenerator::ScriptGenerator(ProjectState& project, AlignmentSettings& alignment, ViewerState& viewer,
                                 VideoServices& video, OutputNamePrompt& prompt, ScriptViewer& scriptViewer)
    : project_(project),
      alignment_(alignment),
      viewer_(viewer),
      video_(video),
      prompt_(prompt),
      scriptViewer_(scriptViewer) {}

bool ScriptGenerator::GenerateScripts(bool regenerate) {
  // A request during the hold-off is dropped, not queued.
  if (alignment_.regenerateHoldoff != 0) return false;

  if (!regenerate) {
    const auto chosen = prompt_.AskOutputName(project_.outputScriptName);
    if (!chosen) return false;
    project_.outputScriptName = *chosen;
  }
  written_.clear();
  ProjectState& p = project_;
  p.stereoMode = StereoModeOf(p);
  names_ = DeriveScriptNames(p.outputScriptName);

  CheckScriptPath(p.outputScriptName);
  CheckScriptPath(p.clipAFileName);
  CheckScriptPath(p.clipBFileName);
  const RunValues values = ReadRunValues(alignment_);

  const TemplateKeywords keywords{p.clipAFileName, p.clipBFileName, FormatScriptNumber(alignment_.sliderAValue),
                                  FormatScriptNumber(alignment_.sliderBValue)};
  const std::string& folder = p.programFolder;
  auto expand = [&](LineList& lines, Block block) { ExpandBlock(lines, p.BlockAt(block), folder, keywords); };
  auto source = [&](LineList& lines, Block importBlock, const std::string& clip) {
    switch (p.fileType) {
      case kFileTypeAvi: lines.push_back("AVISource(" + Quoted(clip) + ")"); break;
      case kFileTypeVideo: lines.push_back("OpenSource(" + Quoted(clip) + ")"); break;
      case kFileTypePicture: lines.push_back("ImageSource(" + Quoted(clip) + ")"); break;
      case kFileTypeCustom: expand(lines, importBlock); break;
      default: break;  // no file type chosen: no source line
    }
  };

  p.previewLines.clear();
  p.outputLines.clear();
  LineList& out = p.outputLines;
  switch (p.stereoMode) {
    case 0:
      source(out, Block::ImportLeft, p.clipAFileName);
      expand(out, Block::FilterLeft);
      out.push_back("ClipA = last");
      source(out, Block::ImportRight, p.clipBFileName);
      expand(out, Block::FilterRight);
      out.push_back("ClipB = last");
      break;
    case 1:
      source(out, Block::ImportLeft, p.clipAFileName);
      expand(out, Block::Convert);
      out.push_back("last = ClipA");
      expand(out, Block::FilterLeft);
      out.push_back("ClipA = last");
      out.push_back("last = ClipB");
      expand(out, Block::FilterRight);
      out.push_back("ClipB = last");
      break;
    default:
      source(out, Block::ImportLeft, p.clipAFileName);
      expand(out, Block::FilterLeft);
      expand(out, Block::Convert);
      break;
  }
  p.previewLines = out;

  // The viewer's range and the offset trims: the clip that starts later
  // loses its first |offset| frames, the other ends |offset| frames early.
  const int offset = viewer_.Offset();
  viewer_.track.SetRange(0, std::min(p.leftFrameCount, p.rightFrameCount) - std::abs(offset));
  LineList trims;
  if (offset > 0) {
    trims.push_back("ClipB = Trim(ClipB," + std::to_string(offset) + ",0)");
    trims.push_back("ClipA = Trim(ClipA,0," + std::to_string(p.leftFrameCount - offset - 1) + ")");
  } else if (offset < 0) {
    trims.push_back("ClipA = Trim(ClipA," + std::to_string(-offset) + ",0)");
    trims.push_back("ClipB = Trim(ClipB,0," + std::to_string(p.rightFrameCount + offset - 1) + ")");
  }
  p.previewLines.insert(p.previewLines.end(), trims.begin(), trims.end());
  out.insert(out.end(), trims.begin(), trims.end());

  // View scripts: measured to learn the real sizes after the user's filters.
  LineList leftView = out;
  leftView.push_back("return(ClipA)");
  LineList rightView = out;
  rightView.push_back("return(ClipB)");
  WriteTextLines(names_.leftView, leftView);
  written_.push_back(names_.leftView);
  WriteTextLines(names_.rightView, rightView);
  written_.push_back(names_.rightView);
  const VideoInfo leftInfo = video_.ReadVideoInfo(names_.leftView);
  const VideoInfo rightInfo = video_.ReadVideoInfo(names_.rightView);
  views_ = {leftInfo.width, leftInfo.height, rightInfo.width, rightInfo.height, leftInfo.rate};

  // The displacement ranges; a range that would be empty keeps the old one.
  const int hMax = std::min(leftInfo.width - 1, rightInfo.width - 1);
  const int hMin = std::min(1 - leftInfo.width, 1 - rightInfo.width);
  if (hMax >= hMin) alignment_.horizontal.SetRange(hMin, hMax);
  const int vMax = std::min(leftInfo.height - 1, rightInfo.height - 1);
  const int vMin = std::min(1 - leftInfo.height, 1 - rightInfo.height);
  if (vMax >= vMin) alignment_.vertical.SetRange(vMin, vMax);

  p.alignmentLines = AlignmentLinesFor(values.alignment, {leftInfo.width, leftInfo.height},
                                       {rightInfo.width, rightInfo.height});

  // The preview script shows the captured still pair instead of the clips.
  p.previewLines.push_back("ClipA = ImageSource(" + Quoted(names_.leftImage) + ")");
  p.previewLines.push_back("ClipB = ImageSource(" + Quoted(names_.rightImage) + ")");
  p.previewLines.insert(p.previewLines.end(), p.alignmentLines.begin(), p.alignmentLines.end());
  out.insert(out.end(), p.alignmentLines.begin(), p.alignmentLines.end());
  p.leftFinalLines = out;
  p.rightFinalLines = out;

  expand(out, Block::Output);
  expand(p.previewLines, Block::Output);
  WriteTextLines(names_.output, out);
  written_.push_back(names_.output);
  const VideoInfo outputInfo = video_.ReadVideoInfo(names_.output);
  p.outputWidth = outputInfo.width;
  p.outputHeight = outputInfo.height;

  if (values.useFinalSize) {
    const LineList finalLines = EmitFinalSize(p.outputWidth, p.outputHeight, values.finalWidth, values.finalHeight);
    if (!finalLines.empty()) {
      p.outputWidth = values.finalWidth;
      p.outputHeight = values.finalHeight;
    }
    for (LineList* list : {&p.previewLines, &p.outputLines, &p.leftFinalLines, &p.rightFinalLines})
      list->insert(list->end(), finalLines.begin(), finalLines.end());
    WriteTextLines(names_.leftFinal, p.leftFinalLines);
    written_.push_back(names_.leftFinal);
    WriteTextLines(names_.rightFinal, p.rightFinalLines);
    written_.push_back(names_.rightFinal);
  }

  WriteTextLines(names_.preview, p.previewLines);
  written_.push_back(names_.preview);
  WriteTextLines(names_.output, out);
  written_.push_back(names_.output);

  const std::int64_t startMs = regenerate ? FrameToMs(viewer_.track.position, views_.leftViewRate) : 0;
  scriptViewer_.ViewerOpen(names_.output, p.outputWidth, p.outputHeight, startMs);
  alignment_.regenerateHoldoff = 5;
  return true;
}

}  // namespace tandemix
