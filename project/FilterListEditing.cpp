#include "project/FilterListEditing.h"

#include <utility>

namespace tandemix {

namespace {

bool IsRow(const FilterBlock& block, int row) { return row >= 0 && row < static_cast<int>(block.size()); }

}  // namespace

int AddFilter(FilterBlock& block, const std::optional<std::string>& selectedTemplate, int selectedFilter) {
  if (!selectedTemplate) return selectedFilter;
  block.push_back(*selectedTemplate);
  return static_cast<int>(block.size()) - 1;
}

int DeleteFilter(FilterBlock& block, int selectedFilter) {
  if (!IsRow(block, selectedFilter)) return selectedFilter;
  const int last = static_cast<int>(block.size()) - 1;
  block.erase(block.begin() + selectedFilter);
  return selectedFilter == last ? selectedFilter - 1 : selectedFilter;
}

int MoveFilterUp(FilterBlock& block, int selectedFilter) {
  if (!IsRow(block, selectedFilter) || selectedFilter == 0) return selectedFilter;
  std::swap(block[static_cast<std::size_t>(selectedFilter) - 1], block[static_cast<std::size_t>(selectedFilter)]);
  return selectedFilter - 1;
}

int MoveFilterDown(FilterBlock& block, int selectedFilter) {
  if (!IsRow(block, selectedFilter) || selectedFilter == static_cast<int>(block.size()) - 1) return selectedFilter;
  std::swap(block[static_cast<std::size_t>(selectedFilter)], block[static_cast<std::size_t>(selectedFilter) + 1]);
  return selectedFilter + 1;
}

}  // namespace tandemix
