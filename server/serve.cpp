#include "server/serve.h"

#include "server/demo_data.h"
#include "server/http_server.h"
#include "server/parametros_module.h"
#include "server/rpc_dispatch.h"
#include "server/server_log.h"
#include "server/store_factory.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <fstream>
#include <iostream>
#include <thread>

namespace totem::server {
namespace {

std::string ReadToken(const std::string& path) {
  std::ifstream in(path);
  std::string token;
  if (!in || !std::getline(in, token))
    throw std::runtime_error("não foi possível ler o token de " + path);
  if (!token.empty() && token.back() == '\r') token.pop_back();
  if (token.empty()) throw std::runtime_error("o arquivo de token " + path + " está vazio");
  return token;
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
    if (!options.tokenFile.empty()) http.token = ReadToken(options.tokenFile);
    store = OpenStore(options.database);
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
    server = std::make_unique<HttpServer>(http, dispatcher);
    port = server->Bind();
  } catch (const std::exception& error) {
    LogLine(error.what());
    return 1;
  }
  std::cout << "listening on " << HostForDisplay(http.host) << ":" << port << std::endl;
  LogLine("base " + options.database + "; atendendo " + kServerName);

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
