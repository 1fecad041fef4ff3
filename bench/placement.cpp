#include "bench/placement.h"

#include <dirent.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace totem::bench {
namespace {

// The threads of a process.
std::vector<pid_t> Threads(pid_t pid) {
  std::vector<pid_t> threads;
  const std::string path = "/proc/" + std::to_string(pid) + "/task";
  DIR* directory = opendir(path.c_str());
  if (!directory) return threads;
  while (const dirent* entry = readdir(directory))
    if (entry->d_name[0] != '.') threads.push_back(static_cast<pid_t>(std::atoi(entry->d_name)));
  closedir(directory);
  return threads;
}

void Pin(pid_t thread, const std::vector<int>& cpus) {
  cpu_set_t set;
  CPU_ZERO(&set);
  for (const int cpu : cpus) CPU_SET(cpu, &set);
  sched_setaffinity(thread, sizeof set, &set);
}

}  // namespace

Placement::Placement() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0)
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
      if (CPU_ISSET(cpu, &set)) cpus_.push_back(cpu);
}

Placement::~Placement() { Release(); }

std::vector<Placement::Arrangement> Placement::Arrangements() const {
  if (cpus_.empty()) return {};
  std::vector<Arrangement> arrangements = {{"client and servers on one CPU", cpus_[0], cpus_[0]}};
  if (cpus_.size() > 1)
    arrangements.push_back({"client on one CPU, servers on another", cpus_[0], cpus_[1]});
  return arrangements;
}

void Placement::Arrange(int mine, int theirs, const std::vector<pid_t>& others) {
  const pid_t self = static_cast<pid_t>(syscall(SYS_gettid));
  for (const pid_t thread : Threads(getpid())) {
    Pin(thread, {thread == self ? mine : theirs});
    pinned_.push_back(thread);
  }
  for (const pid_t process : others)
    for (const pid_t thread : Threads(process)) {
      Pin(thread, {theirs});
      pinned_.push_back(thread);
    }
}

void Placement::Release() {
  for (const pid_t thread : pinned_) Pin(thread, cpus_);
  pinned_.clear();
}

}  // namespace totem::bench
