#include "xvfb_display.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "child_process.h"

XvfbDisplay::XvfbDisplay(int width, int height, const std::vector<std::string>& options) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) {
    error_ = "pipe failed";
    return;
  }
  std::vector<std::string> words = {
      "Xvfb",      "-displayfd", std::to_string(pipeFds[1]),
      "-screen",   "0",          std::to_string(width) + "x" + std::to_string(height) + "x24",
      "-nolisten", "tcp",        "-noreset"};
  words.insert(words.end(), options.begin(), options.end());
  server_ = StartQuietServer(words, pipeFds[0]);
  close(pipeFds[1]);
  if (server_ < 0) {
    close(pipeFds[0]);
    error_ = "fork failed";
    return;
  }
  // Xvfb writes its display number followed by a newline once it accepts clients.
  std::string number;
  pollfd ready{pipeFds[0], POLLIN, 0};
  while (poll(&ready, 1, 10000) > 0) {
    char c;
    if (read(pipeFds[0], &c, 1) != 1 || c == '\n') break;
    number.push_back(c);
  }
  close(pipeFds[0]);
  if (number.empty()) {
    error_ = "Xvfb did not start (is the xvfb package installed?)";
    return;
  }
  display_ = ":" + number;
  setenv("DISPLAY", display_.c_str(), 1);
  unsetenv("WAYLAND_DISPLAY");
}

XvfbDisplay::~XvfbDisplay() {
  if (server_ <= 0) return;
  kill(server_, SIGTERM);
  int status = 0;
  waitpid(server_, &status, 0);
}
