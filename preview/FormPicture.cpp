#include "preview/FormPicture.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>

namespace tandemix {

TForm_Picture::TForm_Picture(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Form_Picture");
  setWindowTitle("Selected frame");
  resize(400, 300);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  ScrollBox = new QScrollArea(this);
  ScrollBox->setObjectName("ScrollBox");
  ScrollBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Image1 = new QLabel;
  Image1->setObjectName("Image1");
  Image1->setCursor(Qt::CrossCursor);
  ScrollBox->setWidget(Image1);
  layout->addWidget(ScrollBox);
}

void TForm_Picture::ShowPicture(const Bitmap& picture) {
  const FrameBGR& f = picture.Frame();
  QImage image;
  if (!f.Empty())
    image =
        QImage(f.pixels.data(), f.width, f.height, static_cast<qsizetype>(f.Stride()), QImage::Format_BGR888).copy();
  const bool sizeChanged = image.size() != Image1->size();
  Image1->setPixmap(QPixmap::fromImage(image));
  Image1->resize(image.size());
  if (!isVisible() || sizeChanged) {
    // As large as the picture, within the screen; larger pictures scroll.
    QSize available(1024, 768);
    if (const QScreen* s = QGuiApplication::primaryScreen()) available = s->availableSize();
    const int frame = 2 * ScrollBox->frameWidth();
    resize(std::min(image.width() + frame, available.width() - 40),
           std::min(image.height() + frame, available.height() - 80));
  }
  show();
}

}  // namespace tandemix
