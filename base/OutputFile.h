// Where a command writes its result. A regular file (new or existing) is
// written under a temporary name beside it and renamed at the end, so a
// failure keeps what was there. Anything else that exists — a FIFO, a
// device, a socket — and "-" (standard output) is written in place:
// renaming over such a node would replace it with a regular file and the
// reader would get nothing. Before any work starts, a folder is refused,
// and so is an output that is one of the inputs (compared by device and
// inode, so another name for the same file is caught too).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tandemix {

enum class OutputPlace {
  Replace,  // a regular file, or none yet: temporary name, then rename
  InPlace,  // a FIFO, device or socket: opened and written as it is
  Stdout,   // "-"
};

// Checks `path` as an output. The inputs are `inputs` (e.g. the script)
// and, when `openFilesAreInputs`, every regular file this process holds
// open: a script's sources keep their files open while the clip lives, so
// a command that has opened its script finds them there. Throws
// TandemixError "Cannot create file <path>: it is a folder" or "Cannot
// write <path>: it is the input <input>".
OutputPlace CheckOutput(const std::string& path, const std::vector<std::string>& inputs = {},
                        bool openFilesAreInputs = false);

// Whether a reader can seek in the output (false for FIFOs, sockets and
// a standard output that is a pipe). Containers that go back to their
// header need it.
bool OutputCanSeek(const std::string& path);

// A sequential writer for one output, placed as CheckOutput says. Commit
// makes the output final; destroying it before Commit removes a temporary
// file (an in-place output keeps what was written).
class OutputFile {
 public:
  // Checks (against `inputs` only) and opens `path`; throws "Cannot
  // create file <path>" when it cannot be opened.
  explicit OutputFile(const std::string& path, const std::vector<std::string>& inputs = {});
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void Write(const char* data, std::int64_t size);
  void Commit();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tandemix
