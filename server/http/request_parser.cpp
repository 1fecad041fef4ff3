#include "server/http/request_parser.h"

#include <boost/beast/http/error.hpp>

namespace totem::server {

namespace http = boost::beast::http;

RequestParser::RequestParser(std::size_t maxHead, std::size_t maxBody) {
  header_limit(static_cast<std::uint32_t>(maxHead));
  body_limit(maxBody);
}

void RequestParser::on_request_impl(http::verb method, string_view methodText, string_view target,
                                    int version, error_code&) {
  if (method == http::verb::unknown)
    message_.method_string(methodText);
  else
    message_.method(method);
  message_.target(target);
  message_.version(version);
}

void RequestParser::on_response_impl(int, string_view, int, error_code& ec) {
  ec = http::error::bad_version;
}

void RequestParser::on_field_impl(http::field name, string_view nameText, string_view value,
                                  error_code& ec) {
  if (++fields_ > kMaxFields) {
    ec = http::error::header_limit;
    return;
  }
  // Beast hands over a folded field's value joined from its lines, out of
  // the buffer the head was read into; an unfolded one lies in that buffer
  // right after the colon and the blanks that follow it, where the name
  // (always in the buffer) says the line is.
  const char* start = nameText.data() + nameText.size() + 1;
  while (*start == ' ' || *start == '\t') ++start;
  if (start != value.data()) {
    folded_ = true;
    ec = http::error::bad_value;
    return;
  }
  message_.insert(name, nameText, value);
}

void RequestParser::on_body_init_impl(boost::optional<std::uint64_t> const& length, error_code&) {
  // The length was checked against the body limit before the body is read.
  if (length) message_.body().reserve(static_cast<std::size_t>(*length));
}

std::size_t RequestParser::on_body_impl(string_view body, error_code&) {
  message_.body().append(body.data(), body.size());
  return body.size();
}

std::size_t RequestParser::on_chunk_body_impl(std::uint64_t, string_view body, error_code& ec) {
  return on_body_impl(body, ec);
}

}  // namespace totem::server
