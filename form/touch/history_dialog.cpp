#include "form/touch/history_dialog.h"

#include "form/touch/change_text.h"
#include "form/touch/undo_keys.h"
#include "host/components/touch_style.h"
#include "host/touch/touch_widgets.h"
#include "platform/column_names.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace totem::form {

using touch::MakeKey;
using touch::OkGlyph;
using touch::PrepareTouchDialog;
using touch::TouchTree;

QString LocalTime(const QString& utcIso) {
  QDateTime when = QDateTime::fromString(utcIso, Qt::ISODateWithMs);
  if (!when.isValid()) return utcIso;
  if (when.timeSpec() == Qt::LocalTime) when.setTimeSpec(Qt::UTC);  // stored as UTC
  return when.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

HistoryDialog::HistoryDialog(const QString& caixa, HistoryPage page, FieldLabels labels,
                             QWidget* parent, UndoActions undo)
    : QDialog(parent), page_(std::move(page)), labels_(std::move(labels)), undo_(std::move(undo)) {
  PrepareTouchDialog(this, QStringLiteral("Histórico de alterações"));
  setObjectName(QStringLiteral("historyDialog"));
  auto* heading = new QLabel(QStringLiteral("Histórico de alterações do caixa ") + caixa, this);
  heading->setObjectName(QStringLiteral("title"));
  heading->setFont(host::TouchFont(22, true));
  heading->setWordWrap(true);

  saves_ = TouchTree(this, QStringLiteral("saves"), 40, QSize(800, 380));
  // A finger that drags the list to its end asks for the older saves.
  connect(saves_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    if (value > 0 && value == saves_->verticalScrollBar()->maximum() && older_->isEnabled())
      ShowOlder();
  });

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("status"));
  status_->setFont(host::TouchFont(18));
  older_ = MakeKey(this, QStringLiteral("key_older"), QStringLiteral("Mais antigos"),
                   QSize(170, 64), 18, [this] { ShowOlder(); });
  auto* close = MakeKey(this, QStringLiteral("key_close"), QStringLiteral("Fechar"), QSize(140, 64),
                        18, [this] { accept(); });
  close->SetGlyph(OkGlyph(30));
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(status_, 1);
  bottom->addWidget(older_);
  bottom->addWidget(close);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 16, 20, 16);
  layout->setSpacing(12);
  layout->addWidget(heading);
  layout->addWidget(saves_, 1);
  layout->addLayout(bottom);
  ShowOlder();
}

int HistoryDialog::SavesShown() const { return saves_->topLevelItemCount(); }

void HistoryDialog::ShowOlder() {
  const bool first = oldest_.isEmpty();
  Append(page_(oldest_));
  // Saves are numbered from 1 without gaps: the newest one's number is how
  // many there are, and below the first there is none.
  if (first) inAll_ = std::max(oldest_.toInt() + SavesShown() - 1, SavesShown());
  const bool more = SavesShown() > 0 && oldest_ != QLatin1String("1");
  older_->setEnabled(more);
  QString said = inAll_ == 0   ? QStringLiteral("Nenhuma gravação registrada para este caixa.")
                 : inAll_ == 1 ? QStringLiteral("1 gravação")
                               : QStringLiteral("%1 gravações").arg(inAll_);
  if (SavesShown() < inAll_) said += QStringLiteral(" (%1 mostradas)").arg(SavesShown());
  status_->setText(said);
}

void HistoryDialog::Append(const DataPacket& page) {
  auto column = [&](const char* name) { return page.ColumnIndex(name); };
  const int number = column(contract::col::NRGRAVACAO), when = column(contract::col::DTGRAVACAO),
            token = column(contract::col::NMTOKEN);
  const int client = column(contract::col::DSCLIENTE), origin = column(contract::col::DSORIGEM),
            field = column(contract::col::NMCAMPO);
  const int before = column(contract::col::DSANTES), after = column(contract::col::DSDEPOIS);
  auto text = [](const PacketRow& row, int c) {
    return c >= 0 && row[c] ? *row[c] : std::string();
  };
  QTreeWidgetItem* save = nullptr;
  for (const PacketRow& row : page.rows) {
    const QString n = QString::fromStdString(text(row, number));
    if (!save || n != oldest_) {
      QString title = QStringLiteral("Nº %1 · %2 · ")
                          .arg(n, LocalTime(QString::fromStdString(text(row, when))));
      const std::string who = text(row, token);
      title += who.empty() ? QStringLiteral("sem token") : QString::fromStdString(who);
      if (const std::string from = text(row, client); !from.empty())
        title += QStringLiteral(" (") + QString::fromStdString(from) + QStringLiteral(")");
      if (const std::string source = text(row, origin); !source.empty())
        title += QStringLiteral(" · cópia de ") + QString::fromStdString(source);
      save = new QTreeWidgetItem(saves_, {title});
      save->setFont(0, host::TouchFont(18, true));
      AddUndoKeys(this, save, text(row, number), text(row, column(contract::col::IDCOPIA)), labels_,
                  undo_);
      oldest_ = n;
    }
    const std::string name = text(row, field);
    new QTreeWidgetItem(
        save, {name.empty() ? QStringLiteral("Nenhum valor alterado.")
                            : ChangeText(labels_, name, text(row, before), text(row, after))});
  }
  saves_->expandAll();
}

}  // namespace totem::form
