// audio/memory_source.h - a file image in memory, read by libvorbisfile through its
// four callbacks as if it were a seekable file.
// Threads: one source belongs to one decoder instance, used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>

struct MemorySource {
  const uint8_t* data = nullptr;  // first byte of the image; not owned
  int64_t position = 0;  // offset of the next byte to read, 0 .. any (past size reads nothing)
  int64_t size = 0;      // bytes in the image
};

// Copies up to size x count bytes (whole elements only) from the position on and
// moves it past them. Returns the elements copied; 0 at or past the end. Clears
// errno, which the library reads to tell the end of the data from a failed read.
size_t MemorySourceRead(void* destination, size_t size, size_t count, void* source);

// Moves the position: origin 0 from the start, 1 from the position, 2 from the end.
// A position past the end is allowed (it reads as the end). Returns 0, or -1 and
// leaves the position alone when the result would be below 0, would overflow, or
// the origin is unknown.
int MemorySourceSeek(void* source, int64_t offset, int origin);

// The library's close: rewinds to 0. The image belongs to the loader, never freed here.
int MemorySourceClose(void* source);

// The position.
long MemorySourceTell(void* source);
