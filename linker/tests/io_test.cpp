#include "linker/io.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "linker/tests/objdump.h"

namespace {

using bytes = std::vector<uint8_t>;

bytes record(uint8_t kind, const bytes &body) {
  bytes r(body.size() + 3);
  r[0] = (uint8_t)body.size();
  r[1] = (uint8_t)(body.size() >> 8);
  r[2] = kind;
  std::copy(body.begin(), body.end(), r.begin() + 3);
  return r;
}

// Reads every record of a byte stream with the given body limit; gives the
// kinds read and the messages raised.
struct read_result {
  std::vector<uint8_t> kinds;
  std::vector<uint32_t> record_numbers;
  std::vector<unsigned> messages;
};

read_result read_all(bytes stream, uint32_t max_body = IO_MAX_BODY) {
  capture_messages();
  read_result result;
  FILE *fp = fmemopen(stream.data(), stream.size(), "rb");
  io_reader r;
  io_reader_init(&r, fp, max_body);
  for (;;) {
    // Like the linker: a module must end with END; after an END the stream may end.
    if (r.kind == IO_END) {
      int c = fgetc(fp);
      if (c == EOF) break;
      ungetc(c, fp);
    }
    if (!read_record_header(&r) || !read_record_body(&r)) break;
    result.kinds.push_back(r.kind);
    result.record_numbers.push_back(r.record_no);
  }
  fclose(fp);
  result.messages = captured_numbers();
  return result;
}

TEST(ObjectByteOrder, MapsPlaceEachByte) {
  struct row {
    const io_maps *maps;
    uint32_t value;
    bytes b16, b24, b32;
  } rows[] = {
      {&io_little_endian, 0x12345678, {0x78, 0x56}, {0x78, 0x56, 0x34}, {0x78, 0x56, 0x34, 0x12}},
      {&io_big_endian, 0x12345678, {0x56, 0x78}, {0x34, 0x56, 0x78}, {0x12, 0x34, 0x56, 0x78}},
  };
  for (const row &r : rows) {
    uint8_t f[4] = {};
    io_put16(r.maps, f, r.value);
    EXPECT_EQ(bytes(f, f + 2), r.b16);
    EXPECT_EQ(io_get16(r.maps, f), r.value & 0xFFFF);
    io_put24(r.maps, f, r.value);
    EXPECT_EQ(bytes(f, f + 3), r.b24);
    EXPECT_EQ(io_get24(r.maps, f), r.value & 0xFFFFFF);
    io_put32(r.maps, f, r.value);
    EXPECT_EQ(bytes(f, f + 4), r.b32);
    EXPECT_EQ(io_get32(r.maps, f), r.value);
  }
}

TEST(ObjectByteOrder, OnlyPermutationsAreValid) {
  const io_maps good[] = {{{0, 1, 2, 3}, {0, 1}}, {{3, 2, 1, 0}, {1, 0}}, {{0, 2, 1, 3}, {1, 0}}};
  const io_maps bad[] = {
      {{0, 1, 2, 4}, {0, 1}},  // a position outside the field
      {{0, 0, 1, 2}, {0, 1}},  // a repeated position
      {{0, 1, 2, 3}, {0, 0}},
      {{1, 0, 2, 3}, {0, 1}},  // its 24-bit positions would reach byte 3
  };
  for (const io_maps &m : good) EXPECT_TRUE(io_maps_valid(&m));
  for (const io_maps &m : bad) EXPECT_FALSE(io_maps_valid(&m));
}

TEST(ObjectIdent, VersionAndMachine) {
  bytes plain = {0, 1, 2, 3, 0, 1, 'P', 'I', 'C', 0};
  io_ident id;
  ASSERT_TRUE(io_ident_parse(plain.data(), plain.size(), &id));
  EXPECT_STREQ(id.machine, "PIC");
  EXPECT_EQ(id.major, 0);
  EXPECT_EQ(id.minor, 0);

  bytes one_more = plain;
  one_more.push_back(3);  // a single byte after the name is no version
  ASSERT_TRUE(io_ident_parse(one_more.data(), one_more.size(), &id));
  EXPECT_EQ(id.major, 0);

  bytes versioned = plain;
  versioned.insert(versioned.end(), {3, 5});
  ASSERT_TRUE(io_ident_parse(versioned.data(), versioned.size(), &id));
  EXPECT_EQ(id.major, 3);
  EXPECT_EQ(id.minor, 5);

  bytes unterminated = {0, 1, 2, 3, 0, 1, 'P', 'I', 'C'};
  EXPECT_FALSE(io_ident_parse(unterminated.data(), unterminated.size(), &id));
  bytes bad_maps = {9, 1, 2, 3, 0, 1, 'P', 0};
  EXPECT_FALSE(io_ident_parse(bad_maps.data(), bad_maps.size(), &id));
  EXPECT_FALSE(io_ident_parse(plain.data(), 6, &id));
}

TEST(ObjectIdent, FirstMapsStayAndLaterOnesAreChecked) {
  capture_messages();
  io_maps kept;
  bool have = false;
  io_ident first = {io_little_endian, "PIC18", 3, 11};
  EXPECT_EQ(io_ident_accept(&kept, &have, &first), 1);
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{504});

  capture_messages();
  io_ident same = {io_little_endian, "PIC18", 3, 10};
  EXPECT_EQ(io_ident_accept(&kept, &have, &same), 0);
  EXPECT_TRUE(captured_numbers().empty());

  // Big-endian maps differ from little-endian ones in all six bytes.
  io_ident other = {io_big_endian, "PIC18", 3, 5};
  io_ident_accept(&kept, &have, &other);
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>(6, 503));
  EXPECT_EQ(memcmp(&kept, &io_little_endian, sizeof kept), 0);
}

TEST(ObjectReader, BadFramingIsReportedWithoutReadingOn) {
  bytes end = record(IO_END, {0, 0});
  struct row {
    const char *what;
    bytes stream;
    uint32_t max_body;
    size_t records_read;
    std::vector<unsigned> messages;
    bool end_follows = true;
  } rows[] = {
      {"empty body", record(IO_SYM, {}), IO_MAX_BODY, 1, {}},
      {"509-byte body", record(IO_TEXT, bytes(509, 1)), IO_MAX_BODY, 1, {}},
      {"510-byte body", record(IO_TEXT, bytes(510, 1)), IO_MAX_BODY, 0, {506}},
      {"512 for the converters", record(IO_TEXT, bytes(512, 1)), IO_MAX_BODY_LAX, 1, {}},
      {"513 for the converters", record(IO_TEXT, bytes(513, 1)), IO_MAX_BODY_LAX, 0, {506}},
      {"kind 0", {0, 0, 0}, IO_MAX_BODY, 0, {380}},
      {"kind 24", {0, 0, 24}, IO_MAX_BODY, 0, {380}},
      {"truncated header", {4, 0}, IO_MAX_BODY, 0, {505}, false},
      {"end of file before END", {}, IO_MAX_BODY, 0, {505}, false},
      {"length past the end", {9, 0, IO_SYM, 1, 2, 3}, IO_MAX_BODY, 0, {1044}},
  };
  for (row &r : rows) {
    bytes stream = r.stream;
    if (r.end_follows) stream.insert(stream.end(), end.begin(), end.end());
    read_result got = read_all(stream, r.max_body);
    bool stopped = got.kinds.size() == r.records_read;
    bool finished = r.messages.empty() && got.kinds.size() == r.records_read + 1;
    EXPECT_TRUE(stopped || finished) << r.what;
    EXPECT_EQ(got.messages, r.messages) << r.what;
  }
}

TEST(ObjectReader, RecordNumbersStartAgainAfterEnd) {
  bytes stream;
  for (int module = 0; module < 2; module++) {
    for (uint8_t kind : {IO_IDENT, IO_SYM, IO_END}) {
      bytes r = record(kind, {});
      stream.insert(stream.end(), r.begin(), r.end());
    }
  }
  read_result got = read_all(stream);
  EXPECT_EQ(got.record_numbers, (std::vector<uint32_t>{1, 2, 3, 1, 2, 3}));
}

TEST(ObjectReader, CountsInputBytes) {
  bytes stream = record(IO_TEXT, bytes(10, 0));
  FILE *fp = fmemopen(stream.data(), stream.size(), "rb");
  io_reader r;
  io_reader_init(&r, fp, IO_MAX_BODY);
  ASSERT_TRUE(read_record_header(&r));
  ASSERT_TRUE(skip_record(&r));
  EXPECT_EQ(r.bytes_read, 13u);
  fclose(fp);
}

// Each entry walk must stop at the body's end, whatever the bytes claim.
TEST(ObjectEntries, WalksStayInsideTheBody) {
  struct row {
    uint8_t kind;
    bytes entry;
    long size;  // -1: malformed
  } rows[] = {
      {IO_SYM, {1, 0, 0, 0, 0x10, 0, 't', 0, 'x', 0}, 10},
      {IO_SYM, {1, 0, 0, 0, 0x10, 0, 't', 0, 'x'}, -1},
      {IO_SYM, {1, 0, 0, 0, 0x10}, -1},
      {IO_XSYM, {1, 0, 0, 0, 0x10, 0, 7, 0, 0, 'x', 0}, 11},
      {IO_SIGNAT, {0x34, 0x12, 'f', 0}, 4},
      {IO_SIGNAT, {0x34}, -1},
      {IO_ABSRANGE, bytes(9, 0), 9},
      {IO_ABSRANGE, bytes(8, 0), -1},
      {IO_RELOC, {2, 0, 0x12, 't', 0}, 5},
      {IO_RELOC, {2, 0, 0x34, IO_OP_SYM, 'f', 0, IO_OP_CONST, 1, 0, 0, 0, IO_OP_ADD, IO_OP_END}, 13},
      {IO_RELOC, {2, 0, 0x34, IO_OP_CONST, 1, 0}, -1},     // constant cut short
      {IO_RELOC, {2, 0, 0x34, IO_OP_SYM, 'f', 0}, -1},     // no end operator
      {IO_RELOC, {2, 0, 0xF4, 99, IO_OP_END}, -1},         // unknown operator
      {IO_RELOC, {2, 0}, -1},
      {IO_FNINFO, {IO_FN_CALL, 'a', 0, 'b', 0}, 5},
      {IO_FNINFO, {IO_FN_SIZE, 'a', 0, 1, 0, 0, 0, 2, 0, 0, 0}, 11},
      {IO_FNINFO, {IO_FN_SIZE, 'a', 0, 1, 0, 0, 0, 2, 0, 0}, -1},
      {IO_FNINFO, {IO_FN_INDIRECT, 'a', 0, 1, 0}, 5},
      {IO_FNINFO, {IO_FN_GROUPCALL, 0, 2, 0}, 4},
      {IO_FNINFO, {IO_FN_GROUPCALL, 0}, -1},
      {IO_FNINFO, {10, 'a', 0}, -1},
  };
  for (const row &r : rows) {
    EXPECT_EQ(io_skip_entry(r.kind, r.entry.data(), r.entry.size(), 0), r.size)
        << io_kind_name(r.kind) << " entry of " << r.entry.size() << " bytes";
  }
}

// The stream an io_writer produced, and a helper to capture it.
struct capture_file {
  char *buf = nullptr;
  size_t size = 0;
  FILE *fp = open_memstream(&buf, &size);
  bytes take() {
    fflush(fp);
    bytes b(buf, buf + size);
    fclose(fp);
    free(buf);
    return b;
  }
};

std::vector<std::pair<uint8_t, bytes>> records_of(bytes stream) {
  std::vector<std::pair<uint8_t, bytes>> out;
  size_t pos = 0;
  while (pos + 3 <= stream.size()) {
    size_t length = stream[pos] | stream[pos + 1] << 8;
    uint8_t kind = stream[pos + 2];
    out.push_back({kind, bytes(stream.begin() + pos + 3, stream.begin() + pos + 3 + length)});
    pos += 3 + length;
  }
  return out;
}

TEST(ObjectWriter, EntriesAreSplitBetweenRecordsNeverInsideOne) {
  capture_file file;
  io_writer w;
  io_writer_init(&w, file.fp, "out.obj");
  // 600 bytes of SYM entries of 30 bytes each: 16 fit below 509 bytes.
  for (int n = 0; n < 20; n++) {
    io_builder b;
    io_builder_init(&b, &io_little_endian);
    io_add_u32(&b, n);
    io_add_u16(&b, IO_SYM_GLOBAL);
    io_add_string(&b, "psect");
    char name[32];
    snprintf(name, sizeof name, "s%016d", n);
    io_add_string(&b, name);
    ASSERT_EQ(b.length, 30u);
    ASSERT_TRUE(io_add_entry(&w, IO_SYM, b.data, b.length));
  }
  flush_record(&w);
  auto records = records_of(file.take());
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].second.size(), 16u * 30);
  EXPECT_EQ(records[1].second.size(), 4u * 30);
}

void write_pending_text(void *context) {
  io_writer *w = (io_writer *)context;
  const uint8_t text[] = {0, 0, 0, 0, 'p', 0, 0xAA};
  write_record(w, IO_TEXT, sizeof text, text);
}

TEST(ObjectWriter, PendingTextGoesBeforeItsRelocations) {
  capture_file file;
  io_writer w;
  io_writer_init(&w, file.fp, "out.obj");
  w.before_reloc = write_pending_text;
  w.context = &w;
  const uint8_t entry[] = {0, 0, 0x21, 's', 0};
  io_add_entry(&w, IO_RELOC, entry, sizeof entry);
  io_add_entry(&w, IO_SYM, bytes(8, 0).data(), 8);  // a new kind flushes the RELOC record
  flush_record(&w);
  auto records = records_of(file.take());
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].first, IO_TEXT);
  EXPECT_EQ(records[1].first, IO_RELOC);
  EXPECT_EQ(records[2].first, IO_SYM);
}

TEST(ObjectWriter, SymbolOnlyAndStoppedOutput) {
  capture_file file;
  io_writer w;
  io_writer_init(&w, file.fp, "out.syf");
  w.symbols_only = true;
  write_record(&w, IO_TEXT, 6, (const uint8_t *)"\0\0\0\0p");
  io_add_entry(&w, IO_SIGNAT, (const uint8_t *)"\1\0f", 4);
  io_add_entry(&w, IO_FNINFO, (const uint8_t *)"\6f", 3);
  flush_record(&w);
  w.stopped = true;
  io_add_entry(&w, IO_SYM, bytes(8, 0).data(), 8);
  flush_record(&w);
  auto records = records_of(file.take());
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].first, IO_SIGNAT);
}

TEST(ObjectWriter, WriteFailureIsReportedOnce) {
  capture_messages();
  FILE *fp = fopen("/dev/full", "wb");
  ASSERT_NE(fp, nullptr);
  setvbuf(fp, nullptr, _IONBF, 0);
  io_writer w;
  io_writer_init(&w, fp, "full.obj");
  EXPECT_EQ(write_record(&w, IO_END, 2, (const uint8_t *)"\0\0"), 0);
  EXPECT_EQ(write_record(&w, IO_END, 2, (const uint8_t *)"\0\0"), 0);
  fclose(fp);
  EXPECT_EQ(captured_numbers(), std::vector<unsigned>{413});
}

// One body of every kind, written through the builders, read back and shown
// by the dumper.
TEST(ObjectRecords, EveryKindRoundTrips) {
  const io_maps *m = &io_big_endian;  // numbers must follow the IDENT maps
  struct row {
    uint8_t kind;
    void (*build)(io_builder *);
    const char *text;
  } rows[] = {
      {IO_IDENT, [](io_builder *b) {
         io_add_bytes(b, io_big_endian.m32, 4);
         io_add_bytes(b, io_big_endian.m16, 2);
         io_add_string(b, "PIC18");
         io_add_u8(b, 3);
         io_add_u8(b, 5);
       }, "IDENT maps 3,2,1,0 1,0 machine PIC18 version 3.5\n"},
      {IO_TEXT, [](io_builder *b) {
         io_add_u32(b, 0x102);
         io_add_string(b, "text");
         io_add_bytes(b, (const uint8_t *)"\x12\x0E", 2);
       }, "TEXT text offset 0x102 bytes 2 12 0E\n"},
      {IO_PSECT, [](io_builder *b) {
         io_add_u16(b, 0x50);
         io_add_string(b, "bss");
       }, "PSECT bss flags 0x50\n"},
      {IO_RELOC, [](io_builder *b) {
         io_add_u16(b, 2);
         io_add_u8(b, 0x12);
         io_add_string(b, "text");
         io_add_u16(b, 4);
         io_add_u8(b, 0xFB);
         io_add_u8(b, IO_OP_SYM_PCREL);
         io_add_string(b, "_f");
         io_add_u8(b, IO_OP_CONST);
         io_add_u32(b, 2);
         io_add_u8(b, IO_OP_SUB);
         io_add_u8(b, IO_OP_END);
       }, "RELOC 0x2 type 0x12 name text\nRELOC 0x4 type 0xFB expr symrel:_f const:0x2 sub\n"},
      {IO_SYM, [](io_builder *b) {
         io_add_u32(b, 0x10);
         io_add_u16(b, IO_SYM_GLOBAL);
         io_add_string(b, "text");
         io_add_string(b, "_main");
         io_add_u32(b, 0);
         io_add_u16(b, IO_SYM_REF | IO_SYM_GLOBAL);
         io_add_string(b, "");
         io_add_string(b, "_ext");
       }, "SYM _main value 0x10 kind 0 global psect text\nSYM _ext value 0x0 kind 6 global psect -\n"},
      {IO_START, [](io_builder *b) {
         io_add_u32(b, 4);
         io_add_string(b, "init");
       }, "START init offset 0x4\n"},
      {IO_END, [](io_builder *b) { io_add_u16(b, 0); }, "END bytes 2\n"},
      {IO_XPSECT, [](io_builder *b) {
         io_add_u32(b, 0x100);
         io_add_u16(b, 2);
         io_add_u16(b, 0);
         io_add_u8(b, 1);
         io_add_u8(b, 1);
         io_add_u8(b, 0);
         io_add_u8(b, 0);
         io_add_string(b, "bss");
         io_add_string(b, "RAM");
       }, "XPSECT bss max 0x100 boundary 0x2 selector 0x0 space 1 delta 1 spare 0 attr 0 class RAM\n"},
      {IO_SEGMENT, [](io_builder *b) {
         io_add_u32(b, 0x20);
         io_add_u32(b, 0x100);
         io_add_u16(b, 1);
         io_add_u16(b, 0);
         io_add_u32(b, 0x200);
         io_add_string(b, "seg");
       }, "SEGMENT seg length 0x20 load 0x100 selector 0x1 zero 0 link 0x200\n"},
      {IO_XSYM, [](io_builder *b) {
         io_add_u32(b, 5);
         io_add_u16(b, IO_SYM_GLOBAL);
         io_add_u16(b, 3);
         io_add_string(b, "data");
         io_add_string(b, "_x");
       }, "XSYM _x value 0x5 kind 0 global psect data selector 0x3\n"},
      {IO_SIGNAT, [](io_builder *b) {
         io_add_u16(b, 0x1234);
         io_add_string(b, "_f");
       }, "SIGNAT _f 0x1234\n"},
      {IO_FNINFO, [](io_builder *b) {
         io_add_u8(b, IO_FN_CALL);
         io_add_string(b, "_main");
         io_add_string(b, "_f");
         io_add_u8(b, IO_FN_SIZE);
         io_add_string(b, "_f");
         io_add_u32(b, 4);
         io_add_u32(b, 2);
         io_add_u8(b, IO_FN_ROOT);
         io_add_string(b, "_main");
         io_add_u8(b, IO_FN_ROOTOF);
         io_add_string(b, "_isr");
         io_add_string(b, "intlevel2");
       }, "FNINFO call _main _f\nFNINFO size _f 4 2\nFNINFO root _main\nFNINFO rootof _isr intlevel2\n"},
      {IO_FNCONF, [](io_builder *b) {
         io_add_string(b, "rparam");
         io_add_string(b, "??");
         io_add_string(b, "?");
         io_add_u16(b, 30);
       }, "FNCONF rparam auto ?? arg ? depth 30\n"},
      {IO_SEGSTART, [](io_builder *b) {
         io_add_u32(b, 0);
         io_add_string(b, "init");
       }, "SEGSTART init offset 0x0\n"},
      {IO_PSECTLIM, [](io_builder *b) {
         io_add_u32(b, 0x7FFF);
         io_add_bytes(b, (const uint8_t *)"\0\0\0\0\0\0\0\0\0\0\0", 12);
         io_add_string(b, "text");
       }, "PSECTLIM text limit 0x7FFF\n"},
      {IO_LISTRELOC, [](io_builder *b) {
         io_add_string(b, "a.rlf");
         io_add_string(b, "a.lst");
       }, "LISTRELOC a.rlf a.lst\n"},
      {IO_LISTTEXT, [](io_builder *b) { io_add_bytes(b, (const uint8_t *)"ab\n", 3); },
       "LISTTEXT \"ab\\x0A\"\n"},
      {IO_LISTFIELD, [](io_builder *b) {
         io_add_u32(b, 0x1234);
         io_add_u8(b, 0);
         io_add_u8(b, 0x32);
         io_add_u8(b, 4);
         io_add_u8(b, IO_OP_PSECT);
         io_add_string(b, "text");
         io_add_u8(b, IO_OP_END);
       }, "LISTFIELD value 0x1234 offset 0 type 0x32 digits 4 expr psect:text\n"},
      {IO_CONDEXPR, [](io_builder *b) {
         io_add_u8(b, IO_OP_DEFINED);
         io_add_string(b, "_f");
         io_add_u8(b, IO_OP_END);
       }, "CONDEXPR expr defined:_f\n"},
      {IO_ABSRANGE, [](io_builder *b) {
         io_add_u8(b, 1);
         io_add_u32(b, 0x100);
         io_add_u32(b, 4);
       }, "ABSRANGE space 1 address 0x100 length 0x4\n"},
      {IO_SPACELIM, [](io_builder *b) {
         io_add_u8(b, 1);
         io_add_u32(b, 0xF00);
       }, "SPACELIM space 1 limit 0xF00\n"},
      {IO_FNGROUP, [](io_builder *b) {
         io_add_u16(b, 1);
         io_add_string(b, "_a");
         io_add_string(b, "_b");
       }, "FNGROUP 1 _a _b\n"},
      {IO_PSECTBOUND, [](io_builder *b) {
         io_add_u8(b, 11);
         io_add_u16(b, 0xC0);
         io_add_u32(b, 0x60);
         io_add_u32(b, 0x80);
         io_add_string(b, "abs1");
         io_add_string(b, "RAM");
       }, "PSECTBOUND abs1 flags 0xC0 low 0x60 high 0x80 class RAM\n"},
  };
  capture_file file;
  io_writer w;
  io_writer_init(&w, file.fp, "all.obj");
  std::vector<bytes> bodies;
  std::string expected;
  for (const row &r : rows) {
    io_builder b;
    io_builder_init(&b, m);
    r.build(&b);
    ASSERT_FALSE(b.overflow);
    bodies.push_back(bytes(b.data, b.data + b.length));
    ASSERT_TRUE(write_record(&w, r.kind, b.length, b.data));
    expected += r.text;
  }
  bytes stream = file.take();

  // Read back through the reader: the same kinds and bodies.
  FILE *fp = fmemopen(stream.data(), stream.size(), "rb");
  io_reader reader;
  io_reader_init(&reader, fp, IO_MAX_BODY);
  for (size_t i = 0; i < std::size(rows); i++) {
    ASSERT_TRUE(read_record_header(&reader));
    ASSERT_TRUE(read_record_body(&reader));
    EXPECT_EQ(reader.kind, rows[i].kind);
    EXPECT_EQ(bytes(reader.body, reader.body + reader.length), bodies[i]) << io_kind_name(rows[i].kind);
  }
  rewind(fp);
  std::string text;
  EXPECT_TRUE(objdump_records(fp, &text));
  fclose(fp);
  EXPECT_EQ(text, expected);
}

TEST(ObjectRecords, BuilderRefusesWhatDoesNotFit) {
  io_builder b;
  io_builder_init(&b, &io_little_endian);
  io_add_bytes(&b, bytes(508, 0).data(), 508);
  EXPECT_FALSE(b.overflow);
  io_add_u16(&b, 1);
  EXPECT_TRUE(b.overflow);
  EXPECT_EQ(b.length, 508u);
}

}  // namespace
