#include "form/touch/copy_dialog.h"

#include "form/touch/change_text.h"
#include "host/components/touch_style.h"
#include "host/touch/search_list.h"
#include "host/touch/touch_dialogs.h"
#include "host/touch/touch_widgets.h"
#include "platform/client_dataset.h"
#include "platform/parametros_contract.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <map>

namespace totem::form {

using touch::CancelGlyph;
using touch::CheckGlyph;
using touch::MakeKey;
using touch::OkGlyph;
using touch::PrepareTouchDialog;
using touch::SearchKey;
using touch::TecladoAlfanumerico;
using touch::TouchTree;

namespace {

constexpr int kFilialRole = Qt::UserRole;
constexpr int kCaixaRole = Qt::UserRole + 1;
constexpr int kStateRole = Qt::UserRole + 2;  // a Qt::CheckState; none: not offered
constexpr int kBoxSize = 32;

QString ToQt(const std::string& text) { return QString::fromStdString(text); }

// A list sized for fingers with large check boxes.
QTreeWidget* CheckTree(QWidget* parent, const QString& name) {
  QTreeWidget* tree = TouchTree(parent, name, 44, QSize(760, 420));
  tree->setIconSize(host::Scaled(QSize(kBoxSize, kBoxSize)));
  return tree;
}

// One register's line: code, name and store.
QString RegisterText(const std::string& caixa, const std::string& nome, const std::string& loja) {
  return ToQt(caixa) + QStringLiteral(" - ") + ToQt(nome) +
         (loja.empty() ? QString() : QStringLiteral(" (") + ToQt(loja) + QStringLiteral(")"));
}

QString Counted(int n, const char* one, const char* many) {
  return QString::number(n) + QLatin1Char(' ') + QString::fromUtf8(n == 1 ? one : many);
}

}  // namespace

CopyDialog::CopyDialog(const CaixaKey& origem, const ClientDataset& filiais,
                       const ClientDataset& caixas, CopyPreview preview, FieldLabels labels,
                       QWidget* parent)
    : QDialog(parent), origem_(origem), preview_(std::move(preview)), labels_(std::move(labels)) {
  PrepareTouchDialog(this, QStringLiteral("Copiar parâmetros"));
  setObjectName(QStringLiteral("copyDialog"));
  auto* heading = new QLabel(QStringLiteral("Copiar os parâmetros do caixa %1/%2 para:")
                                 .arg(ToQt(origem.cdFilial), ToQt(origem.cdCaixa)),
                             this);
  heading->setObjectName(QStringLiteral("title"));
  heading->setFont(host::TouchFont(22, true));
  pages_ = new QStackedWidget(this);
  BuildChoosePage(filiais, caixas);
  BuildPreviewPage();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 16, 20, 16);
  layout->setSpacing(12);
  layout->addWidget(heading);
  layout->addWidget(pages_, 1);
  UpdateCount();
  filter_->setFocus();  // a physical keyboard types into the filter at once
}

void CopyDialog::BuildChoosePage(const ClientDataset& filiais, const ClientDataset& caixas) {
  auto* page = new QWidget(pages_);
  filter_ = new QLineEdit(page);
  filter_->setObjectName(QStringLiteral("filter"));
  filter_->setPlaceholderText(QStringLiteral("Digite para filtrar filiais e caixas"));
  filter_->setFont(host::TouchFont(22));
  filter_->setMinimumHeight(host::Scaled(52));
  connect(filter_, &QLineEdit::textChanged, this, &CopyDialog::ApplyFilter);
  auto* keyboard = MakeKey(page, QStringLiteral("key_keyboard"), QStringLiteral("Teclado"),
                           QSize(120, 56), 18, [this] { OpenKeyboard(); });
  auto* filterRow = new QHBoxLayout;
  filterRow->addWidget(filter_, 1);
  filterRow->addWidget(keyboard);

  registers_ = CheckTree(page, QStringLiteral("registers"));
  std::map<std::string, std::string> branchNames;
  const int code = filiais.FieldIndex(contract::col::CDFILIAL),
            name = filiais.FieldIndex(contract::col::NMFILIAL);
  for (int r = 0; code >= 0 && name >= 0 && r < filiais.RecordCount(); ++r)
    branchNames[filiais.ValueAt(r, code)] = filiais.ValueAt(r, name);
  const int filial = caixas.FieldIndex(contract::col::CDFILIAL),
            caixa = caixas.FieldIndex(contract::col::CDCAIXA);
  const int nome = caixas.FieldIndex(contract::col::NMCAIXA),
            loja = caixas.FieldIndex(contract::col::NMLOJA);
  std::map<std::string, QTreeWidgetItem*> branches;
  for (int r = 0; filial >= 0 && caixa >= 0 && r < caixas.RecordCount(); ++r) {
    const std::string f = caixas.ValueAt(r, filial), c = caixas.ValueAt(r, caixa);
    QTreeWidgetItem*& branch = branches[f];
    if (!branch) {
      branch =
          new QTreeWidgetItem(registers_, {ToQt(f) + QStringLiteral(" - ") + ToQt(branchNames[f])});
      branch->setFlags(Qt::ItemIsEnabled);
      SetState(branch, Qt::Unchecked);
      branch->setData(0, kFilialRole, ToQt(f));
      branch->setData(0, kCaixaRole, QString());
    }
    auto* item =
        new QTreeWidgetItem(branch, {RegisterText(c, nome >= 0 ? caixas.ValueAt(r, nome) : "",
                                                  loja >= 0 ? caixas.ValueAt(r, loja) : "")});
    item->setData(0, kFilialRole, ToQt(f));
    item->setData(0, kCaixaRole, ToQt(c));
    if (CaixaKey{f, c} == origem_) {
      // The source is where the values come from: it is shown, not offered.
      item->setText(0, item->text(0) + QStringLiteral("  (origem)"));
      item->setFlags(Qt::NoItemFlags);
    } else {
      item->setFlags(Qt::ItemIsEnabled);
      SetState(item, Qt::Unchecked);
    }
  }
  registers_->expandAll();
  registers_->setItemsExpandable(false);
  registers_->setRootIsDecorated(false);
  connect(registers_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { Touched(item); });

  count_ = new QLabel(page);
  count_->setObjectName(QStringLiteral("count"));
  count_->setFont(host::TouchFont(18));
  auto* cancel = MakeKey(page, QStringLiteral("key_cancel"), QStringLiteral("Cancelar"),
                         QSize(140, 64), 18, [this] { reject(); });
  cancel->SetGlyph(CancelGlyph(30));
  next_ = MakeKey(page, QStringLiteral("key_next"), QStringLiteral("Avançar"), QSize(140, 64), 18,
                  [this] { ShowPreview(); });
  next_->SetGlyph(OkGlyph(30));
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(count_, 1);
  bottom->addWidget(cancel);
  bottom->addWidget(next_);

  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(filterRow);
  layout->addWidget(registers_, 1);
  layout->addLayout(bottom);
  pages_->addWidget(page);
}

void CopyDialog::BuildPreviewPage() {
  auto* page = new QWidget(pages_);
  summary_ = new QLabel(page);
  summary_->setObjectName(QStringLiteral("summary"));
  summary_->setFont(host::TouchFont(20, true));
  summary_->setWordWrap(true);
  changes_ = CheckTree(page, QStringLiteral("changes"));
  auto* back = MakeKey(page, QStringLiteral("key_back"), QStringLiteral("Voltar"), QSize(140, 64),
                       18, [this] { pages_->setCurrentIndex(0); });
  auto* cancel = MakeKey(page, QStringLiteral("key_cancel"), QStringLiteral("Cancelar"),
                         QSize(140, 64), 18, [this] { reject(); });
  cancel->SetGlyph(CancelGlyph(30));
  apply_ = MakeKey(page, QStringLiteral("key_apply"), QStringLiteral("Aplicar"), QSize(140, 64), 18,
                   [this] {
                     answer_ = Checked();
                     accept();
                   });
  apply_->SetGlyph(OkGlyph(30));
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(back);
  bottom->addStretch();
  bottom->addWidget(cancel);
  bottom->addWidget(apply_);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(summary_);
  layout->addWidget(changes_, 1);
  layout->addLayout(bottom);
  pages_->addWidget(page);
}

Destinos CopyDialog::Checked() const {
  Destinos checked;
  for (int b = 0; b < registers_->topLevelItemCount(); ++b) {
    const QTreeWidgetItem* branch = registers_->topLevelItem(b);
    for (int c = 0; c < branch->childCount(); ++c) {
      const QTreeWidgetItem* item = branch->child(c);
      if (State(item) == Qt::Checked)
        checked.emplace_back(item->data(0, kFilialRole).toString().toStdString(),
                             item->data(0, kCaixaRole).toString().toStdString());
    }
  }
  return checked;
}

QTreeWidgetItem* CopyDialog::Find(const std::string& filial, const std::string& caixa) const {
  for (int b = 0; b < registers_->topLevelItemCount(); ++b) {
    QTreeWidgetItem* branch = registers_->topLevelItem(b);
    if (branch->data(0, kFilialRole).toString().toStdString() != filial) continue;
    if (caixa.empty()) return branch;
    for (int c = 0; c < branch->childCount(); ++c)
      if (branch->child(c)->data(0, kCaixaRole).toString().toStdString() == caixa)
        return branch->child(c);
  }
  return nullptr;
}

void CopyDialog::SetChecked(const std::string& filial, const std::string& caixa, bool checked) {
  QTreeWidgetItem* item = Find(filial, caixa);
  if (item && item->data(0, kStateRole).isValid() && (State(item) == Qt::Checked) != checked)
    Touched(item);
}

Qt::CheckState CopyDialog::State(const QTreeWidgetItem* item) {
  return static_cast<Qt::CheckState>(item->data(0, kStateRole).toInt());
}

void CopyDialog::SetState(QTreeWidgetItem* item, Qt::CheckState state) {
  item->setData(0, kStateRole, static_cast<int>(state));
  item->setIcon(0, QIcon(CheckGlyph(state, kBoxSize)));
}

void CopyDialog::Touched(QTreeWidgetItem* item) {
  if (!item->data(0, kStateRole).isValid()) return;  // the source: not offered
  QTreeWidgetItem* branch = item->parent() ? item->parent() : item;
  if (item == branch) {
    const Qt::CheckState to = State(branch) == Qt::Checked ? Qt::Unchecked : Qt::Checked;
    for (int c = 0; c < branch->childCount(); ++c)
      if (branch->child(c)->data(0, kStateRole).isValid()) SetState(branch->child(c), to);
  } else {
    SetState(item, State(item) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  }
  int checked = 0, offered = 0;
  for (int c = 0; c < branch->childCount(); ++c) {
    if (!branch->child(c)->data(0, kStateRole).isValid()) continue;
    ++offered;
    checked += State(branch->child(c)) == Qt::Checked;
  }
  SetState(branch, checked == 0         ? Qt::Unchecked
                   : checked == offered ? Qt::Checked
                                        : Qt::PartiallyChecked);
  UpdateCount();
}

bool CopyDialog::PreviewShown() const { return pages_->currentIndex() == 1; }

void CopyDialog::ApplyFilter(const QString& text) {
  // A branch whose name matches shows all its registers; otherwise only the
  // registers that match, and the branch while any of them does.
  const QString needle = SearchKey(text.trimmed());
  for (int b = 0; b < registers_->topLevelItemCount(); ++b) {
    QTreeWidgetItem* branch = registers_->topLevelItem(b);
    const bool branchMatches = SearchKey(branch->text(0)).contains(needle);
    bool any = false;
    for (int c = 0; c < branch->childCount(); ++c) {
      QTreeWidgetItem* item = branch->child(c);
      const bool shown = branchMatches || SearchKey(item->text(0)).contains(needle);
      item->setHidden(!shown);
      any = any || shown;
    }
    branch->setHidden(!any);
  }
}

void CopyDialog::OpenKeyboard() {
  const QString answer = TecladoAlfanumerico(filter_->text(), QStringLiteral("Filtrar"));
  if (answer == QLatin1String("@"))
    filter_->clear();
  else if (!answer.isEmpty())
    filter_->setText(answer);
}

void CopyDialog::UpdateCount() {
  const int n = static_cast<int>(Checked().size());
  count_->setText(n == 0 ? QStringLiteral("Marque os caixas que recebem os parâmetros.")
                         : Counted(n, "caixa marcado", "caixas marcados"));
  next_->setEnabled(n > 0);
}

void CopyDialog::ShowPreview() {
  const Destinos checked = Checked();
  if (checked.empty()) return;
  FillPreview(preview_(checked));
  pages_->setCurrentIndex(1);
}

void CopyDialog::FillPreview(const DataPacket& preview) {
  changes_->clear();
  std::map<CaixaKey, QTreeWidgetItem*> changed;
  int equal = 0, unknown = 0;
  const int filial = preview.ColumnIndex(contract::col::CDFILIAL),
            caixa = preview.ColumnIndex(contract::col::CDCAIXA);
  const int situacao = preview.ColumnIndex(contract::col::IDSITUACAO),
            campo = preview.ColumnIndex(contract::col::NMCAMPO);
  const int antes = preview.ColumnIndex(contract::col::DSANTES),
            depois = preview.ColumnIndex(contract::col::DSDEPOIS);
  auto text = [](const PacketRow& row, int column) {
    return column >= 0 && row[column] ? *row[column] : std::string();
  };
  for (const PacketRow& row : preview.rows) {
    const std::string what = text(row, situacao);
    const CaixaKey key{text(row, filial), text(row, caixa)};
    if (what == contract::kSituacaoIgual) ++equal;
    if (what == contract::kSituacaoDesconhecido) ++unknown;
    if (what != contract::kSituacaoAltera) continue;
    QTreeWidgetItem*& item = changed[key];
    if (!item) {
      const QTreeWidgetItem* line = Find(key.cdFilial, key.cdCaixa);
      item = new QTreeWidgetItem(
          changes_,
          {line ? ToQt(key.cdFilial) + QStringLiteral(" / ") + line->text(0) : ToQt(key.Text())});
      item->setFont(0, host::TouchFont(18, true));
    }
    new QTreeWidgetItem(
        item, {ChangeText(labels_, text(row, campo), text(row, antes), text(row, depois))});
  }
  changes_->expandAll();
  QStringList said;
  const int n = static_cast<int>(changed.size());
  said << (n == 0 ? QStringLiteral("Nenhum caixa seria alterado.")
                  : Counted(n, "caixa será alterado.", "caixas serão alterados."));
  if (equal > 0) said << Counted(equal, "caixa já está igual.", "caixas já estão iguais.");
  if (unknown > 0)
    said << Counted(unknown, "caixa não foi encontrado.", "caixas não foram encontrados.");
  summary_->setText(said.join(QLatin1Char(' ')));
  apply_->setEnabled(n > 0);
}

}  // namespace totem::form
