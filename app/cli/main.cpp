// tandemix-cli: the headless face of Tandemix. Each command runs the same
// code path as the window program's command of the same purpose.
#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/cli/Commands.h"
#include "media/FFmpegLog.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  tandemix::media::QuietFFmpegLog();
  std::vector<std::string> args(argv + 1, argv + argc);
  return tandemix::cli::Run(args);
}
