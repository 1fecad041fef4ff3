#pragma once
// The platform's standard message dialog.
#include "host/components/dialog_types.h"

#include <QString>

namespace totem::host {

// Shows the message through the current dialog provider and answers the
// modal result of the button pressed. helpCtx is accepted for the callers'
// sake; there is no help system, so it changes nothing.
int MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx = 0);

// The real dialog behind the standard provider: a modal message box over the
// active window with Portuguese button captions. An empty button set shows
// OK. Escape answers Cancel when offered, else the only button's result.
int ShowStandardMessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons,
                           int helpCtx = 0);

}  // namespace totem::host
