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

// The three system calls of a read, per system.
#ifdef _WIN32
// Windows names files in wide characters: the UTF-8 name is converted at the call.
// Binary mode, or the C library would translate line ends; not inherited by children.
int OpenForReading(const std::string& path) {
  return _wopen(PathFromUtf8(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}
using FileInfo = struct _stat64;  // 64-bit sizes: plain stat holds 32 bits there
int InfoOf(int fd, FileInfo& info) {
  return _fstat64(fd, &info);
}
#else
int OpenForReading(const std::string& path) {
  return open(path.c_str(), O_RDONLY | O_CLOEXEC);
}
using FileInfo = struct stat;
int InfoOf(int fd, FileInfo& info) {
  return fstat(fd, &info);
}
#endif

// Closes the descriptor when the read ends, whichever way it ends.
struct FileDescriptor {
  int fd;
  ~FileDescriptor() {
    if (fd >= 0) close(fd);
  }
};

}  // namespace

bool ReadFileImage(const std::string& path, FileImage& image, std::string& refusal) {
  FileDescriptor file{OpenForReading(path)};
  if (file.fd < 0) {
    refusal = std::string("cannot open: ") + std::strerror(errno);
    return false;
  }
  FileInfo info{};
  if (InfoOf(file.fd, info) != 0 || !S_ISREG(info.st_mode)) {
    refusal = "not a regular file";
    return false;
  }
  if (static_cast<uint64_t>(info.st_size) > kMaxFileImageBytes) {
    refusal = "file larger than 1 GiB";
    return false;
  }
  image.resize(static_cast<size_t>(info.st_size));
  size_t filled = 0;
  while (filled < image.size()) {
    ssize_t got = read(file.fd, image.data() + filled, image.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      refusal = std::string("read failed: ") + std::strerror(errno);
      return false;
    }
    if (got == 0) break;  // the file shrank while we read: keep what arrived
    filled += static_cast<size_t>(got);
  }
  image.resize(filled);
  return true;
}
