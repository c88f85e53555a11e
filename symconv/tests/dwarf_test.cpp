// DWARF 2: line number programs opcode by opcode, and the compile units of
// debug descriptions (types, variables, functions) as forvane's own dump
// and, where installed, dwarfdump read them.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "common/alloc.h"
#include "symconv/dwarf.h"
#include "symconv/elf.h"
#include "symconv/encdec.h"
#include "symconv/tests/forvane_fixture.h"

namespace {

using ForvaneDwarf = ForvaneTest;

const std::vector<uint8_t> *section_of(const std::vector<dwarf_section> &sections, int kind) {
  for (const dwarf_section &s : sections)
    if (s.kind == kind) return &s.bytes;
  return nullptr;
}

// A PIC18 model with one code segment and the source file "prog.c", which
// a one-line description names.
uint32_t line_model() {
  settings.processor = str_dup("18F452");
  uint32_t code = model_add_segment("CODE", 0, 0, 0, 1);
  model_add_segment("text", 0, 0x1000, 0, code);
  return model_add_file("prog.c");
}

TEST_F(ForvaneDwarf, LineProgramsUseTheShortestOpcodes) {
  struct row {
    int line;
    uint32_t address;
  };
  struct {
    const char *what;
    std::vector<row> rows;
    std::vector<uint8_t> program;
  } cases[] = {
      {"line +9, address +15: one special opcode",
       {{10, 0x100}, {19, 0x10F}},
       {3, 9, 0, 3, 2, 0x00, 0x01, 1, 249, 2, 1, 0, 1, 1}},
      {"address +20: const_add_pc, then +4",
       {{10, 0x100}, {11, 0x114}},
       {3, 9, 0, 3, 2, 0x00, 0x01, 1, 8, 6 + 15 * 4 + 10, 2, 1, 0, 1, 1}},
      {"line +10: advance_line, then a special opcode for line +0",
       {{10, 0x100}, {20, 0x101}},
       {3, 9, 0, 3, 2, 0x00, 0x01, 1, 3, 10, 5 + 15 + 10, 2, 1, 0, 1, 1}},
      {"address +256: advance_pc",
       {{10, 0x100}, {11, 0x200}},
       {3, 9, 0, 3, 2, 0x00, 0x01, 1, 2, 0x80, 0x02, 6 + 10, 2, 1, 0, 1, 1}},
      {"the same line again ends the sequence; the next one starts anew",
       {{10, 0x100}, {10, 0x104}, {12, 0x108}},
       {3, 9, 0, 3, 2, 0x00, 0x01, 1, 2, 4, 0, 1, 1, 3, 11, 0, 3, 2, 0x08, 0x01, 1, 2, 1, 0, 1, 1}},
  };
  for (const auto &c : cases) {
    forvane_reset();
    model_init();
    uint32_t file = line_model();
    for (const row &r : c.rows) model_add_line(uint32_t(r.line), r.address, 2, file, 0);
    ASSERT_TRUE(load_sdb("prog", "[p GLOBOPT SPEEDOPT ]\n\"1 prog.c\n")) << c.what;
    forvane_complete();
    std::vector<dwarf_section> sections;
    dwarf_build(&sections);
    const std::vector<uint8_t> *line = section_of(sections, DWARF_LINE);
    ASSERT_TRUE(line) << c.what;
    ASSERT_GT(line->size(), 10u);
    EXPECT_EQ(get32_le(line->data()), line->size() - 4) << c.what;
    EXPECT_EQ(get16_le(line->data() + 4), 2u);
    size_t program = 10 + get32_le(line->data() + 6);
    // min_len 1, default_is_stmt 1, line_base -5, line_range 15, opcode_base
    // 10, the standard opcode lengths, no directories, the one file.
    std::vector<uint8_t> header(line->begin() + 10, line->begin() + long(program));
    std::vector<uint8_t> expected = {1, 1, 0xFB, 15, 10, 0, 1, 1, 1, 1, 0, 0, 0, 1, 0};
    for (char ch : std::string("prog.c")) expected.push_back(uint8_t(ch));
    for (uint8_t b : {0, 0, 0, 0, 0}) expected.push_back(b);
    EXPECT_EQ(header, expected) << c.what;
    EXPECT_EQ(std::vector<uint8_t>(line->begin() + long(program), line->end()), c.program) << c.what;
  }
}

TEST_F(ForvaneDwarf, NoDescriptionGivesNoSections) {
  line_model();
  forvane_complete();
  std::vector<dwarf_section> sections;
  EXPECT_EQ(dwarf_build(&sections), 0);
  EXPECT_TRUE(sections.empty());
}

// Types of every kind, a function without its end symbol, one whose
// symbol is missing and an extern the link did not place.
const char types_sdb[] = R"([p GLOBOPT SPEEDOPT ]
"1 prog.c
[s S1 node 5 `*S1 1 next 2 0 `ui 1 flags 1 2 :3:1 
`uc 1 tag 1 3 ]
[u S2 . 2 `uc 1 b 1 0 `ui 1 w 2 0 ]
[s S4 blob 300 `[300]uc 1 bytes 300 0 ]
[e E3 color `uc
red 0
blue 5
]
"4
[v _big `ul  1 e 4 0 ]
[v _list `S1  1 e 5 0 ]
[v _either `S2  1 e 2 0 ]
[v _grid `[3][2]uc  1 e 6 0 ]
[v _port `DVuc  1 e 1 0 ]
[v _hue `E3  1 e 1 0 ]
[v _nowhere `i  1 e 2 0 ]
[v _blob `S4  1 e 300 0 ]
"10
[v _f `(ui  1 e 2 0 ]
{
[v _k `uc  1 a 1 0 ]
"12
} 0
"20
[v _g `(v  1 e 2 0 ]
{
"21
} 0
)";

std::string dump_text(const std::string &image) {
  testing::internal::CaptureStdout();
  FILE *in = fmemopen(const_cast<char *>(image.data()), image.size(), "rb");
  bool ok = elf_dump(in);
  fclose(in);
  std::string text = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(ok);
  return text;
}

// The unit-relative offset of the first DIE of that tag whose next
// attribute line holds the text.
std::string die_offset(const std::string &dump, const std::string &tag, const std::string &attribute) {
  std::regex die("\\+DW_TAG_" + tag + " \\(\\d+\\) @ (0x[0-9A-F]+) \\(0x[0-9A-F]+\\)\\n\\s*" + attribute);
  std::smatch m;
  return std::regex_search(dump, m, die) ? m[1].str() : "";
}

TEST_F(ForvaneDwarf, TypesVariablesAndFunctionsOfAUnit) {
  uint32_t file = line_model();
  uint32_t ram = model_add_segment("RAM", 0, 0, 0, 3);
  uint32_t bss = model_add_segment("bss", 0, 0x100, 0, ram);
  uint32_t sym = model_add_file("prog.sym");
  struct {
    const char *name;
    uint32_t value, segment;
  } symbols[] = {{"_big", 0x10, bss},  {"_list", 0x14, bss}, {"_either", 0x1A, bss}, {"_grid", 0x20, bss},
                 {"_port", 0x30, bss}, {"_hue", 0x31, bss},  {"_f", 0x100, 2},       {"??_f", 0x40, bss},
                 {"_blob", 0x50, bss}};
  for (const auto &s : symbols) model_add_symbol(s.name, s.value, s.segment, sym, 0);
  model_add_line(10, 0x100, 2, file, 0);
  model_add_line(12, 0x104, 2, file, 0);
  ASSERT_TRUE(load_sdb("prog", types_sdb));
  forvane_complete();
  capture_messages();
  std::string image = stream_text([&](FILE *out) { EXPECT_TRUE(elf_write(out, "prog.elf")); });
  std::vector<std::string> warnings = captured_lines();
  ASSERT_EQ(warnings.size(), 1u) << warnings[0] << "\n" << warnings.back();
  EXPECT_NE(warnings[0].find("DWARF: Can't find variable location: '_nowhere'"), std::string::npos) << warnings[0];
  std::string dump = dump_text(image);

  for (const char *part : {
           // "unsigned long" by its C name
           "DW_AT_name \"long unsigned int\"\n    DW_AT_byte_size 0x04\n    DW_AT_encoding unsigned (0x07)",
           // the C tags of the structure and the enumeration, the union unnamed
           "+DW_TAG_structure_type", "DW_AT_name \"node\"\n    DW_AT_byte_size 5\n",
           "DW_AT_name \"blob\"\n    DW_AT_byte_size 300\n",
           "DW_AT_name \"color\"", "+DW_TAG_union_type (", "DW_AT_sibling 0x0000", 
           // a bit-field of three bits from bit 1 of two bytes
           "DW_AT_name \"flags\"", "DW_AT_bit_size 0x03\n      DW_AT_bit_offset 0x0E",
           "DW_AT_data_member_location 0x02 (DW_OP_plus_uconst(3))",
           // the array's bounds, outermost first
           "DW_AT_upper_bound 0x00000002\n", "DW_AT_upper_bound 0x00000001\n",
           // const, then volatile over it
           "+DW_TAG_const_type", "+DW_TAG_volatile_type",
           "DW_AT_name \"_big\"", "DW_AT_location 0x03 (DW_OP_addr(0x00000010))",
           // an auto in its area at a fixed address
           "DW_AT_name \"_k\"", "DW_AT_location 0x03 (DW_OP_addr(0x00000040))",
           // no end symbol: one past the start; no symbol: from 0
           "DW_AT_name \"_f\"", "DW_AT_low_pc 0x0100\n    DW_AT_high_pc 0x0101",
           "DW_AT_name \"_g\"\n    DW_AT_external 0x01", "DW_AT_low_pc 0x0000\n    DW_AT_high_pc 0x0001",
           "No call frame information (from .debug_frame)", "No location lists (from .debug_loc)"})
    EXPECT_NE(dump.find(part), std::string::npos) << part << "\n" << dump;
  // The unplaced extern is declared without a location.
  std::regex nowhere("DW_AT_name \"_nowhere\"\\n(\\s+DW_AT_[a-z_]+ [^\\n]*\\n){4}\\s*\\+");
  EXPECT_TRUE(std::regex_search(dump, nowhere)) << dump;

  // The pointer to the structure inside it comes first and refers to the
  // structure's offset, patched once the structure was complete.
  std::string pointer = die_offset(dump, "pointer_type", "DW_AT_type");
  std::string node = die_offset(dump, "structure_type", "DW_AT_sibling");
  ASSERT_NE(pointer, "");
  ASSERT_NE(node, "");
  EXPECT_LT(std::stoul(pointer, nullptr, 16), std::stoul(node, nullptr, 16));
  char reference[32];
  snprintf(reference, sizeof reference, "DW_AT_type 0x%08lX", std::stoul(node, nullptr, 16));
  EXPECT_NE(dump.substr(dump.find("+DW_TAG_pointer_type"), 120).find(reference), std::string::npos)
      << reference << "\n" << dump;
  // The union has no C tag, so no name.
  EXPECT_TRUE(std::regex_search(dump, std::regex("\\+DW_TAG_union_type [^\\n]*\\n\\s*DW_AT_sibling [^\\n]*\\n"
                                                 "\\s*DW_AT_byte_size 2\\n")))
      << dump;

  if (!have_tool("dwarfdump")) GTEST_SKIP() << "dwarfdump is not installed; bash scripts/deps installs it";
  write("prog.elf", image);
  run_result r = run_in(dir, "dwarfdump -a prog.elf");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.find("ERROR"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("DW_AT_name                  long unsigned int"), std::string::npos) << r.out;
}

}  // namespace

namespace {

// The file offset of a section of a little-endian ELF image, or of its
// name in the section-name table with names.
size_t section_offset(const std::string &image, const std::string &name, bool names = false) {
  const uint8_t *p = reinterpret_cast<const uint8_t *>(image.data());
  size_t headers = get32_le(p + 32), count = get16_le(p + 48), strings = get16_le(p + 50);
  size_t table = get32_le(p + headers + 40 * strings + 16);
  for (size_t k = 0; k < count; k++) {
    size_t h = headers + 40 * k;
    if (image.c_str() + table + get32_le(p + h) == name) return names ? table + get32_le(p + h) : get32_le(p + h + 16);
  }
  return 0;
}

TEST_F(ForvaneDwarf, TheDumpReportsDamagedSectionsAndPrintsEachLineProgramOnce) {
  uint32_t file = line_model();
  model_add_line(10, 0x100, 2, file, 0);
  ASSERT_TRUE(load_sdb("a", "[p GLOBOPT SPEEDOPT ]\n\"1 prog.c\n"));
  ASSERT_TRUE(load_sdb("b", "[p GLOBOPT SPEEDOPT ]\n\"1 prog.c\n"));
  forvane_complete();
  std::string image = stream_text([&](FILE *out) { EXPECT_TRUE(elf_write(out, "prog.elf")); });
  size_t info = section_offset(image, ".debug_info");
  ASSERT_GT(info, 0u);
  size_t second = info + 4 + get32_le(reinterpret_cast<const uint8_t *>(image.data()) + info);
  std::string text = dump_text(image);
  EXPECT_NE(text.find("Compilation Unit 1 @"), std::string::npos) << text;
  EXPECT_NE(text.find("\nGroup 1 @"), std::string::npos) << text;

  struct {
    const char *what;
    size_t at;
    std::string bytes;
    unsigned message;
  } cases[] = {
      {"a unit too short", info, std::string("\x03\x00\x00\x00", 4), 659},
      {"abbreviations beyond their section", info + 6, std::string("\xFF\xFF\x00\x00", 4), 660},
      {"an address size of 3", info + 10, "\x03", 661},
      {"an undeclared abbreviation", info + 11, "\x7F", 658},
      {"a line program beyond its section", info + 12, std::string("\xFF\xFF\x00\x00", 4), 648},
      {"no abbreviations", section_offset(image, ".debug_abbrev", true), ".debug_abbrex", 667},
  };
  for (const auto &c : cases) {
    std::string damaged = image;
    damaged.replace(c.at, c.bytes.size(), c.bytes);
    capture_messages();
    dump_text(damaged);
    EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{c.message})) << c.what;
  }
  // Both units on the first line program: it is printed once.
  std::string shared = image;
  shared.replace(second + 12, 4, std::string(4, '\0'));
  text = dump_text(shared);
  EXPECT_NE(text.find("\nGroup 0 @"), std::string::npos) << text;
  EXPECT_EQ(text.find("\nGroup 1 @"), std::string::npos) << text;
}

}  // namespace
