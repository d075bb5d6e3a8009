#include "audio/file_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Closes the descriptor when the read ends, whichever way it ends.
struct FileDescriptor {
  int fd;
  ~FileDescriptor() {
    if (fd >= 0) close(fd);
  }
};

}  // namespace

bool ReadFileImage(const std::string& path, FileImage& image, std::string& refusal) {
  FileDescriptor file{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (file.fd < 0) {
    refusal = std::string("cannot open: ") + std::strerror(errno);
    return false;
  }
  struct stat info {};
  if (fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) {
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
