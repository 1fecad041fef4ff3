#pragma once
// A finger-sized push button with a picture above its caption, painted the
// same on every style: a raised face in the button colour, sunken while
// pressed.
#include <QColor>
#include <QPixmap>
#include <QToolButton>

#include <functional>

namespace totem::host {

class TTouchButton : public QToolButton {
  Q_OBJECT

 public:
  using ClickHandler = std::function<void(QObject* sender)>;

  explicit TTouchButton(QWidget* parent = nullptr);

  // Runs when the user clicks (through RunGuarded, so a failure is shown and
  // goes no further) and on Click().
  ClickHandler OnClick;

  // Programmatic click: runs OnClick with this button as sender if one is
  // set, whatever the enabled or visible state (keyboard shortcuts rely on
  // it). Exceptions reach the caller, who is inside an event entry itself.
  void Click();

  // Shows this picture from now on; the caller keeps its own copy. An empty
  // pixmap shows no picture.
  void SetGlyph(const QPixmap& glyph);
  const QPixmap& Glyph() const { return glyph_; }

  void SetColor(const QColor& face);
  const QColor& Color() const { return face_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

  // The width at which the caption's longest word shows at the button's own
  // font, not shrunk to fit, clear of the bevel.
  int CaptionWidth() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void PaintFace(QPainter& painter, bool down) const;
  void PaintContent(QPainter& painter, const QRect& area) const;
  QFont CaptionFont(int width) const;
  QString PlainCaption() const;

  QPixmap glyph_;
  QColor face_;
};

}  // namespace totem::host
