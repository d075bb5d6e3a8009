// runtime/regular_file.h - reading a whole regular file, and never anything else: a named
// pipe, a device, a folder or a socket (or a link to one) is refused at once, never waited
// on and never read. Every file the game reads on its own (sounds, the head-related set,
// the player's settings) comes through here.
// Threads: any thread; no shared state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class FileOpening { kOpen, kMissing, kRefused, kTooLarge };

// Reads the regular file at `path` (UTF-8, used as written) whole into `bytes`, its
// contents replaced and its capacity reused, if it holds at most `limit` bytes. kMissing
// when nothing has that name; kRefused, with the reason in `refusal`, when it cannot be
// opened or read or is not a regular file; kTooLarge when it holds more than `limit`
// bytes. The name is looked at before it is opened and again through the opened
// descriptor: the first look keeps devices from being opened at all (opening some has
// effects of its own), the second is the one that counts, since the name may have been
// replaced in between. A file that shrinks while it is read gives what arrived.
FileOpening ReadRegularFile(const std::string& path, uint64_t limit, std::string& bytes,
                            std::string& refusal);
FileOpening ReadRegularFile(const std::string& path, uint64_t limit, std::vector<uint8_t>& bytes,
                            std::string& refusal);
