// Batches of export, import and resave: `-d DIR` sends the result of each
// input into DIR under the name the single-file form gives it. Each input
// runs through the single-file command itself, so that a batch writes
// exactly what the single runs write. A failed input is reported and the
// batch goes on; an output name two inputs would share is refused before
// anything is written.
#include <unistd.h>

#include <iostream>
#include <sstream>
#include <system_error>

#include "cli/many_tables.h"
#include "common/error_report.h"
#include "exchange/export_target.h"

namespace tessary::cli {
namespace {

namespace fs = std::filesystem;

enum class TBatchKind { Export, Import, Resave };

struct TBatch {
  TBatchKind Kind;
  TCommandFn Single;
  const char* Accepted;  // the files a folder contributes, for the warning
};

// The single-file form's output name for an input named `name`: the
// export's target rule (".xls", or ".csv" with --csv), ".gda" for an import
// by the same rule, the name itself for resave. Bytes stay bytes.
fs::path OutputName(TBatchKind kind, const fs::path& name, bool csv) {
  if (kind == TBatchKind::Resave) return name;
  std::string target = ExportTargetFile(name).native();
  if (kind == TBatchKind::Import) return target.replace(target.size() - 4, 4, ".gda");
  if (csv) target.replace(target.size() - 4, 4, ".csv");
  return target;
}

bool IsImportSource(const fs::path& file) {
  return HasExtension(file, ".xls") || HasExtension(file, ".csv") || HasExtension(file, ".txt");
}

// The progress line on a terminal: written over in place, and cleared
// before any other output.
class TProgress {
 public:
  TProgress(TStreams& io, size_t total)
      : FErr(io.Err), FShown(total > 10 && &io.Err == &std::cerr && ::isatty(STDERR_FILENO)) {}
  ~TProgress() { Clear(); }
  void Show(size_t done, size_t total, const fs::path& file) {
    if (!FShown) return;
    FErr << "\r\x1b[K[" << done + 1 << '/' << total << "] " << file.native() << std::flush;
  }
  void Clear() {
    if (FShown) FErr << "\r\x1b[K" << std::flush;
  }

 private:
  std::ostream& FErr;
  bool FShown;
};

int RunBatch(const TBatch& batch, const std::vector<std::string>& args, TStreams& io) {
  const bool exporting = batch.Kind == TBatchKind::Export;
  const std::optional<TOptions> options =
      exporting                          ? ParseOptions(args, {"-r", "--csv"}, {"-d", "--sheet"})
      : batch.Kind == TBatchKind::Import ? ParseOptions(args, {"-r"}, {"-d", "--sheet"})
                                         : ParseOptions(args, {"-r"}, {"-d"});
  if (!options || options->Operands.empty() || !options->Value("-d")) {
    io.Err << "A batch needs -d DIR and at least one file or folder.\n" << HelpText();
    return kExitUsage;
  }
  const bool csv = options->Has("--csv");
  const std::string* sheet = options->Value("--sheet");
  if (csv && sheet) {
    io.Err << "--sheet names a sheet of a workbook; a CSV file has none.\n";
    return kExitUsage;
  }
  for (const std::string& operand : options->Operands) {
    if (operand == "-") {
      io.Err << "A batch reads files, not standard input.\n";
      return kExitUsage;
    }
  }
  const fs::path dir = *options->Value("-d");
  bool failed = false;
  const std::vector<fs::path> inputs =
      ExpandInputs(options->Operands, options->Has("-r"),
                   batch.Kind == TBatchKind::Import ? IsImportSource : IsTableFileName,
                   batch.Accepted, io, failed);
  std::vector<fs::path> outputs;
  outputs.reserve(inputs.size());
  for (const fs::path& input : inputs) {
    outputs.push_back(dir / OutputName(batch.Kind, input.filename(), csv));
  }
  const std::vector<TOutputClash> clashes = FindOutputClashes(outputs);
  for (const TOutputClash& clash : clashes) {
    io.Err << inputs[clash.First].native() << " and " << inputs[clash.Second].native()
           << " would both be written as " << outputs[clash.Second].native() << ".\n";
  }
  if (!clashes.empty()) {
    io.Err << "Nothing was written.\n";
    return kExitUsage;
  }
  if (std::error_code ec; !inputs.empty() && !fs::is_directory(dir, ec)) {
    fs::create_directories(dir, ec);
    if (ec) {
      io.Err << InputFailureText(dir, "the folder cannot be made: " + ec.message()) << '\n';
      return kExitFailed;
    }
  }
  TProgress progress(io, inputs.size());
  for (size_t i = 0; i < inputs.size(); ++i) {
    progress.Show(i, inputs.size(), inputs[i]);
    std::vector<std::string> single = {inputs[i].native(), outputs[i].native()};
    if (sheet) single.insert(single.end(), {"--sheet", *sheet});
    // The single run's messages, gathered to become the input's one line.
    std::ostringstream out;
    std::ostringstream err;
    TStreams singleIo{io.In, out, err};
    int code = kExitFailed;
    try {
      code = batch.Single(single, singleIo);
    } catch (const std::exception& e) {
      err << GeneralErrorText(e.what()) << '\n';
    }
    progress.Clear();
    if (code == kExitOk) {
      io.Out << inputs[i].native() << " -> " << outputs[i].native() << '\n';
    } else {
      io.Err << InputFailureText(inputs[i], err.str()) << '\n';
      failed = true;
    }
  }
  return failed ? kExitFailed : kExitOk;
}

// Whether the arguments ask for a batch rather than the single-file form.
bool IsBatch(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "-d" || arg == "-r" || arg == "--csv") return true;
  }
  return false;
}

}  // namespace

int RunExportOrBatch(const std::vector<std::string>& args, TStreams& io) {
  if (!IsBatch(args)) return RunExport(args, io);
  return RunBatch({TBatchKind::Export, RunExport, "a table file"}, args, io);
}

int RunImportOrBatch(const std::vector<std::string>& args, TStreams& io) {
  if (!IsBatch(args)) return RunImport(args, io);
  return RunBatch({TBatchKind::Import, RunImport, "a workbook, CSV or text file"}, args, io);
}

int RunResaveOrBatch(const std::vector<std::string>& args, TStreams& io) {
  if (IsBatch(args)) return RunBatch({TBatchKind::Resave, RunResave, "a table file"}, args, io);
  if (args.size() != 2) {
    io.Err << HelpText();
    return kExitUsage;
  }
  return RunResave(args, io);
}

}  // namespace tessary::cli
