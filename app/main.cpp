// The tandemix window program: makes the project state and the six windows
// in their order, shows the main window and runs until it closes.
#include <QApplication>
#include <QFile>
#include <QScreen>

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
  TForm_Preview preview;
  TForm_Slider slider;
  TForm_Movie movie;
  relay.target = &movie;
  TForm_Picture picture;
  TForm_Help_About about;
  main.SetAboutWindow(&about);

  // Closing a secondary window only hides it; closing the main one ends
  // the program.
  for (QWidget* window : std::initializer_list<QWidget*>{&preview, &slider, &movie, &picture, &about}) {
    window->setAttribute(Qt::WA_QuitOnClose, false);
  }
  QObject::connect(&main, &TForm_Main::FormClosed, &app, &QCoreApplication::quit);

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = main.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    main.move(frame.topLeft());
  }
  main.show();
  return app.exec();
}
