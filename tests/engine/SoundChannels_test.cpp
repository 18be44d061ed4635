// Channels and rates of the sound: ConvertToMono, the channel masks that
// SetChannelMask sets and the channel filters make, SSRC, and the Tone
// generator, with the numbers AviSynth gives for the same scripts.
#include <QCryptographicHash>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/filters/AudioSupport.h"
#include "tests/engine/AudioTestSupport.h"
#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

using engine::SampleType;

const std::string kBars = "b = ColorBars().Trim(0, 99)\n";

std::string Md5Of16Bit(const engine::ClipPtr& clip) {
  const engine::ClipPtr sixteen = engine::MakeAudioConvert(clip, SampleType::Int16);
  const engine::AudioInfo& audio = sixteen->Info().audio;
  std::vector<char> buffer(static_cast<std::size_t>(audio.sampleCount * audio.BytesPerSample()));
  sixteen->GetAudio(buffer.data(), 0, audio.sampleCount);
  return QCryptographicHash::hash(QByteArrayView(buffer.data(), static_cast<qsizetype>(buffer.size())),
                                  QCryptographicHash::Md5)
      .toHex()
      .toStdString();
}

TEST(SoundChannels, ConvertToMonoAveragesAsAviSynth) {
  const struct {
    const char* script;
    SampleType type;
    const char* md5;
  } cases[] = {
      {"b.ConvertToMono()", SampleType::Float, "2cbbb85fc0b97377e1e5075fc0a5b37c"},
      // 16 bits: each channel weighted 32768 / channels, rounded (5633 and 0 give 2817).
      {"b.ConvertAudioTo16bit().ConvertToMono()", SampleType::Int16, "0d56e225ae8868998e7e3384fb3142f1"},
      {"MergeChannels(b, b.ConvertAudioTo16bit().Amplify(0.3), b).ConvertAudioTo16bit().ConvertToMono()",
       SampleType::Int16, "c01a74ff2664c72faa644266d273f5ec"},
      {"MergeChannels(b, b.ConvertAudioTo16bit().Amplify(-0.7), b, b.GetLeftChannel()).ConvertAudioTo16bit()"
       ".ConvertToMono()",
       SampleType::Int16, "66ad1525bade4e493bbb18854888510f"},
      // Other types are averaged in float.
      {"b.ConvertAudioTo8bit().ConvertToMono()", SampleType::Float, "c043ed92337291041ac6acd8ce2d63f1"},
      {"b.ConvertAudioTo24bit().ConvertToMono()", SampleType::Float, "838810d085f330fcb26507f89be8a3fa"},
      {"b.ConvertAudioTo32bit().ConvertToMono()", SampleType::Float, "2cbbb85fc0b97377e1e5075fc0a5b37c"},
      {"b.GetLeftChannel().ConvertToMono()", SampleType::Float, "c174957712e6f183b31366cf1bcbc4e4"},
  };
  for (const auto& c : cases) {
    const auto clip = Eval(kBars + c.script);
    EXPECT_EQ(clip->Info().audio.channels, 1) << c.script;
    EXPECT_EQ(clip->Info().audio.sampleType, c.type) << c.script;
    EXPECT_EQ(clip->Info().audio.sampleCount, 160160) << c.script;
    EXPECT_EQ(Md5Of16Bit(clip), c.md5) << c.script;
  }
  EXPECT_FALSE(Eval(kBars + "b.KillAudio().ConvertToMono()")->Info().audio.Present());
}

TEST(SoundChannels, ChannelMasksAsAviSynthSetsThem) {
  const struct {
    const char* script;
    long long mask;
  } cases[] = {
      {"b", 0},  // sources do not say
      {"BlankClip(channels=6)", 0},
      {"b.KillAudio()", 0},
      {"b.SetChannelMask(false, 0)", 0},
      {"b.SetChannelMask(true, 3)", 3},
      {"b.SetChannelMask(true, $FFFF)", 65535},
      {"b.SetChannelMask(true, 51)", 51},  // more speakers than channels is taken as said
      {"b.SetChannelMask(\"stereo\")", 3},
      {"b.SetChannelMask(\"mono\")", 4},
      {"b.SetChannelMask(\"2.1\")", 11},
      {"b.SetChannelMask(\"3.0(back)\")", 259},
      {"b.SetChannelMask(\"quad(side)\")", 1539},
      {"b.SetChannelMask(\"5.1\")", 63},
      {"b.SetChannelMask(\"5.1(side)\")", 1551},
      {"b.SetChannelMask(\"6.0(front)\")", 1731},
      {"b.SetChannelMask(\"hexagonal\")", 311},
      {"b.SetChannelMask(\"7.1\")", 1599},
      {"b.SetChannelMask(\"7.1(wide-side)\")", 1743},
      {"b.SetChannelMask(\"octagonal\")", 1847},
      {"b.SetChannelMask(\"FL+FR+LFE\")", 11},
      {"b.SetChannelMask(\"5.1+BC\")", 319},
      {"b.SetChannelMask(\"FL+FL\")", 1},
      {"b.SetChannelMask(\"TBR\")", 131072},
      // A new set of channels says the usual layout of its count.
      {"b.GetChannel(1)", 4},
      {"b.GetChannel(1, 2)", 3},
      {"b.GetChannel(1, 1, 1)", 11},
      {"b.GetChannel(1, 1, 1, 1)", 263},
      {"b.GetChannel(1, 1, 1, 1, 1)", 55},
      {"b.GetChannel(1, 1, 1, 1, 1, 1)", 63},
      {"b.GetChannel(1, 1, 1, 1, 1, 1, 1)", 1807},
      {"b.GetChannel(1, 1, 1, 1, 1, 1, 1, 1)", 1599},
      {"b.GetChannel(1, 1, 1, 1, 1, 1, 1, 1, 1)", 0},
      {"MonoToStereo(b.GetLeftChannel(), b.GetRightChannel())", 3},
      {"b.SetChannelMask(true, 3).MergeChannels(b)", 263},
      {"b.SetChannelMask(true, 51).ConvertToMono()", 4},
      // Filters that keep the channels keep what they say.
      {"b.SetChannelMask(true, 3).ConvertAudioTo16bit()", 3},
      {"b.SetChannelMask(true, 3).ResampleAudio(44100)", 3},
      {"b.SetChannelMask(true, 3).SSRC(44100)", 3},
      {"b.SetChannelMask(true, 3).Trim(0, 9)", 3},
      {"AudioDub(BlankClip(), b.SetChannelMask(true, 3))", 3},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Eval(kBars + "x = " + c.script + "\nBlankClip(length=x.GetChannelMask() + 1)")->Info().frameCount - 1,
              c.mask)
        << c.script;
  EXPECT_EQ(Message(EvalError(kBars + "b.SetChannelMask(\"bogus\")")),
            "SetChannelMask: could not find channel descriptor/combo 'bogus'");
  EXPECT_EQ(Message(EvalError(kBars + "b.SetChannelMask(\"fl+fr\")")),
            "SetChannelMask: could not find channel descriptor/combo 'fl+fr'");
  EXPECT_EQ(Message(EvalError(kBars + "b.SetChannelMask(3)")),
            "Script error: Invalid arguments to function 'SetChannelMask'.");
}

TEST(SoundChannels, SsrcResamplesFloatSoundCloseToTheIdealTone) {
  const struct {
    int rate;
    std::int64_t samples;
  } rates[] = {{44100, 147147}, {96000, 320320}, {22050, 73574}, {8000, 26694}};
  for (const auto& r : rates) {
    const auto clip = Eval(kBars + "b.SSRC(" + std::to_string(r.rate) + ")");
    EXPECT_EQ(clip->Info().audio.sampleRate, r.rate);
    EXPECT_EQ(clip->Info().audio.sampleCount, r.samples) << r.rate;
    EXPECT_EQ(clip->Info().audio.sampleType, SampleType::Float);
    // The left channel is the 440 Hz tone throughout: away from the ends
    // the resampled samples are the tone's at the new rate.
    const std::int64_t from = r.samples / 3;
    const auto samples = FloatSamples(clip, from, 400);
    double worst = 0.0;
    for (int i = 0; i < 400; ++i) {
      const double ideal = std::sin(2.0 * M_PI * 440.0 * static_cast<double>(from + i) / r.rate);
      worst = std::max(worst, std::fabs(samples[static_cast<std::size_t>(2 * i)] - ideal));
    }
    EXPECT_LT(worst, 2e-4) << r.rate;
    // Read again from elsewhere first: the same samples.
    FloatSamples(clip, 10, 100);
    EXPECT_EQ(FloatSamples(clip, from, 400), samples) << r.rate;
  }
  EXPECT_EQ(Eval(kBars + "b.SSRC(48000)")->Info().audio.sampleCount, 160160);
  EXPECT_EQ(Message(EvalError(kBars + "b.ConvertAudioTo16bit().SSRC(44100)")),
            "Input audio sample format to SSRC must be float.");
  EXPECT_EQ(Message(EvalError(kBars + "b.KillAudio().SSRC(44100)")), "Input clip does not have audio.");
  EXPECT_EQ(Message(EvalError(kBars + "b.SSRC(0)")), "SSRC: the sample rate is out of range.");
}

TEST(SoundChannels, ToneWavesAsAviSynthMakesThem) {
  const struct {
    const char* script;
    std::int64_t samples;
    const char* md5;
  } cases[] = {
      {"Tone()", 480000, "10d4ec04137060025cd0d115783d687b"},
      {"Tone(1.0, 440, 48000, 2, \"Sine\")", 48000, "9cf347d9fdb737f96c60c1134963211a"},
      {"Tone(1.0, 440, 48000, 1, \"sine\")", 48000, "d140d8c403b6d553483333527d81d9d2"},
      {"Tone(1.0, 440, 48000, 1, \"Square\")", 48000, "c9a15d2e8d2f83c012dd8be2b43663ed"},
      {"Tone(1.0, 440, 48000, 1, \"Triangle\")", 48000, "82831259cf439a358eb782b4c7db84bc"},
      {"Tone(1.0, 440, 48000, 1, \"Sawtooth\")", 48000, "032305cda85fc2246774f0e51aa15c2c"},
      {"Tone(0.5, 1000, 44100, 1, \"Sine\", 0.5)", 22050, "a6ae32a9e59e30d2671b7943a0113daf"},
      {"Tone(2.33333, 1000, 44100, 1)", 102900, "fa454e28fb36657ee08e05ec6d7ae700"},
      // Phases added up sample by sample decide the edges of square and
      // sawtooth waves where a period ends on a sample.
      {"Tone(3.0, 1234.5, 44100, 1, \"Square\")", 132300, "04742f494d9db66dd3db0f986ff24e4a"},
      {"Tone(3.0, 1234.5, 44100, 1, \"Sawtooth\")", 132300, "ce1b05d1f308931495550d3694964057"},
      {"Tone(3.0, 1234.5, 44100, 3, \"Sine\", 0.3)", 132300, "ffafbd09ab9c30f58fdecc4fb9220a9c"},
      {"Tone(4.0, 3000, 48000, 1, \"Square\")", 192000, "baf705b982ea99cd60d246ccae337ffe"},
  };
  for (const auto& c : cases) {
    const auto clip = Eval(c.script);
    EXPECT_FALSE(clip->Info().hasVideo) << c.script;
    EXPECT_EQ(clip->Info().audio.sampleType, SampleType::Float) << c.script;
    EXPECT_EQ(clip->Info().audio.sampleCount, c.samples) << c.script;
    EXPECT_EQ(Md5Of16Bit(clip), c.md5) << c.script;
  }
  // Silence is zeros; noise stays within the level and reads the same twice.
  const auto silence = FloatSamples(Eval("Tone(1.0, 440, 48000, 1, \"Silence\")"), 100, 4);
  EXPECT_EQ(silence, (std::vector<float>{0.0f, 0.0f, 0.0f, 0.0f}));
  const auto noise = Eval("Tone(1.0, 440, 48000, 1, \"Noise\", 0.5)");
  const auto first = FloatSamples(noise, 70000 % 48000, 64);
  EXPECT_EQ(FloatSamples(noise, 70000 % 48000, 64), first);
  EXPECT_TRUE(std::all_of(first.begin(), first.end(), [](float v) { return std::fabs(v) <= 0.5f; }));
  EXPECT_FALSE(std::all_of(first.begin(), first.end(), [](float v) { return v == 0.0f; }));
  EXPECT_FALSE(Eval("Tone(1.0, 440, 0)")->Info().audio.Present());
  EXPECT_FALSE(Eval("Tone(1.0, 440, 48000, 0)")->Info().audio.Present());
  EXPECT_EQ(Message(EvalError("Tone(1.0, 440, 48000, 1, \"bogus\")")), "Tone: Type was not recognized!");
}

}  // namespace
}  // namespace tandemix::test
