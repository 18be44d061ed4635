// The About window: a memo naming the program, its version, its makers and
// those they thank, and an OK button that hides the window again.
#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace tandemix {

class TForm_Help_About : public QWidget {
  Q_OBJECT

 public:
  explicit TForm_Help_About(QWidget* parent = nullptr);

  void Button1Click();

 private:
  QPlainTextEdit* Memo_About = nullptr;
  QPushButton* Button1 = nullptr;
};

}  // namespace tandemix
