#include "speech_server.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "child_process.h"

// The speech client library leaves one error text behind after a failed connection; its
// leak report names the library only when the stack is unwound through it, which the
// fast unwinder cannot do (the library keeps no frame pointers). Every binary with a
// private speech server suppresses "leak:libspeechd.so".
extern "C" const char* __asan_default_options() {
  return "fast_unwind_on_malloc=0";
}

namespace {

using namespace std::chrono_literals;

// `folder`/speech-dispatcher/speechd.conf: this server only, the default voice module,
// sound to the null device, everything a client sends logged.
bool WriteConfiguration(const std::string& folder) {
  std::filesystem::create_directories(folder + "/speech-dispatcher");
  std::ofstream conf(folder + "/speech-dispatcher/speechd.conf");
  conf << "CommunicationMethod \"unix_socket\"\n"
       << "SocketPath \"" << folder << "/speechd.sock\"\n"
       << "Timeout 0\n"
       << "LogLevel 3\n"
       << "LogDir \"" << folder << "/logs\"\n"
       << "CustomLogFile \"protocol\" \"" << folder << "/protocol.log\"\n"
       << "AudioOutputMethod \"alsa\"\n"
       << "AudioALSADevice \"null\"\n"
       << "AddModule \"espeak-ng\" \"sd_espeak-ng\" "
          "\"/etc/speech-dispatcher/modules/espeak-ng.conf\"\n"
       << "DefaultModule espeak-ng\n"
       // Only the client library's autospawn reads this; the test starts its server itself.
       << "DisableAutoSpawn\n";
  return static_cast<bool>(conf.flush());
}

// The client name of the readiness probe; Received() leaves its line out.
constexpr char kProbeName[] = "quelmire-test:probe:probe";

// True once the server at `socketPath` answers a client's greeting. A server that has
// made its socket may still be starting its voice and read nothing for a while; a test
// that starts talking only then does not race the start-up.
bool AnswersGreeting(const std::string& socketPath, std::chrono::milliseconds limit) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (probe < 0) return false;
  std::string reply;
  if (connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    const std::string greeting = std::string("SET SELF CLIENT_NAME \"") + kProbeName + "\"\r\n";
    if (send(probe, greeting.data(), greeting.size(), MSG_NOSIGNAL) ==
        static_cast<ssize_t>(greeting.size())) {
      pollfd readable{probe, POLLIN, 0};
      char buffer[256];
      while (reply.find("\r\n") == std::string::npos &&
             poll(&readable, 1, static_cast<int>(limit.count())) > 0) {
        ssize_t got = read(probe, buffer, sizeof buffer);
        if (got <= 0) break;
        reply.append(buffer, static_cast<size_t>(got));
      }
    }
  }
  close(probe);
  return reply.rfind("2", 0) == 0;
}

}  // namespace

PrivateSpeechServer::PrivateSpeechServer() {
  std::string pattern = std::filesystem::temp_directory_path() / "quelmire-speech-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr || !WriteConfiguration(pattern)) {
    error_ = "no private folder for the speech server";
    return;
  }
  folder_ = pattern;
  std::filesystem::create_directories(folder_ + "/logs");
  setenv("SPEECHD_ADDRESS", ("unix_socket:" + folder_ + "/speechd.sock").c_str(), 1);
  setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
  // The sound library behind the server's output, finding no session, would make a
  // runtime folder of its own in the system's temporary folder and leave it there.
  setenv("PULSE_RUNTIME_PATH", (folder_ + "/pulse").c_str(), 1);
}

PrivateSpeechServer::~PrivateSpeechServer() {
  Stop();
  std::error_code ignored;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

bool PrivateSpeechServer::Start() {
  if (folder_.empty()) return false;
  std::string config = folder_ + "/speech-dispatcher";
  std::string pidFile = folder_ + "/speechd.pid";
  std::vector<std::string> words = {"speech-dispatcher", "--run-single", "--timeout",  "0",
                                    "--config-dir",      config,         "--pid-file", pidFile};
  server_ = StartQuietServer(words);
  // The socket appears once the server accepts clients, and it is ready once it answers
  // them; starting takes well under a second, the limit is for a loaded machine.
  const std::string socketPath = folder_ + "/speechd.sock";
  for (int i = 0; i < 400 && server_ > 0; ++i) {
    if (std::filesystem::exists(socketPath) && AnswersGreeting(socketPath, 10s)) return true;
    if (waitpid(server_, nullptr, WNOHANG) == server_) break;
    std::this_thread::sleep_for(25ms);
  }
  error_ = "the speech server did not start (is the speech-dispatcher package installed?)";
  Stop();
  return false;
}

void PrivateSpeechServer::Stop() {
  if (server_ <= 0) return;
  kill(server_, SIGTERM);
  waitpid(server_, nullptr, 0);
  server_ = -1;
  std::error_code ignored;
  std::filesystem::remove(folder_ + "/speechd.sock", ignored);
}

std::vector<std::string> PrivateSpeechServer::Received() const {
  // Each entry reads "[time] speechd:  <fd>:DATA:|<line>\r" on one line, then "| (<size>)".
  std::vector<std::string> lines;
  std::ifstream log(folder_ + "/protocol.log");
  std::string entry;
  constexpr std::string_view kData = ":DATA:|";
  while (std::getline(log, entry)) {
    size_t at = entry.find(kData);
    if (at == std::string::npos) continue;
    std::string line = entry.substr(at + kData.size());
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find(kProbeName) == std::string::npos) lines.push_back(line);
  }
  return lines;
}

bool PrivateSpeechServer::WaitFor(const std::string& line, std::chrono::milliseconds limit) const {
  auto end = std::chrono::steady_clock::now() + limit;
  do {
    std::vector<std::string> lines = Received();
    if (std::find(lines.begin(), lines.end(), line) != lines.end()) return true;
    std::this_thread::sleep_for(20ms);
  } while (std::chrono::steady_clock::now() < end);
  return false;
}
