#pragma once
// Persistent fields of the module's client datasets. The datasets bind to the
// server's packets by these names, so a packet must carry at least these
// columns with these types.
#include "platform/client_dataset.h"
#include "platform/field_def.h"

#include <memory>
#include <vector>

namespace totem::service {

std::vector<FieldDef> FilialFields();        // getFilial
std::vector<FieldDef> CaixaFields();         // getConfCaixa
std::vector<FieldDef> PesqGrupProdFields();  // getPesqGrupProd
std::vector<FieldDef> CarregaParFields();    // getCarregaPar
std::vector<FieldDef> VerifParFields();      // getVerifPar

// The module's datasets, with their names and persistent fields.
std::unique_ptr<ClientDataset> MakeCdsFilial();
std::unique_ptr<ClientDataset> MakeCdsCaixa();
std::unique_ptr<ClientDataset> MakeCdsPesqGrupProd();
std::unique_ptr<ClientDataset> MakeCdsCarregaPar();
std::unique_ptr<ClientDataset> MakeCdsVerifPar();
// The copy and the history: the preview, the copy's counts, the saves.
std::unique_ptr<ClientDataset> MakeCdsCopiaPrevia();
std::unique_ptr<ClientDataset> MakeCdsCopia();
std::unique_ptr<ClientDataset> MakeCdsHistorico();
std::unique_ptr<ClientDataset> MakeCdsRestaura();  // setRestauraParametros: the new save
std::unique_ptr<ClientDataset> MakeCdsDesfaz();    // setDesfazCopia: put back and left

// The register list's filter for one branch: CDFILIAL = '<code>', with any
// quote in the code doubled so that it cannot break or change the expression.
std::string CaixaFilterFor(std::string_view cdFilial);

}  // namespace totem::service
