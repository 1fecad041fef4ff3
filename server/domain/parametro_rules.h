#pragma once
// The rules a parameter record must meet before it is saved. Refusals are
// values carrying a stable code and a Portuguese message for the user.
#include "server/store/store.h"

#include <optional>
#include <string>

namespace totem::server {

struct Refusal {
  std::string code;
  std::string message;
};

// Stable refusal codes; the client's message table uses the same keys where
// it has them.
namespace refusal {
inline constexpr const char* kCaixaNaoCadastrado = "CAIXA_N";
inline constexpr const char* kTamanhoCampo = "TAM_CAMPO";
inline constexpr const char* kTextoInvalido = "TEXTO_INV";
inline constexpr const char* kNumeroInvalido = "NUM_INV";
inline constexpr const char* kDataInvalida = "DTINF";
inline constexpr const char* kDataInicialMaior = "DTMENOR";
inline constexpr const char* kGrupoNaoInformado = "GRUP_INF";
inline constexpr const char* kGrupoNaoCadastrado = "GRUP_N";
inline constexpr const char* kFalhaBase = "ERRO_BD";
inline constexpr const char* kOrigemSemParametros = "ORIGEM_N";
inline constexpr const char* kDestinoNaoCadastrado = "DESTINO_N";
inline constexpr const char* kDestinosVazio = "DESTINOS_VAZIO";
inline constexpr const char* kDestinosDemais = "DESTINOS_MAX";
inline constexpr const char* kDestinosInvalidos = "DESTINOS_INV";
inline constexpr const char* kPaginaInvalida = "PAGINA_INV";
inline constexpr const char* kGravacaoNaoEncontrada = "GRAVACAO_N";
inline constexpr const char* kCopiaNaoEncontrada = "COPIA_N";
}  // namespace refusal

Refusal CaixaNaoCadastrado();
Refusal GrupoNaoCadastrado();
Refusal FalhaBase();

// Checks that need no stored data, in this order: every value is valid text
// within its size; days and seconds are empty or decimal digits; a day lies
// in 1..31; the first day is not after the last; statement type "3" names a
// product group. The first rule broken is returned.
std::optional<Refusal> CheckValues(const ParametroTotem& parametro);

// A whole number written in decimal digits only (a save's or a copy's
// number, a page's size); nothing for any other text.
std::optional<long long> ReadNumber(const std::string& digits);

// Statement type "3" (detailed by sub-group) needs a known product group.
bool NeedsGrupo(const ParametroTotem& parametro);

}  // namespace totem::server
