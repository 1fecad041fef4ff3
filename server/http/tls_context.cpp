#include "server/http/tls_context.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <cstdio>
#include <stdexcept>

namespace totem::server {
namespace {

std::string OpenSslReason() {
  const unsigned long error = ERR_get_error();
  ERR_clear_error();
  if (error == 0) return {};
  char text[256];
  ERR_error_string_n(error, text, sizeof text);
  return std::string(" (") + text + ")";
}

// The private key of a PEM file. A key protected by a passphrase is not
// read: there is nobody to type it when the server starts.
EVP_PKEY* ReadPrivateKey(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "r");
  if (!file) return nullptr;
  auto noPassphrase = [](char*, int, int, void*) { return 0; };
  EVP_PKEY* key = PEM_read_PrivateKey(file, nullptr, noPassphrase, nullptr);
  std::fclose(file);
  return key;
}

}  // namespace

boost::asio::ssl::context MakeTlsContext(const std::string& certFile, const std::string& keyFile) {
  boost::asio::ssl::context context(boost::asio::ssl::context::tls_server);
  SSL_CTX* ctx = context.native_handle();
  SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
  SSL_CTX_set_options(ctx, SSL_OP_NO_COMPRESSION | SSL_OP_NO_RENEGOTIATION);
  // An idle connection gives its record buffers back.
  SSL_CTX_set_mode(ctx, SSL_MODE_RELEASE_BUFFERS);
  if (SSL_CTX_use_certificate_chain_file(ctx, certFile.c_str()) != 1)
    throw std::runtime_error("não foi possível ler o certificado " + certFile + OpenSslReason());
  EVP_PKEY* key = ReadPrivateKey(keyFile);
  if (!key)
    throw std::runtime_error("não foi possível ler a chave " + keyFile + " (PEM sem senha)" +
                             OpenSslReason());
  const bool matches = SSL_CTX_use_PrivateKey(ctx, key) == 1 && SSL_CTX_check_private_key(ctx) == 1;
  EVP_PKEY_free(key);
  if (!matches) {
    ERR_clear_error();
    throw std::runtime_error("a chave " + keyFile + " não corresponde ao certificado " + certFile);
  }
  return context;
}

}  // namespace totem::server
