#include "sim_child.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

std::string CaptureFile(const std::string& stem) {
  return ScratchPath(stem + "." + std::to_string(getpid()));
}

}  // namespace

std::string ScratchPath(const std::string& name) {
  std::filesystem::create_directories(QUELMIRE_SCRATCH_DIR);
  return std::string(QUELMIRE_SCRATCH_DIR) + "/" + name;
}

pid_t StartSim(const std::vector<std::string>& args, int inFd, int outFd, int errFd,
               const std::string& workDir, const std::string& program) {
  std::vector<std::string> argv = {program.empty() ? QUELMIRE_SIM : program};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (std::string& arg : argv) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  std::string dir = workDir.empty() ? QUELMIRE_RUN_DIR : workDir;
  pid_t child = fork();
  if (child == 0) {
    if (dup2(inFd, 0) < 0 || dup2(outFd, 1) < 0 || dup2(errFd, 2) < 0 || chdir(dir.c_str()) != 0) {
      _exit(126);
    }
    execv(pointers[0], pointers.data());
    _exit(127);
  }
  return child;
}

int WaitSim(pid_t pid, int timeoutSeconds) {
  int status = 0;
  for (int waited = 0;; waited += 10) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0) return -1;
    if (waited >= timeoutSeconds * 1000) kill(pid, SIGKILL);
    usleep(10'000);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

SimResult RunSim(const std::vector<std::string>& args, const std::string& workDir,
                 const std::string& inputPath, int timeoutSeconds, const std::string& program) {
  std::string outPath = CaptureFile("stdout"), errPath = CaptureFile("stderr");
  int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  int in = open(inputPath.empty() ? "/dev/null" : inputPath.c_str(), O_RDONLY | O_CLOEXEC);
  SimResult result;
  if (out >= 0 && err >= 0 && in >= 0) {
    result.status = WaitSim(StartSim(args, in, out, err, workDir, program), timeoutSeconds);
  }
  for (int fd : {out, err, in}) {
    if (fd >= 0) close(fd);
  }
  result.out = ReadText(outPath);
  result.err = ReadText(errPath);
  std::filesystem::remove(outPath);
  std::filesystem::remove(errPath);
  return result;
}

std::string ReadText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

namespace {

std::vector<Json> ParseTrace(const std::string& trace) {
  std::vector<Json> lines;
  std::istringstream text(trace);
  for (std::string line; std::getline(text, line);) {
    lines.push_back(ParseJson(line).value_or(Json{}));
  }
  return lines;
}

}  // namespace

std::vector<Json> ReadTrace(const std::string& path) {
  return ParseTrace(ReadText(path));
}

Standing RunStanding(const std::string& name, const std::string& script,
                     const std::vector<std::string>& extra) {
  // Per process: ctest runs the tests of one suite side by side, and each of them makes
  // the same named runs (the suite's plain run among them).
  const std::string trace = CaptureFile(name + ".trace"), wav = CaptureFile(name + ".wav");
  std::vector<std::string> args = {"--seed",  "3",   "--quick-start", "--ms",  "10000",
                                   "--trace", trace, "--trace-ticks", "--wav", wav};
  if (!script.empty()) {
    const std::string scriptPath = CaptureFile(name + ".script");
    WriteText(scriptPath, script);
    args.insert(args.end(), {"--script", scriptPath});
  }
  args.insert(args.end(), extra.begin(), extra.end());
  Standing run;
  run.result = RunSim(args);
  run.traceText = ReadText(trace);
  run.trace = ParseTrace(run.traceText);
  run.wav = ReadText(wav);
  return run;
}

std::string WavFrom(const std::string& wav, int ms) {
  constexpr size_t kHeader = 44, kBytesPerMs = 48 * 4;
  const size_t from = kHeader + static_cast<size_t>(ms) * kBytesPerMs;
  return from < wav.size() ? wav.substr(from) : std::string();
}

std::vector<Json> EventsNamed(const std::vector<Json>& trace, const std::string& name) {
  std::vector<Json> found;
  for (const Json& line : trace) {
    if (line["event"].Str() == name) found.push_back(line);
  }
  return found;
}
