#include "project/ProjectState.h"

#include <gtest/gtest.h>

namespace tandemix {
namespace {

TEST(ProjectState, StartValues) {
  ProjectState p;
  EXPECT_EQ(p.currentBlock, 4);
  EXPECT_EQ(BlockOfPanel(p.currentBlock), Block::FilterLeft);
  EXPECT_EQ(BlockOfPanel(3), Block::Convert);
  EXPECT_EQ(BlockOfPanel(6), Block::Convert);
  EXPECT_EQ(BlockOfPanel(9), Block::Output);
  EXPECT_FALSE(p.importStereo || p.convertBefore || p.convertBeforeEnabled);
  EXPECT_EQ(p.fileType, FileType::Avi);
  EXPECT_EQ(static_cast<int>(p.stereoMode), 0);
  EXPECT_EQ(p.outputWidth, 0);
  for (const auto& block : p.blocks) EXPECT_TRUE(block.empty());
  p.Current().push_back("sharpen");
  EXPECT_EQ(p.BlockAt(Block::FilterLeft), FilterBlock{"sharpen"});
}

}  // namespace
}  // namespace tandemix
