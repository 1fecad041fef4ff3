#include "server/http/request_screen.h"

#include "server/domain/parametros_module.h"

#include "platform/json_rpc.h"
#include "platform/parametros_contract.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <boost/beast/core/string.hpp>

#include <algorithm>
#include <cctype>

namespace totem::server {
namespace {

namespace http = boost::beast::http;
using boost::beast::iequals;

constexpr std::string_view kHealthPath = "/healthz";
constexpr std::string_view kMetricsPath = "/metrics";

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsDecimal(std::string_view text) {
  return !text.empty() && text.size() <= 18 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsToken(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) ||
           std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
  });
}

bool IsIpAddress(const std::string& text) {
  in6_addr buffer{};
  return inet_pton(AF_INET, text.c_str(), &buffer) == 1 ||
         inet_pton(AF_INET6, text.c_str(), &buffer) == 1;
}

std::size_t Count(const HttpRequest& head, http::field field) { return head.count(field); }

}  // namespace

std::string_view PathOf(std::string_view target) { return target.substr(0, target.find('?')); }

bool IsJsonMediaType(std::string_view value) {
  auto semicolon = value.find(';');
  const std::string_view type = Trim(value.substr(0, semicolon));
  if (!iequals(type, "application/json") && !iequals(type, "application/json-rpc") &&
      !iequals(type, "application/jsonrequest"))
    return false;
  while (semicolon != std::string_view::npos) {
    value.remove_prefix(semicolon + 1);
    semicolon = value.find(';');
    const std::string_view parameter = Trim(value.substr(0, semicolon));
    const auto equals = parameter.find('=');
    if (equals == std::string_view::npos || !IsToken(parameter.substr(0, equals))) return false;
    std::string_view parameterValue = parameter.substr(equals + 1);
    if (parameterValue.size() >= 2 && parameterValue.front() == '"' && parameterValue.back() == '"')
      parameterValue = parameterValue.substr(1, parameterValue.size() - 2);
    else if (!IsToken(parameterValue))
      return false;
    if (iequals(parameter.substr(0, equals), "charset") && !iequals(parameterValue, "utf-8"))
      return false;
  }
  return true;
}

std::string ClientAddress(const HttpRequest& head, const std::string& peer,
                          const HttpOptions& options) {
  const auto& proxies = options.trustedProxies;
  if (std::find(proxies.begin(), proxies.end(), peer) == proxies.end()) return peer;
  std::string_view list;
  for (auto [it, end] = head.equal_range("X-Forwarded-For"); it != end; ++it) list = it->value();
  if (list.empty()) return peer;
  const auto comma = list.rfind(',');
  const std::string last(Trim(list.substr(comma == std::string_view::npos ? 0 : comma + 1)));
  return IsIpAddress(last) ? last : peer;
}

RequestScreen::RequestScreen(const HttpOptions& options)
    : options_(options), modulePath_(rpc::ModulePath(kServerName)) {}

// Framing that would leave the server unsure where this request ends or
// which of two values counts. Beast's parser has refused malformed lines
// and control characters already.
std::optional<HttpRefusal> RequestScreen::Framing(const HttpRequest& head) const {
  if (head.version() >= 11 && Count(head, http::field::host) != 1)
    return HttpRefusal{400, "HTTP/1.1 exige exatamente um cabeçalho Host.", {}, true};
  if (Count(head, http::field::content_length) > 1)
    return HttpRefusal{400, "Content-Length repetido.", {}, true};
  if (Count(head, http::field::content_length) == 1 &&
      !IsDecimal(head[http::field::content_length]))
    return HttpRefusal{400, "Content-Length inválido.", {}, true};
  if (Count(head, http::field::content_type) > 1)
    return HttpRefusal{400, "Content-Type repetido.", {}, true};
  if (Count(head, http::field::authorization) > 1)
    return HttpRefusal{400, "Authorization repetido.", {}, true};
  return std::nullopt;
}

std::optional<HttpRefusal> RequestScreen::Body(const HttpRequest& head) const {
  const bool post = head.method() == http::verb::post;
  if (Count(head, http::field::transfer_encoding) > 0)
    return HttpRefusal{411, "Corpo em partes (chunked) não é aceito; envie Content-Length."};
  if (Count(head, http::field::content_length) == 0) {
    // Whatever body follows would be taken for the next request.
    if (post) return HttpRefusal{411, "Falta o Content-Length.", {}, true};
    return std::nullopt;
  }
  const auto length = std::stoull(std::string(head[http::field::content_length]));
  if (!post && length > 0) return HttpRefusal{400, "GET não leva corpo."};
  if (length > options_.maxBody)
    return HttpRefusal{413, "Corpo da requisição maior que o limite de " +
                                std::to_string(options_.maxBody) + " bytes."};
  if (post && !IsJsonMediaType(head[http::field::content_type]))
    return HttpRefusal{
        415,
        "O corpo deve ser application/json (ou application/json-rpc, application/jsonrequest)."};
  return std::nullopt;
}

// GET only, no body; the branch and the register are the path's last two
// segments, and the only query parameter looked at is "aguardar".
std::optional<HttpRefusal> RequestScreen::Kiosk(const HttpRequest& head, Screened& out) const {
  if (head.method() != http::verb::get)
    return HttpRefusal{405, "Método HTTP não aceito: " + std::string(head.method_string()), "GET"};
  if (auto refusal = Body(head)) return refusal;
  const std::string_view target = head.target();
  const std::string_view path = PathOf(target);
  const std::string_view codes = path.substr(kKioskPrefix.size());
  const auto slash = codes.find('/');
  const auto isCode = [](std::string_view code, int size) {
    return !code.empty() && code.size() <= static_cast<std::size_t>(size) &&
           std::all_of(code.begin(), code.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
  };
  if (slash == std::string_view::npos ||
      !isCode(codes.substr(0, slash), contract::kCdFilial.size) ||
      !isCode(codes.substr(slash + 1), contract::kCdCaixa.size))
    return HttpRefusal{404, "Caixa desconhecido: " + std::string(codes)};
  out.kiosk.cdFilial = std::string(codes.substr(0, slash));
  out.kiosk.cdCaixa = std::string(codes.substr(slash + 1));
  // Decided on the codes alone, before the register is looked up: the
  // answer says nothing of whether it exists.
  if (!out.reach.Reaches(out.kiosk.cdFilial, out.kiosk.cdCaixa))
    return HttpRefusal{403, NoAccessMessage(out.token, out.kiosk.cdFilial, out.kiosk.cdCaixa)};
  out.kiosk.ifNoneMatch = std::string(head[http::field::if_none_match]);
  std::string_view query =
      target.size() > path.size() ? target.substr(path.size() + 1) : std::string_view();
  while (!query.empty()) {
    const auto amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    query.remove_prefix(amp == std::string_view::npos ? query.size() : amp + 1);
    constexpr std::string_view kAguardar = "aguardar=";
    if (pair.substr(0, kAguardar.size()) != kAguardar) continue;
    const std::string_view seconds = pair.substr(kAguardar.size());
    const bool valid = IsDecimal(seconds) && seconds.size() <= 2 &&
                       std::stoi(std::string(seconds)) >= 1 &&
                       std::stoi(std::string(seconds)) <= kMaxKioskWait;
    if (!valid)
      return HttpRefusal{400,
                         "O parâmetro aguardar deve ser um número inteiro de segundos de 1 a " +
                             std::to_string(kMaxKioskWait) + "."};
    out.kiosk.aguardar = std::stoi(std::string(seconds));
  }
  out.route = Route::kKiosk;
  return std::nullopt;
}

// Only the health check is open without a token; every other path, unknown
// ones included, asks for one first, so a caller without a token learns
// nothing about the server.
Screened RequestScreen::Screen(const HttpRequest& head) const {
  Screened out;
  if ((out.refusal = Framing(head))) return out;
  const std::string_view path = PathOf(head.target());
  if (path != kHealthPath && !options_.tokens.Empty()) {
    auto match = options_.tokens.Find(head[http::field::authorization]);
    if (!match) {
      out.refusal = HttpRefusal{401, "Autorização ausente ou inválida."};
      return out;
    }
    out.token = std::move(match->name);
    out.readOnly = match->readOnly;
    out.reach = std::move(match->reach);
  }
  if (path.substr(0, kKioskPrefix.size()) == kKioskPrefix) {
    out.refusal = Kiosk(head, out);
    return out;
  }
  const bool module = path == modulePath_;
  if (!module && path != kHealthPath && path != kMetricsPath) {
    const std::string_view rpcPrefix = "/rpc/";
    out.refusal = path.substr(0, rpcPrefix.size()) == rpcPrefix
                      ? HttpRefusal{404, "Servidor desconhecido: " +
                                             std::string(path.substr(rpcPrefix.size()))}
                      : HttpRefusal{404, "Caminho desconhecido: " + std::string(path)};
    return out;
  }
  const auto method = head.method();
  if (method != http::verb::get && !(module && method == http::verb::post)) {
    out.refusal = HttpRefusal{405, "Método HTTP não aceito: " + std::string(head.method_string()),
                              module ? "GET, POST" : "GET"};
    return out;
  }
  if ((out.refusal = Body(head))) return out;
  out.route = module ? (method == http::verb::post ? Route::kCall : Route::kModuleDescription)
              : path == kHealthPath ? Route::kHealth
                                    : Route::kMetrics;
  return out;
}

}  // namespace totem::server
