// PIC COFF: the writer's layout from hand-made models, the reader on what
// the writer wrote and on objects gpasm assembles, and the dump.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/alloc.h"
#include "common/vector.h"
#include "symconv/coffcore.h"
#include "symconv/encdec.h"
#include "symconv/mcoff.h"
#include "symconv/tests/forvane_fixture.h"

namespace {

using ForvaneCoff = ForvaneTest;

std::string written() {
  return stream_text([&](FILE *out) { mcoff_write(out, "out.cof"); });
}

bool read_image(const std::string &bytes, bool (*read)(FILE *, const char *) = mcoff_read) {
  FILE *in = fmemopen(const_cast<char *>(bytes.data()), bytes.size(), "rb");
  bool ok = read(in, "in.cof");
  fclose(in);
  return ok;
}

std::string dumped(const std::string &bytes) {
  return stream_text([&](FILE *out) {
    FILE *saved = stdout;
    stdout = out;
    FILE *in = fmemopen(const_cast<char *>(bytes.data()), bytes.size(), "rb");
    mcoff_dump(in);
    fclose(in);
    fflush(out);
    stdout = saved;
  });
}

void set_processor(const char *name, const std::vector<const char *> &fields = {}) {
  settings.processor = str_dup(name);
  for (const char *f : fields) settings.extra_names[settings.extra_count++] = str_dup(f);
}

void set_classes(const std::vector<const char *> &names) {
  for (const char *n : names) settings.classes[settings.class_count++] = str_dup(n);
}

const uint8_t *bytes_of(const std::string &image) { return reinterpret_cast<const uint8_t *>(image.data()); }
uint32_t u16(const std::string &image, size_t at) { return uint32_t(get16_le(bytes_of(image) + at)); }
uint32_t u32(const std::string &image, size_t at) { return uint32_t(get32_le(bytes_of(image) + at)); }

// Section headers follow the two headers.
size_t section_at(int k) { return 38 + 40 * size_t(k); }

std::string section_name(const std::string &image, int k) {
  size_t at = section_at(k);
  if (u32(image, at) == 0 && u32(image, at + 4) != 0) {
    size_t strings = u32(image, 8) + 20 * size_t(u32(image, 12));
    return image.c_str() + strings + u32(image, at + 4);
  }
  return std::string(image.data() + at, strnlen(image.data() + at, 8));
}

TEST_F(ForvaneCoff, ProcessorFieldsChooseWidthsAndUnits) {
  struct {
    const char *name;
    std::vector<const char *> fields;
    bool ok;
    uint32_t id, rom_width, block_address;
  } cases[] = {
      {"18F452", {"452F", "PIC18"}, true, 0x452F, 8, 0x200},
      {"16F877", {"877", "PIC16"}, true, 0x877, 16, 0x100},
      {"16F877", {}, true, 0, 0, 0x100},  // no family: only the name tells
      {"18F452", {""}, true, 0, 8, 0x200},
      {"18F452", {"zz"}, false, 0, 0, 0},
      {"18F452", {"1", "PIC20"}, false, 0, 0, 0},
      {"", {}, false, 0, 0, 0},
  };
  uint8_t code[4] = {1, 2, 3, 4};
  for (const auto &c : cases) {
    forvane_reset();
    model_init();
    set_processor(c.name, c.fields);
    set_classes({"CODE"});
    model_add_data(0x200, 4, code, 0);
    capture_messages();
    std::string image = written();
    if (!c.ok) {
      EXPECT_TRUE(image.empty()) << c.name;
      EXPECT_TRUE(captured(600)) << c.name;
      continue;
    }
    ASSERT_GE(image.size(), 38u + 80u) << c.name;
    EXPECT_EQ(u16(image, 0), 0x1240u);
    EXPECT_EQ(u16(image, 16), 18u);
    EXPECT_EQ(u16(image, 18), 2u);
    EXPECT_EQ(u32(image, 26), c.id) << c.name;
    EXPECT_EQ(u32(image, 30), c.rom_width) << c.name;
    EXPECT_EQ(u32(image, 34), 8u);
    EXPECT_EQ(section_name(image, 1), "_text0");
    EXPECT_EQ(u32(image, section_at(1) + 8), c.block_address) << c.name;
    // Data follows the section headers.
    uint32_t data = u32(image, section_at(1) + 20);
    EXPECT_EQ(data, section_at(2));
    EXPECT_EQ(image.substr(data, 4), std::string("\1\2\3\4"));
  }
}

TEST_F(ForvaneCoff, SectionsNamesAndTheStringTable) {
  set_processor("18F452", {"452F", "PIC18"});
  set_classes({"CODE"});
  capture_messages();
  model_add_segment("CODE", 0, 0, 0, 1);
  uint32_t ram = model_add_segment("RAM", 0, 0, 0, 2);
  model_add_segment("N", 0x10, 4, 0x10, ram);
  model_add_segment("N", 0x20, 4, 0x20, ram);
  model_add_segment("twelve_chars", 0x30, 4, 0x30, ram);
  model_add_segment("N", 0x40, 4, 0x40, ram);
  model_add_segment("code", 0x100, 8, 0x100, 1);  // of class CODE: program memory
  uint32_t file = model_add_file("prog.c");
  model_add_symbol("exactly8", 0x10, 3, file, 0);
  model_add_symbol("nine_char", 0x11, 3, file, 0);
  model_add_symbol("nine_char", 0x12, 3, file, 0);
  forvane_complete();
  std::string image = written();
  ASSERT_FALSE(image.empty());
  std::vector<std::string> names = {"ABS", "RAM", "N", "N.1", "twelve_chars", "N.2"};
  ASSERT_EQ(u16(image, 2), names.size());
  for (size_t k = 0; k < names.size(); k++) EXPECT_EQ(section_name(image, int(k)), names[k]);
  EXPECT_EQ(u32(image, section_at(0) + 36), 0x1000u);
  EXPECT_EQ(u32(image, section_at(3) + 8), 0x20u);
  EXPECT_EQ(u32(image, section_at(3) + 36), 0x80u);
  // Labels: the 8-character name inline, the longer one stored once.
  size_t symbols = u32(image, 8), count = u32(image, 12);
  ASSERT_EQ(count, 3u);
  EXPECT_EQ(image.substr(symbols, 8), "exactly8");
  EXPECT_EQ(image.substr(symbols + 8, 4), std::string("\x10\0\0\0", 4));
  EXPECT_EQ(u16(image, symbols + 12), 3u);  // the first "N" section holds 0x10
  EXPECT_EQ(u32(image, symbols + 20), 0u);
  EXPECT_EQ(u32(image, symbols + 24), u32(image, symbols + 44));
  size_t strings = symbols + 20 * count;
  EXPECT_EQ(u32(image, strings), 4u + strlen("twelve_chars") + 1 + strlen("nine_char") + 1);
  EXPECT_TRUE(captured_numbers().empty());
}

TEST_F(ForvaneCoff, AnEmptyModelStillGivesAValidFile) {
  set_processor("18F452");
  capture_messages();
  std::string image = written();
  EXPECT_TRUE(captured(599));  // no program classes
  ASSERT_EQ(image.size(), 38u + 40u + 4u);
  EXPECT_EQ(u16(image, 2), 1u);
  EXPECT_EQ(u32(image, 12), 0u);
  EXPECT_EQ(u32(image, 38 + 40), 4u);
}

// A program address lies in the section of the block that holds it,
// however the blocks were made; where blocks overlap, the first made holds
// the bytes they share.
TEST_F(ForvaneCoff, AProgramAddressLiesInItsBlocksSection) {
  set_classes({"CODE"});
  uint32_t code = model_add_segment("CODE", 0, 0, 0, 1);
  const uint8_t bytes[8] = {};
  model_add_data(0x200, 8, bytes, code);  // block 0
  model_add_data(0x100, 4, bytes, code);  // block 1
  model_add_data(0x104, 0, bytes, code);  // block 2 holds nothing
  model_add_data(0x104, 2, bytes, code);  // block 3, just after block 1
  const coff_flavour flavour{};
  coff_writer_open(&flavour);
  coff_make_sections(false);
  int first = int(coff_out->first_block_section);
  struct {
    uint32_t address;
    int block;  // -1: none
  } cases[] = {{0xFF, -1}, {0x100, 1}, {0x103, 1}, {0x104, 3}, {0x105, 3}, {0x106, -1},
               {0x1FF, -1}, {0x200, 0}, {0x207, 0}, {0x208, -1}, {0xFFFFF, -1}};
  for (const auto &c : cases)
    EXPECT_EQ(coff_section_of(c.address, code), c.block < 0 ? 0 : first + c.block) << std::hex << c.address;
  model_add_data(0x102, 4, bytes, code);  // block 4 overlaps blocks 1 and 3
  coff_make_sections(false);
  EXPECT_EQ(coff_section_of(0x103, code), first + 1);
  EXPECT_EQ(coff_section_of(0x105, code), first + 3);
  EXPECT_EQ(coff_section_of(0x106, code), 0);
  coff_writer_close();
}

TEST_F(ForvaneCoff, TheReaderReadsWhatTheWriterWrote) {
  set_processor("18F452", {"452F", "PIC18"});
  set_classes({"CODE"});
  uint32_t code = model_add_segment("CODE", 0, 0, 0, 1);
  uint32_t ram = model_add_segment("RAM", 0, 0, 0, 2);
  uint32_t bss = model_add_segment("bss", 0x20, 0x10, 0x20, ram);
  std::vector<uint8_t> big(20000), small = {0x12, 0x00};
  for (size_t k = 0; k < big.size(); k++) big[k] = uint8_t(k * 3);
  model_add_data(0x0, 2, small.data(), code);
  model_add_data(0x1000, uint32_t(big.size()), big.data(), code);
  uint32_t file = model_add_file("prog.sym");
  model_add_symbol("_counter", 0x24, bss, file, 0);
  model_add_symbol("_start", 0x1000, code, file, 0);
  model_add_symbol("_local", 0x1002, code, file, MSYM_LOCAL);
  forvane_complete();
  std::string image = written();

  forvane_reset();
  model_init();
  capture_messages();
  ASSERT_TRUE(read_image(image));
  EXPECT_TRUE(captured_numbers().empty());
  // Sections become segments; raw data comes back in pieces of 16K.
  ASSERT_EQ(vec_size(model.segments), 5u);
  EXPECT_STREQ(model_segment_at(3)->name, "bss");
  EXPECT_EQ(model_segment_at(3)->start, 0x20u);
  EXPECT_EQ(model_segment_at(3)->size, 0x10u);
  ASSERT_EQ(vec_size(model.data), 3u);
  EXPECT_EQ(model_data_nth(0)->segment, 4u);
  EXPECT_EQ(model_data_nth(1)->address, 0x1000u);
  EXPECT_EQ(model_data_nth(1)->length, 16384u);
  EXPECT_EQ(model_data_nth(2)->address, 0x1000u + 16384u);
  EXPECT_EQ(memcmp(model_data_nth(2)->bytes, big.data() + 16384, big.size() - 16384), 0);
  model_symbol *counter = model_find_symbol("_counter");
  ASSERT_TRUE(counter);
  EXPECT_EQ(counter->value, 0x24u);
  EXPECT_STREQ(model_segment_at(counter->segment)->name, "bss");
  model_symbol *start = model_find_symbol("_start");
  ASSERT_TRUE(start);
  EXPECT_STREQ(model_segment_at(start->segment)->name, "_text1");
  EXPECT_FALSE(model_find_symbol("_local"));
}

// A hand-made image: headers, sections, symbols with auxiliary entries,
// line numbers and a string table, laid out as the format says.
struct coff_builder {
  std::string head, sections, data, lines, symbols, strings = std::string(4, '\0');
  int section_count = 0, symbol_count = 0;
  uint16_t opt_size = 18;
  uint32_t rom_width = 8, ram_width = 8;

  static std::string u16s(uint32_t v) { return std::string{char(v & 0xFF), char((v >> 8) & 0xFF)}; }
  static std::string u32s(uint32_t v) { return u16s(v & 0xFFFF) + u16s(v >> 16); }
  static std::string name8(const std::string &n) { return (n + std::string(8, '\0')).substr(0, 8); }

  void section(const std::string &name, uint32_t address, const std::string &bytes, uint32_t flags,
               uint32_t line_count = 0) {
    sections += name8(name) + u32s(address) + u32s(address) + u32s(uint32_t(bytes.size()));
    sections += u32s(bytes.empty() ? 0 : 0xA0000000u + uint32_t(data.size()));  // patched in image()
    sections += u32s(0) + u32s(line_count ? 0xB0000000u + uint32_t(lines.size()) : 0) + u16s(0) +
                u16s(line_count) + u32s(flags);
    data += bytes;
    section_count++;
  }
  void line(uint32_t source, uint32_t number, uint32_t address) {
    lines += u32s(source) + u16s(number) + u32s(address) + u16s(0) + u32s(0);
  }
  int symbol(const std::string &name, uint32_t value, int16_t section, int cls, int aux = 0,
             const std::string &aux_bytes = "") {
    int index = symbol_count;
    symbols += name8(name) + u32s(value) + u16s(uint16_t(section)) + u32s(0) + char(cls) + char(aux);
    symbol_count++;
    for (int k = 0; k < aux; k++, symbol_count++) symbols += (aux_bytes + std::string(20, '\0')).substr(0, 20);
    return index;
  }
  uint32_t string(const std::string &s) {
    uint32_t at = uint32_t(strings.size());
    strings += s + '\0';
    return at;
  }
  std::string image(uint32_t string_size = 0) {
    size_t base = 20 + opt_size + sections.size();
    std::string s = sections;
    for (int k = 0; k < section_count; k++) {
      size_t at = size_t(k) * 40;
      uint32_t d = uint32_t(get32_le(reinterpret_cast<const uint8_t *>(s.data()) + at + 20));
      uint32_t l = uint32_t(get32_le(reinterpret_cast<const uint8_t *>(s.data()) + at + 28));
      if (d) s.replace(at + 20, 4, u32s(uint32_t(base + (d & 0xFFFFFFF))));
      if (l) s.replace(at + 28, 4, u32s(uint32_t(base + data.size() + (l & 0xFFFFFFF))));
    }
    std::string strs = strings;
    strs.replace(0, 4, u32s(string_size ? string_size : uint32_t(strings.size())));
    std::string out = u16s(0x1240) + u16s(uint32_t(section_count)) + u32s(0) +
                      u32s(uint32_t(base + data.size() + lines.size())) + u32s(uint32_t(symbol_count)) +
                      u16s(opt_size) + u16s(2);
    if (opt_size == 18) out += u16s(0x5678) + u32s(96303) + u32s(0x452F) + u32s(rom_width) + u32s(ram_width);
    return out + s + data + lines + symbols + strs;
  }
};

TEST_F(ForvaneCoff, ReaderEdgeCases) {
  coff_builder b;
  b.section("text", 0x100, "\x01\x02\x03\x04", 0x20, 4);
  b.section("bss", 0x20, std::string(6, '\0'), 0x80);
  int first = b.symbol(".file", 0, -2, 103, 1, coff_builder::u32s(b.string("a.c")));
  b.symbol("_in_a", 0x100, 1, 2);
  int second = b.symbol(".file", 0, -2, 103, 1, coff_builder::u32s(b.string("b.c")));
  b.symbol("_weak", 0x102, 1, 127);
  b.symbol("_tag", 0, 0, 10, 1);  // tags are not symbols
  // The lines: two of a.c, a switch to b.c, one to an index naming no file.
  b.line(0, 0, uint32_t(first));
  b.line(0, 7, 0x100);
  b.line(0, 0, uint32_t(second));
  b.line(0, 9, 0x102);
  capture_messages();
  ASSERT_TRUE(read_image(b.image()));
  // An unknown class is kept and said so.
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{633}));
  ASSERT_TRUE(model_find_symbol("_weak"));
  EXPECT_FALSE(model_find_symbol("_tag"));
  EXPECT_STREQ(model_file_at(model_find_symbol("_in_a")->file)->name, "a.c");
  EXPECT_STREQ(model_file_at(model_find_symbol("_weak")->file)->name, "b.c");
  ASSERT_EQ(vec_size(model.lines), 2u);
  EXPECT_STREQ(model_file_at(model_line_nth(0)->file)->name, "a.c");
  EXPECT_STREQ(model_file_at(model_line_nth(1)->file)->name, "b.c");
  // The bss section has a segment but no data.
  EXPECT_EQ(vec_size(model.segments), 2u);
  ASSERT_EQ(vec_size(model.data), 1u);
  EXPECT_EQ(model_data_nth(0)->address, 0x100u);

  // A line switching to an index that names no .file keeps the current file.
  forvane_reset();
  model_init();
  coff_builder c;
  c.section("text", 0, "\x01\x02", 0x20, 3);
  first = c.symbol(".file", 0, -2, 103, 1, coff_builder::u32s(c.string("a.c")));
  c.symbol("_x", 0, 1, 2);
  c.line(0, 0, uint32_t(first));
  c.line(0, 0, 1);  // the auxiliary entry of .file, not a .file
  c.line(0, 3, 0);
  ASSERT_TRUE(read_image(c.image()));
  ASSERT_EQ(vec_size(model.lines), 1u);
  EXPECT_STREQ(model_file_at(model_line_nth(0)->file)->name, "a.c");

  // Too small a string table fails the read.
  forvane_reset();
  model_init();
  capture_messages();
  coff_builder d;
  EXPECT_FALSE(read_image(d.image(3)));
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{1038}));

  // Without the optional header (and so without widths) the units are 1.
  forvane_reset();
  model_init();
  capture_messages();
  coff_builder e;
  e.opt_size = 0;
  e.section("text", 0x80, "\xAA", 0x20);
  ASSERT_TRUE(read_image(e.image()));
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{1043, 639}));
  ASSERT_EQ(vec_size(model.data), 1u);
  EXPECT_EQ(model_data_nth(0)->address, 0x80u);

  // A PIC16 file counts program memory in words.
  forvane_reset();
  model_init();
  coff_builder w;
  w.rom_width = 14;
  w.section("text", 0x80, "\xAA\xBB", 0x20);
  ASSERT_TRUE(read_image(w.image()));
  EXPECT_EQ(model_data_nth(0)->address, 0x100u);

  // A file cut short names the structure it could not read.
  forvane_reset();
  model_init();
  capture_messages();
  std::string cut = b.image().substr(0, 10);
  EXPECT_FALSE(read_image(cut));
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{1037}));
}

TEST_F(ForvaneCoff, TheDumpListsEveryStructure) {
  coff_builder b;
  b.section("text", 0x100, "\x01\x02", 0x1020, 2);
  int file = b.symbol(".file", 0, -2, 103, 1, coff_builder::u32s(b.string("prog.c")));
  b.symbol("_main", 0x100, 1, 2);
  b.symbol(".bf", 0x100, 1, 101, 1, std::string("\0\0\0\0\x0a\0", 6));
  b.symbol("_odd", 1, 1, 42);
  b.line(0, 0, uint32_t(file));
  b.line(uint32_t(file), 10, 0x100);
  settings.verbosity = 2;
  capture_messages();
  std::string dump = dumped(b.image());
  std::vector<std::string> expected = {
      "COFF header:\n\tMagic:\t\t0x1240\n\tSections:\t1\n",
      "\tFlags:\t\t0x2 Executable\n\n",
      "Optional header:\n\tMagic:\t\t0x5678\n\tVersion:\t96303\n\tProcessor:\t0x452F\n\tROM width:\t8\n",
      "Section 1: text: @100 scnptr 0x",
      " size 0x2 lines 2 relocs 0 flags 0x1020 ( absolute, text )\n",
      "String table: 11 bytes",
      "    4:\tprog.c\n",
      "    0:\t               file name 1 0[1]\tprog.c [4]\n",
      "    2:\t         external symbol 0 0[1]\t_main = 100: text null\n",
      "    3:\t              .bf or .ef 1 0[1]\t.bf = 100: text: line 10, index 0\n",
      "    5:\t          ??Unknown (42) 0 0[1]\t_odd = 1: text\n",
      "Section 1 line numbers: 2, file offset 0x",
      "Symbol: .file (0)\n",
      "00010:\tsrcndx: 0, paddr: 0x100, flags 0x0, fcnndx: 0\n",
  };
  for (const std::string &text : expected) EXPECT_NE(dump.find(text), std::string::npos) << text << "\n" << dump;
  EXPECT_TRUE(captured_numbers().empty());
}

TEST_F(ForvaneCoff, IdentificationLooksAtTheHeader) {
  coff_builder b;
  std::string good = b.image();
  std::string many = good;
  many[2] = char(0xE9), many[3] = 0x03;  // 1001 sections
  struct {
    std::string bytes;
    bool yes;
  } cases[] = {{good, true}, {many, false}, {good.substr(0, 19), false}, {"\x41\x12" + good.substr(2), false}};
  for (const auto &c : cases) EXPECT_EQ(read_image(c.bytes, [](FILE *in, const char *) { return mcoff_identify(in); }), c.yes);
}

TEST_F(ForvaneCoff, TheReaderReadsAnObjectGpasmWrote) {
  if (!have_tool("gpasm")) GTEST_SKIP() << "gpasm (gputils) is not installed; bash scripts/deps installs it";
  write("t.asm",
        "\tlist p=18f452\n"
        "\tglobal start, counter\n"
        "vars\tudata 0x20\n"
        "counter\tres 2\n"
        "prog\tcode 0x200\n"
        "start\tmovlw 1\n"
        "\tmovwf counter\n"
        "\tgoto start\n"
        "\tend\n");
  run_result r = run_in(dir, "gpasm -c t.asm");
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  std::string image = read("t.o");
  capture_messages();
  ASSERT_TRUE(read_image(image));
  for (unsigned n : captured_numbers()) EXPECT_EQ(n, 638u);  // gpasm's own version stamp
  model_symbol *start = model_find_symbol("start");
  ASSERT_TRUE(start);
  EXPECT_STREQ(model_segment_at(start->segment)->name, "prog");
  EXPECT_EQ(model_segment_at(start->segment)->start, 0x200u);
  model_symbol *counter = model_find_symbol("counter");
  ASSERT_TRUE(counter);
  EXPECT_STREQ(model_segment_at(counter->segment)->name, "vars");
  model_data *code = nullptr;
  for (uint32_t k = 0; k < vec_size(model.data); k++)
    if (model_data_nth(k)->address == 0x200) code = model_data_nth(k);
  ASSERT_TRUE(code);
  EXPECT_EQ(code->length, 8u);
  EXPECT_EQ(code->bytes[0], 0x01);  // movlw 1
  EXPECT_EQ(code->bytes[1], 0x0E);
  // One line per instruction word, in t.asm.
  std::vector<uint32_t> lines;
  for (uint32_t k = 0; k < vec_size(model.lines); k++) {
    EXPECT_STREQ(model_file_at(model_line_nth(k)->file)->name, "t.asm");
    lines.push_back(model_line_nth(k)->line);
  }
  EXPECT_EQ(lines, (std::vector<uint32_t>{6, 7, 8, 8}));
}

// The symbol entries of a written image, auxiliary entries beside their
// symbols.
struct coff_symbol {
  uint32_t index;
  std::string name;
  uint32_t value;
  int section;
  uint32_t type;
  int cls;
  std::string aux;
};

std::vector<coff_symbol> symbols_of(const std::string &image) {
  std::vector<coff_symbol> out;
  size_t table = u32(image, 8), count = u32(image, 12), strings = table + 20 * count;
  for (size_t k = 0; k < count; k++) {
    size_t at = table + 20 * k;
    coff_symbol s;
    s.index = uint32_t(k);
    if (u32(image, at) == 0 && u32(image, at + 4))
      s.name = image.c_str() + strings + u32(image, at + 4);
    else
      s.name = std::string(image.data() + at, strnlen(image.data() + at, 8));
    s.value = u32(image, at + 8);
    s.section = int16_t(u16(image, at + 12));
    s.type = u32(image, at + 14);
    s.cls = uint8_t(image[at + 18]);
    int aux = uint8_t(image[at + 19]);
    if (aux) s.aux = image.substr(at + 20, 20);
    out.push_back(s);
    k += size_t(aux);
  }
  return out;
}

std::vector<coff_symbol> named(const std::vector<coff_symbol> &all, const std::string &name) {
  std::vector<coff_symbol> found;
  for (const coff_symbol &s : all)
    if (s.name == name) found.push_back(s);
  return found;
}

uint32_t aux32(const coff_symbol &s, size_t at) { return uint32_t(get32_le(bytes_of(s.aux) + at)); }
uint32_t aux16(const coff_symbol &s, size_t at) { return uint32_t(get16_le(bytes_of(s.aux) + at)); }

// A debug description as the code generator writes one: a source file
// that produces nothing, a structure used twice, an empty array, three bit
// variables (two at one address) and a function with a local.
const char debug_sdb[] = R"([p GLOBOPT SPEEDOPT ]
"1 a.c
"3 b.c
[s S1 point 4 `i 1 x 2 0 `i 1 y 2 2 ]
[v _pt `S1  1 e 4 0 ]
[v _pt2 `*S1  1 e 2 0 ]
[v _empty `[0]uc  1 e 0 0 ]
[v _flag0 `b  1 e 0 0 ]
[v _flag3 `b  1 e 0 0 ]
[v _dup `b  1 e 0 0 ]
"5
[v _f `(v  1 e 2 0 ]
{
[v _k `uc  1 a 1 0 ]
"6
} 0
)";

TEST_F(ForvaneCoff, DebugTreeEntries) {
  set_processor("18F452", {"452F", "PIC18"});
  set_classes({"CODE"});
  uint32_t code = model_add_segment("CODE", 0, 0, 0, 1);
  uint32_t ram = model_add_segment("RAM", 0, 0, 0, 2);
  uint32_t bss = model_add_segment("bss", 0, 0x200, 0, ram);
  std::vector<uint8_t> text(16, 0xFF);
  model_add_data(0x100, 16, text.data(), code);
  uint32_t sym = model_add_file("prog.sym");
  struct {
    const char *name;
    uint32_t value, segment;
  } symbols[] = {{"_f", 0x100, code},     {"__end_of_f", 0x108, code}, {"_pt", 0x10, bss},
                 {"_pt2", 0x14, bss},     {"_empty", 0x20, bss},       {"_flags", 0x30, bss},
                 {"_flag0", 0x180, bss},  {"_flag3", 0x183, bss},      {"_dup", 0x180, bss},
                 {"??_f", 0x40, bss}};
  for (const auto &s : symbols) model_add_symbol(s.name, s.value, s.segment, sym, 0);
  uint32_t b = model_add_file("b.c");
  model_add_line(5, 0x100, code, b, 0);
  model_add_line(6, 0x106, code, b, 0);
  ASSERT_TRUE(load_sdb("prog", debug_sdb));
  forvane_complete();
  capture_messages();
  std::string image = written();
  EXPECT_TRUE(captured_numbers().empty());
  std::vector<coff_symbol> all = symbols_of(image);

  // a.c produced nothing, so only b.c has a .file entry.
  std::vector<coff_symbol> files = named(all, ".file");
  ASSERT_EQ(files.size(), 1u);
  size_t strings = u32(image, 8) + 20 * size_t(u32(image, 12));
  EXPECT_STREQ(image.c_str() + strings + aux32(files[0], 0), "b.c");
  // One tag serves both uses of the structure.
  std::vector<coff_symbol> tags = named(all, "point");
  ASSERT_EQ(tags.size(), 1u);
  EXPECT_EQ(tags[0].cls, 10);
  std::vector<coff_symbol> pt = named(all, "_pt"), pt2 = named(all, "_pt2");
  ASSERT_EQ(pt.size(), 1u);
  ASSERT_EQ(pt2.size(), 1u);
  EXPECT_EQ(pt[0].type, 8u);
  EXPECT_EQ(pt2[0].type, 8u | 0x20u);
  EXPECT_EQ(aux32(pt[0], 0), tags[0].index);
  EXPECT_EQ(aux32(pt2[0], 0), tags[0].index);
  EXPECT_EQ(aux16(pt[0], 6), 4u);
  EXPECT_EQ(pt[0].cls, 2);
  EXPECT_EQ(pt[0].section, 3);  // ABS, RAM, bss
  // The empty array is neither a variable nor a label.
  EXPECT_TRUE(named(all, "_empty").empty());
  // Bits 0 and 3 of one byte, the first named twice, and a filler.
  std::vector<coff_symbol> both = named(all, "_dup/_flag0"), filler = named(all, "-"), three = named(all, "_flag3");
  ASSERT_EQ(both.size(), 1u);
  ASSERT_EQ(filler.size(), 1u);
  ASSERT_EQ(three.size(), 1u);
  EXPECT_EQ(both[0].value, 0u);
  EXPECT_EQ(filler[0].value, 1u);
  EXPECT_EQ(aux16(filler[0], 6), 2u);
  EXPECT_EQ(three[0].value, 3u);
  EXPECT_EQ(three[0].cls, 18);
  std::vector<coff_symbol> group = named(all, "__flagsbits");
  ASSERT_EQ(group.size(), 1u);
  EXPECT_EQ(group[0].value, 0x30u);
  EXPECT_TRUE(named(all, "_flag0").empty());
  // The function: .bf, the local, .ef at its end symbol less one.
  std::vector<coff_symbol> f = named(all, "_f"), ef = named(all, ".ef"), k = named(all, "_k");
  ASSERT_EQ(f.size(), 1u);
  ASSERT_EQ(ef.size(), 1u);
  ASSERT_EQ(k.size(), 1u);
  EXPECT_EQ(f[0].type, 1u | 0x40u);
  EXPECT_EQ(f[0].section, 4);  // the data block's section
  EXPECT_EQ(ef[0].value, 0x107u);
  EXPECT_EQ(aux16(ef[0], 4), 6u);
  EXPECT_EQ(k[0].value, 0x40u);
  EXPECT_EQ(k[0].cls, 3);
  EXPECT_TRUE(named(all, "__end_of_f").size() == 1u);  // as a label
  // Line 5 covers 0x100-0x105 in steps of two; line 6, the function's last,
  // its first instruction only.
  size_t text_section = section_at(3);
  ASSERT_EQ(section_name(image, 3), "_text0");
  ASSERT_EQ(u16(image, text_section + 34), 4u);
  size_t lines = u32(image, text_section + 28);
  const uint32_t addresses[] = {0x100, 0x102, 0x104, 0x106}, numbers[] = {5, 5, 5, 6};
  for (size_t n = 0; n < 4; n++) {
    size_t at = lines + 16 * n;
    EXPECT_EQ(u32(image, at), files[0].index);
    EXPECT_EQ(u16(image, at + 4), numbers[n]);
    EXPECT_EQ(u32(image, at + 6), addresses[n]);
    EXPECT_EQ(u32(image, at + 12), f[0].index);
  }
  if (!have_tool("gpvo")) GTEST_SKIP() << "gpvo (gputils) is not installed; bash scripts/deps installs it";
  write("prog.cof", image);
  run_result r = run_in(dir, "gpvo prog.cof");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
}

}  // namespace
