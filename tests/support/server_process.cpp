#include "tests/support/server_process.h"

#include <sys/prctl.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include <grp.h>
#include <httplib.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <tuple>
#include <utility>

namespace totem::test {
namespace {

constexpr int kStartTimeoutMs = 20000;

// Starts the program with its standard output (and, when asked, its
// standard error) on a pipe; returns the child and the pipe's reading end.
// The user the unprivileged servers run as.
constexpr uid_t kNobody = 65534;

std::pair<pid_t, int> Spawn(std::vector<std::string> args, bool withStderr, bool unprivileged) {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  const pid_t parent = getpid();
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    // A test that ends any way at all (a failed assertion, a crash, CTest's
    // timeout killing it) takes its programs with it: none is left running.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(125);  // the test was gone before prctl
    dup2(fds[1], STDOUT_FILENO);
    if (withStderr) dup2(fds[1], STDERR_FILENO);
    close(fds[0]);
    close(fds[1]);
    if (unprivileged && geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
      _exit(126);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(fds[1]);
  return {pid, fds[0]};
}

}  // namespace

std::string ServerProcess::BinaryPath() { return TOTEM_SERVER_BIN; }

std::string ChildProgram::KioskWatchPath() { return TOTEM_KIOSK_WATCH_BIN; }

ChildProgram::ChildProgram(std::vector<std::string> args) {
  std::tie(pid_, outFd_) = Spawn(std::move(args), false, false);
}

ChildProgram::~ChildProgram() {
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  close(outFd_);
}

std::string ChildProgram::NextLine(int timeoutMs) {
  int waited = 0;
  while (buffered_.find('\n') == std::string::npos) {
    pollfd p{outFd_, POLLIN, 0};
    if (poll(&p, 1, 50) > 0) {
      char chunk[4096];
      const ssize_t n = read(outFd_, chunk, sizeof chunk);
      if (n <= 0) return {};
      buffered_.append(chunk, static_cast<std::size_t>(n));
    } else if ((waited += 50) > timeoutMs) {
      return {};
    }
  }
  const auto end = buffered_.find('\n');
  std::string line = buffered_.substr(0, end);
  buffered_.erase(0, end + 1);
  return line;
}

ServerProcess::ServerProcess(Options options) : options_(std::move(options)) { Start(); }

ServerProcess::~ServerProcess() {
  if (pid_ > 0) Terminate();
}

void ServerProcess::Start(int port) {
  // A bare path is an SQLite file; an address with a scheme goes as it is.
  const bool address =
      options_.dbPath.rfind("sqlite:", 0) == 0 || options_.dbPath.rfind("postgres", 0) == 0;
  std::vector<std::string> args = {BinaryPath(), "--db",
                                   address ? options_.dbPath : "sqlite:" + options_.dbPath,
                                   "--listen", "127.0.0.1:" + std::to_string(port)};
  if (options_.createDatabase) args.push_back("--criar-banco");
  if (options_.demo) args.push_back("--demo");
  args.insert(args.end(), options_.extraArgs.begin(), options_.extraArgs.end());

  std::tie(pid_, outFd_) = Spawn(std::move(args), false, options_.unprivileged);

  // Wait for "listening on HOST:PORT" without a fixed sleep: poll the pipe.
  std::string line;
  int waited = 0;
  while (true) {
    pollfd p{outFd_, POLLIN, 0};
    int r = poll(&p, 1, 100);
    if (r > 0) {
      char c;
      ssize_t n = read(outFd_, &c, 1);
      if (n <= 0) break;  // server exited before it was ready
      if (c == '\n') {
        const std::string prefix = "listening on ";
        if (line.rfind(prefix, 0) == 0) {
          auto hostPort = line.substr(prefix.size());
          auto colon = hostPort.rfind(':');
          host_ = hostPort.substr(0, colon);
          port_ = std::stoi(hostPort.substr(colon + 1));
          return;
        }
        line.clear();
      } else {
        line += c;
      }
    } else if ((waited += 100) > kStartTimeoutMs) {
      break;
    }
  }
  Kill9();
  throw std::runtime_error("totem-server did not report it was listening");
}

void ServerProcess::Kill9() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  if (outFd_ >= 0) close(outFd_);
  outFd_ = -1;
}

int ServerProcess::Terminate() {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
  pid_ = -1;
  if (outFd_ >= 0) close(outFd_);
  outFd_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void ServerProcess::Restart() {
  if (pid_ > 0) Terminate();
  Start();
}

void ServerProcess::RestartOnSamePort() {
  if (pid_ > 0) Terminate();
  Start(port_);
}

int ServerProcess::RunTool(const std::vector<std::string>& toolArgs, std::string* output,
                           bool unprivileged) {
  std::vector<std::string> args = {BinaryPath()};
  args.insert(args.end(), toolArgs.begin(), toolArgs.end());
  auto [pid, fd] = Spawn(std::move(args), true, unprivileged);
  std::string out;
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
  close(fd);
  int status = 0;
  waitpid(pid, &status, 0);
  if (output) *output = out;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

long ResidentKib(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

bool KiosksWaiting(const std::vector<const ServerProcess*>& servers, int count, int timeoutMs) {
  const std::string gauge = "\ntotem_kiosk_waiting ";
  for (int waited = 0; waited <= timeoutMs; waited += 10) {
    int total = 0;
    for (const ServerProcess* server : servers) {
      httplib::Client http(server->Host(), server->Port());
      auto answer = http.Get("/metrics");
      const auto at = answer ? answer->body.find(gauge) : std::string::npos;
      if (at != std::string::npos) total += std::atoi(answer->body.c_str() + at + gauge.size());
    }
    if (total >= count) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

}  // namespace totem::test
