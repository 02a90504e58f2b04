#include "app/compare_panel.h"

#include <QAbstractListModel>
#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <functional>
#include <string>

#include "compare/table_compare.h"
#include "compare/table_match.h"
#include "grid/widget/qt_text.h"
#include "table/cell_table.h"

namespace tessary {

// A list whose entries are made when they show, so that a comparison of
// two unrelated large tables lists its many rows at once.
class TRowListModel : public QAbstractListModel {
 public:
  TRowListModel(QObject* parent, std::function<int()> count, std::function<QString(int)> text)
      : QAbstractListModel(parent), FCount(std::move(count)), FText(std::move(text)) {}
  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : FCount(); }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= FCount()) return QVariant();
    return FText(index.row());
  }
  void Reset() {
    beginResetModel();
    endResetModel();
  }

 private:
  std::function<int()> FCount;
  std::function<QString(int)> FText;
};

namespace {

// Cells of a row an entry shows after its key, and its length at most.
constexpr int32_t kEntryCells = 6;
constexpr qsizetype kEntryLength = 160;

QString Counted(size_t n, const char* one, const char* many) {
  return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

QString Names(const TCellTable& table, const std::vector<int32_t>& cols) {
  QStringList names;
  for (int32_t c : cols) names << ToQString(table.Cells(c, 0));
  return names.join(QStringLiteral(", "));
}

}  // namespace

TComparePanel::TComparePanel(QWidget* parent) : QDockWidget(QStringLiteral("Comparison"), parent) {
  setObjectName(QStringLiteral("ComparePanel"));
  setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
              QDockWidget::DockWidgetFloatable);
  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(6, 4, 6, 6);
  Summary = new QLabel(body);
  Summary->setObjectName(QStringLiteral("CompareSummary"));
  Summary->setWordWrap(true);
  Summary->setTextFormat(Qt::PlainText);  // names and file names are shown as they are
  Summary->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto list = [body](const char* name, TRowListModel* model) {
    auto* view = new QListView(body);
    view->setObjectName(QString::fromLatin1(name));
    view->setModel(model);
    view->setUniformItemSizes(true);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setMinimumHeight(view->fontMetrics().height() * 3);
    return view;
  };
  FAddedModel = new TRowListModel(
      this, [this] { return FComparison ? static_cast<int>(FComparison->AddedRows().size()) : 0; },
      [this](int i) {
        return RowText(*FOther, FComparison->AddedRows()[static_cast<size_t>(i)].OtherRow);
      });
  FRemovedModel = new TRowListModel(
      this,
      [this] { return FComparison ? static_cast<int>(FComparison->RemovedRows().size()) : 0; },
      [this](int i) {
        return RowText(*FTable, FComparison->RemovedRows()[static_cast<size_t>(i)]);
      });
  AddedList = list("AddedRows", FAddedModel);
  RemovedList = list("RemovedRows", FRemovedModel);
  AddedList->setContextMenuPolicy(Qt::ActionsContextMenu);
  TakeRowButton = new QPushButton(QStringLiteral("Take other row"), body);
  auto* takeAction = new QAction(QStringLiteral("Take other row"), AddedList);
  AddedList->addAction(takeAction);
  CloseButton = new QPushButton(QStringLiteral("Close comparison"), body);
  FAddedTitle = new QLabel(body);
  FRemovedTitle = new QLabel(body);
  FAddedTitle->setTextFormat(Qt::PlainText);
  FRemovedTitle->setTextFormat(Qt::PlainText);

  // The summary beside the close button; each list under its title, the
  // other table's with the button that takes its rows.
  auto* top = new QHBoxLayout;
  top->addWidget(Summary, 1);
  top->addWidget(CloseButton, 0, Qt::AlignTop);
  layout->addLayout(top);
  auto* lists = new QGridLayout;
  auto* addedTitle = new QHBoxLayout;
  addedTitle->addWidget(FAddedTitle, 1);
  addedTitle->addWidget(TakeRowButton);
  lists->addLayout(addedTitle, 0, 0);
  lists->addWidget(FRemovedTitle, 0, 1);
  lists->addWidget(AddedList, 1, 0);
  lists->addWidget(RemovedList, 1, 1);
  lists->setColumnStretch(0, 1);
  lists->setColumnStretch(1, 1);
  lists->setRowStretch(1, 1);
  layout->addLayout(lists, 1);
  setWidget(body);

  connect(TakeRowButton, &QPushButton::clicked, this, &TComparePanel::TakeRowsRequested);
  connect(takeAction, &QAction::triggered, this, &TComparePanel::TakeRowsRequested);
  connect(CloseButton, &QPushButton::clicked, this, &TComparePanel::CloseRequested);
  connect(AddedList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { UpdateButtons(); });
  connect(RemovedList, &QListView::activated, this, [this](const QModelIndex& index) {
    if (FComparison && index.row() < static_cast<int>(FComparison->RemovedRows().size())) {
      emit GoToRowRequested(FComparison->RemovedRows()[static_cast<size_t>(index.row())]);
    }
  });
  UpdateButtons();
}

void TComparePanel::Show(const TTableComparison& comparison, const TCellTable& table,
                         const TCellTable& other, const QString& tableName,
                         const QString& otherName) {
  FComparison = &comparison;
  FTable = &table;
  FOther = &other;
  FTableName = tableName;
  FOtherName = otherName;
  FListedAdded.clear();
  FListedRemoved.clear();
  FAddedModel->Reset();
  FRemovedModel->Reset();
  Refresh();
}

void TComparePanel::Clear() {
  FComparison = nullptr;
  FTable = nullptr;
  FOther = nullptr;
  Refresh();
}

void TComparePanel::Refresh() {
  std::vector<int32_t> added;
  std::vector<int32_t> removed;
  if (FComparison) {
    for (const auto& row : FComparison->AddedRows()) added.push_back(row.OtherRow);
    removed = FComparison->RemovedRows();
  }
  if (added != FListedAdded || !FComparison) {
    FListedAdded = std::move(added);
    FAddedModel->Reset();
  }
  if (removed != FListedRemoved || !FComparison) {
    FListedRemoved = std::move(removed);
    FRemovedModel->Reset();
  }
  // An edit may change the texts of the rows listed.
  RemovedList->viewport()->update();
  UpdateButtons();
  if (!FComparison) {
    Summary->clear();
    FAddedTitle->clear();
    FRemovedTitle->clear();
    return;
  }
  const TTableComparison& cmp = *FComparison;
  QStringList lines;
  lines << QStringLiteral("Compared with %1: %2, %3 only in %1, %4 only in this table.")
               .arg(FOtherName, Counted(cmp.ChangedCells().size(), "changed cell", "changed cells"),
                    Counted(cmp.AddedRows().size(), "row", "rows"),
                    Counted(cmp.RemovedRows().size(), "row", "rows"));
  if (cmp.RowsById()) {
    lines << QStringLiteral("Rows matched by ID.");
  } else if (cmp.PositionCause()) {
    const std::array<std::string, 2> names = {FTableName.toStdString(), FOtherName.toStdString()};
    lines << QStringLiteral("Warning: rows matched by position: %1.")
                 .arg(QString::fromStdString(PositionCauseText(*cmp.PositionCause(), names)));
  } else {
    lines << QStringLiteral("Warning: no column is common to the tables; no row matches.");
  }
  if (!cmp.AddedColumns().empty()) {
    lines << QStringLiteral("Columns only in %1: %2.")
                 .arg(FOtherName, Names(*FOther, cmp.AddedColumns()));
  }
  if (!cmp.RemovedColumns().empty()) {
    lines << QStringLiteral("Columns only in this table: %1.")
                 .arg(Names(*FTable, cmp.RemovedColumns()));
  }
  if (!cmp.RetypedColumns().empty()) {
    QStringList retyped;
    for (int32_t c : cmp.RetypedColumns()) {
      retyped << QStringLiteral("%1 (%2 -> %3)")
                     .arg(ToQString(FTable->Cells(c, 0)), ToQString(FTable->Cells(c, 1)),
                          ToQString(FOther->Cells(cmp.OtherCol(c), 1)));
    }
    lines << QStringLiteral("Columns of another type in %1: %2.")
                 .arg(FOtherName, retyped.join(QStringLiteral(", ")));
  }
  Summary->setText(lines.join(QLatin1Char('\n')));
  FAddedTitle->setText(
      QStringLiteral("Rows only in %1 (%2):").arg(FOtherName).arg(cmp.AddedRows().size()));
  FRemovedTitle->setText(
      QStringLiteral("Rows only in this table (%1):").arg(cmp.RemovedRows().size()));
}

std::vector<size_t> TComparePanel::SelectedAddedRows() const {
  std::vector<size_t> rows;
  for (const QModelIndex& index : AddedList->selectionModel()->selectedRows()) {
    rows.push_back(static_cast<size_t>(index.row()));
  }
  if (rows.empty() && AddedList->currentIndex().isValid()) {
    rows.push_back(static_cast<size_t>(AddedList->currentIndex().row()));
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

void TComparePanel::UpdateButtons() {
  TakeRowButton->setEnabled(FComparison && AddedList->selectionModel()->hasSelection());
  const auto actions = AddedList->actions();
  for (QAction* a : actions) a->setEnabled(TakeRowButton->isEnabled());
}

// The row's key, then its first cells on one line.
QString TComparePanel::RowText(const TCellTable& table, int32_t row) const {
  QString text = ToQString(RowKeyText(table, row, FComparison->RowsById()));
  QStringList cells;
  for (int32_t c = FComparison->RowsById() ? 1 : 0;
       c < table.ColCount() && cells.size() < kEntryCells; ++c) {
    cells << ToQString(table.Cells(c, row)).simplified();
  }
  if (!cells.isEmpty()) text += QStringLiteral(":  ") + cells.join(QStringLiteral(", "));
  if (text.size() > kEntryLength) text = text.left(kEntryLength - 1) + QChar(0x2026);
  return text;
}

void TComparePanel::closeEvent(QCloseEvent* event) {
  QDockWidget::closeEvent(event);
  emit CloseRequested();
}

}  // namespace tessary
