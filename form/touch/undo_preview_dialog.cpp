#include "form/touch/undo_preview_dialog.h"

#include "form/touch/change_text.h"
#include "form/touch/history_dialog.h"
#include "host/components/touch_style.h"
#include "host/touch/touch_widgets.h"

#include "platform/parametros_contract.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <array>

namespace totem::form {
namespace {

using touch::CancelGlyph;
using touch::MakeKey;
using touch::OkGlyph;
using touch::PrepareTouchDialog;
using touch::TouchTree;

// What each situation of a preview says of its register.
struct Situacao {
  std::string_view code;
  const char* text;
  bool putBack;
};
constexpr std::array<Situacao, 6> kSituacoes = {{
    {contract::kSituacaoAltera, "volta aos valores desta gravação", true},
    {contract::kSituacaoIgual, "já tem os valores desta gravação", true},
    {contract::kSituacaoRestaura, "volta ao que era antes da cópia", true},
    {contract::kSituacaoMantido, "fica como está: gravado depois da cópia em %1 por %2", false},
    {contract::kSituacaoDesfeito, "fica como está: a cópia já foi desfeita nele", false},
    {contract::kSituacaoDesconhecido, "fica como está: caixa não cadastrado", false},
}};

const Situacao& SituacaoOf(const std::string& code) {
  for (const Situacao& s : kSituacoes)
    if (s.code == code) return s;
  return kSituacoes.back();
}

}  // namespace

UndoPreviewDialog::UndoPreviewDialog(const QString& title, const QString& explanation,
                                     const DataPacket& preview, const FieldLabels& labels,
                                     const QString& confirm, QWidget* parent)
    : QDialog(parent) {
  PrepareTouchDialog(this, title);
  setObjectName(QStringLiteral("undoPreviewDialog"));
  auto* heading = new QLabel(title, this);
  heading->setObjectName(QStringLiteral("title"));
  heading->setFont(host::TouchFont(22, true));
  heading->setWordWrap(true);
  auto* said = new QLabel(explanation, this);
  said->setFont(host::TouchFont(18));
  said->setWordWrap(true);
  QTreeWidget* changes = TouchTree(this, QStringLiteral("changes"), 40, QSize(560, 260));

  auto column = [&](const char* name) { return preview.ColumnIndex(name); };
  const int filial = column(contract::col::CDFILIAL), caixa = column(contract::col::CDCAIXA),
            situacao = column(contract::col::IDSITUACAO);
  const int campo = column(contract::col::NMCAMPO), antes = column(contract::col::DSANTES),
            depois = column(contract::col::DSDEPOIS);
  const int when = column(contract::col::DTGRAVACAO), who = column(contract::col::NMTOKEN);
  auto text = [](const PacketRow& row, int c) {
    return c >= 0 && row[c] ? *row[c] : std::string();
  };
  QTreeWidgetItem* shown = nullptr;
  std::string shownKey;
  for (const PacketRow& row : preview.rows) {
    const std::string key = text(row, filial) + "/" + text(row, caixa);
    if (!shown || key != shownKey) {
      const Situacao& s = SituacaoOf(text(row, situacao));
      QString line = QString::fromStdString(key) + QStringLiteral(": ") + QString::fromUtf8(s.text);
      if (s.code == contract::kSituacaoMantido) {
        const std::string token = text(row, who);
        line =
            line.arg(LocalTime(QString::fromStdString(text(row, when))),
                     token.empty() ? QStringLiteral("sem token") : QString::fromStdString(token));
      }
      shown = new QTreeWidgetItem(changes, {line});
      shown->setFont(0, host::TouchFont(18, true));
      shownKey = key;
      if (s.putBack) ++putBack_;
    }
    if (const std::string name = text(row, campo); !name.empty())
      new QTreeWidgetItem(shown, {ChangeText(labels, name, text(row, antes), text(row, depois))});
  }
  changes->expandAll();

  auto* status = new QLabel(this);
  status->setObjectName(QStringLiteral("status"));
  status->setFont(host::TouchFont(18));
  status->setWordWrap(true);
  status->setText(putBack_ == 0   ? QStringLiteral("Nada a fazer: nenhum caixa volta.")
                  : putBack_ == 1 ? QStringLiteral("1 caixa volta.")
                                  : QStringLiteral("%1 caixas voltam.").arg(putBack_));
  auto* ok = MakeKey(this, QStringLiteral("key_confirm"), confirm, QSize(220, 64), 18,
                     [this] { accept(); });
  ok->SetGlyph(OkGlyph(30));
  ok->setEnabled(putBack_ > 0);
  auto* cancel = MakeKey(this, QStringLiteral("key_cancel"), QStringLiteral("Cancelar"),
                         QSize(160, 64), 18, [this] { reject(); });
  cancel->SetGlyph(CancelGlyph(30));
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(status, 1);
  bottom->addWidget(ok);
  bottom->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 16, 20, 16);
  layout->setSpacing(12);
  layout->addWidget(heading);
  layout->addWidget(said);
  layout->addWidget(changes, 1);
  layout->addLayout(bottom);
}

}  // namespace totem::form
