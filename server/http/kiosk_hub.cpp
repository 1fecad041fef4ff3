#include "server/http/kiosk_hub.h"

#include "server/log/server_log.h"

#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>

#include <algorithm>

namespace totem::server {
namespace {

namespace asio = boost::asio;

// How long a kiosk whose wait went over its caps waits to be read again.
constexpr std::chrono::seconds kOverCapPause{1};

// Whether an If-None-Match value names these settings: a list of entity
// tags, weak or strong, or "*". Kiosks written when the tag was the bare
// version ("7") still send that; it is taken as before, by the version
// alone, so that they keep waiting instead of being answered at once.
bool Matches(std::string_view header, const KioskReading& reading) {
  const std::string bareVersion = "\"" + std::to_string(reading.versao) + "\"";
  while (!header.empty()) {
    const auto comma = header.find(',');
    std::string_view item = header.substr(0, comma);
    header.remove_prefix(comma == std::string_view::npos ? header.size() : comma + 1);
    while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) item.remove_prefix(1);
    while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) item.remove_suffix(1);
    if (item.substr(0, 2) == "W/") item.remove_prefix(2);
    if (item == "*" || item == reading.etag || item == bareVersion) return true;
  }
  return false;
}

Answer Current(const KioskReading& reading) {
  Answer answer{200, reading.body, kJsonType};
  answer.etag = reading.etag;
  return answer;
}

Answer Unchanged(const KioskReading& reading) {
  Answer answer{304, {}, nullptr};
  answer.etag = reading.etag;
  return answer;
}

Answer Unavailable(const std::string& message) {
  Answer answer{503, ErrorBody(message), kJsonType};
  answer.retryAfter = 1;
  answer.close = true;
  return answer;
}

Answer Unknown(const CaixaKey& key) {
  return Answer{
      404, ErrorBody("Caixa " + key.cdCaixa + " da filial " + key.cdFilial + " não cadastrado."),
      kJsonType};
}

}  // namespace

struct KioskHub::Waiter {
  explicit Waiter(asio::io_context& loop) : timer(loop) {}
  Pending request;
  asio::steady_timer timer;
  std::list<std::shared_ptr<Waiter>>::iterator position;
  bool done = false;
  bool counted = false;  // holds a place under the caps on waits
};

KioskHub::KioskHub(asio::io_context& loop, asio::thread_pool& workers, CallMetrics& metrics,
                   WaitQuota& quota)
    : loop_(loop), workers_(workers), metrics_(metrics), quota_(quota) {}

void KioskHub::Count(std::size_t waiting) {
  metrics_.AddKioskWaiting(static_cast<long>(waiting) - static_cast<long>(waiting_));
  waiting_ = waiting;
}

// A wait ends, by its time, a change or a stop; its place under the caps
// is free again.
void KioskHub::EndWait(Waiter& waiter) {
  waiter.done = true;
  if (waiter.counted) quota_.Release(waiter.request.target.token, waiter.request.target.client);
  waiter.counted = false;
}

// Before the loop runs; changes announced meanwhile are applied after it,
// and only ever raise a version.
void KioskHub::Start(KioskSource source) {
  auto versions = source.versions();
  Start(std::move(source), versions);
}

void KioskHub::Start(KioskSource source, const std::vector<VersaoCaixa>& versions) {
  source_ = std::move(source);
  for (const VersaoCaixa& v : versions) entries_[v.caixa].versao = v.versao;
  started_ = true;
}

void KioskHub::Serve(const KioskTarget& target, Reply reply) {
  if (!started_)
    return reply(
        Answer{404, ErrorBody("Caminho desconhecido: " + std::string(kKioskPrefix)), kJsonType});
  CaixaKey key{target.cdFilial, target.cdCaixa};
  auto it = entries_.find(key);
  if (it == entries_.end()) {
    // A register created after start, or none: the database says which.
    it = entries_.emplace(key, Entry{}).first;
  }
  Decide(it->first, it->second, Pending{target, std::move(reply)}, false);
}

// A kiosk holding the current settings' tag waits or hears 304; any other
// gets the body, read once per version. The tag, not the version, decides:
// so the settings are read before the first answer for a register, and
// again once a newer version is announced. Right after a load the body
// read is used even when a newer version was announced meanwhile: its tag
// says which it is, and the kiosk's next read fetches the newer one.
void KioskHub::Decide(const CaixaKey& key, Entry& entry, Pending request, bool afterLoad) {
  const bool fresh = entry.cached && (afterLoad || entry.cached->versao >= entry.versao);
  if (entry.versao < 0 || !fresh) {
    entry.pending.push_back(std::move(request));
    return Load(key, entry);
  }
  const KioskReading& reading = *entry.cached;
  const KioskTarget& t = request.target;
  if (t.ifNoneMatch.empty() || !Matches(t.ifNoneMatch, reading))
    return request.reply(Current(reading));
  const bool newerAnnounced = reading.versao < entry.versao;
  if (t.aguardar <= 0 || draining_ || newerAnnounced) return request.reply(Unchanged(reading));
  if (!t.capped || quota_.Acquire(t.token, t.client)) return Wait(key, entry, std::move(request));
  // Over the caps: answered now, and the kiosk's next read waits a while
  // on its connection, so that caller cannot make the server spin.
  Answer answer = Unchanged(reading);
  answer.pause = kOverCapPause;
  request.reply(std::move(answer));
}

void KioskHub::Load(const CaixaKey& key, Entry& entry) {
  if (entry.loading) return;
  entry.loading = true;
  asio::post(workers_, [this, key, work = asio::make_work_guard(loop_)] {
    std::optional<KioskReading> reading;
    bool failed = false;
    try {
      reading = source_.read(key);
    } catch (const std::exception& error) {
      LogError("leitura do totem " + key.Text() + ": " + error.what());
      failed = true;
    }
    asio::post(loop_, [this, key, reading = std::move(reading), failed]() mutable {
      Loaded(key, std::move(reading), failed);
    });
  });
}

void KioskHub::Loaded(const CaixaKey& key, std::optional<KioskReading> reading, bool failed) {
  auto it = entries_.find(key);
  if (it == entries_.end()) return;
  Entry& entry = it->second;
  entry.loading = false;
  if (entry.readAgain) {
    entry.readAgain = false;
    return Load(key, entry);
  }
  std::vector<Pending> pending = std::move(entry.pending);
  entry.pending.clear();
  if (failed) {
    for (auto& p : pending) p.reply(Unavailable("Base de dados indisponível; tente de novo."));
    if (entry.versao < 0 && entry.waiters.empty()) entries_.erase(it);
    return;
  }
  if (!reading) {
    for (auto& p : pending) p.reply(Unknown(key));
    if (entry.waiters.empty()) entries_.erase(it);
    return;
  }
  entry.versao = std::max(entry.versao, reading->versao);
  entry.cached = std::move(reading);
  for (auto& p : pending) Decide(key, entry, std::move(p), true);
}

void KioskHub::Wait(const CaixaKey& key, Entry& entry, Pending request) {
  auto waiter = std::make_shared<Waiter>(loop_);
  const int seconds = request.target.aguardar;
  waiter->counted = request.target.capped;
  waiter->request = std::move(request);
  waiter->position = entry.waiters.insert(entry.waiters.end(), waiter);
  Count(waiting_ + 1);
  waiter->timer.expires_after(std::chrono::seconds(seconds));
  waiter->timer.async_wait(
      [this, key, weak = std::weak_ptr<Waiter>(waiter)](const boost::system::error_code&) {
        auto waiter = weak.lock();
        if (!waiter || waiter->done) return;
        EndWait(*waiter);
        Count(waiting_ - 1);
        Entry& entry = entries_.at(key);
        entry.waiters.erase(waiter->position);
        // A wait starts only with the settings read, and a load replaces them
        // only after every wait on the register was released.
        waiter->request.reply(Unchanged(*entry.cached));
      });
}

void KioskHub::Announce(std::vector<VersaoCaixa> changes) {
  asio::post(loop_, [this, changes = std::move(changes)] {
    for (const VersaoCaixa& change : changes) Raise(change);
  });
}

// A newer version wakes the register's waiting kiosks; they get the new
// body, read once for all of them.
void KioskHub::Raise(const VersaoCaixa& change) {
  if (!started_) return;
  if (change.versao == kCadastroMudou) return Forget(change.caixa);
  Entry& entry = entries_[change.caixa];
  if (change.versao <= entry.versao) return;
  entry.versao = change.versao;
  if (entry.waiters.empty()) return;
  for (auto& request : Release(entry)) entry.pending.push_back(std::move(request));
  Load(change.caixa, entry);
}

// A register, or a whole branch (an empty register), was removed or brought
// back: what is kept of it is dropped, and its waiting kiosks get what a
// read finds now (404 once removed). A load under way read too early; its
// result is thrown away and the register read again.
void KioskHub::Forget(const CaixaKey& key) {
  for (auto it = entries_.begin(); it != entries_.end();) {
    if (it->first.cdFilial != key.cdFilial ||
        (!key.cdCaixa.empty() && it->first.cdCaixa != key.cdCaixa)) {
      ++it;
      continue;
    }
    Entry& entry = it->second;
    entry.versao = -1;
    entry.cached.reset();
    for (auto& request : Release(entry)) entry.pending.push_back(std::move(request));
    if (entry.loading) {
      entry.readAgain = true;
    } else if (!entry.pending.empty()) {
      Load(it->first, entry);
    } else {
      it = entries_.erase(it);
      continue;
    }
    ++it;
  }
}

// Ends every wait on the register; their timers will find them done.
std::vector<KioskHub::Pending> KioskHub::Release(Entry& entry) {
  std::vector<Pending> requests;
  for (auto& waiter : entry.waiters) {
    EndWait(*waiter);
    waiter->timer.cancel();
    requests.push_back(std::move(waiter->request));
  }
  entry.waiters.clear();
  Count(waiting_ - requests.size());
  return requests;
}

void KioskHub::Drain() {
  draining_ = true;
  for (auto& [key, entry] : entries_)
    for (auto& request : Release(entry))
      request.reply(Unavailable("Servidor encerrando; conecte de novo."));
}

}  // namespace totem::server
