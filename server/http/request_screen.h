#pragma once
// Everything decidable from a request's head is decided here, before a byte
// of its body is read: framing the server does not accept, the caller's
// token, the path, the method, the body's length and media type.
#include "server/domain/token_reach.h"
#include "server/http/http_options.h"
#include "server/http/request_parser.h"

#include <optional>
#include <string>
#include <string_view>

namespace totem::server {

// What a screened request asks for.
enum class Route {
  kModuleDescription,  // GET /rpc/<server name>
  kCall,               // POST /rpc/<server name>
  kHealth,             // GET /healthz
  kMetrics,            // GET /metrics
  kKiosk,              // GET /kiosk/v1/parametros/<branch>/<register>
};

// The path the kiosks read their register's settings under.
inline constexpr std::string_view kKioskPrefix = "/kiosk/v1/parametros/";
// The longest a kiosk may ask its read to wait for a change.
inline constexpr int kMaxKioskWait = 60;

// What a kiosk's read asks for.
struct KioskTarget {
  std::string cdFilial;
  std::string cdCaixa;
  std::string ifNoneMatch;  // the header as sent; empty when none
  int aguardar = 0;         // seconds to wait for a newer version; 0: answer at once
  // Who asks, for the caps on waits: the token's name and the client's
  // address; capped: the caller may not write, so its waits count.
  std::string token;
  std::string client;
  bool capped = false;
};

struct HttpRefusal {
  int status;
  std::string message;
  std::string allow = {};  // the methods the path takes, for 405
  // Where this request ends, or what it says, is in doubt: the connection
  // ends after the answer. (So does it after any refusal of a request whose
  // body is left unread.)
  bool close = false;
};

struct Screened {
  std::optional<HttpRefusal> refusal;  // set: answer it and run nothing
  Route route = Route::kHealth;
  std::string token;      // the name of the token presented; empty when none is required
  bool readOnly = false;  // the token may only read
  TokenReach reach;       // the branches and registers the token reaches
  KioskTarget kiosk;      // for Route::kKiosk
};

class RequestScreen {
 public:
  explicit RequestScreen(const HttpOptions& options);

  Screened Screen(const HttpRequest& head) const;

 private:
  std::optional<HttpRefusal> Framing(const HttpRequest& head) const;
  std::optional<HttpRefusal> Body(const HttpRequest& head) const;
  std::optional<HttpRefusal> Kiosk(const HttpRequest& head, Screened& out) const;

  const HttpOptions& options_;
  const std::string modulePath_;
};

// The path of a request target, without its query.
std::string_view PathOf(std::string_view target);

// "application/json", or the older names JSON-RPC clients send
// ("application/json-rpc", "application/jsonrequest"), in any case, with
// parameters; a charset, if given, must be UTF-8.
bool IsJsonMediaType(std::string_view value);

// The caller's address: the peer's, or behind a trusted reverse proxy the
// last address the proxy appended to X-Forwarded-For. From anyone else the
// header is ignored, so a client cannot choose the address it is recorded by.
std::string ClientAddress(const HttpRequest& head, const std::string& peer,
                          const HttpOptions& options);

}  // namespace totem::server
