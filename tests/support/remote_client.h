#pragma once
// A client of the server's remote module aimed at one server, as the tests
// and benchmarks talk to a server they started, and the numbered saves the
// load and fault tests make so that what is stored tells which save wrote it.
#include "platform/result_envelope.h"
#include "platform/socket_connection.h"
#include "service/remote_parametros_client.h"

#include <chrono>
#include <string>

namespace totem::test {

struct RemoteClient {
  // timeout bounds each call (the connection's own default when zero).
  RemoteClient(const std::string& host, int port, std::chrono::milliseconds timeout = {});
  // rpc refers to connection: neither copied nor moved.
  RemoteClient(const RemoteClient&) = delete;
  RemoteClient& operator=(const RemoteClient&) = delete;

  // Saves the record numbered n: its seconds to close are n, its first text
  // "#n" and its consumer text "Consumidor n".
  ResultEnvelope SaveNumbered(const std::string& filial, const std::string& caixa, int n);

  SocketConnection connection;
  service::RemoteParametrosClient rpc{connection};
};

}  // namespace totem::test
