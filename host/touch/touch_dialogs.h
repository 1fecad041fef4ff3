#pragma once
// The touch dialog package as the screens call it. Every call goes through
// the host's dialog provider (host/components/dialog_provider.h): the real
// touch dialogs below by default, a script in tests.
#include "host/components/dialog_types.h"
#include "platform/client_dataset.h"
#include "platform/data_packet.h"
#include "platform/result_envelope.h"

#include <QString>

namespace totem::touch {

// Modal touch message box; answers the modal result of the button pressed.
// helpCtx: no help system exists, it changes nothing. defaultResult: the
// result of the button Enter presses (0: the first). caption: window title
// (empty: the type's name).
int TouchMessageDlg(const QString& text, host::TMsgDlgType type, host::TMsgDlgButtons buttons,
                    int helpCtx = 0, int defaultResult = 0, const QString& caption = QString());

// Same contract as host::CheckResultServ: the packet of a success (an empty
// one when it carries none); a failure throws host::ServerResultError with
// the server's message (raise = true), or with raise = false is shown in the
// touch message box as an error and ends in SilentAbort.
DataPacket TouchCheckResultServ(const ResultEnvelope& envelope, bool raise = true, int helpCtx = 0);

// On-screen keyboard over the current text. Answers the text entered, the
// empty text on Cancel, and "@" when the user pressed "Deixar vazio" or
// confirmed a box they emptied (clear the value). prompt: the line above the text box (empty:
// "Digite o texto"). maxLength: the most characters the value takes (0: no limit).
QString TecladoAlfanumerico(const QString& current, const QString& prompt = QString(),
                            int maxLength = 0);

// Search list over the dataset's visible rows. Answers true when the user
// picked a row, and the dataset is then on that row; false leaves the
// dataset as it was (filter, sort and current row). title: empty gives
// "Pesquisa". showSearch: "S" shows the search box, "N" hides it.
// initialSearch: text the list starts narrowed by. pickSingleRow: with
// exactly one row, pick it without showing the list.
bool Pesquisa(ClientDataset& dataset, const QString& title, const QString& showSearch = "S",
              const QString& initialSearch = QString(), bool pickSingleRow = false);

// Numeric keypad for a whole number of at most maxDigits digits (a number
// as text, "2" or "5"; an unreadable or non-positive one allows 9). kind:
// the only keypad is the whole-number one (1); other values give it too.
// Answers the number typed, or -1 on Cancel or OK with nothing typed.
double InfoQuantidade(const QString& prompt, int kind, const QString& maxDigits);

}  // namespace totem::touch
