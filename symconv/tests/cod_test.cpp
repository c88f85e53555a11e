// COD: the directory, code and memory-map blocks, the line list and the
// symbol tables from hand-made models, checked field by field and, where
// gputils is installed, by gpvc.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/alloc.h"
#include "common/vector.h"
#include "symconv/dotcod.h"
#include "symconv/encdec.h"
#include "symconv/tests/forvane_fixture.h"

namespace {

using ForvaneCod = ForvaneTest;

std::string written() {
  return stream_text([&](FILE *out) { cod_write(out, "prog.cod"); });
}

const uint8_t *at(const std::string &image, size_t offset) {
  return reinterpret_cast<const uint8_t *>(image.data()) + offset;
}
uint32_t u16(const std::string &image, size_t offset) { return uint32_t(get16_le(at(image, offset))); }
std::string block(const std::string &image, uint32_t number) { return image.substr(512 * size_t(number), 512); }
std::string counted(const std::string &image, size_t offset) {
  return image.substr(offset + 1, uint8_t(image[offset]));
}

struct line_entry {
  unsigned file, flags, line, address;
  bool operator==(const line_entry &o) const {
    return file == o.file && flags == o.flags && line == o.line && address == o.address;
  }
};

std::ostream &operator<<(std::ostream &out, const line_entry &e) {
  return out << "{" << e.file << ", " << std::hex << e.flags << ", " << std::dec << e.line << ", " << std::hex
             << e.address << std::dec << "}";
}

void code_model() {
  settings.processor = str_dup("18F452");
  model_add_segment("CODE", 0, 0, 0, 1);
}

run_result gpvc(const std::string &dir, const std::string &image) {
  write_file(dir + "/prog.cod", image);
  return run_in(dir, "gpvc prog.cod");
}

TEST_F(ForvaneCod, DirectoryAndIdentification) {
  code_model();
  std::string image = written();
  ASSERT_GE(image.size(), 512u);
  EXPECT_EQ(image.size() % 512, 0u);
  EXPECT_EQ(counted(image, 256), "prog.cod");
  std::string date = counted(image, 320);
  ASSERT_EQ(date.size(), 7u);
  EXPECT_TRUE(isdigit(uint8_t(date[1])) && isalpha(uint8_t(date[2])) && isdigit(uint8_t(date[6]))) << date;
  EXPECT_LT(u16(image, 328), 2400u);
  EXPECT_EQ(counted(image, 350), "Quenlor");
  EXPECT_FALSE(counted(image, 362).empty());
  EXPECT_EQ(u16(image, 451), 1u);
  EXPECT_EQ(counted(image, 453), "18f452");  // the case gpsim looks processors up in
  FILE *in = fmemopen(const_cast<char *>(image.data()), image.size(), "rb");
  EXPECT_TRUE(cod_identify(in));
  rewind(in);
  EXPECT_FALSE(cod_read(in, "prog.cod"));
  fclose(in);
  std::string junk(512, 'x');
  in = fmemopen(junk.data(), junk.size(), "rb");
  EXPECT_FALSE(cod_identify(in));
  fclose(in);
  // Without data, lines or symbols no table has a block.
  for (int offset : {426, 430, 434, 443, 447, 462, 466}) EXPECT_EQ(u16(image, size_t(offset)), 0u) << offset;
}

TEST_F(ForvaneCod, CodeBlocksAndTheMemoryMap) {
  code_model();
  std::vector<uint8_t> bytes(600);
  for (size_t k = 0; k < bytes.size(); k++) bytes[k] = uint8_t(k + 1);
  model_add_data(0x100, 600, bytes.data(), 1);  // crosses the page boundary at 0x200
  for (uint32_t k = 0; k < 4; k++) model_add_data(0x1000 + 0x10 * k, 2, bytes.data(), 1);
  std::string image = written();
  uint32_t first = u16(image, 0), second = u16(image, 2), far = u16(image, 2 * 8);
  ASSERT_TRUE(first && second && far);
  EXPECT_EQ(block(image, first).substr(0x100, 0x100), std::string(bytes.begin(), bytes.begin() + 0x100));
  EXPECT_EQ(block(image, second).substr(0, 600 - 0x100), std::string(bytes.begin() + 0x100, bytes.end()));
  EXPECT_EQ(u16(image, 4), 0u);
  // Five blocks give five pairs, in one memory-map block as gputils reads it.
  uint32_t map = u16(image, 443);
  ASSERT_TRUE(map);
  EXPECT_EQ(u16(image, 445), map);
  std::string pairs = block(image, map);
  EXPECT_EQ(u16(pairs, 0), 0x100u);
  EXPECT_EQ(u16(pairs, 2), 0x100u + 599);
  EXPECT_EQ(u16(pairs, 16), 0x1030u);
  EXPECT_EQ(u16(pairs, 18), 0x1031u);
  EXPECT_EQ(u16(pairs, 20), 0u);
  if (!have_tool("gpvc")) GTEST_SKIP() << "gpvc (gputils) is not installed; bash scripts/deps installs it";
  run_result r = gpvc(dir, image);
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char *text : {"using ROM 000100 to 000357", "using ROM 001030 to 001031"})
    EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
}

TEST_F(ForvaneCod, LineListFillsGapsAndCoversAddresses) {
  code_model();
  uint32_t a = model_add_file("a.c"), b = model_add_file("b.c");
  model_add_line(5, 0x100, 1, a, 0);
  model_add_line(6, 0x104, 1, a, 0);  // up to the next line
  model_add_line(10, 0x108, 1, a, 0);  // the next item is a symbol: one address
  model_add_symbol("_f", 0x109, 1, a, 0);
  model_add_line(14, 0x10A, 1, a, 0);
  model_add_symbol("_g", 0x10B, 1, a, 0);
  model_add_line(2, 0x200, 1, b, 0);
  forvane_complete();
  std::string image = written();
  std::vector<line_entry> expected = {
      {0, 0xFF, 0, 0},     {0, 0x90, 1, 0},     {0, 0x90, 2, 0},  {0, 0x90, 3, 0},  {0, 0x90, 4, 0},
      {0, 0x80, 5, 0x100}, {0, 0, 5, 0x101},    {0, 0, 5, 0x102}, {0, 0, 5, 0x103}, {0, 0x80, 6, 0x104},
      {0, 0, 6, 0x105},    {0, 0, 6, 0x106},    {0, 0, 6, 0x107}, {0, 0x90, 7, 0},  {0, 0x90, 8, 0},
      {0, 0x90, 9, 0},     {0, 0x80, 10, 0x108}, {0, 0x90, 11, 0}, {0, 0x90, 12, 0}, {0, 0x90, 13, 0},
      {0, 0x80, 14, 0x10A}, {1, 0xFF, 0, 0},    {1, 0x90, 1, 0},  {1, 0x80, 2, 0x200},
  };
  // File markers have line 0: the reader stops at them, so compare whole.
  std::vector<line_entry> got;
  std::string list = block(image, u16(image, 434));
  for (size_t k = 0; k < expected.size(); k++) {
    const uint8_t *e = at(list, 6 * k);
    got.push_back({e[0], e[1], unsigned(get16_le(e + 2)), unsigned(get16_le(e + 4))});
  }
  EXPECT_EQ(got, expected);
  std::string names = block(image, u16(image, 430));
  EXPECT_EQ(counted(names, 0), "a.c");
  EXPECT_EQ(counted(names, 64), "b.c");
}

TEST_F(ForvaneCod, TablesSpillIntoMoreBlocksAsGpvcReadsThem) {
  code_model();
  uint32_t f = model_add_file("many.c");
  // 200 lines of one address each: 201 entries with the file marker.
  for (uint32_t k = 1; k <= 200; k++) model_add_line(k, 0x1000 + k, 1, f, 0);
  for (uint32_t k = 0; k < 40; k++) model_add_symbol(("_s" + std::to_string(k)).c_str(), 0x20 + k, 0, f, 0);
  std::string long_name(300, 'n');
  model_add_symbol(long_name.c_str(), 0x99, 0, f, 0);
  forvane_complete();
  std::string image = written();
  EXPECT_EQ(u16(image, 436) - u16(image, 434), 2u);  // 84 entries a block
  std::string last = block(image, u16(image, 436));
  EXPECT_EQ(u16(last, 2), 168u);
  EXPECT_EQ(u16(last, 6 * 32 + 2), 200u);
  EXPECT_EQ(u16(image, 428) - u16(image, 426), 1u);  // 41 short symbols, 32 a block
  // The long name is cut to 255 characters.
  bool found = false;
  for (uint32_t b = u16(image, 462); b && b <= u16(image, 464); b++) {
    std::string symbols = block(image, b);
    for (size_t k = 0; k < 506 && symbols[k];) {
      size_t n = uint8_t(symbols[k]);
      if (n == 255) {
        EXPECT_EQ(symbols.substr(k + 1, n), long_name.substr(0, 255));
        EXPECT_EQ(get32_be(at(symbols, k + 3 + n)), 0x99u);
        found = true;
      }
      k += n + 7;
    }
  }
  EXPECT_TRUE(found);
  if (!have_tool("gpvc")) GTEST_SKIP() << "gpvc (gputils) is not installed; bash scripts/deps installs it";
  run_result r = gpvc(dir, image);
  ASSERT_EQ(r.status, 0) << r.err;
  for (uint32_t k : {1u, 84u, 85u, 168u, 169u, 200u}) {
    char row[64];
    snprintf(row, sizeof row, "  %06X  80 ", 0x1000 + k);
    EXPECT_NE(r.out.find(row), std::string::npos) << "line " << k << "\n" << r.out.substr(0, 3000);
  }
  for (const char *name : {"_s0 = 20", "_s39 = 47"})
    EXPECT_NE(r.out.find(name), std::string::npos) << name;
}

TEST_F(ForvaneCod, TheDumpReadsTheBlocksBack) {
  code_model();
  uint8_t bytes[4] = {0x12, 0x34, 0x56, 0x78};
  model_add_data(0x20, 4, bytes, 1);
  uint32_t f = model_add_file("a.c");
  model_add_line(1, 0x20, 1, f, 0);
  model_add_symbol("_main", 0x20, 1, f, 0);
  forvane_complete();
  std::string image = written();
  settings.verbosity = 1;
  std::string dump = stream_text([&](FILE *out) {
    FILE *saved = stdout;
    stdout = out;
    FILE *in = fmemopen(image.data(), image.size(), "rb");
    EXPECT_TRUE(cod_dump(in));
    fclose(in);
    fflush(out);
    stdout = saved;
  });
  for (const char *text : {"Source:\tprog.cod\n", "Compiler: Quenlor\n", "Codtyp:\t1; Processor 18f452\n",
                           "Code: 00h at block 2\n", "0020: 12 34 56 78", "\t_main          (func_void_none)",
                           "   0020\n", "Files:\n\ta.c", "\t    1 80 0020 a.c\n"})
    EXPECT_NE(dump.find(text), std::string::npos) << text << "\n" << dump;
}

// A function with a local and a bit variable, from a debug description.
const char scoped_sdb[] = R"([p GLOBOPT SPEEDOPT ]
"3 b.c
[v _count `ui  1 e 2 0 ]
[v _flag3 `b  1 e 0 0 ]
"5
[v _f `(v  1 e 2 0 ]
{
[v _k `uc  1 a 1 0 ]
"6
} 0
)";

TEST_F(ForvaneCod, ScopesAndGlobalsFromTheDebugTree) {
  code_model();
  uint32_t code = 1;
  uint32_t ram = model_add_segment("RAM", 0, 0x100, 0, 2);
  uint32_t sym = model_add_file("prog.sym");
  model_add_symbol("_f", 0x3FF0, code, sym, 0);
  model_add_symbol("_count", 0x12, ram, sym, 0);
  model_add_symbol("_flag3", 0x183, ram, sym, 0);
  model_add_symbol("??_f", 0x40, ram, sym, 0);
  uint32_t b = model_add_file("b.c");
  model_add_line(5, 0x3FF0, code, b, 0);
  model_add_line(6, 0x3FF4, code, b, 0);
  ASSERT_TRUE(load_sdb("prog", scoped_sdb));
  forvane_complete();
  std::string image = written();
  // Globals come first in the short table: variables, the function and
  // the bit variable by its byte and bit.
  std::string shorts = block(image, u16(image, 426));
  struct {
    const char *name;
    unsigned type, value;
  } globals[] = {{"_count", 5, 0x12}, {"_f", 16, 0x3FF0}, {"_flag3", 145 + 3, 0x30}};
  for (const auto &g : globals) {
    bool found = false;
    for (size_t k = 0; k < 512; k += 16)
      if (counted(shorts, k) == g.name) {
        EXPECT_EQ(uint8_t(shorts[k + 13]), g.type) << g.name;
        EXPECT_EQ(u16(shorts, k + 14), g.value) << g.name;
        found = true;
      }
    EXPECT_TRUE(found) << g.name;
  }
  // The function's scope spans its lines' addresses as they are, with the
  // function itself and its local.
  std::string locals = block(image, u16(image, 447));
  EXPECT_EQ(counted(locals, 0), "__LOCAL");
  EXPECT_EQ(u16(locals, 8), 0x3FF0u);
  EXPECT_EQ(u16(locals, 12), 0x3FF4u);
  EXPECT_EQ(counted(locals, 16), "_f");
  EXPECT_EQ(uint8_t(locals[16 + 13]), 16u);
  EXPECT_EQ(counted(locals, 32), "_k");
  EXPECT_EQ(uint8_t(locals[32 + 13]), 4u);
  EXPECT_EQ(u16(locals, 32 + 14), 0x40u);
  // Written symbols are not listed again.
  size_t listed = 0;
  for (size_t k = 0; k < 512; k += 16)
    if (counted(shorts, k) == "_count") listed++;
  EXPECT_EQ(listed, 1u);
}

}  // namespace
