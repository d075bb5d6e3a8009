#include <gtest/gtest.h>

#include <vector>

#include "runtime/object_table.h"

namespace {

struct Thing {
  int32_t handle = 0;  // nonzero once the owner has made it live
  int32_t payload = 0;
  bool IsLive() const { return handle != 0; }
};

class ObjectTableTest : public ::testing::Test {
 protected:
  ObjectTable<Thing> table{16, [this](int32_t number) { Release(number); }};
  std::vector<int32_t> released;

  void Release(int32_t number) {
    released.push_back(number);
    table.ObjectFree(number);
  }

  int32_t MakeLive(int32_t number) {
    int32_t assigned = 0;
    Thing* thing = table.ObjectAllocate(number, assigned);
    EXPECT_NE(thing, nullptr);
    thing->handle = 1;
    return assigned;
  }
};

TEST_F(ObjectTableTest, NumberBeyondCapacityGrowsByTheStep) {
  MakeLive(20);
  EXPECT_EQ(table.capacity(), 36);
  for (int32_t n = 16; n < 36; ++n) {
    EXPECT_EQ(table.ObjectGet(n) != nullptr, n == 20) << n;
  }
}

TEST_F(ObjectTableTest, ReallocatingANumberReleasesTheOldObjectAndReusesItsMemory) {
  MakeLive(3);
  Thing* first = table.ObjectGet(3);
  first->payload = 77;
  int32_t assigned = 0;
  Thing* again = table.ObjectAllocate(3, assigned);
  EXPECT_EQ(released, std::vector<int32_t>{3});
  EXPECT_EQ(again, first);
  EXPECT_EQ(again->payload, 0);
  EXPECT_EQ(assigned, 3);
}

TEST_F(ObjectTableTest, FreedAndUnfilledObjectsAreAbsent) {
  int32_t assigned = 0;
  table.ObjectAllocate(5, assigned);
  EXPECT_EQ(table.ObjectGet(5), nullptr);  // allocated but not yet live
  MakeLive(5);
  table.ObjectFree(5);
  EXPECT_EQ(table.ObjectGet(5), nullptr);
  EXPECT_EQ(table.ObjectFind(123456789), nullptr);
  EXPECT_EQ(table.ObjectGet(123456789), nullptr);
  EXPECT_EQ(table.ObjectFind(-7), nullptr);
}

TEST_F(ObjectTableTest, DynamicNumbersNeverMeetNumberedSlotsAndAreNeverReused) {
  int32_t a = MakeLive(kNewObject);
  int32_t b = MakeLive(kNewObject);
  EXPECT_GE(a, kFirstDynamicNumber);
  EXPECT_GT(b, a);
  table.ObjectFree(a);
  EXPECT_EQ(table.ObjectFind(a), nullptr);
  int32_t c = MakeLive(kNewObject);
  EXPECT_NE(c, a);
  EXPECT_NE(table.ObjectFind(b), nullptr);
  int32_t ignored = 0;
  EXPECT_EQ(table.ObjectAllocate(kFirstDynamicNumber, ignored), nullptr);
  EXPECT_EQ(table.ObjectAllocate(-2, ignored), nullptr);
}

TEST_F(ObjectTableTest, FreeAllReleasesNumberedAscendingThenDynamicOldestFirst) {
  int32_t d1 = MakeLive(kNewObject);
  MakeLive(9);
  int32_t d2 = MakeLive(kNewObject);
  MakeLive(2);
  int32_t d3 = MakeLive(kNewObject);
  table.ObjectFree(d2);
  EXPECT_EQ(table.LiveNumbers(), (std::vector<int32_t>{2, 9, d1, d3}));
  table.ObjectFreeAll();
  EXPECT_EQ(released, (std::vector<int32_t>{2, 9, d1, d3}));
  EXPECT_TRUE(table.LiveNumbers().empty());
}

TEST(ObjectTableWithoutRelease, FreeAllDoesNothing) {
  ObjectTable<Thing> table{4, nullptr};
  int32_t assigned = 0;
  table.ObjectAllocate(1, assigned)->handle = 1;
  table.ObjectFreeAll();
  EXPECT_NE(table.ObjectGet(1), nullptr);
}

}  // namespace
