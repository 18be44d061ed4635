// The whole window program: the project state, the alignment settings, the
// generator, the preview compositor and the six windows in their fixed
// order, wired together. main() makes one with the real services; tests
// make one with fakes and drive the real windows.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/FormHelpAbout.h"
#include "app/FormMain.h"
#include "app/RememberingPrompts.h"
#include "platform/MediaPlayer.h"
#include "preview/Compositor.h"
#include "preview/FormPicture.h"
#include "preview/FormPreview.h"
#include "preview/LivePreview.h"
#include "viewer/FormMovie.h"
#include "viewer/FormRender.h"
#include "viewer/FormSlider.h"

namespace tandemix {

class TandemixProgram : private PreviewDisplay, private ScriptViewer {
 public:
  // `player` may be null: the clip viewer then plays through the engine.
  // `settings` may be null: nothing is remembered between runs then.
  TandemixProgram(VideoServices& video, MainPrompts& prompts, Shell& shell, std::string programFolder,
                  MediaPlayer* player = nullptr, SettingsStore* settings = nullptr);
  ~TandemixProgram() override;

  ProjectState project;
  AlignmentSettings alignment;
  ViewerState viewer;
  RememberingPrompts remembering;
  ScriptGenerator generator;
  PreviewCompositor compositor;

  // Whether the main window got its place from the settings.
  bool MainPlaceRemembered() const { return mainPlaceRemembered_; }
  // The last step of "Adjust Clip" once the picture is composed: the
  // adjustment window in front, beside its picture on its first showing.
  void OpenAdjustmentWindow() { ShowAdjustmentWindow(); }
  // Writes the windows' places and sizes to the settings.
  void SaveWindowPlaces();

  // The six windows, made in this order.
  std::unique_ptr<TForm_Main> main;
  std::unique_ptr<TForm_Preview> preview;
  std::unique_ptr<TForm_Slider> slider;
  std::unique_ptr<TForm_Movie> movie;
  std::unique_ptr<TForm_Render> render;  // "Render…" of the clip viewer
  std::unique_ptr<TForm_Picture> picture;
  std::unique_ptr<TForm_Help_About> about;
  // The picture while a bar of the adjustment window is dragged; it goes
  // before the windows it shows in.
  std::unique_ptr<LivePreview> live;

 private:
  // PreviewDisplay
  void EnablePreviewOptions(bool enabled) override;
  void ShowPicture(const Bitmap& image) override;
  void ShowAdjustmentWindow() override;
  // ScriptViewer: the generator opens the clip viewer, which is made after
  // the generator; the adjustment window's bars follow the new ranges.
  void ViewerOpen(const std::string& script, int width, int height, std::int64_t startMs) override;

  void Regenerate();
  void RestoreWindowPlaces();
  std::vector<QWidget*> RememberedWindows() const;

  VideoServices& video_;
  MainPrompts& prompts_;
  SettingsStore* settings_;
  bool regenerating_ = false;
  bool mainPlaceRemembered_ = false;
  bool previewPlaceRemembered_ = false;
};

}  // namespace tandemix
