#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

pid_t StartQuietServer(std::vector<std::string> words, int closeInChild) {
  // Built before the fork: the child only execs.
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t child = fork();
  if (child == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);  // a test killed on timeout takes its server along
    if (closeInChild >= 0) close(closeInChild);
    int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0) {
      dup2(devNull, STDOUT_FILENO);
      dup2(devNull, STDERR_FILENO);
    }
    execvp(argv[0], argv.data());
    _exit(127);
  }
  return child;
}

pid_t DismissBoxFromOutside(const std::string& caption) {
  std::string script =
      "seen=; for i in $(seq 400); do "
      "id=$(xwininfo -root -tree 2>/dev/null | awk '/\"" +
      caption +
      "\": / {print $1; exit}'); "
      "if [ -n \"$id\" ]; then sleep 0.2; xdotool key --window \"$id\" Return; seen=1; "
      "elif [ -n \"$seen\" ]; then exit 0; fi; sleep 0.05; done; exit 1";
  const char* argv[] = {"sh", "-c", script.c_str(), nullptr};
  pid_t child = -1;
  if (posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
    return -1;
  }
  return child;
}

bool ExitedCleanly(pid_t child) {
  int status = -1;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}
