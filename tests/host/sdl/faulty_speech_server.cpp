#include "faulty_speech_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

namespace {

int Listen(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return -1;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0) return -1;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 8) != 0) {
    close(listener);
    return -1;
  }
  return listener;
}

void Send(int connection, const char* reply) {
  // MSG_NOSIGNAL: a client that went away must not end the test with SIGPIPE.
  (void)!send(connection, reply, std::strlen(reply), MSG_NOSIGNAL);
}

}  // namespace

FaultySpeechServer::FaultySpeechServer(SpeechServerFault fault) : fault_(fault) {
  std::string pattern = std::filesystem::temp_directory_path() / "quelmire-faulty-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    error_ = "no private folder for the faulty speech server";
    return;
  }
  folder_ = pattern;
  std::filesystem::create_directories(folder_ + "/speech-dispatcher");
  std::ofstream(folder_ + "/speech-dispatcher/speechd.conf") << "DisableAutoSpawn\n";
  const std::string socketPath = folder_ + "/speechd.sock";
  int listener = Listen(socketPath);
  if (listener < 0) {
    error_ = "the faulty speech server cannot listen at " + socketPath;
    return;
  }
  setenv("SPEECHD_ADDRESS", ("unix_socket:" + socketPath).c_str(), 1);
  setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
  server_ = std::thread([this, listener] { Serve(listener); });
}

FaultySpeechServer::~FaultySpeechServer() {
  stopping_.store(true);
  if (server_.joinable()) server_.join();
  std::error_code ignored;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

void FaultySpeechServer::Serve(int listener) {
  std::map<int, std::pair<std::string, bool>> clients;  // fd: unanswered text, greeted
  while (!stopping_.load()) {
    std::vector<pollfd> watched = {{listener, POLLIN, 0}};
    for (const auto& entry : clients) watched.push_back({entry.first, POLLIN, 0});
    if (poll(watched.data(), watched.size(), 20) <= 0) continue;
    if ((watched[0].revents & POLLIN) != 0) {
      int connection = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (connection >= 0) {
        connections_.fetch_add(1);
        if (fault_ == SpeechServerFault::kClosesAtOnce) {
          close(connection);
        } else {
          clients[connection] = {"", false};
        }
      }
    }
    for (size_t i = 1; i < watched.size(); ++i) {
      if (watched[i].revents == 0) continue;
      int connection = watched[i].fd;
      char buffer[512];
      ssize_t got = read(connection, buffer, sizeof buffer);
      auto& [pending, greeted] = clients[connection];
      if (got > 0) pending.append(buffer, static_cast<size_t>(got));
      if (got <= 0 || !Answer(connection, pending, greeted)) {
        close(connection);
        clients.erase(connection);
      }
    }
  }
  for (const auto& entry : clients) close(entry.first);
  close(listener);
}

bool FaultySpeechServer::Answer(int connection, std::string& pending, bool& greeted) {
  for (size_t end = pending.find("\r\n"); end != std::string::npos; end = pending.find("\r\n")) {
    const std::string line = pending.substr(0, end);
    pending.erase(0, end + 2);
    switch (fault_) {
      case SpeechServerFault::kNeverAnswers:
      case SpeechServerFault::kClosesAtOnce:
        break;
      case SpeechServerFault::kStallsAfterGreeting:
        if (!greeted) Send(connection, "208 OK CLIENT NAME SET\r\n");
        break;
      case SpeechServerFault::kHangsUpMidSentence:
        if (line == "SPEAK" || line == "speak") return false;
        Send(connection, greeted ? "200 OK\r\n" : "208 OK CLIENT NAME SET\r\n");
        break;
    }
    greeted = true;
  }
  return true;
}
