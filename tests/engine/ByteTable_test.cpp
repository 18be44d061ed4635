// A row through a byte table, plain and with AVX-512 byte permutes, against
// the formula table[src[x]]: every index, row lengths around the vector
// width, rows that start off alignment and rows mapped in place.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "base/VectorKernels.h"
#include "engine/kernels/ByteTable.h"

namespace tandemix::test {
namespace {

class ByteTableLookUp : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { EnableVectorKernels(GetParam()); }
  void TearDown() override { EnableVectorKernels(true); }
};

TEST_P(ByteTableLookUp, GivesTheTableEntryOfEverySample) {
  std::mt19937 random(7);
  engine::ByteTable table;
  for (auto& entry : table) entry = static_cast<std::uint8_t>(random());
  std::vector<std::uint8_t> src(600);
  for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<std::uint8_t>(i < 256 ? i : random());
  for (int offset : {0, 1, 5}) {
    for (int count : {0, 1, 7, 8, 63, 64, 65, 127, 128, 129, 256, 511, 590}) {
      std::vector<std::uint8_t> dst(src.size(), 0xA5);
      engine::LookUpBytes(src.data() + offset, dst.data() + offset, count, table);
      for (int x = 0; x < static_cast<int>(dst.size()); ++x) {
        const bool inside = x >= offset && x < offset + count;
        ASSERT_EQ(dst[static_cast<std::size_t>(x)], inside ? table[src[static_cast<std::size_t>(x)]] : 0xA5)
            << "offset " << offset << ", count " << count << ", x " << x;
      }
      std::vector<std::uint8_t> row(src);
      engine::LookUpBytes(row.data() + offset, row.data() + offset, count, table);
      for (int x = offset; x < offset + count; ++x)
        ASSERT_EQ(row[static_cast<std::size_t>(x)], table[src[static_cast<std::size_t>(x)]]) << "in place, x " << x;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, ByteTableLookUp, ::testing::Bool(),
                         [](const auto& p) { return p.param ? "Vector" : "Plain"; });

}  // namespace
}  // namespace tandemix::test
