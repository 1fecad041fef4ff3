#pragma once
// Waiting for the application server without freezing the screen. The
// network exchange of a call runs on a thread of its own while the screen
// keeps painting; the person's input is held as during any call. A wait
// that lasts shows a turning indicator, and a longer one a "Cancelar" that
// gives the screen back: the call raises CallAbandoned, the screen keeps
// what the person typed, and an answer that comes later is dropped.
#include <chrono>
#include <functional>

class QWidget;

namespace totem::host {

struct ServerWaitTimes {
  std::chrono::milliseconds indicator{2000};  // until the indicator shows
  std::chrono::milliseconds escape{5000};     // until "Cancelar" shows
};

// Turned on by the host application; off, the exchange runs on the calling
// thread, blocking it, as tests that drive the screens directly expect.
void EnableServerWait(bool on);
bool ServerWaitEnabled();
void SetServerWaitTimes(ServerWaitTimes times);

// A connection's exchange runner (SocketConnection::SetExchangeRunner).
void WaitForServer(const std::function<void()>& exchange);

// The waiting panel while it shows (tests, screenshots); nullptr otherwise.
QWidget* ServerWaitPanel();

}  // namespace totem::host
