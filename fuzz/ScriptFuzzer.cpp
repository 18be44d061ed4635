// libFuzzer target: the script engine. Each input is a script; it is
// evaluated and measured, some of its sound is read, and its first and last
// frames are fetched when the output is small (the frame-size cap keeps the
// target fast). Errors with a message are the expected outcome of bad input;
// anything else (a crash, a sanitizer report, another exception, a hang) is a
// fault.
//
// Scripts that name a source filter are skipped: they would read whatever
// file the fuzzer names (/dev/zero, say) instead of testing the engine.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Errors.h"
#include "engine/ScriptEngine.h"

namespace {

// Frames of the output are fetched up to this many pixels.
constexpr long long kFetchCap = 256 * 256;
// Longer inputs add nothing the mutator cannot reach by nesting.
constexpr std::size_t kMaxInput = 64 * 1024;

bool ContainsCaseBlind(std::string_view text, std::string_view word) {
  return std::search(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
         }) != text.end();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (ContainsCaseBlind(text, "source")) return 0;
  try {
    // A small frame budget: frames of thousands of pixels a side inside the
    // script fail at once instead of being filled under the sanitizers.
    const std::string script = "SetMemoryMax(64)\n" + std::string(text);
    const tandemix::engine::ClipPtr clip = tandemix::engine::EvaluateScript(script, "fuzz.avs", "/nonexistent");
    const tandemix::engine::ClipInfo& info = clip->Info();
    if (info.audio.Present() && info.audio.BytesPerSample() <= 4096) {
      // The sound's first samples, a stretch across its end, and some from
      // before its start (silence).
      constexpr std::int64_t kCount = 1024;
      std::vector<std::uint8_t> samples(static_cast<std::size_t>(kCount * info.audio.BytesPerSample()));
      for (const std::int64_t start : {std::int64_t{0}, info.audio.sampleCount - kCount / 2, -kCount / 2})
        clip->GetAudio(samples.data(), start, kCount);
    }
    if (!info.hasVideo) return 0;
    if (info.frameCount <= 0 || static_cast<long long>(info.width) * info.height > kFetchCap) return 0;
    tandemix::engine::FrameOf(*clip, 0, "fuzz.avs");
    tandemix::engine::FrameOf(*clip, info.frameCount - 1, "fuzz.avs");
  } catch (const tandemix::TandemixError&) {
  }
  return 0;
}
