// The grid and the window on a table of 200,000 rows by 50 columns: a full
// repaint (row numbers included) and 1,000 [Down] presses near the top and
// near the bottom of the table, the column widths an opened table gets,
// and opening the file in the window (also over the open table) against
// loading it alone. The grid's cost should follow the visible cells
// only, so top and bottom match. Then opening the distinct-text table
// (distinct_table.h) until it is shown, and closing the window that holds
// it, which is what quitting waits for.
// Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include "app/frm_tessary.h"
#include "bench_support.h"
#include "distinct_table.h"
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
    bench::FillDistinctTextTable(table);
    if (!SaveGDA(table, DistinctFile())) return 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove(BenchFile());
  std::filesystem::remove(DistinctFile());
  std::filesystem::remove_all(config);
  return 0;
}
