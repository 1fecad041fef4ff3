#pragma once
// Module-level state of the kiosk parameter unit, shared by the form's
// handlers and exported by the module in this order. The eleven texts hold
// the working parameter values and outlive the form: closing and reopening
// the screen keeps them; only unloading the module clears them.
#include "host/components/module_interface.h"

#include <cstdint>
#include <string>

namespace totem::form {
class TfrmParametroToten;
}

extern "C" {
TOTEM_MODULE_EXPORT extern totem::form::TfrmParametroToten*
    frmParametroToten;                                  // the one form instance
TOTEM_MODULE_EXPORT extern std::int32_t inCtrlLoCa;     // exported for other modules; unused here
TOTEM_MODULE_EXPORT extern std::string stCdGrupProd;    // CDGRUPPROD of the chosen product group
TOTEM_MODULE_EXPORT extern std::string stNmGrupProd;    // NMGRUPPROD
TOTEM_MODULE_EXPORT extern std::string stIdExtrato;     // IDTIPEXTTOT: "1", "2" or "3"
TOTEM_MODULE_EXPORT extern std::string stIdExiMsg;      // IDEXIMSGSAL: "S"/"N"
TOTEM_MODULE_EXPORT extern std::string stMenIni;        // DSMSGINITOT
TOTEM_MODULE_EXPORT extern std::string stMenAdi;        // DSMSGADITOT
TOTEM_MODULE_EXPORT extern std::string stDiaIni;        // NRDIAINITOT
TOTEM_MODULE_EXPORT extern std::string stDiaFin;        // NRDIAFINTOT
TOTEM_MODULE_EXPORT extern std::string stSegundos;      // NRSEGFECTOT
TOTEM_MODULE_EXPORT extern std::string stIDINFCLIECAI;  // IDINFCLIECAI: "S"/"N"
TOTEM_MODULE_EXPORT extern std::string stMenCon;        // DSMSGCONTOT
TOTEM_MODULE_EXPORT extern bool boIdCriado;             // the form instance exists
TOTEM_MODULE_EXPORT extern bool boGetConf;              // register list read for this form instance
}

namespace totem::form {

// Unit start-up and shut-down, run by the module's loader entries on the
// first initialisation and the last finalisation.
void UnitStartup();
void UnitShutdown();

}  // namespace totem::form
