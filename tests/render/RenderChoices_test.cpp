// The decisions of rendering: names, containers and what they hold, the
// layout a script shows, how a picture is made fit, and the progress line.
#include <gtest/gtest.h>

#include "render/RenderChoices.h"

namespace tandemix::render {
namespace {

TEST(RenderChoices, NamesReadBackInAnyCaseAndUnknownOnesAreRefused) {
  for (VideoCodec v : {VideoCodec::H264, VideoCodec::H265, VideoCodec::AV1, VideoCodec::FFV1})
    EXPECT_EQ(ParseVideoCodec(NameOf(v)), v);
  for (AudioCodec a : {AudioCodec::AAC, AudioCodec::Opus, AudioCodec::FLAC, AudioCodec::PCM, AudioCodec::None})
    EXPECT_EQ(ParseAudioCodec(NameOf(a)), a);
  EXPECT_EQ(ParseVideoCodec("H264"), VideoCodec::H264);
  EXPECT_EQ(ParseLayout("SBS-Half"), ViewLayout::SideBySideHalf);
  EXPECT_EQ(ParseLayout("ou-half"), ViewLayout::OverUnderHalf);
  for (ViewLayout l : {ViewLayout::None, ViewLayout::SideBySideCross, ViewLayout::OverUnderCross, ViewLayout::Mono})
    EXPECT_EQ(ParseLayout(NameOf(l)), l);
  EXPECT_FALSE(ParseLayout("auto"));  // a choice, not a layout
  EXPECT_TRUE(IsAutoLayout("Auto"));
  EXPECT_FALSE(IsAutoLayout("none"));
  for (const char* bad : {"", "x264", "h26", "h264 ", "mp3"}) {
    EXPECT_FALSE(ParseVideoCodec(bad)) << bad;
    EXPECT_FALSE(ParseAudioCodec(bad)) << bad;
    EXPECT_FALSE(ParseLayout(bad)) << bad;
  }
}

TEST(RenderChoices, ContainerComesFromTheExtension) {
  EXPECT_EQ(ContainerOfPath("/a/movie.mkv"), Container::MKV);
  EXPECT_EQ(ContainerOfPath("/a/MOVIE.MP4"), Container::MP4);
  EXPECT_EQ(ContainerOfPath("clip.v2.mov"), Container::MOV);
  EXPECT_EQ(ContainerOfPath("/a/b.c/movie.avi"), Container::AVI);
  EXPECT_FALSE(ContainerOfPath("/a/movie.webm"));
  EXPECT_FALSE(ContainerOfPath("/a.mkv/movie"));  // the dot of a folder
  EXPECT_FALSE(ContainerOfPath("/a/mkv"));
  EXPECT_FALSE(ContainerOfPath(""));
}

TEST(RenderChoices, SettingsAreCheckedAgainstTheContainerAndTheCodec) {
  const auto check = [](const std::string& path, auto change) {
    RenderSettings s;
    change(s);
    return CheckSettings(path, s).Why();
  };
  const auto same = [](RenderSettings&) {};
  EXPECT_EQ(check("m.mp4", same), "");  // H.264 and AAC everywhere
  EXPECT_EQ(check("m.avi", same), "");
  EXPECT_EQ(check("m.mkv", [](RenderSettings& s) { s.video = VideoCodec::AV1, s.audio = AudioCodec::Opus; }), "");
  EXPECT_EQ(check("m.mov", [](RenderSettings& s) { s.video = VideoCodec::AV1; }),
            "AV1 video cannot be stored in a .mov file; use .mkv, .mp4 or .avi");
  EXPECT_EQ(check("m.avi", [](RenderSettings& s) { s.audio = AudioCodec::Opus; }),
            "Opus sound cannot be stored in a .avi file; use .mkv or .mp4");
  EXPECT_EQ(check("m.mp4", [](RenderSettings& s) { s.audio = AudioCodec::PCM; }),
            "PCM (uncompressed) sound cannot be stored in a .mp4 file; use .mkv, .mov or .avi");
  EXPECT_EQ(check("m.mp4", [](RenderSettings& s) { s.audio = AudioCodec::None; }), "");
  EXPECT_EQ(check("m", same), "The file name m has no movie extension: use .mkv, .mp4, .mov or .avi");

  EXPECT_EQ(check("m.mkv", [](RenderSettings& s) { s.crf = 0; }), "");
  EXPECT_EQ(check("m.mkv", [](RenderSettings& s) { s.crf = 51; }), "");
  EXPECT_EQ(check("m.mkv", [](RenderSettings& s) { s.video = VideoCodec::AV1, s.crf = 63; }), "");
  EXPECT_EQ(check("m.mkv", [](RenderSettings& s) { s.video = VideoCodec::AV1, s.crf = 64; }),
            "The quality (CRF) 64 is out of range for AV1: 0 to 63");
  EXPECT_EQ(check("m.mkv", [](RenderSettings& s) { s.video = VideoCodec::FFV1, s.crf = 10; }),
            "FFV1 is lossless and takes no quality (--crf)");
  EXPECT_EQ(check("m.mkv", [](RenderSettings& s) { s.preset = "slower"; }), "");
  EXPECT_EQ(check("m.mkv", [](RenderSettings& s) { s.video = VideoCodec::AV1, s.preset = "medium"; }),
            "Unknown preset 'medium' for AV1: use a speed from 0 (slowest) to 8 (fastest)");
  EXPECT_EQ(check("m.mkv", [](RenderSettings& s) { s.video = VideoCodec::AV1, s.preset = "4"; }), "");
  EXPECT_EQ(check("m.mkv", [](RenderSettings& s) { s.video = VideoCodec::FFV1, s.preset = "fast"; }),
            "FFV1 takes no preset");
  EXPECT_EQ(check("m.mkv", [](RenderSettings& s) { s.audioBitrateK = 513; }),
            "The sound bit rate 513 kb/s is out of range: 6 to 512");
  EXPECT_EQ(check("m.mkv", [](RenderSettings& s) { s.audio = AudioCodec::FLAC, s.audioBitrateK = 0; }), "");
  EXPECT_EQ(check("m.mkv", [](RenderSettings& s) { s.start = -1; }), "The start frame -1 is negative");
  EXPECT_EQ(DefaultCrf(VideoCodec::H264), 18);
  EXPECT_EQ(DefaultPreset(VideoCodec::H264), "medium");
}

TEST(RenderChoices, MatroskaStereoModes) {
  EXPECT_STREQ(MatroskaStereoMode(ViewLayout::SideBySideHalf), "left_right");
  EXPECT_STREQ(MatroskaStereoMode(ViewLayout::SideBySideCross), "right_left");
  EXPECT_STREQ(MatroskaStereoMode(ViewLayout::Rows), "row_interleaved_lr");
  EXPECT_STREQ(MatroskaStereoMode(ViewLayout::OverUnderCross), "bottom_top");
  EXPECT_STREQ(MatroskaStereoMode(ViewLayout::None), "");
}

TEST(RenderChoices, PicturesAreMadeFitForTheCodec) {
  const auto plan = [](int w, int h, PixelType t, VideoCodec c, bool keep) {
    const FramePlan p = PlanFrames(w, h, t, c, keep);
    return std::to_string(p.width) + "x" + std::to_string(p.height) + " +" + std::to_string(p.padRight) + "+" +
           std::to_string(p.padBottom) + " " + std::to_string(static_cast<int>(p.pixels));
  };
  // 0 = 4:2:0, 1 = 4:2:2, 2 = 4:4:4, 3 = grey, 4 = RGB
  EXPECT_EQ(plan(1920, 1080, PixelType::YV12, VideoCodec::H264, false), "1920x1080 +0+0 0");
  EXPECT_EQ(plan(1920, 1080, PixelType::RGB32, VideoCodec::H265, false), "1920x1080 +0+0 0");
  EXPECT_EQ(plan(1919, 1080, PixelType::YV24, VideoCodec::H264, false), "1920x1080 +1+0 0");
  EXPECT_EQ(plan(1920, 1079, PixelType::RGB24, VideoCodec::AV1, false), "1920x1080 +0+1 0");
  EXPECT_EQ(plan(1, 1, PixelType::Y8, VideoCodec::H264, false), "2x2 +1+1 0");
  EXPECT_EQ(plan(1919, 1079, PixelType::YV24, VideoCodec::H264, true), "1919x1079 +0+0 2");
  EXPECT_EQ(plan(64, 48, PixelType::YV24, VideoCodec::H264, true), "64x48 +0+0 0");  // even: 4:2:0 still
  EXPECT_EQ(plan(63, 47, PixelType::RGB24, VideoCodec::FFV1, false), "63x47 +0+0 4");
  EXPECT_EQ(plan(64, 48, PixelType::YUY2, VideoCodec::FFV1, false), "64x48 +0+0 1");
  EXPECT_EQ(plan(64, 48, PixelType::Y8, VideoCodec::FFV1, false), "64x48 +0+0 3");
  EXPECT_EQ(PlanFrames(64, 48, PixelType::YV12, VideoCodec::H264, false).note, "");
  EXPECT_EQ(PlanFrames(1919, 1080, PixelType::YV24, VideoCodec::H264, false).note,
            "the picture is 1919x1080: one black column on the right added for 4:2:0 (--keep-size keeps the size "
            "in 4:4:4)");
  EXPECT_EQ(PlanFrames(64, 47, PixelType::YV24, VideoCodec::H264, true).note,
            "the picture is 64x47, an odd size: encoded as 4:4:4, which fewer players take");
}

TEST(RenderChoices, ProgressSaysFramesSpeedAndTimeLeft) {
  EXPECT_EQ(ProgressText(0, 250, 0.0), "frame 0 of 250, 0:00 elapsed, time left unknown");
  EXPECT_EQ(ProgressText(100, 250, 4.0), "frame 100 of 250, 25.0 fps, 0:04 elapsed, 0:06 left");
  EXPECT_EQ(ProgressText(250, 250, 10.2, "note"), "frame 250 of 250, 24.5 fps, 0:10 elapsed, 0:00 left · note");
  EXPECT_DOUBLE_EQ(SecondsLeft(1, 100001, 0.5), 50000.0);
  EXPECT_EQ(SecondsLeft(0, 10, 3.0), -1.0);
  EXPECT_EQ(ClockText(59.4), "0:59");
  EXPECT_EQ(ClockText(754), "12:34");
  EXPECT_EQ(ClockText(3723), "1:02:03");
  EXPECT_EQ(ClockText(-5), "0:00");
}

}  // namespace
}  // namespace tandemix::render
