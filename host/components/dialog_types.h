#pragma once
// Types of the platform's message dialogs: the kind of message, the buttons
// offered, and the modal result that tells which button closed the dialog.
#include <QString>

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace totem::host {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn {
  mbYes,
  mbNo,
  mbOK,
  mbCancel,
  mbAbort,
  mbRetry,
  mbIgnore,
  mbAll,
  mbNoToAll,
  mbYesToAll,
  mbHelp,
  mbClose
};

// A set of buttons, written like the platform's: TMsgDlgButtons{mbYes, mbNo}.
class TMsgDlgButtons {
 public:
  constexpr TMsgDlgButtons() = default;
  constexpr TMsgDlgButtons(std::initializer_list<TMsgDlgBtn> buttons) {
    for (TMsgDlgBtn b : buttons) bits_ |= Bit(b);
  }
  constexpr bool Contains(TMsgDlgBtn b) const { return (bits_ & Bit(b)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TMsgDlgButtons operator|(TMsgDlgBtn b) const { return FromBits(bits_ | Bit(b)); }
  constexpr bool operator==(const TMsgDlgButtons&) const = default;
  // The buttons in the order a dialog shows them.
  std::vector<TMsgDlgBtn> InOrder() const;

 private:
  static constexpr std::uint32_t Bit(TMsgDlgBtn b) { return 1u << static_cast<unsigned>(b); }
  static constexpr TMsgDlgButtons FromBits(std::uint32_t bits) {
    TMsgDlgButtons s;
    s.bits_ = bits;
    return s;
  }
  std::uint32_t bits_ = 0;
};

// What a modal dialog answers: the result of the button that closed it.
enum TModalResult : int {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrIgnore = 5,
  mrYes = 6,
  mrNo = 7,
  mrAll = 8,
  mrNoToAll = 9,
  mrYesToAll = 10,
  mrClose = 11
};

int ModalResultOf(TMsgDlgBtn button);
QString ButtonCaption(TMsgDlgBtn button);  // "OK", "Cancelar", "Sim", ...
QString DialogCaption(TMsgDlgType type);   // "Atenção", "Erro", ...

}  // namespace totem::host
