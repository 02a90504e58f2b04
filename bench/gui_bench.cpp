// The grid and the window on a table of 200,000 rows by 50 columns: a full
// repaint (row numbers included) and 1,000 [Down] presses near the top and
// near the bottom of the table, the column widths an opened table gets,
// and opening the file in the window (also over the open table) against
// loading it alone. The grid's cost should follow the visible cells
// only, so top and bottom match. On the distinct-text table: opening it
// until it is shown, closing the window that holds it (what quitting waits
// for), a filter applied through the filter bar with the repaint that
// follows, and 1,000 [Down] presses through the rows it shows. Compare
// with... against a copy that differs in 1,000 cells and 100 rows: opening
// the comparison, and what an edit then costs.
// Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include "app/filter_bar.h"
#include "app/frm_tessary.h"
#include "bench_support.h"
#include "compare/table_compare.h"
#include "distinct_table.h"
#include "distinct_variant.h"
#include "exchange/column_widths.h"
#include "gff/g2da.h"
#include "grid/widget/table_grid.h"
#include "table/cell_table.h"
#include "text/number_text.h"

using namespace tessary;

namespace {

constexpr int kRows = 200000;
constexpr int kCols = 50;

std::filesystem::path BenchFile() {
  return std::filesystem::temp_directory_path() / "tessary_bench_gui.gda";
}

std::filesystem::path DistinctFile() {
  return std::filesystem::temp_directory_path() / "tessary_bench_gui_distinct.gda";
}

void FillTable(TCellTable& t) { bench::FillMixedTable(t, kRows, kCols); }

class FixedDialog : public TFileDialogPort {
 public:
  explicit FixedDialog(std::filesystem::path file = BenchFile()) : FFile(std::move(file)) {}
  std::optional<QString> Execute(QWidget*, const QString&, const QString&) override {
    return QString::fromStdString(FFile.string());
  }
  std::optional<QString> ExecuteSave(QWidget*, const QString&, const QString&) override {
    return std::nullopt;
  }

 private:
  std::filesystem::path FFile;
};

// One window with the large table open, shared by the grid benchmarks.
TfrmTessary& Window() {
  static FixedDialog dialog;
  static TfrmTessary* window = [] {
    auto* w = new TfrmTessary(QString(), &dialog);
    w->show();
    w->resize(1000, 700);  // the first window's size, whatever the screen
    w->MOpenClick();
    return w;
  }();
  return *window;
}

void SendKey(QWidget* target, Qt::Key key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &press);
}

// Puts the current cell at `row` and its view around it.
void Place(TTableGrid* grid, int32_t row) {
  grid->Table().MoveCurrent(TGridCoord{1, row});
  grid->Controller().ScrollCurrentIntoView();
}

void BM_DownPresses(benchmark::State& state) {
  TTableGrid* grid = Window().GDAGrid;
  grid->Navigation().AppendOnArrowDown = false;
  const int32_t start = state.range(0) == 0 ? 2 : kRows + 1 - 1100;
  for (auto _ : state) {
    state.PauseTiming();
    Place(grid, start);
    state.ResumeTiming();
    for (int i = 0; i < 1000; ++i) SendKey(grid, Qt::Key_Down);
    QCoreApplication::processEvents();  // the repaints the moves asked for
  }
  state.SetLabel(state.range(0) == 0 ? "near the top" : "near the bottom");
}
BENCHMARK(BM_DownPresses)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FullRepaint(benchmark::State& state) {
  TTableGrid* grid = Window().GDAGrid;
  Place(grid, state.range(0) == 0 ? 2 : kRows + 1);
  // The whole grid: its cells, the row numbers beside them and the scroll bars.
  QImage image(grid->size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    QPainter painter(&image);
    grid->render(&painter);
  }
  state.SetLabel(state.range(0) == 0 ? "top of the table" : "bottom of the table");
}
BENCHMARK(BM_FullRepaint)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The column widths an opened table gets: they read the first 202 rows of
// each column, whatever the table's length.
void BM_FitColumnWidths(benchmark::State& state) {
  TCellTable& table = Window().GDAGrid->Table();
  for (auto _ : state) FitColumnWidths(table);
}
BENCHMARK(BM_FitColumnWidths)->Unit(benchmark::kMicrosecond);

void BM_LoadTableOnly(benchmark::State& state) {
  for (auto _ : state) {
    TCellTable table;
    benchmark::DoNotOptimize(LoadGDA(table, BenchFile()));
  }
}
BENCHMARK(BM_LoadTableOnly)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_OpenInWindow(benchmark::State& state) {
  static FixedDialog dialog;
  for (auto _ : state) {
    state.PauseTiming();
    auto window = std::make_unique<TfrmTessary>(QString(), &dialog);
    window->show();
    window->resize(1000, 700);
    QCoreApplication::processEvents();
    state.ResumeTiming();
    window->MOpenClick();
    QCoreApplication::processEvents();  // the first paint of the opened table
    state.PauseTiming();
    window.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenInWindow)->Iterations(3)->Unit(benchmark::kMillisecond);

// Opening the file again over the open table: the file loads into a fresh
// table, which then takes the place of the old one.
void BM_OpenAgain(benchmark::State& state) {
  TfrmTessary& window = Window();
  for (auto _ : state) {
    window.MOpenClick();
    QCoreApplication::processEvents();
  }
  state.counters["peak_MB"] = bench::PeakMB();
}
BENCHMARK(BM_OpenAgain)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_OpenDistinctInWindow(benchmark::State& state) {
  static FixedDialog dialog(DistinctFile());
  for (auto _ : state) {
    state.PauseTiming();
    auto window = std::make_unique<TfrmTessary>(QString(), &dialog);
    window->show();
    QCoreApplication::processEvents();
    state.ResumeTiming();
    window->MOpenClick();
    QCoreApplication::processEvents();  // the first paint of the opened table
    state.PauseTiming();
    window.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenDistinctInWindow)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_CloseDistinctWindow(benchmark::State& state) {
  static FixedDialog dialog(DistinctFile());
  for (auto _ : state) {
    state.PauseTiming();
    auto window = std::make_unique<TfrmTessary>(QString(), &dialog);
    window->show();
    window->MOpenClick();
    QCoreApplication::processEvents();
    state.ResumeTiming();
    window.reset();
  }
}
BENCHMARK(BM_CloseDistinctWindow)->Iterations(3)->Unit(benchmark::kMillisecond);

// A second window holding the distinct-text table, written straight into
// its grid's table.
TfrmTessary& DistinctWindow() {
  static TfrmTessary* window = [] {
    auto* w = new TfrmTessary(QString());
    w->show();
    w->resize(1000, 700);
    TCellTable& t = w->GDAGrid->Table();
    TCellTableObserver* view = t.Observer();
    t.SetObserver(nullptr);
    bench::FillDistinctTextTable(t, kRows);
    t.SetObserver(view);
    t.SetFixedRows(2);
    t.CellsChanged(TGridRect{0, 0, t.ColCount() - 1, t.RowCount() - 1});
    w->GDAGrid->History().Clear();
    QCoreApplication::processEvents();
    return w;
  }();
  return *window;
}

// Col03 (string) contains "phoenix": about one row in five shows.
void ApplyFilter(TfrmTessary& w) {
  w.FilterBar->Open();
  w.FilterBar->ColumnBox->setCurrentIndex(3);
  w.FilterBar->TextEdit->setText(QStringLiteral("phoenix"));
  w.FilterBar->AddCondition();
}

void BM_FilterApplyAndRepaint(benchmark::State& state) {
  TfrmTessary& w = DistinctWindow();
  QImage image(w.GDAGrid->size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    ApplyFilter(w);
    {
      QPainter painter(&image);
      w.GDAGrid->render(&painter);
    }
    state.PauseTiming();
    state.counters["shown"] = w.GDAGrid->Controller().Filter().ShownDataRows(w.GDAGrid->Table());
    w.FilterBar->ClearConditions();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_FilterApplyAndRepaint)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_FilteredDownPresses(benchmark::State& state) {
  TfrmTessary& w = DistinctWindow();
  TTableGrid* grid = w.GDAGrid;
  grid->Navigation().AppendOnArrowDown = false;
  ApplyFilter(w);
  for (auto _ : state) {
    state.PauseTiming();
    Place(grid, grid->Controller().FirstShownRow());
    state.ResumeTiming();
    for (int i = 0; i < 1000; ++i) SendKey(grid, Qt::Key_Down);
    QCoreApplication::processEvents();
  }
  w.FilterBar->ClearConditions();
}
BENCHMARK(BM_FilteredDownPresses)->Unit(benchmark::kMillisecond);

std::filesystem::path CompareFile(const char* name) {
  return std::filesystem::temp_directory_path() / name;
}

// The distinct-text table open in a window of its own, compared with its
// variant.
TfrmTessary& CompareWindow() {
  static FixedDialog dialog;
  static TfrmTessary* window = [] {
    auto* w = new TfrmTessary(QString(), &dialog);
    w->show();
    w->resize(1000, 700);
    w->OpenFile(QString::fromStdString(CompareFile("tessary_bench_base.gda").string()));
    return w;
  }();
  return *window;
}

void CompareWithVariant(TfrmTessary& w) {
  w.CompareWith(QString::fromStdString(CompareFile("tessary_bench_other.gda").string()));
}

// Reading the other table, comparing, filling the panel and the first paint.
void BM_CompareInWindow(benchmark::State& state) {
  TfrmTessary& w = CompareWindow();
  QCoreApplication::processEvents();
  state.counters["open_MB"] = bench::PeakMB();
  for (auto _ : state) {
    CompareWithVariant(w);
    QCoreApplication::processEvents();
    // Comparing again holds the old comparison until the new one is read.
    if (!state.counters.count("first_MB")) state.counters["first_MB"] = bench::PeakMB();
  }
  state.counters["changed"] = static_cast<double>(w.Comparison()->ChangedCells().size());
  state.counters["peak_MB"] = bench::PeakMB();
}
BENCHMARK(BM_CompareInWindow)->Iterations(3)->Unit(benchmark::kMillisecond);

// A cell edit through the history (one step each, the text changing back
// and forth): the cell compared again, the marks and the panel updated.
void BM_EditUnderComparison(benchmark::State& state) {
  TfrmTessary& w = CompareWindow();
  if (!w.Comparison()) CompareWithVariant(w);
  TEditHistory& history = w.GDAGrid->History();
  int32_t row = 1000;
  for (auto _ : state) {
    history.SetCells(3, row, row % 2 ? u"edited" : u"changed");
    QCoreApplication::processEvents();
    row = row < 100000 ? row + 7 : 1000;
  }
}
BENCHMARK(BM_EditUnderComparison)->Iterations(200)->Unit(benchmark::kMillisecond);

// A row inserted and the insertion undone: each compares the whole tables.
void BM_RowInsertUnderComparison(benchmark::State& state) {
  TfrmTessary& w = CompareWindow();
  if (!w.Comparison()) CompareWithVariant(w);
  w.GDAGrid->Table().MoveCurrent(TGridCoord{0, 5000});
  for (auto _ : state) {
    w.GDAGrid->Controller().InsertRow();
    w.GDAGrid->Controller().Undo();
    QCoreApplication::processEvents();
  }
  state.SetLabel("insert and undo: two comparisons");
}
BENCHMARK(BM_RowInsertUnderComparison)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // The windows' remembered settings go to a folder of the benchmark's own.
  const std::filesystem::path config =
      std::filesystem::temp_directory_path() / "tessary_bench_gui_config";
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  QApplication app(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  {
    TCellTable table;
    FillTable(table);
    if (!SaveGDA(table, BenchFile())) return 1;
  }
  {
    TCellTable table;
    bench::FillDistinctTextTable(table, kRows);
    if (!SaveGDA(table, DistinctFile())) return 1;
    if (!SaveGDA(table, CompareFile("tessary_bench_base.gda"))) return 1;
    bench::VaryDistinctTable(table, 1, 1000, 50, 50, 300001, 0);
    if (!SaveGDA(table, CompareFile("tessary_bench_other.gda"))) return 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove(BenchFile());
  std::filesystem::remove(DistinctFile());
  std::filesystem::remove(CompareFile("tessary_bench_base.gda"));
  std::filesystem::remove(CompareFile("tessary_bench_other.gda"));
  std::filesystem::remove_all(config);
  return 0;
}
