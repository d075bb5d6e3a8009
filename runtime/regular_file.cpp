#include "runtime/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <io.h>

#include "runtime/utf8_path.h"
#endif

namespace {

// The system calls of a read, per system.
#ifdef _WIN32
using FileInfo = struct _stat64;  // 64-bit sizes: plain stat holds 32 bits there
int InfoOfPath(const std::string& path, FileInfo& info) {
  return _wstat64(PathFromUtf8(path).c_str(), &info);
}
// Windows names files in wide characters: the UTF-8 name is converted at the call.
// Binary mode, or the C library would translate line ends; not inherited by children.
// Opening a pipe or a device there never waits for a writer.
int OpenForReading(const std::string& path) {
  return _wopen(PathFromUtf8(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}
int InfoOf(int fd, FileInfo& info) {
  return _fstat64(fd, &info);
}
bool ClearNonBlocking(int) {
  return true;
}
#else
using FileInfo = struct stat;
int InfoOfPath(const std::string& path, FileInfo& info) {
  return stat(path.c_str(), &info);
}
// Non-blocking, so that a named pipe without a writer cannot hold the open for ever;
// never the controlling terminal, should a terminal be named.
int OpenForReading(const std::string& path) {
  return open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
}
int InfoOf(int fd, FileInfo& info) {
  return fstat(fd, &info);
}
// A regular file is read in the ordinary blocking way once it is known to be one.
bool ClearNonBlocking(int fd) {
  int flags = fcntl(fd, F_GETFL);
  return flags != -1 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}
#endif

// What a name that is not a regular file names, for the refusal.
const char* KindOf(const FileInfo& info) {
  if (S_ISDIR(info.st_mode)) return "a folder, not a regular file";
  if (S_ISCHR(info.st_mode)) return "a character device, not a regular file";
  if (S_ISFIFO(info.st_mode)) return "a named pipe, not a regular file";
#ifndef _WIN32
  if (S_ISBLK(info.st_mode)) return "a block device, not a regular file";
  if (S_ISSOCK(info.st_mode)) return "a socket, not a regular file";
#endif
  return "not a regular file";
}

// kOpen for a regular file within `limit`; otherwise what it is, and why in `refusal`.
FileOpening Readable(const FileInfo& info, uint64_t limit, std::string& refusal) {
  if (!S_ISREG(info.st_mode)) {
    refusal = KindOf(info);
    return FileOpening::kRefused;
  }
  return static_cast<uint64_t>(info.st_size) > limit ? FileOpening::kTooLarge : FileOpening::kOpen;
}

// No file by that name: nothing there, or a part of the path that is a file, not a folder.
bool NoSuchFile() {
  return errno == ENOENT || errno == ENOTDIR;
}

std::string SystemError(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

// The descriptor, closed when the read ends, whichever way it ends.
struct FileDescriptor {
  int fd = -1;
  ~FileDescriptor() {
    if (fd >= 0) close(fd);
  }
};

// Opens the file at `path` into `file` as ReadRegularFile says; its size in `size`.
FileOpening Open(const std::string& path, uint64_t limit, FileDescriptor& file, uint64_t& size,
                 std::string& refusal) {
  FileInfo info{};
  if (InfoOfPath(path, info) != 0) {
    const bool missing = NoSuchFile();
    refusal = SystemError("cannot open");
    return missing ? FileOpening::kMissing : FileOpening::kRefused;
  }
  if (FileOpening kind = Readable(info, limit, refusal); kind != FileOpening::kOpen) return kind;
  file.fd = OpenForReading(path);
  if (file.fd < 0) {
    const bool missing = NoSuchFile();  // removed since it was looked at
    refusal = SystemError("cannot open");
    return missing ? FileOpening::kMissing : FileOpening::kRefused;
  }
  if (InfoOf(file.fd, info) != 0) {
    refusal = SystemError("cannot examine");
    return FileOpening::kRefused;
  }
  if (FileOpening kind = Readable(info, limit, refusal); kind != FileOpening::kOpen) return kind;
  if (!ClearNonBlocking(file.fd)) {
    refusal = SystemError("cannot read");
    return FileOpening::kRefused;
  }
  size = static_cast<uint64_t>(info.st_size);
  return FileOpening::kOpen;
}

template <class Bytes>
FileOpening ReadWhole(const std::string& path, uint64_t limit, Bytes& bytes, std::string& refusal) {
  FileDescriptor file;
  uint64_t size = 0;
  if (FileOpening opened = Open(path, limit, file, size, refusal); opened != FileOpening::kOpen) {
    return opened;
  }
  bytes.resize(static_cast<size_t>(size));
  size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t got = read(file.fd, bytes.data() + filled, bytes.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      refusal = SystemError("read failed");
      return FileOpening::kRefused;
    }
    if (got == 0) break;  // the file shrank while we read: keep what arrived
    filled += static_cast<size_t>(got);
  }
  bytes.resize(filled);
  return FileOpening::kOpen;
}

}  // namespace

FileOpening ReadRegularFile(const std::string& path, uint64_t limit, std::string& bytes,
                            std::string& refusal) {
  return ReadWhole(path, limit, bytes, refusal);
}

FileOpening ReadRegularFile(const std::string& path, uint64_t limit, std::vector<uint8_t>& bytes,
                            std::string& refusal) {
  return ReadWhole(path, limit, bytes, refusal);
}
