#include "widgets/WidgetMaking.h"

#include <QApplication>
#include <QKeyEvent>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QWheelEvent>

namespace tandemix {

QLabel* MakeLabel(QWidget* parent, const QString& text, const QRect& geometry, const char* name) {
  auto* label = Make<QLabel>(parent, name, geometry, text);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QRect& geometry, const QString& text) {
  return Make<QLineEdit>(parent, name, geometry, text);
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const QString& text, const QRect& geometry, const char* hint) {
  auto* box = Make<QCheckBox>(parent, name, geometry, text);
  if (*hint) box->setToolTip(hint);
  return box;
}

QGroupBox* MakeGroup(QWidget* parent, const QString& title, const QRect& geometry, const char* name) {
  return Make<QGroupBox>(parent, name, geometry, title);
}

QScrollBar* MakeBar(QWidget* parent, const char* name, const QRect& geometry, int min, int max, int largeStep,
                    const char* hint) {
  auto* bar = Make<QScrollBar>(parent, name, geometry, Qt::Horizontal);
  bar->setRange(min, max);
  bar->setSingleStep(1);
  bar->setPageStep(largeStep);
  bar->setToolTip(hint);
  return bar;
}

QButtonGroup* MakeRadios(QGroupBox* group, const std::vector<const char*>& items) {
  auto* buttons = new QButtonGroup(group);
  const int width = (group->width() - 16) / static_cast<int>(items.size());
  for (int i = 0; i < static_cast<int>(items.size()); ++i) {
    auto* radio = new QRadioButton(items[i], group);
    radio->setGeometry(8 + i * width, 20, width - 4, 20);
    buttons->addButton(radio, i);
  }
  return buttons;
}

namespace {

class StepFilter : public QObject {
 public:
  StepFilter(QLineEdit* edit, std::function<void(int, StepSize)> stepped)
      : QObject(edit), stepped_(std::move(stepped)) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() != Qt::Key_Up && key->key() != Qt::Key_Down) return false;
      stepped_(key->key() == Qt::Key_Up ? 1 : -1, SizeFor(key->modifiers()));
      return true;
    }
    if (event->type() == QEvent::Wheel) {
      auto* wheel = static_cast<QWheelEvent*>(event);
      // Whole notches of 120; a touchpad's small deltas add up.
      pending_ += wheel->angleDelta().y() != 0 ? wheel->angleDelta().y() : wheel->angleDelta().x();
      const int steps = pending_ / 120;
      pending_ -= steps * 120;
      if (steps != 0) stepped_(steps, SizeFor(wheel->modifiers()));
      return true;
    }
    return false;
  }

 private:
  static StepSize SizeFor(Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::ShiftModifier) return StepSize::Coarse;
    if (modifiers & Qt::ControlModifier) return StepSize::Fine;
    return StepSize::Normal;
  }
  std::function<void(int, StepSize)> stepped_;
  int pending_ = 0;
};

}  // namespace

void MakeStepping(QLineEdit* edit, std::function<void(int steps, StepSize size)> stepped) {
  edit->installEventFilter(new StepFilter(edit, std::move(stepped)));
}

BusyCursor::BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
BusyCursor::~BusyCursor() { QApplication::restoreOverrideCursor(); }

void SetBar(QScrollBar* bar, const ScrollRange& range) {
  const QSignalBlocker block(bar);
  bar->setRange(range.minimum, range.maximum);
  bar->setValue(range.position);
}

void SetText(QLineEdit* edit, const std::string& text) {
  const QString q = QString::fromStdString(text);
  if (edit->text() != q) edit->setText(q);
}

void SetChecked(QCheckBox* box, bool checked) {
  const QSignalBlocker block(box);
  box->setChecked(checked);
}

void SetItem(QButtonGroup* group, int item) {
  for (QAbstractButton* b : group->buttons()) {
    const QSignalBlocker block(b);
    b->setChecked(group->id(b) == item);
  }
}

}  // namespace tandemix
