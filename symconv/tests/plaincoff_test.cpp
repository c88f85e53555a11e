// Plain COFF: the target a write chooses, the entries of the debug tree
// in each target's layout, and the dump of a small file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/alloc.h"
#include "symconv/coff.h"
#include "symconv/encdec.h"
#include "symconv/tests/forvane_fixture.h"

namespace {

using ForvanePlainCoff = ForvaneTest;

std::string written() {
  return stream_text([&](FILE *out) { coff_write(out, "out.cof"); });
}

std::string dumped(const std::string &bytes) {
  return stream_text([&](FILE *out) {
    FILE *saved = stdout;
    stdout = out;
    FILE *in = fmemopen(const_cast<char *>(bytes.data()), bytes.size(), "rb");
    EXPECT_TRUE(coff_dump(in));
    fclose(in);
    fflush(out);
    stdout = saved;
  });
}

bool identified(const std::string &bytes) {
  FILE *in = fmemopen(const_cast<char *>(bytes.data()), bytes.size(), "rb");
  bool ok = coff_identify(in);
  fclose(in);
  return ok;
}

void set_processor(const char *name, const char *second = nullptr) {
  settings.processor = str_dup(name);
  if (second) settings.extra_names[settings.extra_count++] = str_dup(second);
  settings.classes[settings.class_count++] = str_dup("CODE");
}

const uint8_t *bytes_of(const std::string &image) { return reinterpret_cast<const uint8_t *>(image.data()); }

// One symbol entry and, when it has one, its auxiliary entry.
struct entry {
  uint32_t index;
  std::string name;
  uint32_t value;
  int section, cls, aux_count;
  const uint8_t *aux;
};

std::vector<entry> entries_of(const std::string &image) {
  const uint8_t *p = bytes_of(image);
  uint32_t offset = uint32_t(get32(p + 8)), count = uint32_t(get32(p + 12));
  std::vector<entry> all;
  for (uint32_t k = 0; k < count; k++) {
    const uint8_t *e = p + offset + 18 * k;
    std::string name(reinterpret_cast<const char *>(e), strnlen(reinterpret_cast<const char *>(e), 8));
    if (get32(e) == 0) name = image.c_str() + offset + 18 * count + get32(e + 4);
    all.push_back({k, name, uint32_t(get32(e + 8)), int16_t(get16(e + 12)), e[16], e[17], e[17] ? e + 18 : nullptr});
    k += e[17];
  }
  return all;
}

const entry *find(const std::vector<entry> &all, const std::string &name, int nth = 0) {
  for (const entry &e : all)
    if (e.name == name && nth-- == 0) return &e;
  return nullptr;
}

// A function of two lines and a local in a block, a global and a
// structure, in the code generator's words.
const char prog_sdb[] = R"([p GLOBOPT ]
"1 prog.c
[s S1 point 4 `i 1 x 2 0 `i 1 y 2 2 ]
[v _pt `S1  1 e 4 0 ]
"5
[v _f `(v  1 e 2 0 ]
{
"6
{
[v _k `uc  1 s 1 0 ]
"7
}
"8
} 0
)";

void prog_model() {
  uint32_t code = model_add_segment("CODE", 0x100, 0x10, 0x100, 0);
  uint32_t data = model_add_segment("DATA", 0x20, 0x10, 0x20, 2);
  const uint8_t bytes[] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};
  model_add_data(0x100, sizeof bytes, bytes, code);
  uint32_t prog = model_add_file("prog.c");
  model_add_symbol("_f", 0x100, code, prog, 0);
  model_add_symbol("_pt", 0x20, data, prog, 0);
  model_add_symbol("_k", 0x24, data, prog, MSYM_LOCAL);
  model_add_symbol("start", 0x104, code, prog, 0);
  model_add_line(6, 0x100, code, prog, 0);
  model_add_line(7, 0x102, code, prog, 0);
  model_add_line(9, 0x104, code, prog, 0);
}

TEST_F(ForvanePlainCoff, TheDumpOfASmallFile) {
  set_processor("8051", "H8/300");
  prog_model();
  ASSERT_TRUE(load_sdb("prog", prog_sdb));
  forvane_complete();
  std::string image = written();
  ASSERT_FALSE(image.empty());
  memset(image.data() + 4, 0, 4);
  setenv("TZ", "UTC", 1);
  tzset();
  settings.verbosity = 2;
  // Checked by hand: offsets from the sizes (20-byte header, 40 a
  // section, 6 data bytes, 8 a line, 18 an entry), the block's end index
  // past its .eb, .ef before line 9, the labels left.
  EXPECT_EQ(dumped(image),
            "COFF header:\n"
            "\tMagic:\t\t0x8300 (Hitachi H8/300)\n"
            "\tSections:\t2\n"
            "\tDated:\t\tThu Jan  1 00:00:00 1970\n"
            "\tSymptr:\t\t0x82\n"
            "\tNsyms:\t\t21\n"
            "\tOpthdr:\t\t0\n"
            "\tFlags:\t\t0x203 Stripped Executable 32 bit big endian\n"
            "\n"
            "Section 1: DATA: @20 scnptr 0x0 relptr 0x0 lnnoptr 0x0"
            " size 0x10 lines 0 relocs 0 flags 0x80 ( bss )\n"
            "Section 2: _text0: @100 scnptr 0x64 relptr 0x0 lnnoptr 0x6A"
            " size 0x6 lines 3 relocs 0 flags 0x20 ( text )\n"
            "\n"
            "String table: 4 bytes, file offset 0x1FC\n"
            "Symbol table:\n"
            "    0: (130)\t               file name 1 0[1]\tprog.c [0]\n"
            "    2: (166)\t           structure tag 1 0[1]\tpoint: tag 0, size 4, index 7\n"
            "    4: (202)\t     member of structure 0 2[1]\tx = 0: short\n"
            "    5: (220)\t     member of structure 0 2[1]\ty = 2: short\n"
            "    6: (238)\t        end of structure 1 0[1]\t.eos: tag 2, size 4, index 0\n"
            "    8: (274)\t         external symbol 1 4[1]\t_pt = 20: DATA struct [4]\n"
            "   10: (310)\t         external symbol 0 0[1]\t_f = 100: _text0 function returning void\n"
            "   11: (328)\t              .bf or .ef 1 0[1]\t.bf = 100: (abs): line 5, index 0\n"
            "   13: (364)\t              .bb or .eb 1 0[1]\t.bb = 0: (abs): line 6, index 18\n"
            "   15: (400)\t                  static 0 1[1]\t_k = 24: DATA uchar\n"
            "   16: (418)\t              .bb or .eb 1 0[1]\t.eb = 0: (abs): line 7, index 0\n"
            "   18: (454)\t              .bf or .ef 1 0[1]\t.ef = 103: (abs): line 8, index 0\n"
            "   20: (490)\t                   label 0 0[1]\tstart = 104: (abs) null\n"
            "Section 2 line numbers: 3, file offset 0x6A\n"
            "Symbol: _f (10)\n"
            "00006:\t100\n"
            "00007:\t102\n");
}

// The second field of -p, or the name, chooses the first row that holds
// it; the row gives the magic, the byte order and the line entry's size.
TEST_F(ForvanePlainCoff, TheProcessorChoosesTheTarget) {
  struct {
    const char *name, *second;
    uint8_t first, second_byte;
    uint32_t line_size;
  } cases[] = {
      {"18F452", "PIC18", 0x34, 0x12, 8},  {"x", "H8/300H", 0x83, 0x01, 8}, {"x", "H8/300", 0x83, 0x00, 8},
      {"Motorola 68K", nullptr, 0x01, 0x50, 6}, {"x", "pic30", 0x36, 0x12, 8},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.second ? c.second : c.name);
    forvane_reset();
    model_init();
    set_processor(c.name, c.second);
    uint32_t code = model_add_segment("CODE", 0, 0x10, 0, 0);
    const uint8_t bytes[] = {1, 2, 3, 4};
    model_add_data(0, 4, bytes, code);
    forvane_complete();
    capture_messages();
    std::string image = written();
    EXPECT_TRUE(captured_numbers().empty());
    ASSERT_GE(image.size(), 20u);
    EXPECT_EQ(bytes_of(image)[0], c.first);
    EXPECT_EQ(bytes_of(image)[1], c.second_byte);
    // Stripped and executable, with the row's byte-order flag.
    uint32_t flags = c.first == 0x34 || c.first == 0x36 ? 0x103 : 0x203;
    EXPECT_EQ(uint32_t(get16(bytes_of(image) + 18)), flags);
    EXPECT_TRUE(identified(image));
  }
  for (const char *name : {"18F452", ""}) {
    forvane_reset();
    model_init();
    set_processor(name);
    capture_messages();
    EXPECT_TRUE(written().empty());
    EXPECT_EQ(captured_numbers(), std::vector<unsigned>{601});
  }
  EXPECT_FALSE(identified(std::string(20, '\0')));
}

// The tree's entries: the global and its structure tag, the function with
// .bf, .ef and its block, the labels left; the lines of the function
// after an entry naming its symbol.
TEST_F(ForvanePlainCoff, DebugTreeEntriesAndLines) {
  set_processor("8051", "H8/300");
  prog_model();
  ASSERT_TRUE(load_sdb("prog", prog_sdb));
  forvane_complete();
  std::string image = written();
  std::vector<entry> all = entries_of(image);
  const entry *file = find(all, ".file"), *tag = find(all, "point"), *pt = find(all, "_pt"), *f = find(all, "_f");
  const entry *bf = find(all, ".bf"), *ef = find(all, ".ef"), *bb = find(all, ".bb"), *eb = find(all, ".eb");
  const entry *k = find(all, "_k"), *start = find(all, "start");
  for (const entry *e : {file, tag, pt, f, bf, ef, bb, eb, k, start}) ASSERT_TRUE(e);
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(file->aux)), "prog.c");
  EXPECT_EQ(tag->section, -2);
  EXPECT_EQ(get32(pt->aux), tag->index);
  EXPECT_EQ(pt->cls, 2);
  EXPECT_EQ(f->cls, 2);
  EXPECT_EQ(f->section, 2);  // DATA, then the data block
  EXPECT_EQ(bf->value, 0x100u);
  EXPECT_EQ(bf->section, -2);
  // The end line 8 has no code: the line after it ends the function.
  EXPECT_EQ(ef->value, 0x103u);
  EXPECT_EQ(get16(ef->aux + 4), 8u);
  // A block's end index names the entry after its .eb.
  EXPECT_EQ(get32(bb->aux + 12), eb->index + 2);
  EXPECT_EQ(k->cls, 3);
  EXPECT_EQ(start->cls, 6);
  EXPECT_EQ(start->section, -1);
  // 8-byte line entries: the function's symbol, then lines 6 and 7.
  const uint8_t *p = bytes_of(image);
  const uint8_t *text = p + 20 + 40;
  ASSERT_EQ(get16(text + 34), 3u);
  const uint8_t *lines = p + get32(text + 28);
  const uint32_t expected[][2] = {{f->index, 0}, {0x100, 6}, {0x102, 7}};
  for (int n = 0; n < 3; n++) {
    EXPECT_EQ(get32(lines + 8 * n), expected[n][0]) << n;
    EXPECT_EQ(get32(lines + 8 * n + 4), expected[n][1]) << n;
  }
}

// On a dsPIC row each function's .bf is followed by ___FP, a line number
// seen twice keeps its lower address, and a function whose lines never
// reach its end line ends one unit past its start.
TEST_F(ForvanePlainCoff, DspicFunctions) {
  set_processor("30F4011", "PIC30");
  uint32_t code = model_add_segment("CODE", 0, 0x100, 0, 0);
  std::vector<uint8_t> bytes(0x40, 0);
  model_add_data(0, uint32_t(bytes.size()), bytes.data(), code);
  uint32_t prog = model_add_file("prog.c");
  model_add_symbol("_f", 0x10, code, prog, 0);
  model_add_line(6, 0x14, code, prog, 0);
  model_add_line(6, 0x10, code, prog, 0);
  model_add_line(7, 0x16, code, prog, 0);
  ASSERT_TRUE(load_sdb("prog", "[p ]\n\"1 prog.c\n\"5\n[v _f `(v  1 e 2 0 ]\n{\n\"6\n\"9\n} 0\n"));
  forvane_complete();
  std::string image = written();
  std::vector<entry> all = entries_of(image);
  const entry *bf = find(all, ".bf"), *fp = find(all, "___FP"), *ef = find(all, ".ef");
  ASSERT_TRUE(bf && fp && ef);
  EXPECT_EQ(fp->index, bf->index + 2);
  EXPECT_EQ(fp->value, 15u);
  EXPECT_EQ(ef->value, 0x12u);
  const uint8_t *p = bytes_of(image);
  const uint8_t *text = p + 20;
  ASSERT_EQ(get16(text + 34), 3u);
  const uint8_t *lines = p + get32(text + 28);
  EXPECT_EQ(get32(lines + 8), 0x10u);
  EXPECT_EQ(get32(lines + 12), 6u);
  EXPECT_EQ(get32(lines + 16), 0x16u);
}

}  // namespace
