#include "host/touch/touch_widgets.h"

#include "host/components/touch_style.h"

#include <QDialog>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <algorithm>

namespace totem::touch {
namespace {

QPixmap Canvas(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

// Rows as tall as their text wrapped to the width the list gives it: a long
// text shows whole, over as many lines as it needs, never cut short.
class WrappingRows : public QStyledItemDelegate {
 public:
  WrappingRows(QTreeWidget* tree, int minHeight)
      : QStyledItemDelegate(tree), tree_(tree), minHeight_(minHeight) {}

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    int depth = 0;
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) ++depth;
    const int indent = tree_->indentation() * (depth + (tree_->rootIsDecorated() ? 1 : 0));
    const int icon = item.icon.isNull() ? 0 : item.decorationSize.width() + 8;
    const int width = std::max(40, tree_->viewport()->width() - indent - icon - 16);
    const QRect text = QFontMetrics(item.font).boundingRect(
        QRect(0, 0, width, 100000), Qt::TextWordWrap | Qt::TextWrapAnywhere, item.text);
    return {width, std::max(minHeight_, text.height() + 12)};
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem item(option);
    item.features |= QStyleOptionViewItem::WrapText;
    item.textElideMode = Qt::ElideNone;
    QStyledItemDelegate::paint(painter, item, index);
  }

 private:
  QTreeWidget* tree_;
  int minHeight_;
};

// A new width wraps the rows anew.
class RewrapOnResize : public QObject {
 public:
  explicit RewrapOnResize(QTreeWidget* tree) : QObject(tree), tree_(tree) {
    tree->viewport()->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Resize) tree_->doItemsLayout();
    return false;
  }

 private:
  QTreeWidget* tree_;
};

}  // namespace

QPixmap OkGlyph(int size) {
  QPixmap pixmap = Canvas(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0, 120, 40), size / 7.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  QPainterPath tick;
  tick.moveTo(size * 0.18, size * 0.55);
  tick.lineTo(size * 0.42, size * 0.78);
  tick.lineTo(size * 0.84, size * 0.24);
  p.drawPath(tick);
  return pixmap;
}

QPixmap CheckGlyph(Qt::CheckState state, int size) {
  QPixmap pixmap = Canvas(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(24, 32, 96), size / 14.0));
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(size * 0.1, size * 0.1, size * 0.8, size * 0.8), size * 0.1, size * 0.1);
  if (state == Qt::PartiallyChecked) {
    p.fillRect(QRectF(size * 0.28, size * 0.44, size * 0.44, size * 0.12), QColor(0, 120, 40));
  } else if (state == Qt::Checked) {
    p.setPen(QPen(QColor(0, 120, 40), size / 8.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath tick;
    tick.moveTo(size * 0.25, size * 0.52);
    tick.lineTo(size * 0.43, size * 0.70);
    tick.lineTo(size * 0.76, size * 0.30);
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
  }
  return pixmap;
}

QPixmap CancelGlyph(int size) {
  QPixmap pixmap = Canvas(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(180, 20, 20), size / 7.0, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(size * 0.22, size * 0.22), QPointF(size * 0.78, size * 0.78));
  p.drawLine(QPointF(size * 0.78, size * 0.22), QPointF(size * 0.22, size * 0.78));
  return pixmap;
}

QPixmap BackspaceGlyph(int size) {
  QPixmap pixmap = Canvas(size);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(20, 20, 50), size / 14.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  QPainterPath arrow;
  arrow.moveTo(size * 0.08, size * 0.5);
  arrow.lineTo(size * 0.32, size * 0.22);
  arrow.lineTo(size * 0.92, size * 0.22);
  arrow.lineTo(size * 0.92, size * 0.78);
  arrow.lineTo(size * 0.32, size * 0.78);
  arrow.closeSubpath();
  p.drawPath(arrow);
  p.drawLine(QPointF(size * 0.48, size * 0.36), QPointF(size * 0.76, size * 0.64));
  p.drawLine(QPointF(size * 0.76, size * 0.36), QPointF(size * 0.48, size * 0.64));
  return pixmap;
}

host::TTouchButton* MakeKey(QWidget* parent, const QString& objectName, const QString& caption,
                            QSize size, int fontPixels, std::function<void()> action) {
  auto* key = new host::TTouchButton(parent);
  key->setObjectName(objectName);
  key->setText(caption);
  key->setFixedSize(host::Scaled(size));
  key->setFont(host::TouchFont(fontPixels, true));
  key->setFocusPolicy(Qt::NoFocus);
  key->setAutoRepeat(false);
  key->OnClick = [action = std::move(action)](QObject*) { action(); };
  return key;
}

void PrepareTouchDialog(QDialog* dialog, const QString& title) {
  dialog->setWindowTitle(title);
  dialog->setModal(true);
  dialog->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
  dialog->setFont(host::TouchFont(20));
  QPalette palette = dialog->palette();
  palette.setColor(QPalette::Window, QColor(232, 232, 240));
  dialog->setPalette(palette);
  dialog->setAutoFillBackground(true);
}

QTreeWidget* TouchTree(QWidget* parent, const QString& objectName, int rowHeight,
                       QSize minimumSize) {
  auto* tree = new QTreeWidget(parent);
  tree->setObjectName(objectName);
  tree->setHeaderHidden(true);
  tree->setFont(host::TouchFont(18));
  tree->setFocusPolicy(Qt::NoFocus);
  tree->setSelectionMode(QAbstractItemView::NoSelection);
  tree->setItemDelegate(new WrappingRows(tree, host::Scaled(rowHeight)));
  new RewrapOnResize(tree);
  tree->setWordWrap(true);
  tree->setTextElideMode(Qt::ElideNone);
  tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // Always there, so that the width the rows were wrapped to never changes
  // when the list grows past its box.
  tree->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  tree->setMinimumSize(host::Scaled(minimumSize));
  host::EnableFingerScrolling(tree);
  return tree;
}

}  // namespace totem::touch
