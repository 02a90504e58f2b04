#include "cli/commands.h"

#include <filesystem>
#include <fstream>
#include <istream>
#include <iterator>
#include <optional>
#include <ostream>

#include "common/error.h"
#include "common/error_report.h"
#include "common/utf16.h"
#include "gff/g2da.h"
#include "gff/show_error.h"
#include "grid/cell_table.h"
#include "grid/clipboard_text.h"
#include "xls/export_target.h"
#include "xls/grid_xls_io.h"

namespace tessary::cli {
namespace {

constexpr int kFailed = 1;
constexpr int kNotATable = 2;
constexpr int kUsage = 64;

constexpr char kUsageText[] =
    "usage: tessary-cli dump FILE.gda\n"
    "       tessary-cli import FILE.txt|- OUT.gda\n"
    "       tessary-cli resave IN.gda OUT.gda\n"
    "       tessary-cli export IN.gda [OUT.xls] [--sheet NAME]\n";

// Routes the error box to the error stream and remembers that it was shown.
class ErrorToStream {
 public:
  explicit ErrorToStream(std::ostream& err) {
    FPrevious = SetShowErrorHandler([this, &err](const std::string& m) {
      err << m << '\n';
      Shown = true;
    });
  }
  ~ErrorToStream() { SetShowErrorHandler(FPrevious); }
  bool Shown = false;

 private:
  TShowErrorHandler FPrevious;
};

// Loads a table; the exit code of a failure, or 0.
int Load(TCellTable& table, const std::string& path, std::ostream& err) {
  ErrorToStream errors(err);
  if (LoadGDA(table, path)) return 0;
  if (errors.Shown) return kFailed;
  err << "Not a G2DA table.\n";
  return kNotATable;
}

int Save(const TCellTable& table, const std::string& path, std::ostream& err) {
  ErrorToStream errors(err);
  return SaveGDA(table, path) ? 0 : kFailed;
}

int Dump(const std::string& path, std::ostream& out, std::ostream& err) {
  TCellTable table;
  if (int code = Load(table, path, err)) return code;
  std::u16string text;
  for (int32_t r = 0; r < table.RowCount(); ++r) {
    for (int32_t c = 0; c < table.ColCount(); ++c) {
      if (c > 0) text += u'\t';
      text += CopyCellText(table.Cells(c, r), false);
    }
    text += u"\r\n";
  }
  out << ToUtf8(text);
  return 0;
}

int Import(const std::string& source, const std::string& target, std::istream& in,
           std::ostream& err) {
  std::string bytes;
  if (source == "-") {
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  } else {
    std::ifstream file(source, std::ios::binary);
    if (!file) {
      err << "File cannot be opened (Is it already in use?).\n";
      return kFailed;
    }
    bytes.assign(std::istreambuf_iterator<char>(file), {});
  }
  const std::u16string text = FromUtf8(bytes);
  // Lines end at each CR (a LF right after it belongs to the line end);
  // fields are split at tabs. The table gets the widest line's fields.
  int64_t lines = 0;
  int64_t fields = 1;
  int64_t widest = 1;
  bool pending = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r') {
      ++lines;
      widest = std::max(widest, fields);
      fields = 1;
      pending = false;
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else {
      if (text[i] == u'\t') ++fields;
      pending = true;
    }
  }
  if (pending) {
    ++lines;
    widest = std::max(widest, fields);
  }
  TCellTable table;
  try {
    table.SetColCount(static_cast<int32_t>(std::min<int64_t>(widest, INT32_MAX)));
    table.SetRowCount(static_cast<int32_t>(std::clamp<int64_t>(lines, 1, INT32_MAX)));
    PasteText(table, text, 0, 0);
  } catch (const Error& e) {
    err << e.what() << '\n';
    return kFailed;
  }
  return Save(table, target, err);
}

int Resave(const std::string& source, const std::string& target, std::ostream& err) {
  TCellTable table;
  if (int code = Load(table, source, err)) return code;
  return Save(table, target, err);
}

// What the window's Export command does: the target and sheet name derived
// from the document path unless given, one error text for every failure.
int Export(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string source;
  std::string target;
  std::optional<std::string> sheet;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--sheet" && i + 1 < args.size()) {
      sheet = args[++i];
    } else if (source.empty()) {
      source = args[i];
    } else if (target.empty()) {
      target = args[i];
    } else {
      err << kUsageText;
      return kUsage;
    }
  }
  if (source.empty()) {
    err << kUsageText;
    return kUsage;
  }
  TCellTable table;
  if (int code = Load(table, source, err)) return code;
  const std::u16string targetPath =
      target.empty() ? ExportTargetPath(FromUtf8(source)) : FromUtf8(target);
  const std::u16string sheetName = sheet ? FromUtf8(*sheet) : ExportSheetName(targetPath);
  try {
    TGridXlsIO io;
    io.ApplyWindowSettings(table);
    io.XLSExport(std::filesystem::path(ToUtf8(targetPath)), sheetName, -1, 1, InsertInSheet_Clear);
  } catch (const std::exception&) {
    err << kExportErrorText << '\n';
    return kFailed;
  }
  out << kExportSuccessPrefix << ToUtf8(targetPath) << '\n';
  return 0;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err) {
  try {
    if (args.size() == 2 && args[0] == "dump") return Dump(args[1], out, err);
    if (args.size() == 3 && args[0] == "import") return Import(args[1], args[2], in, err);
    if (args.size() == 3 && args[0] == "resave") return Resave(args[1], args[2], err);
    if (args.size() >= 2 && args[0] == "export") return Export(args, out, err);
  } catch (const std::exception& e) {
    // What no command caught: the general error report.
    err << GeneralErrorText(e.what()) << '\n';
    return kFailed;
  }
  err << kUsageText;
  return kUsage;
}

}  // namespace tessary::cli
