// The hex merger as a program: merges, edits and checksums compared with
// srec_cat's, output layout, the log, messages and exit statuses.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "hexmerge/tests/hex_fixture.h"
#include "tests/support/test_support.h"

namespace {

std::vector<uint8_t> pattern(size_t n, unsigned seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; i++) v[i] = (uint8_t)(i * 37 + seed * 11 + (i >> 8));
  return v;
}

class Tessik : public testing::Test {
 protected:
  std::string dir = make_scratch_dir("hexmerge-");
  void SetUp() override {
    write_file(dir + "/a.hex", ihex({{0x0000, pattern(0x300, 1)}, {0xFFF8, pattern(0x20, 2)}}));
    write_file(dir + "/b.hex", ihex({{0x0400, pattern(0x100, 3)}, {0x20000, pattern(0x18, 4)}}));
    write_file(dir + "/c.hex", ihex({{0x0010, std::vector<uint8_t>(16, 0xEE)}}));
    write_file(dir + "/e.hex", ihex({{0x00, {0xC0, 0x00, 0xC5, 0x67, 0xC0, 0x00, 0xAA, 0xBB}},
                                     {0x10, {0x00, 0xC0, 0x00, 0x55}},
                                     {0x105, {0x77}}}));
  }
  run_result tessik(const std::string &args) { return run_in(dir, staged_program("tessik") + " " + args); }
  byte_map output_of(const std::string &args) {
    run_result r = tessik(args + " -Oout.hex");
    EXPECT_EQ(r.status, 0) << args << ": " << r.err;
    return read_ihex(read_file(dir + "/out.hex"));
  }
};

// The same operation through srec_cat must give the same memory.
TEST_F(Tessik, MergesOffsetsFillsAndSumsAsSrecCatDoes) {
  struct {
    const char *tessik;
    const char *srec_cat;
  } cases[] = {
      {"a.hex b.hex", "a.hex -intel b.hex -intel"},
      {"r100-1FFs1000,a.hex", "a.hex -intel -crop 0x100 0x200 -offset 0x1000"},
      {"r200-,a.hex b.hex", "a.hex -intel -crop 0x200 0x1000000 b.hex -intel"},
      {"s1F000r400-0,b.hex", "b.hex -intel -crop 0x400 0x1000000 -offset 0x1F000"},
      {"-addressing=2 r80-FF,a.hex", "a.hex -intel -crop 0x100 0x200"},
      {"a.hex +c.hex", "a.hex -intel -exclude 0x10 0x20 c.hex -intel"},
      {"a.hex -fill=FF@0-1FFF", "a.hex -intel -fill 0xFF 0 0x2000"},
      {"b.hex -FILL=00@3F0-40F -FILL=11@1FFF8-2001F",
       "b.hex -intel -fill 0 0x3F0 0x410 -fill 0x11 0x1FFF8 0x20020"},
  };
  for (const auto &c : cases) {
    run_result r = tessik(std::string(c.tessik) + " -Oout.hex");
    ASSERT_EQ(r.status, 0) << c.tessik << ": " << r.err;
    run_result ref = run_in(dir, std::string("srec_cat ") + c.srec_cat + " -o ref.hex -intel");
    ASSERT_EQ(ref.status, 0) << ref.err;
    run_result cmp = run_in(dir, "srec_cmp out.hex -intel ref.hex -intel");
    EXPECT_EQ(cmp.status, 0) << c.tessik << " / " << c.srec_cat << ": " << cmp.out << cmp.err;
  }
}

TEST_F(Tessik, ChecksumsAgreeWithSrecCat) {
  struct {
    const char *ck;
    const char *filter;
    const char *fill = "FF";
  } cases[] = {
      {"-ck=0-FFF@1000", "-checksum-positive-l-e 0x1000 2 1"},
      {"-ck=0-FFF@1000w1", "-checksum-positive-b-e 0x1000 1 1"},
      {"-ck=0-FFF@1000w4g-1", "-checksum-negative-b-e 0x1000 4 1"},
      {"-ck=0-FFF@1000w-3g-1", "-checksum-negative-l-e 0x1000 3 1"},
      // srec_cat sums words in the byte order it stores the result in.
      {"-ck=0-FFF@1000w-2g2", "-checksum-positive-l-e 0x1000 2 2"},
      {"-ck=0-FFF@1000w-2g-2", "-checksum-negative-l-e 0x1000 2 2"},
      {"-ck=0-FFF@1000w-4g4", "-checksum-positive-l-e 0x1000 4 4"},
      {"-ck=0-FFF@1000+1021w2g5", "-crc16-b-e 0x1000 -xmodem"},
      {"-ck=0-FFF@1000+1021w-2g6", "-crc16-l-e 0x1000 -xmodem"},
      {"-ck=0-FFF@1000+8408w2g-5", "-crc16-b-e 0x1000 -xmodem -least-to-most"},
      {"-ck=0-FFF@1000+A001w-2g-6", "-crc16-l-e 0x1000 -xmodem -least-to-most -polynomial ibm"},
      // srec_cat puts the first sum high, so its little-endian bytes are
      // the standard value's big-endian ones. It keeps a sum divisible by
      // 255 as 0xFF, so the data here gives no such sum.
      {"-ck=0-FFF@1000w2g7", "-fletcher16-l-e 0x1000 0 0", "01"},
  };
  for (const auto &c : cases) {
    run_result r = tessik(std::string("a.hex -fill=") + c.fill + "@0-FFF " + c.ck + " -Oout.hex");
    ASSERT_EQ(r.status, 0) << c.ck << ": " << r.err;
    run_result ref = run_in(dir, std::string("srec_cat '(' a.hex -intel -fill 0x") + c.fill + " 0 0x1000 -crop 0 0x1000 " +
                                     c.filter + " ')' '(' a.hex -intel -exclude 0 0x1000 ')' -o ref.hex -intel");
    ASSERT_EQ(ref.status, 0) << ref.err;
    run_result cmp = run_in(dir, "srec_cmp out.hex -intel ref.hex -intel");
    EXPECT_EQ(cmp.status, 0) << c.ck << " / " << c.filter << ": " << cmp.out << cmp.err;
  }
}

TEST_F(Tessik, WritesRecordsAsTheFormatAsks) {
  write_file(dir + "/l.hex", ihex({{0xFFF8, pattern(16, 5)}, {0x10010, {1, 2}}}));
  auto data = [](unsigned address, const std::vector<uint8_t> &bytes) { return ihex_record(0, address, bytes); };
  const std::vector<uint8_t> p = pattern(16, 5);
  const std::vector<uint8_t> low(p.begin(), p.begin() + 8), high(p.begin() + 8, p.end());
  struct {
    const char *args;
    std::string expected;
  } cases[] = {
      {"", data(0xFFF8, low) + ihex_record(4, 0, {0, 1}) + data(0x0000, high) + data(0x0010, {1, 2})},
      {"-FORMAT=INHX032", ihex_record(4, 0, {0, 0}) + data(0xFFF8, low) + ihex_record(4, 0, {0, 1}) +
                              data(0x0000, high) + data(0x0010, {1, 2})},
      {"-format=inhx8m", data(0xFFF8, low)},
      {"-FORMAT=INHX32,4", data(0xFFF8, {low[0], low[1], low[2], low[3]}) +
                               data(0xFFFC, {low[4], low[5], low[6], low[7]}) +
                               ihex_record(4, 0, {0, 1}) + data(0x0000, {high[0], high[1], high[2], high[3]}) +
                               data(0x0004, {high[4], high[5], high[6], high[7]}) + data(0x0010, {1, 2})},
      {"-BREAK=FFFA,10011", data(0xFFF8, {low[0], low[1]}) +
                                data(0xFFFA, {low[2], low[3], low[4], low[5], low[6], low[7]}) +
                                ihex_record(4, 0, {0, 1}) + data(0x0000, high) + data(0x0010, {1}) +
                                data(0x0011, {2})},
  };
  for (const auto &c : cases) {
    run_result r = tessik(std::string("l.hex ") + c.args);
    EXPECT_EQ(r.status, 0) << c.args << ": " << r.err;
    EXPECT_EQ(r.out, c.expected + ":00000001FF\n") << c.args;
  }
  // The default record holds 16 bytes; a length of 0 means the longest.
  write_file(dir + "/long.hex", ihex({{0, pattern(300, 6)}}));
  EXPECT_EQ(tessik("long.hex").out.find(ihex_record(0, 0, pattern(16, 6))), 0u);
  std::string longest = tessik("long.hex -FORMAT=INHX32,0").out;
  EXPECT_EQ(longest.find(ihex_record(0, 0, pattern(128, 6))), 0u) << longest;
}

TEST_F(Tessik, EditsTheImage) {
  struct {
    const char *args;
    uint32_t address;
    int count;
    const char *expected;
  } cases[] = {
      {"-FIND=C000@0-FF/2,REPLACE=1234", 0x00, 8, "12 34 C5 67 12 34 AA BB"},
      {"-FIND=C000@0-FF/2,REPLACE=1234", 0x10, 4, "00 C0 00 55"},
      {"-FIND=C000@1-FF/4,REPLACE=1234", 0x00, 8, "C0 00 C5 67 12 34 AA BB"},
      {"-FIND=C000MF000@0-FF/2,REPLACE=1234MFF00", 0x00, 8, "12 00 12 67 12 00 AA BB"},
      {"-FIND=C000@0-FF,REPLACE=C000", 0x00, 8, "C0 00 C5 67 C0 00 AA BB"},
      {"-FIND=C000@0-FF,REPLACE=C000", 0x10, 4, "00 C0 00 55"},
      {"-FIND=C000@0-FF,DELETE", 0x00, 8, "-- -- C5 67 -- -- AA BB"},
      {"-FIND=C000@0-FF,DELETE", 0x10, 4, "00 -- -- 55"},
      // The last given runs first; what it stored is no input data to match.
      {"-FIND=01@0-FF,REPLACE=02 -FIND=C0@0-13,REPLACE=01", 0x00, 8, "01 00 C5 67 01 00 AA BB"},
      {"-MASK=0F@0-FF", 0x00, 4, "00 00 05 07"},
      {"-MASK=0F@0-FF", 0x105, 1, "77"},
      {"-MASK=F00F@0-7", 0x00, 4, "C0 00 C0 07"},
      {"-SERIAL=1234@3000", 0x3000, 2, "12 34"},
      {"-SERIAL=123@3000", 0x3000, 2, "01 23"},
      {"-SERIAL=0001+1@200r3", 0x200, 6, "00 01 00 02 00 03"},
      {"-SERIAL=AA-1@200+4r0x3", 0x200, 9, "AA -- -- -- A9 -- -- -- A8"},
      {"-addressing=2 -SERIAL=1234@1800", 0x3000, 2, "12 34"},
      {"+-SERIAL=99@0", 0x00, 2, "99 00"},
      {"-STRING@300t34=AB", 0x300, 7, "41 34 42 34 00 34 --"},
      {"-STRING@300=", 0x300, 2, "00 --"},
      {"-STRPACK@400=AB", 0x400, 5, "C2 20 00 00 --"},
      {"-STRPACK@400=ABC", 0x400, 5, "C2 20 80 21 --"},
      {"-FILL=1234@20-26", 0x20, 8, "12 34 12 34 12 34 12 --"},
      {"-FILL=EE@0-FF", 0x00, 9, "C0 00 C5 67 C0 00 AA BB EE"},
      {"-FILL=EE@100-1FF,data", 0x100, 0x11,
       "EE EE EE EE EE 77 EE EE EE EE EE EE EE EE EE EE --"},
      {"-FILL=EE@103-1FF,data", 0x100, 4, "-- -- -- EE"},
      {"-FORMAT=INHX32,8 -FILL=EE@100-1FF,data", 0x100, 9, "EE EE EE EE EE 77 EE EE --"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(bytes_at(output_of(std::string("e.hex ") + c.args), c.address, c.count), c.expected) << c.args;
}

// Data with a hole at 0x100-0x10F for checksum results.
class TessikChecksum : public Tessik {
 protected:
  std::vector<uint8_t> low = pattern(0x100, 7), high = pattern(0xF0, 8);
  void SetUp() override {
    Tessik::SetUp();
    write_file(dir + "/k.hex", ihex({{0x000, low}, {0x110, high}}));
  }
  unsigned sum(const std::vector<uint8_t> &v) {
    unsigned s = 0;
    for (uint8_t b : v) s += b;
    return s;
  }
};

TEST_F(TessikChecksum, StoresResultsWithWidthOrderAndTrailingCode) {
  char expected[64];
  unsigned s = sum(low) & 0xFFFF;
  snprintf(expected, sizeof expected, "%02X %02X", s & 0xFF, s >> 8);
  EXPECT_EQ(bytes_at(output_of("k.hex -CK=0-FF@100"), 0x100, 2), expected);
  EXPECT_EQ(bytes_at(output_of("k.hex -CK=0-FF@100w-2"), 0x100, 2), expected);
  snprintf(expected, sizeof expected, "%02X %02X", s >> 8, s & 0xFF);
  EXPECT_EQ(bytes_at(output_of("k.hex -CK=0-FF@100w2"), 0x100, 2), expected);
  snprintf(expected, sizeof expected, "%02X 34 %02X 34 --", s & 0xFF, s >> 8);
  EXPECT_EQ(bytes_at(output_of("k.hex -CK=0-FF@100w-2t34"), 0x100, 5), expected);
  unsigned offset_sum = (s + 0x1234) & 0xFFFF;
  snprintf(expected, sizeof expected, "%02X %02X", offset_sum & 0xFF, offset_sum >> 8);
  EXPECT_EQ(bytes_at(output_of("k.hex -CK=0-FF@100+1234"), 0x100, 2), expected);
}

TEST_F(TessikChecksum, AResultInsideAnotherRangeIsComputedFirst) {
  byte_map m = output_of("k.hex -CK=0-1FF@400 -CK=0-FF@100 -FILL=00@0-1FF");
  unsigned inner = sum(low) & 0xFFFF;
  unsigned outer = (sum(low) + sum(high) + (inner & 0xFF) + (inner >> 8)) & 0xFFFF;
  char expected[32];
  snprintf(expected, sizeof expected, "%02X %02X", inner & 0xFF, inner >> 8);
  EXPECT_EQ(bytes_at(m, 0x100, 2), expected);
  snprintf(expected, sizeof expected, "%02X %02X", outer & 0xFF, outer >> 8);
  EXPECT_EQ(bytes_at(m, 0x400, 2), expected);
}

TEST_F(TessikChecksum, ARangeHoldingItsOwnResultNeverResolvesUnlessForced) {
  run_result r = tessik("k.hex -FILL=00@100-10F -CK=0-1FF@100 -Oout.hex -LOGFILE=k.log");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(msg_tag(945)), std::string::npos) << r.err;
  EXPECT_NE(read_file(dir + "/k.log").find(" Checksum 0 : (0h to 1FFh) = 0000\n"), std::string::npos);
  // Forced, its own reserved zeros count as data.
  unsigned s = (sum(low) + sum(high)) & 0xFFFF;
  char expected[16];
  snprintf(expected, sizeof expected, "%02X %02X", s & 0xFF, s >> 8);
  EXPECT_EQ(bytes_at(output_of("k.hex -FILL=00@100-10F +-CK=0-1FF@100"), 0x100, 2), expected);
}

TEST_F(TessikChecksum, UnusedBytesAreLeftOutAndWarnedAbout) {
  run_result r = tessik("k.hex -CK=0-1FF@400+1021g5 -Oout.hex");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find(msg_tag(963)), std::string::npos) << r.err;
  // The same CRC as over the data alone, hole closed up.
  write_file(dir + "/closed.hex", ihex({{0x000, low}, {0x100, high}}));
  run_result closed = tessik("closed.hex -CK=0-1EF@400+1021g5 -Oclosed_out.hex");
  EXPECT_EQ(closed.status, 0) << closed.err;
  EXPECT_EQ(bytes_at(read_ihex(read_file(dir + "/out.hex")), 0x400, 2),
            bytes_at(read_ihex(read_file(dir + "/closed_out.hex")), 0x400, 2));
}

TEST_F(Tessik, ClashingInputsKeepTheFirstByteUnlessForced) {
  run_result r = tessik("a.hex c.hex -Oa.hex");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(msg_tag(944)), std::string::npos) << r.err;
  // An image with contradicting data is not written over an input.
  EXPECT_EQ(read_file(dir + "/a.hex"), ihex({{0x0000, pattern(0x300, 1)}, {0xFFF8, pattern(0x20, 2)}}));

  r = tessik("a.hex +c.hex -Oa.hex");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  char expected[16];
  snprintf(expected, sizeof expected, "%02X EE EE", pattern(0x300, 1)[0x0F]);
  EXPECT_EQ(bytes_at(read_ihex(read_file(dir + "/a.hex")), 0x0F, 3), expected);

  // The same byte twice is no clash.
  r = tessik("e.hex e.hex -Oout.hex");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
}

TEST_F(Tessik, ReportsBadInputAndOptions) {
  write_file(dir + "/badsum.hex", ":0100000041BF\n:00000001FF\n");
  write_file(dir + "/baddigit.hex", ":01000000G1BE\n:00000001FF\n");
  write_file(dir + "/short.hex", ":10000000414243\n:00000001FF\n");
  write_file(dir + "/type2.hex", ":020000021000EC\n:00000001FF\n");
  write_file(dir + "/noend.hex", ":0100000041BE\n");
  write_file(dir + "/binary.hex", std::string("\x00\xff:\x01", 4));
  struct {
    const char *args;
    int message;
    int status;
  } cases[] = {
      {"missing.hex", 141, 1},
      {"badsum.hex", 636, 1},
      {"baddigit.hex", 942, 1},
      {"short.hex", 942, 1},
      {"binary.hex", 942, 1},
      {"type2.hex", 960, 1},
      {"noend.hex", 966, 0},
      {"e.hex -NOPE", 168, 1},
      {"e.hex -W", 168, 1},
      {"e.hex -Wx", 168, 1},
      {"e.hex -FILL=FF@0-FF,", 924, 1},
      {"-addressing=5 e.hex", 928, 1},
      {"e.hex -FILL=FF@0-FF,datum", 930, 1},
      {"e.hex -CK=0-FF", 941, 1},
      {"e.hex -CK=0-FF@", 941, 1},
      {"e.hex -FILL=@0-FF", 941, 1},
      {"e.hex '-FIND=C000@0-FF,DELETE x'", 941, 1},
      {"e.hex '-FIND=C000@0-FF,DELETE  '", 0, 0},
      {"e.hex -SERIAL=12@0r0", 941, 1},
      {"e.hex -STRING@100", 941, 1},
      {"e.hex -LOGFILE=", 941, 1},
      {"r100,e.hex", 941, 1},
      {"s,e.hex", 941, 1},
      {"-addressing=x e.hex", 941, 1},
      {"e.hex -CK=0-FF@100w0", 948, 1},
      {"e.hex -CK=0-FF@100w-5", 948, 1},
      {"e.hex -CK=FF-0@100", 949, 1},
      {"e.hex -FILL=FF@FF-0", 951, 1},
      {"e.hex -FIND=C0@FF-0", 951, 1},
      {"e.hex -SERIAL=112233445566778899@0", 956, 1},
      {"e.hex e.hex e.hex e.hex e.hex e.hex", 958, 1},
      {"-addressing=2 -ADDRESSING=1 e.hex", 1198, 1},
      {"e.hex -CK=0-1@200 -CK=0-1@202 -CK=0-1@204 -CK=0-1@206", 1198, 1},
      {"e.hex -BREAK=1,2,3,4,5,6,7,8,9,A,B", 1198, 1},
      {"e.hex -FIND=C000MF0@0-FF", 1201, 1},
      {"e.hex -FIND=C000@0-FF,REPLACE=12", 1201, 1},
      {"e.hex -FORMAT=INHX99", 1202, 1},
      {"e.hex -FILL=FFF@0-FF", 1203, 1},
      {"e.hex -MASK=112233445566778899@0-FF", 1204, 1},
      {"e.hex -CK=0-FF@100g9", 1240, 1},
      {"e.hex -CK=0-FF@100g0", 1240, 1},
      {"e.hex -FIND=C000@0-FF/0", 1245, 1},
      {"e.hex -FIND=C000@0-FFwtfound", 1212, 0},
      {"e.hex -O/dev/full", 378, 1},
      {"e.hex -LOGFILE=nodir/x.log", 378, 1},
  };
  for (const auto &c : cases) {
    run_result r = tessik(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << ": " << r.err;
    if (c.message) {
      EXPECT_NE(r.err.find(msg_tag(c.message)), std::string::npos) << c.args << ": " << r.err;
    }
  }
}

TEST_F(Tessik, WritesTheLog) {
  std::vector<uint8_t> counting;
  for (int i = 0; i < 16; i++) counting.push_back((uint8_t)i);
  write_file(dir + "/t.hex", ihex({{0x00, counting}, {0x100, {0xAA}}}));
  run_result r = tessik("t.hex -LOGFILE=t.log -SIZE -CK=0-F@20 -FIND=0001@0-F,REPLACE=0101 -FIND=ABCD@0-F -O");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Total data: 19 (13h) bytes\n");
  std::string page0 = "00000000: &&" + std::string(14, '1') + std::string(16, '-') + "CC" + std::string(30, '-') + "\n";
  std::string page1 = "00000100: 1" + std::string(63, '-') + "\n";
  EXPECT_EQ(read_file(dir + "/t.log"),
            "### TESSIK logfile and output summary ###\n"
            "### OP Code find / replace / delete results ###"
            "\n Search results for         OPCode (ABCDh & FFFFh):"
            "\n  No occurances found."
            "\n Search results for         OPCode (0001h & FFFFh):"
            "\n  found (0001h) at address 0h, replaced with (0101h)"
            "\n\n"
            "### Memory Usage ###"
            "\n Unused memory ranges:\n  10h - 1Fh\n  22h - FFh\n  101h - 13Fh\n  "
            "\n Stored checksum result ranges:\n  20h - 21h\n  "
            "\n Find & replace opcode ranges:\n  0h - 1h\n  "
            "\n t.hex ranges:\n  2h - Fh\n  100h - 100h\n  "
            "\nTotal data: 19 (13h) bytes\n"
            "\n### Checksum Reports ###\n Checksum 0 : (0h to Fh) = 0079\n"
            "\n### Hex Memory Map ###\n Legend:\n"
            "  - = Unused memory\n  F = Filled ROM\n  S = Stored serial code\n"
            "  A = Stored ASCII string\n  R = Reserved for checksum\n  C = Stored checksum result\n"
            "  T = Trailing code\n  & = Find & replace opcode\n  X = Find & delete opcode\n"
            "  1 = t.hex\n" +
                page0 + page1);
}

TEST_F(Tessik, LogListsARunAcrossAdjacentPagesOnceAndNamesEveryInput) {
  write_file(dir + "/u.hex", ihex({{0x30, pattern(0x20, 9)}}));
  run_result r = tessik("e.hex u.hex +c.hex -LOGFILE=u.log -O");
  EXPECT_EQ(r.status, 0) << r.err;
  std::string log = read_file(dir + "/u.log");
  EXPECT_NE(log.find("\n u.hex ranges:\n  30h - 4Fh\n  \n"), std::string::npos) << log;
  EXPECT_NE(log.find("  1 = e.hex\n  2 = u.hex\n  3 = c.hex\n00000000: "), std::string::npos) << log;
}

TEST_F(Tessik, HelpAndBanner) {
  run_result r = tessik("");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("tessik -HELP"), std::string::npos) << r.err;
  r = tessik("-HELP");
  EXPECT_EQ(r.status, 0);
  int rows = 0;
  std::stringstream lines(r.out);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("  ", 0) == 0 && line.find(" : ") != std::string::npos) rows++;
  EXPECT_EQ(rows, 19) << r.out;
  r = tessik("-help=ck");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("  USAGE: -CK=start-end@dest[+offset][wWidth][tCode][gAlgorithm]\n"), std::string::npos);
  EXPECT_NE(r.out.find("  Example: -CK=0-1FFF@5FFC+1234w-2t34w2\n"), std::string::npos);
  r = tessik("-HELP=-MASK");
  EXPECT_NE(r.out.find("  USAGE: -MASK=hexcode@start-end\n"), std::string::npos) << r.out;
  r = tessik("-HELP=BOGUS");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find(msg_tag(953)), std::string::npos);
  EXPECT_NE(r.out.find("  -FIND     : "), std::string::npos);
  r = tessik("--ver");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("tessik"), std::string::npos);
}

}  // namespace
