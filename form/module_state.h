#pragma once
// Module-level state of the kiosk parameter unit, shared by the form's
// handlers and exported by the module in this order. The eleven texts hold
// the working parameter values and outlive the form: closing and reopening
// the screen keeps them; only unloading the module clears them.
#include <cstdint>
#include <string>

#if defined(__GNUC__)
#define TOTEM_EXPORT __attribute__((visibility("default")))
#else
#define TOTEM_EXPORT
#endif

namespace totem::form {
class TfrmParametroToten;
}

extern "C" {
TOTEM_EXPORT extern totem::form::TfrmParametroToten* frmParametroToten;  // the one form instance
TOTEM_EXPORT extern std::int32_t inCtrlLoCa;  // exported for other modules; unused here
TOTEM_EXPORT extern std::string stCdGrupProd;    // CDGRUPPROD of the chosen product group
TOTEM_EXPORT extern std::string stNmGrupProd;    // NMGRUPPROD
TOTEM_EXPORT extern std::string stIdExtrato;     // IDTIPEXTTOT: "1", "2" or "3"
TOTEM_EXPORT extern std::string stIdExiMsg;      // IDEXIMSGSAL: "S"/"N"
TOTEM_EXPORT extern std::string stMenIni;        // DSMSGINITOT
TOTEM_EXPORT extern std::string stMenAdi;        // DSMSGADITOT
TOTEM_EXPORT extern std::string stDiaIni;        // NRDIAINITOT
TOTEM_EXPORT extern std::string stDiaFin;        // NRDIAFINTOT
TOTEM_EXPORT extern std::string stSegundos;      // NRSEGFECTOT
TOTEM_EXPORT extern std::string stIDINFCLIECAI;  // IDINFCLIECAI: "S"/"N"
TOTEM_EXPORT extern std::string stMenCon;        // DSMSGCONTOT
TOTEM_EXPORT extern bool boIdCriado;             // the form instance exists
TOTEM_EXPORT extern bool boGetConf;              // register list read for this form instance
}

namespace totem::form {

// Unit start-up and shut-down, run by the module's loader entries on the
// first initialisation and the last finalisation.
void UnitStartup();
void UnitShutdown();

}  // namespace totem::form
