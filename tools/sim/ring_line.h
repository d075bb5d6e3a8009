// tools/sim/ring_line.h - the headphones' ring of filters as the game hears through it, as
// one JSON line, for the players that listen with headphones on.
// Threads: any; reads the set like the game does (audio/hrtf_ring.h).
#pragma once

#include <cstdint>
#include <string>

// {"rate":44100,"length":256,"spacing":15,"left":[[...],...],"right":[[...],...],
// "delayLeft":[...],"delayRight":[...]}: the ring read from the game's set (QUELMIRE_HRTF,
// else the system's) for `rate` frames per second, equalised as the game plays it. Empty,
// with the reason in `why`, when the set cannot be read.
std::string RingLine(int32_t rate, std::string& why);
