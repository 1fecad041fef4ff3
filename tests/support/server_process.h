#pragma once
// Starts the real totem-server as a child process on a free loopback port
// (--listen 127.0.0.1:0) and waits for its "listening on HOST:PORT" line.
#include <sys/types.h>
#include <string>
#include <vector>

namespace totem::test {

// A process's resident memory, from /proc; -1 when unknown.
long ResidentKib(pid_t pid);

class ServerProcess {
 public:
  struct Options {
    std::string dbPath;  // an SQLite file, or a whole --db address
    bool demo = false;   // --demo
    std::vector<std::string> extraArgs;
    // --criar-banco: a test's database is a new file unless it says otherwise.
    bool createDatabase = true;
    // Run as the unprivileged user "nobody" when the tests run as root, so
    // that file permissions bind the server as they bind a real one.
    bool unprivileged = false;
  };

  explicit ServerProcess(Options options);
  ~ServerProcess();  // SIGTERM, then waits
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  const std::string& Host() const { return host_; }
  int Port() const { return port_; }
  pid_t Pid() const { return pid_; }
  bool Running() const { return pid_ > 0; }

  void Kill9();              // SIGKILL and reap
  int Terminate();           // SIGTERM; returns the exit status
  void Restart();            // starts again with the same options (new port)
  void RestartOnSamePort();  // starts again listening where it listened

  static std::string BinaryPath();
  // Runs totem-server with arguments to completion; returns exit code and
  // fills output with stdout+stderr.
  static int RunTool(const std::vector<std::string>& args, std::string* output,
                     bool unprivileged = false);

 private:
  void Start(int port = 0);
  Options options_;
  pid_t pid_ = -1;
  int outFd_ = -1;
  std::string host_;
  int port_ = 0;
};

// Another program of ours (the kiosks' reference client) run as a child,
// its standard output read a line at a time; SIGTERM when it goes away.
class ChildProgram {
 public:
  explicit ChildProgram(std::vector<std::string> args);
  ~ChildProgram();
  ChildProgram(const ChildProgram&) = delete;
  ChildProgram& operator=(const ChildProgram&) = delete;

  // The next line, or "" when none came within timeoutMs or the program ended.
  std::string NextLine(int timeoutMs);

  static std::string KioskWatchPath();

 private:
  pid_t pid_ = -1;
  int outFd_ = -1;
  std::string buffered_;
};

// Until these servers' /metrics together count at least `count` kiosk
// reads waiting for a change: a test that needs a kiosk to be waiting
// waits for that, not for a time. False after timeoutMs.
bool KiosksWaiting(const std::vector<const ServerProcess*>& servers, int count,
                   int timeoutMs = 10000);

}  // namespace totem::test
