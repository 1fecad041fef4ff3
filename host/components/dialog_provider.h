#pragma once
// Every dialog the host services open goes through one replaceable provider:
// the standard message dialog, the touch message box, the on-screen
// keyboard, the search list and the numeric keypad. The host application
// runs with the real dialogs; tests put a scripted provider in their place
// and answer the dialogs without a screen.
//
// Which provider answers, first match wins:
//   1. the innermost ScopedDialogProvider alive;
//   2. the provider installed with SetDialogProvider;
//   3. the default the host application installs at start-up (the touch
//      dialog package's InstallTouchDialogs);
//   4. StandardDialogs: the real standard message dialog; a touch dialog
//      asked of it shows an error saying it cannot open, and answers
//      "nothing entered".
#include "host/components/dialog_types.h"

#include <QString>

#include <memory>

namespace totem {
class ClientDataset;
}

namespace totem::host {

class DialogProvider {
 public:
  virtual ~DialogProvider();

  // The platform's standard message dialog; answers a TModalResult.
  virtual int MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons,
                         int helpCtx) = 0;
  // Touch message box. defaultResult: the modal result of the button that
  // Enter presses (0: the first button); caption: the window title (empty:
  // one that names the type).
  virtual int TouchMessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons,
                              int helpCtx, int defaultResult, const QString& caption) = 0;
  // On-screen keyboard: the text entered, "" on cancel, "@" for "clear".
  // maxLength: the most characters the value takes (0: no limit); the
  // keyboard counts them and takes no input past it.
  virtual QString TecladoAlfanumerico(const QString& current, const QString& prompt,
                                      int maxLength) = 0;
  // Search list: true when a row was picked; the dataset is then on it.
  virtual bool Pesquisa(ClientDataset& dataset, const QString& title, const QString& showSearch,
                        const QString& initialSearch, bool pickSingleRow) = 0;
  // Numeric keypad: the number entered, or -1 when nothing was entered.
  virtual double InfoQuantidade(const QString& prompt, int kind, const QString& maxDigits) = 0;
};

// The fallback: the real standard message dialog; the touch message box falls
// back to it. The keyboard, keypad and search list cannot be stood in for:
// asked of the fallback, they tell the user in an error box that they could
// not open (and log it), then answer "nothing entered".
class StandardDialogs : public DialogProvider {
 public:
  int MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons,
                 int helpCtx) override;
  int TouchMessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx,
                      int defaultResult, const QString& caption) override;
  QString TecladoAlfanumerico(const QString& current, const QString& prompt,
                              int maxLength) override;
  bool Pesquisa(ClientDataset& dataset, const QString& title, const QString& showSearch,
                const QString& initialSearch, bool pickSingleRow) override;
  double InfoQuantidade(const QString& prompt, int kind, const QString& maxDigits) override;
};

// The provider that answers now (see the order above).
DialogProvider& Dialogs();

// Installs a provider for the rest of the process (nullptr removes it) and
// hands back the one it replaces.
std::unique_ptr<DialogProvider> SetDialogProvider(std::unique_ptr<DialogProvider> provider);

// Installed by the host application at start-up; nullptr removes it. The
// provider stays owned by the caller.
void SetDefaultDialogProvider(DialogProvider* provider);
DialogProvider* DefaultDialogProvider();

// Puts a provider in front of all others for the lifetime of this object
// (tests). The provider stays owned by the caller and must outlive the scope.
class ScopedDialogProvider {
 public:
  explicit ScopedDialogProvider(DialogProvider& provider);
  ~ScopedDialogProvider();
  ScopedDialogProvider(const ScopedDialogProvider&) = delete;
  ScopedDialogProvider& operator=(const ScopedDialogProvider&) = delete;

 private:
  DialogProvider* previous_;
};

}  // namespace totem::host
