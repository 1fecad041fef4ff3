#include "service/dataset_fields.h"

#include "platform/parametros_contract.h"

#include <initializer_list>

namespace totem::service {
namespace {

// How a column shows in grids and search lists: the client's own concern;
// names, types and sizes come from the contract.
struct Shown {
  std::string_view name;
  const char* label;
  bool visible = true;
  int displayWidth = 0;
};

template <std::size_t N>
std::vector<FieldDef> Fields(const std::array<contract::Column, N>& columns,
                             std::initializer_list<Shown> shown = {}) {
  std::vector<FieldDef> fields;
  for (const contract::Column& c : columns) {
    FieldDef field;
    field.name = std::string(c.name);
    field.type = c.type;
    field.size = c.size;
    for (const Shown& s : shown) {
      if (s.name != c.name) continue;
      field.displayLabel = s.label;
      field.visible = s.visible;
      field.displayWidth = s.displayWidth;
    }
    fields.push_back(std::move(field));
  }
  return fields;
}

}  // namespace

std::vector<FieldDef> FilialFields() {
  return Fields(contract::kFilialColumns,
                {{contract::col::CDFILIAL, "Código"}, {contract::col::NMFILIAL, "Nome"}});
}

std::vector<FieldDef> CaixaFields() {
  return Fields(contract::kCaixaColumns, {{contract::col::CHAVE, "", false},
                                          {contract::col::CDCAIXA, "Código"},
                                          {contract::col::NMCAIXA, "Nome"},
                                          {contract::col::NMLOJA, "Loja"},
                                          {contract::col::CDFILIAL, "", false}});
}

std::vector<FieldDef> PesqGrupProdFields() {
  return Fields(contract::kGrupoColumns, {{contract::col::CDGRUPPROD, "Código", true, 15},
                                          {contract::col::NMGRUPPROD, "Nome"},
                                          {contract::col::DTULTATUGPPR, "", false},
                                          {contract::col::IDCADNVSUBGR, "", false},
                                          {contract::col::IDGRPRODVMN, "", false}});
}

std::vector<FieldDef> CarregaParFields() { return Fields(contract::kParametroColumns); }

std::vector<FieldDef> VerifParFields() { return Fields(contract::kVerifColumns); }

std::unique_ptr<ClientDataset> MakeCdsFilial() {
  return std::make_unique<ClientDataset>("cdsFilial", FilialFields());
}
std::unique_ptr<ClientDataset> MakeCdsCaixa() {
  return std::make_unique<ClientDataset>("cdsCaixa", CaixaFields());
}
std::unique_ptr<ClientDataset> MakeCdsPesqGrupProd() {
  return std::make_unique<ClientDataset>("cdsPesqGrupProd", PesqGrupProdFields());
}
std::unique_ptr<ClientDataset> MakeCdsCarregaPar() {
  return std::make_unique<ClientDataset>("cdsCarregaPar", CarregaParFields());
}
std::unique_ptr<ClientDataset> MakeCdsVerifPar() {
  return std::make_unique<ClientDataset>("cdsVerifPar", VerifParFields());
}

std::unique_ptr<ClientDataset> MakeCdsCopiaPrevia() {
  return std::make_unique<ClientDataset>("cdsCopiaPrevia", Fields(contract::kCopiaPreviaColumns));
}
std::unique_ptr<ClientDataset> MakeCdsCopia() {
  return std::make_unique<ClientDataset>("cdsCopia", Fields(contract::kCopiaColumns));
}
std::unique_ptr<ClientDataset> MakeCdsRestaura() {
  return std::make_unique<ClientDataset>("cdsRestaura", Fields(contract::kRestauraColumns));
}
std::unique_ptr<ClientDataset> MakeCdsDesfaz() {
  return std::make_unique<ClientDataset>("cdsDesfaz", Fields(contract::kDesfazColumns));
}
std::unique_ptr<ClientDataset> MakeCdsHistorico() {
  return std::make_unique<ClientDataset>("cdsHistorico", Fields(contract::kHistoricoColumns));
}

std::string CaixaFilterFor(std::string_view cdFilial) {
  return "CDFILIAL = " + ClientDataset::QuoteLiteral(cdFilial);
}

}  // namespace totem::service
