#include "base/OutputFile.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

#include "base/Errors.h"

namespace tandemix {
namespace {

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The regular files this process has open: the media the script's sources
// are reading hold their descriptors for as long as the clip lives.
std::vector<std::pair<struct stat, std::string>> OpenRegularFiles() {
  std::vector<std::pair<struct stat, std::string>> files;
  DIR* folder = opendir("/proc/self/fd");
  if (!folder) return files;
  const int own = dirfd(folder);
  while (const dirent* entry = readdir(folder)) {
    if (entry->d_name[0] == '.') continue;
    const int fd = std::atoi(entry->d_name);
    struct stat st {};
    if (fd == own || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) continue;
    char target[4096];
    const std::string link = std::string("/proc/self/fd/") + entry->d_name;
    const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    files.emplace_back(st, n > 0 ? std::string(target, static_cast<std::size_t>(n)) : link);
  }
  closedir(folder);
  return files;
}

}  // namespace

OutputPlace CheckOutput(const std::string& path, const std::vector<std::string>& inputs, bool openFilesAreInputs) {
  if (path == "-") return OutputPlace::Stdout;
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return OutputPlace::Replace;  // a new file (its folder is checked on opening)
  if (S_ISDIR(st.st_mode)) throw TandemixError("Cannot create file " + path + ": it is a folder");
  if (!S_ISREG(st.st_mode)) return OutputPlace::InPlace;
  for (const std::string& input : inputs) {
    struct stat in {};
    if (!input.empty() && stat(input.c_str(), &in) == 0 && SameFile(st, in))
      throw TandemixError("Cannot write " + path + ": it is the input " + input);
  }
  if (!openFilesAreInputs) return OutputPlace::Replace;
  for (const auto& [in, name] : OpenRegularFiles())
    if (SameFile(st, in)) throw TandemixError("Cannot write " + path + ": it is the input " + name);
  return OutputPlace::Replace;
}

bool OutputCanSeek(const std::string& path) {
  struct stat st {};
  if (path == "-") return fstat(STDOUT_FILENO, &st) == 0 && (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode));
  if (stat(path.c_str(), &st) != 0) return true;  // a new regular file
  return !S_ISFIFO(st.st_mode) && !S_ISSOCK(st.st_mode);
}

struct OutputFile::Impl {
  std::string path;
  QSaveFile saved;  // OutputPlace::Replace
  QFile direct;     // in place or standard output
  bool inPlace = false;
  QFileDevice& Device() { return inPlace ? static_cast<QFileDevice&>(direct) : saved; }
};

OutputFile::OutputFile(const std::string& path, const std::vector<std::string>& inputs) : impl_(new Impl) {
  impl_->path = path;
  const OutputPlace place = CheckOutput(path, inputs);
  bool opened = false;
  if (place == OutputPlace::Replace) {
    impl_->saved.setFileName(QString::fromStdString(path));
    opened = impl_->saved.open(QIODevice::WriteOnly);
  } else {
    impl_->inPlace = true;
    if (place == OutputPlace::Stdout) {
      opened = impl_->direct.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    } else {
      impl_->direct.setFileName(QString::fromStdString(path));
      opened = impl_->direct.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
  }
  if (!opened) throw CannotCreateFile(path);
}

OutputFile::~OutputFile() = default;  // QSaveFile removes its temporary file unless committed

void OutputFile::Write(const char* data, std::int64_t size) {
  if (impl_->Device().write(data, size) != size) throw CannotCreateFile(impl_->path);
}

void OutputFile::Commit() {
  if (impl_->inPlace) {
    if (!impl_->direct.flush() || impl_->direct.error() != QFileDevice::NoError) throw CannotCreateFile(impl_->path);
    impl_->direct.close();
    return;
  }
  if (!impl_->saved.commit()) throw CannotCreateFile(impl_->path);
}

}  // namespace tandemix
