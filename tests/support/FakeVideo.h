// A VideoServices stand-in that measures files from a table, and records
// what was asked of it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/VideoServices.h"

namespace tandemix::test {

class FakeVideoServices : public VideoServices {
 public:
  // Files not in the table measure 0, 0, 0, 1 with an error.
  void Set(const std::string& path, int width, int height, int frames = 0, double rate = 25.0,
           PixelType type = PixelType::RGB24) {
    VideoInfo info;
    info.pixelType = type;
    info.width = width;
    info.height = height;
    info.frameCount = frames;
    info.rate = rate;
    table_[path] = info;
  }
  VideoInfo ReadVideoInfo(const std::string& path) override {
    measured.push_back(path);
    auto it = table_.find(path);
    if (it != table_.end()) return it->second;
    VideoInfo failed;
    failed.error = "cannot open " + path;
    return failed;
  }
  FrameBGR DecodeFrame(const std::string& path, int) override { throw TandemixError("no frames in the fake: " + path); }

  std::vector<std::string> measured;

 private:
  std::map<std::string, VideoInfo> table_;
};

}  // namespace tandemix::test
