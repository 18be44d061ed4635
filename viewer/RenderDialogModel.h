// The render dialog without its widgets: the file name, codec and quality
// boxes as the user left them, read when the render starts; the choices
// remembered between runs; one render at a time; the progress line.
#pragma once

#include <string>

#include "desktop/SettingsStore.h"
#include "render/RenderChoices.h"

namespace tandemix {

class RenderDialogModel {
 public:
  // The video and sound codecs in the order of the dialog's lists.
  static constexpr render::VideoCodec kVideoCodecs[] = {render::VideoCodec::H264, render::VideoCodec::H265,
                                                        render::VideoCodec::AV1, render::VideoCodec::FFV1};
  static constexpr render::AudioCodec kAudioCodecs[] = {render::AudioCodec::AAC, render::AudioCodec::Opus,
                                                        render::AudioCodec::FLAC, render::AudioCodec::PCM,
                                                        render::AudioCodec::None};

  // `settings` may be null: nothing is remembered.
  explicit RenderDialogModel(SettingsStore* settings) : settings_(settings) {}

  // Fills the boxes for rendering `script`: the remembered choices, and a
  // file name beside the script with the remembered extension (movie.avs
  // gives movie.mp4 when MP4 was chosen last; .mp4 at first).
  void Prepare(const std::string& script);

  const std::string& Script() const { return script_; }
  std::string fileName;
  int videoIndex = 0;
  std::string qualityText = "18";  // CRF; empty for the codec's default
  int audioIndex = 0;

  // The settings from the boxes. Throws TandemixError with the reason: a
  // quality that is no whole number ("'x' is not a valid integer value"),
  // or what CheckSettings refuses.
  render::RenderSettings Settings() const;
  // Stores the boxes as the next run's choices.
  void Remember();

  // One render at a time: Begin refuses (false) while one runs.
  bool Begin();
  void End() { running_ = false; }
  bool Running() const { return running_; }

  // "Rendering frame 12 of 250 …" and the progress bar's per mille.
  static std::string ProgressLine(int done, int total, double elapsedSeconds, const std::string& note);
  static int PerMille(int done, int total);
  static std::string FinishedText(const std::string& path, int frames);

 private:
  SettingsStore* settings_;
  std::string script_;
  bool running_ = false;
};

}  // namespace tandemix
