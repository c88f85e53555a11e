// imprel's executable and header images, relocation lists, segment lists and
// symbol files, checked field by field (and through objdump where binutils
// reads the format).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "objconv/tests/objfixture.h"

namespace {

uint32_t le16(const std::string &s, size_t at) {
  return (uint8_t)s.at(at) | (uint32_t)(uint8_t)s.at(at + 1) << 8;
}
uint32_t le32(const std::string &s, size_t at) { return le16(s, at) | le16(s, at + 2) << 16; }
uint32_t be32(const std::string &s, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; i++) v = v << 8 | (uint8_t)s.at(at + i);
  return v;
}

bytes code_bytes() { return seq_bytes(0x20, 0x40); }

// A small located program: text 0..0x1F, data 0x20..0x27, bss up to 0x40,
// start at 0x10, with the given relocation entries on the text.
obj_fixture program_object(const std::vector<obj_fixture::reloc_entry> &relocs = {},
                           const io_maps &maps = io_little_endian) {
  obj_fixture obj;
  obj.ident(maps).text(0, code_bytes());
  if (!relocs.empty()) obj.relocs(relocs);
  obj.text(0x20, {'D', 'A', 'T', 'A', 1, 2, 3, 4}, "data")
      .syms({{0, 0x10, "text", "__Ltext"},
             {0x20, 0x10, "text", "__Htext"},
             {0x20, 0x10, "data", "__Ldata"},
             {0x28, 0x10, "data", "__Hdata"},
             {0x28, 0x10, "bss", "__Lbss"},
             {0x40, 0x10, "bss", "__Hbss"},
             {0x10, 0x10, "text", "_main"},
             {0x30, 0x00, "bss", "counter"}})
      .start(0x10);
  return obj;
}

std::string image_bytes() {
  bytes code = code_bytes();
  return std::string(code.begin(), code.end()) + std::string("DATA\x01\x02\x03\x04", 8);
}

struct result {
  run_result run;
  std::string out;
  std::string dir;
};

result run_imprel(obj_fixture obj, const std::string &args, bool end = true) {
  if (end) obj.end();
  result r;
  r.dir = make_scratch_dir("objconv-");
  write_file(r.dir + "/l.obj", obj.data);
  r.run = run_in(r.dir, staged_program("imprel") + " " + args + " l.obj out.img");
  r.out = read_file(r.dir + "/out.img");
  return r;
}

TEST(ImprelExe, MsDosExeHeaderRelocationsAndImage) {
  result r = run_imprel(program_object({{4, 2, "text"}, {8, 2, "data"}}), "-E");
  ASSERT_EQ(r.run.status, 0) << r.run.err;
  const std::string &f = r.out;
  ASSERT_EQ(f.size(), 80u + 0x28);
  EXPECT_EQ(f.substr(0, 2), "MZ");
  EXPECT_EQ(le16(f, 2), 120u);   // bytes in the last page
  EXPECT_EQ(le16(f, 4), 1u);     // pages
  EXPECT_EQ(le16(f, 6), 2u);     // relocations
  EXPECT_EQ(le16(f, 8), 5u);     // header paragraphs: 64 + 8 bytes, rounded up
  EXPECT_EQ(le16(f, 10), 0x81u); // bss and the default stack beyond the image
  EXPECT_EQ(le16(f, 14), 4u);    // SS: the paragraph after the bss
  EXPECT_EQ(le16(f, 16), 0x800u);
  EXPECT_EQ(le16(f, 20), 0x10u); // IP: the start address
  EXPECT_EQ(le16(f, 24), 64u);   // relocation table
  EXPECT_EQ(le32(f, 64), 4u);
  EXPECT_EQ(le32(f, 68), 8u);
  EXPECT_EQ(f.substr(80), image_bytes());
  if (have_tool("file")) {
    run_result kind = run_in(r.dir, "file out.img");
    EXPECT_NE(kind.out.find("MS-DOS"), std::string::npos) << kind.out;
  }
}

TEST(ImprelExe, RelocationFaults) {
  obj_fixture many;
  many.ident().text(0, bytes(0x100, 0));
  for (int record = 0; record < 120; record++) {
    std::vector<obj_fixture::reloc_entry> entries;
    for (int i = 0; i < 63; i++) entries.push_back({(uint32_t)i * 2, 2, "text"});
    many.relocs(entries);
  }
  obj_fixture high;
  high.ident().text(0xFFF0, bytes(0x20, 0)).relocs({{0x10, 2, "text"}});
  struct row {
    const char *name;
    obj_fixture obj;
    const char *args;
    std::vector<unsigned> messages;
  } rows[] = {
      {"more than 7500 in an EXE", many, "-E", {428}},
      {"a type other than 2", program_object({{4, 0x12, "text"}}), "-E", {419}},
      {"a type other than 130 with -L", program_object({{4, 2, "text"}}), "-L", {419}},
      {"a field at 0xFFFF or above", high, "-R", {418}},
      {"no relocation position symbol", program_object({{4, 2, "text"}}), "-Rnowhere", {431}},
      {"a fix-up to an unknown psect", program_object({{4, 2, "other"}}), "-8 -R", {429}},
  };
  for (const row &c : rows) {
    result r = run_imprel(c.obj, c.args);
    EXPECT_EQ(r.run.status, 1) << c.name;
    EXPECT_EQ(message_numbers(r.run.err), c.messages) << c.name << "\n" << r.run.err;
    EXPECT_FALSE(file_exists(r.dir + "/out.img")) << c.name;
  }
}

TEST(ImprelExe, RelocationListGoesToTheBssStart) {
  obj_fixture obj = program_object({{8, 2, "data"}, {4, 2, "text"}});
  result plain = run_imprel(obj, "-R -B");
  ASSERT_EQ(plain.run.status, 0) << plain.run.err;
  EXPECT_EQ(plain.out, image_bytes() + std::string("\x02\0\x04\0\x08\0", 6));
  // With -L: per entry the target's psect code and a 32-bit address, in
  // code order; the list's position comes from the named symbol.
  result segments = run_imprel(program_object({{8, 130, "data"}, {4, 130, "text"}}), "-Lcounter -B");
  ASSERT_EQ(segments.run.status, 0) << segments.run.err;
  EXPECT_EQ(segments.out, image_bytes() + std::string(8, '\0') +
                              std::string("\x02\0\x01\0\x04\0\0\0\x02\0\x08\0\0\0", 14));
}

TEST(ImprelExe, Cpm86CommandFile) {
  result r = run_imprel(program_object({{8, 2, "data"}, {4, 2, "text"}}), "-8 -R");
  ASSERT_EQ(r.run.status, 0) << r.run.err;
  const std::string &f = r.out;
  ASSERT_EQ(f.size(), 128u + 0x30 + 128);
  EXPECT_EQ(f[0], 1);
  EXPECT_EQ(le16(f, 1), 2u);    // code paragraphs
  EXPECT_EQ(f[9], 2);
  EXPECT_EQ(le16(f, 10), 1u);   // data paragraphs
  EXPECT_EQ(le16(f, 14), 3u);   // data, bss
  EXPECT_EQ((uint8_t)f[127], 0x80);
  EXPECT_EQ(f.substr(128, 0x28), image_bytes());
  // Fix-ups: the field's group and the target's, paragraph, offset.
  EXPECT_EQ(f.substr(128 + 0x30, 8), std::string("\x11\0\0\x04\x12\0\0\x08", 8));
}

TEST(ImprelExe, M68kProgramFiles) {
  obj_fixture obj = program_object({{12, 4, "data"}, {4, 2, "text"}}, io_big_endian);
  obj.syms({{0x1234, 0x10, "text", "_long_symbol_name"}});
  result p = run_imprel(obj, "-P256 -Sx");
  ASSERT_EQ(p.run.status, 0) << p.run.err;
  const std::string &f = p.out;
  EXPECT_EQ(f.substr(0, 2), "\x60\x1A");
  EXPECT_EQ(be32(f, 2), 0x20u);  // text
  EXPECT_EQ(be32(f, 6), 8u);     // data
  EXPECT_EQ(be32(f, 10), 0x18u); // bss
  EXPECT_EQ(be32(f, 14), 14u * 9);
  EXPECT_EQ(be32(f, 18), 256u);  // stack
  EXPECT_EQ(f.substr(26, 2), std::string("\0\0", 2));
  EXPECT_EQ(f.substr(28, 0x28), image_bytes());
  size_t symbols = 28 + 0x28;
  EXPECT_EQ(f.substr(symbols + 14 * 8, 14), std::string("_long_sy\0\x10\0\0\x12\x34", 14));
  size_t words = symbols + 14 * 9;
  ASSERT_EQ(f.size(), words + 0x28);
  std::string want(0x28, '\0');
  want[13] = 5;   // a long field at 12
  want[15] = 2;   // into data
  EXPECT_EQ(f.substr(words), want);
  EXPECT_FALSE(file_exists(p.dir + "/x"));  // the table went into the program
  result n = run_imprel(program_object({}, io_big_endian), "-N -Sx.sym");
  ASSERT_EQ(n.run.status, 0) << n.run.err;
  EXPECT_EQ(be32(n.out, 0), 0x04100301u);
  EXPECT_EQ(be32(n.out, 4), 32u);
  EXPECT_EQ(be32(n.out, 12), 0x20u);
  EXPECT_EQ(be32(n.out, 20), 0x10018u);  // stack end: 0x10000 plus bss
  EXPECT_EQ(be32(n.out, 28), 0x10u);
  EXPECT_EQ(n.out.substr(32), image_bytes());
  EXPECT_NE(read_file(n.dir + "/x.sym").find("0010 _main\n"), std::string::npos);
}

TEST(ImprelExe, SegmentedExecutablesAndSegmentLists) {
  obj_fixture obj = program_object({{8, 2, "data"}, {4, 2, "text"}});
  obj.segment(0x20, 0, 8, "text").segment(8, 0x20, 16, "data");
  result a = run_imprel(obj, "-A");
  ASSERT_EQ(a.run.status, 0) << a.run.err;
  const std::string &f = a.out;
  EXPECT_EQ(f.substr(0, 2), "TV");
  EXPECT_EQ(le16(f, 2), 2u);
  EXPECT_EQ(le16(f, 4), 4u + 2);  // 16-bit relocation words, a start address
  EXPECT_EQ(le16(f, 32), 1u);     // code
  EXPECT_EQ(le32(f, 36), 96u);    // file position
  EXPECT_EQ(le32(f, 40), 0x20u);
  EXPECT_EQ(le32(f, 48), 2u);     // relocations
  EXPECT_EQ(le16(f, 64), 2u);     // data
  EXPECT_EQ(le32(f, 68), 96u + 0x20 + 4);
  EXPECT_EQ(le32(f, 72), 16u);    // 8 bytes rounded up to 16
  std::string image = image_bytes();
  EXPECT_EQ(f.substr(96, 0x20), image.substr(0, 0x20));
  EXPECT_EQ(f.substr(96 + 0x20, 4), std::string("\x04\0\x08\0", 4));
  EXPECT_EQ(f.substr(96 + 0x24, 8), image.substr(0x20));
  ASSERT_EQ(f.size(), 96u + 0x24 + 16);

  obj_fixture listed = program_object();
  listed.syms({{0x30, 0x10, "bss", "atxsegadr_"}}).segment(0x20, 0, 8, "text").segment(8, 0x20, 16, "data");
  result g = run_imprel(listed, "-g -B");
  ASSERT_EQ(g.run.status, 0) << g.run.err;
  ASSERT_EQ(g.out.size(), 0x30u + 24);
  EXPECT_EQ(g.out.substr(0x30), std::string("\0\0\0\0\x20\0\0\0\x08\0\x01\0"
                                            "\x20\0\0\0\x08\0\0\0\x10\0\0\0", 24));

  result x = run_imprel(obj, "-x386");
  ASSERT_EQ(x.run.status, 0) << x.run.err;
  EXPECT_EQ(le16(x.out, 0), 518u);
  EXPECT_EQ(le16(x.out, 2), 44u);
  EXPECT_EQ(le32(x.out, 4), 0x20u);
  EXPECT_EQ(le32(x.out, 8), 8u);
  EXPECT_EQ(x.out.substr(32, 2), "Jd");
  size_t data_at = le32(x.out, 96 + 8);
  EXPECT_EQ(x.out.substr(data_at, 0x28), image);
}

TEST(ImprelExe, CoffReadByObjdump) {
  if (!have_tool("objdump")) GTEST_SKIP() << "binutils is not installed";
  obj_fixture obj = program_object();
  obj.syms({{0x14, 0x10, "text", "a_name_longer_than_eight"}});
  // The i386 magic lets binutils read the file.
  result r = run_imprel(obj, "-U332");
  ASSERT_EQ(r.run.status, 0) << r.run.err;
  EXPECT_EQ(le16(r.out, 0), 332u);
  run_result dump = run_in(r.dir, "objdump -b pe-i386 -h -t -s -j .text -j .data out.img");
  ASSERT_EQ(dump.status, 0) << dump.err;
  const std::string &d = dump.out;
  EXPECT_NE(d.find(".text         00000020  00000000"), std::string::npos) << d;
  EXPECT_NE(d.find(".data         00000008  00000020"), std::string::npos) << d;
  EXPECT_NE(d.find("0x00000010 _main"), std::string::npos) << d;
  EXPECT_NE(d.find("0x00000014 a_name_longer_than_eight"), std::string::npos) << d;
  EXPECT_NE(d.find(" 0020 44415441 01020304"), std::string::npos) << d;
  result small = run_imprel(program_object(), "-U -B100");
  EXPECT_EQ(small.run.status, 1);
  EXPECT_EQ(message_numbers(small.run.err), std::vector<unsigned>{415});
}

TEST(ImprelExe, DebugImageAndHeaderFieldOrder) {
  result d = run_imprel(program_object(), "-D");
  ASSERT_EQ(d.run.status, 0) << d.run.err;
  const std::string &f = d.out;
  ASSERT_EQ(f.size(), 512u + 512 + 1024);
  EXPECT_EQ(f[0], 5);
  EXPECT_EQ(f.substr(1, 5), "l.obj");
  EXPECT_EQ(f.substr(80, 11), "Quenlor PIC");
  EXPECT_EQ(f.substr(96, 6), std::string("18F452", 6));
  EXPECT_EQ(le32(f, 104), 1u);
  EXPECT_EQ(f.substr(512, 0x28), image_bytes());
  EXPECT_EQ(le16(f, 1024), 0u);
  EXPECT_EQ(le32(f, 1026), 0u);
  EXPECT_EQ(le32(f, 1030), 0x27u);
  // -V writes header fields in the reverse of the target's order.
  result h = run_imprel(program_object(), "-H -V");
  ASSERT_EQ(h.run.status, 0) << h.run.err;
  EXPECT_EQ(be32(h.out, 8), 32u);
  EXPECT_EQ(be32(h.out, 12), 0x28u);
}

TEST(ImprelExe, SymbolFile) {
  result r = run_imprel(program_object(), "-Ssyms.txt");
  ASSERT_EQ(r.run.status, 0) << r.run.err;
  std::string syms = read_file(r.dir + "/syms.txt");
  EXPECT_NE(syms.find("0000 __Ltext\n0020 __Htext\n"), std::string::npos) << syms;
  EXPECT_NE(syms.find("0030 counter\n"), std::string::npos) << syms;
  // A failed run leaves no symbol file either.
  result bad = run_imprel(program_object(), "-Ssyms.txt", false);
  EXPECT_EQ(bad.run.status, 1);
  EXPECT_FALSE(file_exists(bad.dir + "/syms.txt"));
}

}  // namespace
