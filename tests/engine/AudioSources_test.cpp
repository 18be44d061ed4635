// The engine's sources with sound: the first audio stream unless told
// not, sound-only files, and sound read on a thread of its own.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "base/Errors.h"
#include "engine/ScriptEngine.h"
#include "tests/support/SoundMedia.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

using AudioSources = test::SoundMediaSuite;

TEST_F(AudioSources, SourcesCarryTheSoundUnlessToldNot) {
  const auto clip = engine::EvaluateScript("AVISource(\"" + Pcm() + "\")", "s.avs");
  EXPECT_EQ(clip->Info().audio.sampleRate, 44100);
  EXPECT_EQ(clip->Info().audio.sampleType, engine::SampleType::Int16);
  EXPECT_FALSE(engine::EvaluateScript("AVISource(\"" + Pcm() + "\", audio=false)", "s.avs")->Info().audio.Present());
  EXPECT_FALSE(engine::EvaluateScript("OpenSource(\"" + Aac() + "\", audio=false)", "s.avs")->Info().audio.Present());
  EXPECT_TRUE(engine::EvaluateScript("OpenSource(\"" + Aac() + "\")", "s.avs")->Info().audio.Present());
  EXPECT_TRUE(engine::OpenVideo(Aac())->Info().audio.Present());
  // Sound alone: no picture, and AudioDub puts it under one.
  const auto wav = engine::EvaluateScript("WAVSource(\"" + Wav() + "\")", "s.avs");
  EXPECT_FALSE(wav->Info().hasVideo);
  EXPECT_EQ(wav->Info().audio.sampleType, engine::SampleType::Int24);
  const auto dub =
      engine::EvaluateScript("AudioDub(AVISource(\"" + Mute() + "\"), OpenSource(\"" + Wav() + "\"))", "s.avs");
  EXPECT_TRUE(dub->Info().hasVideo);
  EXPECT_EQ(dub->Info().audio.sampleRate, 32000);
  EXPECT_FALSE(engine::OpenVideo(Wav())->Info().hasVideo);
  EXPECT_THROW(engine::OpenVideo(folder_->File("missing.avi")), TandemixError);
}

TEST_F(AudioSources, SoundIsReadOnItsOwnThreadWhileFramesAreMade) {
  const auto clip = engine::EvaluateScript("OpenSource(\"" + Aac() + "\")", "s.avs");
  const auto reference = engine::EvaluateScript("OpenSource(\"" + Aac() + "\")", "s.avs");
  std::vector<float> expected(48000);
  reference->GetAudio(expected.data(), 100000, 48000);
  std::vector<float> got(48000);
  std::thread sound([&] {
    for (int round = 0; round < 3; ++round) {
      for (std::int64_t i = 0; i < 48000; i += 1600) clip->GetAudio(got.data() + i, 100000 + i, 1600);
      clip->GetAudio(got.data(), 300000, 10);  // a jump away between rounds
    }
    for (std::int64_t i = 0; i < 48000; i += 1600) clip->GetAudio(got.data() + i, 100000 + i, 1600);
  });
  for (int n = 0; n < 250; n += 3) ASSERT_TRUE(clip->GetFrame(n));
  sound.join();
  for (std::size_t i = 0; i < got.size(); i += 11) ASSERT_NEAR(got[i], expected[i], 1e-4) << i;
}

}  // namespace
}  // namespace tandemix
