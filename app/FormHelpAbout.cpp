#include "app/FormHelpAbout.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tandemix {

TForm_Help_About::TForm_Help_About(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Form_Help_About");
  setWindowTitle("Tandemix");
  resize(324, 297);

  auto* panel = new QFrame(this);
  panel->setObjectName("Panel1");
  panel->setFrameShape(QFrame::StyledPanel);
  Memo_About = new QPlainTextEdit(panel);
  Memo_About->setObjectName("Memo_About");
  Memo_About->setReadOnly(true);
  // Long lines wrap at the memo's width: nothing is cut off.
  Memo_About->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Memo_About->setPlainText(
      "                    Tandemix\n"
      "\n"
      "                      V " TANDEMIX_VERSION
      "\n"
      "\n"
      "\n"
      "The Tandemix developers\n"
      "\n"
      "\n"
      "Authors would like to thank the following experts for their \n"
      "invaluable help:\n"
      "\n"
      "the colour vision researchers, for the \"optimised colour anaglyph\" algorithm;\n"
      "the stereo photography community, for instructions on \"shade-corrected & no-ghosting colour anaglyphs\".");
  auto* panelLayout = new QVBoxLayout(panel);
  panelLayout->setContentsMargins(2, 2, 2, 2);
  panelLayout->addWidget(Memo_About);

  Button1 = new QPushButton("OK", this);
  Button1->setObjectName("Button1");
  connect(Button1, &QPushButton::clicked, this, &TForm_Help_About::Button1Click);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Button1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(panel, 1);
  layout->addLayout(buttons);
}

void TForm_Help_About::Button1Click() { hide(); }

}  // namespace tandemix
