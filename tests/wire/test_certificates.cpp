#include "tests/wire/test_certificates.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <stdexcept>

namespace totem::test {
namespace {

void Check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("making a test certificate: ") + what);
}

EVP_PKEY* NewKey() {
  EVP_PKEY* key = EVP_EC_gen("P-256");
  Check(key != nullptr, "key");
  return key;
}

void AddExtension(X509* certificate, X509* issuer, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
  Check(extension != nullptr, value);
  X509_add_ext(certificate, extension, -1);
  X509_EXTENSION_free(extension);
}

X509* NewCertificate(const std::string& commonName, EVP_PKEY* key, long serial, int fromDays,
                     int toDays) {
  X509* certificate = X509_new();
  X509_set_version(certificate, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(certificate), serial);
  X509_gmtime_adj(X509_getm_notBefore(certificate), static_cast<long>(fromDays) * 86400);
  X509_gmtime_adj(X509_getm_notAfter(certificate), static_cast<long>(toDays) * 86400);
  X509_set_pubkey(certificate, key);
  X509_NAME* name = X509_get_subject_name(certificate);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                             reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0);
  return certificate;
}

void WritePem(const std::string& path, X509* certificate, EVP_PKEY* key) {
  FILE* file = std::fopen(path.c_str(), "w");
  Check(file != nullptr, "file");
  const bool ok = certificate
                      ? PEM_write_X509(file, certificate) == 1
                      : PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
  std::fclose(file);
  Check(ok, "PEM");
}

}  // namespace

struct TestAuthority::Keys {
  EVP_PKEY* key = nullptr;
  X509* certificate = nullptr;
  ~Keys() {
    X509_free(certificate);
    EVP_PKEY_free(key);
  }
};

TestAuthority::TestAuthority(const std::string& name, std::string caFile)
    : keys_(std::make_unique<Keys>()), caFile_(std::move(caFile)) {
  keys_->key = NewKey();
  keys_->certificate = NewCertificate(name, keys_->key, 1, -1, 30);
  X509_set_issuer_name(keys_->certificate, X509_get_subject_name(keys_->certificate));
  AddExtension(keys_->certificate, keys_->certificate, NID_basic_constraints, "critical,CA:TRUE");
  AddExtension(keys_->certificate, keys_->certificate, NID_key_usage,
               "critical,keyCertSign,cRLSign");
  AddExtension(keys_->certificate, keys_->certificate, NID_subject_key_identifier, "hash");
  Check(X509_sign(keys_->certificate, keys_->key, EVP_sha256()) > 0, "CA signature");
  WritePem(caFile_, keys_->certificate, nullptr);
}

TestAuthority::~TestAuthority() = default;

CertificateFiles TestAuthority::IssueServer(const std::string& stem,
                                            const std::string& subjectAltName, int validFromDays,
                                            int validToDays) const {
  static long serial = 100;
  EVP_PKEY* key = NewKey();
  X509* certificate = NewCertificate("totem-server", key, ++serial, validFromDays, validToDays);
  X509_set_issuer_name(certificate, X509_get_subject_name(keys_->certificate));
  AddExtension(certificate, keys_->certificate, NID_basic_constraints, "critical,CA:FALSE");
  AddExtension(certificate, keys_->certificate, NID_ext_key_usage, "serverAuth");
  AddExtension(certificate, keys_->certificate, NID_subject_alt_name, subjectAltName.c_str());
  AddExtension(certificate, keys_->certificate, NID_authority_key_identifier, "keyid:always");
  const bool signedOk = X509_sign(certificate, keys_->key, EVP_sha256()) > 0;
  CertificateFiles files{stem + ".crt", stem + ".key"};
  if (signedOk) {
    WritePem(files.certificate, certificate, nullptr);
    WritePem(files.key, nullptr, key);
  }
  X509_free(certificate);
  EVP_PKEY_free(key);
  Check(signedOk, "server signature");
  return files;
}

}  // namespace totem::test
