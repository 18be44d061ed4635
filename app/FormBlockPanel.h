// A bevelled panel of the block scheme: a caption centred on a raised
// bevel, filled with the palette's highlight colour while lit and with the
// button colour otherwise. A mouse press on it is reported with the button.
#pragma once

#include <QWidget>

namespace tandemix {

class TBlockPanel : public QWidget {
  Q_OBJECT

 public:
  TBlockPanel(const QString& name, const QString& caption, int bevelWidth, QWidget* parent);

  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  bool Lit() const { return lit_; }
  void SetLit(bool lit);
  int BevelWidth() const { return bevelWidth_; }
  // Width the caption needs: its text and the bevel on both sides.
  int NeededWidth() const;

 signals:
  void MouseDown(Qt::MouseButton button);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QString caption_;
  int bevelWidth_;
  bool lit_ = false;
};

}  // namespace tandemix
