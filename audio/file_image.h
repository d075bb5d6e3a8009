// audio/file_image.h - a whole sound file read into one block of memory.
// The loader reads every file completely before it looks at a byte; the block lives
// for one load.
// Threads: any thread; no shared state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using FileImage = std::vector<uint8_t>;

// Largest file the loader reads (bytes). Far beyond any sound the game plays; it only
// keeps a wrong path (a disk image, a device) from taking all memory.
inline constexpr uint64_t kMaxFileImageBytes = uint64_t{1} << 30;

// Reads the regular file at `path` (UTF-8, used as written) into `image`, replacing
// its contents; the vector's capacity is reused, so a caller that loads many files can
// keep one buffer. On failure returns false and says why in `refusal`. Anything else -
// a named pipe, a device, a folder, a socket, or a link to one - is refused at once,
// never waited on and never read; so is a file larger than kMaxFileImageBytes.
bool ReadFileImage(const std::string& path, FileImage& image, std::string& refusal);
