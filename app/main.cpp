// The tandemix window program: makes the project state and the six windows
// in their order, shows the main window and runs until it closes.
#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QTimer>

#include "app/FormHelpAbout.h"
#include "app/FormMain.h"
#include "app/FormQtPrompts.h"
#include "platform/DefaultVideoServices.h"
#include "platform/DesktopShell.h"
#include "preview/AlignmentSettings.h"
#include "preview/FormPicture.h"
#include "preview/FormPreview.h"
#include "project/ProjectState.h"
#include "script/ScriptGenerator.h"
#include "viewer/FormMovie.h"
#include "viewer/FormSlider.h"
#include "viewer/ViewerState.h"

namespace {

// The generator exists before the windows, while the clip viewer it opens
// is made fourth; this hands the call on once the viewer is there.
class ClipViewerRelay : public tandemix::ScriptViewer {
 public:
  tandemix::ScriptViewer* target = nullptr;
  void ViewerOpen(const std::string& script, int width, int height, std::int64_t startMs) override {
    if (target) target->ViewerOpen(script, width, height, startMs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tandemix");
  using namespace tandemix;

  ProjectState project;
  AlignmentSettings alignment;
  ViewerState viewer;
  DefaultVideoServices video;
  QtPrompts prompts;
  DesktopShell shell(ShellEnvironment::FromProcess());
  ClipViewerRelay relay;
  ScriptGenerator generator(project, alignment, viewer, video, prompts, relay);
  const std::string programFolder = QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();

  TForm_Main main({project, viewer, video, generator, prompts, shell, programFolder});
  prompts.SetParent(&main);
  auto showError = [&prompts](const std::string& text) { prompts.ShowError(text); };
  auto regenerate = [&generator] { generator.GenerateScripts(true); };

  // The windows are made in their fixed order; a hook that reaches a later
  // window finds it through a pointer set once that window exists. Hooks
  // left empty (composing the preview, capturing frames) do nothing yet.
  TForm_Slider* sliderWindow = nullptr;
  PreviewWindowHooks previewHooks;
  previewHooks.regenerate = regenerate;
  previewHooks.showError = showError;
  previewHooks.showSliderDialog = [&sliderWindow] {
    if (sliderWindow) sliderWindow->show();
  };
  TForm_Preview preview(alignment, previewHooks);
  TForm_Slider slider(preview.Model(), showError, [&preview] { preview.RefreshControls(); });
  sliderWindow = &slider;

  MovieWindowHooks movieHooks;
  movieHooks.regenerate = regenerate;
  movieHooks.showError = showError;
  movieHooks.leftViewRate = [&generator] { return generator.Views().leftViewRate; };
  movieHooks.setRegenerateHoldoff = [&alignment](int ticks) { alignment.regenerateHoldoff = ticks; };
  TForm_Movie movie(viewer, movieHooks);
  relay.target = &movie;
  TForm_Picture picture;
  TForm_Help_About about;
  main.SetAboutWindow(&about);

  // Closing a secondary window only hides it; closing the main one ends
  // the program.
  for (QWidget* window : std::initializer_list<QWidget*>{&preview, &slider, &movie, &picture, &about}) {
    window->setAttribute(Qt::WA_QuitOnClose, false);
  }
  // Closing stops the viewer's timer before the program ends.
  QObject::connect(&main, &TForm_Main::FormClosed, movie.Timer1, &QTimer::stop);
  QObject::connect(&main, &TForm_Main::FormClosed, &app, &QCoreApplication::quit);

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = main.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    main.move(frame.topLeft());
  }
  main.show();
  return app.exec();
}
