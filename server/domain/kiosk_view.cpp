#include "server/domain/kiosk_view.h"

#include "platform/parametros_contract.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cstdint>

namespace totem::server {
namespace {

using Json = nlohmann::ordered_json;

// A whole number stored as decimal text; null when empty or not one.
Json Number(const std::string& text) {
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return nullptr;
  return value;
}

Json Extrato(const std::string& codigo) {
  for (const auto& tipo : contract::kTiposExtrato)
    if (tipo.codigo == codigo) return {{"tipo", Number(codigo)}, {"descricao", tipo.nome}};
  return {{"tipo", nullptr}, {"descricao", nullptr}};
}

}  // namespace

std::string KioskBody(const std::string& cdFilial, const std::string& cdCaixa, long long versao,
                      const std::optional<ParametroCarregado>& record) {
  static const ParametroTotem kEmpty{};
  const ParametroTotem& p = record ? record->parametro : kEmpty;
  const std::string& grupo = p[contract::col::CDGRUPPROD];
  const bool mesCorrente =
      p[contract::col::NRDIAINITOT].empty() && p[contract::col::NRDIAFINTOT].empty();
  Json body = {
      {"filial", cdFilial},
      {"caixa", cdCaixa},
      {"versao", versao},
      {"configurado", record.has_value()},
      {"extrato", Extrato(p[contract::col::IDTIPEXTTOT])},
      {"grupoProdutos", grupo.empty()
                            ? Json(nullptr)
                            : Json{{"codigo", grupo},
                                   {"nome", record && record->nmGrupProd ? Json(*record->nmGrupProd)
                                                                         : Json(nullptr)}}},
      {"mensagens",
       {{"inicial", p[contract::col::DSMSGINITOT]},
        {"adicional", p[contract::col::DSMSGADITOT]},
        {"consumidor", p[contract::col::DSMSGCONTOT]}}},
      {"periodoConsulta",
       {{"mesCorrente", mesCorrente},
        {"diaInicial", mesCorrente ? Json(nullptr) : Number(p[contract::col::NRDIAINITOT])},
        {"diaFinal", mesCorrente ? Json(nullptr) : Number(p[contract::col::NRDIAFINTOT])}}},
      {"segundosParaFechar", Number(p[contract::col::NRSEGFECTOT])},
      {"opcoes",
       {{"permiteSelecionarLoja", p[contract::col::IDSELLOJTOT] == "S"},
        {"exibeTelaSaldo", p[contract::col::IDEXIMSGSAL] == "S"},
        {"informaConsumidorSemCliente", p[contract::col::IDINFCLIECAI] == "S"}}},
  };
  return body.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string KioskEtag(long long versao, std::string_view body) {
  // 64-bit FNV-1a: a change detector, not a secret; the version in front
  // keeps tags readable in logs.
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (unsigned char c : body) hash = (hash ^ c) * 0x100000001b3ULL;
  char digits[17];
  for (int i = 15; i >= 0; --i, hash >>= 4) digits[i] = "0123456789abcdef"[hash & 0xf];
  digits[16] = '\0';
  return "\"" + std::to_string(versao) + "-" + digits + "\"";
}

std::optional<KioskReading> ReadKiosk(Store& store, const std::string& cdFilial,
                                      const std::string& cdCaixa) {
  const auto versao = store.Versao(cdFilial, cdCaixa);
  if (!versao) return std::nullopt;
  std::string body = KioskBody(cdFilial, cdCaixa, *versao, store.LoadParametro(cdFilial, cdCaixa));
  std::string etag = KioskEtag(*versao, body);
  return KioskReading{*versao, std::move(body), std::move(etag)};
}

}  // namespace totem::server
