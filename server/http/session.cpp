#include "server/http/session.h"

#include <boost/asio/post.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>

#include "platform/json_rpc.h"

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

// The peer vanished or the connection was closed here: nothing to answer.
bool IsDisconnect(const error_code& ec) {
  return ec.category() != http::make_error_code(http::error::bad_target).category() ||
         ec == http::error::end_of_stream || ec == http::error::partial_message;
}

std::chrono::seconds Seconds(int seconds) { return std::chrono::seconds(seconds); }

}  // namespace

template <class Stream>
void Session<Stream>::Start() {
  server_.registry.Add(*this, State::kReading);
  if constexpr (kTls) {
    Tcp().expires_after(Seconds(Options().headTimeoutSeconds));
    stream_.async_handshake(asio::ssl::stream_base::server, [self = Self()](const error_code& ec) {
      if (!ec) self->AwaitRequest();
    });
  } else {
    // The reads and writes tried at once above must never block the loop.
    error_code ec;
    Tcp().socket().non_blocking(true, ec);
    AwaitRequest();
  }
}

// An idle connection holds no buffer and no parser, only its socket: the
// registry closes it once it has been idle for the keep-alive time.
template <class Stream>
void Session<Stream>::AwaitRequest() {
  if (server_.draining) return Close();
  if (buffer_.size() > 0) return ReadHead();
  buffer_.shrink_to_fit();
  server_.registry.Enter(*this, State::kIdle);
  Tcp().expires_never();
  if constexpr (kTls) {
    // Bytes may wait inside the TLS layer, out of the socket's sight.
    stream_.async_read_some(buffer_.prepare(kReadChunk),
                            [self = Self()](const error_code& ec, std::size_t n) {
                              if (ec) return;
                              self->buffer_.commit(n);
                              self->ReadHead();
                            });
  } else {
    Tcp().socket().async_wait(tcp::socket::wait_read, [self = Self()](const error_code& ec) {
      if (!ec) self->ReadHead();
    });
  }
}

// The head deadline runs from the request's first byte.
template <class Stream>
void Session<Stream>::ReadHead() {
  server_.registry.Enter(*this, State::kReading);
  parser_.emplace(Options().maxHeader, Options().maxBody);
  exchange_ = Exchange{};
  exchange_.start = std::chrono::steady_clock::now();
  exchange_.client = peer_;
  if constexpr (!kTls) {
    // Over plain TCP the whole head is usually waiting in the socket by
    // now: read without arming the deadline, which costs two system calls
    // a request. Only a head not yet whole goes on asynchronously, under
    // the deadline; the parser keeps what it has read.
    error_code ec;
    http::read_header(stream_, buffer_, *parser_, ec);
    if (ec != asio::error::would_block) return OnHead(ec);
  }
  Tcp().expires_after(Seconds(Options().headTimeoutSeconds));
  http::async_read_header(stream_, buffer_, *parser_,
                          [self = Self()](const error_code& ec, std::size_t) { self->OnHead(ec); });
}

template <class Stream>
void Session<Stream>::OnHead(const error_code& ec) {
  if (ec) return OnReadError(ec);
  const HttpRequest& head = parser_->Message();
  exchange_.start = std::chrono::steady_clock::now();
  exchange_.httpMethod = std::string(head.method_string());
  exchange_.path = std::string(PathOf(head.target()));
  exchange_.client = ClientAddress(head, peer_, Options());
  Screened screened = server_.screen.Screen(head);
  caller_ = ClassOf(screened);
  server_.registry.Classify(*this, caller_);
  exchange_.token = std::move(screened.token);
  exchange_.readOnly = screened.readOnly;
  exchange_.reach = std::move(screened.reach);
  if (screened.refusal)
    return Respond(
        RefusalAnswer(*screened.refusal, screened.refusal->close || !parser_->is_done()));
  route_ = screened.route;
  kiosk_ = std::move(screened.kiosk);
  kiosk_.token = exchange_.token;
  kiosk_.client = exchange_.client;
  kiosk_.capped = caller_ != CallerClass::kWriter;
  // Accepted: from here on the request is in flight and answered even when
  // the server is stopping. While its body comes, a reader's connection
  // may still be closed to make room; a writer's never is.
  if (parser_->is_done()) return Run();
  server_.registry.Enter(*this, State::kBody);
  if (!beast::iequals(head[http::field::expect], "100-continue")) return ReadBody();
  // The client waits for this before it sends the body.
  continue_ = http::response<http::empty_body>(http::status::continue_, head.version());
  Tcp().expires_after(Seconds(Options().writeTimeoutSeconds));
  http::async_write(stream_, continue_, [self = Self()](const error_code& ec, std::size_t) {
    if (ec) return self->Close();
    self->ReadBody();
  });
}

template <class Stream>
void Session<Stream>::ReadBody() {
  if constexpr (!kTls) {
    // Usually the body came with the head and waits in the buffer or the
    // socket: read it at once, without arming the deadline (two system
    // calls) or a round through the loop. Only a body not yet whole goes
    // on asynchronously, under the deadline.
    error_code ec;
    http::read(stream_, buffer_, *parser_, ec);
    if (ec != asio::error::would_block) {
      if (ec) return OnReadError(ec);
      return Run();
    }
  }
  Tcp().expires_after(Seconds(Options().bodyTimeoutSeconds));
  http::async_read(stream_, buffer_, *parser_, [self = Self()](const error_code& ec, std::size_t) {
    if (ec) return self->OnReadError(ec);
    self->Run();
  });
}

// A request that broke a limit or the grammar is refused and its connection
// closed: where the next request would start is unknown. One that ran out
// of time was closed by its deadline already; it is logged as 408.
template <class Stream>
void Session<Stream>::OnReadError(const error_code& ec) {
  if (const HttpRequest& head = parser_->Message(); !head.target().empty()) {
    exchange_.httpMethod = std::string(head.method_string());
    exchange_.path = std::string(PathOf(head.target()));
  }
  if (ec == beast::error::timeout) {
    exchange_.status = 408;
    Finish(exchange_, server_.metrics, server_.options.callLog);
    return;
  }
  if (IsDisconnect(ec)) return Close();
  HttpRefusal refusal{400, "Requisição HTTP malformada."};
  if (ec == http::error::header_limit || ec == http::error::buffer_overflow) {
    // The request line never ended within the limit: its target is too long.
    if (parser_->Message().target().empty())
      refusal = {414, "Alvo da requisição maior que o limite de " +
                          std::to_string(Options().maxHeader) + " bytes."};
    else
      refusal = {431, "Cabeçalho da requisição maior que o limite de " +
                          std::to_string(Options().maxHeader) + " bytes ou de " +
                          std::to_string(RequestParser::kMaxFields) + " campos."};
  } else if (parser_->Folded()) {
    refusal = {400,
               "Cabeçalho continuado na linha seguinte (obs-fold) não é aceito; envie cada campo "
               "numa linha."};
  } else if (ec == http::error::body_limit) {
    refusal = {413, "Corpo da requisição maior que o limite de " +
                        std::to_string(Options().maxBody) + " bytes."};
  }
  Respond(RefusalAnswer(refusal, true));
}

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
  Tcp().expires_after(Seconds(Options().writeTimeoutSeconds));
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

template class Session<PlainStream>;
template class Session<TlsStream>;

namespace {

std::string PeerAddress(const tcp::endpoint& endpoint) {
  const auto address = endpoint.address();
  if (address.is_v6() && address.to_v6().is_v4_mapped())
    return asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6()).to_string();
  return address.to_string();
}

}  // namespace

void ServeConnection(ServerContext& server, tcp::socket socket) {
  error_code ec;
  const auto endpoint = socket.remote_endpoint(ec);
  if (ec) return;  // gone already
  // Without TCP_NODELAY every keep-alive answer waits ~40 ms on delayed ACKs.
  socket.set_option(tcp::no_delay(true), ec);
  const bool loopback =
      endpoint.address().is_loopback() ||
      (endpoint.address().is_v6() && endpoint.address().to_v6().is_v4_mapped() &&
       asio::ip::make_address_v4(asio::ip::v4_mapped, endpoint.address().to_v6()).is_loopback());
  if (server.tls)
    std::make_shared<Session<TlsStream>>(server,
                                         TlsStream(PlainStream(std::move(socket)), *server.tls),
                                         PeerAddress(endpoint), loopback)
        ->Start();
  else
    std::make_shared<Session<PlainStream>>(server, PlainStream(std::move(socket)),
                                           PeerAddress(endpoint), loopback)
        ->Start();
}

}  // namespace totem::server
