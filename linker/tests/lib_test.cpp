#include "linker/lib.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using bytes = std::vector<uint8_t>;

lib_module make_module(const char *name, std::vector<lib_symbol> symbols, const std::string &text) {
  lib_module m;
  m.name = name;
  m.symbols = std::move(symbols);
  m.contents.assign(text.begin(), text.end());
  return m;
}

bytes write_library(const std::vector<lib_module> &modules) {
  char *buf = nullptr;
  size_t size = 0;
  FILE *fp = open_memstream(&buf, &size);
  EXPECT_EQ(lib_write(fp, modules), LIB_OK);
  fclose(fp);
  bytes b(buf, buf + size);
  free(buf);
  return b;
}

// Through a real file, so that module lengths can be checked against its size.
int read_library(const bytes &data, lib_directory *dir, bool contents = true) {
  FILE *fp = tmpfile();
  fwrite(data.data(), 1, data.size(), fp);
  rewind(fp);
  int status = lib_read_directory(fp, dir);
  if (status == LIB_OK && contents) status = lib_read_contents(fp, dir);
  fclose(fp);
  return status;
}

TEST(LibraryContainer, WrittenLayoutReadsBack) {
  std::vector<lib_module> modules = {
      make_module("a.obj", {{"_a", LIB_FLAG_DEFINES}, {"_b", LIB_FLAG_REFERS}}, "AAAA"),
      make_module("b.obj", {{"_b", LIB_FLAG_DEFINES}}, "BB"),
      make_module("empty.obj", {}, ""),
  };
  bytes data = write_library(modules);
  // Header: D = three entries: (12 + 6 + 4 + 4) + (12 + 6 + 4) + (12 + 10).
  ASSERT_GE(data.size(), 4u);
  EXPECT_EQ(data[0] | data[1] << 8, 26 + 22 + 22);
  EXPECT_EQ(data[2] | data[3] << 8, 3);
  // First entry: symbol list of 8 bytes, 2 symbols, length 4, spare 0.
  EXPECT_EQ(bytes(data.begin() + 4, data.begin() + 16), (bytes{8, 0, 2, 0, 4, 0, 0, 0, 0, 0, 0, 0}));

  lib_directory dir;
  ASSERT_EQ(read_library(data, &dir), LIB_OK);
  ASSERT_EQ(dir.modules.size(), 3u);
  EXPECT_EQ(dir.modules[0].name, "a.obj");
  EXPECT_EQ(dir.modules[0].symbols.size(), 2u);
  EXPECT_EQ(dir.modules[0].symbols[1].name, "_b");
  EXPECT_EQ(dir.modules[0].symbols[1].flag, LIB_FLAG_REFERS);
  EXPECT_EQ(dir.modules[1].offset, 4u + 70 + 4);
  EXPECT_EQ(std::string(dir.modules[1].contents.begin(), dir.modules[1].contents.end()), "BB");
  EXPECT_EQ(dir.modules[2].length, 0u);
}

TEST(LibraryContainer, DirectoryBeyondSixteenBitsIsRefused) {
  std::vector<lib_module> modules;
  std::string long_name(250, 'n');
  for (int i = 0; i < 300; i++) modules.push_back(make_module(long_name.c_str(), {}, "x"));
  EXPECT_GT(lib_directory_size(modules), 0xFFFFu);
  FILE *fp = fopen("/dev/null", "wb");
  EXPECT_EQ(lib_write(fp, modules), LIB_TOO_LARGE);
  fclose(fp);
}

// Directories that lie about their sizes or counts are refused, never walked past.
TEST(LibraryContainer, LyingDirectoriesAreRefused) {
  bytes good = write_library({make_module("m", {{"_s", 0}}, "1234")});
  // Layout: 0-1 D=18, 2-3 N=1, entry at 4: list size, count, length, spare, "m", 0 "_s".
  struct row {
    const char *what;
    size_t at;
    uint8_t value;
    size_t cut;  // bytes kept from the end (0 = all)
    int status;
  } rows[] = {
      {"intact", 0, 18, 0, LIB_OK},
      {"directory size too small", 0, 17, 0, LIB_BAD_DIRECTORY},
      {"directory size too large", 0, 19, 0, LIB_BAD_DIRECTORY},
      {"one module too many", 2, 2, 0, LIB_BAD_DIRECTORY},
      {"no modules", 2, 0, 0, LIB_BAD_DIRECTORY},
      {"symbol list too long", 4, 5, 0, LIB_BAD_DIRECTORY},
      {"symbol list too short", 4, 3, 0, LIB_BAD_DIRECTORY},
      {"one symbol too many", 6, 2, 0, LIB_BAD_DIRECTORY},
      {"module longer than the file", 8, 5, 0, LIB_SHORT_MODULE},
      {"module name unterminated", 17, 'x', 0, LIB_BAD_DIRECTORY},
      {"directory cut", 0, 18, 10, LIB_SHORT_DIRECTORY},
      {"header cut", 0, 18, 3, LIB_SHORT_HEADER},
  };
  for (const row &r : rows) {
    bytes data = good;
    data[r.at] = r.value;
    if (r.cut) data.resize(r.cut);
    lib_directory dir;
    EXPECT_EQ(read_library(data, &dir, false), r.status) << r.what;
  }
}

TEST(LibraryContainer, ContentsCutShortAreReported) {
  bytes data = write_library({make_module("m", {}, "1234")});
  data.pop_back();
  lib_directory dir;
  // Through a pipe-like stream the directory check cannot see the file size.
  FILE *fp = fmemopen(data.data(), data.size(), "rb");
  ASSERT_EQ(lib_read_directory(fp, &dir), LIB_OK);
  EXPECT_EQ(lib_read_contents(fp, &dir), LIB_SHORT_MODULE);
  fclose(fp);
}

TEST(PcodeScrambling, VersionLineStaysPlainAndTheRestRoundTrips) {
  std::string text = "Version 3.2 Quenlor Software Intermediate Code\n[v _x `i 1 e ]\r\n";
  for (int i = 0; i < 600; i++) text += (char)(i * 7);  // more than 256 bytes: the counter wraps
  bytes data(text.begin(), text.end());
  lib_pcode_scramble(data.data(), data.size());
  size_t plain = strlen("Version 3.2 Quenlor Software Intermediate Code\n");
  EXPECT_EQ(lib_pcode_plain_length(data.data(), data.size()), plain);
  EXPECT_EQ(std::string(data.begin(), data.begin() + plain), text.substr(0, plain));
  EXPECT_NE(std::string(data.begin() + plain, data.end()), text.substr(plain));
  // Byte 1 after the version line: counter 1, table entry 1.
  EXPECT_EQ(data[plain], (uint8_t)('[' ^ 1 ^ lib_scramble_table[1]));
  lib_pcode_scramble(data.data(), data.size());
  EXPECT_EQ(std::string(data.begin(), data.end()), text);
}

TEST(PcodeScrambling, CounterCarriesAcrossPieces) {
  bytes whole(300, 0x5A), pieces = whole;
  uint8_t counter = 0;
  lib_scramble(whole.data(), whole.size(), &counter);
  uint8_t c2 = 0;
  lib_scramble(pieces.data(), 100, &c2);
  lib_scramble(pieces.data() + 100, 200, &c2);
  EXPECT_EQ(whole, pieces);
  EXPECT_EQ(counter, (uint8_t)300);
}

}  // namespace
