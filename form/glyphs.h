#pragma once
// Pictures drawn for the screen's buttons: the ticked box used by the
// toggle buttons and the small symbols of the command and navigation
// buttons. Drawn rather than loaded, so they scale and need no files.
#include <QPixmap>

namespace totem::form {

enum class Symbol {
  Tick,
  Search,
  Refresh,
  Cancel,
  Confirm,
  Exit,
  First,
  Prior,
  Next,
  Last,
  PagePrior,
  PageNext,
  Keyboard,
  Keypad,
  Building,
  Copy,
  History
};

QPixmap DrawSymbol(Symbol symbol, int size);
// A 40 x 40 ticked box.
QPixmap TickedBox();

}  // namespace totem::form
