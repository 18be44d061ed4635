// Helpers every window uses to build its controls at fixed places and to
// show the model's values in them without echoing a change back, plus the
// one wrapper through which a handler reports a failure to the user.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRect>
#include <QScrollBar>
#include <QString>
#include <exception>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/AlignmentSettings.h"
#include "core/EditNumber.h"

namespace tandemix {

// A child widget of `parent` named `name` at `geometry`; `args` go to the
// widget's constructor before the parent.
template <typename W, typename... Args>
W* Make(QWidget* parent, const char* name, const QRect& geometry, Args&&... args) {
  auto* widget = new W(std::forward<Args>(args)..., parent);
  widget->setObjectName(name);
  widget->setGeometry(geometry);
  return widget;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, const QRect& geometry, const char* name = "");
QLineEdit* MakeEdit(QWidget* parent, const char* name, const QRect& geometry, const QString& text = {});
QCheckBox* MakeCheck(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                     const char* hint = "");
QGroupBox* MakeGroup(QWidget* parent, const QString& title, const QRect& geometry, const char* name = "");
// A horizontal scroll bar with a single step of 1.
QScrollBar* MakeBar(QWidget* parent, const char* name, const QRect& geometry, int min, int max, int largeStep,
                    const char* hint);
// Radio buttons side by side in `group`, numbered from 0 in the button group.
QButtonGroup* MakeRadios(QGroupBox* group, const std::vector<const char*>& items);

// Show a value without the control announcing a change.
void SetBar(QScrollBar* bar, const ScrollRange& range);
void SetText(QLineEdit* edit, const std::string& text);
void SetChecked(QCheckBox* box, bool checked);
void SetItem(QButtonGroup* group, int item);

// Lets the arrow keys Up and Down and the mouse wheel step the number in an
// edit box: by 1, by 10 with Shift, by 0.1 with Ctrl in a real-valued box.
// `stepped` receives the number of steps and their size and does the rest.
void MakeStepping(QLineEdit* edit, std::function<void(int steps, StepSize size)> stepped);

// The busy cursor over every window of the program while it lives.
class BusyCursor {
 public:
  BusyCursor();
  ~BusyCursor();
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// Runs a handler's work; a failure it did not check itself goes to `show`
// with the error's own text. Returns false when the work failed.
template <typename Action>
bool RunShowingFailure(Action&& action, const std::function<void(const std::string&)>& show) {
  try {
    std::forward<Action>(action)();
    return true;
  } catch (const std::exception& e) {
    if (show) show(e.what());
    return false;
  }
}

}  // namespace tandemix
