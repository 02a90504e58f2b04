#include "grid/widget/choice_list.h"

#include <QScrollBar>
#include <algorithm>

namespace tessary {

TChoiceList::TChoiceList(QWidget* parent) : QListWidget(parent) {
  setObjectName(QStringLiteral("ChoiceList"));
  setFocusPolicy(Qt::NoFocus);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setFrameShape(QFrame::Box);
  connect(this, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { emit Chosen(item->text()); });
  hide();
}

void TChoiceList::Open(const QStringList& choices, const QRect& cell) {
  clear();
  addItems(choices);
  setCurrentRow(-1);
  Place(cell);
  show();
  raise();
}

void TChoiceList::Place(const QRect& cell) {
  const int rows = count();
  const int rowHeight = std::max(1, sizeHintForRow(0));
  const int room = parentWidget() ? parentWidget()->height() : cell.bottom() + rows * rowHeight;
  int height = rows * rowHeight + 2 * frameWidth();
  int width = std::max(cell.width(), sizeHintForColumn(0) + 2 * frameWidth() + 8);
  QRect r(cell.left(), cell.bottom() + 1, width, height);
  if (r.bottom() >= room && cell.top() - height >= 0) r.moveBottom(cell.top() - 1);
  if (r.bottom() >= room) r.setBottom(std::max(r.top() + rowHeight, room - 1));
  setGeometry(r);
}

void TChoiceList::Match(const QString& text) {
  if (text.isEmpty()) {
    setCurrentRow(-1);
    return;
  }
  for (int i = 0; i < count(); ++i) {
    if (item(i)->text().startsWith(text, Qt::CaseInsensitive)) {
      setCurrentRow(i);
      return;
    }
  }
  setCurrentRow(-1);
}

QString TChoiceList::Step(int delta) {
  if (count() == 0) return QString();
  const int now = currentRow();
  const int next =
      now < 0 ? (delta > 0 ? 0 : count() - 1) : std::clamp(now + delta, 0, count() - 1);
  setCurrentRow(next);
  return item(next)->text();
}

QString TChoiceList::Marked() const {
  const QListWidgetItem* marked = currentItem();
  return marked && marked->isSelected() ? marked->text() : QString();
}

}  // namespace tessary
