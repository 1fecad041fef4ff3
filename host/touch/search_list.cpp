#include "host/touch/search_list.h"

#include "host/components/dataset_table_model.h"
#include "host/components/touch_style.h"
#include "host/touch/touch_dialogs.h"
#include "host/touch/touch_widgets.h"
#include "platform/client_dataset.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

namespace totem::touch {
namespace {

constexpr int kRowHeight = 46;
constexpr int kListFont = 18;
constexpr QChar kColumnBreak = QChar(0x1f);  // keeps a match inside one column

}  // namespace

QString SearchKey(const QString& text) {
  const QString decomposed = text.normalized(QString::NormalizationForm_D);
  QString key;
  key.reserve(decomposed.size());
  for (QChar c : decomposed)
    if (c.category() != QChar::Mark_NonSpacing) key.append(c);
  return key.toCaseFolded();
}

SearchList::SearchList(ClientDataset& dataset, const QString& title, bool showSearch,
                       const QString& initialSearch, QWidget* parent)
    : QDialog(parent), dataset_(dataset), model_(new host::DatasetTableModel(this)) {
  PrepareTouchDialog(this, title.isEmpty() ? QStringLiteral("Pesquisa") : title);
  setObjectName(QStringLiteral("searchList"));
  model_->SetDataset(&dataset_);

  auto* heading = new QLabel(windowTitle(), this);
  heading->setObjectName(QStringLiteral("title"));
  heading->setFont(host::TouchFont(22, true));

  search_ = new QLineEdit(initialSearch, this);
  search_->setObjectName(QStringLiteral("search"));
  search_->setPlaceholderText(QStringLiteral("Digite para localizar"));
  search_->setFont(host::TouchFont(22));
  search_->setMinimumHeight(host::Scaled(52));
  search_->installEventFilter(this);
  connect(search_, &QLineEdit::textChanged, this, &SearchList::ApplySearch);
  connect(search_, &QLineEdit::returnPressed, this, &SearchList::Confirm);
  auto* keyboard = MakeKey(this, QStringLiteral("key_keyboard"), QStringLiteral("Teclado"),
                           QSize(120, 56), 18, [this] { OpenKeyboard(); });
  auto* searchRow = new QHBoxLayout;
  searchRow->addWidget(search_, 1);
  searchRow->addWidget(keyboard);
  search_->setVisible(showSearch);
  keyboard->setVisible(showSearch);

  list_ = new QTableView(this);
  list_->setObjectName(QStringLiteral("list"));
  list_->setModel(model_);
  list_->setFont(host::TouchFont(kListFont));
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setWordWrap(false);
  list_->setAlternatingRowColors(true);
  list_->setFocusPolicy(Qt::NoFocus);
  list_->verticalHeader()->hide();
  list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list_->verticalHeader()->setDefaultSectionSize(host::Scaled(kRowHeight));
  list_->horizontalHeader()->setFont(host::TouchFont(17, true));
  list_->horizontalHeader()->setStretchLastSection(true);
  list_->horizontalHeader()->setHighlightSections(false);
  list_->setMinimumSize(host::Scaled(QSize(720, kRowHeight * 8 + 40)));
  const int charWidth = QFontMetrics(list_->font()).averageCharWidth();
  const QFontMetrics titleMetrics(list_->horizontalHeader()->font());
  for (int c = 0; c < model_->columnCount(); ++c) {
    const FieldDef& field = dataset_.Fields()[model_->FieldOfColumn(c)];
    const int chars = field.displayWidth > 0 ? field.displayWidth : qMax(field.size, 8);
    widths_.push_back(qBound(90, chars * charWidth + 24, 460));
    const QString title = model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    titleWidths_.push_back(titleMetrics.horizontalAdvance(title) + 24);
  }
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->viewport()->installEventFilter(this);
  host::EnableFingerScrolling(list_);
  connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &SearchList::UpdateState);
  connect(list_, &QTableView::doubleClicked, this, &SearchList::Confirm);

  auto* up = MakeKey(
      this, QStringLiteral("key_pageup"), QStringLiteral("▲"), QSize(64, 80), 26,
      [this] { list_->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub); });
  auto* down = MakeKey(
      this, QStringLiteral("key_pagedown"), QStringLiteral("▼"), QSize(64, 80), 26,
      [this] { list_->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd); });
  auto* paging = new QVBoxLayout;
  paging->addWidget(up);
  paging->addStretch();
  paging->addWidget(down);
  auto* middle = new QHBoxLayout;
  middle->addWidget(list_, 1);
  middle->addLayout(paging);

  count_ = new QLabel(this);
  count_->setObjectName(QStringLiteral("count"));
  count_->setFont(host::TouchFont(16));
  auto* cancel = MakeKey(this, QStringLiteral("key_cancel"), QStringLiteral("Cancelar"),
                         QSize(140, 64), 18, [this] { reject(); });
  cancel->SetGlyph(CancelGlyph(30));
  ok_ = MakeKey(this, QStringLiteral("key_ok"), QStringLiteral("OK"), QSize(140, 64), 18,
                [this] { Confirm(); });
  ok_->SetGlyph(OkGlyph(30));
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(count_, 1);
  bottom->addWidget(cancel);
  bottom->addWidget(ok_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 16, 20, 16);
  layout->setSpacing(12);
  layout->addWidget(heading);
  layout->addLayout(searchRow);
  layout->addLayout(middle, 1);
  layout->addLayout(bottom);

  if (!initialSearch.isEmpty()) ApplySearch(initialSearch);
  SelectRow(model_->RowOfRecNo(dataset_.RecNo()));
  UpdateState();
  if (showSearch) search_->setFocus();
}

SearchList::~SearchList() = default;

int SearchList::ShownRows() const { return model_->rowCount(); }

void SearchList::BuildSearchKeys() {
  const int rows = dataset_.RecordCount();
  keys_.clear();
  keys_.reserve(rows);
  QString joined;
  for (int recNo = 0; recNo < rows; ++recNo) {
    joined.clear();
    for (int c = 0; c < model_->columnCount(); ++c) {
      joined += QString::fromStdString(dataset_.ValueAt(recNo, model_->FieldOfColumn(c)));
      joined += kColumnBreak;
    }
    keys_.push_back(SearchKey(joined));
  }
}

void SearchList::ApplySearch(const QString& text) {
  const int previous = SelectedRecNo();
  const QString needle = SearchKey(text.trimmed());
  if (needle.isEmpty()) {
    model_->SetRowSubset(std::nullopt);
  } else {
    if (keys_.empty()) BuildSearchKeys();
    std::vector<int> matches;
    for (int recNo = 0; recNo < static_cast<int>(keys_.size()); ++recNo)
      if (keys_[recNo].contains(needle)) matches.push_back(recNo);
    model_->SetRowSubset(std::move(matches));
  }
  const int row = model_->RowOfRecNo(previous);
  SelectRow(row >= 0 ? row : 0);
  UpdateState();
}

void SearchList::SelectRow(int row) {
  if (row < 0 || row >= model_->rowCount()) {
    list_->selectionModel()->clearSelection();
    return;
  }
  const QModelIndex index = model_->index(row, 0);
  list_->selectionModel()->setCurrentIndex(
      index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  list_->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

int SearchList::SelectedRecNo() const {
  const QModelIndexList rows = list_->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : model_->RecNoOfRow(rows.front().row());
}

void SearchList::UpdateState() {
  const int shown = model_->rowCount();
  count_->setText(shown == 0   ? QStringLiteral("Nenhum registro encontrado")
                  : shown == 1 ? QStringLiteral("1 registro")
                               : QStringLiteral("%1 registros").arg(shown));
  ok_->setEnabled(SelectedRecNo() >= 0);
}

void SearchList::FitColumns() {
  // Every column stays in sight: a list that scrolls sideways is hard to
  // use with a finger, so wide columns give up width in proportion.
  const int available = list_->viewport()->width();
  int total = 0;
  for (int w : widths_) total += w;
  for (int c = 0; c < static_cast<int>(widths_.size()); ++c)
    list_->setColumnWidth(c, total > available && total > 0
                                 ? qMax(titleWidths_[c], widths_[c] * available / total)
                                 : widths_[c]);
}

void SearchList::OpenKeyboard() {
  const QString answer = TecladoAlfanumerico(search_->text(), QStringLiteral("Localizar"));
  if (answer == QLatin1String("@"))
    search_->clear();
  else if (!answer.isEmpty())
    search_->setText(answer);
}

void SearchList::Confirm() {
  chosen_ = SelectedRecNo();
  if (chosen_ >= 0) accept();
}

bool SearchList::eventFilter(QObject* watched, QEvent* event) {
  if (list_ && watched == list_->viewport() && event->type() == QEvent::Resize) FitColumns();
  // Arrow and page keys typed in the search box move through the list.
  if (watched == search_ && event->type() == QEvent::KeyPress) {
    switch (static_cast<QKeyEvent*>(event)->key()) {
      case Qt::Key_Up:
      case Qt::Key_Down:
      case Qt::Key_PageUp:
      case Qt::Key_PageDown:
        QCoreApplication::sendEvent(list_, event);
        return true;
      default:
        break;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace totem::touch
