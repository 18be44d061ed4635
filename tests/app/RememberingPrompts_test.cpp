#include "app/RememberingPrompts.h"

#include <gtest/gtest.h>
#include <QDir>
#include <cstdlib>

#include "tests/app/MainWindowFixture.h"

namespace tandemix {
namespace {

using test::FakePrompts;

// The settings live under XDG_CONFIG_HOME, pointed at a temporary folder.
class Remembering : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    if (old) oldConfig = old;
    hadConfig = old != nullptr;
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    store = std::make_unique<SettingsStore>(SettingsStore::DefaultPath());
  }
  void TearDown() override {
    if (hadConfig)
      setenv("XDG_CONFIG_HOME", oldConfig.c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
  }
  FileDialogRequest Request(FileKind kind, const std::string& folder) {
    FileDialogRequest r;
    r.kind = kind;
    r.initialFolder = folder;
    return r;
  }

  test::TempFolder config, work;
  std::string oldConfig;
  bool hadConfig = false;
  std::unique_ptr<SettingsStore> store;
  FakePrompts inner;
  ProjectState project;
};

TEST_F(Remembering, EachKindOfFileStartsInItsLastFolderAlsoInTheNextRun) {
  EXPECT_EQ(store->Path(), config.Path() + "/tandemix/tandemix.ini");
  RememberingPrompts prompts(inner, project, store.get());
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(work.File("projects"))));
  inner.files = {work.File("projects/a.avp"), std::nullopt, std::nullopt};
  prompts.AskFileName(Request(FileKind::Projects, "/opt/tandemix"));
  prompts.AskFileName(Request(FileKind::Projects, "/opt/tandemix"));
  prompts.AskFileName(Request(FileKind::Templates, "/opt/tandemix"));
  ASSERT_EQ(inner.fileRequests.size(), 3u);
  EXPECT_EQ(inner.fileRequests[0].initialFolder, "/opt/tandemix");
  EXPECT_EQ(inner.fileRequests[1].initialFolder, work.File("projects"));
  EXPECT_EQ(inner.fileRequests[2].initialFolder, "/opt/tandemix") << "templates have their own folder";

  // The next run reads the same file.
  SettingsStore next(SettingsStore::DefaultPath());
  EXPECT_EQ(next.Text(FolderKey(FileKind::Projects)), work.File("projects"));
}

TEST_F(Remembering, AFolderThatIsGoneIsNotOfferedAndUnkindedDialogsAreLeftAlone) {
  store->SetText(FolderKey(FileKind::Clips), work.File("gone"));
  RememberingPrompts prompts(inner, project, store.get());
  inner.files = {std::nullopt, std::nullopt};
  prompts.AskFileName(Request(FileKind::Clips, ""));
  prompts.AskFileName(Request(FileKind::None, "/x"));
  EXPECT_EQ(inner.fileRequests[0].initialFolder, "");
  EXPECT_EQ(inner.fileRequests[1].initialFolder, "/x");
  EXPECT_EQ(store->Text(FolderKey(FileKind::Clips)), work.File("gone")) << "a cancelled dialog remembers nothing";
}

TEST_F(Remembering, TheOutputNameQuestionProposesTheLastNameForTheseClips) {
  RememberingPrompts prompts(inner, project, store.get());
  project.clipAFileName = "/v/left.avi";
  project.clipBFileName = "/v/right.avi";
  inner.outputName = "/v/out/movie.avs";
  prompts.AskOutputName("/v/left.avs");
  prompts.AskOutputName("/v/left.avs");
  project.clipBFileName = "/v/other.avi";
  prompts.AskOutputName("/v/left.avs");
  EXPECT_EQ(inner.outputNameOffers, (std::vector<std::string>{"/v/left.avs", "/v/out/movie.avs", "/v/left.avs"}));
  EXPECT_EQ(store->Text(FolderKey(FileKind::Scripts)), "/v/out");
}

TEST_F(Remembering, WithoutAStoreEverythingPassesThrough) {
  RememberingPrompts prompts(inner, project, nullptr);
  project.clipAFileName = "/v/left.avi";
  inner.files = {std::nullopt};
  inner.outputName = "/v/movie.avs";
  prompts.AskFileName(Request(FileKind::Clips, "/start"));
  prompts.AskOutputName("/v/left.avs");
  prompts.AskOutputName("/v/left.avs");
  EXPECT_EQ(inner.fileRequests[0].initialFolder, "/start");
  EXPECT_EQ(inner.outputNameOffers, (std::vector<std::string>{"/v/left.avs", "/v/left.avs"}));
}

}  // namespace
}  // namespace tandemix
