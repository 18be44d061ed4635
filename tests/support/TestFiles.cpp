#include "tests/support/TestFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

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

// posix_spawn and poll rather than QProcess: Qt starts children with a
// clone() that ThreadSanitizer cannot follow, and the engine's tests run
// under it.
CommandResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
  CommandResult result;
  int outPipe[2], errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0) return result;
  if (pipe2(errPipe, O_CLOEXEC) != 0) {
    close(outPipe[0]);
    close(outPipe[1]);
    return result;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(outPipe[1]);
  close(errPipe[1]);
  if (spawned == 0) {
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    char buffer[65536];
    while (open > 0) {
      if (poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        break;
      }
      for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) continue;
        const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
        if (got > 0) {
          sinks[i]->append(buffer, static_cast<size_t>(got));
        } else if (got == 0 || errno != EINTR) {
          fds[i].fd = -1;
          --open;
        }
      }
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  close(outPipe[0]);
  close(errPipe[0]);
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

bool MakeTestVideoWithSound(const std::string& path, int width, int height, int frames, int rate,
                            const std::string& sound, const std::string& codecArgs) {
  // Both inputs end after the picture's time, so that the sound is exactly
  // as long as the picture.
  const std::string seconds = std::to_string(static_cast<double>(frames) / rate);
  std::vector<std::string> args = {
      "-hide_banner",
      "-loglevel",
      "error",
      "-y",
      "-t",
      seconds,
      "-f",
      "lavfi",
      "-i",
      "testsrc=size=" + std::to_string(width) + "x" + std::to_string(height) + ":rate=" + std::to_string(rate),
      "-t",
      seconds,
      "-f",
      "lavfi",
      "-i",
      sound};
  for (const auto& part : QString::fromStdString(codecArgs).split(' ', Qt::SkipEmptyParts))
    args.push_back(part.toStdString());
  args.push_back(path);
  return RunProgram("ffmpeg", args).exitCode == 0 && FileExists(path);
}

}  // namespace tandemix::test
