// Many tables at once: a folder of 2,000 generated tables of about 50 KB
// each (100 MB), made afresh in a temporary folder and removed afterwards.
// Times `find` over the folder, a batch export of it to workbooks, and the
// same exports one table at a time, each through the command line's own
// entry point in this process (CPU time and wall time, best of the runs).
//
//   bench_many_tables [--runs N] [--keep DIR]
//
// --keep generates into DIR and leaves the tables there, for timing the
// program itself (`/usr/bin/time -v tessary-cli find ... DIR`).
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "gff/g2da.h"
#include "table/cell_table.h"
#include "text/number_text.h"

using namespace tessary;
namespace fs = std::filesystem;

namespace {

constexpr int kTables = 2000;
constexpr int kRows = 270;  // about 50 KB a table

const char16_t* const kWords[] = {u"Phoenix", u"Claws",  u"Iron",  u"Bow",   u"Staff",
                                  u"Ring",    u"Amulet", u"Cloak", u"of",    u"the",
                                  u"Warden",  u"Dragon", u"Ash",   u"Frost", u"Ember"};

std::u16string Words(std::mt19937& rng, int count) {
  std::u16string text;
  for (int i = 0; i < count; ++i) {
    if (i > 0) text += u' ';
    text += kWords[rng() % std::size(kWords)];
  }
  return text;
}

// ID, label, name, description, cost, stack size, a flag and an icon: the
// shape of an item table, with texts that differ from row to row.
void MakeTable(TCellTable& t, int index) {
  static const char16_t* kNames[] = {u"ID",   u"Label", u"Name", u"Description",
                                     u"Cost", u"Stack", u"Plot", u"Icon"};
  static const char16_t* kTypes[] = {u"int",   u"string", u"resource", u"string",
                                     u"float", u"int",    u"bool",     u"resource"};
  std::mt19937 rng(static_cast<uint32_t>(index));
  t.SetColCount(8);
  t.SetRowCount(kRows + 2);
  for (int c = 0; c < 8; ++c) {
    t.SetCells(c, 0, kNames[c]);
    t.SetCells(c, 1, kTypes[c]);
  }
  for (int r = 2; r < kRows + 2; ++r) {
    const int32_t id = index * 1000 + r;
    t.SetCells(0, r, FormatInteger(id));
    t.SetCells(1, r, Words(rng, 2) + u" " + FormatInteger(id));
    t.SetCells(2, r, u"itm_" + FormatInteger(id));
    t.SetCells(3, r, Words(rng, 6));
    t.SetCells(4, r, FormatReal(static_cast<float>(rng() % 100000) / 8.0f));
    t.SetCells(5, r, FormatInteger(static_cast<int32_t>(rng() % 99)));
    t.SetCells(6, r, rng() % 2 ? u"1" : u"0");
    t.SetCells(7, r, u"icon_" + FormatInteger(static_cast<int32_t>(rng() % 500)));
  }
}

struct TTimes {
  double Cpu = 1e300;
  double Wall = 1e300;
};

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return s(u.ru_utime) + s(u.ru_stime);
}

// Runs `work` `runs` times, keeping the best CPU and the best wall time.
template <typename F>
TTimes Best(int runs, F work) {
  TTimes best;
  for (int i = 0; i < runs; ++i) {
    const double cpu = CpuSeconds();
    const auto wall = std::chrono::steady_clock::now();
    work();
    best.Cpu = std::min(best.Cpu, CpuSeconds() - cpu);
    best.Wall = std::min(
        best.Wall, std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count());
  }
  return best;
}

int Cli(const std::vector<std::string>& args) {
  std::istringstream in;
  std::ostringstream out;
  std::ostringstream err;
  const int code = cli::Run(args, in, out, err);
  if (code > 1) std::fprintf(stderr, "%s", err.str().c_str());
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 3;
  fs::path keep;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    if (arg == "--keep") keep = argv[i + 1];
  }
  const fs::path root =
      keep.empty() ? fs::temp_directory_path() / ("tessary_bench_many_" + std::to_string(getpid()))
                   : keep;
  const fs::path tables = root / "tables";
  fs::create_directories(tables);
  uintmax_t bytes = 0;
  std::vector<std::string> files;
  for (int i = 0; i < kTables; ++i) {
    TCellTable t;
    MakeTable(t, i);
    char name[32];
    std::snprintf(name, sizeof name, "table%04d.gda", i);
    const fs::path file = tables / name;
    if (!SaveGDA(t, file)) return 1;
    bytes += fs::file_size(file);
    files.push_back(file.native());
  }
  std::printf("%d tables, %.1f MB (%.1f KB each)\n", kTables, bytes / 1e6, bytes / 1e3 / kTables);
  if (!keep.empty()) return 0;

  const TTimes found = Best(runs, [&] { Cli({"find", "phoenix claws", tables.native()}); });
  std::printf("find \"phoenix claws\" over the folder: %.2f s CPU, %.2f s wall\n", found.Cpu,
              found.Wall);
  const TTimes none = Best(runs, [&] { Cli({"find", "--whole", "nowhere", tables.native()}); });
  std::printf("find --whole of a text no cell holds:  %.2f s CPU, %.2f s wall\n", none.Cpu,
              none.Wall);

  const fs::path out = root / "out";
  const TTimes batch = Best(runs, [&] {
    fs::remove_all(out);
    Cli({"export", tables.native(), "-d", out.native()});
  });
  std::printf("batch export of the folder:            %.2f s CPU, %.2f s wall\n", batch.Cpu,
              batch.Wall);
  const TTimes singles = Best(runs, [&] {
    fs::remove_all(out);
    fs::create_directories(out);
    for (const std::string& file : files) {
      Cli({"export", file, (out / fs::path(file).filename().replace_extension(".xls")).native()});
    }
  });
  std::printf("single exports, one after another:      %.2f s CPU, %.2f s wall\n", singles.Cpu,
              singles.Wall);
  std::printf("batch / singles: %.3f (CPU), %.3f (wall)\n", batch.Cpu / singles.Cpu,
              batch.Wall / singles.Wall);
  fs::remove_all(root);
  return 0;
}
