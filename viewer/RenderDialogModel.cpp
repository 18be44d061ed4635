#include "viewer/RenderDialogModel.h"

#include <cerrno>
#include <cstdlib>

#include "base/Errors.h"
#include "core/SettingsKeys.h"

namespace tandemix {
namespace {

template <typename E, std::size_t N>
int IndexOf(const E (&all)[N], const std::string& name, int fallback) {
  for (std::size_t i = 0; i < N; ++i)
    if (name == render::NameOf(all[i])) return static_cast<int>(i);
  return fallback;
}

int ParseWholeNumber(const std::string& text) {
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || value < -1000000 || value > 1000000) throw NotValidInteger(text);
  return static_cast<int>(value);
}

}  // namespace

void RenderDialogModel::Prepare(const std::string& script) {
  script_ = script;
  std::string extension = ".mp4";
  if (settings_) {
    videoIndex = IndexOf(kVideoCodecs, settings_->Text(RenderKey("video")), 0);
    audioIndex = IndexOf(kAudioCodecs, settings_->Text(RenderKey("audio")), 0);
    const std::string quality = settings_->Text(RenderKey("quality"));
    if (!quality.empty()) qualityText = quality == "default" ? "" : quality;
    const std::string last = settings_->Text(RenderKey("file"));
    const auto container = render::ContainerOfPath(last);
    if (container) extension = std::string(".") + render::NameOf(*container);
  }
  const std::size_t slash = script.find_last_of('/');
  const std::size_t dot = script.find_last_of('.');
  const std::string stem =
      dot == std::string::npos || (slash != std::string::npos && dot < slash) ? script : script.substr(0, dot);
  fileName = stem + extension;
}

render::RenderSettings RenderDialogModel::Settings() const {
  render::RenderSettings s;
  s.video = kVideoCodecs[videoIndex >= 0 && videoIndex < 4 ? videoIndex : 0];
  s.audio = kAudioCodecs[audioIndex >= 0 && audioIndex < 5 ? audioIndex : 0];
  if (!qualityText.empty() && s.video != render::VideoCodec::FFV1) {
    s.crf = ParseWholeNumber(qualityText);
    if (s.crf < 0)
      throw TandemixError("The quality (CRF) " + qualityText + " is out of range for " + render::Description(s.video) +
                          ": 0 to " + std::to_string(render::MaxCrf(s.video)));
  }
  if (fileName.empty()) throw TandemixError("Give the movie a file name (.mkv, .mp4, .mov or .avi)");
  render::CheckSettings(fileName, s).OrThrow();
  return s;
}

void RenderDialogModel::Remember() {
  if (!settings_) return;
  settings_->SetText(RenderKey("file"), fileName);
  settings_->SetText(RenderKey("video"), render::NameOf(kVideoCodecs[videoIndex]));
  settings_->SetText(RenderKey("audio"), render::NameOf(kAudioCodecs[audioIndex]));
  settings_->SetText(RenderKey("quality"), qualityText.empty() ? "default" : qualityText);
  settings_->Sync();
}

bool RenderDialogModel::Begin() {
  if (running_) return false;
  running_ = true;
  return true;
}

std::string RenderDialogModel::ProgressLine(int done, int total, double elapsedSeconds, const std::string& note) {
  return "Rendering " + render::ProgressText(done, total, elapsedSeconds, note);
}

int RenderDialogModel::PerMille(int done, int total) {
  if (total <= 0 || done <= 0) return 0;
  if (done >= total) return 1000;
  return static_cast<int>(static_cast<long long>(done) * 1000 / total);
}

std::string RenderDialogModel::FinishedText(const std::string& path, int frames) {
  return "The movie was written to " + path + " (" + std::to_string(frames) + " frames).";
}

}  // namespace tandemix
