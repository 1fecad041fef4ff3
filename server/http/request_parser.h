#pragma once
// Beast's HTTP/1.1 request parser, keeping the request in a message as
// Beast's own request_parser does, with one limit more: the number of header
// fields. Each field costs memory beyond its bytes, so without it a head of
// many tiny fields would hold several times its size while it is read. And
// one refusal more: a header line folded onto the next (obs-fold), which
// Beast joins into one value silently while the standard has servers
// refuse it, as a proxy in front may have read the fold otherwise.
#include <boost/beast/http/basic_parser.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>

#include <cstddef>

namespace totem::server {

using HttpRequest = boost::beast::http::request<boost::beast::http::string_body>;

class RequestParser : public boost::beast::http::basic_parser<true> {
 public:
  // More fields than any client of ours sends, nginx's included.
  static constexpr std::size_t kMaxFields = 100;

  // maxHead bounds the request line and fields together; maxBody the body.
  RequestParser(std::size_t maxHead, std::size_t maxBody);

  HttpRequest& Message() { return message_; }
  // The head was refused for a folded header line.
  bool Folded() const { return folded_; }

 private:
  using error_code = boost::beast::error_code;
  using string_view = boost::beast::string_view;

  void on_request_impl(boost::beast::http::verb method, string_view methodText, string_view target,
                       int version, error_code& ec) override;
  void on_response_impl(int, string_view, int, error_code& ec) override;
  void on_field_impl(boost::beast::http::field name, string_view nameText, string_view value,
                     error_code& ec) override;
  void on_header_impl(error_code&) override {}
  void on_body_init_impl(boost::optional<std::uint64_t> const& length, error_code& ec) override;
  std::size_t on_body_impl(string_view body, error_code& ec) override;
  void on_chunk_header_impl(std::uint64_t, string_view, error_code&) override {}
  std::size_t on_chunk_body_impl(std::uint64_t, string_view body, error_code& ec) override;
  void on_finish_impl(error_code&) override {}

  HttpRequest message_;
  std::size_t fields_ = 0;
  bool folded_ = false;
};

}  // namespace totem::server
