#include "service/dataset_fields.h"

namespace totem::service {
namespace {

FieldDef Text(const char* name, int size, const char* label = "", bool visible = true,
              int displayWidth = 0) {
  return FieldDef{name, FieldType::Text, size, label, visible, displayWidth};
}

FieldDef DateTime(const char* name, const char* label = "", bool visible = true) {
  return FieldDef{name, FieldType::DateTime, 0, label, visible, 0};
}

}  // namespace

std::vector<FieldDef> FilialFields() {
  return {Text("CDFILIAL", 4, "Código"), Text("NMFILIAL", 30, "Nome")};
}

std::vector<FieldDef> CaixaFields() {
  return {Text("CHAVE", 10, "", false),         Text("CDCAIXA", 3, "Código"),
          Text("NMCAIXA", 30, "Nome"),          Text("NMLOJA", 50, "Loja"),
          Text("CDFILIAL", 4, "", false),       Text("CDLOJA", 20)};
}

std::vector<FieldDef> PesqGrupProdFields() {
  return {Text("CDGRUPPROD", 10, "Código", true, 15), Text("NMGRUPPROD", 40, "Nome"),
          DateTime("DTULTATUGPPR", "", false), Text("IDCADNVSUBGR", 1, "", false),
          Text("IDGRPRODVMN", 1, "", false)};
}

std::vector<FieldDef> CarregaParFields() {
  return {Text("IDSELLOJTOT", 1),   Text("IDTIPEXTTOT", 1),   Text("CDGRUPPROD", 10),
          Text("IDEXIMSGSAL", 1),   Text("NRDIAINITOT", 2),   Text("NRDIAFINTOT", 2),
          Text("NRSEGFECTOT", 5),   Text("DSMSGINITOT", 200), Text("NMGRUPPROD", 40),
          Text("DSMSGADITOT", 200), Text("IDINFCLIECAI", 20), Text("DSMSGCONTOT", 200)};
}

std::vector<FieldDef> VerifParFields() {
  return {Text("CDFILIAL", 4), Text("CDCAIXA", 3)};
}

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

std::string CaixaFilterFor(std::string_view cdFilial) {
  return "CDFILIAL = " + ClientDataset::QuoteLiteral(cdFilial);
}

}  // namespace totem::service
