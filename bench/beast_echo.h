#pragma once
// A bare keep-alive HTTP echo on Boost.Beast, the server's own stack, with
// one event loop thread as in the server: the baseline the benchmarks
// measure the server's answers against, in the same run.
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>

#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace totem::bench {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

// A bare keep-alive echo on Beast: reads a request, answers fixed bytes.
class BeastEcho {
 public:
  // Answers every request with this status, these headers and this body.
  explicit BeastEcho(std::string answer, unsigned status = 200,
                     std::vector<std::pair<std::string, std::string>> headers =
                         {{"Content-Type", "application/json; charset=utf-8"}})
      : answer_(std::move(answer)), status_(status), headers_(std::move(headers)) {
    acceptor_.open(asio::ip::tcp::v4());
    acceptor_.set_option(asio::socket_base::reuse_address(true));
    acceptor_.bind({asio::ip::make_address("127.0.0.1"), 0});
    acceptor_.listen(asio::socket_base::max_listen_connections);
    Accept();
    thread_ = std::thread([this] { loop_.run(); });
  }
  ~BeastEcho() {
    loop_.stop();
    thread_.join();
  }
  int Port() const { return acceptor_.local_endpoint().port(); }

 private:
  struct Session : std::enable_shared_from_this<Session> {
    Session(asio::ip::tcp::socket socket, const BeastEcho& echo)
        : stream(std::move(socket)), echo(echo) {}
    void Read() {
      request = {};
      http::async_read(stream, buffer, request,
                       [self = shared_from_this()](beast::error_code ec, std::size_t) {
                         if (!ec) self->Write();
                       });
    }
    void Write() {
      response = {static_cast<http::status>(echo.status_), 11};
      for (const auto& [name, value] : echo.headers_) response.set(name, value);
      response.body() = echo.answer_;
      if (echo.status_ != 304) response.prepare_payload();
      http::async_write(stream, response,
                        [self = shared_from_this()](beast::error_code ec, std::size_t) {
                          if (!ec) self->Read();
                        });
    }
    beast::tcp_stream stream;
    const BeastEcho& echo;
    beast::flat_buffer buffer;
    http::request<http::string_body> request;
    http::response<http::string_body> response;
  };
  void Accept() {
    acceptor_.async_accept([this](beast::error_code ec, asio::ip::tcp::socket socket) {
      if (ec) return;
      socket.set_option(asio::ip::tcp::no_delay(true));
      std::make_shared<Session>(std::move(socket), *this)->Read();
      Accept();
    });
  }
  std::string answer_;
  unsigned status_;
  std::vector<std::pair<std::string, std::string>> headers_;
  asio::io_context loop_{1};
  asio::ip::tcp::acceptor acceptor_{loop_};
  std::thread thread_;
};

}  // namespace totem::bench
