#include "script/ScriptGenerator.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "base/Errors.h"
#include "core/FrameTime.h"
#include "core/Geometry.h"
#include "core/ScriptNumber.h"
#include "project/CameraPair.h"
#include "project/ClipLoading.h"
#include "script/AlignmentEmission.h"
#include "script/TemplateExpansion.h"

namespace tandemix {
namespace {

std::string DropLastFour(const std::string& name) {
  return name.size() >= 4 ? name.substr(0, name.size() - 4) : std::string();
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The same refusal as the preview compositor's for a scale of 0 or less;
// a scale that no view a script can hold survives is refused too.
void CheckScale(const char* view, double factor) {
  const std::string percent = FormatScriptNumber(factor * 100.0);
  if (!(factor > 0.0))
    throw TandemixError(std::string("The scale of the ") + view + " view must be above 0 %; it is " + percent + " %.");
  const double side = static_cast<double>(kMaxScriptFrameSide);
  if (factor * side <= 0.5 || factor >= side + 0.5)
    throw TandemixError(std::string("The scale of the ") + view + " view is " + percent + " %; no view of at most " +
                        std::to_string(kMaxScriptFrameSide) + " pixels a side can be scaled by it.");
}

void CheckShift(const char* direction, int shift) {
  const std::int64_t limit = kMaxScriptFrameSide - 1;
  if (shift < -limit || shift > limit)
    throw TandemixError(std::string("The ") + direction + " shift is " + std::to_string(shift) +
                        " pixels; it must be between " + std::to_string(-limit) + " and " + std::to_string(limit) +
                        ".");
}

}  // namespace

ScriptGenerator::RunValues ReadRunValues(const AlignmentSettings& settings) {
  using RunValues = ScriptGenerator::RunValues;
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
  CheckRunValues(v);
  return v;
}

namespace {

// The blocks whose templates a run reads, as WriteSourcesAndFilters and
// WriteAndMeasureOutput expand them.
std::vector<Block> BlocksRead(const ProjectState& p) {
  std::vector<Block> blocks;
  if (p.fileType == FileType::Custom) {
    blocks.push_back(Block::ImportLeft);
    if (p.stereoMode == StereoMode::TwoFiles) blocks.push_back(Block::ImportRight);
  }
  switch (p.stereoMode) {
    case StereoMode::TwoFiles:
      blocks.insert(blocks.end(), {Block::FilterLeft, Block::FilterRight});
      break;
    case StereoMode::ConvertBeforeFilters:
      blocks.insert(blocks.end(), {Block::Convert, Block::FilterLeft, Block::FilterRight});
      break;
    default:
      blocks.insert(blocks.end(), {Block::FilterLeft, Block::Convert});
      break;
  }
  blocks.push_back(Block::Output);
  return blocks;
}

}  // namespace

void CheckRunValues(const ScriptGenerator::RunValues& v) {
  CheckScale("left", v.alignment.scaleLeft);
  CheckScale("right", v.alignment.scaleRight);
  CheckShift("horizontal", v.alignment.horizontalShift);
  CheckShift("vertical", v.alignment.verticalShift);
  if (v.useFinalSize) CheckScriptFrameSize("The final frame", v.finalWidth, v.finalHeight);
}

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

Check CheckOpenPreview(const ProjectState& p) {
  const bool anyFileType = p.fileType == FileType::Picture || p.fileType == FileType::Custom;
  if (!(p.leftClipWidth > 0 && p.leftClipHeight > 0) && !anyFileType)
    return Check::Refused("Please, load video clip(s) before preview!");
  if (!p.importStereo && p.rightClipWidth == 0 && p.rightClipHeight == 0 &&
      (p.fileType == FileType::Avi || p.fileType == FileType::Video))
    return Check::Refused("Please, load right video clip before preview!");
  return {};
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
  project_.stereoMode = StereoModeOf(project_);
  names_ = DeriveScriptNames(project_.outputScriptName);
  CheckScriptPath(project_.outputScriptName).OrThrow();
  CheckScriptPath(project_.clipAFileName).OrThrow();
  CheckScriptPath(project_.clipBFileName).OrThrow();
  // Everything the run reads is checked before the first file is written.
  const RunValues values = ReadRunValues(alignment_);
  for (Block block : BlocksRead(project_)) CheckTemplatesReadable(project_.BlockAt(block), project_.programFolder);
  if (const auto question = OverwriteQuestion(values.useFinalSize)) {
    if (!prompt_.ConfirmOverwrite(*question)) return false;
  }
  const TemplateKeywords keywords{project_.clipAFileName, project_.clipBFileName,
                                  FormatScriptNumber(alignment_.sliderAValue),
                                  FormatScriptNumber(alignment_.sliderBValue)};

  WriteSourcesAndFilters(keywords);
  const auto [leftInfo, rightInfo] = MeasureViews();
  AddAlignment(values, leftInfo, rightInfo);
  WriteAndMeasureOutput(keywords);
  if (values.useFinalSize) AddFinalSize(values);
  WriteFile(names_.preview, project_.previewLines);
  WriteFile(names_.output, project_.outputLines);

  const std::int64_t startMs = regenerate ? FrameToMs(viewer_.track.position, views_.leftViewRate) : 0;
  scriptViewer_.ViewerOpen(names_.output, project_.outputWidth, project_.outputHeight, startMs);
  alignment_.regenerateHoldoff = 5;
  return true;
}

void ScriptGenerator::WriteFile(const std::string& path, const LineList& lines) {
  WriteTextLines(path, lines);
  written_.push_back(path);
  known_[path] = TextFingerprint(JoinLinesCrLf(lines));
}

std::optional<std::string> ScriptGenerator::OverwriteQuestion(bool useFinalSize) const {
  std::vector<std::string> paths = {names_.output, names_.leftView, names_.rightView};
  if (useFinalSize) paths.insert(paths.end(), {names_.leftFinal, names_.rightFinal});
  std::string edited, unknown;
  for (const std::string& path : paths) {
    std::ifstream file(path, std::ios::binary);
    if (!file) continue;
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto known = known_.find(path);
    if (known == known_.end()) {
      unknown += "\n" + path;
    } else if (known->second != TextFingerprint(text)) {
      edited += "\n" + path;
    }
  }
  if (edited.empty() && unknown.empty()) return std::nullopt;
  std::string question;
  if (!edited.empty()) question += "These scripts were changed since Tandemix last wrote them:" + edited + "\n\n";
  if (!unknown.empty())
    question +=
        "These scripts were not written in this session and may hold an alignment it does not know:" + unknown + "\n\n";
  return question + "Write over them?";
}

void ScriptGenerator::Expand(LineList& lines, Block block, const TemplateKeywords& keywords) const {
  ExpandBlock(lines, project_.BlockAt(block), project_.programFolder, keywords);
}

void ScriptGenerator::AddSource(LineList& lines, Block importBlock, const std::string& clip,
                                const TemplateKeywords& keywords) const {
  switch (project_.fileType) {
    case FileType::Avi:
      lines.push_back("AVISource(" + Quoted(clip) + ")");
      break;
    case FileType::Video:
      lines.push_back("OpenSource(" + Quoted(clip) + ")");
      break;
    case FileType::Picture:
      lines.push_back("ImageSource(" + Quoted(clip) + ")");
      break;
    case FileType::Custom:
      Expand(lines, importBlock, keywords);
      break;
    default:
      break;  // no file type chosen: no source line
  }
}

// The sources and the user's filters into ClipA and ClipB, then the offset
// trims: the clip that starts later loses its first |offset| frames, the
// other ends |offset| frames early. The preview script starts the same way.
void ScriptGenerator::WriteSourcesAndFilters(const TemplateKeywords& keywords) {
  ProjectState& p = project_;
  p.previewLines.clear();
  p.outputLines.clear();
  LineList& out = p.outputLines;
  switch (p.stereoMode) {
    case StereoMode::TwoFiles:
      AddSource(out, Block::ImportLeft, p.clipAFileName, keywords);
      Expand(out, Block::FilterLeft, keywords);
      out.push_back("ClipA = last");
      AddSource(out, Block::ImportRight, p.clipBFileName, keywords);
      // A camera that does not match the left one, as the user chose.
      for (const std::string& line : RightConformLines(p)) out.push_back(line);
      Expand(out, Block::FilterRight, keywords);
      out.push_back("ClipB = last");
      break;
    case StereoMode::ConvertBeforeFilters:
      AddSource(out, Block::ImportLeft, p.clipAFileName, keywords);
      Expand(out, Block::Convert, keywords);
      out.push_back("last = ClipA");
      Expand(out, Block::FilterLeft, keywords);
      out.push_back("ClipA = last");
      out.push_back("last = ClipB");
      Expand(out, Block::FilterRight, keywords);
      out.push_back("ClipB = last");
      break;
    default:
      AddSource(out, Block::ImportLeft, p.clipAFileName, keywords);
      Expand(out, Block::FilterLeft, keywords);
      Expand(out, Block::Convert, keywords);
      break;
  }
  p.previewLines = out;

  // The offset counts frames of the left clip; the right clip is trimmed
  // by as many of its own frames as last the same time (the same number
  // when the rates match).
  const int offset = viewer_.Offset();
  const bool twoFiles = p.stereoMode == StereoMode::TwoFiles;
  const int rightOffset = twoFiles ? RightFramesFor(p, std::abs(offset)) : std::abs(offset);
  const int rightFrames = twoFiles ? RightFramesInScript(p) : p.rightFrameCount;
  const int rightLength = twoFiles ? RightLengthInLeftFrames(p) : p.rightFrameCount;
  viewer_.track.SetRange(0, std::min(p.leftFrameCount, rightLength) - std::abs(offset));
  LineList trims;
  if (offset > 0) {
    trims.push_back("ClipB = Trim(ClipB," + std::to_string(rightOffset) + ",0)");
    trims.push_back("ClipA = Trim(ClipA,0," + std::to_string(p.leftFrameCount - offset - 1) + ")");
  } else if (offset < 0) {
    trims.push_back("ClipA = Trim(ClipA," + std::to_string(-offset) + ",0)");
    trims.push_back("ClipB = Trim(ClipB,0," + std::to_string(rightFrames - rightOffset - 1) + ")");
  }
  // Without sound on the left clip, the right clip's plays with the picture.
  if (twoFiles && SoundFromRight(p)) trims.push_back("ClipA = AudioDub(ClipA,ClipB)");
  p.previewLines.insert(p.previewLines.end(), trims.begin(), trims.end());
  out.insert(out.end(), trims.begin(), trims.end());
}

// The view scripts, measured to learn the real sizes after the user's
// filters; the displacement bars get ranges from them.
std::pair<VideoInfo, VideoInfo> ScriptGenerator::MeasureViews() {
  LineList leftView = project_.outputLines;
  leftView.push_back("return(ClipA)");
  LineList rightView = project_.outputLines;
  rightView.push_back("return(ClipB)");
  WriteFile(names_.leftView, leftView);
  WriteFile(names_.rightView, rightView);
  const VideoInfo leftInfo = video_.ReadVideoInfo(names_.leftView);
  const VideoInfo rightInfo = video_.ReadVideoInfo(names_.rightView);
  views_ = {leftInfo.width, leftInfo.height, rightInfo.width, rightInfo.height, leftInfo.rate};

  // A range that would be empty keeps the old one.
  const int hMax = std::min(leftInfo.width - 1, rightInfo.width - 1);
  const int hMin = std::min(1 - leftInfo.width, 1 - rightInfo.width);
  if (hMax >= hMin) alignment_.horizontal.SetRange(hMin, hMax);
  const int vMax = std::min(leftInfo.height - 1, rightInfo.height - 1);
  const int vMin = std::min(1 - leftInfo.height, 1 - rightInfo.height);
  if (vMax >= vMin) alignment_.vertical.SetRange(vMin, vMax);
  return {leftInfo, rightInfo};
}

// The alignment lines go into the output script; the preview script shows
// the captured still pair through the same lines instead of the clips.
void ScriptGenerator::AddAlignment(const RunValues& values, const VideoInfo& leftInfo, const VideoInfo& rightInfo) {
  ProjectState& p = project_;
  p.alignmentLines = AlignmentLinesFor(values.alignment, {leftInfo.width, leftInfo.height},
                                       {rightInfo.width, rightInfo.height}, leftInfo.pixelType, rightInfo.pixelType);
  p.previewLines.push_back("ClipA = ImageSource(" + Quoted(names_.leftImage) + ")");
  p.previewLines.push_back("ClipB = ImageSource(" + Quoted(names_.rightImage) + ")");
  p.previewLines.insert(p.previewLines.end(), p.alignmentLines.begin(), p.alignmentLines.end());
  p.outputLines.insert(p.outputLines.end(), p.alignmentLines.begin(), p.alignmentLines.end());
  p.leftFinalLines = p.outputLines;
  p.rightFinalLines = p.outputLines;
}

// The Output block ends both scripts; the output script is written and
// measured for the size of the picture the viewer shows.
void ScriptGenerator::WriteAndMeasureOutput(const TemplateKeywords& keywords) {
  ProjectState& p = project_;
  Expand(p.outputLines, Block::Output, keywords);
  Expand(p.previewLines, Block::Output, keywords);
  WriteFile(names_.output, p.outputLines);
  const VideoInfo outputInfo = video_.ReadVideoInfo(names_.output);
  p.outputWidth = outputInfo.width;
  p.outputHeight = outputInfo.height;
  outputType_ = outputInfo.pixelType;
}

// The final size ends every script, and the two final view scripts are
// written with it.
void ScriptGenerator::AddFinalSize(const RunValues& values) {
  ProjectState& p = project_;
  const LineList finalLines =
      EmitFinalSize(p.outputWidth, p.outputHeight, values.finalWidth, values.finalHeight, outputType_);
  if (!finalLines.empty()) {
    p.outputWidth = values.finalWidth;
    p.outputHeight = values.finalHeight;
  }
  for (LineList* list : {&p.previewLines, &p.outputLines})
    list->insert(list->end(), finalLines.begin(), finalLines.end());
  WriteFinalView(names_.leftFinal, p.leftFinalLines, "ClipA", values);
  WriteFinalView(names_.rightFinal, p.rightFinalLines, "ClipB", values);
}

// A final view file returns its view (ClipA is the one the output shows on
// the left, after a swap too) brought to the final size by the output's
// rule: cropped or bordered about its centre. The aligned view is written
// and measured first, for the numbers.
void ScriptGenerator::WriteFinalView(const std::string& path, LineList& lines, const char* clip,
                                     const RunValues& values) {
  lines.push_back(clip);
  WriteFile(path, lines);
  const VideoInfo view = video_.ReadVideoInfo(path);
  const LineList fit = EmitFinalSize(view.width, view.height, values.finalWidth, values.finalHeight, view.pixelType);
  lines.insert(lines.end(), fit.begin(), fit.end());
  WriteFile(path, lines);
}

}  // namespace tandemix
