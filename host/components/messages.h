#pragma once
// A form's keyed table of user-visible texts. Each line holds a key, a
// vertical bar and the text: "CAIXA_N|Caixa não cadastrado.".
#include <QObject>
#include <QString>
#include <QStringList>

namespace totem::host {

class TMessages : public QObject {
  Q_OBJECT

 public:
  explicit TMessages(QObject* parent = nullptr) : QObject(parent) {}

  QStringList& Messages() { return lines_; }
  const QStringList& Messages() const { return lines_; }
  void SetMessages(QStringList lines) { lines_ = std::move(lines); }

  // The text of the first line whose key matches, ignoring case as the
  // platform's keyed lists do; everything after the first bar belongs to the
  // text. Empty for an unknown key.
  QString Msg(const QString& key) const;

 private:
  QStringList lines_;
};

}  // namespace totem::host
