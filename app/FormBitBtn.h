// A push button with a small glyph drawn to the right of its caption. The
// caption keeps its trailing blanks, which leave room before the glyph.
#pragma once

#include <QPushButton>

namespace tandemix {

enum class Glyph { Add, Delete, Up, Down };

class TBitBtn : public QPushButton {
  Q_OBJECT

 public:
  TBitBtn(const QString& name, const QString& caption, Glyph glyph, QWidget* parent);

  // Width the caption and glyph need inside the button's frame.
  int NeededWidth() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  static constexpr int kGlyphSize = 11;
  static constexpr int kSpacing = 3;
  static constexpr int kFrame = 3;
  void DrawGlyph(QPainter& painter, const QRect& box) const;
  Glyph glyph_;
};

}  // namespace tandemix
