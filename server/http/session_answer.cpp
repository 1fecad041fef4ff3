// The second half of a connection's life: running the call it read,
// writing the answer, and closing. The first half, reading a request, is
// in session.cpp; both instantiate the members they define for both streams.
#include "server/http/session.h"

#include <boost/asio/post.hpp>
#include <boost/beast/http/write.hpp>

namespace totem::server {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using beast::error_code;
using State = Connection::State;

// After its last answer a connection reads and drops what the client still
// sends, for this long or this much at most, so that closing with unread
// input (which resets the connection) cannot destroy the answer on its way.
constexpr auto kLingerTime = std::chrono::seconds(2);
constexpr std::size_t kLingerBytes = 256 * 1024;
// Where lingering input goes; its contents are never looked at.
char g_discarded[4096];

}  // namespace

// A call runs where its lane says: one register's read from a local store
// on this loop, other reads on a read worker, a writer's writes on the
// write lane. A worker's answer comes back to the loop to be written, so
// that the loop alone touches the connection and sees it idle again the
// moment its answer is out. A work guard keeps the loop running meanwhile,
// even while it stops. Reads are refused while the answers held fill their
// budget; writes, and the back office's reads of one register, never are.
template <class Stream>
void Session<Stream>::Run() {
  server_.registry.Enter(*this, State::kBusy);
  Tcp().expires_never();
  if (route_ == Route::kKiosk) {
    // Answered from memory, after a read on a worker, or once a change
    // comes or the wait is up; always on the loop.
    return server_.kiosk.Serve(kiosk_, [self = Self()](Answer answer) {
      // Kiosks asking whether anything changed would fill the log.
      self->exchange_.quiet = answer.status == 304;
      self->server_.metrics.RecordKioskAnswer(answer.status);
      self->Prepare(std::move(answer));
      self->WriteOnLoop();
    });
  }
  const auto [lane, budgeted] = server_.routes.Place(route_, parser_->Message().body(), caller_);
  if (lane == Lane::kLoop) {
    Prepare(Execute(budgeted));
    return WriteOnLoop();
  }
  auto& pool = lane == Lane::kWrites ? server_.writes : server_.reads;
  asio::post(pool, [self = Self(), budgeted = budgeted,
                    work = asio::make_work_guard(server_.loop)]() mutable {
    self->Prepare(self->Execute(budgeted));
    auto& loop = self->server_.loop;
    asio::post(loop, [self = std::move(self)] { self->WriteOnLoop(); });
  });
}

// The budget is looked at when the call is about to run, on whatever
// thread runs it, so that reads queued at once cannot all pass it.
template <class Stream>
Answer Session<Stream>::Execute(bool budgeted) {
  if (budgeted && server_.budget.Exhausted()) return Routes::Busy(exchange_);
  return server_.routes.Run(route_, parser_->Message().body(), exchange_);
}

// Who the request's head says is calling. Without a token file the callers
// on this machine may write; others reach the server only when it was told
// to listen beyond them, and count as unauthenticated.
template <class Stream>
CallerClass Session<Stream>::ClassOf(const Screened& screened) const {
  if (!screened.token.empty())
    return screened.readOnly ? CallerClass::kReader : CallerClass::kWriter;
  if (!Options().tokens.Empty()) return CallerClass::kAnonymous;
  return loopbackPeer_ ? CallerClass::kWriter : CallerClass::kAnonymous;
}

// Closed for room or for idle time. A writer's request that reached the
// socket after its connection was chosen is served after all, rather than
// lost to the reset a close with unread bytes sends: the server is over its
// cap by one for as long as it takes. Anyone else's is closed.
template <class Stream>
void Session<Stream>::CloseUnlessAsked() {
  if (serializer_) {
    // Chosen while its answer was still going out: it closes after it.
    closeAfterAnswer_ = true;
    return;
  }
  error_code ec;
  const bool asked = Tcp().socket().available(ec) > 0 && !ec;
  if (asked && caller_ == CallerClass::kWriter && !server_.draining)
    return server_.registry.Add(*this, State::kIdle);
  Close();
}

template <class Stream>
void Session<Stream>::Release() {
  if (held_ > 0) server_.budget.Free(held_);
  held_ = 0;
}

// The answer's message; whether the connection stays open after it.
template <class Stream>
void Session<Stream>::Prepare(Answer answer) {
  const HttpRequest& request = parser_->Message();
  exchange_.status = answer.status;
  response_ = {};
  response_.result(static_cast<unsigned>(answer.status));
  response_.version(request.version() == 10 ? 10 : 11);
  if (answer.contentType) response_.set(http::field::content_type, answer.contentType);
  if (answer.status == 401) response_.set(http::field::www_authenticate, "Bearer");
  if (!answer.allow.empty()) response_.set(http::field::allow, answer.allow);
  if (!answer.etag.empty()) {
    response_.set(http::field::etag, answer.etag);
    response_.set(http::field::cache_control, "no-cache");
  }
  if (answer.retryAfter > 0)
    response_.set(http::field::retry_after, std::to_string(answer.retryAfter));
  response_.body() = std::move(answer.body);
  pause_ = answer.pause;
  held_ = response_.body().size();
  server_.budget.Hold(held_);
  ++answered_;
  keepAlive_ = !answer.close && request.keep_alive() && answered_ < Options().keepAliveRequests &&
               !server_.draining;
  response_.keep_alive(keepAlive_);
  // A 204 carries no body and, by the standard, no Content-Length; a 304
  // none either.
  if (answer.status != 204 && answer.status != 304) response_.prepare_payload();
  serializer_.emplace(response_);
}

template <class Stream>
void Session<Stream>::Respond(Answer answer) {
  server_.registry.Enter(*this, State::kBusy);
  Prepare(std::move(answer));
  WriteOnLoop();
}

template <class Stream>
void Session<Stream>::WriteOnLoop() {
  if constexpr (!kTls) {
    // An answer the socket takes at once needs no deadline; the rest of one
    // it does not take goes out asynchronously under the deadline. A
    // connection that will wait for its next request counts as idle from
    // before the write: a client that reads its answer and opens another
    // connection at once must find this one idle, whichever loop accepts
    // the new one. Closed for room meanwhile, it closes only once its
    // answer is out.
    const bool idleNext = keepAlive_ && buffer_.size() == 0;
    if (idleNext) server_.registry.Enter(*this, State::kIdle);
    error_code ec;
    http::write(stream_, *serializer_, ec);
    if (ec == asio::error::would_block && idleNext) server_.registry.Enter(*this, State::kBusy);
    if (ec != asio::error::would_block) {
      Finish(exchange_, server_.metrics, server_.options.callLog);
      if (ec) return Close();
      // A request sent ahead goes through the loop, not straight on: each
      // would otherwise be answered one call deeper on the stack. Without
      // one, the connection is idle again before the client can send more.
      if (buffer_.size() > 0)
        return asio::post(server_.loop, [self = Self()] { self->AfterWritten(); });
      return AfterWritten();
    }
  }
  Tcp().expires_after(std::chrono::seconds(Options().writeTimeoutSeconds));
  http::async_write(stream_, *serializer_, [self = Self()](const error_code& ec, std::size_t) {
    Finish(self->exchange_, self->server_.metrics, self->server_.options.callLog);
    if (ec || self->closeAfterAnswer_) return self->Close();
    self->AfterWritten();
  });
}

template <class Stream>
void Session<Stream>::AfterWritten() {
  serializer_.reset();
  response_ = {};
  Release();
  parser_.reset();
  if (!keepAlive_) return Shutdown();
  if (pause_.count() == 0) return AwaitRequest();
  // Idle meanwhile: closed first for room, like any idle connection.
  server_.registry.Enter(*this, State::kIdle);
  if (!pauseTimer_) pauseTimer_ = std::make_unique<asio::steady_timer>(server_.loop);
  pauseTimer_->expires_after(pause_);
  pauseTimer_->async_wait([self = Self()](const error_code& ec) {
    if (!ec) self->AwaitRequest();
  });
}

template <class Stream>
void Session<Stream>::Shutdown() {
  server_.registry.Enter(*this, State::kClosing);
  Tcp().expires_after(kLingerTime);
  if constexpr (kTls) {
    stream_.async_shutdown([self = Self()](const error_code&) { self->Close(); });
  } else {
    error_code ignored;
    Tcp().socket().shutdown(tcp::socket::shutdown_send, ignored);
    buffer_.clear();
    Linger(0);
  }
}

template <class Stream>
void Session<Stream>::Linger(std::size_t discarded) {
  Tcp().async_read_some(asio::buffer(g_discarded),
                        [self = Self(), discarded](const error_code& ec, std::size_t n) {
                          if (ec || discarded + n > kLingerBytes) return self->Close();
                          self->Linger(discarded + n);
                        });
}

template void Session<PlainStream>::Run();
template void Session<TlsStream>::Run();
template Answer Session<PlainStream>::Execute(bool budgeted);
template Answer Session<TlsStream>::Execute(bool budgeted);
template CallerClass Session<PlainStream>::ClassOf(const Screened& screened) const;
template CallerClass Session<TlsStream>::ClassOf(const Screened& screened) const;
template void Session<PlainStream>::CloseUnlessAsked();
template void Session<TlsStream>::CloseUnlessAsked();
template void Session<PlainStream>::Release();
template void Session<TlsStream>::Release();
template void Session<PlainStream>::Prepare(Answer answer);
template void Session<TlsStream>::Prepare(Answer answer);
template void Session<PlainStream>::Respond(Answer answer);
template void Session<TlsStream>::Respond(Answer answer);
template void Session<PlainStream>::WriteOnLoop();
template void Session<TlsStream>::WriteOnLoop();
template void Session<PlainStream>::AfterWritten();
template void Session<TlsStream>::AfterWritten();
template void Session<PlainStream>::Shutdown();
template void Session<TlsStream>::Shutdown();
template void Session<PlainStream>::Linger(std::size_t discarded);
template void Session<TlsStream>::Linger(std::size_t discarded);

}  // namespace totem::server
