#pragma once
// Exceptions raised by the platform layer. Every message is meant to be read
// by the person at the screen, so they are written in Portuguese.
#include <stdexcept>
#include <string>

namespace totem {

// Base of every failure the platform layer raises.
class TotemError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A data packet, result envelope or JSON-RPC message that does not have the
// expected shape.
class ProtocolError : public TotemError {
 public:
  using TotemError::TotemError;
};

// A client dataset used in a way its content does not allow: a packet without
// a column a persistent field needs, an unknown field name, a filter
// expression that does not parse.
class DatasetError : public TotemError {
 public:
  using TotemError::TotemError;
};

// The application server could not be reached or did not answer in time:
// refused, reset, timed out, or answered something that is not our protocol.
class ConnectionError : public TotemError {
 public:
  using TotemError::TotemError;
};

// The person stopped waiting for an answer that did not come. The call may
// still run on the server; its answer, if it comes, is dropped.
class CallAbandoned : public ConnectionError {
 public:
  using ConnectionError::ConnectionError;
};

// The server answered with a protocol fault (a JSON-RPC error object or an
// HTTP error status) instead of a result envelope.
class RemoteCallError : public TotemError {
 public:
  RemoteCallError(int code, const std::string& message) : TotemError(message), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

// Stand-in for the platform's silent abort: it unwinds the current event
// handler and is swallowed quietly by the default error handling.
class SilentAbort : public std::exception {
 public:
  const char* what() const noexcept override { return "Operação interrompida"; }
};

}  // namespace totem
