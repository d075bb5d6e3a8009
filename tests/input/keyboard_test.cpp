#include <gtest/gtest.h>

#include "fake_input_source.h"
#include "input/key_codes.h"
#include "input/keyboard.h"

namespace {

class KeyboardTest : public ::testing::Test {
 protected:
  WithFakeInputSource fake;
  FakeInputSource& source = fake.source;
  Keyboard keyboard;

  void SetUp() override { ASSERT_NE(keyboard.Init(), 0); }

  // One tick as the game runs it: examine, then the release test of one key.
  int32_t TickReleased(int32_t key) {
    keyboard.Examine();
    return keyboard.KeyReleased(key);
  }
};

TEST(KeyboardInit, FailsWithoutAConnectionAndOpensOnlyOnce) {
  WithFakeInputSource fake;
  Keyboard keyboard;
  fake.source.connected = false;
  EXPECT_EQ(keyboard.Init(), 0);
  EXPECT_EQ(keyboard.Examine(), 0);
  fake.source.connected = true;
  EXPECT_NE(keyboard.Init(), 0);
  EXPECT_NE(keyboard.Init(), 0);
  EXPECT_EQ(fake.source.keyboardOpens, 1);
  keyboard.Shutdown();
  keyboard.Shutdown();
  EXPECT_EQ(fake.source.keyboardCloses, 1);
}

TEST_F(KeyboardTest, HeldKeysAnswer128AndAnyKeyAnswers1) {
  EXPECT_EQ(keyboard.KeyDown(kKeySpace), 0) << "nothing read before the first examine";
  source.Press(kKeySpace);
  source.Press(kKeyLeft);
  ASSERT_EQ(keyboard.Examine(), 1);
  EXPECT_EQ(keyboard.KeyDown(kKeySpace), 128);
  EXPECT_EQ(keyboard.KeyDown(kKeyLeft), 128);
  EXPECT_EQ(keyboard.KeyDown(kKeyRight), 0);
  EXPECT_EQ(keyboard.KeyDown(kAnyKey), 1);
  for (int32_t bad : {256, -2, INT32_MIN, INT32_MAX}) {
    EXPECT_EQ(keyboard.KeyDown(bad), 0) << bad;
    EXPECT_EQ(keyboard.KeyReleased(bad), 0) << bad;
  }
}

TEST_F(KeyboardTest, CodeTwoHundredFiftyFiveIsNotAnyKey) {
  source.Press(255);
  keyboard.Examine();
  EXPECT_EQ(keyboard.KeyDown(255), 128);
  EXPECT_EQ(keyboard.KeyDown(kAnyKey), 0);
  EXPECT_EQ(keyboard.KeyReleased(kAnyKey), 0);
  source.Lift(255);
  keyboard.Examine();
  EXPECT_EQ(keyboard.KeyReleased(kAnyKey), 0) << "255 was never marked by the any-key test";
}

TEST_F(KeyboardTest, AKeyHeldForManyTicksIsReleasedExactlyOnce) {
  source.Press(kKeyC);
  for (int tick = 0; tick < 10; ++tick) EXPECT_EQ(TickReleased(kKeyC), 0);
  source.Lift(kKeyC);
  EXPECT_EQ(TickReleased(kKeyC), 1);
  EXPECT_EQ(TickReleased(kKeyC), 0);
  EXPECT_EQ(TickReleased(kKeyC), 0);
}

TEST_F(KeyboardTest, KeysNeverSeenDownAreNeverReleased) {
  // Down and up again between two examines: sampled, not buffered.
  EXPECT_EQ(TickReleased(kKeyT), 0);
  source.Press(kKeyT);
  source.Lift(kKeyT);
  EXPECT_EQ(TickReleased(kKeyT), 0);

  // Down while nobody asked about it, asked only after it came up.
  source.Press(kKeyT);
  keyboard.Examine();
  source.Lift(kKeyT);
  EXPECT_EQ(TickReleased(kKeyT), 0);
}

TEST_F(KeyboardTest, WithoutFocusEveryAnswerIsZeroAndTheMarksAreKept) {
  source.Press(kKeyLeftShift);
  EXPECT_EQ(TickReleased(kKeyLeftShift), 0);  // marked

  source.focus = false;
  EXPECT_EQ(keyboard.Examine(), 0);
  EXPECT_EQ(keyboard.KeyDown(kKeyLeftShift), 0);
  EXPECT_EQ(keyboard.KeyDown(kAnyKey), 0);
  source.Lift(kKeyLeftShift);  // let go while the window is behind
  EXPECT_EQ(keyboard.KeyReleased(kKeyLeftShift), 0);
  EXPECT_EQ(keyboard.KeyReleased(kAnyKey), 0);
  EXPECT_EQ(keyboard.Examine(), 0);

  source.focus = true;
  EXPECT_EQ(TickReleased(kKeyLeftShift), 1) << "reported at the first examine back in front";
  EXPECT_EQ(TickReleased(kKeyLeftShift), 0);
}

TEST_F(KeyboardTest, AnyKeyReleaseConsumesEveryReleasedKey) {
  source.Press(kKeyW);
  source.Press(kKeySpace);
  source.Press(kKeyEscape);
  keyboard.Examine();
  EXPECT_EQ(keyboard.KeyReleased(kAnyKey), 0);  // marks all three
  source.Lift(kKeyW);
  source.Lift(kKeySpace);
  keyboard.Examine();
  EXPECT_EQ(keyboard.KeyReleased(kAnyKey), 1);
  EXPECT_EQ(keyboard.KeyReleased(kKeyW), 0);
  EXPECT_EQ(keyboard.KeyReleased(kKeySpace), 0);
  EXPECT_EQ(keyboard.KeyReleased(kAnyKey), 0);
  source.Lift(kKeyEscape);
  keyboard.Examine();
  EXPECT_EQ(keyboard.KeyReleased(kKeyEscape), 1) << "still marked, untouched by the earlier call";
}

TEST_F(KeyboardTest, MarksChangeOnlyInsideTheReleaseTest) {
  source.Press(kKeyD);
  keyboard.Examine();
  EXPECT_EQ(keyboard.KeyDown(kKeyD), 128);
  source.Lift(kKeyD);
  keyboard.Examine();
  EXPECT_EQ(keyboard.KeyReleased(kKeyD), 0) << "KeyDown does not mark";
}

}  // namespace
