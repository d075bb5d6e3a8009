#include "audio/file_image.h"

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

// The system calls of a read, per system. The file is looked at before it is opened and
// again through the opened descriptor: the first look keeps devices from being opened at
// all (opening some has effects of its own), the second is the one that counts, since
// the name may have been replaced in between.
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

// True for a regular file within the size the loader reads; otherwise says why not.
bool Readable(const FileInfo& info, std::string& refusal) {
  if (!S_ISREG(info.st_mode)) {
    refusal = KindOf(info);
    return false;
  }
  if (static_cast<uint64_t>(info.st_size) > kMaxFileImageBytes) {
    refusal = "file larger than 1 GiB";
    return false;
  }
  return true;
}

std::string SystemError(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

// Closes the descriptor when the read ends, whichever way it ends.
struct FileDescriptor {
  int fd;
  ~FileDescriptor() {
    if (fd >= 0) close(fd);
  }
};

}  // namespace

bool ReadFileImage(const std::string& path, FileImage& image, std::string& refusal) {
  FileInfo info{};
  if (InfoOfPath(path, info) != 0) {
    refusal = SystemError("cannot open");
    return false;
  }
  if (!Readable(info, refusal)) return false;
  FileDescriptor file{OpenForReading(path)};
  if (file.fd < 0) {
    refusal = SystemError("cannot open");
    return false;
  }
  if (InfoOf(file.fd, info) != 0) {
    refusal = SystemError("cannot examine");
    return false;
  }
  if (!Readable(info, refusal)) return false;
  if (!ClearNonBlocking(file.fd)) {
    refusal = SystemError("cannot read");
    return false;
  }
  image.resize(static_cast<size_t>(info.st_size));
  size_t filled = 0;
  while (filled < image.size()) {
    ssize_t got = read(file.fd, image.data() + filled, image.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      refusal = SystemError("read failed");
      return false;
    }
    if (got == 0) break;  // the file shrank while we read: keep what arrived
    filled += static_cast<size_t>(got);
  }
  image.resize(filled);
  return true;
}
