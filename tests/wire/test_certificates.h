#pragma once
// Throwaway certificates made when the tests run, so no private key is ever
// committed: a certificate authority and the server certificates it signs,
// written as PEM files.
#include <memory>
#include <string>

namespace totem::test {

struct CertificateFiles {
  std::string certificate;
  std::string key;
};

class TestAuthority {
 public:
  // A self-signed authority named name, its certificate written to caFile.
  TestAuthority(const std::string& name, std::string caFile);
  ~TestAuthority();
  TestAuthority(const TestAuthority&) = delete;
  TestAuthority& operator=(const TestAuthority&) = delete;

  const std::string& CaFile() const { return caFile_; }

  // A server certificate for subjectAltName ("IP:127.0.0.1,DNS:localhost"),
  // valid from validFromDays to validToDays around now, written with a new
  // key as <stem>.crt and <stem>.key.
  CertificateFiles IssueServer(const std::string& stem, const std::string& subjectAltName,
                               int validFromDays = -1, int validToDays = 30) const;

 private:
  struct Keys;
  std::unique_ptr<Keys> keys_;
  std::string caFile_;
};

}  // namespace totem::test
