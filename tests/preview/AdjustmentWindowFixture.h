// The adjustment window as tests drive it: the real window with counting
// hooks.
#pragma once

#include <gtest/gtest.h>
#include <QLocale>
#include <QTest>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "preview/FormPreview.h"

namespace tandemix {

// The real window with counting hooks: a compose reads the four boxes as
// the compositor does; a regeneration honours the hold-off as the generator
// does.
class AdjustmentWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    QLocale::setDefault(QLocale::c());
    PreviewWindowHooks hooks;
    hooks.composePreview = [this] {
      settings.ScaleLeftFactor();
      settings.ScaleRightFactor();
      settings.AngleLeft();
      settings.AngleRight();
      ++composed;
    };
    hooks.regenerate = [this] {
      if (settings.regenerateHoldoff != 0) return;
      ++regenerated;
      settings.regenerateHoldoff = 5;
    };
    hooks.showSliderDialog = [this] { ++sliderDialogs; };
    hooks.askSavePicture = [this]() -> std::optional<std::string> { return savePath; };
    hooks.savePreviewImage = [this](const std::string& p) { saved.push_back(p); };
    hooks.showError = [this](const std::string& e) { errors.push_back(e); };
    window = std::make_unique<TForm_Preview>(settings, hooks);
    window->Timer2->stop();  // ticks are driven by hand
  }

  void Drag(QScrollBar* bar, std::initializer_list<int> positions) {
    bar->setSliderDown(true);
    for (int p : positions) bar->setSliderPosition(p);
    bar->setSliderDown(false);
  }
  void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClicks(edit, text);
  }
  void Enter(QLineEdit* edit, const QString& text) {
    Type(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
  }

  AlignmentSettings settings;
  std::unique_ptr<TForm_Preview> window;
  int composed = 0, regenerated = 0, sliderDialogs = 0;
  std::optional<std::string> savePath;
  std::vector<std::string> saved, errors;
};

}  // namespace tandemix
