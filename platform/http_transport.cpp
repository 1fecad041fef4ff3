#include "platform/http_transport.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/uio.h>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/ssl/stream.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/basic_parser.hpp>
#include <boost/beast/http/read.hpp>

#include <array>
#include <cerrno>
#include <limits>
#include <optional>

namespace totem {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace ssl = asio::ssl;
using boost::system::error_code;
using Clock = std::chrono::steady_clock;

// Waits until fd is ready for events or the deadline passes.
bool AwaitReady(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd descriptor{fd, events, 0};
    const int ready = poll(&descriptor, 1, static_cast<int>(std::min<long long>(left, 1 << 30)));
    if (ready > 0) return true;
    if (ready == 0) return false;
    if (errno != EINTR) return false;
  }
}

// A connected TCP socket whose reads and writes block, each for at most the
// timeout the socket was given (SO_RCVTIMEO, SO_SNDTIMEO): what Beast's
// synchronous reads and writes, and TLS over them, need to give up on a
// server that stops answering. The system calls are made here: the
// library's own synchronous calls would wait on without end once the
// socket's timeout passed.
class TimedSocket {
 public:
  using executor_type = asio::ip::tcp::socket::executor_type;
  using lowest_layer_type = asio::ip::tcp::socket::lowest_layer_type;

  explicit TimedSocket(asio::ip::tcp::socket socket) : socket_(std::move(socket)) {}
  executor_type get_executor() { return socket_.get_executor(); }
  lowest_layer_type& lowest_layer() { return socket_.lowest_layer(); }
  int Fd() { return socket_.native_handle(); }

  template <class Buffers>
  std::size_t read_some(const Buffers& buffers, error_code& ec) {
    // One buffer is enough for a read that may return less than asked.
    for (auto it = asio::buffer_sequence_begin(buffers); it != asio::buffer_sequence_end(buffers);
         ++it) {
      const asio::mutable_buffer buffer = *it;
      if (buffer.size() == 0) continue;
      return Result(Receive(buffer.data(), buffer.size()), ec, true);
    }
    ec = {};
    return 0;
  }
  template <class Buffers>
  std::size_t write_some(const Buffers& buffers, error_code& ec) {
    // A request's head and body in one call, so that they leave together.
    constexpr std::size_t kMaxParts = 16;
    iovec parts[kMaxParts];
    std::size_t count = 0;
    for (auto it = asio::buffer_sequence_begin(buffers);
         it != asio::buffer_sequence_end(buffers) && count < kMaxParts; ++it) {
      const asio::const_buffer buffer = *it;
      if (buffer.size() == 0) continue;
      parts[count++] = {const_cast<void*>(buffer.data()), buffer.size()};
    }
    if (count == 0) {
      ec = {};
      return 0;
    }
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = count;
    return Result(::sendmsg(Fd(), &message, MSG_NOSIGNAL), ec, false);
  }
  // The throwing forms Beast's stream requirements ask for.
  template <class Buffers>
  std::size_t read_some(const Buffers& buffers) {
    return Throwing([&](error_code& ec) { return read_some(buffers, ec); });
  }
  template <class Buffers>
  std::size_t write_some(const Buffers& buffers) {
    return Throwing([&](error_code& ec) { return write_some(buffers, ec); });
  }

 private:
  template <class Operation>
  static std::size_t Throwing(Operation operation) {
    error_code ec;
    const std::size_t done = operation(ec);
    if (ec) throw boost::system::system_error(ec);
    return done;
  }
  // An answer from a server on this machine usually comes within tens of
  // microseconds: the read looks for it that long before it sleeps, as a
  // CPU that went idle takes longer than that to wake on a virtual
  // machine. It gives way to any thread that wants the CPU meanwhile, the
  // server's own among them when it runs on this CPU.
  static constexpr std::chrono::microseconds kLookBeforeSleeping{100};
  ssize_t Receive(void* data, std::size_t size) {
    const auto until = Clock::now() + kLookBeforeSleeping;
    do {
      const ssize_t done = ::recv(Fd(), data, size, MSG_DONTWAIT);
      if (done >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) return done;
      sched_yield();
    } while (Clock::now() < until);
    return ::recv(Fd(), data, size, 0);
  }
  static std::size_t Result(ssize_t done, error_code& ec, bool reading) {
    if (done > 0) {
      ec = {};
      return static_cast<std::size_t>(done);
    }
    if (done == 0 && reading)
      ec = asio::error::eof;
    else if (errno == EAGAIN || errno == EWOULDBLOCK)
      ec = asio::error::timed_out;  // the socket's timeout passed
    else
      ec = error_code(errno, boost::system::system_category());
    return 0;
  }

  asio::ip::tcp::socket socket_;
};

bool IsAddress(const std::string& host) {
  error_code ec;
  asio::ip::make_address(host, ec);
  return !ec;
}

}  // namespace

struct HttpTransport::Link {
  // Room for a usual answer in one read: Beast reads into what the buffer
  // holds already, and an empty one grows 512 bytes a read.
  static constexpr std::size_t kReadRoom = 64 * 1024;

  explicit Link(TimedSocket socket) : plain(std::move(socket)) { buffer.reserve(kReadRoom); }
  Link(TimedSocket socket, std::unique_ptr<ssl::context> tls)
      : context(std::move(tls)), secure(std::in_place, std::move(socket), *context) {
    buffer.reserve(kReadRoom);
  }
  TimedSocket& Socket() { return secure ? secure->next_layer() : *plain; }

  std::optional<TimedSocket> plain;
  std::unique_ptr<ssl::context> context;  // outlives the stream made from it
  std::optional<ssl::stream<TimedSocket>> secure;
  beast::flat_buffer buffer;
};

namespace {

// Reads an answer's status and body and keeps none of its header fields:
// the caller needs only those two, and a field container costs an
// allocation per field on every call. Beast's parser still checks the
// message and follows its length, chunks and Connection field.
class AnswerParser final : public http::basic_parser<false> {
 public:
  AnswerParser() { body_limit(std::numeric_limits<std::uint64_t>::max()); }
  HttpAnswer Take() { return {status_, std::move(body_)}; }

 private:
  void on_request_impl(http::verb, beast::string_view, beast::string_view, int,
                       error_code&) override {}
  void on_response_impl(int code, beast::string_view, int, error_code&) override { status_ = code; }
  void on_field_impl(http::field, beast::string_view, beast::string_view, error_code&) override {}
  void on_header_impl(error_code&) override {}
  void on_body_init_impl(const boost::optional<std::uint64_t>& length, error_code&) override {
    if (length) body_.reserve(static_cast<std::size_t>(*length));
  }
  std::size_t on_body_impl(beast::string_view piece, error_code&) override {
    body_.append(piece.data(), piece.size());
    return piece.size();
  }
  void on_chunk_header_impl(std::uint64_t, beast::string_view, error_code&) override {}
  std::size_t on_chunk_body_impl(std::uint64_t, beast::string_view piece, error_code& ec) override {
    return on_body_impl(piece, ec);
  }
  void on_finish_impl(error_code&) override {}

  int status_ = 0;
  std::string body_;
};

// The process's own I/O context: sockets need one, though nothing here runs
// on it (every operation is synchronous). Never destroyed: an abandoned
// call's exchange may still hold a socket while the program exits.
asio::io_context& Context() {
  static auto* context = new asio::io_context;
  return *context;
}

}  // namespace

HttpTransport::HttpTransport(Options options) : options_(std::move(options)) {}
HttpTransport::~HttpTransport() = default;

void HttpTransport::Fail(TransportError error) {
  error_ = error;
  link_.reset();
}

void HttpTransport::DropIfClosedByPeer() {
  if (!link_ || link_->buffer.size() > 0) return;
  pollfd descriptor{link_->Socket().Fd(), POLLIN, 0};
  if (poll(&descriptor, 1, 0) > 0) link_.reset();
}

bool HttpTransport::Connect() {
  const auto deadline = Clock::now() + options_.timeout;
  verifyResult_ = X509_V_OK;
  error_code ec;
  asio::ip::tcp::resolver resolver(Context());
  const auto endpoints = resolver.resolve(options_.host, std::to_string(options_.port), ec);
  if (ec) {
    Fail(TransportError::kConnection);
    return false;
  }
  std::optional<asio::ip::tcp::socket> connected;
  bool timedOut = false;
  for (const auto& entry : endpoints) {
    asio::ip::tcp::socket socket(Context());
    const auto endpoint = entry.endpoint();
    socket.open(endpoint.protocol(), ec);
    if (ec) continue;
    socket.non_blocking(true, ec);
    // Connected by hand: the library's synchronous connect waits without end.
    if (::connect(socket.native_handle(), endpoint.data(),
                  static_cast<socklen_t>(endpoint.size())) != 0) {
      if (errno != EINPROGRESS) continue;
      if (!AwaitReady(socket.native_handle(), POLLOUT, deadline)) {
        timedOut = true;
        break;
      }
      int problem = 0;
      socklen_t length = sizeof problem;
      getsockopt(socket.native_handle(), SOL_SOCKET, SO_ERROR, &problem, &length);
      if (problem != 0) continue;
    }
    // Without it every call waits for the peer's delayed acknowledgement.
    socket.set_option(asio::ip::tcp::no_delay(true), ec);
    socket.non_blocking(false, ec);
    const auto micros =
        std::chrono::duration_cast<std::chrono::microseconds>(options_.timeout).count();
    const timeval limit{static_cast<time_t>(micros / 1000000),
                        static_cast<suseconds_t>(micros % 1000000)};
    setsockopt(socket.native_handle(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(socket.native_handle(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    connected.emplace(std::move(socket));
    break;
  }
  if (!connected) {
    Fail(timedOut ? TransportError::kConnectionTimeout : TransportError::kConnection);
    return false;
  }
  TimedSocket socket(std::move(*connected));
  if (!options_.tls) {
    link_ = std::make_unique<Link>(std::move(socket));
    return true;
  }

  // A context per connection: the authorities are read afresh on every
  // opening, as the host and port are.
  auto context = std::make_unique<ssl::context>(ssl::context::tls_client);
  if (options_.caFile.empty())
    context->set_default_verify_paths(ec);
  else
    context->load_verify_file(options_.caFile, ec);
  if (ec) {
    Fail(TransportError::kLoadingCertificates);
    return false;
  }
  // The chain is checked by OpenSSL during the handshake and its verdict
  // read after it, so that a refusal can say what is wrong.
  context->set_verify_mode(ssl::verify_none);
  auto link = std::make_unique<Link>(std::move(socket), std::move(context));
  SSL* native = link->secure->native_handle();
  if (!IsAddress(options_.host)) SSL_set_tlsext_host_name(native, options_.host.c_str());
  link->secure->handshake(ssl::stream_base::client, ec);
  if (ec) {
    Fail(TransportError::kSecureConnection);
    return false;
  }
  verifyResult_ = SSL_get_verify_result(native);
  if (verifyResult_ != X509_V_OK) {
    Fail(TransportError::kServerVerification);
    return false;
  }
  X509* certificate = SSL_get1_peer_certificate(native);
  const bool issuedHere =
      certificate &&
      (IsAddress(options_.host) ? X509_check_ip_asc(certificate, options_.host.c_str(), 0) == 1
                                : X509_check_host(certificate, options_.host.data(),
                                                  options_.host.size(), 0, nullptr) == 1);
  X509_free(certificate);
  if (!issuedHere) {
    Fail(TransportError::kServerVerification);
    return false;
  }
  link_ = std::move(link);
  return true;
}

std::optional<HttpAnswer> HttpTransport::Get(std::string_view path) {
  return Exchange(false, path, {}, {});
}

std::optional<HttpAnswer> HttpTransport::Post(std::string_view path, std::string_view body,
                                              std::string_view contentType) {
  return Exchange(true, path, body, contentType);
}

std::optional<HttpAnswer> HttpTransport::Exchange(bool post, std::string_view path,
                                                  std::string_view body,
                                                  std::string_view contentType) {
  if (!link_ && !Connect()) return std::nullopt;
  // The head is written here: its fields are few and always the same, and
  // a library's field container and serializer cost more than the rest of
  // the request's work.
  std::string head;
  head.reserve(160 + path.size() + options_.host.size() + options_.token.size());
  head.append(post ? "POST " : "GET ").append(path).append(" HTTP/1.1\r\nHost: ");
  head.append(options_.host).append(":").append(std::to_string(options_.port));
  head.append("\r\nAccept: */*\r\n");
  if (!options_.token.empty())
    head.append("Authorization: Bearer ").append(options_.token).append("\r\n");
  if (post) {
    head.append("Content-Type: ").append(contentType).append("\r\n");
    head.append("Content-Length: ").append(std::to_string(body.size())).append("\r\n");
  }
  head.append("\r\n");
  const std::array<asio::const_buffer, 2> request{asio::buffer(head),
                                                  asio::buffer(body.data(), body.size())};

  auto exchange = [&](auto& stream) -> std::optional<HttpAnswer> {
    error_code ec;
    asio::write(stream, request, ec);
    if (ec) {
      Fail(TransportError::kWrite);
      return std::nullopt;
    }
    AnswerParser parser;
    http::read(stream, link_->buffer, parser, ec);
    if (ec) {
      Fail(TransportError::kRead);
      return std::nullopt;
    }
    if (!parser.keep_alive()) link_.reset();
    return parser.Take();
  };
  return link_->secure ? exchange(*link_->secure) : exchange(*link_->plain);
}

}  // namespace totem
