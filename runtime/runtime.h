// runtime/runtime.h - the runtime core: everything the layers above build on.
// Owns: the random generator, the thread list and per-thread blocks, number text,
//       arrays, numbered object tables, and the clock and thread-start seams.
// Threads: every operation may be called from any thread; each header says what
//          it keeps exclusive.
// Depends on: the C++ standard library only. Nothing of ours.
#pragma once

#include "runtime/arrays.h"
#include "runtime/clock_seam.h"
#include "runtime/number_text.h"
#include "runtime/object_table.h"
#include "runtime/random.h"
#include "runtime/thread_seam.h"
#include "runtime/threads.h"
