// runtime/regular_file.h - reading a whole regular file, and never anything else: a named
// pipe, a device, a folder or a socket (or a link to one) is refused at once, never waited
// on and never read. Every file the game reads on its own (sounds, the head-related set,
// the player's settings) comes through here.
// Threads: any thread; no shared state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class FileOpening { kOpen, kMissing, kRefused, kTooLarge };

// One file opened for reading. The name is looked at before it is opened and again
// through the opened descriptor: the first look keeps devices from being opened at all
// (opening some has effects of its own), the second is the one that counts, since the
// name may have been replaced in between.
class RegularFile {
 public:
  RegularFile() = default;
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;
  ~RegularFile();

  // Opens the regular file at `path` (UTF-8, used as written) if it holds at most
  // `limit` bytes. kMissing when nothing has that name; kRefused, with the reason in
  // `refusal`, when it cannot be opened or is not a regular file; kTooLarge when it holds
  // more than `limit` bytes.
  FileOpening Open(const std::string& path, uint64_t limit, std::string& refusal);

  // Its size when it was opened (bytes).
  uint64_t size() const { return size_; }

  // Reads from its start into `into`, up to `capacity` bytes; `filled` is what arrived
  // (less than its size if the file shrank meanwhile). False, with the reason in
  // `refusal`, when a read failed.
  bool Read(void* into, size_t capacity, size_t& filled, std::string& refusal);

 private:
  int fd_ = -1;
  uint64_t size_ = 0;
};

// Reads the regular file at `path` whole into `bytes` (a std::string or a vector of
// bytes; its contents replaced, its capacity reused), as RegularFile::Open says.
template <class Bytes>
FileOpening ReadRegularFile(const std::string& path, uint64_t limit, Bytes& bytes,
                            std::string& refusal) {
  RegularFile file;
  const FileOpening opened = file.Open(path, limit, refusal);
  if (opened != FileOpening::kOpen) return opened;
  bytes.resize(static_cast<size_t>(file.size()));
  size_t filled = 0;
  if (!file.Read(bytes.data(), bytes.size(), filled, refusal)) return FileOpening::kRefused;
  bytes.resize(filled);
  return FileOpening::kOpen;
}
