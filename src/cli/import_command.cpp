// tessary-cli import from a workbook or a CSV file: a file that starts with
// the compound-file signature is read as a workbook, a file named *.csv as
// CSV; anything else is left to the text import.
#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "cli/commands.h"
#include "grid/cell_table.h"
#include "text/number_text.h"
#include "text/utf16.h"
#include "xls/compound_file.h"
#include "xls/table_csv.h"
#include "xls/table_import.h"

namespace tessary::cli {
namespace {

bool OpenForReading(const std::string& path, std::ifstream& file) {
  std::error_code ec;
  if (!std::filesystem::is_directory(path, ec)) file.open(path, std::ios::binary);
  return file.is_open();
}

bool StartsWithCompoundSignature(std::ifstream& file) {
  std::array<char, cfb::kFileSignature.size()> head{};
  file.read(head.data(), head.size());
  const bool match = file.gcount() == static_cast<std::streamsize>(head.size()) &&
                     std::equal(head.begin(), head.end(), cfb::kFileSignature.begin(),
                                [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
  file.clear();
  file.seekg(0);
  return match;
}

bool IsCsvName(const std::string& path) {
  return AsciiLower(FromUtf8(std::filesystem::path(path).extension().string())) == u".csv";
}

}  // namespace

std::optional<int> RunImportOther(const std::vector<std::string>& args, TStreams& io) {
  std::vector<std::string> files;
  std::optional<std::string> sheet;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--sheet") {
      if (i + 1 >= args.size() || sheet) {
        io.Err << HelpText();
        return kExitUsage;
      }
      sheet = args[++i];
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.size() != 2) {
    io.Err << HelpText();
    return kExitUsage;
  }
  const std::string& source = files[0];
  bool workbook = false;
  std::ifstream file;
  if (source != "-") {
    if (!OpenForReading(source, file)) {
      io.Err << "File cannot be opened (Is it already in use?).\n";
      return kExitFailed;
    }
    workbook = StartsWithCompoundSignature(file);
  }
  if (!workbook && !(source != "-" && IsCsvName(source))) {
    if (!sheet) return std::nullopt;
    io.Err << "--sheet names a sheet of a workbook; " << source << " is not a workbook.\n";
    return kExitUsage;
  }
  TCellTable table;
  TImportResult result;
  if (workbook) {
    file.close();
    const std::u16string name = sheet ? FromUtf8(*sheet) : std::u16string();
    result = ImportTableFromWorkbook(source, sheet ? &name : nullptr, table);
  } else {
    if (sheet) {
      io.Err << "--sheet names a sheet of a workbook; " << source << " is a CSV file.\n";
      return kExitUsage;
    }
    std::string bytes;
    file.seekg(0, std::ios::end);
    bytes.resize(static_cast<size_t>(std::max<std::streamoff>(0, file.tellg())));
    file.seekg(0);
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) {
      io.Err << "File cannot be opened (Is it already in use?).\n";
      return kExitFailed;
    }
    result = CsvToTable(bytes, table);
  }
  if (!result.Ok) {
    io.Err << result.Error << '\n';
    return kExitFailed;
  }
  return SaveTable(table, files[1], io.Err);
}

}  // namespace tessary::cli
