// imprel as a program: the image formats, byte for byte where the layout is
// ours to check and through srecord's tools where an independent reader
// exists; bad objects and bad command lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "objconv/tests/objfixture.h"

namespace {

struct converted {
  run_result run;
  std::string image;
  bool image_exists;
};

// Writes the object as "l.obj" in a fresh folder, runs imprel with the
// arguments and gives back what it wrote to the output name.
converted convert(const obj_fixture &obj, const std::string &args,
                  const std::string &output = "out.img", std::string *dir_out = nullptr) {
  std::string dir = make_scratch_dir("objconv-");
  write_file(dir + "/l.obj", obj.data);
  converted c;
  c.run = run_in(dir, staged_program("imprel") + " " + args + " l.obj " + output);
  c.image_exists = file_exists(dir + "/" + output);
  c.image = read_file(dir + "/" + output);
  if (dir_out) *dir_out = dir;
  return c;
}

std::vector<std::string> lines_of(const std::string &text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t nl = text.find('\n', at);
    if (nl == std::string::npos) nl = text.size();
    lines.push_back(text.substr(at, nl - at));
    at = nl + 1;
  }
  return lines;
}

TEST(ImprelIntel, RecordsExtendedAddressesAndEnd) {
  struct row {
    const char *name;
    obj_fixture obj;
    const char *args;
    std::vector<std::string> lines;
  } rows[] = {
      {"below 64K, no start record: the end names the lowest address",
       obj_fixture().ident().text(0x100, {1, 2, 3, 4}).end(), "",
       {":0401000001020304F1", ":00010001FE"}},
      {"a gap inside a page ends a record",
       obj_fixture().ident().text(0x10, {0xAA, 0xBB}).text(0x20, {0xCC}).start(0).end(), "",
       {":02001000AABB89", ":01002000CC13", ":00000001FF"}},
      {"configuration bytes at 0x300000 with -I",
       obj_fixture().ident().text(0, {0x12, 0x34}).text(0x300000, {0x22, 0x0F}).start(0).end(), "-I",
       {":020000001234B8", ":020000040030CA", ":02000000220FCD", ":020000040000FA",
        ":00000001FF"}},
      {"segment records without -I",
       obj_fixture().ident().text(0x12340, {0x55}).start(0).end(), "",
       {":020000021000EC", ":012340005547", ":020000020000FC", ":00000001FF"}},
      {"records are cut at the length cap",
       obj_fixture().ident().text(0, seq_bytes(5)).start(0).end(), "-4",
       {":0400000000010203F6", ":0100040004F7", ":00000001FF"}},
  };
  for (const row &r : rows) {
    converted c = convert(r.obj, r.args);
    EXPECT_EQ(c.run.status, 0) << r.name << "\n" << c.run.err;
    EXPECT_EQ(lines_of(c.image), r.lines) << r.name;
  }
}

TEST(ImprelIntel, AlignedRecordsStartEvenAndCoverWholeWords) {
  // Page 0: odd data at 0x101, a gap, odd data at 0x111, and a run up to the
  // page's last byte that starts at an odd address after a gap; page 1 holds
  // the byte that run's last word needs, and one more.
  obj_fixture obj;
  obj.ident()
      .text(0x101, {0xA1, 0xA2, 0xA3})
      .text(0x111, {0xB1, 0xB2, 0xB3})
      .text(0x3F0, {0xC0})
      .text(0x3FB, {0xD1, 0xD2, 0xD3, 0xD4, 0xD5})
      .text(0x400, {0xE0, 0xE1})
      .text(0x801, {0xF1})
      .start(0)
      .end();
  converted c = convert(obj, "-16,2 -F0x5A");
  ASSERT_EQ(c.run.status, 0) << c.run.err;
  std::vector<std::string> want = {
      ":040100005AA1A2A3BB",      // starts at the page's low address rounded down
      ":04011100B1B2B35A7A",      // after a gap: at the written byte, length rounded up
      ":0203F000C05AF1",
      ":0603FB00D1D2D3D4D5E0FD",  // carried into the next page: its written byte
      ":02040100E15ABE",          // that byte is not written again
      ":020800005AF1AB",          // the page's first record starts at an even address
      ":00000001FF",
  };
  EXPECT_EQ(lines_of(c.image), want);
}

TEST(ImprelIntel, ACarriedRecordMayEndBeforeAGap) {
  obj_fixture obj;
  obj.ident()
      .text(0x3F0, {0xC0})
      .text(0x3FD, {0x11, 0x22, 0x33})
      .text(0x400, {0x44})
      .text(0x402, {0x55})
      .start(0)
      .end();
  converted c = convert(obj, "-16,2");
  ASSERT_EQ(c.run.status, 0) << c.run.err;
  EXPECT_EQ(lines_of(c.image), (std::vector<std::string>{":0203F000C0004B", ":0403FD001122334452",
                                                         ":020402005500A3", ":00000001FF"}));
}

TEST(ImprelIntel, AlignedRecordAtTheImageEndIsPaddedWithFF) {
  obj_fixture obj;
  obj.ident().text(0x3FC, {0x11}).text(0x3FF, {0x22}).start(0).end();
  converted c = convert(obj, "-16,2");
  ASSERT_EQ(c.run.status, 0) << c.run.err;
  EXPECT_EQ(lines_of(c.image), (std::vector<std::string>{":0203FC001100EE", ":0203FF0022FFDB",
                                                         ":00000001FF"}));
}

// Data over several pages, gaps, a page above 64K and one above 16M.
obj_fixture wide_object(uint32_t start) {
  obj_fixture obj;
  obj.ident()
      .text(0x0, seq_bytes(100, 0x10))
      .text(0x3F0, seq_bytes(40, 0x80))
      .text(0x1000, seq_bytes(7, 0x33))
      .text(0x12345, seq_bytes(50, 0x40))
      .text(0x1FFFFF0, seq_bytes(16, 0x90))
      .start(start)
      .end();
  return obj;
}

struct srec_check {
  const char *args;
  const char *srec_format;  // srecord's name of the format
};

TEST(ImprelFormats, SrecordReadsEveryRecordFormatAsTheSameImage) {
  if (!have_tool("srec_cmp")) GTEST_SKIP() << "srecord is not installed";
  obj_fixture obj = wide_object(0x12345);
  std::string dir;
  converted intel = convert(obj, "-I", "ref.hex", &dir);
  ASSERT_EQ(intel.run.status, 0) << intel.run.err;
  const srec_check checks[] = {
      {"-M", "-motorola"},
      {"-MA", "-motorola"},
      {"-TE", "-tektronix-extended"},
  };
  for (const srec_check &c : checks) {
    std::string out = std::string("o") + c.args;
    for (char &ch : out)
      if (ch == ' ' || ch == ',') ch = '_';
    run_result r = run_in(dir, staged_program("imprel") + " " + c.args + " l.obj " + out);
    ASSERT_EQ(r.status, 0) << c.args << "\n" << r.err;
    run_result cmp = run_in(dir, std::string("srec_cmp ref.hex -intel ") + out + " " + c.srec_format);
    EXPECT_EQ(cmp.status, 0) << c.args << "\n" << cmp.out << cmp.err;
  }
}

TEST(ImprelFormats, TektronixAndBinaryImagesOfTheFirst64K) {
  if (!have_tool("srec_cmp")) GTEST_SKIP() << "srecord is not installed";
  obj_fixture obj;
  obj.ident().text(0x10, seq_bytes(70, 1)).text(0x800, seq_bytes(3, 0xF0)).start(0x10).end();
  std::string dir;
  ASSERT_EQ(convert(obj, "", "ref.hex", &dir).run.status, 0);
  run_result tek = run_in(dir, staged_program("imprel") + " -T l.obj o.tek");
  ASSERT_EQ(tek.status, 0) << tek.err;
  EXPECT_EQ(run_in(dir, "srec_cmp ref.hex -intel o.tek -tektronix").status, 0);
  // Binary from address 0: gaps hold the fill, so the reference is filled too.
  run_result bin = run_in(dir, staged_program("imprel") + " -B -F0FFFFh l.obj o.bin");
  ASSERT_EQ(bin.status, 0) << bin.err;
  run_result cmp = run_in(dir, "srec_cmp ref.hex -intel -fill 0xFF 0 0x803 o.bin -binary");
  EXPECT_EQ(cmp.status, 0) << cmp.out << cmp.err;
  EXPECT_EQ(read_file(dir + "/o.bin").size(), 0x803u);
}

TEST(ImprelFormats, MotorolaRecordTypesFollowTheAddresses) {
  converted c = convert(wide_object(0x12345), "-M");
  ASSERT_EQ(c.run.status, 0) << c.run.err;
  std::vector<std::string> lines = lines_of(c.image);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines.front(), "S00800006C2E6F626A22");  // "l.obj"
  std::string kinds;
  for (const std::string &l : lines) kinds += l.substr(0, 2) + " ";
  EXPECT_NE(kinds.find("S1 S2 S2 S3 S8"), std::string::npos) << kinds;
  EXPECT_EQ(lines.back(), "S80401234592");
}

TEST(ImprelFormats, MotorolaSymbolLinesComeFirst) {
  obj_fixture obj;
  obj.ident().text(0, {1}).syms({{0x1A2, 0x10, "text", "_main"}, {5, 0, "", "local"}}).end();
  converted c = convert(obj, "-MA");
  ASSERT_EQ(c.run.status, 0) << c.run.err;
  std::vector<std::string> lines = lines_of(c.image);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "SA _main 1A2 0 -17 1 1");
  EXPECT_EQ(lines[1], "SA local 5 0 -17 1 1");
  EXPECT_EQ(lines[2].substr(0, 2), "S0");
}

TEST(ImprelFormats, TektronixRecordsAndTheirChecksums) {
  obj_fixture obj;
  obj.ident().text(0x1234, {0xAB, 0x01}).start(0x1234).end();
  converted plain = convert(obj, "-T");
  ASSERT_EQ(plain.run.status, 0) << plain.run.err;
  // Address and count digits 1+2+3+4+0+2 = 12; data digits A+B+0+1 = 22.
  EXPECT_EQ(lines_of(plain.image), (std::vector<std::string>{"/1234020CAB0116", "/1234000A"}));
  converted ext = convert(obj, "-TE");
  ASSERT_EQ(ext.run.status, 0) << ext.run.err;
  // "0E" + "6" + "41234AB01": 0+14+6+4+1+2+3+4+10+11+0+1 = 56.
  EXPECT_EQ(lines_of(ext.image), (std::vector<std::string>{"%0E63841234AB01", "%0A82041234", ""}));
}

TEST(ImprelFormats, BinaryBaseAndFill) {
  obj_fixture obj;
  obj.ident().text(0x100, {1, 2}).text(0x104, {3}).start(0).end();
  converted based = convert(obj, "-B100h");
  ASSERT_EQ(based.run.status, 0) << based.run.err;
  EXPECT_EQ(based.image, std::string("\x01\x02\x00\x00\x03", 5));
  converted filled = convert(obj, "-B100h -F0x1234,10Ah");
  ASSERT_EQ(filled.run.status, 0) << filled.run.err;
  EXPECT_EQ(filled.image, std::string("\x01\x02\x34\x12\x03\x12\x34\x12\x34\x12", 10));
  converted below = convert(obj, "-B102h");
  EXPECT_EQ(below.run.status, 1);
  EXPECT_EQ(message_numbers(below.run.err), std::vector<unsigned>{411});
  EXPECT_FALSE(below.image_exists);
  // A -B word of more than six characters, a digit after the B and a digit
  // at its end is an old option taken and ignored: Intel HEX is written.
  converted ignored = convert(obj, "-B0x1000");
  EXPECT_EQ(ignored.run.status, 0);
  EXPECT_EQ(ignored.image.substr(0, 1), ":");
}

TEST(ImprelFormats, HeaderImage) {
  obj_fixture obj;
  obj.ident(io_big_endian, "PIC18").text(2, {0xAA}).end();
  converted c = convert(obj, "-H");
  ASSERT_EQ(c.run.status, 0) << c.run.err;
  std::string want("HLH9.00\0\0\0\0\x20\0\0\0\x03PIC18", 21);
  want.resize(32, '\0');
  want += std::string("\0\0\xAA", 3);
  EXPECT_EQ(c.image, want);
}

TEST(ImprelFormats, OutOfRangeAddressesFailWithoutAnImage) {
  struct row {
    obj_fixture obj;
    const char *args;
  } rows[] = {
      {obj_fixture().ident().text(0x10000, {1}).start(0).end(), "-T"},
      {obj_fixture().ident().text(0x100, {1}).start(0x10000).end(), "-T"},
      {obj_fixture().ident().text(0x300000, {1}).start(0).end(), ""},
      {obj_fixture().ident().text(0x10, {1}).start(0).end(), "-E"},
  };
  for (const row &r : rows) {
    converted c = convert(r.obj, r.args);
    EXPECT_EQ(c.run.status, 1) << r.args;
    EXPECT_EQ(message_numbers(c.run.err).size(), 1u) << r.args << c.run.err;
    EXPECT_FALSE(c.image_exists) << r.args;
  }
}

TEST(ImprelChecksum, AgreesWithSrecCat) {
  if (!have_tool("srec_cat")) GTEST_SKIP() << "srecord is not installed";
  obj_fixture obj;
  obj.ident().text(0x0, seq_bytes(200, 0x31)).text(0x300, seq_bytes(64, 0x77)).start(0).end();
  std::string dir;
  ASSERT_EQ(convert(obj, "", "plain.hex", &dir).run.status, 0);
  write_file(dir + "/ck.txt", std::string("/* 8 and 16 bits */ 0-3FF 400\n0-3FF 402-403\n"));
  run_result r = run_in(dir, staged_program("imprel") + " -Cck.txt -F0xFF l.obj ck.hex");
  ASSERT_EQ(r.status, 0) << r.err;
  // srec_cat over the same range, filled with the same value first.
  run_result want = run_in(
      dir,
      "srec_cat plain.hex -intel -fill 0xFF 0 0x400 -crop 0 0x400 -checksum-positive-l-e 0x400 1 1"
      " -crop 0x400 0x401 -o a.hex -intel && "
      "srec_cat plain.hex -intel -fill 0xFF 0 0x400 -crop 0 0x400 -checksum-positive-l-e 0x402 2 1"
      " -crop 0x402 0x404 -o b.hex -intel && "
      "srec_cat ck.hex -intel -crop 0x400 0x401 -o c.hex -intel && "
      "srec_cat ck.hex -intel -crop 0x402 0x404 -o d.hex -intel && "
      "srec_cmp a.hex -intel c.hex -intel && srec_cmp b.hex -intel d.hex -intel");
  EXPECT_EQ(want.status, 0) << want.out << want.err;
}

TEST(ImprelChecksum, BadSpecificationsAndWidths) {
  obj_fixture obj;
  obj.ident().text(0, {1, 2, 3}).start(0).end();
  struct row {
    const char *spec;
    unsigned message;
  } rows[] = {{"0-FF", 427}, {"0-2 100-102", 430}, {"0-2 /* open", 427}};
  for (const row &r : rows) {
    std::string dir = make_scratch_dir("objconv-");
    write_file(dir + "/l.obj", obj.data);
    run_result run = run_in(dir, staged_program("imprel") + " -C l.obj out.hex", r.spec);
    EXPECT_EQ(run.status, 1) << r.spec;
    EXPECT_EQ(message_numbers(run.err), std::vector<unsigned>{r.message}) << r.spec << run.err;
    EXPECT_FALSE(file_exists(dir + "/out.hex")) << r.spec;
  }
}

TEST(ImprelRecordBinary, LayoutAndCrcAgreeWithSrecCat) {
  obj_fixture obj;
  obj.ident().text(0x20, {0xDE, 0xAD}).syms({{0x20, 0x10, "text", "_main"}}).start(0x20).end();
  std::string dir;
  converted c = convert(obj, "-UB", "prog.ubr", &dir);
  ASSERT_EQ(c.run.status, 0) << c.run.err;
  const std::string &u = c.image;
  // 'M', day, month, year - 1900, '?', CRC; then the module header.
  ASSERT_GE(u.size(), 7u);
  EXPECT_EQ(u[0], 'M');
  EXPECT_EQ(u[4], '?');
  std::string rest = u.substr(7);
  std::string header = std::string("\x01\x04\x03\x10", 4) + u.substr(1, 3) + "\x04prog";
  std::string symbol = std::string("L\x02\x01\x00\x20\x00\x00\x00\x05_main\0\0\0", 17);
  std::string record = std::string("Q\x01\x20\0\0\0" "9\x02\xDE\xAD", 10);
  std::string end = std::string("=\0\0\x20\0\0\0", 7);
  ASSERT_EQ(rest.size(), header.size() + symbol.size() + record.size() + end.size() + 3);
  EXPECT_EQ(rest.substr(0, header.size() + symbol.size() + record.size() + end.size()),
            header + symbol + record + end);
  EXPECT_EQ((uint8_t)rest.back(), 0xFF);
  if (!have_tool("srec_cat")) GTEST_SKIP() << "srecord is not installed";
  // The CRC feeds each byte's bits least significant first into a register
  // that shifts left: srecord's most-to-least CRC over bit-reversed bytes.
  struct part {
    std::string covered;
    size_t crc_at;
  } parts[] = {{u.substr(0, 5), 5}, {rest.substr(0, rest.size() - 3), 7 + rest.size() - 3}};
  for (const part &p : parts) {
    write_file(dir + "/part.bin", p.covered);
    run_result crc = run_in(dir,
                            "srec_cat part.bin -binary -bit-reverse -crc16-l-e 0x10000 -xmodem -poly ibm"
                            " -crop 0x10000 0x10002 -o - -binary"
                            " | od -An -tx1 -j65536");
    ASSERT_EQ(crc.status, 0) << crc.err;
    char want[16];
    snprintf(want, sizeof want, " %02x %02x\n", (uint8_t)u[p.crc_at], (uint8_t)u[p.crc_at + 1]);
    EXPECT_EQ(crc.out, want);
  }
}

TEST(ImprelRecordBinary, SymbolKindsAndPsectCodes) {
  struct row {
    uint32_t flags;
    const char *psect;
    const char *name;
    uint8_t kind;
    uint8_t code;
    const char *written;
  } rows[] = {
      {0x16, "", "ext", 5, 0, "ext"},        {0x10, "data", "d", 2, 3, "d"},
      {0x10, "bss", "b", 2, 3, "b"},         {0x10, "rbss", "rb", 2, 2, "rb"},
      {0x10, "rdata", "rd", 2, 2, "rd"},     {0x10, "rbit", "bit", 2, 5, "bit"},
      {0x10, "code", "c", 2, 1, "c"},        {0x10, "other", "o", 1, 0, "o"},
      {0x00, "strings", "s", 4, 2, "s"},     {0x00, "", "abs", 3, 0, "abs"},
      {0x04, "text", "123", 4, 1, "#123"},
  };
  std::vector<obj_fixture::sym_entry> entries;
  for (const row &r : rows) entries.push_back({0x55, r.flags, r.psect, r.name});
  obj_fixture obj;
  obj.ident().syms(entries).text(0, {1}).start(0).end();
  converted c = convert(obj, "-UB", "p.ubr");
  ASSERT_EQ(c.run.status, 0) << c.run.err;
  size_t at = 7 + 8 + 1;  // date record, module header with the one-letter name
  for (const row &r : rows) {
    ASSERT_LT(at + 9, c.image.size());
    EXPECT_EQ(c.image[at], 'L') << r.name;
    EXPECT_EQ(c.image[at + 1], r.kind) << r.name;
    EXPECT_EQ(c.image[at + 2], r.code) << r.name;
    size_t length = (uint8_t)c.image[at + 8];
    EXPECT_EQ(c.image.substr(at + 9, length), r.written) << r.name;
    at += 9 + length + 3;
  }
  EXPECT_EQ(c.image[at], 'Q');
}

TEST(ImprelBadObjects, FramingFaultsAreReportedAndNoImageIsLeft) {
  obj_fixture good;
  good.ident().text(0, {1, 2});
  struct row {
    const char *name;
    bytes tail;
    unsigned message;
  } rows[] = {
      {"no END record", {}, 422},
      {"a header cut short", {0x02, 0x00}, 422},
      {"kind 0", {0x00, 0x00, 0x00}, 423},
      {"kind 24", {0x00, 0x00, 24}, 423},
      {"body over 512 bytes", {0x01, 0x02, IO_SYM}, 424},
      {"body cut short", {0x10, 0x00, IO_TEXT, 1, 2}, 425},
      {"TEXT without its psect name's end", {0x06, 0x00, IO_TEXT, 0, 0, 0, 0, 't', 'x'}, 425},
      {"SYM entry running past the body", {0x05, 0x00, IO_SYM, 1, 0, 0, 0, 0x10}, 425},
      {"IDENT with maps that are no permutation", {0x07, 0x00, IO_IDENT, 0, 0, 2, 3, 0, 1, 0}, 425},
  };
  for (const row &r : rows) {
    obj_fixture obj = good;
    obj.data.insert(obj.data.end(), r.tail.begin(), r.tail.end());
    std::string dir = make_scratch_dir("objconv-");
    write_file(dir + "/l.obj", obj.data);
    write_file(dir + "/old.hex", std::string(":00000001FF\n"));
    run_result run = run_in(dir, staged_program("imprel") + " l.obj old.hex");
    EXPECT_EQ(run.status, 1) << r.name;
    EXPECT_EQ(message_numbers(run.err), std::vector<unsigned>{r.message}) << r.name << run.err;
    EXPECT_FALSE(file_exists(dir + "/old.hex")) << r.name;
  }
}

TEST(ImprelBadObjects, ConflictingBytesFailTheRun) {
  obj_fixture obj;
  obj.ident().text(0x10, {1, 2}).text(0x11, {9, 3}).start(0).end();
  converted c = convert(obj, "");
  EXPECT_EQ(c.run.status, 1);
  EXPECT_EQ(message_numbers(c.run.err), std::vector<unsigned>{1343});
  EXPECT_FALSE(c.image_exists);
}

TEST(ImprelCommandLine, BadOptionsAndFiles) {
  obj_fixture obj;
  obj.ident().text(0, {1}).end();
  struct row {
    const char *args;
    std::vector<unsigned> messages;
  } rows[] = {
      {"-16,3 l.obj", {405}},
      {"-16,0 l.obj", {405}},
      {"-1x l.obj", {404}},
      {"-Fzz l.obj", {402}},
      {"-F0xFF,zz l.obj", {402}},
      {"-Bxyz l.obj", {408}},
      {"-Axyz l.obj", {406}},
      {"-Uxyz l.obj", {407}},
      {"-P1x l.obj", {409}},
      {"-W l.obj", {393}},
      {"-W-10 l.obj", {523}},
      {"-S l.obj", {673}},
      {"-Q l.obj", {168, 529}},
      {"-G l.obj", {168, 529}},
      {"--disl=1 l.obj", {168, 529}},
      {"l.obj a.hex b.hex", {529}},
      {"-Sx.sym -U l.obj", {410}},
      {"-A -P l.obj", {410}},
      {"-U -I l.obj", {410}},
      {"-P -E l.obj", {410}},
      {"missing.obj", {141}},
      {"l.obj l.obj", {141}},
      {"-Cnone.txt l.obj", {141}},
      {"-Fzz -Bxyz -Axyz -Uxyz l.obj", {402, 408, 406, 407}},
  };
  for (const row &r : rows) {
    std::string dir = make_scratch_dir("objconv-");
    write_file(dir + "/l.obj", obj.data);
    run_result run = run_in(dir, staged_program("imprel") + " " + r.args);
    EXPECT_EQ(run.status, 1) << r.args;
    EXPECT_EQ(message_numbers(run.err), r.messages) << r.args << "\n" << run.err;
    EXPECT_EQ(read_file(dir + "/l.obj"), std::string(obj.data.begin(), obj.data.end())) << r.args;
  }
}

TEST(ImprelCommandLine, DefaultNamesArgumentFilesAndVersion) {
  obj_fixture obj;
  obj.ident().text(0, {1}).start(0).end();
  std::string dir = make_scratch_dir("objconv-");
  write_file(dir + "/l.obj", obj.data);
  EXPECT_EQ(run_in(dir, staged_program("imprel")).status, 0);  // no words on standard input
  EXPECT_EQ(read_file(dir + "/l.hex"), ":0100000001FE\n:00000001FF\n");
  EXPECT_EQ(run_in(dir, staged_program("imprel"), "-B\n").status, 0);
  EXPECT_EQ(read_file(dir + "/l.com"), std::string("\x01", 1));
  write_file(dir + "/args", std::string("-M l.obj s.mot\n"));
  EXPECT_EQ(run_in(dir, staged_program("imprel") + " @args").status, 0);
  EXPECT_EQ(read_file(dir + "/s.mot").substr(0, 2), "S0");
  run_result ver = run_in(dir, staged_program("imprel") + " --ver");
  EXPECT_EQ(ver.status, 0);
  EXPECT_FALSE(ver.out.empty() && ver.err.empty());
  // -E with a name sends the messages into that file.
  run_result redirected = run_in(dir, staged_program("imprel") + " -Eerrs.txt missing.obj");
  EXPECT_EQ(redirected.status, 1);
  EXPECT_EQ(message_numbers(read_file(dir + "/errs.txt")), std::vector<unsigned>{141});
}

}  // namespace
