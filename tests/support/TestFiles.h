// Helpers shared by the tests: temporary folders, file bytes, generated
// media and running the command-line program.
#pragma once

#include <QTemporaryDir>
#include <string>
#include <vector>

namespace tandemix::test {

// A fresh temporary folder, removed with the object.
class TempFolder {
 public:
  TempFolder();
  // Path of the folder, with '/' separators and no trailing '/'.
  const std::string& Path() const { return path_; }
  // Path of a file inside the folder.
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  QTemporaryDir dir_;
  std::string path_;
};

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
bool FileExists(const std::string& path);

// Joins lines with CR LF after each one, as every written text file is.
std::string CrLf(const std::vector<std::string>& lines);

// Makes a test clip with the ffmpeg command (testsrc pattern). The container
// follows the extension of `path`. Returns false when ffmpeg fails.
bool MakeTestVideo(const std::string& path, int width, int height, int frames, int rate = 25,
                   const std::string& extraArgs = "");

// Makes a test clip with sound: the testsrc picture and the lavfi audio
// source `sound` (e.g. "sine=frequency=440:sample_rate=48000"), as long as
// the picture, encoded as `codecArgs` says (e.g. "-c:v mjpeg -c:a
// pcm_s16le"). Returns false when ffmpeg fails.
bool MakeTestVideoWithSound(const std::string& path, int width, int height, int frames, int rate,
                            const std::string& sound, const std::string& codecArgs);

struct CommandResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};
// Runs tandemix-cli with the given arguments (no shell involved).
CommandResult RunCli(const std::vector<std::string>& args);
// Runs any program with arguments (no shell involved).
CommandResult RunProgram(const std::string& program, const std::vector<std::string>& args);

}  // namespace tandemix::test
