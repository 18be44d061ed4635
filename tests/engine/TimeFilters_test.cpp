// Frames and time: frame counts, rates, which source frame each frame
// shows, the pixels of blends and fades, and the sound's length and
// samples, all as AviSynth gives them for the same scripts. The sound is
// compared by the MD5 of its samples in 16 bits (channels interleaved),
// the way AviSynth's own ConvertAudioTo16bit makes them.
#include <QCryptographicHash>

#include <string>
#include <vector>

#include "engine/filters/AudioSupport.h"
#include "tests/engine/AudioTestSupport.h"
#include "tests/engine/EngineTestSupport.h"

namespace tandemix::test {
namespace {

using engine::SampleType;

// 100 frames of colour bars at 30000/1001 with their 48 kHz stereo tone.
const std::string kBars = "ColorBars().Trim(0, 99)";

// 25 frames of 8x8 RGB32 at 24 a second whose frame k is grey 10k + 5,
// so that a pixel says which frame it came from.
const std::string kRamp =
    "c = BlankClip(length=1, width=8, height=8, pixel_type=\"RGB32\", color=$050505)\n"
    "for (i = 1, 24) { c = c + BlankClip(length=1, width=8, height=8, pixel_type=\"RGB32\", color=(10*i+5)*$010101) "
    "}\nc";

std::string SoundMd5(const engine::ClipPtr& clip) {
  const engine::ClipPtr sixteen = engine::MakeAudioConvert(clip, SampleType::Int16);
  const engine::AudioInfo& audio = sixteen->Info().audio;
  QCryptographicHash md5(QCryptographicHash::Md5);
  std::vector<char> buffer;
  for (std::int64_t at = 0; at < audio.sampleCount; at += 1 << 16) {
    const std::int64_t n = std::min<std::int64_t>(1 << 16, audio.sampleCount - at);
    buffer.resize(static_cast<std::size_t>(n * audio.BytesPerSample()));
    sixteen->GetAudio(buffer.data(), at, n);
    md5.addData(QByteArrayView(buffer.data(), static_cast<qsizetype>(buffer.size())));
  }
  return md5.result().toHex().toStdString();
}

// The grey of pixel (0, 0) of each frame: its blue byte.
std::vector<int> Greys(const engine::ClipPtr& clip, int frames) {
  std::vector<int> out;
  for (int n = 0; n < frames; ++n) out.push_back(clip->GetFrame(n)->Row(0)[0]);
  return out;
}

TEST(TimeFilters, FrameAndSampleCountsAsAviSynthGivesThem) {
  const struct {
    const char* call;
    int frames;
    std::int64_t samples;
  } cases[] = {
      {"FreezeFrame(10, 20, 5)", 100, 160160},
      {"DeleteFrame(3, 5, 7)", 97, 160160},
      {"DeleteFrame(3, 3)", 99, 160160},
      {"DeleteFrame(7, 3)", 98, 160160},
      {"DeleteFrame(200)", 99, 160160},
      {"DuplicateFrame(3, 5, 7)", 103, 160160},
      {"DuplicateFrame(3, 3)", 102, 160160},
      {"DuplicateFrame(200)", 101, 160160},
      {"SelectRangeEvery(20, 5)", 25, 40040},
      {"SelectRangeEvery()", 50, 80080},
      {"SelectRangeEvery(20, 5, 3, audio=false)", 25, 160160},
      {"SelectRangeEvery(20, 0)", 5, 8008},
      {"SelectRangeEvery(20, 30)", 100, 160160},
      {"SelectRangeEvery(20, 5, 200)", 1, 1601},
      {"SelectRangeEvery(7, 3, 2)", 42, 67267},
      {"Loop(3, 10, 19)", 120, 192192},
      {"Loop(2)", 200, 320320},
      {"Loop()", 10000000, 16016001601},
      {"Loop(0)", 0, 0},
      {"Loop(3, -5, 10)", 122, 195394},
      {"Loop(3, 20, 10)", 102, 163362},
      {"Loop(3, 50)", 200, 320320},
      {"Loop(3, 90, 120)", 120, 192192},
      {"Trim(5, end=10)", 6, 9609},
      {"Trim(5, length=10)", 10, 16016},
      {"Trim(5, length=0)", 0, 0},
      {"Trim(-5, length=3)", 3, 4804},
      {"Trim(98, length=5)", 2, 3204},
      {"Trim(5, end=5)", 1, 1601},
      {"Trim(200, end=300)", 1, 1602},
      {"Trim(5, -3)", 3, 4804},
      {"ChangeFPS(25)", 83, 160160},
      {"ChangeFPS(60000, 1001)", 200, 160160},
      {"ChangeFPS(BlankClip(fps=24))", 80, 160160},
      {"ChangeFPS(\"ntsc_film\")", 80, 160160},
      {"ChangeFPS(\"pal_quad\")", 334, 160160},
      {"ChangeFPS(10)", 33, 160160},
      {"ChangeFPS(12.5)", 42, 160160},
      {"ConvertFPS(25)", 83, 160160},
      {"ConvertFPS(60)", 200, 160160},
      {"ConvertToYUY2().ConvertFPS(25, zone=20)", 83, 160160},
      {"FadeIn(10)", 101, 161761},
      {"FadeIn0(10)", 100, 160160},
      {"FadeIn2(10)", 102, 163363},
      {"FadeOut(10)", 101, 161761},
      {"FadeOut0(10)", 100, 160160},
      {"FadeOut2(10)", 102, 163363},
      {"FadeIO(10)", 102, 163362},
      {"FadeIO0(10)", 100, 160160},
      {"FadeIO2(10)", 104, 166566},
      {"FadeOut(0)", 101, 161761},
      {"FadeIn(200)", 101, 161761},
      {"Dissolve(last, last, 10)", 190, 304304},
      {"Dissolve(last, last, last, 10)", 280, 448448},
      {"Dissolve(last, last, 200)", 100, 160160},
      {"Dissolve(last, last, 0)", 200, 320320},
      {"AlignedSplice(last, last, last)", 300, 480480},
      {"UnalignedSplice(last, last.Trim(0, 9))", 110, 176176},
      {"last + last.AssumeFPS(60000, 2002)", 200, 320320},
      // Rates a millionth of a frame per second apart still join.
      {"AssumeFPS(1) + AssumeFPS(1000001, 1000000)", 200, 320320},
      {"AudioTrim(1.0, 2.5)", 45, 72000},
      {"AudioTrim(1.0, -0.5)", 15, 24000},
      {"AudioTrim(1.0, 0)", 71, 112160},
      {"AudioTrim(1.0, end=2.0)", 30, 48000},
      {"AudioTrim(1.0, length=0.5)", 15, 24000},
      {"AudioTrim(2.5, 1.0)", 0, 0},
      {"AudioTrim(-1.0, 2.0)", 60, 96000},
      {"AudioTrim(1.0, 2.0).Trim(0, -1)", 1, 1601},
      {"AssumeSampleRate(44100)", 100, 160160},
      {"Preroll(video=5, audio=1.5)", 100, 160160},
      {"EnsureVBRMP3Sync()", 100, 160160},
      {"Echo(BlankClip())", 100, 160160},
      {"Null()", 100, 160160},
  };
  for (const auto& c : cases) {
    const auto clip = Eval(kBars + "\n" + c.call);
    EXPECT_EQ(clip->Info().frameCount, c.frames) << c.call;
    EXPECT_EQ(clip->Info().audio.sampleCount, c.samples) << c.call;
  }
  const auto audioOnly = Eval(kBars + ".KillVideo().FadeIn(10)");
  EXPECT_EQ(audioOnly->Info().audio.sampleCount, 162160);  // frames counted at 24 a second
  EXPECT_EQ(Eval(kBars + ".KillVideo().FadeIn(10, fps=25)")->Info().audio.sampleCount, 162080);
  // Sound alone has no frame rate to compare.
  EXPECT_EQ(Eval(kBars + "\nKillVideo() + KillVideo().AssumeFPS(25)")->Info().audio.sampleCount, 320320);
  EXPECT_FALSE(Eval(kBars + ".AssumeSampleRate(0)")->Info().audio.Present());
  EXPECT_EQ(Eval(kBars + ".AssumeSampleRate(44100)")->Info().audio.sampleRate, 44100);
}

TEST(TimeFilters, RatesAsAviSynthReducesThem) {
  const struct {
    const char* call;
    int numerator, denominator, audioRate;
  } cases[] = {
      {"AssumeScaledFPS(2, 1)", 60000, 1001, 48000},
      {"AssumeScaledFPS()", 30000, 1001, 48000},
      {"AssumeScaledFPS(1, 2, true)", 15000, 1001, 24000},
      {"ChangeFPS(25)", 25, 1, 48000},
      {"ChangeFPS(\"ntsc_round_film\")", 2997, 125, 48000},
      {"ChangeFPS(\"ntsc_quad\")", 120000, 1001, 48000},
      {"ChangeFPS(23.976)", 2997, 125, 48000},
      {"ChangeFPS(59.94)", 2997, 50, 48000},
      {"ChangeFPS(2.9971)", 6201, 2069, 48000},  // the first convergent that is the same float
      {"ConvertFPS(60)", 60, 1, 48000},
      {"AssumeFPS(2.9971)", 6201, 2069, 48000},
      {"AssumeFPS(12.345)", 2469, 200, 48000},
      {"AssumeFPS(0.7)", 7, 10, 48000},
      {"AssumeFPS(\"ntsc_film\")", 24000, 1001, 48000},
      {"AssumeFPS(\"NTSC_Round_Video\")", 2997, 100, 48000},
      {"AssumeFPS(\"pal_double\", true)", 50, 1, 80080},
      {"AssumeFPS(\"film\", sync_audio=false)", 24, 1, 48000},
  };
  for (const auto& c : cases) {
    const auto clip = Eval(kBars + "." + c.call);
    EXPECT_EQ(clip->Info().rateNumerator, c.numerator) << c.call;
    EXPECT_EQ(clip->Info().rateDenominator, c.denominator) << c.call;
    EXPECT_EQ(clip->Info().audio.sampleRate, c.audioRate) << c.call;
  }
}

TEST(TimeFilters, EachFrameShowsTheSourceFrameAviSynthPicks) {
  const struct {
    const char* call;
    std::vector<int> greys;  // frames 0..9
  } cases[] = {
      {"DeleteFrame(3, 5, 7)", {5, 15, 25, 45, 65, 85, 95, 105, 115, 125}},
      {"DuplicateFrame(3, 5, 7)", {5, 15, 25, 35, 35, 45, 55, 55, 65, 75}},
      {"DeleteFrame(-1)", {15, 25, 35, 45, 55, 65, 75, 85, 95, 105}},
      {"DuplicateFrame(-2)", {5, 5, 15, 25, 35, 45, 55, 65, 75, 85}},
      {"FreezeFrame(2, 4, 20)", {5, 15, 205, 205, 205, 55, 65, 75, 85, 95}},
      {"Loop(3, 2, 4)", {5, 15, 25, 35, 45, 25, 35, 45, 25, 35}},
      {"AssumeFPS(30).ChangeFPS(24)", {5, 15, 25, 35, 55, 65, 75, 85, 105, 115}},
      {"AssumeFPS(24).ChangeFPS(30)", {5, 5, 15, 25, 35, 45, 45, 55, 65, 75}},
      {"AssumeFPS(30000, 1001).ChangeFPS(25)", {5, 15, 25, 35, 45, 55, 75, 85, 95, 105}},
      {"SelectRangeEvery(5, 2, 1)", {15, 25, 65, 75, 115, 125, 165, 175, 215, 225}},
      // Frames blended by their distance: 24 to 30 a second, linear greys.
      {"ConvertFPS(30)", {5, 13, 21, 29, 37, 45, 53, 61, 69, 77}},
      {"ConvertFPS(60, 1)", {5, 9, 13, 17, 21, 25, 29, 33, 37, 41}},
      {"Reverse()", {245, 235, 225, 215, 205, 195, 185, 175, 165, 155}},
  };
  for (const auto& c : cases) EXPECT_EQ(Greys(Eval(kRamp + "." + c.call), 10), c.greys) << c.call;
  // AudioTrim's frames start at the frame its first sample falls in.
  const auto trimmed =
      Eval(kRamp + "\nAudioDub(c.AssumeFPS(10), BlankClip(length=100, audio_rate=1000)).AudioTrim(0.75, 1.5)");
  EXPECT_EQ(trimmed->Info().frameCount, 8);
  EXPECT_EQ(trimmed->Info().audio.sampleCount, 750);
  EXPECT_EQ(Greys(trimmed, 8), (std::vector<int>{75, 85, 95, 105, 115, 125, 135, 145}));
  // Seconds become samples rounded to the nearest.
  EXPECT_EQ(Eval(kRamp + "\nAudioDub(c, BlankClip(length=100, audio_rate=1000)).AudioTrim(0.75, 1.5006)")
                ->Info()
                .audio.sampleCount,
            751);
}

TEST(TimeFilters, BlendsAndFadesMixPixelsAsAviSynth) {
  // Black and (b 1, g 100, r 255) frames in turn at 100 a second, made 99:
  // frames less than a sixteenth from a source frame are that frame.
  const std::string turns =
      "a = BlankClip(length=1, width=8, height=8, pixel_type=\"RGB32\", color=$000000)\n"
      "b = BlankClip(length=1, width=8, height=8, pixel_type=\"RGB32\", color=$FF6401)\n"
      "c = a + b + a + b + a + b + a + b + a + b\nc = c + c + c + c + c + c + c + c + c + c + c + c\n";
  const auto to99 = Eval(turns + "c.AssumeFPS(100).ConvertFPS(99)");
  const struct {
    int frame;
    Bgr pixel;
  } blends[] = {{1, {1, 100, 255}}, {6, {0, 0, 0}},     {7, {1, 93, 237}},  {8, {0, 8, 21}},    {13, {1, 87, 222}},
                {27, {1, 73, 185}}, {46, {0, 46, 118}}, {49, {1, 51, 129}}, {92, {1, 93, 237}}, {93, {0, 0, 0}}};
  for (const auto& b : blends) {
    const auto f = to99->GetFrame(b.frame);
    EXPECT_EQ(PixelAt(*f, 3, 3), b.pixel) << "ConvertFPS(99) frame " << b.frame;
  }
  // Exactly a sixteenth (17 to 16 a second) is blended; 14/16 rounds down.
  const auto to16 = Eval(turns + "c.AssumeFPS(17).ConvertFPS(16)");
  EXPECT_EQ(PixelAt(*to16->GetFrame(1), 0, 0), (Bgr{1, 94, 239}));
  EXPECT_EQ(PixelAt(*to16->GetFrame(14), 0, 0), (Bgr{1, 87, 223}));
  EXPECT_EQ(PixelAt(*to16->GetFrame(15), 0, 0), (Bgr{0, 6, 16}));

  const std::string two =
      "a = BlankClip(length=20, width=8, height=8, pixel_type=\"RGB32\", color=$FF6401)\n"
      "b = BlankClip(length=20, width=8, height=8, pixel_type=\"RGB32\", color=$000000)\n";
  const struct {
    const char* call;
    std::vector<int> reds;  // frames `first`.. of the red byte
    int first;
  } fades[] = {
      {"Dissolve(a, b, 10)", {255, 232, 209, 185, 162, 139, 116, 93, 70, 46, 23, 0}, 9},
      {"a.FadeOut(10)", {255, 232, 209, 185, 162, 139, 116, 93, 70, 46, 23, 0}, 9},
      {"a.FadeIn(4)", {0, 51, 102, 153, 204, 255}, 0},
      {"a.FadeIn2(4)", {0, 0, 51, 102, 153, 204, 255}, 0},
      {"a.FadeIn0(4)", {51, 102, 153, 204, 255}, 0},
  };
  for (const auto& f : fades) {
    const auto clip = Eval(two + f.call);
    for (std::size_t i = 0; i < f.reds.size(); ++i)
      EXPECT_EQ(PixelAt(*clip->GetFrame(f.first + static_cast<int>(i)), 0, 0).r, f.reds[i])
          << f.call << " frame " << f.first + static_cast<int>(i);
  }
  // A fade to a colour; an even mix rounds down (weights add up to 32767).
  const auto coloured = Eval(two + "a.FadeOut(4, color=$204080)");
  EXPECT_EQ(PixelAt(*coloured->GetFrame(18), 0, 0), (Bgr{77, 78, 121}));
  EXPECT_EQ(PixelAt(*coloured->GetFrame(20), 0, 0), (Bgr{128, 64, 32}));
  const auto half = Eval(
      "a = BlankClip(length=3, width=8, height=8, color=$B4B4B4)\n"
      "Dissolve(a, a.Invert(), 1)");
  EXPECT_EQ(PixelAt(*half->GetFrame(2), 0, 0), (Bgr{127, 127, 127}));
}

// ConvertFPS's switch zone on YUY2: black and white frames in turn at 100 a
// second; the rows of a frame's first column, read as grey through the
// full-range matrix (so that a row's grey is its luma).
std::vector<int> SwitchRows(const std::string& convert, int frame) {
  const auto clip = Eval(
      "a = BlankClip(length=1, width=8, height=100, pixel_type=\"YUY2\", color_yuv=$008080)\n"
      "b = BlankClip(length=1, width=8, height=100, pixel_type=\"YUY2\", color_yuv=$FF8080)\n"
      "c = a + b + a + b + a + b + a + b + a + b\nc = c + c + c + c + c + c + c + c + c + c + c + c\n"
      "c.AssumeFPS(100)." +
      convert + ".ConvertToRGB24(matrix=\"PC.601\")");
  const auto f = clip->GetFrame(frame);
  std::vector<int> rows;
  for (int y = 0; y < 100; ++y) rows.push_back(PixelAt(*f, 0, y).r);
  return rows;
}

TEST(TimeFilters, ConvertFpsSwitchesFramesAtTheRowTheirTimeReaches) {
  // 100 to 70 a second, a zone of 7 rows: a source frame lasts 70 rows; the
  // switch of frame 0 is at row 70, blended over the 5 rows about it.
  auto rows = SwitchRows("ConvertFPS(70, zone=7)", 0);
  EXPECT_EQ(std::vector<int>(rows.begin() + 67, rows.begin() + 74), (std::vector<int>{0, 36, 73, 109, 146, 182, 255}));
  EXPECT_EQ(rows[0], 0);
  EXPECT_EQ(rows[99], 255);
  // Frame 1 starts a quarter into source frame 1 (white): the switch to
  // black is at row 40. AviSynth's greys on the way down are one higher
  // than these (255 - the greys on the way up, plus one): within one.
  rows = SwitchRows("ConvertFPS(70, zone=7)", 1);
  const int down[] = {255, 219, 183, 147, 110, 74, 0};
  for (int i = 0; i < 7; ++i) EXPECT_NEAR(rows[static_cast<std::size_t>(37 + i)], down[i], 1) << 37 + i;
  // 100 to 99, zone 20: the switch row is worked out in double precision,
  // so frames 49 and 50 (rows 50 and 49 exactly) both switch at row 49;
  // 19 rows are blended about it.
  for (int frame : {49, 50}) {
    rows = SwitchRows("ConvertFPS(99, zone=20)", frame);
    const int from = frame % 2 ? 255 : 0;
    EXPECT_EQ(rows[39], from) << frame;
    EXPECT_EQ(rows[49], 128) << frame;
    EXPECT_EQ(rows[59], 255 - from) << frame;
    EXPECT_NE(rows[40], from) << frame;
    EXPECT_NE(rows[58], 255 - from) << frame;
  }
  // A frame whose time falls on a row: frame 98 switches at row 0.
  rows = SwitchRows("ConvertFPS(99, zone=20)", 98);
  EXPECT_EQ(rows[0], 128);
  EXPECT_EQ(rows[99], 128);
  EXPECT_EQ(rows[50], 255);
}

TEST(TimeFilters, SoundFollowsTheFramesAsInAviSynth) {
  const struct {
    const char* call;
    const char* md5;
  } cases[] = {
      {"Reverse()", "874301da571275cb5b11e0fcd604b698"},
      {"Loop(3, 10, 19)", "8d63b92b605273c0e69bd20e3e04f305"},
      {"Loop(2)", "e8960e0b1c3393f5b561d31d155b757e"},
      {"Loop(3, 90, 120)", "38a9a2b00d13dc1afde2bb543e1245e0"},
      {"Loop(0, 10, 19)", "aa85b476d25d3744476c30551c6a0821"},
      {"SelectRangeEvery(20, 5)", "8b2d26ca549b10e3e4410b1d0bd5ecb9"},
      {"SelectRangeEvery(20, 5, 3)", "dd29e63ce6b5ca77cd6208ba621f90dc"},
      {"SelectRangeEvery()", "507e92ad2b8c973e26c6c5097da0299a"},
      {"Trim(5, end=10)", "584154be6505144d87a6fc3a51f0f01c"},
      {"Trim(5, length=10)", "23a217496c716d949bd61085cbe329a9"},
      {"Trim(-5, length=3)", "dd5f807961a0f73d3cf935858f0cd1d4"},
      {"Trim(200, end=300)", "13f3aa4d7c56b99d3b2b7c1570c53cb0"},
      {"Dissolve(last, last, 10)", "35e2b337a9f922053ea8370d27851e88"},
      {"Dissolve(last, last, 0)", "57eec45e6eb13aafe708d268504b8566"},
      {"Dissolve(last, last, 200)", "fa092155447536d78b3081cfe1f220a8"},
      {"Dissolve(last, last.ConvertAudioTo16bit(), 10)", "2f273b5571276ca9b4ddb014b095ad44"},
      {"FadeIn(10)", "9eaedd1ba21a8f9600694b6ba4442f6b"},
      {"FadeIO2(10)", "9898138a1d7e5628cd3e0fc658075f61"},
      {"ConvertAudioTo16bit().FadeOut(10)", "230bf513ecedceaaf355620209c97ef4"},
      {"AudioTrim(1.0, 2.5)", "92a06f125b319b71981d1f57910bb16f"},
      {"ChangeFPS(25)", "fa092155447536d78b3081cfe1f220a8"},
      {"FreezeFrame(10, 20, 5)", "fa092155447536d78b3081cfe1f220a8"},
  };
  for (const auto& c : cases) EXPECT_EQ(SoundMd5(Eval(kBars + "\n" + c.call)), c.md5) << c.call;

  // Past its loops the sound goes on from the end of the looped frames'
  // time (sample 33633 of frame 21 here), from the first sample after the
  // loops' frames (36836, frame 23).
  const auto bars = Eval(kBars);
  const auto looped = Eval(kBars + ".Loop(3, 20, 10)");
  EXPECT_EQ(FloatSamples(looped, 36836, 4), FloatSamples(bars, 33633, 4));
  EXPECT_EQ(FloatSamples(looped, 33633, 4), FloatSamples(bars, 32032, 4));  // the second round
  EXPECT_EQ(FloatSamples(looped, 36835, 1), FloatSamples(bars, 32032, 1));  // a fourth start
  // Each range of SelectRangeEvery starts at its first frame's sample.
  const auto ranges = Eval(kBars + ".SelectRangeEvery(7, 3, 2)");
  EXPECT_EQ(FloatSamples(ranges, 0, 2), FloatSamples(bars, 3203, 2));
  EXPECT_EQ(FloatSamples(ranges, 4804, 2), FloatSamples(bars, 3203 + 11211, 2));
  EXPECT_EQ(FloatSamples(ranges, 9608, 2), FloatSamples(bars, 3203 + 22422, 2));
}

TEST(TimeFilters, RefusalsInAviSynthsWords) {
  const struct {
    const char* call;
    const char* message;
  } cases[] = {
      {"Trim(5, end=0)", "Trim: End must be >= Start"},
      {"Trim(5, end=-3)", "Trim: End must be >= Start"},
      {"Trim(5, length=-3)", "Trim: Length must be >= 0"},
      {"Trim(5)", "Script error: Invalid arguments to function 'Trim'."},
      {"AudioTrim(1.0, end=0.5)", "AudioTrim: End must be >= Start"},
      {"AudioTrim(1.0, length=-1)", "AudioTrim: Length must be >= 0"},
      {"KillAudio().AudioTrim(0.75, 10)", "AudioTrim: Cannot trim if there is no audio."},
      {"ChangeFPS(\"bogus\")", "ChangeFPS: invalid preset value used. "},
      {"ConvertFPS(\"bogus\")", "ConvertFPS: invalid preset value used. "},
      {"AssumeFPS(\"drop\")", "AssumeFPS: invalid preset value used. "},
      {"AssumeFPS(\"\")", "AssumeFPS: invalid preset value used. "},
      {"ChangeFPS(0.3)", "ChangeFPS: Ratio must be less than 10 for linear access. Set LINEAR=False."},
      {"ChangeFPS(24, 0)", "ChangeFPS: Denominator cannot be 0 (zero)."},
      {"ChangeFPS(0.0)", "ChangeFPS: FPS must be greater then 0. "},
      {"ChangeFPS(-2.5)", "ChangeFPS: FPS must be greater then 0. "},
      {"ConvertFPS(0.0)", "ConvertFPS: FPS must be greater then 0. "},
      {"ConvertFPS(25, 0)", "ConvertFPS: Denominator cannot be 0 (zero)."},
      {"last + last.AssumeFPS(25)", "Splice: Video framerate doesn't match"},
      {"last ++ last.AssumeFPS(29.97)", "Splice: Video framerate doesn't match"},
      {"UnalignedSplice(last, last, last.AssumeFPS(30000, 1002))", "Splice: Video framerate doesn't match"},
      {"AlignedSplice(last.AssumeFPS(1), last.AssumeFPS(1000002, 1000000))", "Splice: Video framerate doesn't match"},
      {"ConvertFPS(25, zone=20)", "ConvertFPS: zone >= 0 requires YUY2 input"},
      {"ConvertFPS(10)", "ConvertFPS: New frame rate too small. Must be greater than 19.9800 Increase or use 'zone='"},
      {"ConvertToYUY2().ConvertFPS(25, zone=600)", "ConvertFPS: 'zone' too large. Maximum allowed 400"},
      {"AssumeScaledFPS(0, 1)", "AssumeScaledFPS: Multiplier must be positive."},
      {"AssumeScaledFPS(1, 0)", "AssumeScaledFPS: Divisor must be positive."},
      {"FadeOut(-1)", "Dissolve: Cannot dissolve if overlap is less than zero"},
      {"Dissolve(last, last, -5)", "Dissolve: Cannot dissolve if overlap is less than zero"},
      {"Dissolve(last, last.ConvertToYV12(), 10)", "Dissolve: video formats don't match"},
      {"Dissolve(last, last.BilinearResize(320, 240), 10)", "Dissolve: frame sizes don't match"},
      {"Dissolve(last, last.KillAudio(), 10)", "Dissolve: one clip has audio and the other doesn't (not allowed)"},
      {"Dissolve(last, last.KillVideo(), 10)", "Dissolve: one clip has video and the other doesn't (not allowed)"},
      {"Dissolve(last, last.AssumeSampleRate(44100), 10)",
       "Dissolve: The audio of the two clips have different samplerates! Use SSRC()/ResampleAudio()"},
      {"Dissolve(last, BlankClip(), 10)", "Dissolve: The number of audio channels doesn't match"},
      {"FadeIn(10, color_yuv=$808080)", "BlankClip: color_yuv only valid for YUV color spaces"},
      {"Null(\"abc\", \"x\", 3)", "Script error: Invalid arguments to function 'Null'."},
      {"Loop(300000000, 0, 99)", "Loop: too many frames (30000000000)."},
      {"UnalignedSplice(last, 3)", "Script error: Invalid arguments to function 'UnalignedSplice'."},
  };
  for (const auto& c : cases) EXPECT_EQ(Message(EvalError(kBars + "\n" + c.call)), c.message) << c.call;
}

}  // namespace
}  // namespace tandemix::test
