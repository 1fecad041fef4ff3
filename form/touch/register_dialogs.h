#pragma once
// The screen's own dialogs, beyond one register: copying its settings to
// other registers and reading the history of its saves. The screen opens
// them through this interface: the real touch dialogs (touch_register_dialogs.h)
// unless a test puts a script in front of them with ScopedRegisterDialogs.
// The host's generic dialogs (message boxes, keyboard, keypad, search list)
// stay behind the host's dialog provider.
#include "platform/caixa_key.h"
#include "platform/data_packet.h"

#include <QString>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace totem {
class ClientDataset;
}

namespace totem::form {

// Registers, as branch and register codes.
using Destinos = std::vector<CaixaKey>;
// Record field name -> the label the screen shows it under.
using FieldLabels = std::map<std::string, QString>;
// What copying to some registers would change (a copy preview packet).
using CopyPreview = std::function<DataPacket(const Destinos&)>;
// One page of a register's saves before a save number (empty: the newest).
using HistoryPage = std::function<DataPacket(const QString& antesDe)>;

// Putting back from the history: a save's values ("Restaurar esta versão",
// by the save's number) or a whole copy ("Desfazer esta cópia", by the
// copy's number). Each is previewed (a restore preview or an undo preview
// packet) and done only when the user confirms it.
struct UndoActions {
  std::function<DataPacket(const std::string& nrGravacao)> restauraPrevia;
  std::function<void(const std::string& nrGravacao)> restaura;
  std::function<DataPacket(const std::string& idCopia)> desfazPrevia;
  std::function<void(const std::string& idCopia)> desfaz;
};

class RegisterDialogs {
 public:
  virtual ~RegisterDialogs();

  // Copy of one register's settings: the user checks registers among caixas
  // (every register of every branch; filiais names the branches), "Avançar"
  // shows preview(checked) and "Aplicar" answers the checked registers. The
  // source (origem: branch and register) is not offered. Empty: cancelled.
  virtual Destinos CopiaParametros(const CaixaKey& origem, const ClientDataset& filiais,
                                   const ClientDataset& caixas, const CopyPreview& preview,
                                   const FieldLabels& labels) = 0;
  // A register's saves, newest first, a page at a time. A save put back
  // through undo (previewed and confirmed) closes it.
  virtual void HistoricoParametros(const QString& caixa, const HistoryPage& page,
                                   const FieldLabels& labels, const UndoActions& undo) = 0;
};

// The dialogs that answer now: the innermost ScopedRegisterDialogs alive,
// else the real touch dialogs.
RegisterDialogs& CurrentRegisterDialogs();

// Puts dialogs in front of the real ones for the lifetime of this object
// (tests). They stay owned by the caller and must outlive the scope.
class ScopedRegisterDialogs {
 public:
  explicit ScopedRegisterDialogs(RegisterDialogs& dialogs);
  ~ScopedRegisterDialogs();
  ScopedRegisterDialogs(const ScopedRegisterDialogs&) = delete;
  ScopedRegisterDialogs& operator=(const ScopedRegisterDialogs&) = delete;

 private:
  RegisterDialogs* previous_;
};

}  // namespace totem::form
