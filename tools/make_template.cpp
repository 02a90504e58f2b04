// Writes the template workbook, built from its documented layout, to the
// given path (src/xls/empty_sheet_template.bin). With --check it compares
// instead and exits 1 when the file differs.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "template_builder.h"

int main(int argc, char** argv) {
  const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
  if (argc != 2 && !check) {
    std::fprintf(stderr, "usage: make_template [--check] FILE\n");
    return 2;
  }
  const char* path = argv[argc - 1];
  const std::vector<uint8_t> bytes = tessary::BuildEmptySheetTemplate();
  if (check) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> stored((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
    if (stored == bytes) return 0;
    size_t i = 0;
    while (i < stored.size() && i < bytes.size() && stored[i] == bytes[i]) ++i;
    std::fprintf(stderr, "%s differs from the layout at byte %zu (%zu bytes stored, %zu built)\n",
                 path, i, stored.size(), bytes.size());
    return 1;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", path);
    return 1;
  }
  return 0;
}
