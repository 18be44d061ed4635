#include "engine/kernels/TextRaster.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <mutex>

#include "engine/frames/ScriptError.h"

namespace tandemix::engine {
namespace {

// The grid's steps: size, cell width and height, top of capitals, baseline.
constexpr std::array<TextGrid, 9> kGrids = {{
    {12, 6, 12, 2, 10},
    {14, 8, 14, 2, 12},
    {16, 8, 16, 2, 12},
    {18, 10, 18, 3, 15},
    {20, 10, 20, 3, 16},
    {22, 11, 22, 3, 17},
    {24, 12, 24, 4, 19},
    {28, 14, 28, 4, 22},
    {32, 16, 32, 6, 26},
}};

std::mutex& FontconfigMutex() {
  static std::mutex mutex;
  return mutex;
}

// The file of the best installed match for a family name; fontconfig's
// default sans font when nothing has the name.
std::string MatchFont(const std::string& family, bool bold) {
  std::lock_guard<std::mutex> lock(FontconfigMutex());
  static FcConfig* config = FcInitLoadConfigAndFonts();
  std::string file;
  for (const std::string& name : {family, std::string("sans-serif")}) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    if (match) {
      FcChar8* path = nullptr;
      if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path)
        file = reinterpret_cast<const char*>(path);
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    if (!file.empty()) break;
  }
  return file;
}

struct Glyph {
  int left = 0, top = 0;  // of the bitmap within its cell
  CoverageMask bitmap;
};

}  // namespace

TextGrid TextGridFor(int size) {
  TextGrid grid = kGrids.front();
  for (const TextGrid& g : kGrids)
    if (g.size <= size) grid = g;
  return grid;
}

struct TextRasterizer::Impl {
  TextGrid grid;
  std::string file;
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  mutable std::mutex mutex;  // the face and the cache
  mutable std::map<char32_t, Glyph> cache;

  ~Impl() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }

  // The glyph of a character, made on first use: FreeType at the size whose
  // capitals fill the grid's capital rows, narrowed when its advance is
  // wider than a cell, its advance box centred in the cell.
  const Glyph& GlyphOf(char32_t c) const {
    auto found = cache.find(c);
    if (found != cache.end()) return found->second;
    Glyph& g = cache[c];
    const FT_UInt index = FT_Get_Char_Index(face, c);
    FT_Set_Transform(face, nullptr, nullptr);
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0) return g;
    // A glyph keeps a column of the cell free, as the grid's own do.
    const FT_Pos cell = static_cast<FT_Pos>(grid.cellWidth - 1) * 64;
    FT_Pos advance = face->glyph->advance.x;
    if (advance > cell) {
      FT_Matrix narrow{static_cast<FT_Fixed>(0x10000 * static_cast<double>(cell) / advance), 0, 0, 0x10000};
      FT_Set_Transform(face, &narrow, nullptr);
      if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_HINTING) != 0) return g;
      FT_Set_Transform(face, nullptr, nullptr);
      advance = std::min(face->glyph->advance.x, cell);
    }
    if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) return g;
    const FT_Bitmap& b = face->glyph->bitmap;
    g.bitmap = CoverageMask(static_cast<int>(b.width), static_cast<int>(b.rows));
    for (unsigned y = 0; y < b.rows; ++y)
      for (unsigned x = 0; x < b.width; ++x)
        g.bitmap.At(static_cast<int>(x), static_cast<int>(y)) = b.buffer[static_cast<long>(y) * b.pitch + x];
    // Half a pixel to the left: ink of an odd width sits on the cell's
    // left-hand middle, as the grid's own glyphs do.
    const FT_Pos pen = (cell - advance) / 2 - 32;
    g.left = static_cast<int>(std::lround(pen / 64.0)) + face->glyph->bitmap_left;
    g.top = grid.baseline - face->glyph->bitmap_top;
    return g;
  }
};

TextRasterizer::TextRasterizer(const std::string& filter, const std::string& fontName, const std::string& fontFile,
                               int size, bool bold)
    : impl_(std::make_unique<Impl>()) {
  impl_->grid = TextGridFor(size);
  impl_->file = fontFile.empty() ? MatchFont(fontName, bold) : fontFile;
  if (FT_Init_FreeType(&impl_->library) != 0) throw FilterError(filter + ": the font library could not start");
  // Only a regular file is read: a device or a pipe could block.
  std::error_code error;
  const bool readable = !impl_->file.empty() && std::filesystem::is_regular_file(impl_->file, error);
  if (!readable || FT_New_Face(impl_->library, impl_->file.c_str(), 0, &impl_->face) != 0) {
    if (!fontFile.empty()) throw FilterError(filter + ": file " + fontFile + " not found or unknown file format");
    throw FilterError(filter + ": no font is installed for text (" + fontName + ")");
  }
  FT_Face face = impl_->face;
  FT_Select_Charmap(face, FT_ENCODING_UNICODE);
  // The size at which a capital H is as tall as the grid's capitals.
  double capUnits = 0.7 * face->units_per_EM;
  if (FT_Load_Char(face, 'H', FT_LOAD_NO_SCALE) == 0 && face->glyph->metrics.height > 0)
    capUnits = static_cast<double>(face->glyph->metrics.height);
  const int capRows = impl_->grid.baseline - impl_->grid.capTop;
  const double pixels = capRows * static_cast<double>(face->units_per_EM) / capUnits;
  if (FT_IS_SCALABLE(face))
    FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(pixels * 64)), 72, 72);
  else if (face->num_fixed_sizes > 0)
    FT_Select_Size(face, 0);
}

TextRasterizer::~TextRasterizer() = default;

const TextGrid& TextRasterizer::Grid() const { return impl_->grid; }
const std::string& TextRasterizer::FontFile() const { return impl_->file; }

void TextRasterizer::DrawLine(const std::u32string& text, int spacing, CoverageMask& mask, int x, int y) const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  const int step = impl_->grid.cellWidth + spacing;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int cellX = x + static_cast<int>(i) * step;
    if (cellX >= mask.width) break;
    if (cellX + impl_->grid.cellWidth + 2 * impl_->grid.cellWidth < 0) continue;
    const Glyph& g = impl_->GlyphOf(text[i]);
    for (int gy = 0; gy < g.bitmap.height; ++gy) {
      const int my = y + g.top + gy;
      if (my < 0 || my >= mask.height) continue;
      for (int gx = 0; gx < g.bitmap.width; ++gx) {
        const int mx = cellX + g.left + gx;
        if (mx < 0 || mx >= mask.width) continue;
        std::uint8_t& m = mask.At(mx, my);
        m = std::max(m, g.bitmap.At(gx, gy));
      }
    }
  }
}

CoverageMask Dilate(const CoverageMask& mask) {
  CoverageMask across(mask.width, mask.height), out(mask.width, mask.height);
  for (int y = 0; y < mask.height; ++y)
    for (int x = 0; x < mask.width; ++x) {
      std::uint8_t m = mask.At(x, y);
      if (x > 0) m = std::max(m, mask.At(x - 1, y));
      if (x + 1 < mask.width) m = std::max(m, mask.At(x + 1, y));
      across.At(x, y) = m;
    }
  for (int y = 0; y < mask.height; ++y)
    for (int x = 0; x < mask.width; ++x) {
      std::uint8_t m = across.At(x, y);
      if (y > 0) m = std::max(m, across.At(x, y - 1));
      if (y + 1 < mask.height) m = std::max(m, across.At(x, y + 1));
      out.At(x, y) = m;
    }
  return out;
}

std::u32string DecodeUtf8(std::string_view text) {
  std::u32string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
    char32_t c = extra == 0 ? lead : extra == 1 ? lead & 0x1f : extra == 2 ? lead & 0x0f : lead & 0x07;
    bool ok = extra >= 0 && i + static_cast<std::size_t>(extra) < text.size();
    for (int k = 1; ok && k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      if ((next & 0xc0) != 0x80) ok = false;
      c = (c << 6) | (next & 0x3f);
    }
    if (!ok || c > 0x10ffff) {
      out.push_back(0xfffd);
      ++i;
      continue;
    }
    out.push_back(c);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

std::u32string DecodeLatin1(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (char c : text) out.push_back(static_cast<unsigned char>(c));
  return out;
}

}  // namespace tandemix::engine
