#pragma once
// Removing branches and registers: marked removed (when, by whom) and kept,
// so they can be brought back, until a purge deletes them with their
// records and history. Every removal, return and purge is written to
// cadastro_historico, which a purge keeps.
#include "server/store/store.h"

#include <string>
#include <vector>

namespace totem::server {

// A branch (cdCaixa empty) or one of its registers.
struct CadastroAlvo {
  std::string cdFilial;
  std::string cdCaixa;
  bool operator==(const CadastroAlvo&) const = default;
};

// One line of cadastro_historico, or a removal still in force.
struct CadastroEvento {
  CadastroAlvo alvo;
  std::string evento;  // kRemovido, kReativado or kPurgado
  std::string quando;  // UTC, ISO 8601
  std::string autor;
};

inline constexpr const char* kRemovido = "removido";
inline constexpr const char* kReativado = "reativado";
inline constexpr const char* kPurgado = "purgado";

// Marks the target removed; false when it does not exist or is removed
// already. The kiosks hear of it with the commit.
bool MarkRemoved(WriteTransaction& tx, const CadastroAlvo& alvo, const std::string& quando,
                 const std::string& autor);
// Brings a removed target back; false when it does not exist or is not
// removed.
bool MarkInUse(WriteTransaction& tx, const CadastroAlvo& alvo, const std::string& quando,
               const std::string& autor);
// Deletes every removed branch and register, each with its kiosk record and
// its history (a removed branch's registers with it); returns what it
// deleted, branches first.
std::vector<CadastroAlvo> PurgeRemoved(WriteTransaction& tx, const std::string& quando,
                                       const std::string& autor);

// What stands: whether the branch or register exists at all and, when
// removed, since when and by whom (evento kRemovido).
struct CadastroEstado {
  bool existe = false;
  std::optional<CadastroEvento> remocao;
};
CadastroEstado StateOf(Store& store, const CadastroAlvo& alvo);
// The removals in force, branches first, by code.
std::vector<CadastroEvento> ListRemovals(Store& store);
// The events of a register and of its branch, oldest first.
std::vector<CadastroEvento> ListCadastroEventos(Store& store, const std::string& cdFilial,
                                                const std::string& cdCaixa);
// Other stored codes that differ from the target's only in leading zeros
// ("305" and "0305"): the code the person probably meant.
std::vector<CadastroAlvo> SimilarCodes(Store& store, const CadastroAlvo& alvo);

}  // namespace totem::server
