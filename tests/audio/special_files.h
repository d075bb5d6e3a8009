// tests/audio/special_files.h - names that are not regular files, made for real: named
// pipes and sockets (links to devices and folders are made with std::filesystem). And a
// bounded wait for a call that might wait on one of the pipes: past the bound the test
// fails and the pipes' write ends are opened and closed until the call returns, so that
// a loader that waits makes a failure rather than a run that never ends.
// POSIX only: Windows has no named pipes or sockets in its folders.
#pragma once

#ifndef _WIN32
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <vector>

inline bool MakeFifo(const std::string& path) {
  return mkfifo(path.c_str(), 0600) == 0;
}

// Binds a Unix socket at `path`; returns its descriptor (the caller closes it), or -1.
inline int MakeSocketFile(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return -1;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, 1) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Opens and closes the write end of each pipe: an open waiting for a writer then returns.
inline void ReleasePipeReaders(const std::vector<std::string>& pipes) {
  for (const std::string& pipe : pipes) {
    int fd = open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) close(fd);
  }
}

// Runs `call` on a thread of its own and returns what it returns. Past `limit` the test
// fails and `pipes` are released until the call has returned.
template <typename Call>
auto WithinBound(Call call, const std::vector<std::string>& pipes,
                 std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  auto result = std::async(std::launch::async, call);
  if (result.wait_for(limit) != std::future_status::ready) {
    ADD_FAILURE() << "still waiting after " << limit.count() << " ms: it waits on a named pipe";
    while (result.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
      ReleasePipeReaders(pipes);
    }
  }
  return result.get();
}
#endif
