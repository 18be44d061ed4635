// Test entry point of the programs that test code without windows: a core
// application (no widgets, no display) for the Qt services some code uses.
#include <gtest/gtest.h>
#include <QCoreApplication>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  QCoreApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
