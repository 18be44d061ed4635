// An in-memory picture of 24 bits a pixel (blue, green, red), rows from top
// to bottom, loadable from and savable to .bmp files. It is the captured
// frames and the composed preview; the pixels live in a FrameBGR.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "base/Frame.h"

namespace tandemix {

class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(int width, int height) { SetSize(width, height); }
  explicit Bitmap(FrameBGR frame) : frame_(std::move(frame)) {}

  int Width() const { return frame_.width; }
  int Height() const { return frame_.height; }
  bool Empty() const { return frame_.Empty(); }

  // Gives the bitmap width × height pixels. Same size: the pixels stay.
  // Another size: every pixel becomes black. Negative sizes count as 0.
  void SetSize(int width, int height);

  // Scan line `row` (0 is the top): Width() pixels of three bytes.
  std::uint8_t* ScanLine(int row) { return frame_.Row(row); }
  const std::uint8_t* ScanLine(int row) const { return frame_.Row(row); }

  const FrameBGR& Frame() const { return frame_; }

  // Reads any picture file Qt reads, at any depth (8-bit palette pictures
  // included), converted to 24 bits. Throws "Cannot open file <path>"; the
  // bitmap is unchanged then.
  void LoadFromFile(const std::string& path);
  // Writes a 24-bit .bmp file. Throws "Cannot create file <path>".
  void SaveToFile(const std::string& path) const;

 private:
  FrameBGR frame_;
};

}  // namespace tandemix
