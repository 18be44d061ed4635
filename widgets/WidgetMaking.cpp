#include "widgets/WidgetMaking.h"

#include <QRadioButton>
#include <QSignalBlocker>

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
