#include "project/FilterListEditing.h"

#include <gtest/gtest.h>

namespace tandemix {
namespace {

TEST(FilterListEditingTest, AddAppendsTheSelectedTemplateAndSelectsIt) {
  FilterBlock block;
  EXPECT_EQ(AddFilter(block, std::nullopt, -1), -1);
  EXPECT_TRUE(block.empty());
  EXPECT_EQ(AddFilter(block, "Crop", -1), 0);
  EXPECT_EQ(AddFilter(block, "Crop", 0), 1);
  EXPECT_EQ(block, (FilterBlock{"Crop", "Crop"}));
  // Deleting the second of two equal entries leaves the first, selected.
  EXPECT_EQ(DeleteFilter(block, 1), 0);
  EXPECT_EQ(block, FilterBlock{"Crop"});
}

TEST(FilterListEditingTest, DeleteSelectsTheFollowerOrTheNewLast) {
  FilterBlock block{"A", "B", "C"};
  EXPECT_EQ(DeleteFilter(block, 2), 1);
  EXPECT_EQ(block, (FilterBlock{"A", "B"}));
  block = {"A", "B", "C"};
  EXPECT_EQ(DeleteFilter(block, 0), 0);
  EXPECT_EQ(block, (FilterBlock{"B", "C"}));
  block = {"A", "B", "C"};
  EXPECT_EQ(DeleteFilter(block, 1), 1);
  EXPECT_EQ(block, (FilterBlock{"A", "C"}));
  block = {"Only"};
  EXPECT_EQ(DeleteFilter(block, 0), -1);
  EXPECT_TRUE(block.empty());
  EXPECT_EQ(DeleteFilter(block, -1), -1);
  EXPECT_EQ(DeleteFilter(block, 5), 5) << "no such row: nothing happens";
}

TEST(FilterListEditingTest, UpAndDownStopAtTheEndsAndUndoEachOther) {
  FilterBlock block{"A", "B", "C"};
  EXPECT_EQ(MoveFilterUp(block, 0), 0);
  EXPECT_EQ(MoveFilterDown(block, 2), 2);
  EXPECT_EQ(MoveFilterUp(block, -1), -1);
  EXPECT_EQ(MoveFilterDown(block, -1), -1);
  EXPECT_EQ(block, (FilterBlock{"A", "B", "C"}));
  EXPECT_EQ(MoveFilterUp(block, 2), 1);
  EXPECT_EQ(block, (FilterBlock{"A", "C", "B"}));
  EXPECT_EQ(MoveFilterDown(block, 1), 2);
  EXPECT_EQ(block, (FilterBlock{"A", "B", "C"}));
  EXPECT_EQ(MoveFilterDown(block, 0), 1);
  EXPECT_EQ(block, (FilterBlock{"B", "A", "C"}));
}

}  // namespace
}  // namespace tandemix
