#pragma once
// The kiosks' read path: GET /kiosk/v1/parametros/<branch>/<register>. Every
// register's version is kept in memory, loaded at start and raised by each
// committed change the store reports (this server's, and over PostgreSQL the
// other servers'), so a kiosk whose copy is current is answered 304 without
// the database. A register's settings are read on a worker once per version
// and kept for the next kiosks that ask. A read with "aguardar" whose copy is
// current waits here, holding no worker and no database connection, until a
// newer version is committed (answered 200 at once) or its time is up (304).
// A read-only caller's waits are capped per token and per address: a read
// over either cap is answered at once, as if its wait had ended. Each event
// loop has a hub of its own for the connections it serves; every hub hears
// every change. Runs on its event loop's thread, except Announce.
#include "server/domain/kiosk_view.h"
#include "server/http/admission.h"
#include "server/http/call_metrics.h"
#include "server/http/request_screen.h"
#include "server/http/routes.h"
#include "server/store/store.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/thread_pool.hpp>

#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace totem::server {

// Where the hub reads from; both are called on worker threads (versions
// also once at start) and may throw StoreError.
struct KioskSource {
  std::function<std::vector<VersaoCaixa>()> versions;
  std::function<std::optional<KioskReading>(const CaixaKey&)> read;
};

class KioskHub {
 public:
  using Reply = std::function<void(Answer)>;  // called on the loop, once

  KioskHub(boost::asio::io_context& loop, boost::asio::thread_pool& workers, CallMetrics& metrics,
           WaitQuota& quota);

  // Reads every register's version; the path answers 404 until then.
  // Throws StoreError.
  void Start(KioskSource source);
  // The same from versions read already (by another loop's hub).
  void Start(KioskSource source, const std::vector<VersaoCaixa>& versions);
  bool Started() const { return started_; }

  void Serve(const KioskTarget& target, Reply reply);
  // These registers' records changed; safe from any thread.
  void Announce(std::vector<VersaoCaixa> changes);
  // The server stops: every waiting read is answered 503 now, closing its
  // connection, so the kiosk reconnects to a server that is up; no read
  // waits from here on.
  void Drain();
  std::size_t Waiting() const { return waiting_; }

 private:
  struct Waiter;
  struct Pending {
    KioskTarget target;
    Reply reply;
  };
  struct Entry {
    long long versao = -1;  // -1: not known yet (a register this server has not seen)
    std::optional<KioskReading> cached;
    bool loading = false;
    bool readAgain = false;        // the register changed while it was being read
    std::vector<Pending> pending;  // reads waiting for the load
    std::list<std::shared_ptr<Waiter>> waiters;
  };

  void Decide(const CaixaKey& key, Entry& entry, Pending request, bool afterLoad);
  void Load(const CaixaKey& key, Entry& entry);
  void Loaded(const CaixaKey& key, std::optional<KioskReading> reading, bool failed);
  void Wait(const CaixaKey& key, Entry& entry, Pending request);
  void Raise(const VersaoCaixa& change);
  void Forget(const CaixaKey& key);
  std::vector<Pending> Release(Entry& entry);
  void Count(std::size_t waiting);
  void EndWait(Waiter& waiter);

  boost::asio::io_context& loop_;
  boost::asio::thread_pool& workers_;
  CallMetrics& metrics_;
  WaitQuota& quota_;
  KioskSource source_;
  bool started_ = false;
  bool draining_ = false;
  std::map<CaixaKey, Entry> entries_;
  std::size_t waiting_ = 0;
};

}  // namespace totem::server
