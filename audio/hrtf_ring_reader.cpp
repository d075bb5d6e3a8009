// Reading a head-related set where a fault in libmysofa cannot reach the game. The sets are
// anyone's downloads; the library parses a complex format, and a damaged file has crashed
// it. On POSIX systems the reading runs in a process of its own that sends the finished ring
// back through a pipe: a crash, an endless loop or a runaway allocation ends that process,
// and the game hears a refusal. The process is the running program itself, started again
// with the reader's arguments, which a constructor here takes before anything else of the
// program runs: any program that reads sets (the game, the simulator, a test) is its own
// reader, and none is forked while other threads hold locks a copy would inherit. Elsewhere
// (Windows, whose build carries a newer libmysofa) the reading runs here, behind the same
// checks.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "audio/hrtf_ring.h"
#include "audio/hrtf_set_check.h"

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>

extern char** environ;
#endif

namespace {

// Larger than any tap of a ring made from a set within the checks' levels.
constexpr float kMaxRingTap = 1e3f;

}  // namespace

int64_t MaxRingTaps(int32_t rate) {
  return int64_t{kMaxFilterTaps} +
         static_cast<int64_t>(std::ceil(kMaxSetDelaySeconds * static_cast<float>(rate))) + 1;
}

std::string RingFault(const HrtfRing& ring, int32_t rate) {
  const int64_t taps = int64_t{ring.length} * kRingDirections;
  if (ring.rate != rate || ring.length <= 0 || ring.length > MaxRingTaps(rate) ||
      static_cast<int64_t>(ring.left.size()) != taps ||
      static_cast<int64_t>(ring.right.size()) != taps) {
    return "its reading gave filters of the wrong size";
  }
  for (const std::vector<float>* ear : {&ring.left, &ring.right}) {
    for (float tap : *ear) {
      if (!std::isfinite(tap) || std::fabs(tap) > kMaxRingTap) {
        return "its filters, once read, hold a value that is not a finite number of sane size";
      }
    }
  }
  // An ear's delay is where a voice reads its sound from: never before the filters' reach.
  const auto most = static_cast<float>(MaxRingTaps(rate));
  for (const std::vector<float>* ear : {&ring.delayLeft, &ring.delayRight}) {
    if (ear->size() != kRingDirections || !std::all_of(ear->begin(), ear->end(), [most](float d) {
          return std::isfinite(d) && d >= 0.0f && d <= most;
        })) {
      return "its delays between the ears, once read, are not of a sane size";
    }
  }
  return {};
}

#ifdef _WIN32

std::optional<HrtfRing> LoadHrtfRing(const std::string& path, int32_t rate, std::string& why) {
  std::optional<HrtfRing> ring = ReadHrtfRingHere(path, rate, why);
  if (ring && !(why = RingFault(*ring, rate)).empty()) return std::nullopt;
  return ring;
}

#else

namespace {

// How long the child may take: a set within the limits is read in a second or two.
constexpr auto kReadingBound = std::chrono::seconds(60);

// What the child sends: a header, then the reason's bytes or the ring's parts in this order.
std::array<std::vector<float>*, 4> Parts(HrtfRing& ring) {
  return {&ring.left, &ring.right, &ring.delayLeft, &ring.delayRight};
}
struct Header {
  int32_t read;  // 1: a ring follows; 0: the reason follows
  int32_t rate;
  int32_t length;  // taps of every filter, or the reason's bytes
};

bool WriteAll(int fd, const void* data, size_t bytes) {
  const auto* p = static_cast<const char*>(data);
  while (bytes > 0) {
    const ssize_t wrote = write(fd, p, bytes);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    p += wrote;
    bytes -= static_cast<size_t>(wrote);
  }
  return true;
}

// The first argument that makes a program the reader of one set: then the set's path, the
// rate, and the process id of the program that asked.
constexpr const char* kReaderArgument = "--quelmire-read-head-related-set";

[[noreturn]] void ReadInChild(int fd, const std::string& path, int32_t rate, pid_t parent) {
#ifdef __linux__
  // A game that ends while its set is still being read takes the reading with it.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
  if (getppid() != parent) _exit(1);
  std::string why;
  std::optional<HrtfRing> ring = ReadHrtfRingHere(path, rate, why);
  bool sent = false;
  if (ring) {
    const Header header{1, ring->rate, ring->length};
    sent = WriteAll(fd, &header, sizeof header);
    for (const std::vector<float>* part : Parts(*ring)) {
      sent = sent && WriteAll(fd, part->data(), part->size() * sizeof(float));
    }
  } else {
    const Header header{0, rate, static_cast<int32_t>(why.size())};
    sent = WriteAll(fd, &header, sizeof header) && WriteAll(fd, why.data(), why.size());
  }
  _exit(sent ? 0 : 1);  // no exit handlers: they belong to the program's own run
}

// Before the program's own start: a program started as the reader of a set reads it, sends
// the ring to its standard output and ends there. glibc hands a constructor the arguments.
[[gnu::constructor]] void ReadSetIfAsked(int argc, char** argv, char**) {
  if (argc != 5 || argv == nullptr || std::strcmp(argv[1], kReaderArgument) != 0) return;
  const long rate = std::strtol(argv[3], nullptr, 10);
  const long parent = std::strtol(argv[4], nullptr, 10);
  if (rate < 1 || rate > INT32_MAX || parent < 1) _exit(1);
  ReadInChild(STDOUT_FILENO, argv[2], static_cast<int32_t>(rate), static_cast<pid_t>(parent));
}

// Starts this program again as the reader of the set at `path`, its standard output the
// pipe's end `out`; the process id, or -1 with errno set.
pid_t StartReader(const std::string& path, int32_t rate, int out) {
  char self[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return -1;
  self[length] = '\0';
  std::string rateText = std::to_string(rate), parentText = std::to_string(getpid());
  std::string argument = kReaderArgument, setPath = path;
  char* argv[] = {self,   argument.data(), setPath.data(), rateText.data(), parentText.data(),
                  nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
  // The reader ends plainly on a fault or when asked to: the program's handlers (the
  // simulator's removes its folders on an ending signal) are not its business.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
    sigaddset(&defaults, signal);
  }
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  pid_t child = -1;
  const int failed = posix_spawn(&child, self, &actions, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    errno = failed;
    return -1;
  }
  return child;
}

// Reads what the child sends, at most `limit` bytes, until it closes the pipe or the time is
// up. False when the time ran out.
bool Receive(int fd, size_t limit, std::string& received) {
  const auto deadline = std::chrono::steady_clock::now() + kReadingBound;
  char chunk[65536];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd waiting{fd, POLLIN, 0};
    const int ready = poll(&waiting, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return ready == 0 ? false : true;
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return true;
    if (received.size() + static_cast<size_t>(got) > limit) return true;  // too much: refused
    received.append(chunk, static_cast<size_t>(got));
  }
}

// The ring or the reason in what the child sent; a message that is not whole is refused.
std::optional<HrtfRing> Unpack(const std::string& message, int32_t rate, std::string& why) {
  Header header{};
  if (message.size() < sizeof header) {
    why = "its reading ended without an answer";
    return std::nullopt;
  }
  std::memcpy(&header, message.data(), sizeof header);
  const size_t body = message.size() - sizeof header;
  if (header.read == 0 && header.length >= 0 && static_cast<size_t>(header.length) == body) {
    why = message.substr(sizeof header);
    return std::nullopt;
  }
  HrtfRing ring;
  ring.rate = header.rate;
  ring.length = header.length;
  const int64_t taps = int64_t{header.length} * kRingDirections;
  if (header.read != 1 || header.length <= 0 || header.length > MaxRingTaps(rate) ||
      static_cast<int64_t>(body) !=
          (2 * taps + 2 * kRingDirections) * static_cast<int64_t>(sizeof(float))) {
    why = "its reading gave an answer that is not whole";
    return std::nullopt;
  }
  ring.left.resize(static_cast<size_t>(taps));
  ring.right.resize(static_cast<size_t>(taps));
  ring.delayLeft.resize(kRingDirections);
  ring.delayRight.resize(kRingDirections);
  const char* data = message.data() + sizeof header;
  for (std::vector<float>* part : Parts(ring)) {
    std::memcpy(part->data(), data, part->size() * sizeof(float));
    data += part->size() * sizeof(float);
  }
  if (!(why = RingFault(ring, rate)).empty()) return std::nullopt;
  return ring;
}

std::string Ended(int status) {
  if (WIFSIGNALED(status)) {
    return "the SOFA reader crashed on it (signal " + std::to_string(WTERMSIG(status)) +
           "): it is damaged";
  }
  return "its reading failed";
}

}  // namespace

std::optional<HrtfRing> LoadHrtfRing(const std::string& path, int32_t rate, std::string& why) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    why = std::string("its reading could not start (") + std::strerror(errno) + ")";
    return std::nullopt;
  }
  const pid_t child = StartReader(path, rate, fds[1]);
  close(fds[1]);
  if (child < 0) {
    why = std::string("its reading could not start (") + std::strerror(errno) + ")";
    close(fds[0]);
    return std::nullopt;
  }
  const size_t limit = sizeof(Header) + 2 * (static_cast<size_t>(MaxRingTaps(rate)) + 1) *
                                            kRingDirections * sizeof(float);
  std::string message;
  const bool inTime = Receive(fds[0], limit, message);
  close(fds[0]);
  if (!inTime) kill(child, SIGKILL);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!inTime) {
    why = "its reading took more than a minute";
    return std::nullopt;
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    why = Ended(status);
    return std::nullopt;
  }
  return Unpack(message, rate, why);
}

#endif
