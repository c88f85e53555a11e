// The debugger formats that carry the model itself: what each writer
// writes, its reader reads back to the same model (those that write from
// the debug description with one beside the model); the ICOFF layout and
// dump on a small model.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/vector.h"
#include "common/alloc.h"
#include "symconv/coff.h"
#include "symconv/encdec.h"
#include "symconv/eomf51.h"
#include "symconv/htk.h"
#include "symconv/icoff.h"
#include "symconv/omf51.h"
#include "symconv/pe.h"
#include "symconv/tests/forvane_fixture.h"

namespace {

using ForvaneRoundTrip = ForvaneTest;

// What a format keeps of the model besides names, values, data and lines.
enum keeps : unsigned {
  KEEPS_SEGMENTS = 1,  // the segments themselves, and those of data and lines
  KEEPS_SYMBOL_SEGMENTS = 2,
  KEEPS_FLAGS = 4,
  KEEPS_DATA = 8,
};

struct format_ops {
  const char *key;
  unsigned keeps;
  const char *processor;  // -p with the debug description; null for none
  bool (*identify)(FILE *);
  bool (*read)(FILE *, const char *);
  bool (*write)(FILE *, const char *);
  bool (*dump)(FILE *);
};

const format_ops formats[] = {
    {"icoff", KEEPS_SEGMENTS | KEEPS_SYMBOL_SEGMENTS | KEEPS_FLAGS | KEEPS_DATA, nullptr, icoff_identify, icoff_read,
     icoff_write, icoff_dump},
    {"omf51", KEEPS_SYMBOL_SEGMENTS | KEEPS_FLAGS | KEEPS_DATA, nullptr, omf51_identify, omf51_read, omf51_write,
     omf51_dump},
    {"pe", 0, nullptr, pe_identify, pe_read, pe_write, nullptr},
    {"coff", KEEPS_DATA, "8051,H8/300", coff_identify, coff_read, coff_write, coff_dump},
    {"coff-m68k", KEEPS_DATA, "8051,68K", coff_identify, coff_read, coff_write, coff_dump},
    {"eomf51", KEEPS_SYMBOL_SEGMENTS | KEEPS_FLAGS | KEEPS_DATA, "8051", eomf51_identify, eomf51_read, eomf51_write,
     eomf51_dump},
    {"eomf51-plain", KEEPS_SYMBOL_SEGMENTS | KEEPS_FLAGS | KEEPS_DATA, nullptr, eomf51_identify, eomf51_read,
     eomf51_write, eomf51_dump},
    {"htk", 0, "8051", htk_identify, htk_read, htk_write, htk_dump},
};

const char *segment_name(uint32_t index) {
  const model_segment *s = model_segment_at(index);
  return s ? s->name : "-";
}

const char *file_name(uint32_t index) {
  const model_file *f = model_file_at(index);
  return f ? f->name : "-";
}

std::string sorted_rows(std::vector<std::string> rows) {
  std::sort(rows.begin(), rows.end());
  std::string text;
  for (const std::string &r : rows) text += r;
  return text;
}

// Segments, then data, symbols with their files and lines with theirs,
// each sorted, as text: a reader need not keep the model's order.
std::string model_text(unsigned keeps) {
  std::string text;
  char row[256];
  const bool segments = keeps & KEEPS_SEGMENTS;
  for (uint32_t k = 0; segments && k < vec_size(model.segments); k++) {
    const model_segment *s = model_segment_at(k + 1);
    snprintf(row, sizeof row, "segment %s %X %X\n", s->name, s->start, s->size);
    text += row;
  }
  std::vector<std::string> blocks, symbols, lines;
  for (uint32_t k = 0; (keeps & KEEPS_DATA) && k < vec_size(model.data); k++) {
    const model_data *d = model_data_nth(k);
    snprintf(row, sizeof row, "data %08X %u seg %s:", d->address, d->length, segments ? segment_name(d->segment) : "");
    std::string block = row;
    for (uint32_t j = 0; j < d->length; j++) block += " " + std::to_string(d->bytes[j]);
    blocks.push_back(block + "\n");
  }
  for (uint32_t k = 0; k < vec_size(model.symbols); k++) {
    const model_symbol *s = model_symbol_nth(k);
    snprintf(row, sizeof row, "symbol %s %X seg %s flags %X file %s\n", s->name, s->value,
             (keeps & KEEPS_SYMBOL_SEGMENTS) ? segment_name(s->segment) : "", (keeps & KEEPS_FLAGS) ? s->flags : 0,
             file_name(s->file));
    symbols.push_back(row);
  }
  for (uint32_t k = 0; k < vec_size(model.lines); k++) {
    const model_line *l = model_line_nth(k);
    snprintf(row, sizeof row, "line %5u %X seg %s file %s\n", l->line, l->start, segments ? segment_name(l->segment) : "",
             file_name(l->file));
    lines.push_back(row);
  }
  return text + sorted_rows(blocks) + sorted_rows(symbols) + sorted_rows(lines);
}

// What every format carries: names as OMF-51 writes them (upper case, no
// extension), segments named as OMF-51 knows them, functions in CODE.
void round_trip_model() {
  uint32_t code = model_add_segment("CODE", 0x100, 8, 0x100, 0);
  model_add_segment("XDATA", 0x200, 0x10, 0x200, 1);
  uint32_t data = model_add_segment("DATA", 0x20, 4, 0x20, 2);
  model_add_segment("IDATA", 0x80, 0x10, 0x80, 3);
  model_add_segment("BIT", 0, 0x10, 0, 4);
  const uint8_t bytes[] = {1, 2, 3, 4, 5, 6, 7, 8};
  model_add_data(0x100, 8, bytes, code);
  model_add_data(0x20, 4, bytes, data);
  uint32_t main_c = model_add_file("MAIN");
  uint32_t util_c = model_add_file("UTIL");
  model_add_file("EMPTY");
  model_add_symbol("MAIN", 0x100, code, main_c, 0x4);
  model_add_symbol("COUNT", 0x20, data, main_c, MSYM_LOCAL);
  model_add_symbol("UTIL", 0x104, code, util_c, 0x4);
  model_add_symbol("TOTAL", 0x22, data, util_c, 0);
  model_add_line(3, 0x100, code, main_c, 0);
  model_add_line(4, 0x102, code, main_c, 0);
  model_add_line(7, 0x104, code, util_c, 0);
}

// The debug description of the round-trip model, one object per file:
// the functions with their lines, a static and a global.
const char main_sdb[] = R"([p GLOBOPT ]
"1 MAIN
"3
[v MAIN `(v  1 e 2 0 ]
{
"4
} 0
[v COUNT `uc  1 s 1 0 ]
)";
const char util_sdb[] = R"([p GLOBOPT ]
"1 UTIL
"7
[v UTIL `(v  1 e 2 0 ]
{
"7
} 0
[v TOTAL `uc  1 e 1 0 ]
)";

// The model of the round trip, with its description when the format
// writes from one.
void round_trip_setup(const format_ops &f) {
  round_trip_model();
  if (!f.processor) return;
  std::string list = f.processor;
  size_t comma = list.find(',');
  settings.processor = str_dup(list.substr(0, comma).c_str());
  if (comma != std::string::npos) settings.extra_names[settings.extra_count++] = str_dup(list.substr(comma + 1).c_str());
  settings.classes[settings.class_count++] = str_dup("CODE");
  // The test runs in its scratch folder.
  for (const char *name : {"MAIN", "UTIL"}) {
    write_file(std::string(name) + ".sdb", name[0] == 'M' ? main_sdb : util_sdb);
    ASSERT_TRUE(sdb_load((std::string(name) + ".obj").c_str()));
  }
}

// The text segment's data can be shorter than the segment, as in the
// layout test; what is read back is then padded to the segment.
void sample_model(bool short_text = false) {
  uint32_t text = model_add_segment("text", 0x100, 8, 0x100, 0);
  uint32_t data = model_add_segment("data", 0x20, 4, 0x20, 1);
  model_add_segment("bss", 0x40, 0x10, 0x40, 1);
  const uint8_t code[] = {1, 2, 3, 4, 5, 6, 7, 8};
  model_add_data(0x100, short_text ? 6 : 8, code, text);
  const uint8_t init[] = {9, 8, 7, 6};
  model_add_data(0x20, 4, init, data);
  uint32_t main_c = model_add_file("main.c");
  uint32_t util_c = model_add_file("util.c");
  model_add_file("empty.c");
  model_add_symbol("main", 0x100, text, main_c, 0x4);
  model_add_symbol("count", 0x20, data, main_c, MSYM_LOCAL);
  model_add_symbol("util.c", 0x104, text, util_c, 0);  // shares its name's string
  model_add_symbol("PORTA", 0xF80, 0, util_c, MSYM_ABSOLUTE);
  model_add_line(3, 0x100, text, main_c, 0);
  model_add_line(4, 0x102, text, main_c, 0);
  model_add_line(7, 0x104, text, util_c, 0);
}

std::string written(const format_ops &f) {
  return stream_text([&](FILE *out) { EXPECT_TRUE(f.write(out, "out")); });
}

bool read_back(const format_ops &f, const std::string &image) {
  FILE *in = fmemopen(const_cast<char *>(image.data()), image.size(), "rb");
  bool ok = f.identify(in) && !fseek(in, 0, SEEK_SET) && f.read(in, "in");
  fclose(in);
  return ok;
}

std::string dumped(const format_ops &f, const std::string &image) {
  return stream_text([&](FILE *out) {
    FILE *saved = stdout;
    stdout = out;
    FILE *in = fmemopen(const_cast<char *>(image.data()), image.size(), "rb");
    EXPECT_TRUE(f.dump(in));
    fclose(in);
    fflush(out);
    stdout = saved;
  });
}

TEST_F(ForvaneRoundTrip, WhatEachWriterWritesReadsBackToTheSameModel) {
  for (const format_ops &f : formats) {
    SCOPED_TRACE(f.key);
    forvane_reset();
    model_init();
    round_trip_setup(f);
    forvane_complete();
    std::string before = model_text(f.keeps);
    std::string image = written(f);
    ASSERT_FALSE(image.empty());
    forvane_reset();
    model_init();
    ASSERT_TRUE(read_back(f, image));
    forvane_complete();
    EXPECT_EQ(model_text(f.keeps), before);
    EXPECT_TRUE(captured_numbers().empty());
  }
}

TEST_F(ForvaneRoundTrip, IcoffLayoutAndDump) {
  sample_model(true);
  forvane_complete();
  std::string image = written(formats[0]);
  const uint8_t *p = reinterpret_cast<const uint8_t *>(image.data());
  EXPECT_EQ(p[0], 0x01);
  EXPECT_EQ(p[1], 0x81);
  // The text segment keeps all of its 8 bytes in the data area.
  uint32_t text_data = uint32_t(get32_be(p + 20 + 20));
  uint32_t data_data = uint32_t(get32_be(p + 20 + 40 + 20));
  EXPECT_EQ(text_data, 20u + 3 * 40);
  EXPECT_EQ(data_data, text_data + 8);
  // Zero the time stamp so that the date is that of the epoch.
  memset(image.data() + 4, 0, 4);
  setenv("TZ", "UTC", 1);
  tzset();
  settings.verbosity = 2;
  EXPECT_EQ(dumped(formats[0], image),
            "COFF header:\n\tMagic:\t0601\n\tSections:\t3\n\tDated:\tThu Jan  1 00:00:00 1970\n"
            "\tSymptr:\tB6\n\tNsyms:\t6\n\tOpthdr:\t0\n\tFlags:\t0x1003 Stripped Executable New style syms\n"
            "Section 1: text: @100 size 8 lines 5 flags 4020\n"
            "Section 2: data: @20 size 4 lines 0 flags 4040\n"
            "Section 3: bss: @40 size 10 lines 0 flags 4080\n"
            "String table: 40 bytes\n"
            "    1:\tPORTA\n    7:\tcount\n   13:\tempty.c\n   21:\tmain\n   26:\tmain.c\n   33:\tutil.c\n"
            "    0:    26:\t          file name \tmain.c\n"
            // Type 28 has base 12, which has no name.
            "    1:    21:\t      global symbol \tmain = 100:text ??type function begin\n"
            "    2:     7:\t  non-global symbol \tcount = 20:data \n"
            "    3:    33:\t          file name \tutil.c\n"
            "    4:    33:\t      global symbol \tutil.c = 104:text \n"
            "    5:     1:\t      global symbol \tPORTA = F80:(abs) \n"
            "Section 1 line numbers:\n");
}

// In every section the first line of each source file follows an entry
// with the index of that file's entry; a file without symbols has index 0.
TEST_F(ForvaneRoundTrip, IcoffFileEntriesBeforeEachFilesLines) {
  uint32_t text = model_add_segment("text", 0, 0x10, 0, 0);
  uint32_t a = model_add_file("a.c"), b = model_add_file("b.c");
  model_add_symbol("f", 0, text, b, 0);
  model_add_line(1, 0, text, a, 0);
  model_add_line(2, 2, text, b, 0);
  model_add_line(3, 4, text, b, 0);
  forvane_complete();
  std::string image = written(formats[0]);
  const uint8_t *p = reinterpret_cast<const uint8_t *>(image.data());
  const uint8_t *header = p + 20;
  ASSERT_EQ(get16_be(header + 34), 5u);
  const uint8_t *lines = p + get32_be(header + 28);
  const uint32_t expected[][2] = {{0, 0}, {0, 1}, {0, 0}, {2, 2}, {4, 3}};
  for (int k = 0; k < 5; k++) {
    EXPECT_EQ(get32_be(lines + 6 * k), expected[k][0]) << k;
    EXPECT_EQ(get16_be(lines + 6 * k + 4), expected[k][1]) << k;
  }
}

TEST_F(ForvaneRoundTrip, IcoffDamagedFilesAreReported) {
  sample_model();
  forvane_complete();
  std::string image = written(formats[0]);
  forvane_reset();
  model_init();
  capture_messages();
  EXPECT_FALSE(read_back(formats[0], image.substr(0, 10)));  // no header: not ICOFF
  EXPECT_FALSE(read_back(formats[0], image.substr(0, 30)));  // cut in a section header
  std::string bad_name = image;
  put32_be(reinterpret_cast<uint8_t *>(bad_name.data()) + get32_be(reinterpret_cast<const uint8_t *>(image.data()) + 8),
           0xFFFFFF);
  EXPECT_FALSE(read_back(formats[0], bad_name));
  std::string two_zeros = image;
  two_zeros[0] = two_zeros[1] = 0;
  EXPECT_FALSE(read_back(formats[0], two_zeros));
  EXPECT_EQ(captured_numbers(), (std::vector<unsigned>{1037, 1037}));
}

// Debuggers hold 8192 source files: the dump of a file naming more says so
// once, and still lists them all.
TEST_F(ForvaneRoundTrip, IcoffDumpOfMoreFilesThanADebuggerHolds) {
  uint32_t text = model_add_segment("text", 0, 0x10, 0, 0);
  for (unsigned count : {8192u, 8193u}) {
    SCOPED_TRACE(count);
    forvane_reset();
    model_init();
    text = model_add_segment("text", 0, 0x10, 0, 0);
    for (unsigned k = 0; k < count; k++) {
      std::string name = "f" + std::to_string(k) + ".c";
      model_add_symbol(("_s" + std::to_string(k)).c_str(), 0, text, model_add_file(name.c_str()), 0);
    }
    forvane_complete();
    std::string image = written(formats[0]);
    capture_messages();
    settings.verbosity = 0;
    std::string dump = dumped(formats[0], image);
    EXPECT_EQ(captured_numbers(), count > 8192 ? std::vector<unsigned>{625} : std::vector<unsigned>{});
    EXPECT_NE(dump.find("file name \tf" + std::to_string(count - 1) + ".c\n"), std::string::npos);
  }
}

}  // namespace
