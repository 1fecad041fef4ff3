#include "server/cli/serve.h"

#include "server/cli/database_lock.h"
#include "server/cli/open_file_limit.h"

#include "server/domain/demo_data.h"
#include "server/domain/kiosk_view.h"
#include "server/domain/parametros_module.h"
#include "server/http/http_server.h"
#include "server/log/server_log.h"
#include "server/rpc/rpc_dispatch.h"
#include "server/store/store_factory.h"

#include <malloc.h>
#include <pthread.h>
#include <signal.h>
#include <systemd/sd-daemon.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <iostream>
#include <thread>

namespace totem::server {
namespace {

// The one line that says who may call this server; a warning when anyone
// on the network may.
void LogAccess(const ServeOptions& options, const HttpOptions& http) {
  const std::string scheme = http.tlsCert.empty() ? "HTTP" : "HTTPS";
  if (!http.tokens.Empty())
    LogLine(scheme + "; exigindo token (" + std::to_string(http.tokens.Size()) + " em " +
            options.tokenFile + ")");
  else if (IsLoopbackHost(http.host))
    LogLine(scheme +
            "; sem --token-file: aceitando chamadas sem token, só de processos desta máquina (" +
            http.host + ")");
  else
    LogWarning(
        scheme +
        "; ATENÇÃO: sem --token-file e com --insecure-listen-any: qualquer máquina que alcance " +
        http.host + " pode ler e gravar os parâmetros sem token");
}

// The file holds the secrets that open the server; others on the machine
// should not read it. Its owner and group may: the package gives it to
// root and the server's group.
void WarnIfReadableByOthers(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) == 0 && (info.st_mode & S_IRWXO))
    LogWarning("o arquivo de tokens " + path +
               " pode ser lido por outros usuários; use chmod 640 ou 600");
}

// SIGHUP: the token file again. A file that cannot be used leaves the
// tokens in force as they were, so a mistake while editing it locks nobody
// out; the calls in flight and the open connections go on either way.
void ReloadTokens(const ServeOptions& options, HttpServer& server) {
  if (options.tokenFile.empty()) {
    LogWarning("recebido SIGHUP; sem --token-file, nada a reler");
    return;
  }
  sd_notify(0, "RELOADING=1");
  try {
    AccessTokens tokens = AccessTokens::Load(options.tokenFile);
    WarnIfReadableByOthers(options.tokenFile);
    const std::size_t count = tokens.Size();
    server.ReplaceTokens(std::move(tokens));
    LogLine("recebido SIGHUP; tokens relidos: " + std::to_string(count) + " em " +
            options.tokenFile);
  } catch (const TokenFileError& error) {
    LogError(std::string("recebido SIGHUP; os tokens em uso continuam valendo: ") + error.what());
  }
  sd_notify(0, "READY=1");
}

// Reads are what a trivial query shows; writes, what the store says of
// its write access. The store's message says why.
HealthReport HealthOf(Store& store) {
  try {
    store.Ping();
  } catch (const StoreError& error) {
    return {StoreHealth::kUnavailable, error.what()};
  }
  try {
    store.CheckWritable();
  } catch (const StoreError& error) {
    return {StoreHealth::kReadOnly, error.what()};
  }
  return {};
}

std::string HostForDisplay(const std::string& host) {
  return host.find(':') == std::string::npos ? host : "[" + host + "]";
}

}  // namespace

int RunServer(const ServeOptions& options) {
  // Block the signals before any thread starts, so every thread inherits
  // the mask and only the waiter below receives them.
  sigset_t signals;
  sigemptyset(&signals);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&signals, signal);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  // A client that vanishes mid-answer must cost a failed write, not the
  // process; so must a file grown to the size limit set on the process
  // (the write fails, the save is refused, /healthz says so).
  signal(SIGPIPE, SIG_IGN);
  // Large answers (a chain's registers, a batch) are allocated on their own
  // and handed back to the system when freed, and a few heaps serve every
  // thread, so a burst of them does not stay in the server's memory.
  mallopt(M_MMAP_THRESHOLD, 256 * 1024);
  mallopt(M_ARENA_MAX, 4);
  signal(SIGXFSZ, SIG_IGN);

  HttpOptions http = options.http;
  // Over SQLite, held while this process serves, so that a restore refuses
  // to replace the file under it (database_lock.h). Before the store, and
  // released after it.
  DatabaseLock databaseLock;
  std::unique_ptr<Store> store;
  try {
    if (!options.tokenFile.empty()) {
      http.tokens = AccessTokens::Load(options.tokenFile);
      WarnIfReadableByOthers(options.tokenFile);
    }
    if (const std::string scheme = "sqlite:";
        options.database.rfind(scheme, 0) == 0 && options.database.size() > scheme.size()) {
      std::string problem;
      databaseLock = DatabaseLock::ForServer(options.database.substr(scheme.size()),
                                             options.createDatabase || options.demo, &problem);
      if (!problem.empty()) LogWarning(problem);
    }
    // --demo asks for a scratch chain to try the screens on: it creates its
    // file as --criar-banco would.
    store = OpenStore(options.database, options.createDatabase || options.demo);
    // A server that could not save would answer every save with an error.
    store->CheckWritable();
    if (options.demo) {
      if (FillDemoData(*store))
        LogLine("base vazia preenchida com os dados de demonstração");
      else
        LogLine("a base já tem dados; --demo ignorado");
    }
  } catch (const std::exception& error) {
    LogError(error.what());
    return 1;
  }

  ParametrosModule module(*store);
  RpcDispatcher dispatcher(module);
  std::unique_ptr<HttpServer> server;
  int port = 0;
  try {
    // Every thread that may hold a database connection: the read workers,
    // the write lane and the loops that read from a local file.
    http.maxConnections = FitConnectionsToOpenFileLimit(
        http.maxConnections, http.workers + http.writers + EventLoopCount(http));
    // An SQLite file answers a read in microseconds without the network:
    // one register's read runs on the loop that parsed it.
    http.readsOnLoop = options.database.rfind("sqlite:", 0) == 0;
    server = std::make_unique<HttpServer>(http, dispatcher, [&store] { return HealthOf(*store); });
    // Listening first, then reading every version: no change falls between.
    store->ObserveChanges(
        [kiosks = server.get()](const std::vector<VersaoCaixa>& changes) {
          kiosks->AnnounceChanges(changes);
        },
        options.sqlitePollMs);
    server->ServeKiosks(KioskSource{[&store] { return store->ListVersoes(); },
                                    [&store](const CaixaKey& caixa) {
                                      return ReadKiosk(*store, caixa.cdFilial, caixa.cdCaixa);
                                    }});
    port = server->Bind();
  } catch (const std::exception& error) {
    LogError(error.what());
    return 1;
  }
  const std::string address = HostForDisplay(http.host) + ":" + std::to_string(port);
  std::cout << "listening on " << address << std::endl;
  LogLine(VersionText() + "; base " + DatabaseForLog(options.database) + "; atendendo " +
          kServerName + " em " + address);
  LogAccess(options, http);
  if (!http.callLog) LogLine("log por chamada desligado (--no-call-log)");
  sd_notifyf(0, "READY=1\nSTATUS=atendendo em %s", address.c_str());

  std::atomic<bool> served{false};
  std::atomic<bool> signalled{false};
  std::thread waiter([&] {
    while (true) {
      int signal = 0;
      sigwait(&signals, &signal);
      if (served) return;  // woken by RunServer itself
      if (signal == SIGHUP) {
        ReloadTokens(options, *server);
        continue;
      }
      signalled = true;
      sd_notify(0, "STOPPING=1");
      LogLine(std::string("recebido ") + (signal == SIGINT ? "SIGINT" : "SIGTERM") +
              "; encerrando depois das chamadas em andamento");
      server->Stop();
      return;
    }
  });

  server->Run();
  served = true;
  if (!signalled) pthread_kill(waiter.native_handle(), SIGTERM);
  waiter.join();

  // The store first: its listener may still be telling the server of
  // changes until it stops.
  store.reset();
  server.reset();
  LogLine("encerrado");
  FlushLog();
  return signalled ? 0 : 1;
}

}  // namespace totem::server
