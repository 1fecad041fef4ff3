// Over SQLite the server that owns the file learns of its own commits as
// they happen; a command run beside it (an import) writes the same file
// from another process, unheard. So every so often (a second by default)
// a connection of its own reads the history rows added since it last
// looked (the history table's rowids only grow: rows are never deleted)
// and reports them as changes.
#include "server/log/server_log.h"
#include "server/store/change_feed.h"
#include "server/store/sqlite_store.h"

#include <atomic>
#include <thread>

namespace totem::server {
namespace {

class SqliteChangePoller : public ChangeListener {
 public:
  SqliteChangePoller(const std::string& path, ChangeObserver observer, int pollMs)
      : connection_(path), observer_(std::move(observer)), pollMs_(pollMs) {
    auto last = connection_.Prepare("SELECT COALESCE(MAX(rowid), 0) FROM parametro_totem_historico");
    last.Step();
    lastRow_ = last.Int(0);
    thread_ = std::thread([this] { Run(); });
  }

  ~SqliteChangePoller() override {
    stop_ = true;
    wake_.Notify();
    thread_.join();
  }

 private:
  void Run() {
    bool warned = false;
    while (true) {
      wake_.Sleep(pollMs_);
      if (stop_) return;
      try {
        std::vector<VersaoCaixa> changes;
        auto added = connection_.Prepare(
            "SELECT rowid, cdfilial, cdcaixa, nrgravacao FROM parametro_totem_historico WHERE rowid > ?"
            " ORDER BY rowid");
        added.BindInt(1, lastRow_);
        while (added.Step()) {
          lastRow_ = added.Int(0);
          changes.push_back({{added.Text(1), added.Text(2)}, added.Int(3)});
        }
        if (!changes.empty()) observer_(changes);
        warned = false;
      } catch (const StoreError& error) {
        if (!warned) LogWarning(std::string("observador de mudanças da base SQLite: ") + error.what());
        warned = true;
      }
    }
  }

  SqliteConnection connection_;
  const ChangeObserver observer_;
  const int pollMs_;
  long long lastRow_ = 0;
  WakeSignal wake_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace

std::unique_ptr<ChangeListener> SqliteDialect::Listen(const std::string& path, const ChangeObserver& observer,
                                                      const VersionReader&, int pollMs) {
  if (pollMs <= 0) return nullptr;
  return std::make_unique<SqliteChangePoller>(path, observer, pollMs);
}

}  // namespace totem::server
