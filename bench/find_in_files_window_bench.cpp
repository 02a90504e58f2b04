// Find in files in the window over a folder of tables (the 2,000 tables of
// `bench_many_tables --keep DIR`, in DIR/tables): the panel's search, docked
// in a window and run to its end through the event loop as the window runs
// it, against the same search as a plain loop over the files, which is what
// `tessary-cli find` does. The two take turns, so that both meet the same
// load; CPU time (user + sys) and wall time, best of the runs.
//
//   QT_QPA_PLATFORM=offscreen bench_find_in_files_window DIR/tables [--runs N]
#include <sys/resource.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/find_in_files_panel.h"
#include "app/frm_tessary.h"
#include "batch/find_in_files.h"
#include "batch/table_files.h"

using namespace tessary;

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return s(u.ru_utime) + s(u.ru_stime);
}

struct TTimes {
  double Cpu = 1e300;
  double Wall = 1e300;
  template <typename F>
  void Take(F work) {
    const double cpu = CpuSeconds();
    const auto wall = std::chrono::steady_clock::now();
    work();
    Cpu = std::min(Cpu, CpuSeconds() - cpu);
    Wall = std::min(Wall,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count());
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_find_in_files_window DIR [--runs N]\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  const int runs =
      argc > 3 && std::string(argv[2]) == "--runs" ? std::max(1, std::atoi(argv[3])) : 5;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const std::filesystem::path config =
      std::filesystem::temp_directory_path() / "tessary_bench_find_in_files_config";
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  QApplication app(argc, argv);
  std::setlocale(LC_NUMERIC, "C");

  TfrmTessary window;
  window.resize(1000, 700);
  window.show();
  auto* panel = new TFindInFilesPanel(&window);
  window.addDockWidget(Qt::BottomDockWidgetArea, panel);
  TFindInFilesQuery query;
  query.Folder = folder;
  query.Options.Text = u"phoenix claws";
  const TTextMatcher matcher(query.Options);

  TTimes inPanel;
  TTimes inLoop;
  int64_t found = 0;
  for (int i = 0; i < runs; ++i) {
    inPanel.Take([&] {
      panel->Start(query);
      while (panel->Running()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    });
    inLoop.Take([&] {
      found = 0;
      for (const std::filesystem::path& file : ListFiles({folder}, false, IsTableFileName).Files) {
        TCellTable table;
        if (LoadTableQuietly(table, file)) {
          FindInTable(table, matcher, std::nullopt, [&](int32_t, int32_t) { ++found; });
        }
      }
    });
  }
  std::printf("Find in files panel:  %.2f s CPU, %.2f s wall (%d lines)\n", inPanel.Cpu,
              inPanel.Wall, panel->Model()->rowCount());
  std::printf("the same as a loop:   %.2f s CPU, %.2f s wall (%lld cells)\n", inLoop.Cpu,
              inLoop.Wall, static_cast<long long>(found));
  std::printf("panel / loop: %.2f (CPU)\n", inPanel.Cpu / inLoop.Cpu);
  std::filesystem::remove_all(config);
  return 0;
}
