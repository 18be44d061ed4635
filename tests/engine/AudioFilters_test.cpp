// Sound through the filters, on generated clips: BlankClip's silence and
// ColorBars' tone (48 kHz float stereo at 30000/1001 frames a second, so
// frame f starts at sample floor(f * 1601.6)).
#include <algorithm>
#include <cstring>

#include "engine/frames/AudioSamples.h"
#include "tests/engine/AudioTestSupport.h"
#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

using engine::SampleType;

const engine::AudioInfo& AudioOf(const engine::ClipPtr& clip) { return clip->Info().audio; }

TEST(AudioGenerators, BlankClipGivesSilenceInTheFormatAsked) {
  const auto plain = Eval("BlankClip()");
  EXPECT_EQ(AudioOf(plain).sampleRate, 44100);
  EXPECT_EQ(AudioOf(plain).channels, 1);
  EXPECT_EQ(AudioOf(plain).sampleType, SampleType::Int16);
  EXPECT_EQ(AudioOf(plain).sampleCount, 441000);  // 240 frames at 24 a second
  EXPECT_EQ(Int16Samples(plain, 1000, 4), (std::vector<std::int16_t>{0, 0, 0, 0}));

  const auto asked =
      Eval("BlankClip(length=50, fps=25, audio_rate=48000, channels=6, sample_type=\"float\", width=64, height=48)");
  EXPECT_EQ(AudioOf(asked).sampleRate, 48000);
  EXPECT_EQ(AudioOf(asked).channels, 6);
  EXPECT_EQ(AudioOf(asked).sampleType, SampleType::Float);
  EXPECT_EQ(AudioOf(asked).sampleCount, 96000);

  const auto old = Eval("BlankClip(stereo=true, sixteen_bit=false)");
  EXPECT_EQ(AudioOf(old).channels, 2);
  EXPECT_EQ(AudioOf(old).sampleType, SampleType::Float);
  // 8-bit samples are unsigned: their silence is 128.
  const auto eight = Eval("BlankClip(sample_type=\"8bit\")");
  EXPECT_EQ(SamplesOf<std::uint8_t>(eight, -2, 4), (std::vector<std::uint8_t>{128, 128, 128, 128}));
  EXPECT_FALSE(AudioOf(Eval("BlankClip(audio_rate=0)")).Present());
  // A template clip lends its sound's format, not its length.
  const auto like = Eval("BlankClip(ColorBars(), length=10)");
  EXPECT_EQ(AudioOf(like).sampleRate, 48000);
  EXPECT_EQ(AudioOf(like).channels, 2);
  EXPECT_EQ(AudioOf(like).sampleCount, 16016);
  // A template without sound gives none, unless an argument asks for it:
  // then the defaults (44.1 kHz, mono, 16 bits) fill what is not given.
  const std::string mute = "v = BlankClip(pixel_type=\"YV12\", audio_rate=0)\n";
  EXPECT_FALSE(AudioOf(Eval(mute + "BlankClip(v)")).Present());
  const struct {
    const char* call;
    int rate, channels;
    SampleType type;
    std::int64_t samples;
  } fromMute[] = {
      {"BlankClip(v, audio_rate=48000)", 48000, 1, SampleType::Int16, 480000},
      {"BlankClip(v, channels=2)", 44100, 2, SampleType::Int16, 441000},
      {"BlankClip(v, stereo=true)", 44100, 2, SampleType::Int16, 441000},
      {"BlankClip(v, sample_type=\"float\")", 44100, 1, SampleType::Float, 441000},
  };
  for (const auto& f : fromMute) {
    const auto clip = Eval(mute + f.call);
    EXPECT_EQ(AudioOf(clip).sampleRate, f.rate) << f.call;
    EXPECT_EQ(AudioOf(clip).channels, f.channels) << f.call;
    EXPECT_EQ(AudioOf(clip).sampleType, f.type) << f.call;
    EXPECT_EQ(AudioOf(clip).sampleCount, f.samples) << f.call;
  }
  // ... so that such a clip can be dubbed.
  EXPECT_EQ(AudioOf(Eval(mute + "AudioDub(v, BlankClip(v, audio_rate=48000))")).sampleRate, 48000);

  EXPECT_EQ(Message(EvalError("BlankClip(sample_type=\"12bit\")")),
            "BlankClip: sample_type must be \"8bit\", \"16bit\", \"24bit\", \"32bit\" or \"float\"");
  EXPECT_EQ(Message(EvalError("BlankClip(channels=100)")), "BlankClip: too many audio channels (100; at most 64).");
  EXPECT_EQ(Message(EvalError("BlankClip(audio_rate=-5)")), "BlankClip: the audio rate must not be negative.");
  EXPECT_EQ(Message(EvalError("BlankClip(audio_rate=2000000000)")),
            "BlankClip: the sample rate 2000000000 is too high (at most 10000000).");
}

TEST(AudioGenerators, ColorBarsPlayAToneLeftAndEverySecondSecondRight) {
  const auto bars = Eval("ColorBars()");
  EXPECT_EQ(AudioOf(bars).sampleRate, 48000);
  EXPECT_EQ(AudioOf(bars).channels, 2);
  EXPECT_EQ(AudioOf(bars).sampleType, SampleType::Float);
  EXPECT_EQ(AudioOf(bars).sampleCount, 172799827);  // 107892 frames at 30000/1001
  const auto first = FloatSamples(bars, 100, 2);
  EXPECT_NEAR(first[0], Tone(100), 1e-6);
  EXPECT_EQ(first[1], 0.0f);
  const auto later = FloatSamples(bars, 48100, 1);
  EXPECT_NEAR(later[0], Tone(48100), 1e-6);
  EXPECT_EQ(later[1], later[0]);
  EXPECT_EQ(FloatSamples(bars, 96010, 1)[1], 0.0f);
  // Outside the clip: silence.
  EXPECT_EQ(FloatSamples(bars, -1, 1), (std::vector<float>{0.0f, 0.0f}));
  EXPECT_EQ(FloatSamples(bars, 172799827, 1), (std::vector<float>{0.0f, 0.0f}));
  // YUV bars keep the tone.
  EXPECT_EQ(FloatSamples(Eval("ColorBars(pixel_type=\"YV12\")"), 100, 1)[0], first[0]);
}

TEST(AudioEdits, TrimCutsTheSoundAtTheFramesTimes) {
  const auto bars = Eval("ColorBars()");
  const auto cut = Eval("ColorBars().Trim(30, 59)");
  EXPECT_EQ(AudioOf(cut).sampleCount, 96096 - 48048);
  EXPECT_EQ(FloatSamples(cut, 0, 100), FloatSamples(bars, 48048, 100));
  // Past the end: silence, not the bars' next samples.
  const auto end = FloatSamples(cut, 48040, 20);
  EXPECT_EQ(std::vector<float>(end.begin(), end.begin() + 16), FloatSamples(bars, 48048 + 48040, 8));
  EXPECT_TRUE(std::all_of(end.begin() + 16, end.end(), [](float v) { return v == 0.0f; }));

  // 100 frames at 25 with 400 samples at 1000 Hz: pad makes the sound as
  // long as the frames, pad=false keeps it as long as it was.
  const std::string dub = "AudioDub(BlankClip(length=100, fps=25), BlankClip(length=10, fps=25, audio_rate=1000))";
  EXPECT_EQ(AudioOf(Eval(dub + ".Trim(5, 49)")).sampleCount, 1800);
  EXPECT_EQ(AudioOf(Eval(dub + ".Trim(5, 49, pad=false)")).sampleCount, 200);
  EXPECT_EQ(AudioOf(Eval(dub + ".Trim(50, 0, false)")).sampleCount, 0);
  EXPECT_EQ(AudioOf(Eval(dub + ".Trim(5, -10)")).sampleCount, 400);
}

TEST(AudioEdits, SplicesJoinTheSoundAlignedOrAsItIs) {
  // 10 frames at 25 with 800 samples at 1000 Hz (twice the frames' time).
  const std::string longer = "AudioDub(BlankClip(length=10, fps=25), BlankClip(length=20, fps=25, audio_rate=1000))";
  const std::string plain = "BlankClip(length=10, fps=25, audio_rate=1000)";
  EXPECT_EQ(AudioOf(Eval(longer + " + " + plain)).sampleCount, 1200);
  EXPECT_EQ(AudioOf(Eval(longer + " ++ " + plain)).sampleCount, 800);
  EXPECT_EQ(AudioOf(Eval("UnalignedSplice(" + longer + ", " + plain + ")")).sampleCount, 1200);
  EXPECT_EQ(AudioOf(Eval("AlignedSplice(" + longer + ", " + plain + ", " + plain + ")")).sampleCount, 1200);

  // The second part's sound follows at the split.
  const auto joined = Eval("x = ColorBars().Trim(0, 9)\nx ++ x.Amplify(0.5)");
  const auto x = Eval("ColorBars().Trim(0, 9)");
  ASSERT_EQ(AudioOf(joined).sampleCount, 2 * 16016);
  const auto second = FloatSamples(joined, 16016 + 100, 1);
  EXPECT_NEAR(second[0], 0.5 * FloatSamples(x, 100, 1)[0], 1e-6);
  EXPECT_EQ(FloatSamples(joined, 100, 1), FloatSamples(x, 100, 1));

  // A second clip in another sample type is converted to the first's.
  const auto mixed = Eval("BlankClip(sample_type=\"float\") + BlankClip()");
  EXPECT_EQ(AudioOf(mixed).sampleType, SampleType::Float);
  EXPECT_EQ(AudioOf(mixed).sampleCount, 882000);

  EXPECT_EQ(Message(EvalError("BlankClip(audio_rate=44100) + BlankClip(audio_rate=48000)")),
            "Splice: The audio of the two clips have different samplerates! Use SSRC()/ResampleAudio()");
  EXPECT_EQ(Message(EvalError("BlankClip(stereo=true) ++ BlankClip()")),
            "Splice: The number of audio channels doesn't match");
  EXPECT_EQ(Message(EvalError("BlankClip() + BlankClip(audio_rate=0)")),
            "Splice: one clip has audio and the other doesn't (not allowed)");
}

TEST(AudioEdits, AssumeFpsChangesTheSampleRateOnlyWithSyncAudio) {
  const auto synced = Eval("BlankClip(fps=25, audio_rate=48000).AssumeFPS(50, sync_audio=true)");
  EXPECT_EQ(AudioOf(synced).sampleRate, 96000);
  EXPECT_EQ(AudioOf(synced).sampleCount, 240 * 1920);  // the samples stay
  const auto plain = Eval("BlankClip(fps=25, audio_rate=48000).AssumeFPS(50)");
  EXPECT_EQ(AudioOf(plain).sampleRate, 48000);
  EXPECT_EQ(AudioOf(plain).sampleCount, 240 * 1920);
  // 24 to 23.976: 48000 * 24000 / (1001 * 24), rounded.
  EXPECT_EQ(AudioOf(Eval("BlankClip(audio_rate=48000).AssumeFPS(24000, 1001, true)")).sampleRate, 47952);
  EXPECT_EQ(AudioOf(Eval("BlankClip(audio_rate=48000).AssumeFPS(12.5, true)")).sampleRate, 25000);
  // The samples are the child's.
  const auto bars = Eval("ColorBars().AssumeFPS(60, sync_audio=true)");
  EXPECT_EQ(FloatSamples(bars, 500, 3), FloatSamples(Eval("ColorBars()"), 500, 3));
}

TEST(AudioEdits, FiltersOfSeveralClipsTakeTheFirstClipsSound) {
  const std::string clips = "a = ColorBars(width=64, height=48)\nb = BlankClip(a, audio_rate=8000)\n";
  EXPECT_EQ(AudioOf(Eval(clips + "StackHorizontal(b, a)")).sampleRate, 8000);
  EXPECT_EQ(AudioOf(Eval(clips + "StackVertical(a, b)")).sampleRate, 48000);
  EXPECT_EQ(AudioOf(Eval(clips + "Interleave(b, a)")).sampleRate, 8000);
  EXPECT_EQ(AudioOf(Eval(clips + "Merge(a, b)")).sampleRate, 48000);
  EXPECT_EQ(AudioOf(Eval(clips + "MergeRGB(b, a, a)")).sampleRate, 8000);
  const auto stacked = Eval(clips + "StackHorizontal(a, b, b)");
  EXPECT_EQ(FloatSamples(stacked, 700, 4), FloatSamples(Eval("ColorBars()"), 700, 4));
}

TEST(AudioEdits, FiltersOfThePictureKeepTheSoundAsItIs) {
  const auto bars = Eval("ColorBars(width=64, height=48)");
  const auto expected = FloatSamples(bars, 48050, 8);
  for (const char* filter :
       {"Crop(4, 4, -4, -4)", "AddBorders(2, 2, 2, 2)", "LanczosResize(32, 24)", "BilinearResize(80, 60)",
        "zoom(angle=\"1.5\")", "ConvertToYV12()", "FlipHorizontal()", "FlipVertical()", "SeparateFields()",
        "SeparateFields().Weave()", "SelectEven()", "SelectEvery(3, 0, 2)", "ConvertToYV24().Tweak(hue=10)",
        "Greyscale()", "Invert()", "AssumeTFF()", "AssumeFieldBased()", "ShowRed()", "ConvertToRGB24()"}) {
    const auto clip = Eval("ColorBars(width=64, height=48)." + std::string(filter));
    EXPECT_EQ(AudioOf(clip).sampleCount, AudioOf(bars).sampleCount) << filter;
    EXPECT_EQ(AudioOf(clip).sampleRate, 48000) << filter;
    EXPECT_EQ(FloatSamples(clip, 48050, 8), expected) << filter;
  }
}

TEST(AudioEdits, ReverseReversesTheSamples) {
  const auto x = Eval("ColorBars().Trim(0, 9)");
  const auto reversed = Eval("ColorBars().Trim(0, 9).Reverse()");
  ASSERT_EQ(AudioOf(reversed).sampleCount, 16016);
  const auto ahead = FloatSamples(x, 16016 - 10, 10);
  const auto back = FloatSamples(reversed, 0, 10);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(back[2 * i], ahead[2 * (9 - i)]);
    EXPECT_EQ(back[2 * i + 1], ahead[2 * (9 - i) + 1]);
  }
  // A range across the start: silence before it.
  EXPECT_EQ(FloatSamples(reversed, -1, 2)[0], 0.0f);
  EXPECT_EQ(FloatSamples(reversed, -1, 2)[2], back[0]);
}

TEST(AudioTracks, KillAudioKillVideoAndAudioDub) {
  const auto silent = Eval("ColorBars().KillAudio()");
  EXPECT_FALSE(AudioOf(silent).Present());
  EXPECT_EQ(AudioOf(silent).BytesPerSample(), 0);
  std::uint8_t untouched = 7;
  silent->GetAudio(&untouched, 0, 1);  // no sound: no bytes
  EXPECT_EQ(untouched, 7);

  const auto sound = Eval("ColorBars().KillVideo()");
  EXPECT_FALSE(sound->Info().hasVideo);
  EXPECT_EQ(sound->Info().frameCount, 0);
  EXPECT_EQ(AudioOf(sound).sampleCount, 172799827);
  EXPECT_EQ(FloatSamples(sound, 100, 2), FloatSamples(Eval("ColorBars()"), 100, 2));
  EXPECT_THROW(sound->GetFrame(0), TandemixError);
  EXPECT_EQ(Message(EvalError("ColorBars().KillVideo().Trim(0, 10)")), "Trim: the clip has no video.");

  // The sound keeps its own length; either order of the two clips.
  const auto dubbed = Eval("AudioDub(BlankClip(length=10, fps=25), ColorBars())");
  EXPECT_EQ(dubbed->Info().frameCount, 10);
  EXPECT_EQ(AudioOf(dubbed).sampleCount, 172799827);
  EXPECT_EQ(FloatSamples(dubbed, 7, 1), FloatSamples(Eval("ColorBars()"), 7, 1));
  const auto swapped = Eval("AudioDub(ColorBars().KillVideo(), BlankClip(length=10, audio_rate=0))");
  EXPECT_TRUE(swapped->Info().hasVideo);
  EXPECT_EQ(swapped->Info().frameCount, 10);
  EXPECT_EQ(AudioOf(swapped).sampleRate, 48000);
  EXPECT_EQ(Message(EvalError("AudioDub(BlankClip(audio_rate=0), BlankClip(audio_rate=0))")),
            "AudioDub: need an audio and a video track");
}

TEST(AudioTracks, DelayAudioShiftsTheSound) {
  const auto x = Eval("ColorBars().Trim(0, 9)");
  const auto later = Eval("ColorBars().Trim(0, 9).DelayAudio(0.5)");
  EXPECT_EQ(AudioOf(later).sampleCount, 16016 + 24000);
  EXPECT_EQ(FloatSamples(later, 100, 1), (std::vector<float>{0.0f, 0.0f}));
  EXPECT_EQ(FloatSamples(later, 24000 + 300, 4), FloatSamples(x, 300, 4));
  // Earlier: AviSynth adds half a sample and cuts toward zero, so -0.1 s is
  // 4799 samples (11217 left, as AviSynth gives), -0.5 s at 48 kHz 23999.
  const auto earlier = Eval("ColorBars().Trim(0, 9).DelayAudio(-0.1)");
  EXPECT_EQ(AudioOf(earlier).sampleCount, 11217);
  EXPECT_EQ(FloatSamples(earlier, 10, 4), FloatSamples(x, 4809, 4));
  const struct {
    const char* call;
    std::int64_t samples;
  } delays[] = {{"BlankClip(length=240, fps=24, audio_rate=48000).DelayAudio(-0.5)", 456001},
                {"ColorBars().Trim(0, 99).DelayAudio(-0.5)", 136161},
                {"ColorBars().Trim(0, 99).DelayAudio(-0.000011)", 160160},
                {"ColorBars().Trim(0, 99).DelayAudio(0.000011)", 160161},
                {"BlankClip(audio_rate=44100).DelayAudio(-0.3333)", 426302}};
  for (const auto& d : delays) EXPECT_EQ(AudioOf(Eval(d.call)).sampleCount, d.samples) << d.call;
  EXPECT_EQ(Message(EvalError("ColorBars().DelayAudio(100000000000.0)")), "DelayAudio: the delay is out of range.");
}

TEST(AudioTracks, ChannelsAreTakenAndMerged) {
  const auto bars = Eval("ColorBars()");
  const auto right = Eval("ColorBars().GetChannel(2)");
  EXPECT_EQ(AudioOf(right).channels, 1);
  EXPECT_EQ(FloatSamples(right, 48100, 1)[0], FloatSamples(bars, 48100, 1)[1]);
  const auto swapped = FloatSamples(Eval("ColorBars().GetChannels(2, 1)"), 100, 1);
  EXPECT_EQ(swapped[0], 0.0f);
  EXPECT_EQ(swapped[1], FloatSamples(bars, 100, 1)[0]);
  EXPECT_EQ(AudioOf(Eval("ColorBars().GetLeftChannel()")).channels, 1);
  EXPECT_EQ(Message(EvalError("ColorBars().GetChannel(3)")),
            "GetChannel: Attempted to get a channel that didn't exist! (channel 3 of a clip with 2)");
  EXPECT_EQ(Message(EvalError("BlankClip(audio_rate=0).GetChannel(1)")), "GetChannel: the clip has no audio.");

  // Three channels: left, then the bars' two; a 16-bit clip is converted.
  const auto merged = Eval("c = ColorBars()\nMergeChannels(c.GetChannel(1), c)");
  EXPECT_EQ(AudioOf(merged).channels, 3);
  const auto three = FloatSamples(merged, 48100, 1);
  const auto two = FloatSamples(bars, 48100, 1);
  EXPECT_EQ(three, (std::vector<float>{two[0], two[0], two[1]}));
  const auto withSixteen = Eval("c = ColorBars()\nMergeChannels(c, BlankClip(c, sample_type=\"16bit\"))");
  EXPECT_EQ(AudioOf(withSixteen).channels, 4);
  EXPECT_EQ(AudioOf(withSixteen).sampleType, SampleType::Float);
  EXPECT_EQ(AudioOf(Eval("c = ColorBars()\nMonoToStereo(c, c)")).channels, 2);
  EXPECT_EQ(Message(EvalError("MergeChannels(ColorBars(), BlankClip(audio_rate=8000))")),
            "MergeChannels: Clips must have same sample rate! Use ResampleAudio()!");
}

TEST(AudioLevels, ConversionsFollowTheSampleTypes) {
  const auto x = FloatSamples(Eval("ColorBars()"), 0, 200);
  const auto sixteen = Eval("ColorBars().ConvertAudioTo16bit()");
  const auto s = Int16Samples(sixteen, 0, 200);
  // Float to 16 bits is scaled by 32768 and cut toward zero, not rounded:
  // the tone's sample 3 (0.171912) is 5633, not 5634.
  for (std::size_t i = 0; i < x.size(); ++i)
    EXPECT_EQ(s[i], static_cast<int>(std::clamp(x[i] * 32768.0f, -32768.0f, 32767.0f))) << i;
  EXPECT_EQ(s[6], 5633);
  EXPECT_EQ(s[8], 7482);
  // Float to 8 bits the same, by 128: sample 2 (0.114683) is 14 + 128.
  const auto eight = SamplesOf<std::uint8_t>(Eval("ColorBars().ConvertAudioTo8bit()"), 0, 6);
  EXPECT_EQ(eight[4], 142);
  const auto loud = Int16Samples(Eval("ColorBars().Amplify(-1.7).ConvertAudioTo16bit()"), 0, 200);
  EXPECT_EQ(*std::min_element(loud.begin(), loud.end()), -32768);
  const auto back = FloatSamples(Eval("ColorBars().ConvertAudioTo16bit().ConvertAudioToFloat()"), 0, 200);
  for (std::size_t i = 0; i < x.size(); ++i) EXPECT_EQ(back[i], s[i] / 32768.0f) << i;
  // 24 bits: the 16-bit value shifted up by 8; 8 bits: the upper byte, unsigned.
  const auto wide = RawSamples(Eval("ColorBars().ConvertAudioTo16bit().ConvertAudioTo24bit()"), 3, 1);
  const std::int32_t value = (wide[0] | (wide[1] << 8) | (static_cast<std::int8_t>(wide[2]) << 16));
  EXPECT_EQ(value, s[6] * 256);
  const auto narrow = SamplesOf<std::uint8_t>(Eval("ColorBars().ConvertAudioTo16bit().ConvertAudioTo8bit()"), 3, 1);
  EXPECT_EQ(narrow[0], (s[6] >> 8) + 128);
  const auto round = Int16Samples(
      Eval("ColorBars().ConvertAudioTo16bit().ConvertAudioTo24bit().ConvertAudioTo32bit().ConvertAudioTo16bit()"), 0,
      200);
  EXPECT_EQ(round, s);
  EXPECT_EQ(AudioOf(Eval("ColorBars().ConvertAudioTo24bit()")).BytesPerSample(), 6);
}

TEST(AudioLevels, AmplifyMixAndNormalizeWithAviSynthsArithmetic) {
  const std::string s16 = "ColorBars().Trim(0, 9).ConvertAudioTo16bit()";
  const auto s = Int16Samples(Eval(s16), 0, 400);
  const auto half = Int16Samples(Eval(s16 + ".Amplify(0.5)"), 0, 400);
  for (std::size_t i = 0; i < s.size(); ++i) EXPECT_EQ(half[i], (s[i] * 65536 + 65536) >> 17) << i;
  // +20 dB is ten times: small samples grow, large ones are clipped.
  const auto loud = Int16Samples(Eval(s16 + ".AmplifydB(20)"), 0, 400);
  EXPECT_EQ(loud[2], std::clamp(s[2] * 10, -32768, 32767));
  EXPECT_EQ(*std::max_element(loud.begin(), loud.end()), 32767);
  // Float: one factor a channel.
  const auto x = FloatSamples(Eval("ColorBars()"), 48100, 1);
  const auto scaled = FloatSamples(Eval("ColorBars().Amplify(2, 0.5)"), 48100, 1);
  EXPECT_FLOAT_EQ(scaled[0], 2 * x[0]);
  EXPECT_FLOAT_EQ(scaled[1], 0.5f * x[1]);

  EXPECT_EQ(Int16Samples(Eval("s = " + s16 + "\nMixAudio(s, s)"), 0, 400), s);
  const auto mixed = FloatSamples(Eval("c = ColorBars()\nMixAudio(c, c, 0.25, 0.5)"), 48100, 1);
  EXPECT_FLOAT_EQ(mixed[0], 0.75f * x[0]);
  EXPECT_EQ(Message(EvalError("c = ColorBars()\nMixAudio(c, c.GetChannel(1))")),
            "MixAudio: Clips must have same number of channels!");
  EXPECT_EQ(Message(EvalError("MixAudio(ColorBars(), ColorBars().KillAudio())")),
            "MixAudio: both clips must have audio.");

  // Normalize: the loudest sample of the whole sound reaches the volume.
  const auto normal = Eval("ColorBars().Trim(0, 9).Amplify(0.25).Normalize(0.5)");
  const auto n = FloatSamples(normal, 0, 16016);
  float peak = 0.0f;
  for (float v : n) peak = std::max(peak, std::fabs(v));
  EXPECT_NEAR(peak, 0.5f, 1e-6);
  const auto original = FloatSamples(Eval("ColorBars().Trim(0, 9)"), 0, 16016);
  EXPECT_NEAR(n[200] / original[200], n[202] / original[202], 1e-4);
  EXPECT_EQ(Message(EvalError("ColorBars().Normalize(show=true)")),
            "Normalize: show=true (the level drawn on the frames) is not supported.");
}

TEST(AudioLevels, ResampleAudioKeepsTheToneAndItsTime) {
  const auto resampled = Eval("ColorBars().Trim(0, 59).ResampleAudio(44100)");
  EXPECT_EQ(AudioOf(resampled).sampleRate, 44100);
  EXPECT_EQ(AudioOf(resampled).sampleCount, 88288);  // 96096 * 44100 / 48000, rounded
  EXPECT_EQ(AudioOf(resampled).sampleType, SampleType::Float);
  // The left channel is still the 440 Hz sine, at the same instants.
  const auto left = FloatSamples(resampled, 1000, 1000);
  for (int k = 0; k < 1000; k += 37)
    EXPECT_NEAR(left[2 * k], std::sin(2.0 * M_PI * 440.0 * (1000 + k) / 44100.0), 2e-3) << k;

  // A jump gives what reading in order gives.
  const auto ordered = Eval("ColorBars().Trim(0, 59).ResampleAudio(44100)");
  std::vector<float> inOrder;
  for (int start = 0; start < 60000; start += 3000) {
    const auto part = FloatSamples(ordered, start, 3000);
    inOrder.insert(inOrder.end(), part.begin(), part.end());
  }
  const auto jumped = Eval("ColorBars().Trim(0, 59).ResampleAudio(44100)");
  FloatSamples(jumped, 70000, 100);
  const auto again = FloatSamples(jumped, 51234, 500);
  for (int i = 0; i < 1000; ++i) EXPECT_NEAR(again[i], inOrder[2 * 51234 + i], 1e-5) << i;

  EXPECT_EQ(AudioOf(Eval("ColorBars().ConvertAudioTo16bit().ResampleAudio(22050)")).sampleType, SampleType::Int16);
  EXPECT_EQ(AudioOf(Eval("ColorBars().ConvertAudioTo24bit().ResampleAudio(22050)")).sampleType, SampleType::Float);
  EXPECT_EQ(AudioOf(Eval("ColorBars().ResampleAudio(96000, 2)")).sampleRate, 48000);
  EXPECT_EQ(Message(EvalError("ColorBars().ResampleAudio(0)")), "ResampleAudio: the sample rate must be more than 0.");
  EXPECT_EQ(Message(EvalError("ColorBars().ResampleAudio(2000000000)")),
            "ResampleAudio: the sample rate is out of range.");
}

TEST(AudioProperties, DescribeTheSound) {
  const auto clip = Eval(
      "c = ColorBars().Trim(0, 9)\n"
      "ok = HasAudio(c) && HasVideo(c) && AudioRate(c) == 48000 && AudioChannels(c) == 2 && "
      "AudioLength(c) == 16016 && AudioLengthF(c) == 16016.0 && AudioBits(c) == 32 && IsAudioFloat(c) && "
      "!IsAudioInt(c) && AudioDuration(c) > 0.3336 && AudioDuration(c) < 0.3337 && "
      "!HasAudio(c.KillAudio()) && !HasVideo(c.KillVideo()) && AudioDuration(c.KillAudio()) == 0.0\n"
      "BlankClip(length=ok ? 7 : 3)");
  EXPECT_EQ(clip->Info().frameCount, 7);
}

// Frame times in samples are exact in 64 bits or refused: lengths past the
// limit, however far, come out just past it, never wrapped to a negative.
TEST(AudioLengths, FrameTimesNeverWrapAndLongSoundsAreRefused) {
  engine::ClipInfo info;
  info.rateNumerator = 30000;
  info.rateDenominator = 1001;
  info.audio.sampleRate = 48000;
  info.audio.channels = 2;
  EXPECT_EQ(engine::AudioSamplesFromFrames(info, 5), 8008);
  EXPECT_EQ(engine::AudioSamplesFromFrames(info, -1), -1602);  // down, before the start too
  info.rateNumerator = 1;
  info.rateDenominator = 2147483647;
  EXPECT_EQ(engine::AudioSamplesFromFrames(info, 2147483647), engine::kMaxAudioSamples + 1);
  EXPECT_EQ(engine::AudioSamplesFromFrames(info, INT64_MAX), engine::kMaxAudioSamples + 1);
  EXPECT_EQ(engine::AudioSamplesFromFrames(info, INT64_MIN), -engine::kMaxAudioSamples - 1);
  const std::string tooLong = "the sound is too long (more than 4398046511104 samples).";
  for (const char* script : {
           "BlankClip(length=2147483647, fps=1, fps_denominator=2147483647)",
           "BlankClip(length=2147483647, fps=1, fps_denominator=2000000).ResampleAudio(10000000)",
           // An aligned splice pads the first clip's sound to its frames' time.
           "BlankClip(length=10, fps=1000000000).AssumeFPS(1, 2147483647)\nlast ++ last",
       }) {
    SCOPED_TRACE(script);
    EXPECT_NE(EvalError(script).find(tooLong), std::string::npos) << EvalError(script);
  }
  // The longest sound the limit allows is measured exactly.
  const engine::ClipPtr longest = Eval("BlankClip(length=2147483647, fps=1, fps_denominator=2, audio_rate=1000)");
  EXPECT_EQ(longest->Info().audio.sampleCount, 2147483647LL * 2 * 1000);
}

}  // namespace
}  // namespace tandemix::test
