#pragma once
// How the servers over one database tell each other which registers'
// records changed: a notification's payload is a run of lines "branch TAB
// register TAB version", and a listener is a thread of the store's own that
// hears them.
#include "server/store/store.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace totem::server {

// Stops listening when destroyed.
class ChangeListener {
 public:
  virtual ~ChangeListener() = default;
};

// How a listener's thread is told to stop: it sleeps or polls on fd()
// and finds it readable once Notify() was called.
class WakeSignal {
 public:
  WakeSignal();  // throws StoreError
  ~WakeSignal();
  WakeSignal(const WakeSignal&) = delete;
  WakeSignal& operator=(const WakeSignal&) = delete;
  int fd() const { return fd_; }
  void Notify();
  // Returns after ms, or at once when notified.
  void Sleep(int ms) const;

 private:
  int fd_ = -1;
};

// Every register's version, read again after a lost connection came back.
using VersionReader = std::function<std::vector<VersaoCaixa>()>;

// Below PostgreSQL's limit of 8000 bytes for one notification's payload.
inline constexpr std::size_t kMaxPayload = 7900;

std::string FormatChange(const VersaoCaixa& change);
// The changes a payload names; a line that is not one is skipped.
std::vector<VersaoCaixa> ParseChanges(std::string_view payload);

}  // namespace totem::server
