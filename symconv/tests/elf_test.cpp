// ELF: the header, sections, program headers and symbols written from
// hand-made models, the machine each processor name chooses, the byte
// order, identification and the dump; readelf checks the files where it
// is installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/alloc.h"
#include "symconv/elf.h"
#include "symconv/encdec.h"
#include "symconv/tests/forvane_fixture.h"

namespace {

using ForvaneElf = ForvaneTest;

// The fields of a written file, read in its own byte order.
struct elf_view {
  std::string image;
  bool big;
  uint64_t at(size_t offset, unsigned size) const {
    const uint8_t *p = reinterpret_cast<const uint8_t *>(image.data()) + offset;
    if (size == 1) return *p;
    if (size == 2) return big ? get16_be(p) : get16_le(p);
    return big ? get32_be(p) : get32_le(p);
  }
  uint64_t header(size_t offset, unsigned size) const { return at(offset, size); }
  size_t section(unsigned k) const { return size_t(header(32, 4) + 40 * k); }
  uint64_t sh(unsigned k, size_t field) const { return at(section(k) + field, 4); }
  size_t program(unsigned k) const { return size_t(header(28, 4) + 32 * k); }
  uint64_t ph(unsigned k, size_t field) const { return at(program(k) + field, 4); }
  std::string section_name(unsigned k) const {
    unsigned names = unsigned(header(50, 2));
    return image.c_str() + sh(names, 16) + sh(k, 0);
  }
  int section_named(const std::string &name) const {
    for (unsigned k = 0; k < header(48, 2); k++)
      if (section_name(k) == name) return int(k);
    return -1;
  }
};

elf_view written() {
  std::string image = stream_text([&](FILE *out) { EXPECT_TRUE(elf_write(out, "prog.elf")); });
  return {image, image.size() > 5 && image[5] == 2};
}

// readelf's complaints about the file, or "" when it is not installed.
std::string readelf_complaints(const std::string &dir, const std::string &image) {
  if (!have_tool("readelf")) return "";
  write_file(dir + "/prog.elf", image);
  run_result r = run_in(dir, "readelf -a prog.elf");
  std::string complaints = r.err;
  if (r.status) complaints += "exit status " + std::to_string(r.status);
  return complaints;
}

TEST_F(ForvaneElf, AModelWithNothingLoadableHasOnlyItsOwnSections) {
  elf_view f = written();
  EXPECT_EQ(f.image.substr(0, 4), "\x7F" "ELF");
  EXPECT_EQ(f.header(4, 1), 1u);
  EXPECT_EQ(f.header(5, 1), 1u);
  EXPECT_EQ(f.header(7, 1), 255u);
  EXPECT_EQ(f.header(16, 2), 2u);  // an executable
  EXPECT_EQ(f.header(18, 2), 0u);  // no -p: no machine
  ASSERT_EQ(f.header(48, 2), 4u);
  const char *names[] = {"", ".strtab", ".symtab", ".shstrtab"};
  for (unsigned k = 0; k < 4; k++) EXPECT_EQ(f.section_name(k), names[k]);
  EXPECT_EQ(f.header(50, 2), 3u);
  EXPECT_EQ(f.sh(1, 20), 1u);   // one NUL
  EXPECT_EQ(f.sh(2, 20), 16u);  // the null symbol
  EXPECT_EQ(f.sh(2, 24), 1u);   // linked to .strtab
  EXPECT_EQ(f.sh(2, 28), 1u);   // the null symbol is local
  EXPECT_EQ(f.sh(2, 36), 16u);
  // The table of program headers describes itself, as an unused entry:
  // it is no part of a loaded segment.
  ASSERT_EQ(f.header(44, 2), 1u);
  EXPECT_EQ(f.ph(0, 0), 0u);
  EXPECT_EQ(f.ph(0, 4), f.header(28, 4));
  EXPECT_EQ(f.ph(0, 16), 32u);
  EXPECT_EQ(f.program(1), f.image.size());
  EXPECT_EQ(readelf_complaints(dir, f.image), "");
}

TEST_F(ForvaneElf, SegmentsBecomeSectionsWithTheirDataAndSymbols) {
  uint32_t code = model_add_segment("CODE", 0, 0, 0, 1);
  uint32_t ram = model_add_segment("RAM", 0, 0, 0, 2);
  uint32_t text = model_add_segment("text", 0x100, 8, 0x100, code);
  model_add_segment("bss", 0x100, 0x10, 0x100, ram);
  model_add_segment("empty", 0x200, 0, 0x200, code);
  const uint8_t a[] = {1, 2}, b[] = {7};
  model_add_data(0x100, 2, a, text);
  model_add_data(0x104, 1, b, text);
  uint32_t file = model_add_file("prog.sym");
  model_add_symbol("_main", 0x100, code, file, 0);
  model_add_symbol("_counter", 0x104, ram, file, 0);  // RAM and code addresses overlap
  model_add_symbol("here", 0x102, code, file, MSYM_LOCAL);
  model_add_symbol("__Habs", 0x42, 0, file, 0);
  model.entry_address = 0x100;
  forvane_complete();
  elf_view f = written();
  EXPECT_EQ(f.header(24, 4), 0x100u);
  int t = f.section_named("text"), s = f.section_named("bss"), e = f.section_named("empty");
  ASSERT_EQ(t, 1);
  ASSERT_EQ(s, 2);
  ASSERT_EQ(e, 3);
  EXPECT_EQ(f.sh(1, 4), 1u);  // program data
  EXPECT_EQ(f.sh(1, 8), 6u);  // alloc, exec
  EXPECT_EQ(f.sh(1, 12), 0x100u);
  EXPECT_EQ(f.sh(1, 20), 8u);
  EXPECT_EQ(f.image.substr(f.sh(1, 16), 5), std::string("\x01\x02\x00\x00\x07", 5));
  EXPECT_EQ(f.sh(2, 4), 8u);  // no data: bss
  EXPECT_EQ(f.sh(2, 8), 3u);
  EXPECT_EQ(f.sh(3, 20), 0u);
  // The loaded segments, after the table's own entry; the empty one has none.
  ASSERT_EQ(f.header(44, 2), 3u);
  EXPECT_EQ(f.ph(1, 0), 1u);
  EXPECT_EQ(f.ph(1, 4), f.sh(1, 16));
  EXPECT_EQ(f.ph(1, 8), 0x100u);
  EXPECT_EQ(f.ph(1, 16), 5u);  // bytes up to the last block's end
  EXPECT_EQ(f.ph(1, 20), 8u);
  EXPECT_EQ(f.ph(2, 16), 0u);
  EXPECT_EQ(f.ph(2, 20), 0x10u);

  // Locals first; each symbol in the section of its own space.
  int symtab = f.section_named(".symtab"), strtab = f.section_named(".strtab");
  ASSERT_GT(symtab, 0);
  struct row {
    std::string name;
    uint32_t value, info, shndx;
  };
  std::vector<row> rows;
  for (uint32_t k = 0; k < f.sh(unsigned(symtab), 20) / 16; k++) {
    size_t at = f.sh(unsigned(symtab), 16) + 16 * k;
    rows.push_back({f.image.c_str() + f.sh(unsigned(strtab), 16) + f.at(at, 4), uint32_t(f.at(at + 4, 4)),
                    uint32_t(f.at(at + 12, 1)), uint32_t(f.at(at + 14, 2))});
  }
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(f.sh(unsigned(symtab), 28), 2u);
  std::vector<std::string> order;
  for (const row &r : rows) order.push_back(r.name);
  EXPECT_EQ(order, (std::vector<std::string>{"", "here", "__Habs", "_main", "_counter"}));
  EXPECT_EQ(rows[1].info, 0u);
  EXPECT_EQ(rows[1].shndx, 1u);
  EXPECT_EQ(rows[2].info, 16u);
  EXPECT_EQ(rows[2].shndx, 0xFFF1u);
  EXPECT_EQ(rows[3].shndx, 1u);
  EXPECT_EQ(rows[4].shndx, 2u);
  EXPECT_EQ(readelf_complaints(dir, f.image), "");

  // -b writes every field big-endian, also after a writer of a fixed order.
  settings.big_endian = true;
  byte_order = 0;
  elf_view big = written();
  settings.big_endian = false;
  byte_order = 0;
  EXPECT_EQ(big.header(5, 1), 2u);
  EXPECT_EQ(big.header(24, 4), 0x100u);
  EXPECT_EQ(big.sh(1, 12), 0x100u);
  EXPECT_EQ(big.image.size(), f.image.size());
  EXPECT_EQ(readelf_complaints(dir, big.image), "");
}

TEST_F(ForvaneElf, ProcessorNamesChooseTheMachine) {
  struct {
    const char *processor;
    std::vector<const char *> extra;
    unsigned machine;
  } cases[] = {
      {nullptr, {}, 0},
      {"PIC32MX360F512L", {"PIC32MX360F512L"}, 0},  // the whole name is in no description
      {"PIC32MX", {"PIC32MX"}, 8},
      {"30F4011", {"30F4011", "dsPIC30F"}, 118},
      {"18F452", {"18F452", "PIC18"}, 0},
  };
  for (const auto &c : cases) {
    forvane_reset();
    model_init();
    if (c.processor) settings.processor = str_dup(c.processor);
    for (const char *e : c.extra) settings.extra_names[settings.extra_count++] = str_dup(e);
    EXPECT_EQ(elf_machine_number(), c.machine) << (c.processor ? c.processor : "none");
  }
  EXPECT_STREQ(elf_machine_name(40), "Advanced RISC Machines ARM");
  EXPECT_STREQ(elf_machine_name(118), "dsPIC30F DSC");
  EXPECT_EQ(elf_machine_name(6), nullptr);
}

TEST_F(ForvaneElf, DsPicProgramMemoryCountsWords) {
  settings.processor = str_dup("dsPIC30F");
  settings.classes[settings.class_count++] = str_dup("CODE");
  uint32_t code = model_add_segment("CODE", 0, 0, 0, 1);
  uint32_t ram = model_add_segment("RAM", 0, 0, 0, 2);
  model_add_segment("text", 0x200, 4, 0x200, code);
  model_add_segment("data", 0x800, 4, 0x800, ram);
  forvane_complete();
  elf_view f = written();
  EXPECT_EQ(f.header(18, 2), 118u);
  EXPECT_EQ(f.header(36, 4), 5u);
  EXPECT_EQ(f.sh(1, 12), 0x100u);
  EXPECT_EQ(f.sh(1, 8), 6u);  // a program class, even without data
  EXPECT_EQ(f.ph(1, 8), 0x100u);
  EXPECT_EQ(f.sh(2, 12), 0x800u);
  EXPECT_EQ(f.sh(2, 8), 3u);
}

TEST_F(ForvaneElf, IdentifiesAndDumpsOnlyElf) {
  model_add_segment("CODE", 0, 0, 0, 1);
  model_add_segment("text", 0, 2, 0, 1);
  const uint8_t code[] = {0x12, 0x34};
  model_add_data(0, 2, code, 2);
  forvane_complete();
  elf_view f = written();
  auto identify = [](std::string image) {
    FILE *in = fmemopen(image.data(), image.size(), "rb");
    bool yes = elf_identify(in);
    fclose(in);
    return yes;
  };
  EXPECT_TRUE(identify(f.image));
  std::string bad_class = f.image, bad_version = f.image;
  bad_class[4] = 2;
  bad_version[6] = 3;
  EXPECT_FALSE(identify(bad_class));
  EXPECT_FALSE(identify(bad_version));
  EXPECT_FALSE(identify(f.image.substr(0, 51)));
  FILE *in = fmemopen(f.image.data(), f.image.size(), "rb");
  EXPECT_FALSE(elf_read(in, "prog.elf"));
  fclose(in);

  auto dump = [](std::string image, bool *ok) {
    testing::internal::CaptureStdout();
    FILE *in = fmemopen(image.data(), image.size(), "rb");
    *ok = elf_dump(in);
    fclose(in);
    return testing::internal::GetCapturedStdout();
  };
  bool ok = false;
  settings.verbosity = 3;
  std::string text = dump(f.image, &ok);
  EXPECT_TRUE(ok);
  for (const char *part : {"\tClass:   \t32-bit objects (0x1)\n", "\tOS ABI:\t\tStandalone (embedded) (0xFF)\n",
                           "\tMachine:\tNo machine (0x0)\n", "0001  text", " ALLOC EXECINSTR\n\t  34:  12 34",
                           "\n\nNo DWARF found"})
    EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
  // A name index beyond the section headers fails the dump.
  std::string bad_index = f.image;
  put16_le(reinterpret_cast<uint8_t *>(bad_index.data()) + 50, 99);
  text = dump(bad_index, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(text, "");
  text = dump(f.image.substr(0, 40), &ok);
  EXPECT_FALSE(ok);
  EXPECT_TRUE(captured(1037));
}

// A stream that takes only so many bytes, as a full disk does.
struct short_sink {
  size_t room, offered = 0;
};

ssize_t short_write(void *cookie, const char *, size_t size) {
  short_sink *sink = static_cast<short_sink *>(cookie);
  size_t taken = std::min(size, sink->room > sink->offered ? sink->room - sink->offered : 0);
  sink->offered += size;
  return taken == size ? ssize_t(size) : (taken ? ssize_t(taken) : -1);
}

// A short write names the debug section it cut, or the file elsewhere.
TEST_F(ForvaneElf, AShortWriteNamesTheDebugSectionItCut) {
  settings.processor = str_dup("18F452");
  model_add_segment("CODE", 0, 0, 0, 1);
  uint32_t text = model_add_segment("text", 0x100, 8, 0x100, 1);
  const uint8_t code[8] = {};
  model_add_data(0x100, 8, code, text);
  uint32_t file = model_add_file("main.c");
  model_add_symbol("_main", 0x100, 1, file, 0);
  model_add_line(3, 0x100, text, file, 0);
  ASSERT_TRUE(load_sdb("prog", "[p GLOBOPT SPEEDOPT ]\n\"1 main.c\n"));
  forvane_complete();
  elf_view f = written();
  int line = f.section_named(".debug_line");
  ASSERT_GT(line, 0);
  struct {
    size_t room;
    std::vector<std::string> told;
  } cases[] = {
      {0x10, {"(413) cannot write to \"prog.elf\""}},
      {size_t(f.sh(unsigned(line), 16) + 1), {"(621)", ".debug_line", "prog.elf"}},
      {f.image.size(), {}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.room);
    capture_messages();
    short_sink sink = {c.room};
    FILE *out = fopencookie(&sink, "wb", {nullptr, short_write, nullptr, nullptr});
    setvbuf(out, nullptr, _IONBF, 0);
    EXPECT_TRUE(elf_write(out, "prog.elf"));
    fclose(out);
    std::string lines;
    for (const std::string &l : captured_lines()) lines += l + "\n";
    EXPECT_EQ(captured_lines().size(), c.told.empty() ? 0u : 1u) << lines;
    for (const std::string &text : c.told) EXPECT_NE(lines.find(text), std::string::npos) << text << "\n" << lines;
    EXPECT_GE(sink.offered, f.image.size());  // the rest is still written out
  }
}

}  // namespace
