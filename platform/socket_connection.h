#pragma once
// Connection to a remote data module on the application server: host, port,
// server name, connected state with a before-connect notification, and
// late-bound calls of remote methods by name with positional text arguments,
// by value or by reference.
#include "platform/result_envelope.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace totem {

// One positional argument of a remote call.
class CallArg {
 public:
  static CallArg ByValue(std::string value) { return CallArg(std::move(value), nullptr); }
  // In/out: receives what the server left in the argument.
  static CallArg ByRef(std::string& variable) { return CallArg(variable, &variable); }
  // By value, an argument that is not a text, given as JSON text (the copy's
  // list of destinations: [["0001","001"],...]).
  static CallArg Json(std::string jsonText) {
    CallArg arg(std::move(jsonText), nullptr);
    arg.json_ = true;
    return arg;
  }

  const std::string& Value() const { return value_; }
  std::string* Target() const { return target_; }
  bool IsJson() const { return json_; }

 private:
  CallArg(std::string value, std::string* target) : value_(std::move(value)), target_(target) {}
  std::string value_;
  std::string* target_;
  bool json_ = false;
};

class SocketConnection {
 public:
  SocketConnection();
  virtual ~SocketConnection();
  SocketConnection(const SocketConnection&) = delete;
  SocketConnection& operator=(const SocketConnection&) = delete;

  // Host as a name or address, optionally with a scheme ("https://host").
  void SetHost(std::string host) { host_ = std::move(host); }
  const std::string& Host() const { return host_; }
  void SetPort(int port) { port_ = port; }
  int Port() const { return port_; }
  void SetServerName(std::string name) { serverName_ = std::move(name); }
  const std::string& ServerName() const { return serverName_; }
  // Sent as "Authorization: Bearer <token>" when not empty.
  void SetToken(std::string token) { token_ = std::move(token); }
  // With "https://" in the host, the server's certificate must be signed by
  // an authority in this PEM file; when empty, by one the system trusts.
  void SetCaFile(std::string path) { caFile_ = std::move(path); }
  const std::string& CaFile() const { return caFile_; }
  // Deadline of one call (connect, send and answer); 30 s by default.
  void SetTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }
  std::chrono::milliseconds Timeout() const { return timeout_; }

  // What runs the network exchange of a call: with none, the calling thread
  // itself. A runner runs exchange (on any thread) and returns once it has
  // finished, or throws CallAbandoned to give up waiting; the connection is
  // then closed, and the exchange, which owns what it uses, ends on its own
  // and its answer is dropped.
  using ExchangeRunner = std::function<void(const std::function<void()>& exchange)>;
  void SetExchangeRunner(ExchangeRunner runner) { runner_ = std::move(runner); }

  // Raised first on every opening, before host and port are read.
  void SetBeforeConnect(std::function<void()> handler) { beforeConnect_ = std::move(handler); }

  // Opening raises before-connect, then checks that the server answers and
  // hands out the module named by ServerName; throws ConnectionError when it
  // does not (and stays closed). Over HTTPS a certificate that is not
  // trusted or not issued for the host is a ConnectionError too.
  void SetConnected(bool connected);
  bool Connected() const { return connected_; }
  void Open() { SetConnected(true); }
  void Close() { SetConnected(false); }

  // Calls a method of the remote data module. Opens the connection first when
  // it is closed. By-reference arguments receive the texts the server
  // returned. Transport failures raise ConnectionError, protocol faults
  // RemoteCallError; an error envelope is returned as it came.
  ResultEnvelope Call(std::string_view method, const std::vector<CallArg>& args);

  // Number of remote method calls made through this connection.
  long long CallCount() const { return callCount_; }
  // Told of every call just before it is sent (method and argument texts):
  // for tracing what a screen asks of the server.
  using CallObserver =
      std::function<void(std::string_view method, const std::vector<std::string>& args)>;
  void SetCallObserver(CallObserver observer) { observer_ = std::move(observer); }

 protected:
  std::string Endpoint() const;  // "host:port" for messages

 private:
  struct Transport;
  void Connect();

  std::string host_;
  int port_ = 0;
  std::string serverName_;
  std::string token_;
  std::string caFile_;
  std::chrono::milliseconds timeout_{30000};
  std::function<void()> beforeConnect_;
  CallObserver observer_;
  ExchangeRunner runner_;
  bool connected_ = false;
  long long nextId_ = 1;
  long long callCount_ = 0;
  std::shared_ptr<Transport> transport_;
};

}  // namespace totem
