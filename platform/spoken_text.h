// platform/spoken_text.h - what a voice says for each message box the game shows. The
// box itself keeps its exact text; this is the form a listener can follow.
// Threads: any thread; no shared state.
#pragma once

#include <string>
#include <string_view>

// The spoken form of a box's text, or "" for a box that is not spoken:
//  - "Coords" boxes: "75,12.5000009537" -> "75, 12.5" (see SpokenCoordinates);
//  - the sound-device error: "" (with no audio device open no voice can be heard; the
//    box and standard error carry it);
//  - every other box: its text as it reads.
std::string SpokenBoxText(std::string_view caption, std::string_view text);

// Two numbers "x,y" as "x, y": a comma and a space, so that a voice pauses between
// them, and each number rounded to at most two decimals with trailing zeros dropped
// ("-0.9900000095,149.9600067139" -> "-0.99, 149.96"; "0,0" -> "0, 0"; a value that
// rounds to zero is "0", never "-0"). Text that is not two plain numbers is returned
// unchanged.
std::string SpokenCoordinates(std::string_view text);
