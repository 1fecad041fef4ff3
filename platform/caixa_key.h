#pragma once
// A register as the whole system names it: its branch's code and its own.
// Ordered (branch first) so it keys maps and sorts as the screens list.
#include <string>
#include <tuple>
#include <utility>

namespace totem {

struct CaixaKey {
  std::string cdFilial;
  std::string cdCaixa;

  // Spelt out so that emplace_back(filial, caixa) compiles with every
  // compiler, not only those that construct aggregates from parentheses.
  CaixaKey() = default;
  CaixaKey(std::string filial, std::string caixa)
      : cdFilial(std::move(filial)), cdCaixa(std::move(caixa)) {}

  // Written out rather than defaulted with <=>: Qt's moc cannot parse the
  // <compare> header this would bring into the screen's dialogs.
  friend bool operator==(const CaixaKey& a, const CaixaKey& b) {
    return a.cdFilial == b.cdFilial && a.cdCaixa == b.cdCaixa;
  }
  friend bool operator<(const CaixaKey& a, const CaixaKey& b) {
    return std::tie(a.cdFilial, a.cdCaixa) < std::tie(b.cdFilial, b.cdCaixa);
  }

  // "0001/002", as messages, logs and the history's origin name a register.
  std::string Text() const { return cdFilial + "/" + cdCaixa; }
};

}  // namespace totem
