#pragma once
// The server's TLS settings: TLS 1.2 or newer, no compression or
// renegotiation, the certificate chain and its key from PEM files.
#include <boost/asio/ssl/context.hpp>

#include <string>

namespace totem::server {

// Throws std::runtime_error naming the file that cannot be used: an
// unreadable certificate, a key that is unreadable, protected by a
// passphrase or not the certificate's.
boost::asio::ssl::context MakeTlsContext(const std::string& certFile, const std::string& keyFile);

}  // namespace totem::server
