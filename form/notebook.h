#pragma once
// A notebook: pages stacked on top of each other, one shown at a time, each
// with a caption of its own. The pages have no tabs; the form's page
// buttons move between them.
#include <QStackedWidget>
#include <QString>
#include <QStringList>

namespace totem::form {

class TNotebook : public QStackedWidget {
  Q_OBJECT

 public:
  explicit TNotebook(QWidget* parent = nullptr) : QStackedWidget(parent) {}

  QWidget* AddPage(const QString& caption);
  int PageIndex() const { return currentIndex(); }
  void SetPageIndex(int index);
  // Caption of the page shown.
  QString ActivePage() const;
  const QStringList& Pages() const { return captions_; }

 private:
  QStringList captions_;
};

}  // namespace totem::form
