#include "server/cli/serve.h"

#include "server/cli/open_file_limit.h"

#include "server/domain/demo_data.h"
#include "server/http/http_server.h"
#include "server/domain/parametros_module.h"
#include "server/rpc/rpc_dispatch.h"
#include "server/log/server_log.h"
#include "server/store/store_factory.h"

#include <pthread.h>
#include <signal.h>

#include <sys/stat.h>

#include <atomic>
#include <iostream>
#include <thread>

namespace totem::server {
namespace {

// The one line that says who may call this server.
std::string AccessLine(const ServeOptions& options, const HttpOptions& http) {
  const std::string scheme = http.tlsCert.empty() ? "HTTP" : "HTTPS";
  if (!http.tokens.Empty())
    return scheme + "; exigindo token (" + std::to_string(http.tokens.Size()) + " em " + options.tokenFile + ")";
  if (IsLoopbackHost(http.host))
    return scheme + "; sem --token-file: aceitando chamadas sem token, só de processos desta máquina (" +
           http.host + ")";
  return scheme + "; ATENÇÃO: sem --token-file e com --insecure-listen-any: qualquer máquina que alcance " +
         http.host + " pode ler e gravar os parâmetros sem token";
}

// The file holds the secrets that open the server; others on the machine
// should not read it.
void WarnIfReadableByOthers(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) == 0 && (info.st_mode & (S_IRWXG | S_IRWXO)))
    LogLine("o arquivo de tokens " + path + " pode ser lido por outros usuários; use chmod 600");
}

// Reads are what a trivial query shows; writes, what the store says of
// its write access.
StoreHealth HealthOf(Store& store) {
  try {
    store.Ping();
  } catch (const StoreError&) {
    return StoreHealth::kUnavailable;
  }
  try {
    store.CheckWritable();
  } catch (const StoreError&) {
    return StoreHealth::kReadOnly;
  }
  return StoreHealth::kWritable;
}

std::string HostForDisplay(const std::string& host) {
  return host.find(':') == std::string::npos ? host : "[" + host + "]";
}

}  // namespace

int RunServer(const ServeOptions& options) {
  // Block the stop signals before any thread starts, so every thread
  // inherits the mask and only the waiter below receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  // A client that vanishes mid-answer must cost a failed write, not the process.
  signal(SIGPIPE, SIG_IGN);

  HttpOptions http = options.http;
  std::unique_ptr<Store> store;
  try {
    if (!options.tokenFile.empty()) {
      http.tokens = AccessTokens::Load(options.tokenFile);
      WarnIfReadableByOthers(options.tokenFile);
    }
    store = OpenStore(options.database);
    // A server that could not save would answer every save with an error.
    store->CheckWritable();
    if (options.demo) {
      if (FillDemoData(*store)) LogLine("base vazia preenchida com os dados de demonstração");
      else LogLine("a base já tem dados; --demo ignorado");
    }
  } catch (const std::exception& error) {
    LogLine(error.what());
    return 1;
  }

  ParametrosModule module(*store);
  RpcDispatcher dispatcher(module);
  std::unique_ptr<HttpServer> server;
  int port = 0;
  try {
    http.maxConnections = FitConnectionsToOpenFileLimit(http.maxConnections, http.workers);
    server = std::make_unique<HttpServer>(http, dispatcher, [&store] { return HealthOf(*store); });
    port = server->Bind();
  } catch (const std::exception& error) {
    LogLine(error.what());
    return 1;
  }
  std::cout << "listening on " << HostForDisplay(http.host) << ":" << port << std::endl;
  LogLine("base " + DatabaseForLog(options.database) + "; atendendo " + kServerName);
  LogLine(AccessLine(options, http));

  std::atomic<bool> served{false};
  std::atomic<bool> signalled{false};
  std::thread waiter([&] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    if (served) return;  // woken by RunServer itself
    signalled = true;
    LogLine(std::string("recebido ") + (signal == SIGINT ? "SIGINT" : "SIGTERM") +
            "; encerrando depois das chamadas em andamento");
    server->Stop();
  });

  server->Run();
  served = true;
  if (!signalled) pthread_kill(waiter.native_handle(), SIGTERM);
  waiter.join();

  server.reset();
  store.reset();
  LogLine("encerrado");
  return signalled ? 0 : 1;
}

}  // namespace totem::server
