// Rendering a clip into a movie file: streams, frame counts and durations
// read back with ffprobe, the sound of a test clip whose samples are known,
// and failures and cancels that leave no file behind.
#include <gtest/gtest.h>

#include <QDir>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/ScriptEngine.h"
#include "render/RenderEncoder.h"
#include "tests/support/TestFiles.h"

namespace tandemix::test {
namespace {

using render::RenderSettings;

// A grey YV12 picture and a sound whose sample n (per channel) is n modulo
// 20000 in 16 bits, so a decoded stretch tells where it came from. Frames
// from `failAt` on cannot be made.
class CountingSoundClip : public engine::Clip {
 public:
  CountingSoundClip(int frames, int sampleRate, int channels, engine::SampleType type, int failAt = -1)
      : Clip(InfoOf(frames, sampleRate, channels, type)), failAt_(failAt) {}

  FramePtr GetFrame(int n) override {
    if (failAt_ >= 0 && n >= failAt_) throw TandemixError("Frame " + std::to_string(n) + " cannot be decoded");
    auto frame = std::make_shared<FrameBGR>(PixelType::YV12, info_.width, info_.height);
    std::fill(frame->pixels.begin(), frame->pixels.begin() + info_.width * info_.height, 120);
    return frame;
  }

  void GetAudio(void* buffer, int64_t start, int64_t count) override {
    auto* out = static_cast<uint8_t*>(buffer);
    const engine::AudioInfo& a = info_.audio;
    for (int64_t i = 0; i < count; ++i) {
      const int64_t n = start + i;
      const int value = n < 0 || n >= a.sampleCount ? 0 : static_cast<int>(n % 20000);
      for (int c = 0; c < a.channels; ++c) {
        switch (a.sampleType) {
          case engine::SampleType::Int16: {
            const int16_t v = static_cast<int16_t>(value);
            std::memcpy(out, &v, 2);
            break;
          }
          case engine::SampleType::Int24: {
            const int32_t v = value << 8;  // the same level in 24 bits
            out[0] = static_cast<uint8_t>(v);
            out[1] = static_cast<uint8_t>(v >> 8);
            out[2] = static_cast<uint8_t>(v >> 16);
            break;
          }
          case engine::SampleType::Float: {
            const float v = static_cast<float>(value) / 32768.0f;
            std::memcpy(out, &v, 4);
            break;
          }
          default:
            break;
        }
        out += a.BytesPerChannelSample();
      }
    }
  }

 private:
  static engine::ClipInfo InfoOf(int frames, int rate, int channels, engine::SampleType type) {
    engine::ClipInfo info;
    info.width = 64;
    info.height = 48;
    info.frameCount = frames;
    info.rateNumerator = 25;
    info.rateDenominator = 1;
    info.pixelType = PixelType::YV12;
    info.audio.sampleRate = rate;
    info.audio.channels = channels;
    info.audio.sampleType = type;
    info.audio.sampleCount = static_cast<int64_t>(frames) * rate / 25;
    return info;
  }
  int failAt_;
};

engine::ClipPtr SoundClip(int frames = 10, int rate = 48000, int channels = 2,
                          engine::SampleType type = engine::SampleType::Int16) {
  return std::make_shared<CountingSoundClip>(frames, rate, channels, type);
}

// ffprobe's "key=value" lines of one stream ("v:0", "a:0").
std::string Probe(const std::string& path, const std::string& stream, const std::string& entries) {
  return RunProgram("ffprobe", {"-v", "error", "-count_frames", "-select_streams", stream, "-show_entries", entries,
                                "-of", "default=nw=1", path})
      .out;
}

// The first channel of the sound, decoded to 16-bit samples.
std::vector<int16_t> DecodedSound(const std::string& path) {
  const CommandResult r =
      RunProgram("ffmpeg", {"-v", "error", "-i", path, "-map", "0:a:0", "-af", "pan=mono|c0=c0", "-f", "s16le", "-"});
  std::vector<int16_t> samples(r.out.size() / 2);
  std::memcpy(samples.data(), r.out.data(), samples.size() * 2);
  return samples;
}

// Where a stream starts and ends: its earliest packet time, and the latest
// plus its duration.
std::pair<double, double> StreamSpan(const std::string& path, const std::string& stream) {
  const std::string packets = RunProgram("ffprobe", {"-v", "error", "-select_streams", stream, "-show_entries",
                                                     "packet=pts_time,duration_time", "-of", "csv=p=0", path})
                                  .out;
  double start = 1e9, end = 0.0;
  std::size_t line = 0;
  while (line < packets.size()) {
    const std::size_t next = packets.find('\n', line);
    double pts = 0.0, duration = 0.0;
    if (std::sscanf(packets.c_str() + line, "%lf,%lf", &pts, &duration) == 2) {
      start = std::min(start, pts);
      end = std::max(end, pts + duration);
    }
    if (next == std::string::npos) break;
    line = next + 1;
  }
  return {start, end};
}

// The folder holds nothing but what the test put there.
std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const QString& name :
       QDir(QString::fromStdString(folder)).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
    names.push_back(name.toStdString());
  return names;
}

TEST(RenderEncoder, PictureAndSoundInMp4AndMkvLastAsLongAsEachOther) {
  TempFolder folder;
  for (const char* name : {"movie.mp4", "movie.mkv"}) {
    SCOPED_TRACE(name);
    const std::string path = folder.File(name);
    int calls = 0;
    RenderSettings settings;
    const auto result = render::RenderClip(SoundClip(), "tone", path, settings, ViewLayout::SideBySide,
                                           [&](const render::RenderProgress& p) {
                                             ++calls;
                                             EXPECT_EQ(p.done, calls);
                                             EXPECT_EQ(p.total, 10);
                                           });
    EXPECT_EQ(calls, 10);
    EXPECT_EQ(result.frames, 10);
    EXPECT_TRUE(result.sound);
    const std::string video = Probe(path, "v:0", "stream=codec_name,pix_fmt,width,height,nb_read_frames");
    EXPECT_EQ(video, "codec_name=h264\nwidth=64\nheight=48\npix_fmt=yuv420p\nnb_read_frames=10\n");
    const std::string audio = Probe(path, "a:0", "stream=codec_name,sample_rate,channels,bit_rate");
    EXPECT_NE(audio.find("codec_name=aac\nsample_rate=48000\nchannels=2\n"), std::string::npos) << audio;
    // Picture and sound end within one frame (0.04 s) of each other.
    // (Matroska shifts every stream by the AAC encoder's delay.)
    const auto [videoStart, videoEnd] = StreamSpan(path, "v:0");
    EXPECT_NEAR(videoEnd - videoStart, 0.4, 0.001);
    EXPECT_NEAR(StreamSpan(path, "a:0").second, videoEnd, 0.04);
    const std::vector<int16_t> sound = DecodedSound(path);
    EXPECT_NEAR(static_cast<double>(sound.size()), 19200.0, 1920.0);
    int loud = 0;
    for (int16_t s : sound) loud += std::abs(s) > 1000;
    EXPECT_GT(loud, 10000);  // a rising ramp, not silence
  }
}

// Lossless sound comes back sample for sample: the samples of the frames
// chosen, from 16, 24-bit and float sources, in MKV, MOV and AVI.
TEST(RenderEncoder, LosslessSoundKeepsEverySampleOfTheFramesChosen) {
  TempFolder folder;
  const struct {
    const char* file;
    render::AudioCodec codec;
    engine::SampleType type;
  } cases[] = {{"a.mkv", render::AudioCodec::FLAC, engine::SampleType::Int16},
               {"b.mkv", render::AudioCodec::PCM, engine::SampleType::Int24},
               {"c.mov", render::AudioCodec::PCM, engine::SampleType::Int16},
               {"d.avi", render::AudioCodec::PCM, engine::SampleType::Float},
               {"e.mkv", render::AudioCodec::FLAC, engine::SampleType::Float}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    RenderSettings settings;
    settings.audio = c.codec;
    settings.start = 4;
    settings.count = 3;
    const std::string path = folder.File(c.file);
    const auto result = render::RenderClip(SoundClip(10, 48000, 2, c.type), "ramp", path, settings, ViewLayout::None);
    EXPECT_EQ(result.frames, 3);
    EXPECT_EQ(Probe(path, "v:0", "stream=nb_read_frames"), "nb_read_frames=3\n");
    const std::vector<int16_t> sound = DecodedSound(path);
    ASSERT_EQ(sound.size(), 3u * 1920);  // 48000 / 25 samples a frame
    for (std::size_t i : {std::size_t{0}, std::size_t{1}, std::size_t{5000}, sound.size() - 1})
      EXPECT_NEAR(sound[i], static_cast<int>((4 * 1920 + i) % 20000), 1) << "sample " << i;
  }
}

TEST(RenderEncoder, OpusResamplesWhatItCannotTakeAndMonoSoundWorks) {
  TempFolder folder;
  RenderSettings settings;
  settings.audio = render::AudioCodec::Opus;
  settings.audioBitrateK = 64;
  const auto result =
      render::RenderClip(SoundClip(10, 44100, 1), "tone", folder.File("o.mkv"), settings, ViewLayout::None);
  EXPECT_NE(result.note.find("sound resampled from 44100 Hz to 48000 Hz"), std::string::npos) << result.note;
  EXPECT_EQ(Probe(folder.File("o.mkv"), "a:0", "stream=codec_name,sample_rate,channels"),
            "codec_name=opus\nsample_rate=48000\nchannels=1\n");
  // No sound asked for: one stream.
  settings.audio = render::AudioCodec::None;
  render::RenderClip(SoundClip(), "tone", folder.File("silent.mkv"), settings, ViewLayout::None);
  EXPECT_EQ(Probe(folder.File("silent.mkv"), "a", "stream=codec_name"), "");
}

TEST(RenderEncoder, CancelAndFailuresLeaveNoFile) {
  TempFolder folder;
  std::atomic<bool> cancel{false};
  const auto stopAtThree = [&](const render::RenderProgress& p) {
    if (p.done == 3) cancel = true;
  };
  EXPECT_THROW(
      render::RenderClip(SoundClip(50), "tone", folder.File("c.mkv"), {}, ViewLayout::None, stopAtThree, &cancel),
      render::RenderCancelled);
  EXPECT_EQ(Entries(folder.Path()), std::vector<std::string>{});

  // A frame the script cannot make ends the render with its reason.
  auto failing = std::make_shared<CountingSoundClip>(10, 48000, 2, engine::SampleType::Int16, 6);
  try {
    render::RenderClip(failing, "broken", folder.File("f.mp4"), {}, ViewLayout::None);
    ADD_FAILURE() << "no error";
  } catch (const TandemixError& e) {
    EXPECT_STREQ(e.what(), "Frame 6 cannot be decoded");
  }
  EXPECT_EQ(Entries(folder.Path()), std::vector<std::string>{});

  // A target that exists is replaced whole only at the end.
  WriteBytes(folder.File("old.mkv"), "old movie");
  cancel = false;
  EXPECT_THROW(
      render::RenderClip(SoundClip(50), "tone", folder.File("old.mkv"), {}, ViewLayout::None, stopAtThree, &cancel),
      render::RenderCancelled);
  EXPECT_EQ(ReadBytes(folder.File("old.mkv")), "old movie");
  EXPECT_EQ(Entries(folder.Path()), std::vector<std::string>{"old.mkv"});
}

TEST(RenderEncoder, RefusesWhatItCannotWrite) {
  TempFolder folder;
  const auto errorOf = [&](const std::string& path, RenderSettings settings) {
    try {
      render::RenderClip(SoundClip(), "tone", path, settings, ViewLayout::None);
    } catch (const TandemixError& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  EXPECT_EQ(errorOf(folder.File("no/such/folder/m.mkv"), {}),
            "Cannot create file " + folder.File("no/such/folder/m.mkv") + ": No such file or directory");
  WriteBytes(folder.File("plain"), "a file, not a folder");
  EXPECT_NE(errorOf(folder.File("plain/m.mkv"), {}).find("Cannot create file"), std::string::npos);
  RenderSettings late;
  late.start = 10;
  EXPECT_EQ(errorOf(folder.File("m.mkv"), late), "The start frame 10 is out of range: tone has 10 frames");
  RenderSettings ffv1;
  ffv1.video = render::VideoCodec::FFV1;
  EXPECT_EQ(errorOf(folder.File("m.mp4"), ffv1),
            "FFV1 (lossless) video cannot be stored in a .mp4 file; use .mkv, .mov or .avi");
  RenderSettings none;
  none.count = 0;
  EXPECT_EQ(errorOf(folder.File("m.mkv"), none), "There is no frame to render (--count 0)");
  EXPECT_EQ(Entries(folder.Path()), std::vector<std::string>{"plain"});
}

}  // namespace
}  // namespace tandemix::test
