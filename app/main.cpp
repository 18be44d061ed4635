// The tandemix window program: makes the program (state, services and the
// six windows in their order), shows the main window centred on the screen
// and runs until it closes.
#include <QApplication>
#include <QFile>
#include <QScreen>

#include "app/Program.h"
#include "app/QtPrompts.h"
#include "desktop/DesktopShell.h"
#include "desktop/SettingsStore.h"
#include "media/FFmpegLog.h"
#include "platform/DefaultVideoServices.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tandemix");
  tandemix::media::QuietFFmpegLog();
  using namespace tandemix;

  DefaultVideoServices video;
  QtPrompts prompts;
  DesktopShell shell(ShellEnvironment::FromProcess());
  const std::string programFolder = QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
  SettingsStore settings(SettingsStore::DefaultPath());
  TandemixProgram program(video, prompts, shell, programFolder, nullptr, &settings);
  prompts.SetParent(program.main.get());
  prompts.SetWindows(
      {program.preview.get(), program.slider.get(), program.movie.get(), program.picture.get(), program.about.get()});
  QObject::connect(program.main.get(), &TForm_Main::FormClosed, &app, &QCoreApplication::quit);

  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen && !program.MainPlaceRemembered()) {
    QRect frame = program.main->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    program.main->move(frame.topLeft());
  }
  program.main->show();
  std::vector<std::string> arguments;
  for (const QString& argument : QCoreApplication::arguments().mid(1))
    arguments.push_back(QFile::encodeName(argument).toStdString());
  program.main->StartWith(arguments);
  return app.exec();
}
