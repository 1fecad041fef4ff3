#include "form/module_state.h"

extern "C" {
totem::form::TfrmParametroToten* frmParametroToten = nullptr;
std::int32_t inCtrlLoCa = 0;
std::string stCdGrupProd;
std::string stNmGrupProd;
std::string stIdExtrato;
std::string stIdExiMsg;
std::string stMenIni;
std::string stMenAdi;
std::string stDiaIni;
std::string stDiaFin;
std::string stSegundos;
std::string stIDINFCLIECAI;
std::string stMenCon;
bool boIdCriado = false;
bool boGetConf = false;
}

namespace totem::form {

void UnitStartup() { boIdCriado = false; }

void UnitShutdown() {
  // Cleared in the reverse of their declaration order.
  for (std::string* text :
       {&stMenCon, &stIDINFCLIECAI, &stSegundos, &stDiaFin, &stDiaIni, &stMenAdi, &stMenIni,
        &stIdExiMsg, &stIdExtrato, &stNmGrupProd, &stCdGrupProd})
    text->clear();
}

}  // namespace totem::form
