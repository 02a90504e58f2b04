#include "app/filter_bar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>
#include <string_view>

#include "grid/widget/qt_text.h"
#include "grid/widget/table_grid.h"

namespace tessary {
namespace {

QString ColumnTitle(const TCellTable& t, int32_t col) {
  const std::u16string_view name = t.Cells(col, 0);
  if (name.empty()) return QStringLiteral("Column %1").arg(col + 1);
  return QString::fromUtf16(name.data(), static_cast<qsizetype>(name.size()));
}

}  // namespace

QString FilterConditionsText(const TCellTable& table,
                             const std::vector<TFilterCondition>& conditions) {
  QStringList parts;
  for (const TFilterCondition& c : conditions) {
    const QString column = ColumnTitle(table, c.Col);
    const QString text = ToQString(c.Text);
    if (c.Match == TFilterMatch::fmContains) {
      parts << QStringLiteral("%1 contains '%2'").arg(column, text);
    } else if (text.isEmpty()) {
      parts << QStringLiteral("%1 is empty").arg(column);
    } else {
      parts << QStringLiteral("%1 equals '%2'").arg(column, text);
    }
  }
  return parts.join(QStringLiteral(" and "));
}

TFilterBar::TFilterBar(TTableGrid* grid, QWidget* parent) : QWidget(parent), FGrid(grid) {
  setObjectName(QStringLiteral("FilterBar"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(8, 2, 8, 4);
  layout->setSpacing(6);
  auto* title = new QLabel(QStringLiteral("Filter:"), this);
  ColumnBox = new QComboBox(this);
  ColumnBox->setObjectName(QStringLiteral("FilterColumn"));
  ColumnBox->setAccessibleName(QStringLiteral("Filter column"));
  ColumnBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  auto* contains = new QLabel(QStringLiteral("contains"), this);
  TextEdit = new QLineEdit(this);
  TextEdit->setObjectName(QStringLiteral("FilterText"));
  TextEdit->setAccessibleName(QStringLiteral("Filter text"));
  TextEdit->setPlaceholderText(QStringLiteral("text, then Enter"));
  TextEdit->setClearButtonEnabled(true);
  TextEdit->setMinimumWidth(TextEdit->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 20);
  ApplyButton = new QToolButton(this);
  ApplyButton->setText(QStringLiteral("Add"));
  ApplyButton->setToolTip(QStringLiteral("Show only the rows that also match this condition"));
  ConditionsLabel = new QLabel(this);
  ConditionsLabel->setObjectName(QStringLiteral("FilterConditions"));
  ConditionsLabel->setTextFormat(Qt::PlainText);
  ConditionsLabel->setMinimumWidth(1);  // a narrow window cuts the text, not the window
  ClearButton = new QToolButton(this);
  ClearButton->setText(QStringLiteral("Clear filter"));
  ClearButton->setToolTip(QStringLiteral("Remove every condition and show all rows (Esc)"));
  layout->addWidget(title);
  layout->addWidget(ColumnBox);
  layout->addWidget(contains);
  layout->addWidget(TextEdit);
  layout->addWidget(ApplyButton);
  layout->addSpacing(8);
  layout->addWidget(ConditionsLabel, 1);
  layout->addWidget(ClearButton);
  connect(TextEdit, &QLineEdit::returnPressed, this, [this] { AddCondition(); });
  connect(ApplyButton, &QToolButton::clicked, this, [this] { AddCondition(); });
  connect(ClearButton, &QToolButton::clicked, this, [this] { ClearConditions(); });
  hide();
}

void TFilterBar::FillColumns(int32_t current) {
  const TCellTable& t = FGrid->Table();
  ColumnBox->clear();
  for (int32_t c = 0; c < t.ColCount(); ++c) ColumnBox->addItem(ColumnTitle(t, c));
  ColumnBox->setCurrentIndex(std::clamp(current, 0, t.ColCount() - 1));
}

void TFilterBar::Open() {
  FOpen = true;
  FillColumns(FGrid->Table().Col());
  Refresh();
  TextEdit->setFocus(Qt::ShortcutFocusReason);
  TextEdit->selectAll();
}

void TFilterBar::AddCondition() {
  const std::u16string text = FromQString(TextEdit->text());
  const int32_t col = ColumnBox->currentIndex();
  if (text.empty() || col < 0 || col >= FGrid->Table().ColCount()) return;
  TGridController& grid = FGrid->Controller();
  std::vector<TFilterCondition> conditions = grid.Filter().Conditions();
  std::erase_if(conditions, [col](const TFilterCondition& c) {
    return c.Col == col && c.Match == TFilterMatch::fmContains;
  });
  conditions.push_back(TFilterCondition{col, TFilterMatch::fmContains, text});
  grid.ApplyFilter(std::move(conditions));
  TextEdit->clear();
  Refresh();
  emit FilterChanged();
}

void TFilterBar::ClearConditions() {
  FOpen = false;
  FGrid->Controller().ClearFilter();
  TextEdit->clear();
  Refresh();
  FGrid->setFocus(Qt::OtherFocusReason);
  emit FilterChanged();
}

void TFilterBar::Close() {
  FOpen = false;
  Refresh();
}

void TFilterBar::Refresh() {
  const TTableFilter& filter = FGrid->Controller().Filter();
  if (filter.Active()) {
    ConditionsLabel->setText(QStringLiteral("Showing rows where ") +
                             FilterConditionsText(FGrid->Table(), filter.Conditions()));
  } else {
    ConditionsLabel->setText(QStringLiteral("No filter: every row shows"));
  }
  ClearButton->setEnabled(filter.Active());
  // The column list follows names and columns changed while the bar shows.
  if (ColumnBox->count() != FGrid->Table().ColCount() && (FOpen || filter.Active())) {
    FillColumns(ColumnBox->currentIndex());
  }
  setVisible(FOpen || filter.Active());
}

void TFilterBar::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    ClearConditions();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace tessary
