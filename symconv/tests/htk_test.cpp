// Holtek DBG and TSK files and extended OMF-51 modules: the dump of what
// the writer writes, the records' checks and the edge cases of each.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/alloc.h"
#include "common/vector.h"
#include "symconv/eomf51.h"
#include "symconv/htk.h"
#include "symconv/tests/forvane_fixture.h"

namespace {

using ForvaneHoltek = ForvaneTest;

std::string dumped(bool (*dump)(FILE *), const std::string &bytes) {
  return stream_text([&](FILE *out) {
    FILE *saved = stdout;
    stdout = out;
    FILE *in = fmemopen(const_cast<char *>(bytes.data()), bytes.size(), "rb");
    EXPECT_TRUE(dump(in));
    fclose(in);
    fflush(out);
    stdout = saved;
  });
}

bool run_on(bool (*op)(FILE *, const char *), const std::string &bytes) {
  FILE *in = fmemopen(const_cast<char *>(bytes.data()), bytes.size(), "rb");
  bool ok = op(in, "in");
  fclose(in);
  return ok;
}

bool check(bool (*op)(FILE *), const std::string &bytes) {
  FILE *in = fmemopen(const_cast<char *>(bytes.data()), bytes.size(), "rb");
  bool ok = op(in);
  fclose(in);
  return ok;
}

// A function with two lines, a static and a global, in a RAM segment.
const char prog_sdb[] = R"([p GLOBOPT ]
"1 prog.c
"3
[v _main `(v  1 e 2 0 ]
{
[v _i `uc  1 a 1 0 ]
"4
} 0
[v _count `uc  1 s 1 0 ]
[v _total `i  1 e 2 0 ]
)";

void prog_model() {
  uint32_t code = model_add_segment("CODE", 0, 0x100, 0, 0);
  uint32_t ram = model_add_segment("RAM", 0x40, 0x40, 0x40, 2);
  const uint8_t bytes[] = {0x0F, 0x28, 0x00, 0x07};
  model_add_data(0x10, sizeof bytes, bytes, code);
  uint32_t sym = model_add_file("prog.sym");
  model_add_symbol("_main", 0x10, code, sym, 0);
  model_add_symbol("_count", 0x42, ram, sym, 0);
  model_add_symbol("_total", 0x44, ram, sym, 0);
  model_add_symbol("??_main", 0x46, ram, sym, 0);
  model_add_symbol("start", 0x12, code, sym, 0);
  uint32_t prog = model_add_file("prog.c");
  model_add_line(3, 0x10, code, prog, 0);
  model_add_line(4, 0x12, code, prog, 0);
}

std::string written(bool (*write)(FILE *, const char *)) {
  return stream_text([&](FILE *out) { EXPECT_TRUE(write(out, "prog.dbg")); });
}

TEST_F(ForvaneHoltek, TheDumpOfWhatTheWriterWrites) {
  settings.processor = str_dup("HT46R47");
  prog_model();
  ASSERT_TRUE(load_sdb("prog", prog_sdb));
  forvane_complete();
  std::string image = written(htk_write);
  // Checked by hand: record offsets and lengths, DATA for what lies in RAM,
  // the labels left in file 0, the symbol numbers of each scope.
  EXPECT_EQ(dumped(htk_dump, image),
            "Holtek DBG file dump:\n"
            "@0000     Debug header, len   2: Header: \n"
            "@0006       File names, len   7: \n"
            "File: 'prog.c'\n"
            "@0015      Symbol info, len  11: File index = 1, Section = CODE\n"
            "\t\t           _main = 0010, type = far label\n"
            "@0024      Symbol info, len  25: File index = 1, Section = DATA\n"
            "\t\t               i = 0046, type = byte\n"
            "\t\t           count = 0042, type = byte\n"
            "\t\t           total = 0044, type = word\n"
            "@0041      Symbol info, len  22: File index = 0, Section = CODE\n"
            "\t\t         ??_main = 0046, type = far label\n"
            "\t\t           start = 0012, type = far label\n"
            "@005B Line number info, len  10: File = prog.c, Section = CODE\n"
            "\tLine    3 =  = 0010\n"
            "\tLine    4 =  = 0012\n"
            "@0069     C scope info, len  12: Block ID = 1, Parent ID = 1, Line range = prog.c:3-3\n"
            "           _main (1)           _main(1)\n"
            "           count (3)           count(3)\n"
            "           total (4)           total(4)\n"
            "@0079     C scope info, len   8: Block ID = 2, Parent ID = 1, Line range = prog.c:3-3\n"
            "               i (2)               i(2)\n"
            "@0085         File end, len   0: \n");
}

// The writer's prefix after the header is read past; a changed byte in
// a record's body is a bad sum; a file index of 200 takes two bytes.
TEST_F(ForvaneHoltek, RecordsAndTheirChecks) {
  uint32_t code = model_add_segment("CODE", 0, 0x100, 0, 0);
  for (uint32_t k = 1; k <= 200; k++) {
    uint32_t file = model_add_file(("f" + std::to_string(k) + ".c").c_str());
    model_add_symbol(k == 200 ? "last" : "s", k, code, file, 0);
  }
  forvane_complete();
  std::string image = written(htk_write);
  ASSERT_GT(image.size(), 12u);
  EXPECT_EQ(image.substr(6, 4), std::string("\xCB\x55\x55\x00", 4));
  EXPECT_TRUE(check(htk_identify, image));
  EXPECT_NE(image.find(std::string("\x80\xC8\x01\x04last", 8)), std::string::npos);
  forvane_reset();
  model_init();
  capture_messages();
  EXPECT_TRUE(run_on(htk_read, image));
  forvane_complete();
  EXPECT_TRUE(captured_numbers().empty());
  ASSERT_TRUE(model_find_symbol("last"));
  EXPECT_STREQ(model_file_at(model_find_symbol("last")->file)->name, "f200.c");
  std::string bad = image;
  bad[14] ^= 1;  // inside the file names
  forvane_reset();
  model_init();
  capture_messages();
  EXPECT_TRUE(run_on(htk_read, bad));
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{1040});
  EXPECT_FALSE(check(htk_identify, std::string("\x4A\x02\x00\x01\x00", 5)));
}

// A header of 32 bytes and 600 data bytes: three blocks from 0.
TEST_F(ForvaneHoltek, TskImages) {
  std::string image = std::string("HLV1.0  ", 8) + std::string("\x20\0\0\0\x58\x02\0\0", 8) +
                      std::string("HT46R47", 7) + std::string(9, '\0');
  for (int k = 0; k < 600; k++) image += char(k);
  EXPECT_TRUE(check(tsk_identify, image));
  EXPECT_TRUE(run_on(tsk_read, image));
  ASSERT_EQ(vec_size(model.data), 3u);
  const uint32_t at[] = {0, 256, 512}, length[] = {256, 256, 88};
  for (uint32_t k = 0; k < 3; k++) {
    EXPECT_EQ(model_data_nth(k)->address, at[k]);
    EXPECT_EQ(model_data_nth(k)->length, length[k]);
  }
  EXPECT_EQ(dumped(tsk_dump, image), "Holtek TSK file dump:\nversion = V1.0  ; data start = 0x20; length = 0x258\nMCU = HT46R47\n");
  EXPECT_FALSE(run_on(tsk_read, image.substr(0, 100)));
  EXPECT_FALSE(check(tsk_identify, "HL"));
}

}  // namespace

namespace {

using ForvaneExtendedOmf = ForvaneTest;

// Two pointers to one structure in one record share its entries; the
// structure points to itself; a function with its lines.
const char module_sdb[] = R"([p GLOBOPT ]
"1 main.c
[s S1 node 4 `*S1 1 next 2 0 `i 1 v 2 2 ]
[v _a `*S1  1 e 2 0 ]
[v _b `*S1  1 e 2 0 ]
"3
[v _main `(v  1 e 2 0 ]
{
"4
} 0
)";

TEST_F(ForvaneExtendedOmf, TheDumpOfAScopedModule) {
  settings.processor = str_dup("8051");
  uint32_t code = model_add_segment("CODE", 0, 0x100, 0, 0);
  uint32_t data = model_add_segment("DATA", 0x20, 0x20, 0x20, 2);
  const uint8_t bytes[] = {0x75, 0x20, 0x00, 0x22};
  model_add_data(0x10, sizeof bytes, bytes, code);
  uint32_t file = model_add_file("main.c");
  model_add_symbol("_main", 0x10, code, file, 0);
  model_add_symbol("_a", 0x20, data, file, 0);
  model_add_symbol("_b", 0x22, data, file, 0);
  model_add_symbol("start", 0x13, code, file, 0);
  model_add_line(3, 0x10, code, file, 0);
  model_add_line(4, 0x13, code, file, 0);
  ASSERT_TRUE(load_sdb("main", module_sdb));
  forvane_complete();
  capture_messages();
  std::string image = stream_text([](FILE *out) { EXPECT_TRUE(eomf51_write(out, "prog.abs")); });
  EXPECT_TRUE(captured_numbers().empty());
  EXPECT_TRUE(check(eomf51_identify, std::string("\x70\x01\x00\x8F", 4) + image));
  EXPECT_FALSE(check(eomf51_identify, image.substr(image.find('\x06'))));
  // Checked by hand: a and b share one pointer entry; the structure's own
  // pointer says typeless; the function's content before its lines, the
  // rest at the end, no byte twice.
  EXPECT_EQ(dumped(eomf51_dump, image),
            "Extended OMF-51 file dump:\n"
            "\n"
            "@0000    Module header, len   8: Name: 'PROG'; TRN ID = 0xFF\n"
            "@000B        Scope Def, len   7: Module block; Name = 'MAIN'\n"
            "@0015 Source file name, len  11: Flags: 0 Name: 'MAIN.C'\n"
            "@0023     Keil typedef, len  50: \n"
            "                           0x20 = tag node\n"
            "                           0x21 = Pointer to typeless size 2  (1 2 0 1 0 0 0 )\n"
            "                           0x22 = 2 params (type(0x21) next offs 0/0, signed int v offs 2/0)\n"
            "                           0x23 = struct size 4 membs type(0x22) tag 0x20\n"
            "                           0x24 = Pointer to type(0x23) size 2  (1 2 0 1 0 0 0 )\n"
            "                           0x25 = Function returning void no parms\n"
            "@0058  Keil Debug Item, len  26: Public symbols\n"
            "\t\tSEG 0, VAR DATA Typedef(24) offset 0x0020: a\n"
            "\t\tSEG 0, VAR DATA Typedef(24) offset 0x0022: b\n"
            "\t\tSEG 0, FUNC CODE Typedef(25) offset 0x0010: main\n"
            "@0075        Scope Def, len   7: Procedure block; Name = 'MAIN'\n"
            "@007F        Scope Def, len   3: Do block; Name = ''\n"
            "@0085          Content, len   7: Seg id 0, offset = 0x0010, 3 bytes; 75 20 00 \n"
            "@008F       Debug Item, len  12: Line numbers\n"
            "\t\tSEG 0, offset 0x0010, line 3\n"
            "\t\tSEG 0, offset 0x0013, line 4\n"
            "@009E        Scope Def, len   3: Do block end; Name = ''\n"
            "@00A4        Scope Def, len   7: Procedure block end; Name = 'MAIN'\n"
            "@00AE        Scope Def, len   7: Module block end; Name = 'MAIN'\n"
            "@00B8       Debug Item, len  13: Public symbols\n"
            "\t\tSEG 0, FUNC CODE typeless offset 0x0013: start\n"
            "@00C8          Content, len   5: Seg id 0, offset = 0x0013, 1 bytes; 22 \n"
            "@00D0       Module END, len  10: Name: 'PROG'; REG MSK = 0x0F\n");
}

}  // namespace
