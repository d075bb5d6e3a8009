#include "audio/memory_source.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

size_t MemorySourceRead(void* destination, size_t size, size_t count, void* source) {
  auto* memory = static_cast<MemorySource*>(source);
  // libvorbisfile takes a result of 0 while errno is set as a read error rather than
  // the end of the data; errno may still hold an earlier call's failure.
  errno = 0;
  if (!destination || size == 0 || count == 0 || memory->position >= memory->size) return 0;
  uint64_t remaining = static_cast<uint64_t>(memory->size - memory->position);
  size_t elements = static_cast<size_t>(std::min<uint64_t>(count, remaining / size));
  size_t bytes = elements * size;
  std::memcpy(destination, memory->data + memory->position, bytes);
  memory->position += static_cast<int64_t>(bytes);
  return elements;
}

int MemorySourceSeek(void* source, int64_t offset, int origin) {
  auto* memory = static_cast<MemorySource*>(source);
  int64_t base;
  switch (origin) {
    case SEEK_SET:
      base = 0;
      break;
    case SEEK_CUR:
      base = memory->position;
      break;
    case SEEK_END:
      base = memory->size;
      break;
    default:
      return -1;
  }
  int64_t target;
  if (__builtin_add_overflow(base, offset, &target) || target < 0) return -1;
  memory->position = target;
  return 0;
}

int MemorySourceClose(void* source) {
  static_cast<MemorySource*>(source)->position = 0;
  return 0;
}

long MemorySourceTell(void* source) {
  return static_cast<long>(static_cast<MemorySource*>(source)->position);
}
