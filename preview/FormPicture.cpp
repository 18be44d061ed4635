#include "preview/FormPicture.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>

#include "core/WindowRules.h"

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
  Image1->setPixmap(QPixmap::fromImage(image));
  Image1->resize(image.size());
  PictureWindowFacts facts;
  facts.placed = placed_;
  facts.current = geometry();
  facts.lastPicture = lastPicture_;
  facts.picture = image.size();
  facts.border = 2 * ScrollBox->frameWidth();
  if (neighbour_ && neighbour_->isVisible()) facts.viewer = neighbour_->frameGeometry();
  facts.screen = QRect(0, 0, 1024, 768);
  if (const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen()) facts.screen = s->availableGeometry();
  // The title bar and borders the window manager adds take room too.
  const QSize decoration = frameGeometry().size() - geometry().size();
  facts.screen.adjust(0, 0, -decoration.width(), -decoration.height());
  const QRect target = PictureWindowGeometry(facts);
  if (target.size() != size()) resize(target.size());
  if (!placed_) move(target.topLeft());
  placed_ = true;
  lastPicture_ = image.size();
  show();
}

}  // namespace tandemix
