// Every instruction and operand form, written once in our syntax and once in
// gputils' gpasm syntax from one table, assembles to the same bytes at the
// same addresses.
#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "assembler/tests/quelm_fixture.h"
#include "linker/io.h"

namespace {

struct line_pair {
  std::string ours, theirs;
};

std::vector<line_pair> instruction_table() {
  std::vector<line_pair> rows;
  auto add = [&](const std::string &ours, const std::string &theirs) { rows.push_back({"\t" + ours, "\t" + theirs}); };

  // f [,d] [,a]: designator words in any order, numbers by position; an
  // absolute address in the access bank without designator uses it (gpasm
  // decides alike), a masked one or any other address the bank.
  for (const char *m : {"addwf", "addwfc", "andwf", "comf", "decf", "decfsz", "dcfsnz", "incf", "incfsz",
                        "infsnz", "iorwf", "movf", "rlcf", "rlncf", "rrcf", "rrncf", "subfwb", "subwf",
                        "subwfb", "swapf", "xorwf"}) {
    std::string s = m;
    add(s + " 0x10", s + " 0x10, 1");
    add(s + " 0x10,w", s + " 0x10, 0");
    add(s + " 0x20,f,c", s + " 0x20, 1, 0");
    add(s + " 0x20, c, w", s + " 0x20, 0, 0");
    add(s + " 0x30,b,f", s + " 0x30, 1, 1");
    add(s + " 0FD8h,w", s + " 0xD8, 0, 0");
    add(s + " 0123h&0ffh", s + " 0x23, 1, 1");
    add(s + " 0F80h,W,B", s + " 0x80, 0, 1");
    add(s + " 40h,0,1", s + " 0x40, 0, 1");
    add(s + " 41h,1", s + " 0x41, 1");
  }
  for (const char *m : {"clrf", "cpfseq", "cpfsgt", "cpfslt", "movwf", "mulwf", "negf", "setf", "tstfsz"}) {
    std::string s = m;
    add(s + " 0x10", s + " 0x10");
    add(s + " 0x10,c", s + " 0x10, 0");
    add(s + " 0FE8h", s + " 0xE8, 0");
    add(s + " 55h,0", s + " 0x55, 0");
    add(s + " 1FFh&0ffh", s + " 0xFF, 1");
    add(s + " 0x60,b", s + " 0x60, 1");
  }
  for (const char *m : {"bcf", "bsf", "btfsc", "btfss", "btg"}) {
    std::string s = m;
    add(s + " 0x10,3", s + " 0x10, 3");
    add(s + " 0x10,c,7", s + " 0x10, 7, 0");
    add(s + " 0FD8h,0", s + " 0xD8, 0, 0");
    add(s + " 0x20,5,b", s + " 0x20, 5, 1");
    add(s + " 0x21,2,0", s + " 0x21, 2, 0");
    add(s + " (0x22)&0ffh, 4+2", s + " 0x22, 6, 1");
  }
  struct literal {
    const char *ours, *theirs;
  } literals[] = {
      {"0", "0"},           {"255", "255"},          {"7Fh", "0x7F"},
      {"-1", "0xFF"},       {"(3+4)*2", "14"},       {"low(1234h)", "0x34"},
      {"high(1234h)", "0x12"}, {"low highword(123456h)", "0x12"}, {"10h|1", "0x11"},
      {"0F0h&3Ch", "0x30"}, {"1<<4", "16"},          {"80h>>3", "16"},
      {"~0F0h&0ffh", "0x0F"}, {"100/3", "33"},       {"7^2", "5"},
      {"0x1F-3", "28"},     {"low (0ABCDh)", "0xCD"}, {"2*3+4*5", "26"},
      {"'A'", "'A'"},       {"';'", "';'"},          {"','+1", "0x2D"},
      {"'\\n'", "'\\n'"},   {"'\\\\'", "'\\\\'"},   {"'\\''", "'\\''"},
  };
  for (const char *m : {"addlw", "andlw", "iorlw", "movlw", "mullw", "retlw", "sublw", "xorlw"})
    for (const literal &l : literals) add(std::string(m) + " " + l.ours, std::string(m) + " " + l.theirs);
  for (int bank : {0, 1, 9, 15}) add("movlb " + std::to_string(bank), "movlb " + std::to_string(bank));

  // Relative branches at both ends of their reach.
  for (const char *m : {"bc", "bn", "bnc", "bnn", "bnov", "bnz", "bov", "bz"})
    for (const char *t : {"$+2", "$+256", "$-254", "$", "$+10"}) add(std::string(m) + " " + t, std::string(m) + " " + t);
  for (const char *m : {"bra", "rcall"})
    for (const char *t : {"$+2", "$+2048", "$-2046", "$"}) add(std::string(m) + " " + t, std::string(m) + " " + t);

  add("call 1234h", "call 0x1234, 0");
  add("call 1234h,f", "call 0x1234, 1");
  add("call 1FFFFEh,1", "call 0x1FFFFE, 1");
  add("call 2,0", "call 2, 0");
  add("goto 2468h", "goto 0x2468");
  add("goto 0", "goto 0");
  add("goto 1FFFFEh", "goto 0x1FFFFE");
  add("lfsr 0,123h", "lfsr 0, 0x123");
  add("lfsr 1,0", "lfsr 1, 0");
  add("lfsr 2,0FFFh", "lfsr 2, 0xFFF");
  add("movff 123h,0FE8h", "movff 0x123, 0xFE8");
  add("movff 0FFFh,0", "movff 0xFFF, 0");
  add("movff 0,0FEFh", "movff 0, 0xFEF");
  for (const char *m : {"retfie", "return"}) {
    std::string s = m;
    add(s, s + " 0");
    add(s + " f", s + " 1");
    add(s + " 1", s + " 1");
    add(s + " 0", s + " 0");
  }
  for (const char *m : {"clrwdt", "daw", "nop", "pop", "push", "reset", "sleep"}) add(m, m);
  add("nop2", "bra $+2");
  add("NOP2", "bra $+2");
  add("MOVLW 5", "movlw 5");
  const char *modes[] = {"*", "*+", "*-", "+*"};
  for (const char *m : {"tblrd", "tblwt"}) {
    for (const char *mode : modes) {
      add(std::string(m) + " " + mode, std::string(m) + mode);
      add(std::string(m) + mode, std::string(m) + mode);
    }
  }
  // Labels, forward and backward, and data.
  rows.push_back({"back:", "back:"});
  add("bra fwd", "bra fwd");
  add("bz back", "bz back");
  add("goto fwd", "goto fwd");
  add("call back,f", "call back, 1");
  add("movlw low(fwd)", "movlw low fwd");
  add("movlw high(fwd)", "movlw high fwd");
  add("dw fwd", "dw fwd");
  add("db 1,2", "db 1, 2");
  add("db -1,80h", "db 0xFF, 0x80");
  add("db 'A','\\n',\"a,b;\\\"c\"", "db 'A', '\\n', \"a,b;\\\"c\"");
  add("dw 1234h,-2", "dw 0x1234, 0xFFFE");
  rows.push_back({"fwd:", "fwd:"});
  add("bra back", "bra back");
  rows.push_back({"\torg 4000h", "\torg 0x4000"});
  add("goto back", "goto back");
  add("rcall $-2046", "rcall $-2046");
  return rows;
}

// Without the access bit, the same line in both: the access bank's RAM half
// and SFR half meet where the chip puts the split, which the chip database
// gives us.
std::vector<line_pair> default_access_table() {
  std::vector<line_pair> rows;
  for (const char *address : {"00h", "31h", "5Fh", "60h", "7Fh", "80h", "0FFh", "100h", "131h", "5FFh", "0F5Fh",
                              "0F60h", "0F7Fh", "0F80h", "0FD8h", "0FFFh"}) {
    std::string a = address, theirs = "0x" + a.substr(0, a.size() - 1);
    for (const char *form : {"movwf %", "clrf %", "addwf %", "movf %,w", "decfsz %,f", "bsf %,3", "btfsc %,0"}) {
      std::string ours = form, gp = form;
      ours.replace(ours.find('%'), 1, a);
      gp.replace(gp.find('%'), 1, theirs);
      rows.push_back({"\t" + ours, "\t" + gp});
    }
  }
  return rows;
}

// Bytes by address from our object's TEXT records; relocations are refused.
std::map<uint32_t, uint8_t> object_bytes(const std::string &path, std::string *problem) {
  std::map<uint32_t, uint8_t> bytes;
  FILE *fp = fopen(path.c_str(), "rb");
  if (!fp) {
    *problem = "no object";
    return bytes;
  }
  io_reader r;
  io_reader_init(&r, fp, IO_MAX_BODY);
  while (read_record_header(&r) && read_record_body(&r)) {
    if (r.kind == IO_RELOC) *problem = "unexpected relocation";
    if (r.kind == IO_TEXT) {
      uint32_t offset = io_get32(&io_little_endian, r.body);
      long data = io_skip_string(r.body, r.length, 4);
      for (uint32_t i = (uint32_t)data; i < r.length; i++) bytes[offset + i - data] = r.body[i];
    }
    if (r.kind == IO_END) break;
  }
  fclose(fp);
  return bytes;
}

// Assembles the table with both (quelm with these options) and compares
// the bytes; `least` bytes at least are expected.
void expect_same_bytes(QuelmTest &t, const std::vector<line_pair> &table, const std::string &chip,
                       const std::string &options, size_t least) {
  std::string ours = "\tpsect\tcode,abs,class=CODE\n\torg\t0\n";
  std::string theirs = "\tprocessor p" + chip + "\n\tradix dec\n\terrorlevel -302\n\torg 0\n";
  for (const line_pair &row : table) {
    ours += row.ours + "\n";
    theirs += row.theirs + "\n";
  }
  ours += "\tend\n";
  theirs += "\tend\n";
  t.write("ours.as", ours);
  t.write("theirs.asm", theirs);
  ASSERT_EQ(t.quelm(options + " -oours.obj -lours.lst ours.as"), 0) << t.errors();
  std::string gpasm = "cd " + t.dir.string() + " && gpasm -a inhx32 -o theirs.hex theirs.asm >gpasm.log 2>&1";
  ASSERT_EQ(system(gpasm.c_str()), 0) << t.read("gpasm.log");

  std::string problem;
  std::map<uint32_t, uint8_t> got = object_bytes(t.path("ours.obj"), &problem);
  EXPECT_EQ(problem, "");
  std::map<uint32_t, uint8_t> want = intel_hex_bytes(t.read("theirs.hex"));
  ASSERT_GT(want.size(), least);
  EXPECT_EQ(got.size(), want.size());
  // Report the first differing address with the listing line that placed it.
  for (const auto &[address, value] : want) {
    auto it = got.find(address);
    if (it == got.end() || it->second != value) {
      char where[16];
      snprintf(where, sizeof where, "%6X ", address & ~1u);
      std::string listing = t.read("ours.lst"), line;
      size_t at = listing.find(where);
      if (at != std::string::npos) line = listing.substr(at, listing.find('\n', at) - at);
      ADD_FAILURE() << "address 0x" << std::hex << address << ": ours "
                    << (it == got.end() ? std::string("missing") : std::to_string(it->second)) << ", gpasm "
                    << std::to_string(value) << "\n" << line;
      break;
    }
  }
}

TEST_F(QuelmTest, EveryInstructionFormMatchesGpasm) {
  if (system("gpasm -v >/dev/null 2>&1") != 0) GTEST_SKIP() << "gputils' gpasm is not installed";
  expect_same_bytes(*this, instruction_table(), "18f4520", "", 1000);
}

TEST_F(QuelmTest, DefaultAccessBitMatchesGpasmOnEachSplit) {
  if (system("gpasm -v >/dev/null 2>&1") != 0) GTEST_SKIP() << "gputils' gpasm is not installed";
  for (const char *chip : {"18F452", "18F4550", "18F26K22"}) {
    SCOPED_TRACE(chip);
    std::string lower = chip;
    for (char &c : lower) c = char(tolower((unsigned char)c));
    expect_same_bytes(*this, default_access_table(), lower,
                      std::string("-C" TOVRA_STAGE "/dat/tovra-18.ini -") + chip, 200);
  }
}

}  // namespace
