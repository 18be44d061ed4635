// A main window built on fakes: dialogs answered from a queue, a desktop
// shell that records what it was asked, measured clips from a table. Every
// dialog the window opens is recorded, so tests check titles and filters.
#pragma once

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <deque>
#include <memory>

#include "app/FormBlockPanel.h"
#include "app/FormMain.h"
#include "core/AlignmentSettings.h"
#include "tests/support/FakeVideo.h"
#include "tests/support/TestFiles.h"

namespace tandemix::test {

struct Shown {
  std::string caption;
  std::string text;
};

class FakePrompts : public MainPrompts {
 public:
  // Answers for the next file dialogs, in order; nullopt cancels. A dialog
  // with no answer queued fails the test and cancels.
  std::deque<std::optional<std::string>> files;
  std::deque<bool> yesNo;
  std::optional<std::string> outputName;  // answer to the generator's question

  std::vector<FileDialogRequest> fileRequests;
  std::vector<Shown> questions;
  std::vector<Shown> messages;
  std::vector<std::string> errors;
  std::vector<std::string> outputNameOffers;

  std::optional<std::string> AskFileName(const FileDialogRequest& request) override {
    fileRequests.push_back(request);
    if (files.empty()) {
      ADD_FAILURE() << "unexpected file dialog: " << request.title;
      return std::nullopt;
    }
    auto answer = files.front();
    files.pop_front();
    return answer;
  }
  bool AskYesNo(const std::string& caption, const std::string& text) override {
    questions.push_back({caption, text});
    if (yesNo.empty()) {
      ADD_FAILURE() << "unexpected question: " << text;
      return false;
    }
    const bool answer = yesNo.front();
    yesNo.pop_front();
    return answer;
  }
  void ShowMessage(const std::string& caption, const std::string& text) override {
    messages.push_back({caption, text});
  }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  std::optional<std::string> AskOutputName(const std::string& current) override {
    outputNameOffers.push_back(current);
    return outputName;
  }
};

class FakeShell : public Shell {
 public:
  std::string docs;
  int registrations = 0;
  std::vector<std::string> editorStarts;
  std::vector<std::string> opened;
  std::vector<std::string> urls;
  bool hasEditor = true;

  std::string AviSynthDocsFolder() override { return docs; }
  void RegisterTemplateFileType() override { ++registrations; }
  bool StartTextEditor(const std::string& file) override {
    if (hasEditor) editorStarts.push_back(file);
    return hasEditor;
  }
  void OpenDocument(const std::string& path) override { opened.push_back(path); }
  void OpenUrl(const std::string& url) override { urls.push_back(url); }
};

class FakeScriptViewer : public ScriptViewer {
 public:
  std::vector<std::string> openedScripts;
  void ViewerOpen(const std::string& script, int, int, std::int64_t) override { openedScripts.push_back(script); }
};

class MainWindowTest : public ::testing::Test {
 protected:
  TempFolder folder;  // the program folder
  ProjectState project;
  AlignmentSettings alignment;
  ViewerState viewer;
  FakeVideoServices video;
  FakePrompts prompts;
  FakeShell shell;
  FakeScriptViewer scriptViewer;
  ScriptGenerator generator{project, alignment, viewer, video, prompts, scriptViewer};
  std::unique_ptr<TForm_Main> window;
  SettingsStore* settings = nullptr;  // set before Open() to remember recent projects
  std::function<bool()> renderRunning;
  std::function<void()> cancelRender;

  void Open() {
    MainWindowContext context{project, viewer, video, generator, prompts, shell, folder.Path()};
    context.alignment = &alignment;
    context.settings = settings;
    context.renderRunning = renderRunning;
    context.cancelRender = cancelRender;
    window = std::make_unique<TForm_Main>(context);
    window->show();
  }

  template <typename T>
  T* Find(const char* name) const {
    T* widget = window->findChild<T*>(name);
    if (!widget) ADD_FAILURE() << "no control " << name;
    return widget;
  }
  QAbstractButton* Button(const char* name) const { return Find<QAbstractButton>(name); }
  QLabel* Label(const char* name) const { return Find<QLabel>(name); }
  QListWidget* Filters() const { return Find<QListWidget>("ListBox_Filters"); }
  QListWidget* TemplatesList() const { return Find<QListWidget>("ListBox_Templates"); }
  TBlockPanel* Panel(int n) const { return Find<TBlockPanel>(("Panel" + std::to_string(n)).c_str()); }

  void Click(const char* name) const { QTest::mouseClick(Button(name), Qt::LeftButton); }
  // Check boxes are clicked near their indicator, at the left edge.
  void ClickBox(const char* name) const {
    QAbstractButton* box = Button(name);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
  }
  void PressPanel(int n, Qt::MouseButton button = Qt::LeftButton) const {
    QTest::mousePress(Panel(n), button, {}, QPoint(20, 20));
  }
  void Trigger(const char* action) const { window->findChild<QAction*>(action)->trigger(); }

  std::vector<std::string> Items(const QListWidget* list) const {
    std::vector<std::string> items;
    for (int i = 0; i < list->count(); ++i) items.push_back(list->item(i)->text().toStdString());
    return items;
  }
  int SelectedRow(const QListWidget* list) const {
    const auto selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
  }
  // The number of the lit panel, 0 when none is.
  int LitPanel() const {
    int lit = 0;
    for (int n : kBlockPanels) {
      if (Panel(n)->Lit()) {
        EXPECT_EQ(lit, 0) << "two panels lit";
        lit = n;
      }
    }
    return lit;
  }
  void SelectTemplate(const std::string& name) const {
    const auto found = TemplatesList()->findItems(QString::fromStdString(name), Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty()) << name;
    QTest::mouseClick(TemplatesList()->viewport(), Qt::LeftButton, {},
                      TemplatesList()->visualItemRect(found.first()).center());
  }
  void WriteTemplate(const std::string& name, const std::string& text = "") const {
    WriteBytes(folder.File(name + ".avt"), text);
  }
};

}  // namespace tandemix::test
