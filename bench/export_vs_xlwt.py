#!/usr/bin/python3
"""Times tessary-cli on a game table of 65,536 rows by 20 columns (names and
types rows, then int, float, string and bool columns, half of the strings
repeated) and xlwt writing the same values, in one run on one machine.

    /usr/bin/python3 bench/export_vs_xlwt.py [build/src/cli/tessary-cli] [--runs N]

Needs python3-xlwt (apt-get install python3-xlwt); the tests do not. Each
figure is the best of N runs; the peak memory is that of the run's process.
"""
import argparse
import os
import random
import subprocess
import sys
import tempfile
import time

ROWS, COLS = 65536, 20
TYPES = ["int", "float", "string", "bool"]

XLWT_WRITER = r"""
import sys, time, xlwt
rows = [l.rstrip("\r\n").split("\t") for l in open(sys.argv[1], encoding="utf-8", newline="")]
types = rows[1]
values = rows[:2] + [[int(v) if t in ("int", "bool") else float(v) if t == "float" else v
                      for v, t in zip(row, types)] for row in rows[2:]]
start = time.perf_counter()
book = xlwt.Workbook(encoding="utf-8")
sheet = book.add_sheet("game")
for r, row in enumerate(values):
    write = sheet.row(r).write
    for c, v in enumerate(row):
        write(c, v)
book.save(sys.argv[2])
print(time.perf_counter() - start)
"""


def write_table(path):
    rng = random.Random(15)
    with open(path, "w", encoding="utf-8", newline="") as out:
        out.write("\t".join("ID" if c == 0 else "Column%d" % c for c in range(COLS)) + "\r\n")
        out.write("\t".join(TYPES[c % 4] for c in range(COLS)) + "\r\n")
        for r in range(ROWS - 2):
            cells = []
            for c in range(COLS):
                kind = c % 4
                if kind == 0:
                    cells.append(str(r if c == 0 else rng.randrange(1000000)))
                elif kind == 1:
                    cells.append(repr(rng.randrange(100000) / 8.0))
                elif kind == 2:
                    cells.append("item_%d" % rng.randrange(100) if rng.random() < 0.5
                                 else "label_%d_%d" % (r, c))
                else:
                    cells.append(str(rng.randrange(2)))
            out.write("\t".join(cells) + "\r\n")


def run(args, before=None):
    """Seconds and peak MB of one run of a program; its output."""
    if before:
        before()
    start = time.perf_counter()
    child = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    out = child.stdout.read()
    child.stderr.read()
    _, status, usage = os.wait4(child.pid, 0)
    seconds = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("failed: %s" % " ".join(args))
    return seconds, usage.ru_maxrss / 1024.0, out


def best(runs, args, before=None):
    results = [run(args, before) for _ in range(runs)]
    return min(results, key=lambda r: r[0])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli", nargs="?", default="build/src/cli/tessary-cli")
    parser.add_argument("--runs", type=int, default=3)
    options = parser.parse_args()
    cli = os.path.abspath(options.cli)
    work = tempfile.mkdtemp(prefix="tessary-bench-")
    text = os.path.join(work, "game.txt")
    table = os.path.join(work, "game.gda")
    target = os.path.join(work, "game.xls")
    write_table(text)
    run([cli, "import", text, table])

    def remove_target():
        if os.path.exists(target):
            os.remove(target)

    export = best(options.runs, [cli, "export", table, target], remove_target)
    again = best(options.runs, [cli, "export", table, target])
    dump = best(options.runs, [cli, "dump", table])
    xlwt_runs = [run([sys.executable, "-c", XLWT_WRITER, text, os.path.join(work, "xlwt.xls")])
                 for _ in range(options.runs)]
    xlwt_seconds = min(float(r[2]) for r in xlwt_runs)
    xlwt_peak = min(r[1] for r in xlwt_runs)

    print("| What | Time | Peak memory |")
    print("|---|---|---|")
    print("| `tessary-cli export` to a new workbook (%.1f MB) | %.2f s | %.0f MB |"
          % (os.path.getsize(target) / 1e6, export[0], export[1]))
    print("| `tessary-cli export` over that workbook (opened, sheet refilled) | %.2f s | %.0f MB |"
          % again[:2])
    print("| `tessary-cli dump` of the table (%.1f MB) | %.2f s | %.0f MB |"
          % (os.path.getsize(table) / 1e6, dump[0], dump[1]))
    print("| xlwt writing the same values (sheet and save only) | %.2f s | %.0f MB |"
          % (xlwt_seconds, xlwt_peak))
    print()
    print("The export is %.1f times as fast as xlwt." % (xlwt_seconds / export[0]))
    for name in os.listdir(work):
        os.remove(os.path.join(work, name))
    os.rmdir(work)


if __name__ == "__main__":
    main()
