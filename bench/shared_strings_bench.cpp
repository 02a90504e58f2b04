// `bench_shared_strings make DIR` writes the shared-string tables into DIR
// (generated, never stored): every data cell of their string column refers
// to one stored string, so a small file shows one long text in each row.
//   xls.gda    65,534 rows, ID and a 32,000-character text (for .xls)
//   csv.gda   200,000 rows, ID and a 3,750-character text (a 750 MB CSV)
//   long.gda   60,000 rows, ID and a 200,000-character text (refused by .xls)
// bench/shared_strings.sh times tessary-cli on them with /usr/bin/time -v.
// `bench_shared_strings recovery` times the window's recovery copy of the
// distinct-text table: the copy of its texts made on the window's thread,
// and the write done on the worker thread.
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/recovery_store.h"
#include "bench_support.h"
#include "distinct_table.h"
#include "gff/g2da.h"
#include "table/cell_table.h"
#include "text/number_text.h"

using namespace tessary;

namespace {

// A table of `rows` rows whose string cells all hold `length` copies of one
// letter, built from a table of one-letter cells whose single stored string
// is then made long: the file's last bytes are that string.
bool WriteSharedTable(const std::filesystem::path& file, int rows, size_t length) {
  TCellTable t;
  t.SetColCount(2);
  t.SetRowCount(rows + 2);
  t.SetCells(0, 0, u"ID");
  t.SetCells(0, 1, u"int");
  t.SetCells(1, 0, u"Text");
  t.SetCells(1, 1, u"string");
  for (int r = 0; r < rows; ++r) {
    t.SetCells(0, r + 2, FormatInteger(r + 1));
    t.SetCells(1, r + 2, u"w");
  }
  std::optional<std::vector<uint8_t>> bytes = BuildGDA(t);
  if (!bytes) return false;
  // The one string: length word 2, "w", terminator.
  bytes->resize(bytes->size() - 8);
  const auto units = static_cast<uint32_t>(length + 1);
  for (int b = 0; b < 4; ++b) bytes->push_back(static_cast<uint8_t>(units >> (8 * b)));
  for (size_t i = 0; i < length; ++i) bytes->insert(bytes->end(), {'w', 0});
  bytes->insert(bytes->end(), {0, 0});
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes->data()),
             static_cast<std::streamsize>(bytes->size()));
  return true;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// CPU time of the calling thread, in seconds.
double ThreadCpu() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "make") == 0) {
    const std::filesystem::path dir = argv[2];
    std::filesystem::create_directories(dir);
    const bool ok = WriteSharedTable(dir / "xls.gda", 65534, 32000) &&
                    WriteSharedTable(dir / "csv.gda", 200000, 3750) &&
                    WriteSharedTable(dir / "long.gda", 60000, 200000);
    return ok ? 0 : 1;
  }
  if (argc == 2 && std::strcmp(argv[1], "recovery") == 0) {
    TCellTable t;
    bench::FillDistinctTextTable(t, 200000);
    const auto folder = std::filesystem::temp_directory_path() / "tessary_bench_recovery";
    double copy = 1e9, copyCpu = 1e9, write = 1e9;
    size_t size = 0;
    for (int run = 0; run < 3; ++run) {
      TRecoveryCopy target(folder);
      auto start = std::chrono::steady_clock::now();
      const double cpu = ThreadCpu();
      std::string bytes = SerializeRecovery({u"/tmp/distinct.gda", true, false, 0}, t);
      copyCpu = std::min(copyCpu, ThreadCpu() - cpu);
      copy = std::min(copy, Seconds(start));
      size = bytes.size();
      start = std::chrono::steady_clock::now();
      target.Write(std::move(bytes));
      target.Wait();
      write = std::min(write, Seconds(start));
    }
    std::filesystem::remove_all(folder);
    std::printf(
        "distinct-text table, 200,002 x 50: copy %.3f s (%.3f s CPU) on the window's "
        "thread, write %.3f s on the worker, %.1f MB, peak %.0f MB\n",
        copy, copyCpu, write, static_cast<double>(size) / 1e6, bench::PeakMB());
    return 0;
  }
  std::fprintf(stderr, "usage: bench_shared_strings make DIR | recovery\n");
  return 2;
}
