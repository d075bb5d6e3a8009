// runtime/runtime.h - the runtime core as the layers above call it.
// Owns: the random generator, the thread list and per-thread blocks, number text,
//       arrays, numbered object tables, reading a whole regular file (and nothing
//       else: runtime/regular_file.h). The clock and thread-start seams a host fills
//       are the start-up headers runtime/clock_seam.h and runtime/thread_seam.h.
// Threads: every operation may be called from any thread; each header says what
//          it keeps exclusive.
// Depends on: the C++ standard library and the system's file calls. Nothing of ours.
#pragma once

#include "runtime/arrays.h"
#include "runtime/number_text.h"
#include "runtime/object_table.h"
#include "runtime/random.h"
#include "runtime/regular_file.h"
#include "runtime/threads.h"
