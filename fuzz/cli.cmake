# The text tessary-cli import reads: UTF-8 checks, line and field
# splitting, the table saved and read back.
tessary_add_fuzzer(NAME fuzz_import_text SOURCES fuzz_import_text.cpp LIBS tessary_cli_lib)
