#include "tests/support/crowd.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>

#include <optional>

namespace totem::test {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

struct Crowd::Member {
  explicit Member(asio::io_context& loop) : socket(loop) {}
  tcp::socket socket;
  beast::flat_buffer buffer;
  std::optional<http::response_parser<http::string_body>> parser;
  bool answered = false;
};

Crowd::Crowd(int port, int count, Plan plan) : port_(port), plan_(std::move(plan)) {
  for (int i = 0; i < count; ++i) members_.push_back(std::make_unique<Member>(loop_));
  Schedule(0);
  thread_ = std::thread([this] { loop_.run(); });
}

Crowd::~Crowd() {
  loop_.stop();
  thread_.join();
}

// Opens the members from next on at the planned pace.
void Crowd::Schedule(std::size_t next) {
  if (next >= members_.size()) return;
  if (plan_.perSecond <= 0) {
    for (std::size_t i = next; i < members_.size(); ++i) Open(*members_[i]);
    return;
  }
  const std::size_t batch =
      std::max<std::size_t>(1, static_cast<std::size_t>(plan_.perSecond / 100));
  for (std::size_t i = next; i < std::min(members_.size(), next + batch); ++i) Open(*members_[i]);
  auto timer = std::make_shared<asio::steady_timer>(loop_, std::chrono::milliseconds(10));
  timer->async_wait(
      [this, timer, next = next + batch](const boost::system::error_code&) { Schedule(next); });
}

void Crowd::Open(Member& member) {
  member.socket = tcp::socket(loop_);
  member.buffer.clear();
  member.socket.async_connect(
      {asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(port_)},
      [this, &member](const boost::system::error_code& ec) {
        if (ec) return Lost(member);
        ++connects_;
        if (plan_.request.empty()) return Read(member);
        Send(member);
      });
}

void Crowd::Send(Member& member) {
  asio::async_write(member.socket, asio::buffer(plan_.request),
                    [this, &member](const boost::system::error_code& ec, std::size_t) {
                      if (ec) return Lost(member);
                      Read(member);
                    });
}

// Reads answers; an empty request only waits for the server to close.
void Crowd::Read(Member& member) {
  member.parser.emplace();
  member.parser->body_limit(256 * 1024 * 1024);
  http::async_read(member.socket, member.buffer, *member.parser,
                   [this, &member](const boost::system::error_code& ec, std::size_t) {
                     if (ec) return Lost(member);
                     ++answers_;
                     if (!member.answered) ++done_;
                     member.answered = true;
                     if (plan_.again) return Send(member);
                     boost::system::error_code ignored;
                     member.socket.close(ignored);
                   });
}

void Crowd::Lost(Member& member) {
  ++closed_;
  if (!member.answered) ++done_;
  member.answered = true;
  boost::system::error_code ignored;
  member.socket.close(ignored);
  if (plan_.reconnect) {
    member.answered = false;
    --done_;
    Open(member);
  }
}

bool Crowd::AwaitConnects(long n, std::chrono::seconds limit) const {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (connects_ < n)
    if (std::chrono::steady_clock::now() > until)
      return false;
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return true;
}

bool Crowd::AwaitAllDone(std::chrono::seconds limit) const {
  const auto until = std::chrono::steady_clock::now() + limit;
  while (done_ < static_cast<long>(members_.size()))
    if (std::chrono::steady_clock::now() > until)
      return false;
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return true;
}

}  // namespace totem::test
