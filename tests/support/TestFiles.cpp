#include "tests/support/TestFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

namespace tandemix::test {

TempFolder::TempFolder() {
  dir_.setAutoRemove(true);
  path_ = dir_.path().toStdString();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw std::runtime_error("cannot write " + path);
  f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string ReadBytes(const std::string& path) {
  QFile f(QString::fromStdString(path));
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray data = f.readAll();
  return std::string(data.constData(), static_cast<size_t>(data.size()));
}

bool FileExists(const std::string& path) { return QFileInfo::exists(QString::fromStdString(path)); }

std::string CrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

CommandResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
  QStringList list;
  for (const auto& a : args) list << QString::fromStdString(a);
  QProcess process;
  process.start(QString::fromStdString(program), list);
  CommandResult result;
  if (!process.waitForStarted(30000)) return result;
  process.closeWriteChannel();
  if (!process.waitForFinished(300000)) {
    process.kill();
    process.waitForFinished();
    return result;
  }
  result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  result.out = process.readAllStandardOutput().toStdString();
  result.err = process.readAllStandardError().toStdString();
  return result;
}

CommandResult RunCli(const std::vector<std::string>& args) { return RunProgram(TANDEMIX_CLI_PATH, args); }

bool MakeTestVideo(const std::string& path, int width, int height, int frames, int rate, const std::string& extraArgs) {
  std::vector<std::string> args = {
      "-hide_banner",
      "-loglevel",
      "error",
      "-y",
      "-f",
      "lavfi",
      "-i",
      "testsrc=size=" + std::to_string(width) + "x" + std::to_string(height) + ":rate=" + std::to_string(rate),
      "-frames:v",
      std::to_string(frames)};
  if (!extraArgs.empty()) {
    for (const auto& part : QString::fromStdString(extraArgs).split(' ', Qt::SkipEmptyParts))
      args.push_back(part.toStdString());
  }
  args.push_back(path);
  return RunProgram("ffmpeg", args).exitCode == 0 && FileExists(path);
}

}  // namespace tandemix::test
