#pragma once
// One connection, from accept to close, on the event loop's thread: wait
// for a request, read its head within the head deadline, screen it, read
// its body within the body deadline, have it answered (on a worker when it
// touches the store), write the answer within the write deadline, and wait
// for the next one. Requests sent ahead (pipelined) wait in the read buffer
// and are answered in order, one at a time. Over plain TCP or TLS.
#include "server/http/server_context.h"

#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/serializer.hpp>
#include <boost/beast/ssl/ssl_stream.hpp>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

namespace totem::server {

using PlainStream = boost::beast::tcp_stream;
using TlsStream = boost::beast::ssl_stream<boost::beast::tcp_stream>;

template <class Stream>
class Session : public Connection, public std::enable_shared_from_this<Session<Stream>> {
 public:
  // Bytes read at a time while a TLS connection waits for its next request,
  // and room in the read buffer beyond the head limit.
  static constexpr std::size_t kReadChunk = 4096;

  Session(ServerContext& server, Stream stream, std::string peer, bool loopbackPeer)
      : server_(server),
        stream_(std::move(stream)),
        peer_(std::move(peer)),
        loopbackPeer_(loopbackPeer),
        buffer_(server.options.maxHeader + kReadChunk) {}
  ~Session() override {
    Release();
    server_.registry.Remove(*this);
  }

  void Start();
  void Close() {
    Tcp().close();
    if (pauseTimer_) pauseTimer_->cancel();
  }
  void CloseSoon() override {
    boost::asio::post(Tcp().get_executor(), [weak = this->weak_from_this()] {
      if (auto self = weak.lock()) self->CloseUnlessAsked();
    });
  }

 private:
  static constexpr bool kTls = std::is_same_v<Stream, TlsStream>;
  boost::beast::tcp_stream& Tcp() { return boost::beast::get_lowest_layer(stream_); }
  std::shared_ptr<Session> Self() { return this->shared_from_this(); }
  const HttpOptions& Options() const { return server_.options; }

  void AwaitRequest();
  void ExpectNextRequest();
  void NoteRequestArrived(std::chrono::steady_clock::time_point now);
  void ReadHead();
  void OnHead(const boost::beast::error_code& ec);
  void ReadBody();
  void OnReadError(const boost::beast::error_code& ec);
  void Run();
  void Prepare(Answer answer);
  void Respond(Answer answer);
  void WriteOnLoop();
  void AfterWritten();
  void Shutdown();
  void Linger(std::size_t discarded);
  CallerClass ClassOf(const Screened& screened) const;
  void Release();
  void CloseUnlessAsked();
  Answer Execute(bool budgeted);

  ServerContext& server_;
  Stream stream_;
  std::string peer_;
  bool loopbackPeer_;
  // How this loopback client waits for its answers (see ExpectNextRequest):
  // its late returns in a row, up to kSlowInARow (a client that sleeps);
  // answers since the loop last looked, for such a client; since when the
  // loop has been looking.
  static constexpr std::uint8_t kSlowInARow = 2;
  std::uint8_t slowAnswers_ = 0;
  std::uint8_t sinceLook_ = 0;
  std::chrono::steady_clock::time_point lookingSince_{};
  boost::beast::flat_buffer buffer_;
  std::optional<RequestParser> parser_;
  boost::beast::http::response<boost::beast::http::string_body> response_;
  std::optional<boost::beast::http::serializer<false, boost::beast::http::string_body>> serializer_;
  bool keepAlive_ = true;
  boost::beast::http::response<boost::beast::http::empty_body> continue_;
  Exchange exchange_;
  Route route_ = Route::kHealth;
  KioskTarget kiosk_;
  int answered_ = 0;
  CallerClass caller_ = CallerClass::kUnknown;
  std::size_t held_ = 0;                // bytes of the answer counted in the budget
  bool closeAfterAnswer_ = false;       // closed for room while its answer was going out
  std::chrono::milliseconds pause_{0};  // before the next request is read
  std::unique_ptr<boost::asio::steady_timer> pauseTimer_;  // made the first time it is needed
};

}  // namespace totem::server
