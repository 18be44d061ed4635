// Text as coverage masks: glyphs through FreeType from the font fontconfig
// finds for a name (its default sans font when no installed font has the
// name), anti-aliased, laid out on the engine's character grid. Every
// character takes one cell of the grid, whatever its own width (a glyph
// wider than its cell is narrowed to fit, a narrower one centred), so the
// text's extent depends on its length and the size alone, as the grid
// of AviSynth's text filters on this platform does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tandemix::engine {

// The grid for a font size: cells of cellWidth x cellHeight pixels; capital
// letters take the rows capTop .. baseline - 1 of a cell. Sizes between the
// grid's steps take the step below; below 12 the smallest, above 32 the
// largest.
struct TextGrid {
  int size = 18;
  int cellWidth = 10, cellHeight = 18;
  int capTop = 3, baseline = 15;
};
TextGrid TextGridFor(int size);

// 8-bit coverage (0 none, 255 full), rows top to bottom.
struct CoverageMask {
  int width = 0, height = 0;
  std::vector<std::uint8_t> cover;

  CoverageMask() = default;
  CoverageMask(int w, int h) : width(w), height(h), cover(static_cast<std::size_t>(w) * h, 0) {}
  std::uint8_t At(int x, int y) const { return cover[static_cast<std::size_t>(y) * width + x]; }
  std::uint8_t& At(int x, int y) { return cover[static_cast<std::size_t>(y) * width + x]; }
};

class TextRasterizer {
 public:
  // `fontFile` (a path) wins over `fontName` when given; throws FilterError
  // "<filter>: file F not found or unknown file format" when FreeType cannot
  // read it. `bold` asks fontconfig for a bold face.
  TextRasterizer(const std::string& filter, const std::string& fontName, const std::string& fontFile, int size,
                 bool bold);
  ~TextRasterizer();
  TextRasterizer(const TextRasterizer&) = delete;
  TextRasterizer& operator=(const TextRasterizer&) = delete;

  const TextGrid& Grid() const;
  // The file of the face in use (for tests and messages).
  const std::string& FontFile() const;

  // Draws one line of characters into `mask` (coverage kept as the maximum)
  // with the first cell's top-left corner at (x, y); `spacing` pixels
  // between cells. Cells outside the mask are cut off. Safe from several
  // threads at once.
  void DrawLine(const std::u32string& text, int spacing, CoverageMask& mask, int x, int y) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The mask grown by one pixel all round (the 3x3 maximum), the same size.
CoverageMask Dilate(const CoverageMask& mask);

// Text bytes as code points: UTF-8 (a byte that does not fit becomes
// U+FFFD), or one code point a byte (Latin-1).
std::u32string DecodeUtf8(std::string_view text);
std::u32string DecodeLatin1(std::string_view text);

}  // namespace tandemix::engine
