#pragma once
// The branches and registers a caller's token reaches. A token file line may
// end with a list of them, "0001,0007" (whole branches) or "0001/003" (one
// register), mixed and comma-separated; a token without one reaches every
// register. Every method and the kiosks' read path ask this one type.
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace totem::server {

class TokenReach {
 public:
  TokenReach() = default;  // every branch and register

  // "0001,0002/003": each item a branch code or BRANCH/REGISTER, codes of
  // letters and digits no longer than their columns. Nothing for a list
  // that is not one; why is in *problem, naming the item by its place only
  // (the text may be a token's tail, mistyped after a blank).
  static std::optional<TokenReach> Parse(std::string_view list, std::string* problem = nullptr);

  bool All() const { return all_; }
  // The branch is reached whole, or one of its registers is: it is listed.
  bool Reaches(std::string_view cdFilial) const;
  // The register is reached, itself or through its whole branch.
  bool Reaches(std::string_view cdFilial, std::string_view cdCaixa) const;

 private:
  bool all_ = true;
  std::set<std::string, std::less<>> filiais_;  // reached whole
  std::set<std::pair<std::string, std::string>> caixas_;
};

// A call that names a register beyond the caller's reach. The dispatcher
// answers it as forbidden (JSON-RPC -32003, HTTP 403) with this message,
// which names the register and the token.
class OutOfReach : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What a refusal says: "O token NAME não tem acesso ao caixa 0001/003."
std::string NoAccessMessage(const std::string& token, const std::string& cdFilial,
                            const std::string& cdCaixa);

struct Caller;
// Throws OutOfReach unless the caller's token reaches the register.
void RequireReach(const Caller& caller, const std::string& cdFilial, const std::string& cdCaixa);

}  // namespace totem::server
