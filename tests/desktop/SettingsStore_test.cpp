#include "desktop/SettingsStore.h"

#include <gtest/gtest.h>

#include "tests/support/TestFiles.h"

namespace tandemix {
namespace {

TEST(SettingsStore, TheFileLiesUnderTheXdgConfigFolder) {
  EXPECT_EQ(SettingsStore::PathFor("/x/cfg", "/home/ann"), "/x/cfg/tandemix/tandemix.ini");
  EXPECT_EQ(SettingsStore::PathFor("", "/home/ann"), "/home/ann/.config/tandemix/tandemix.ini");
  // A relative XDG_CONFIG_HOME is not a config folder.
  EXPECT_EQ(SettingsStore::PathFor("cfg", "/home/ann"), "/home/ann/.config/tandemix/tandemix.ini");
}

TEST(SettingsStore, WhatIsWrittenIsReadBackByTheNextStore) {
  test::TempFolder config;
  const std::string path = SettingsStore::PathFor(config.Path(), "/nonexistent");
  {
    SettingsStore store(path);
    store.SetText("folders/clips", "/home/ann/films d\xc3\xa9j\xc3\xa0 vus");
    store.SetBytes("windows/Form_Main/geometry", QByteArray("\x01\x00\xff", 3));
    store.Sync();
  }
  EXPECT_TRUE(test::FileExists(path));
  SettingsStore next(path);
  EXPECT_EQ(next.Text("folders/clips"), "/home/ann/films d\xc3\xa9j\xc3\xa0 vus");
  EXPECT_EQ(next.Bytes("windows/Form_Main/geometry"), QByteArray("\x01\x00\xff", 3));
  EXPECT_EQ(next.Text("folders/none"), "");
}

}  // namespace
}  // namespace tandemix
