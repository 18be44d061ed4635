// libFuzzer target: a media file as the program reads one. Each input is
// the bytes of a file; it is measured as `info` does, its sound as `info
// --audio` does (some samples read), its stereo layout as `info --layout`
// does, and its first frame is fetched through the engine when it is small.
// Refusals with a message are expected; a crash, a sanitizer report, a hang
// or another exception is a fault.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/LayoutDetection.h"
#include "base/Errors.h"
#include "engine/ScriptEngine.h"
#include "media/FFmpegLog.h"
#include "media/MediaAudio.h"
#include "media/MediaProbe.h"
#include "platform/DefaultVideoServices.h"

namespace {

// Frames are fetched and layouts detected up to this many pixels.
constexpr long long kPixelCap = 256 * 256;
constexpr std::size_t kMaxInput = 256 * 1024;

// The input as a file FFmpeg can open by name, without touching the disk.
class MemoryFile {
 public:
  MemoryFile(const std::uint8_t* data, std::size_t size) : fd_(memfd_create("media", 0)) {
    if (fd_ >= 0 && write(fd_, data, size) == static_cast<ssize_t>(size))
      path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~MemoryFile() {
    if (fd_ >= 0) close(fd_);
  }
  const std::string& Path() const { return path_; }

 private:
  int fd_;
  std::string path_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  tandemix::media::QuietFFmpegLog();
  const MemoryFile file(data, size);
  if (file.Path().empty()) return 0;
  const tandemix::VideoInfo probed = tandemix::ProbeMediaFile(file.Path());
  try {
    if (auto audio = tandemix::MediaAudio::Open(file.Path())) {
      const auto& d = audio->Description();
      const std::int64_t bytes = d.BytesPerSample();
      if (bytes > 0 && d.channels <= 64 && d.sampleCount > 0) {
        constexpr std::int64_t kCount = 512;
        std::vector<std::uint8_t> samples(static_cast<std::size_t>(kCount * bytes));
        audio->Read(samples.data(), 0, kCount);
        audio->Read(samples.data(), d.sampleCount - kCount / 2, kCount);
      }
    }
  } catch (const tandemix::TandemixError&) {
  }
  if (!probed.Ok() || static_cast<long long>(probed.width) * probed.height > kPixelCap) return 0;
  try {
    const tandemix::engine::ClipPtr clip = tandemix::engine::OpenVideo(file.Path());
    if (clip->Info().hasVideo && clip->Info().frameCount > 0) tandemix::engine::FrameOf(*clip, 0, "fuzz");
  } catch (const tandemix::TandemixError&) {
  }
  try {
    tandemix::DefaultVideoServices video;
    tandemix::DetectStereoLayout(file.Path(), video);
  } catch (const tandemix::TandemixError&) {
  }
  return 0;
}
