#pragma once
// A framed static text showing one value of a screen: fixed size, one line.
// A text wider than the frame ends in "…" instead of being cut off, and the
// whole text shows as a tooltip when the mouse rests on it. A touch screen
// has no resting: a tap runs OnTap, where the screen shows the whole text.
#include <QLabel>

#include <functional>

namespace totem::host {

class TValueDisplay : public QLabel {
  Q_OBJECT

 public:
  explicit TValueDisplay(QWidget* parent = nullptr);

  // The text as drawn: the whole text, or its elided form when it does not
  // fit.
  QString ShownText() const;
  bool Elided() const { return ShownText() != text(); }

  // Run when a finger (or the mouse) taps the display.
  std::function<void()> OnTap;

 protected:
  bool event(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QRect TextRect() const;
};

}  // namespace totem::host
