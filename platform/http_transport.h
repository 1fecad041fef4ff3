#pragma once
// One kept-alive HTTP/1.1 connection to the application server, plain or
// over TLS, on Boost.Beast: a request goes out in one write (head and body
// together, so the server reads it whole at once, where a library writing
// them apart has the server wake twice per call) and its answer is read
// whole. Connecting, each write and each read wait at most the timeout. A
// request that finds the connection closed (never opened, closed by either
// side, or broken) opens it first.
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace totem {

// How a request failed to get an answer.
enum class TransportError {
  kConnection,           // the server could not be reached (refused, unreachable, unknown name)
  kConnectionTimeout,    // the connection was not accepted before the deadline
  kRead,                 // the answer did not come whole: connection closed or deadline passed
  kWrite,                // the request could not be written whole: the connection had ended
  kServerVerification,   // the server's certificate was not accepted
  kLoadingCertificates,  // the trusted authorities could not be read
  kSecureConnection,     // the TLS handshake failed
};

struct HttpAnswer {
  int status = 0;
  std::string body;
};

class HttpTransport {
 public:
  struct Options {
    std::string host;  // a name or an address, without scheme
    int port = 0;
    bool tls = false;
    std::string caFile;  // with tls: the authorities to trust; empty: the system's
    std::string token;   // sent as "Authorization: Bearer <token>" when not empty
    std::chrono::milliseconds timeout{30000};  // connecting, and each write and read
  };
  explicit HttpTransport(Options options);
  ~HttpTransport();
  HttpTransport(const HttpTransport&) = delete;
  HttpTransport& operator=(const HttpTransport&) = delete;

  // The answer, or why there is none (then error() tells).
  std::optional<HttpAnswer> Get(std::string_view path);
  std::optional<HttpAnswer> Post(std::string_view path, std::string_view body,
                                 std::string_view contentType);
  TransportError Error() const { return error_; }
  // OpenSSL's verdict on the server's certificate (X509_V_OK when it had
  // none to give, or the certificate was trusted but named another host).
  long VerifyResult() const { return verifyResult_; }

  // Closes an idle connection that reads as readable: the server closed it
  // (or sent bytes nobody asked for). The next request opens a fresh one.
  void DropIfClosedByPeer();

 private:
  struct Link;
  std::optional<HttpAnswer> Exchange(bool post, std::string_view path, std::string_view body,
                                     std::string_view contentType);
  bool Connect();
  void Fail(TransportError error);

  Options options_;
  std::unique_ptr<Link> link_;
  TransportError error_ = TransportError::kConnection;
  long verifyResult_ = 0;
};

}  // namespace totem
