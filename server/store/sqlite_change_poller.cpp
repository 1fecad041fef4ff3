// Over SQLite the server that owns the file learns of its own commits as
// they happen; a command run beside it (an import) writes the same file
// from another process, unheard. So every so often (a second by default)
// a connection of its own reads the history rows added since it last
// looked and reports them as changes: saves, and branches and registers
// removed or brought back.
#include "server/log/server_log.h"
#include "server/store/change_feed.h"
#include "server/store/sqlite_store.h"

#include <atomic>
#include <thread>

namespace totem::server {
namespace {

class SqliteChangePoller : public ChangeListener {
 public:
  SqliteChangePoller(const std::string& path, ChangeObserver observer, VersionReader versions,
                     int pollMs)
      : connection_(path),
        observer_(std::move(observer)),
        versions_(std::move(versions)),
        pollMs_(pollMs) {
    for (Source& source : sources_) source.lastRow = LastRow(source);
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
        bool purged = false;
        for (Source& source : sources_) {
          auto added = connection_.Prepare(
              std::string("SELECT rowid, cdfilial, COALESCE(cdcaixa, ''), ") + source.version +
              " FROM " + source.table + " WHERE rowid > ? ORDER BY rowid");
          added.BindInt(1, source.lastRow);
          while (added.Step()) {
            source.lastRow = added.Int(0);
            if (added.Int(3) == kPurged)
              purged = true;
            else
              changes.push_back({{added.Text(1), added.Text(2)}, added.Int(3)});
          }
        }
        // A purge deleted history rows, and SQLite may give their rowids
        // to the next rows: from here on every register's version is read
        // afresh (the hub keeps only the ones that grew), after the point
        // from which new rows are looked for, so none is missed.
        if (purged) {
          sources_.front().lastRow = LastRow(sources_.front());
          const auto all = versions_();
          changes.insert(changes.end(), all.begin(), all.end());
        }
        if (!changes.empty()) observer_(changes);
        warned = false;
      } catch (const StoreError& error) {
        if (!warned)
          LogWarning(std::string("observador de mudanças da base SQLite: ") + error.what());
        warned = true;
      }
    }
  }

  SqliteConnection connection_;
  const ChangeObserver observer_;
  const VersionReader versions_;
  const int pollMs_;
  // The tables whose rows are changes, and the version each row reports:
  // a save's number, or a removal or return of a branch or register.
  struct Source {
    const char* table;
    const char* version;
    long long lastRow = 0;
  };
  static constexpr long long kPurged = -2;
  std::vector<Source> sources_ = {
      {"parametro_totem_historico", "nrgravacao"},
      {"cadastro_historico", "CASE dsevento WHEN 'purgado' THEN -2 ELSE -1 END"}};

  long long LastRow(const Source& source) {
    auto last =
        connection_.Prepare(std::string("SELECT COALESCE(MAX(rowid), 0) FROM ") + source.table);
    last.Step();
    return last.Int(0);
  }
  WakeSignal wake_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace

std::unique_ptr<ChangeListener> SqliteDialect::Listen(const std::string& path,
                                                      const ChangeObserver& observer,
                                                      const VersionReader& versions, int pollMs) {
  if (pollMs <= 0) return nullptr;
  return std::make_unique<SqliteChangePoller>(path, observer, versions, pollMs);
}

}  // namespace totem::server
