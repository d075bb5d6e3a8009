// What a voice says for each box: the coordinates in a form a listener can follow, the
// start-up errors as they read, the sound-device error not at all.
#include "platform/spoken_text.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/number_text.h"

namespace {

// The box text as the game makes it for a position.
std::string CoordinatesBoxText(float x, float y) {
  return FloatToString(x) + "," + FloatToString(y);
}

TEST(SpokenCoordinates, PositionsKeepTheirBoxTextAndAreSpokenRoundedWithAPause) {
  struct Case {
    float x, y;
    const char* box;
    const char* spoken;
  };
  const Case cases[] = {
      {75.0f, 12.5f, "75,12.5", "75, 12.5"},
      {75.0f, 12.500001f, "75,12.5000009537", "75, 12.5"},
      {-0.99f, 149.96f, "-0.9900000095,149.9600067139", "-0.99, 149.96"},
      {0.0f, 0.0f, "0,0", "0, 0"},
      {-0.0f, 150.0f, "0,150", "0, 150"},
  };
  for (const Case& c : cases) {
    std::string box = CoordinatesBoxText(c.x, c.y);
    EXPECT_EQ(box, c.box);
    EXPECT_EQ(SpokenBoxText("Coords", box), c.spoken) << box;
  }
}

TEST(SpokenCoordinates, RoundingCarriesAndNeverLeavesANegativeZero) {
  EXPECT_EQ(SpokenCoordinates("0.999,10.9951"), "1, 11");
  EXPECT_EQ(SpokenCoordinates("-0.004,0.0049"), "0, 0");
  EXPECT_EQ(SpokenCoordinates("-0.005000001,2.10"), "-0.01, 2.1");
  EXPECT_EQ(SpokenCoordinates("100.000,20"), "100, 20");  // zeros of the whole part stay
  EXPECT_EQ(SpokenCoordinates("149.9600067139,-12.3"), "149.96, -12.3");
}

TEST(SpokenCoordinates, TextThatIsNotTwoNumbersIsSpokenAsItReads) {
  for (const char* text :
       {"X: 75 Y: 75", "75", "75,", ",12", "75,12,3", "+Infinity,NaN", "1e5,2", " 75,12", ""}) {
    EXPECT_EQ(SpokenCoordinates(text), text);
  }
}

TEST(SpokenBoxText, StartUpErrorsReadAsShownAndTheSoundDeviceErrorIsNotSpoken) {
  EXPECT_EQ(SpokenBoxText("ERROR", "Error initializing Keyboard."), "Error initializing Keyboard.");
  EXPECT_EQ(SpokenBoxText("ERROR", "Error initializing Sprites."), "Error initializing Sprites.");
  EXPECT_EQ(SpokenBoxText("ERROR", "Error initializing Sound Library"), "");
  // Only the coordinates box is rounded; other boxes' numbers read as written.
  EXPECT_EQ(SpokenBoxText("ERROR", "75,12.5000009537"), "75,12.5000009537");
}

}  // namespace
