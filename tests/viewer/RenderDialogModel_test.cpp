// The render dialog's rules without its window: the file name offered, the
// quality box read as a whole number, remembered choices, one render at a
// time, the progress bar's share.
#include "viewer/RenderDialogModel.h"

#include <gtest/gtest.h>

#include "base/Errors.h"
#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

TEST(RenderDialogModel, OffersAMovieBesideTheScriptInTheLastContainer) {
  test::TempFolder folder;
  SettingsStore settings(folder.File("s.ini"));
  RenderDialogModel model(&settings);
  model.Prepare("/films/trip.avs");
  EXPECT_EQ(model.fileName, "/films/trip.mp4");
  model.Prepare("/films.v2/trip");  // no extension: the dot of the folder is kept
  EXPECT_EQ(model.fileName, "/films.v2/trip.mp4");
  model.fileName = "/elsewhere/old.MKV";
  model.videoIndex = 3;
  model.qualityText = "";
  model.audioIndex = 4;
  model.Remember();

  RenderDialogModel next(&settings);
  next.Prepare("/films/trip.avs");
  EXPECT_EQ(next.fileName, "/films/trip.mkv");
  EXPECT_EQ(next.videoIndex, 3);
  EXPECT_EQ(next.qualityText, "");  // the codec's default stays chosen
  EXPECT_EQ(next.audioIndex, 4);
  EXPECT_EQ(next.Settings().video, render::VideoCodec::FFV1);
  EXPECT_EQ(next.Settings().audio, render::AudioCodec::None);

  // Unknown remembered names fall back to the first entries.
  settings.SetText("render/video", "mpeg1");
  settings.SetText("render/audio", "");
  RenderDialogModel fallback(&settings);
  fallback.Prepare("/films/trip.avs");
  EXPECT_EQ(fallback.videoIndex, 0);
  EXPECT_EQ(fallback.audioIndex, 0);
}

TEST(RenderDialogModel, QualityIsAWholeNumberInTheCodecsRange) {
  RenderDialogModel model(nullptr);
  model.Prepare("/films/trip.avs");
  EXPECT_EQ(model.Settings().crf, 18);
  const auto errorOf = [&](const std::string& quality) {
    model.qualityText = quality;
    try {
      model.Settings();
    } catch (const TandemixError& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  EXPECT_EQ(errorOf("0"), "");
  EXPECT_EQ(errorOf("18.5"), "'18.5' is not a valid integer value");
  EXPECT_EQ(errorOf("99999999999999999999"), "'99999999999999999999' is not a valid integer value");
  EXPECT_EQ(errorOf("-3"), "The quality (CRF) -3 is out of range for H.264: 0 to 51");
  EXPECT_EQ(errorOf("52"), "The quality (CRF) 52 is out of range for H.264: 0 to 51");
  model.qualityText = "20";
  model.fileName = "";
  EXPECT_EQ(errorOf("20"), "Give the movie a file name (.mkv, .mp4, .mov or .avi)");
}

TEST(RenderDialogModel, OneRenderAtATimeAndItsShareDone) {
  RenderDialogModel model(nullptr);
  EXPECT_TRUE(model.Begin());
  EXPECT_FALSE(model.Begin());
  model.End();
  EXPECT_TRUE(model.Begin());
  EXPECT_EQ(RenderDialogModel::PerMille(0, 250), 0);
  EXPECT_EQ(RenderDialogModel::PerMille(1, 3), 333);
  EXPECT_EQ(RenderDialogModel::PerMille(250, 250), 1000);
  EXPECT_EQ(RenderDialogModel::PerMille(5, 0), 0);
  EXPECT_EQ(RenderDialogModel::PerMille(2000000000, 2100000000), 952);  // no overflow
  EXPECT_EQ(RenderDialogModel::ProgressLine(100, 250, 4.0, ""),
            "Rendering frame 100 of 250, 25.0 fps, 0:04 elapsed, 0:06 left");
}

}  // namespace
}  // namespace tandemix
