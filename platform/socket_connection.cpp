#include "platform/socket_connection.h"

#include "platform/errors.h"
#include "platform/http_transport.h"
#include "platform/json_rpc.h"

#include <openssl/x509_vfy.h>

#include <algorithm>
#include <fstream>
#include <optional>

namespace totem {
namespace {

constexpr const char* kJson = "application/json";

bool HasScheme(const std::string& host) { return host.find("://") != std::string::npos; }

bool IsHttps(const std::string& host) { return host.rfind("https://", 0) == 0; }

// Why the server's certificate was not accepted, from OpenSSL's verdict. A
// certificate that verified but still failed was issued for another name.
std::string CertificateProblem(long verifyResult) {
  switch (verifyResult) {
    case X509_V_OK:
      return "não foi emitido para este endereço";
    case X509_V_ERR_CERT_HAS_EXPIRED:
      return "está vencido";
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return "ainda não está em vigor";
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
      return "não foi assinado por uma autoridade certificadora confiável";
    case X509_V_ERR_CERT_REVOKED:
      return "foi revogado";
    default:
      return "não é válido (código " + std::to_string(verifyResult) + ")";
  }
}

std::string TransportFailure(TransportError error, const std::string& endpoint, long verifyResult,
                             const std::string& caFile) {
  switch (error) {
    case TransportError::kConnection:
      return "Não foi possível conectar ao servidor de aplicação em " + endpoint +
             ". Verifique se o servidor está no ar e o endereço está correto.";
    case TransportError::kConnectionTimeout:
      return "O servidor de aplicação em " + endpoint + " não aceitou a conexão a tempo.";
    case TransportError::kRead:
      return "O servidor de aplicação em " + endpoint +
             " não respondeu: conexão interrompida ou tempo de espera esgotado.";
    case TransportError::kWrite:
      return "Falha ao enviar a requisição ao servidor de aplicação em " + endpoint +
             ": conexão interrompida.";
    case TransportError::kServerVerification:
      return "Conexão segura (HTTPS) recusada: o certificado do servidor de aplicação em " +
             endpoint + " " + CertificateProblem(verifyResult) +
             ". Verifique o endereço do servidor e a autoridade certificadora configurada.";
    case TransportError::kLoadingCertificates:
      return "Não foi possível ler as autoridades certificadoras" +
             (caFile.empty() ? std::string(" do sistema") : " do arquivo " + caFile) +
             " para a conexão segura (HTTPS) com " + endpoint + ".";
    case TransportError::kSecureConnection:
      return "Não foi possível estabelecer a conexão segura (HTTPS) com o servidor de aplicação "
             "em " +
             endpoint + ". Verifique se o servidor atende HTTPS nesse endereço.";
  }
  return "Falha de comunicação com o servidor de aplicação em " + endpoint + ".";
}

// The message for a request that got no answer at all.
std::string Failure(const HttpTransport& transport, const std::string& endpoint,
                    const std::string& caFile) {
  return TransportFailure(transport.Error(), endpoint, transport.VerifyResult(), caFile);
}

// What an HTTP status other than 200 means, when opening the connection
// (what is empty) or calling the method named by what.
std::string StatusProblem(int status, const std::string& endpoint, const std::string& serverName,
                          std::string_view what) {
  switch (status) {
    case 401:
      return "O servidor de aplicação em " + endpoint +
             " recusou o acesso: token ausente ou inválido.";
    case 403:
      return "O servidor de aplicação em " + endpoint + " recusou " +
             (what.empty() ? std::string("o acesso") : "a chamada " + std::string(what)) +
             ": o token em uso não a permite.";
    case 404:
      return "O servidor de aplicação em " + endpoint + " não oferece o módulo " + serverName + ".";
    case 503:
      return "O servidor de aplicação em " + endpoint + " está ocupado" +
             (what.empty() ? std::string() : " e não atendeu " + std::string(what)) +
             "; tente de novo em instantes.";
    case 413:
      return "A requisição " + std::string(what) +
             " excede o tamanho aceito pelo servidor de aplicação.";
    default:
      return "O servidor de aplicação em " + endpoint + " respondeu com erro HTTP " +
             std::to_string(status) +
             (what.empty() ? std::string(" ao abrir a conexão.")
                           : " em " + std::string(what) + ".");
  }
}

}  // namespace

struct SocketConnection::Transport {
  explicit Transport(HttpTransport::Options options) : client(std::move(options)) {}
  HttpTransport client;
};

SocketConnection::SocketConnection() = default;
SocketConnection::~SocketConnection() = default;

std::string SocketConnection::Endpoint() const {
  std::string host = host_;
  if (auto pos = host.find("://"); pos != std::string::npos) host = host.substr(pos + 3);
  return host + ":" + std::to_string(port_);
}

void SocketConnection::SetConnected(bool connected) {
  if (connected == connected_) return;
  if (!connected) {
    transport_.reset();
    connected_ = false;
    return;
  }
  Connect();
}

void SocketConnection::Connect() {
  // Host and port are asked for afresh on every opening.
  if (beforeConnect_) beforeConnect_();
  if (host_.empty()) throw ConnectionError("Endereço do servidor de aplicação não informado.");
  if (port_ <= 0 || port_ > 65535)
    throw ConnectionError("Porta do servidor de aplicação inválida: " + std::to_string(port_) +
                          ".");

  const bool https = IsHttps(host_);
  std::string host = host_;
  if (HasScheme(host)) {
    const std::string scheme = host.substr(0, host.find("://"));
    host = host.substr(scheme.size() + 3);
    if (scheme != "http" && scheme != "https")
      throw ConnectionError("Endereço do servidor de aplicação inválido: " + host_ + ":" +
                            std::to_string(port_) + ".");
  }
  if (host.empty() || host.find_first_of("/@ \t") != std::string::npos)
    throw ConnectionError("Endereço do servidor de aplicação inválido: " + host_ + ":" +
                          std::to_string(port_) + ".");
  // Checked here because the TLS layer would only report that it could
  // not load certificates, without saying which file.
  if (https && !caFile_.empty() && !std::ifstream(caFile_))
    throw ConnectionError(
        "Arquivo de autoridades certificadoras não encontrado ou ilegível: " + caFile_ + ".");
  auto shared = std::make_shared<Transport>(HttpTransport::Options{
      host, port_, https, https ? caFile_ : std::string(), token_, timeout_});

  // Reading the server object: the module must be handed out by this
  // server. A server that hangs here can be given up like a call.
  auto outcome = std::make_shared<std::optional<HttpAnswer>>();
  auto exchange = [shared, path = rpc::ModulePath(serverName_), outcome] {
    *outcome = shared->client.Get(path);
  };
  if (runner_)
    runner_(exchange);
  else
    exchange();
  auto& result = *outcome;
  if (!result) {
    std::string message = Failure(shared->client, Endpoint(), caFile_);
    // A server that speaks HTTPS drops a plain request without an answer.
    if (shared->client.Error() == TransportError::kRead && !https)
      message += " Se o servidor atende HTTPS, informe o endereço com https://.";
    throw ConnectionError(message);
  }
  if (result->status != 200)
    throw ConnectionError(StatusProblem(result->status, Endpoint(), serverName_, ""));
  transport_ = std::move(shared);
  connected_ = true;
}

ResultEnvelope SocketConnection::Call(std::string_view method, const std::vector<CallArg>& args) {
  if (!connected_) Connect();
  ++callCount_;

  std::vector<std::string> params;
  params.reserve(args.size());
  for (const auto& arg : args) params.push_back(arg.Value());
  if (observer_) observer_(method, params);
  const long long id = nextId_++;
  std::string body;
  try {
    const bool texts =
        std::none_of(args.begin(), args.end(), [](const CallArg& arg) { return arg.IsJson(); });
    if (texts) {
      body = rpc::EncodeRequest(id, method, params);
    } else {
      nlohmann::json values = nlohmann::json::array();
      for (const auto& arg : args)
        values.push_back(arg.IsJson() ? nlohmann::json::parse(arg.Value())
                                      : nlohmann::json(arg.Value()));
      body = rpc::EncodeRequestJson(id, method, values);
    }
  } catch (const std::exception&) {
    throw ProtocolError("Texto inválido (UTF-8) em um argumento de " + std::string(method) + ".");
  }

  // The exchange owns the transport, the request and its outcome, so that
  // one whose caller stopped waiting can end on its own.
  struct Outcome {
    std::optional<HttpAnswer> result;
  };
  auto outcome = std::make_shared<Outcome>();
  auto exchange = [transport = transport_, path = rpc::ModulePath(serverName_),
                   body = std::move(body), outcome] {
    auto& client = transport->client;
    // An idle kept-alive connection that reads as readable was closed by
    // the server: the call starts a fresh one instead of writing into it.
    client.DropIfClosedByPeer();
    auto result = client.Post(path, body, kJson);
    // A request that could not be written whole never ran: the server runs
    // a call only once it has read all of it, and a failed write means the
    // connection had ended before the last bytes went out (the server
    // closed a kept-alive connection it held idle, to make room or after
    // its idle time). So it is sent once more, on a fresh connection; a
    // save cannot be stored twice this way. A failure while reading the
    // answer is never retried: the call may have run.
    if (!result && client.Error() == TransportError::kWrite)
      result = client.Post(path, body, kJson);
    outcome->result = std::move(result);
  };
  if (runner_) {
    try {
      runner_(exchange);
    } catch (const CallAbandoned&) {
      // The abandoned exchange keeps its transport; the next call opens a
      // fresh one.
      transport_.reset();
      connected_ = false;
      throw;
    }
  } else {
    exchange();
  }
  auto& result = outcome->result;
  if (!result) throw ConnectionError(Failure(transport_->client, Endpoint(), caFile_));
  rpc::Response response;
  std::optional<std::string> invalid;
  try {
    response = rpc::ParseResponse(result->body);
  } catch (const ProtocolError& e) {
    invalid = e.what();
  }
  // A call the token may not make (403) carries the server's reason as a
  // JSON-RPC error, which says it better than the status: a write by a
  // token that may only read, or a branch or register beyond its reach.
  const bool refusedWithReason = result->status == 403 && !invalid && response.fault;
  if (result->status != 200 && !refusedWithReason)
    throw RemoteCallError(result->status,
                          StatusProblem(result->status, Endpoint(), serverName_, method));
  if (invalid)
    throw ConnectionError("Resposta inválida do servidor de aplicação em " + Endpoint() + ": " +
                          *invalid);
  if (response.fault)
    throw RemoteCallError(response.fault->code, "O servidor de aplicação recusou a chamada " +
                                                    std::string(method) + ": " +
                                                    response.fault->message + " (" +
                                                    std::to_string(response.fault->code) + ").");
  if (response.id != nlohmann::json(id))
    throw ConnectionError("Resposta do servidor de aplicação para outra chamada (id trocado).");
  if (response.params.size() != args.size())
    throw ConnectionError("Resposta do servidor de aplicação com número de argumentos diferente (" +
                          std::to_string(response.params.size()) + " em vez de " +
                          std::to_string(args.size()) + ").");
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string* target = args[i].Target();
    if (!target) continue;
    if (!response.params[i])
      throw ConnectionError("Resposta do servidor de aplicação sem o texto do argumento " +
                            std::to_string(i + 1) + " de " + std::string(method) + ".");
    *target = std::move(*response.params[i]);
  }
  return std::move(response.envelope);
}

}  // namespace totem
