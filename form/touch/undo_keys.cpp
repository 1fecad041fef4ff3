#include "form/touch/undo_keys.h"

#include "form/touch/undo_preview_dialog.h"
#include "host/components/error_handling.h"
#include "host/touch/touch_widgets.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QTreeWidget>

namespace totem::form {
namespace {

// Shows the preview and, when the user confirms it, does the put-back and
// closes the history.
void PreviewThenDo(QDialog* history, const QString& title, const QString& explanation,
                   const QString& confirm, const FieldLabels& labels,
                   const std::function<DataPacket()>& preview, const std::function<void()>& act) {
  host::RunGuarded([&] {
    UndoPreviewDialog dialog(title, explanation, preview(), labels, confirm, history);
    if (dialog.exec() != QDialog::Accepted) return;
    act();
    history->accept();
  });
}

}  // namespace

void AddUndoKeys(QDialog* history, QTreeWidgetItem* save, const std::string& nrGravacao,
                 const std::string& idCopia, const FieldLabels& labels, const UndoActions& undo) {
  if (!undo.restaura || !save->treeWidget()) return;
  auto* row = new QTreeWidgetItem;
  save->insertChild(0, row);
  auto* keys = new QWidget;
  auto* layout = new QHBoxLayout(keys);
  layout->setContentsMargins(0, 4, 0, 4);
  const QString n = QString::fromStdString(nrGravacao);
  layout->addWidget(touch::MakeKey(
      keys, QStringLiteral("key_restore"), QStringLiteral("Restaurar esta versão"), QSize(250, 56),
      18, [=, &labels, &undo] {
        PreviewThenDo(
            history, QStringLiteral("Restaurar a gravação Nº %1").arg(n),
            QStringLiteral("O caixa volta aos valores que tinha logo depois desta gravação, "
                           "numa gravação nova. Muda:"),
            QStringLiteral("Restaurar"), labels, [&] { return undo.restauraPrevia(nrGravacao); },
            [&] { undo.restaura(nrGravacao); });
      }));
  if (!idCopia.empty()) {
    const QString id = QString::fromStdString(idCopia);
    layout->addWidget(touch::MakeKey(
        keys, QStringLiteral("key_undo_copy"), QStringLiteral("Desfazer esta cópia"),
        QSize(250, 56), 18, [=, &labels, &undo] {
          PreviewThenDo(
              history, QStringLiteral("Desfazer a cópia %1").arg(id),
              QStringLiteral("Os caixas que a cópia alterou e que ninguém gravou "
                             "depois voltam ao que eram antes dela:"),
              QStringLiteral("Desfazer a cópia"), labels,
              [&] { return undo.desfazPrevia(idCopia); }, [&] { undo.desfaz(idCopia); });
        }));
  }
  layout->addStretch(1);
  save->treeWidget()->setItemWidget(row, 0, keys);
}

}  // namespace totem::form
