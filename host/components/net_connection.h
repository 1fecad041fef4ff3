#pragma once
// The form's link to the application server: the platform's socket
// connection plus the properties the form's description sets on it.
#include "host/components/server_wait.h"
#include "platform/socket_connection.h"

#include <string>

namespace totem::host {

class TNetConnection : public SocketConnection {
 public:
  // Its calls wait for the server the host's way: the screen stays drawn,
  // and a wait that lasts can be given up (server_wait.h).
  TNetConnection() { SetExchangeRunner(&WaitForServer); }
  explicit TNetConnection(std::string serverName) : TNetConnection() {
    SetServerName(std::move(serverName));
  }

  // Kept because the form's description sets it. It changes nothing: this
  // connection always reports a failure (server down, refused, timed out,
  // protocol fault) by raising an exception, whatever the flag, and leaves
  // showing it to the handler that catches it, so no message is ever shown
  // twice.
  void SetThrowException(bool on) { throwException_ = on; }
  bool ThrowException() const { return throwException_; }

 private:
  bool throwException_ = false;
};

}  // namespace totem::host
