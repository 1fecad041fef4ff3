#pragma once
// A register's saves, newest first: when (local time), who (the token's
// name and the client's address), where a copy came from, and each value
// the save changed, old → new (whole, wrapped), under the label the screen
// shows it with. It says how many saves there are in all; "Mais antigos",
// or a finger dragging the list to its end, brings the saves before the
// oldest one shown. It only reads.
#include "form/touch/register_dialogs.h"

#include <QDialog>

class QLabel;
class QTreeWidget;

namespace totem::host {
class TTouchButton;
}

namespace totem::form {

class HistoryDialog : public QDialog {
  Q_OBJECT

 public:
  // Each save gets the keys that put it back (form/touch/undo_keys.h).
  HistoryDialog(const QString& caixa, HistoryPage page, FieldLabels labels,
                QWidget* parent = nullptr, UndoActions undo = {});

  // Saves shown so far.
  int SavesShown() const;
  // Saves the register has: the newest one's number, as saves are numbered
  // from 1 without gaps.
  int SavesInAll() const { return inAll_; }
  // Brings the next older page, as "Mais antigos" does.
  void ShowOlder();

 private:
  void Append(const DataPacket& page);

  HistoryPage page_;
  FieldLabels labels_;
  UndoActions undo_;
  QTreeWidget* saves_ = nullptr;
  QLabel* status_ = nullptr;
  host::TTouchButton* older_ = nullptr;
  QString oldest_;  // number of the oldest save shown; empty before the first page
  int inAll_ = 0;
};

// A save's time as the screen shows it: local time, "dd/MM/yyyy HH:mm:ss";
// the text as it came when it is not an ISO 8601 time.
QString LocalTime(const QString& utcIso);

}  // namespace totem::form
