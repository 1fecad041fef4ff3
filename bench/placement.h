#pragma once
// Where the threads of a latency benchmark run. On a virtual machine a call
// between two threads costs far less when they take turns on one CPU than
// when each wakes the other's idle CPU, and which of the two the system
// picks for a pair of threads stays put for seconds: unpinned, a subject's
// figure is decided by that draw more than by its code. Pinned, every
// subject is measured in the same arrangement.
#include <sys/types.h>

#include <string>
#include <vector>

namespace totem::bench {

class Placement {
 public:
  // Remembers the CPUs this process may use, to give them back.
  Placement();
  // Restores every thread pinned here to all of them.
  ~Placement();
  Placement(const Placement&) = delete;
  Placement& operator=(const Placement&) = delete;

  struct Arrangement {
    std::string name;
    int client, servers;  // CPUs
  };
  // The client and the servers on one CPU; with two or more CPUs, also the
  // client on one and the servers on another.
  std::vector<Arrangement> Arrangements() const;
  // The calling thread on `mine`; every other thread of this process and
  // of the processes `others` on `theirs`.
  void Arrange(int mine, int theirs, const std::vector<pid_t>& others);
  // Every thread pinned so far back on every CPU.
  void Release();

 private:
  std::vector<int> cpus_;
  std::vector<pid_t> pinned_;
};

}  // namespace totem::bench
