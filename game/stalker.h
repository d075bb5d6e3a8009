// game/stalker.h - the stalker thread's pass, for whoever drives the stalker pass by pass
// instead of through RunStalker (tests).
// Threads: the thread acting as the stalker; one at a time.
#pragma once

// One pass of the stalker thread: aggressiveness, appearance, static layers, vanishing,
// movement burst and the pass's own wait. False when the end sequence asked the thread
// to stop during one of its waits.
bool StalkerPass();
