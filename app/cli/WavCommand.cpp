// tandemix-cli wav SCRIPT OUT.wav [--16bit]: the sound of a script (or a
// media file) as a WAV file, in the clip's own sample type or, with
// --16bit, converted to 16-bit.
#include <unistd.h>

#include <cstdio>

#include "app/cli/ArgReader.h"
#include "app/cli/Commands.h"
#include "base/OutputFile.h"
#include "engine/ScriptEngine.h"
#include "engine/filters/AudioSupport.h"
#include "media/WavFile.h"

namespace tandemix::cli {
namespace {

WavFormat FormatOf(const engine::AudioInfo& audio) {
  WavFormat format;
  format.sampleRate = audio.sampleRate;
  format.channels = audio.channels;
  format.bitsPerSample = 8 * audio.BytesPerChannelSample();
  format.isFloat = audio.sampleType == engine::SampleType::Float;
  return format;
}

int RunWav(const Args& args) {
  ScriptAndOutput files;
  bool sixteenBit = false;
  for (const std::string& arg : args) {
    if (arg == "--16bit") {
      sixteenBit = true;
    } else {
      files.Take(arg);
    }
  }
  files.Check();
  const std::string& script = files.script;
  const std::string& output = files.output;

  CheckOutput(output, {script});  // before any work: a folder, or the script itself
  engine::ClipPtr clip = engine::OpenVideo(script);
  CheckOutput(output, {script}, true);  // and the files the script reads
  if (!clip->Info().audio.Present()) throw TandemixError(script + " has no audio");
  if (sixteenBit) clip = engine::MakeAudioConvert(clip, engine::SampleType::Int16);
  const engine::AudioInfo& audio = clip->Info().audio;
  const bool progress = isatty(STDERR_FILENO) != 0;
  WriteWavFile(
      output, FormatOf(audio), audio.sampleCount,
      [&clip](void* buffer, std::int64_t start, std::int64_t count) { clip->GetAudio(buffer, start, count); },
      [&](std::int64_t done) {
        if (progress)
          std::fprintf(stderr, "\r%.1f of %.1f seconds", static_cast<double>(done) / audio.sampleRate,
                       static_cast<double>(audio.sampleCount) / audio.sampleRate);
      });
  if (progress) std::fputc('\n', stderr);
  return 0;
}

}  // namespace

int Wav(const Args& args) {
  return RunCommand("wav", [&] { return RunWav(args); });
}

}  // namespace tandemix::cli
