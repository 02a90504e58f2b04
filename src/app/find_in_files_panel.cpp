#include "app/find_in_files_panel.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QTreeView>
#include <QVBoxLayout>
#include <utility>

#include "app/window_paths.h"
#include "batch/find_in_files.h"
#include "batch/table_files.h"
#include "grid/widget/qt_text.h"
#include "table/cell_table.h"
#include "text/stored_value.h"

namespace tessary {
namespace {

// A slice of the search between two looks at the event queue: short
// enough that typing and painting do not lag. The list and the count are
// brought up to date less often, as painting them costs more than the
// look at the queue.
constexpr qint64 kSliceMs = 40;
constexpr qint64 kShowEveryMs = 300;
constexpr int kModalWaitMs = 100;

QString Grouped(qint64 n) { return QLocale(QLocale::English).toString(n); }

QString Counted(qint64 n, const char* one, const char* many) {
  return Grouped(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

// A cell text on one line: tabs and line breaks as \t, \r and \n.
QString OneLine(std::u16string_view text) {
  QString out;
  out.reserve(static_cast<qsizetype>(text.size()));
  for (char16_t c : text) {
    switch (c) {
      case u'\t':
        out += QStringLiteral("\\t");
        break;
      case u'\r':
        out += QStringLiteral("\\r");
        break;
      case u'\n':
        out += QStringLiteral("\\n");
        break;
      default:
        out += QChar(c);
    }
  }
  return out;
}

}  // namespace

// --- The list -----------------------------------------------------------------

void TFoundLinesModel::Reset(std::filesystem::path folder) {
  beginResetModel();
  FFolder = std::move(folder);
  FFiles.clear();
  FShownNames.clear();
  FLines.clear();
  endResetModel();
}

int32_t TFoundLinesModel::AddFile(std::filesystem::path file) {
  const std::filesystem::path below = file.lexically_relative(FFolder);
  FShownNames.push_back(FromPath(below.empty() || below.native().starts_with("..") ? file : below));
  FFiles.push_back(std::move(file));
  return static_cast<int32_t>(FFiles.size() - 1);
}

void TFoundLinesModel::Append(std::vector<TFoundLine>&& lines) {
  if (lines.empty()) return;
  const int first = static_cast<int>(FLines.size());
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(lines.size()) - 1);
  FLines.insert(FLines.end(), std::make_move_iterator(lines.begin()),
                std::make_move_iterator(lines.end()));
  endInsertRows();
}

int TFoundLinesModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(FLines.size());
}

int TFoundLinesModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : fcCount;
}

QVariant TFoundLinesModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const TFoundLine& line = Line(index.row());
  const bool warning = line.Col < 0;
  switch (role) {
    case Qt::DisplayRole:
      switch (index.column()) {
        case fcFile:
          return FShownNames[static_cast<size_t>(line.File)];
        case fcRow:
          return warning ? QVariant() : QVariant(line.Row - 1);
        case fcId:
          return line.Id;
        case fcColumn:
          return line.Column;
        default:
          return line.Text;
      }
    case Qt::ToolTipRole:
      return index.column() == fcFile ? FromPath(File(line.File)) : QVariant();
    case Qt::DecorationRole:
      if (warning && index.column() == fcFile) {
        return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
      }
      return {};
    case Qt::TextAlignmentRole:
      return index.column() == fcRow ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    default:
      return {};
  }
}

QVariant TFoundLinesModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kNames[] = {"File", "Row", "ID", "Column", "Text"};
  return section >= 0 && section < fcCount ? QString::fromLatin1(kNames[section]) : QVariant();
}

// --- The panel ----------------------------------------------------------------

TFindInFilesPanel::TFindInFilesPanel(QWidget* parent)
    : QDockWidget(QStringLiteral("Find in files"), parent) {
  setObjectName(QStringLiteral("FindInFilesPanel"));
  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(4, 2, 4, 4);
  auto* top = new QHBoxLayout;
  Count = new QLabel(body);
  Count->setTextInteractionFlags(Qt::TextSelectableByMouse);
  StopBtn = new QPushButton(QStringLiteral("Stop"), body);
  StopBtn->setEnabled(false);
  top->addWidget(Count, 1);
  top->addWidget(StopBtn);
  layout->addLayout(top);

  FModel = new TFoundLinesModel(this);
  List = new QTreeView(body);
  List->setModel(FModel);
  List->setRootIsDecorated(false);
  List->setUniformRowHeights(true);  // a long list scrolls without measuring every line
  List->setAlternatingRowColors(true);
  List->setSelectionBehavior(QAbstractItemView::SelectRows);
  QHeaderView* header = List->header();
  header->setStretchLastSection(true);
  const int em = List->fontMetrics().averageCharWidth();
  for (auto [column, chars] : {std::pair{TFoundLinesModel::fcFile, 28},
                               {TFoundLinesModel::fcRow, 7},
                               {TFoundLinesModel::fcId, 10},
                               {TFoundLinesModel::fcColumn, 16}}) {
    header->resizeSection(column, em * chars);
  }
  layout->addWidget(List, 1);
  setWidget(body);

  FTimer.setSingleShot(true);
  connect(&FTimer, &QTimer::timeout, this, [this] { Step(); });
  connect(StopBtn, &QPushButton::clicked, this, [this] { Stop(); });
  connect(List, &QTreeView::activated, this, [this](const QModelIndex& index) {
    const TFoundLine& line = FModel->Line(index.row());
    if (line.Col >= 0) emit CellActivated(FromPath(FModel->File(line.File)), line.Col, line.Row);
  });
}

void TFindInFilesPanel::Start(const TFindInFilesQuery& query) {
  FTimer.stop();
  FModel->Reset(query.Folder);
  FOptions = query.Options;
  FMatcher.emplace(query.Options);
  FColumnHash = query.ColumnHash;
  FFound = FFilesWithHits = FWarnings = 0;
  FStopped = FFull = false;
  FNext = 0;
  FPending.clear();
  FShown.start();
  // Files not named as tables are passed over silently: a folder of game
  // data holds many other files. A folder that cannot be read is a warning.
  TFileListing listing = ListFiles({query.Folder}, query.Subfolders, IsTableFileName);
  FQueue = std::move(listing.Files);
  std::vector<TFoundLine> warnings;
  for (TFileListing::TNote& note : listing.Notes) {
    if (!note.Failed) continue;
    warnings.push_back(TFoundLine{
        FModel->AddFile(std::move(note.Path)),
        -1,
        -1,
        {},
        {},
        QStringLiteral("The folder cannot be read: ") + QString::fromStdString(note.Message)});
  }
  FWarnings = static_cast<int32_t>(warnings.size());
  FModel->Append(std::move(warnings));
  StopBtn->setEnabled(true);
  show();
  raise();
  FTimer.start(0);
  ShowCount();
}

void TFindInFilesPanel::Stop() {
  if (Running()) Finish(true);
}

void TFindInFilesPanel::closeEvent(QCloseEvent* event) {
  Stop();
  QDockWidget::closeEvent(event);
}

void TFindInFilesPanel::Step() {
  // A modal box may be showing an error from within the error handler, which
  // a table load replaces for its time: the search waits until it is closed.
  if (QApplication::activeModalWidget() != nullptr) {
    FTimer.start(kModalWaitMs);
    return;
  }
  QElapsedTimer slice;
  slice.start();
  while (FNext < FQueue.size() && !FFull && slice.elapsed() < kSliceMs) {
    SearchFile(FNext++, FPending);
  }
  if (FNext < FQueue.size() && !FFull) {
    FTimer.start(0);
    if (FShown.elapsed() < kShowEveryMs) return;
    FModel->Append(std::move(FPending));
    FPending.clear();
    ShowCount();
    FShown.start();
  } else {
    Finish(false);
  }
}

// One table, loaded and dropped again: only the found cells' texts stay.
void TFindInFilesPanel::SearchFile(size_t index, std::vector<TFoundLine>& out) {
  TCellTable table;
  const std::filesystem::path& path = FQueue[index];
  if (const TResult loaded = LoadTableQuietly(table, path); !loaded) {
    out.push_back(TFoundLine{
        FModel->AddFile(path), -1, -1, {}, {}, QString::fromStdString(loaded.Message).trimmed()});
    ++FWarnings;
    return;
  }
  const bool ids = IsIdColumnName(table.Cells(0, 0));
  int32_t file = -1;
  FindInTable(table, *FMatcher, FColumnHash, [&](int32_t col, int32_t row) {
    if (FFound >= kMaxFound) {
      FFull = true;
      return;
    }
    if (file < 0) {
      file = FModel->AddFile(path);
      ++FFilesWithHits;
    }
    out.push_back(TFoundLine{file, col, row, ids ? OneLine(table.Cells(0, row)) : QString(),
                             OneLine(table.Cells(col, 0)), OneLine(table.Cells(col, row))});
    ++FFound;
  });
}

void TFindInFilesPanel::Finish(bool stopped) {
  FTimer.stop();
  FModel->Append(std::move(FPending));
  FPending.clear();
  FStopped = stopped;
  StopBtn->setEnabled(false);
  ShowCount();
}

void TFindInFilesPanel::ShowCount() {
  const qint64 total = static_cast<qint64>(FQueue.size());
  const QString searched =
      QStringLiteral("%1 of %2")
          .arg(Grouped(static_cast<qint64>(FNext)), Counted(total, "table", "tables"));
  const QString found = Counted(FFound, "cell", "cells") + QStringLiteral(" found");
  QString text;
  if (Running()) {
    text = QStringLiteral("Searching %1: %2.").arg(searched, found);
  } else if (FFull) {
    text = QStringLiteral("Stopped at %1, after %2.").arg(found, searched);
  } else if (FStopped) {
    text = QStringLiteral("Stopped after %1: %2.").arg(searched, found);
  } else if (FFound == 0) {
    text = QStringLiteral("\"%1\" was not found in %2.")
               .arg(OneLine(FOptions.Text), Counted(total, "table", "tables"));
  } else {
    text = QStringLiteral("%1 in %2.")
               .arg(found, Counted(FFilesWithHits, "table", "tables") +
                               (FFilesWithHits == total ? QString()
                                                        : QStringLiteral(" of ") + Grouped(total)));
  }
  if (FWarnings > 0) {
    text +=
        QLatin1Char(' ') +
        (FWarnings == 1 ? QStringLiteral("1 file could not be read.")
                        : QStringLiteral("%1 files could not be read.").arg(Grouped(FWarnings)));
  }
  Count->setText(text);
}

}  // namespace tessary
