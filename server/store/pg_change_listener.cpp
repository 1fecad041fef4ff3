// The PostgreSQL listener: one connection of its own, LISTENing on the
// change channel, on a thread that waits for its socket or for the signal to
// stop. A lost connection is opened again with a growing pause, and every
// register's version is read once it is back, since changes committed in
// between were never heard.
#include "server/log/server_log.h"
#include "server/store/change_feed.h"
#include "server/store/pg_store.h"
#include "server/store/sql_statements.h"

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace totem::server {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kFirstPause{100};
constexpr milliseconds kLongestPause{5000};
// A connection silent this long is asked a trivial query, so that a
// database that vanished without closing it is noticed.
constexpr milliseconds kProbeAfter{30000};

class PgChangeListener : public ChangeListener {
 public:
  PgChangeListener(std::string conninfo, ChangeObserver observer, VersionReader versions)
      : conninfo_(std::move(conninfo)),
        observer_(std::move(observer)),
        versions_(std::move(versions)) {
    connection_ = Listen();
    thread_ = std::thread([this] { Run(); });
  }

  ~PgChangeListener() override {
    stop_ = true;
    wake_.Notify();
    thread_.join();
  }

 private:
  std::unique_ptr<PgConnection> Listen() {
    auto connection = std::make_unique<PgConnection>(conninfo_);
    connection->Exec((std::string("LISTEN ") + sql::kChangeChannel).c_str());
    return connection;
  }

  void Run() {
    milliseconds pause = kFirstPause;
    bool warned = false;
    while (!stop_) {
      if (!connection_) {
        try {
          connection_ = Listen();
          observer_(versions_());
          LogLine("ouvinte de mudanças do PostgreSQL reconectado; versões relidas");
          pause = kFirstPause;
          warned = false;
        } catch (const StoreError& error) {
          connection_.reset();
          if (!warned)
            LogWarning(std::string("ouvinte de mudanças do PostgreSQL sem conexão: ") +
                       error.what());
          warned = true;
          wake_.Sleep(static_cast<int>(pause.count()));
          pause = std::min(pause * 2, kLongestPause);
          continue;
        }
      }
      try {
        Hear();
      } catch (const StoreError& error) {
        LogWarning(std::string("ouvinte de mudanças do PostgreSQL perdeu a conexão: ") +
                   error.what());
        warned = true;
        connection_.reset();
      }
    }
  }

  // Waits for the socket, the stop signal or the probe's time, then hands
  // every notification that arrived to the observer. Throws StoreError when
  // the connection broke.
  void Hear() {
    pg_conn* conn = connection_->Handle();
    pollfd fds[2] = {{PQsocket(conn), POLLIN, 0}, {wake_.fd(), POLLIN, 0}};
    const int ready = poll(fds, 2, static_cast<int>(kProbeAfter.count()));
    if (stop_) return;
    if (ready == 0)
      connection_->Exec("SELECT 1");
    else if (ready > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) && !PQconsumeInput(conn))
      connection_->Fail("leitura das notificações");
    if (connection_->Broken()) connection_->Fail("conexão encerrada");
    std::vector<VersaoCaixa> changes;
    while (PGnotify* notification = PQnotifies(conn)) {
      auto heard = ParseChanges(notification->extra);
      PQfreemem(notification);
      changes.insert(changes.end(), heard.begin(), heard.end());
    }
    if (!changes.empty()) observer_(changes);
  }

  const std::string conninfo_;
  const ChangeObserver observer_;
  const VersionReader versions_;
  std::unique_ptr<PgConnection> connection_;
  WakeSignal wake_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace

std::unique_ptr<ChangeListener> PgDialect::Listen(const std::string& conninfo,
                                                  ChangeObserver observer, VersionReader versions,
                                                  int) {
  return std::make_unique<PgChangeListener>(conninfo, std::move(observer), std::move(versions));
}

}  // namespace totem::server
