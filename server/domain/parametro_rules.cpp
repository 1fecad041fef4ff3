#include "server/domain/parametro_rules.h"

#include "platform/parametros_contract.h"

#include "platform/utf8.h"

#include <algorithm>

namespace totem::server {
namespace {

bool IsDigits(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Day of the month given as one or two digits ("5", "05", "31").
int DayNumber(const std::string& digits) { return std::stoi(digits); }

std::optional<Refusal> CheckText(const contract::RecordField& field, const std::string& value) {
  const int size = field.column.size;
  // NUL cannot be stored as text by every database, and no screen types it.
  if (!IsValidUtf8(value) || value.find('\0') != std::string::npos)
    return Refusal{refusal::kTextoInvalido,
                   "O campo " + std::string(field.label) + " contém caracteres inválidos."};
  if (CountCodePoints(value) > static_cast<std::size_t>(size))
    return Refusal{refusal::kTamanhoCampo, "O campo " + std::string(field.label) +
                                               " aceita no máximo " + std::to_string(size) +
                                               (size == 1 ? " caractere." : " caracteres.")};
  if (field.digits && !IsDigits(value))
    return Refusal{refusal::kNumeroInvalido,
                   "O campo " + std::string(field.label) + " deve conter apenas números."};
  return std::nullopt;
}

}  // namespace

Refusal CaixaNaoCadastrado() { return {refusal::kCaixaNaoCadastrado, "Caixa não cadastrado."}; }

Refusal GrupoNaoCadastrado() {
  return {refusal::kGrupoNaoCadastrado, "Grupo de produtos não cadastrado."};
}

Refusal FalhaBase() {
  return {refusal::kFalhaBase,
          "Não foi possível acessar a base de dados do servidor. Tente novamente."};
}

bool NeedsGrupo(const ParametroTotem& parametro) {
  return parametro[contract::col::IDTIPEXTTOT] == "3";
}

std::optional<long long> ReadNumber(const std::string& digits) {
  if (digits.empty() || digits.size() > 18 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  return std::stoll(digits);
}

std::optional<Refusal> CheckValues(const ParametroTotem& parametro) {
  for (std::size_t i = 0; i < contract::kRecord.size(); ++i)
    if (auto refused = CheckText(contract::kRecord[i], parametro.values[i])) return refused;

  const std::string& first = parametro[contract::col::NRDIAINITOT];
  const std::string& last = parametro[contract::col::NRDIAFINTOT];
  for (const std::string* day : {&first, &last}) {
    if (day->empty()) continue;
    const int number = DayNumber(*day);
    if (number < 1 || number > 31) return Refusal{refusal::kDataInvalida, "Data inválida."};
  }
  if (!first.empty() && !last.empty() && DayNumber(first) > DayNumber(last))
    return Refusal{refusal::kDataInicialMaior, "Data inicial não pode ser maior que a data final"};

  if (NeedsGrupo(parametro) && parametro[contract::col::CDGRUPPROD].empty())
    return Refusal{refusal::kGrupoNaoInformado, "Grupo de produtos deve ser informado."};
  return std::nullopt;
}

}  // namespace totem::server
