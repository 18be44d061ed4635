// The clip viewer that plays the output script. For now a window with its
// caption that shows itself when the generator opens a script; playback
// comes with the player.
#pragma once

#include <QWidget>

#include "script/ScriptGenerator.h"

namespace tandemix {

class TForm_Movie : public QWidget, public ScriptViewer {
  Q_OBJECT

 public:
  explicit TForm_Movie(QWidget* parent = nullptr);

  void ViewerOpen(const std::string& script, int width, int height, std::int64_t startMs) override;
};

}  // namespace tandemix
