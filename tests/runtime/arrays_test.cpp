#include <gtest/gtest.h>

#include <string>

#include "runtime/arrays.h"

namespace {

struct Record {
  int32_t number = 0;
  std::string text;
};

TEST(Arrays, DeclaredBoundHoldsBoundPlusOneZeroedElements) {
  Array<int32_t> values;
  ASSERT_NE(ArrayAllocate(100 + 1, values), nullptr);
  EXPECT_EQ(values.count, 101u);
  for (size_t i = 0; i <= 100; ++i) EXPECT_EQ(values[i], 0);
}

TEST(Arrays, MultiDimensionalIsRowMajor) {
  Array<int32_t> grid;
  ASSERT_NE(ArrayAllocateMulti({152, 152}, grid), nullptr);
  EXPECT_EQ(grid.count, 23104u);
  EXPECT_EQ(grid.strides, (std::vector<size_t>{152, 1}));
  EXPECT_EQ(grid.IndexOf({3, 5}), 461u);
  grid.At({3, 5}) = 9;
  EXPECT_EQ(grid[461], 9);

  Array<int32_t> cube;
  ASSERT_NE(ArrayAllocateMulti({2, 3, 4}, cube), nullptr);
  EXPECT_EQ(cube.strides, (std::vector<size_t>{12, 4, 1}));
  EXPECT_EQ(cube.IndexOf({1, 2, 3}), 23u);
}

TEST(Arrays, RedimensioningReleasesOldTextsAndStartsZeroed) {
  Array<Record> records;
  ASSERT_NE(ArrayAllocate(4, records), nullptr);
  records[2].number = 5;
  records[2].text = std::string(1000, 'x');  // heap text: a leak would show under ASan
  ASSERT_NE(ArrayAllocate(4, records), nullptr);
  EXPECT_EQ(records[2].number, 0);
  EXPECT_TRUE(records[2].text.empty());

  ArrayFree(records);
  EXPECT_FALSE(records);
  ArrayFree(records);  // freeing an empty variable does nothing
}

TEST(Arrays, ImpossibleSizesFailAndLeaveTheVariableEmpty) {
  Array<int32_t> values;
  ASSERT_NE(ArrayAllocate(8, values), nullptr);
  EXPECT_EQ(ArrayAllocate(-1, values), nullptr);
  EXPECT_FALSE(values);
  EXPECT_EQ(ArrayAllocateMulti({1LL << 40, 1LL << 40}, values), nullptr);
  EXPECT_FALSE(values);
}

}  // namespace
