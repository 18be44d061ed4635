// Editing the current block through the applied-filter list: Add, Delete,
// Up and Down. Each operation changes the block and returns the row of the
// list to select afterwards (-1: none), so the list box mirrors the block.
#pragma once

#include <optional>
#include <string>

#include "project/ProjectState.h"

namespace tandemix {

// Appends the selected template (nothing without one) and selects it.
int AddFilter(FilterBlock& block, const std::optional<std::string>& selectedTemplate, int selectedFilter);

// Deletes the selected row and selects the row that followed it, or the new
// last row when the last was deleted.
int DeleteFilter(FilterBlock& block, int selectedFilter);

// Swap the selected row with the one above / below and follow it. On the
// first (last) row, or with nothing selected, nothing changes.
int MoveFilterUp(FilterBlock& block, int selectedFilter);
int MoveFilterDown(FilterBlock& block, int selectedFilter);

}  // namespace tandemix
