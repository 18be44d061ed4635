#include "playback/AudioConverter.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/Errors.h"

namespace tandemix {
namespace {

engine::AudioInfo Sound(int rate, int channels, engine::SampleType type) {
  engine::AudioInfo a;
  a.sampleRate = rate;
  a.channels = channels;
  a.sampleType = type;
  a.sampleCount = 1000;
  return a;
}

std::vector<float> Floats(const std::vector<std::uint8_t>& bytes) {
  std::vector<float> f(bytes.size() / 4);
  std::memcpy(f.data(), bytes.data(), f.size() * 4);
  return f;
}

const AudioDeviceFormat kFloatStereo48k{48000, 2, DeviceSampleFormat::Float};

// Each sample type of a clip at the device's rate: exact values, no delay.
TEST(AudioConverter, EverySampleTypeToFloat) {
  std::vector<std::uint8_t> out;
  {
    AudioConverter c(Sound(48000, 2, engine::SampleType::Int16), kFloatStereo48k);
    const std::int16_t in[] = {16384, -16384, 0, -32768};
    EXPECT_EQ(c.Convert(in, 2, out), 2);
    EXPECT_EQ(Floats(out), (std::vector<float>{0.5f, -0.5f, 0.0f, -1.0f}));
  }
  {
    out.clear();
    AudioConverter c(Sound(48000, 2, engine::SampleType::Int8), kFloatStereo48k);
    const std::uint8_t in[] = {128, 192, 64, 0};  // unsigned, 128 is silence
    EXPECT_EQ(c.Convert(in, 2, out), 2);
    EXPECT_EQ(Floats(out), (std::vector<float>{0.0f, 0.5f, -0.5f, -1.0f}));
  }
  {
    out.clear();
    AudioConverter c(Sound(48000, 2, engine::SampleType::Int24), kFloatStereo48k);
    // Little-endian 24-bit: 0x400000 (a half), 0xC00000 (minus a half), 0x000001, 0.
    const std::uint8_t in[] = {0x00, 0x00, 0x40, 0x00, 0x00, 0xC0, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(c.Convert(in, 2, out), 2);
    const std::vector<float> f = Floats(out);
    EXPECT_EQ(f[0], 0.5f);
    EXPECT_EQ(f[1], -0.5f);
    EXPECT_FLOAT_EQ(f[2], 1.0f / 8388608.0f);
    EXPECT_EQ(f[3], 0.0f);
  }
  {
    out.clear();
    AudioConverter c(Sound(48000, 2, engine::SampleType::Int32), kFloatStereo48k);
    const std::int32_t in[] = {1 << 30, -(1 << 30)};
    EXPECT_EQ(c.Convert(in, 1, out), 1);
    EXPECT_EQ(Floats(out), (std::vector<float>{0.5f, -0.5f}));
  }
}

TEST(AudioConverter, FloatToSixteenBitsAndMonoToStereo) {
  AudioConverter c(Sound(44100, 1, engine::SampleType::Float), {44100, 2, DeviceSampleFormat::Int16});
  const float in[] = {0.5f, -0.25f, 2.0f};  // beyond full scale: clipped
  std::vector<std::uint8_t> out;
  EXPECT_EQ(c.Convert(in, 3, out), 3);
  ASSERT_EQ(out.size(), 12u);
  std::int16_t s[6];
  std::memcpy(s, out.data(), sizeof s);
  EXPECT_EQ(s[0], s[1]);                  // the one channel on both sides
  EXPECT_NEAR(s[0], 16384 * 0.7071, 40);  // at -3 dB each, as libswresample mixes
  EXPECT_EQ(s[4], 32767);
}

// A change of rate: twice as many frames come out, less what the resampler
// holds back, and nothing is lost over a long run.
TEST(AudioConverter, RateChangeKeepsTheCount) {
  AudioConverter c(Sound(24000, 2, engine::SampleType::Int16), kFloatStereo48k);
  std::vector<std::int16_t> in(2 * 2400, 1000);
  std::vector<std::uint8_t> out;
  std::int64_t made = 0;
  for (int i = 0; i < 10; ++i) made += c.Convert(in.data(), 2400, out);
  EXPECT_GT(made, 48000 - 100);
  EXPECT_LE(made, 48000);
  EXPECT_EQ(out.size(), static_cast<std::size_t>(made) * 8);
  c.Reset();
  out.clear();
  EXPECT_LE(c.Convert(in.data(), 2400, out), 4800);
  EXPECT_EQ(c.Convert(in.data(), 0, out), 0);
}

TEST(AudioConverter, RefusesFormatsWithoutSound) {
  EXPECT_THROW(AudioConverter(engine::AudioInfo{}, kFloatStereo48k), TandemixError);
  EXPECT_THROW(AudioConverter(Sound(48000, 2, engine::SampleType::Int16), {0, 2, DeviceSampleFormat::Float}),
               TandemixError);
  EXPECT_THROW(AudioConverter(Sound(48000, 2, engine::SampleType::Int16), {48000, 0, DeviceSampleFormat::Float}),
               TandemixError);
}

}  // namespace
}  // namespace tandemix
