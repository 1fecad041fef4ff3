#include "server/http/session.h"

#include <sched.h>
#include <sys/socket.h>
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

// A client on another CPU of this machine sends its next request to a CPU
// that may have gone idle meanwhile: the loop keeps looking for a while
// instead. A client across the network takes longer than that to answer.
// Looking pays only for a client that itself looks for its answer: one
// that sleeps until it comes must be woken anyway, and a loop busy looking
// keeps the system from bringing the two threads onto one CPU, where they
// answer each other fastest. So the loop learns which kind of client it
// has (NoteRequestArrived) and, for one that came late kSlowInARow times
// running, looks again only every kLookAgainEvery answers, in case it has
// changed.
template <class Stream>
void Session<Stream>::ExpectNextRequest() {
  constexpr std::uint8_t kLookAgainEvery = 64;
  const int micros = Options().pollMicros;
  if (micros <= 0 || !loopbackPeer_) return;
  if (slowAnswers_ >= kSlowInARow && ++sinceLook_ < kLookAgainEvery) return;
  int cpu = -1;
  socklen_t length = sizeof cpu;
  if (getsockopt(Tcp().socket().native_handle(), SOL_SOCKET, SO_INCOMING_CPU, &cpu, &length) != 0 ||
      cpu < 0 || cpu == sched_getcpu())
    return;
  sinceLook_ = 0;
  lookingSince_ = std::chrono::steady_clock::now();
  server_.pollUntil = lookingSince_ + std::chrono::microseconds(micros);
}

// A request that came while the loop looked for it tells how the client
// waits: within kQuickClient of the answer it was looking for the answer
// itself; later, it slept and had to be woken. One that came after the
// loop stopped looking says nothing (the client had other work).
template <class Stream>
void Session<Stream>::NoteRequestArrived(std::chrono::steady_clock::time_point now) {
  constexpr std::chrono::microseconds kQuickClient{15};
  if (lookingSince_ == std::chrono::steady_clock::time_point{}) return;
  const auto waited = now - lookingSince_;
  lookingSince_ = {};
  if (waited > std::chrono::microseconds(Options().pollMicros)) return;
  if (waited <= kQuickClient)
    slowAnswers_ = 0;
  else if (slowAnswers_ < kSlowInARow)
    ++slowAnswers_;
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
  ExpectNextRequest();
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
  NoteRequestArrived(exchange_.start);
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
