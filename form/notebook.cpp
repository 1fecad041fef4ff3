#include "form/notebook.h"

namespace totem::form {

QWidget* TNotebook::AddPage(const QString& caption) {
  auto* page = new QWidget(this);
  page->setObjectName(caption);
  captions_.push_back(caption);
  addWidget(page);
  return page;
}

void TNotebook::SetPageIndex(int index) {
  if (index >= 0 && index < count()) setCurrentIndex(index);
}

QString TNotebook::ActivePage() const {
  const int index = currentIndex();
  return index >= 0 && index < captions_.size() ? captions_[index] : QString();
}

}  // namespace totem::form
