// The chip headers: registers read from the chip database with what chips
// inherit, the C names of their bits, the faults the writer refuses, and the
// staged headers of every chip, parsed by our own passes and checked against
// gputils' device files.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <fstream>
#include <map>
#include <set>
#include <algorithm>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "driver/chiphdr.h"
#include "common/vector.h"
#include "driver/chipinfo.h"
#include "support.h"

namespace {

// A section that passes the chip reader's own checks.
const std::string minimal = "ROMSIZE=8000\nRAMSIZE=600\nCOMMON=0-7F\nCFGS_UNPROG=1,700\n";

class chiphdr : public ::testing::Test {
 protected:
  bool read(const std::string &text) { return chiphdr_read(dir.file("chips.ini", text).c_str(), chips); }

  const chiphdr_chip &chip(const std::string &name) {
    for (const chiphdr_chip &c : chips)
      if (c.name == name) return c;
    static chiphdr_chip none;
    ADD_FAILURE() << "no chip " << name;
    return none;
  }

  scratch_dir dir;
  message_capture messages;
  std::vector<chiphdr_chip> chips;
};

// "NAME@ADDRESS" for each register, in order.
std::string register_list(const chiphdr_chip &chip) {
  std::string out;
  for (const chiphdr_register &reg : chip.registers) {
    char at[16];
    snprintf(at, sizeof at, "@%X", unsigned(reg.address));
    out += (out.empty() ? "" : " ") + reg.names[0] + at;
  }
  return out;
}

// "NAME@ADDRESS.BIT" for each bit object, in order.
std::string bit_list(const chiphdr_chip &chip) {
  std::string out;
  for (const chiphdr_bit_object &bit : chiphdr_bit_objects(chip)) {
    char at[24];
    snprintf(at, sizeof at, "@%X.%d", unsigned(bit.address), bit.bit);
    out += (out.empty() ? "" : " ") + bit.name + at;
  }
  return out;
}

TEST_F(chiphdr, chips_start_from_the_core_or_from_another_chip) {
  ASSERT_TRUE(read("ARCH=PIC18\nSFR=STATUS,FD8,C,DC\nSFR=PRODL,FF3\nSFR=PRODH,FF4\nSFR16=PROD\n"
                   "[A]\n" + minimal +
                   "SFR=PORTB,F81\nSFR=TMR1L,FCE\nSFR=TMR1H,FCF\nSFR=LATB,F8A\nSFR16=TMR1\n"
                   "[B]\n" + minimal +
                   "SFRFROM=a\nSFR=LATC,F8A\nSFR=TRISB,F93\nSFR16=TMR1X\nSFR=TMR1XL,F00\nSFR=TMR1XH,F01\n"
                   "[C]\n" + minimal + "SFR=STATUS,FD8\n"))
      << messages.text();
  EXPECT_EQ(register_list(chip("A")), "PORTB@F81 LATB@F8A TMR1L@FCE TMR1H@FCF STATUS@FD8 PRODL@FF3 PRODH@FF4");
  EXPECT_EQ(chip("A").pairs, (std::vector<std::string>{"PROD", "TMR1"}));
  // A register at an inherited address replaces it, others and pairs add.
  EXPECT_EQ(register_list(chip("B")),
            "TMR1XL@F00 TMR1XH@F01 PORTB@F81 LATC@F8A TRISB@F93 TMR1L@FCE TMR1H@FCF STATUS@FD8 PRODL@FF3 PRODH@FF4");
  EXPECT_EQ(chip("B").pairs, (std::vector<std::string>{"PROD", "TMR1", "TMR1X"}));
  // The chip's own line wins over the core's, bits and all.
  EXPECT_EQ(register_list(chip("C")), "STATUS@FD8 PRODL@FF3 PRODH@FF4");
  EXPECT_TRUE(chip("C").registers[0].bits.empty());
  EXPECT_TRUE(messages.lines().empty()) << messages.text();
}

TEST_F(chiphdr, bits_fields_and_their_c_names) {
  ASSERT_TRUE(read("ARCH=PIC18\n[A]\n" + minimal +
                   "SFR=T0CON,FD5,T0PS*3,PSA/T0PS3,,T0CS\n"
                   "SFR=T1CON,FCD,TMR1ON,,,,,,,RD16\n"
                   "SFR=T3CON,FB1,TMR3ON,,,,,,,RD16\n"
                   "SFR=STATUS,FD8,C,DC\n"
                   "SFR=HLVDCON/LVDCON,FD2,HLVDL*4/LVDL*4,HLVDEN\n"
                   "SFR=SSPCON1,FC6,,SSPCON2\n"
                   "SFR=SSPCON2,FC5\n"))
      << messages.text();
  const chiphdr_register &t0con = chip("A").registers[5];
  ASSERT_EQ(t0con.names[0], "T0CON");
  ASSERT_EQ(t0con.bits.size(), 3u);
  EXPECT_EQ(t0con.bits[0].names, (std::vector<std::string>{"T0PS"}));
  EXPECT_EQ(t0con.bits[0].width, 3);
  EXPECT_EQ(t0con.bits[1].position, 3);
  EXPECT_EQ(t0con.bits[2].position, 5);
  // Shared names, single letters and register names take their register's name.
  EXPECT_EQ(bit_list(chip("A")),
            "TMR3ON@FB1.0 T3CON_RD16@FB1.7 "
            "SSPCON1_SSPCON2@FC6.1 "
            "TMR1ON@FCD.0 T1CON_RD16@FCD.7 "
            "HLVDL0@FD2.0 LVDL0@FD2.0 HLVDL1@FD2.1 LVDL1@FD2.1 HLVDL2@FD2.2 LVDL2@FD2.2 HLVDL3@FD2.3 LVDL3@FD2.3 "
            "HLVDEN@FD2.4 "
            "T0PS0@FD5.0 T0PS1@FD5.1 T0PS2@FD5.2 PSA@FD5.3 T0PS3@FD5.3 T0CS@FD5.5 "
            "STATUS_C@FD8.0 DC@FD8.1");
}

TEST_F(chiphdr, a_header_declares_registers_bits_structures_and_pairs) {
  ASSERT_TRUE(read("ARCH=PIC18\n[18F99]\n" + minimal +
                   "SFR=ADRESL,FC3\nSFR=ADRESH,FC4\nSFR16=ADRES\nSFR=ADCON0/ADCON,FC2,ADON,,GO/DONE,CHS*3\n"))
      << messages.text();
  EXPECT_EQ(chiphdr_file_name("18F99"), "tovra18_18f99.h");
  EXPECT_EQ(chiphdr_header(chip("18F99")),
            "/* Special function registers of the PIC18F99, written by the build from the chip\n"
            "   database. Include <tovra18.h>, which picks the header of the chip compiled for. */\n"
            "#ifndef TOVRA18_18F99_H\n"
            "#define TOVRA18_18F99_H\n"
            "\n"
            "#ifndef _18F99\n"
            "#error \"tovra18_18f99.h is the header of the 18F99: include <tovra18.h>\"\n"
            "#endif\n"
            "\n"
            "volatile unsigned char ADCON0 @ 0xFC2;\n"
            "volatile unsigned char ADCON @ 0xFC2;\n"
            "volatile bit ADON @ (0xFC2 * 8 + 0);\n"
            "volatile bit GO @ (0xFC2 * 8 + 2);\n"
            "volatile bit DONE @ (0xFC2 * 8 + 2);\n"
            "volatile bit CHS0 @ (0xFC2 * 8 + 3);\n"
            "volatile bit CHS1 @ (0xFC2 * 8 + 4);\n"
            "volatile bit CHS2 @ (0xFC2 * 8 + 5);\n"
            "volatile struct {\n\tunsigned ADON : 1;\n\tunsigned : 1;\n\tunsigned GO : 1;\n\tunsigned CHS : 3;\n"
            "\tunsigned : 2;\n} ADCON0bits @ 0xFC2;\n"
            "volatile struct {\n\tunsigned ADON : 1;\n\tunsigned : 1;\n\tunsigned GO : 1;\n\tunsigned CHS : 3;\n"
            "\tunsigned : 2;\n} ADCONbits @ 0xFC2;\n"
            "\n"
            "volatile unsigned char ADRESL @ 0xFC3;\n"
            "\n"
            "volatile unsigned char ADRESH @ 0xFC4;\n"
            "volatile unsigned int ADRES @ 0xFC3;\n"
            "\n"
            "#endif\n");
  EXPECT_EQ(chiphdr_selector(chips),
            "/* The chip headers, one of which <tovra18.h> includes for the chip that the\n"
            "   driver names in its macro _<chip>; written by the build from the chip database. */\n"
            "#if defined(_18F99)\n#include <tovra18_18f99.h>\n"
            "#else\n#error \"tovra18.h: no chip of the chip database is selected (compile with tovra18 "
            "--chip=NAME)\"\n#endif\n");
}

struct fault_case {
  std::string section;  // the lines of chip A after the minimal ones
  const char *said;     // part of the message
};

TEST_F(chiphdr, faults_are_reported_and_fail_the_read) {
  const fault_case cases[] = {
      {"SFR=PORTA,1000\n", "bad address \"1000\""},
      {"SFR=PORTA,F8G\n", "bad address"},
      {"SFR=PORTA\n", "needs a name and an address"},
      {"SFR=PORT-A,F80\n", "\"PORT-A\" is no C name"},
      {"SFR=PORTA,F80,R0,,2X\n", "\"2X\" of PORTA is no C name"},
      {"SFR=PORTA,F80,X*5,Y*4\n", "bits above bit 7"},
      {"SFR=PORTA,F80,A,B,C,D,E,F,G,H,I\n", "bits above bit 7"},
      {"SFR=PORTA,F80,X*3/Y*2\n", "differ in width"},
      {"SFR=PORTA,F80,X*1\n", "bad field width"},
      {"SFR=PORTA,F80,X*3,X1\n", "gives a name to two of its bits"},
      {"SFR=PORTA,F80,RA0,RA0\n", "gives a name to two of its bits"},
      {"SFR=PORTA,F80\nSFR=PORTA,F81\n", "PORTA is declared twice"},
      {"SFR=PORTA,F80,RA0\nSFR=LATA,F89,RA0/LATA_RA0\n", "LATA_RA0 is declared twice"},
      {"SFR=PORTA,F80\nSFR=LATA,F80\n", "two registers at the same address"},
      {"SFRFROM=B\n", "SFRFROM names B"},
      {"SFRFROM=A\n", "leads back to the chip"},
      {"SFRFROM=C\nSFRFROM=C\n", "more than once"},
      {"SFR=TMRL,FCE\nSFR16=TMR\n", "the pair TMR needs TMRL with TMRH above it"},
      {"SFR=TMRL,FCE\nSFR=TMRH,FD0\nSFR16=TMR\n", "the pair TMR needs"},
      {"SFR=TMRL,FCE\nSFR=TMRH,FCF\nSFR16=TMR,TMR\n", "the pair TMR is given twice"},
  };
  for (const fault_case &c : cases) {
    messages.clear();
    EXPECT_FALSE(read("ARCH=PIC18\n[A]\n" + minimal + c.section + "[C]\n" + minimal)) << c.section;
    EXPECT_NE(messages.text().find(c.said), std::string::npos) << c.section << messages.text();
  }
  messages.clear();
  EXPECT_FALSE(read("ARCH=PIC18\nSFR=STATUS,FD8,C,C\n[A]\n" + minimal + "[B]\n" + minimal));
  EXPECT_NE(messages.text().find("defaults: STATUS gives a name to two of its bits"), std::string::npos)
      << messages.text();
  messages.clear();
  EXPECT_FALSE(read("ARCH=PIC18\n[18F-1]\n" + minimal + "[18f2]\n" + minimal + "[18F2]\n" + minimal));
  EXPECT_NE(messages.text().find("chip 18F-1: the name makes no C name"), std::string::npos) << messages.text();
  EXPECT_NE(messages.text().find("chip 18F2: the chip is given twice"), std::string::npos) << messages.text();
}

// The staged headers, every chip of our own database.

std::vector<std::string> staged_chip_names() {
  std::vector<std::string> names;
  std::ifstream in(staged_chip_db());
  std::string line;
  std::regex header(R"(^\s*\[([^\]]+)\])");
  std::smatch m;
  while (std::getline(in, line))
    if (std::regex_search(line, m, header)) names.push_back(m[1]);
  return names;
}

TEST(chip_headers, every_chip_header_parses_cleanly_with_the_standard_headers) {
  std::vector<std::string> names = staged_chip_names();
  ASSERT_FALSE(names.empty());
  // Every part of the database: a few at a time, each in its own folder.
  std::atomic<size_t> next{0};
  auto worker = [&] {
    scratch_dir dir;
    dir.file("main.c",
             "#include <tovra18.h>\n#include <stddef.h>\n#include <string.h>\n#include <stdlib.h>\n"
             "#include <ctype.h>\n#include <errno.h>\n#include <limits.h>\n#include <float.h>\n"
             "void main(void) { TRISB = 0; PORTB = STATUS; }\n");
    for (size_t i; (i = next++) < names.size();) {
      const std::string &name = names[i];
      program_run r = run_tovra18({"--chip=" + name, "--pass1", "main.c"}, dir.path());
      EXPECT_EQ(r.status, 0) << name << "\n" << r.output;
      EXPECT_TRUE(tag_numbers(r.output).empty()) << name << "\n" << r.output;
      EXPECT_TRUE(file_exists(dir.path() + "/main.parsk")) << name;
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; t++) threads.emplace_back(worker);
  for (std::thread &t : threads) t.join();
}

TEST(chip_headers, a_header_refuses_another_chip_and_no_chip_is_an_error) {
  scratch_dir dir;
  dir.file("other.c", "#include <tovra18_18f452.h>\n");
  program_run r = run_tovra18({"--chip=18F4520", "--pass1", "other.c"}, dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("tovra18_18f452.h is the header of the 18F452"), std::string::npos) << r.output;

  // The driver always names a chip; the preprocessor run alone names none.
  dir.file("none.c", "#include <tovra18.h>\n");
  run_result p = run_in(dir.path(), "'" + staged_program("prevo") + "' '-I" + std::string(TOVRA_STAGE) +
                                        "/include' none.c none.pre");
  EXPECT_NE(p.status, 0);
  EXPECT_NE((p.out + p.err).find("no chip of the chip database is selected"), std::string::npos) << p.out << p.err;
}

// gputils' device file of a chip: register addresses, and each register's
// bit names with their positions.
struct device_file {
  std::map<std::string, uint32_t> registers;
  std::map<std::string, std::map<std::string, int>> bits;
};

bool read_device_file(const std::string &chip, device_file &dev) {
  std::string name = "p" + chip + ".inc";
  for (char &c : name) c = char(tolower(uint8_t(c)));
  std::ifstream in("/usr/share/gputils/header/" + name);
  if (!in) return false;
  std::regex section(R"(^;-----\s+(\S+)\s+(\S+))");
  std::regex equate(R"(^([A-Za-z_]\w*)\s+EQU\s+H'([0-9A-Fa-f]+)')");
  std::string line, current;
  std::smatch m;
  while (std::getline(in, line)) {
    if (std::regex_search(line, m, section)) {
      current = m[2] == "Bits" ? m[1].str() : m[1] == "Register" ? "#registers" : "";
      continue;
    }
    if (current.empty() || !std::regex_search(line, m, equate)) continue;
    uint32_t value = uint32_t(std::stoul(m[2], nullptr, 16));
    if (current == "#registers") dev.registers[m[1]] = value;
    else dev.bits[current].emplace(m[1], int(value));
  }
  return !dev.registers.empty();
}

TEST(chip_headers, addresses_and_bit_positions_match_gputils_device_files) {
  if (!file_exists("/usr/share/gputils/header/p18f452.inc"))
    GTEST_SKIP() << "gputils' device files (/usr/share/gputils/header) are not installed";
  std::regex byte(R"(^volatile unsigned (char|int) (\w+) @ 0x([0-9A-F]+);)");
  std::regex bit(R"(^volatile bit (\w+) @ \(0x([0-9A-F]+) \* 8 \+ (\d)\);)");
  for (const std::string &name : staged_chip_names()) {
    device_file dev;
    ASSERT_TRUE(read_device_file(name, dev)) << name;
    std::ifstream in(std::string(TOVRA_STAGE) + "/include/" + chiphdr_file_name(name));
    ASSERT_TRUE(in) << name;
    std::map<uint32_t, std::vector<std::string>> at;  // our register names by address
    int registers = 0, bits = 0;
    std::string line;
    std::smatch m;
    while (std::getline(in, line)) {
      if (std::regex_search(line, m, byte)) {
        uint32_t address = uint32_t(std::stoul(m[3], nullptr, 16));
        auto found = dev.registers.find(m[2]);
        ASSERT_NE(found, dev.registers.end()) << name << ": " << line;
        EXPECT_EQ(found->second, address) << name << ": " << line;
        at[address].push_back(m[2]);
        registers++;
      } else if (std::regex_search(line, m, bit)) {
        // The bit's own name, without the register's name a shared one takes.
        uint32_t address = uint32_t(std::stoul(m[2], nullptr, 16));
        std::string bit_name = m[1];
        for (const std::string &reg : at[address])
          if (bit_name.rfind(reg + "_", 0) == 0) bit_name.erase(0, reg.size() + 1);
        // Positions are compared where the device file names the bit under
        // one of the register's names; our own cleaner names are left out.
        for (const std::string &reg : at[address]) {
          auto section = dev.bits.find(reg);
          if (section == dev.bits.end()) continue;
          auto position = section->second.find(bit_name);
          if (position == section->second.end()) continue;
          EXPECT_EQ(position->second, std::stoi(m[3])) << name << ": " << line;
          bits++;
          break;
        }
      }
    }
    EXPECT_GT(registers, 0) << name;
    EXPECT_GT(bits, 0) << name;
    // Every register the device file names is there under one of its names.
    for (const auto &[reg, address] : dev.registers)
      if (address <= 0xFFF) {
        EXPECT_FALSE(at[address].empty()) << name << ": " << reg << " at " << std::hex << address;
      }
  }
}

// A linker script's memory line: NAME, START, END and whether PROTECTED.
struct lkr_range {
  std::string kind, name;
  uint32_t lo, hi;
  bool is_protected;
};

// The part's generic linker script as read for the non-extended instruction
// set (every #IFDEF of the scripts is false for a plain build).
std::vector<lkr_range> read_linker_script(const std::string &path) {
  std::vector<lkr_range> out;
  std::ifstream in(path);
  std::regex range(R"(^\s*(CODEPAGE|DATABANK|ACCESSBANK)\s+NAME=(\w+)\s+START=0x([0-9A-Fa-f]+)\s+END=0x([0-9A-Fa-f]+)(.*))");
  std::string line;
  std::smatch m;
  std::vector<bool> taken;  // per open #IFDEF: is its branch being read?
  while (std::getline(in, line)) {
    if (line.find("#IFDEF") != std::string::npos) taken.push_back(false);
    else if (line.find("#ELSE") != std::string::npos && !taken.empty()) taken.back() = !taken.back();
    else if (line.find("#FI") != std::string::npos && !taken.empty()) taken.pop_back();
    else if (std::all_of(taken.begin(), taken.end(), [](bool b) { return b; }) && std::regex_search(line, m, range))
      out.push_back({m[1], m[2], uint32_t(std::stoul(m[3], nullptr, 16)), uint32_t(std::stoul(m[4], nullptr, 16)),
                     m[5].str().find("PROTECTED") != std::string::npos});
  }
  return out;
}

TEST(chip_database_parts, every_part_of_the_device_data_has_its_sizes_and_configuration_settings) {
  const std::string lkr = "/usr/share/gputils/lkr";
  if (!file_exists(lkr + "/18f452_g.lkr"))
    GTEST_SKIP() << "gputils' linker scripts (" << lkr << ") are not installed";
  std::vector<std::string> names = staged_chip_names();
  std::set<std::string> ours(names.begin(), names.end());
  std::regex script(R"(^(18\w+)_g\.lkr$)");
  int parts = 0;
  std::vector<std::string> files;
  for (const auto &entry : std::filesystem::directory_iterator(lkr)) files.push_back(entry.path().filename());
  for (const std::string &file : files) {
    std::smatch m;
    if (!std::regex_search(file, m, script)) continue;
    std::string name = m[1];
    if (!file_exists("/usr/share/gputils/header/p" + name + ".inc")) continue;
    for (char &c : name) c = char(toupper(uint8_t(c)));
    parts++;
    ASSERT_TRUE(ours.count(name)) << name << " is missing from the chip database";
    chip_record *chip = chipinfo_read(staged_chip_db().c_str(), name.c_str(), nullptr, nullptr);
    ASSERT_NE(chip, nullptr) << name;
    uint32_t ram = 0, eeprom = 0, config_lo = 0;
    std::vector<lkr_range> ranges = read_linker_script(lkr + "/" + file);
    std::sort(ranges.begin(), ranges.end(), [](const lkr_range &a, const lkr_range &b) { return a.lo < b.lo; });
    for (const lkr_range &r : ranges) {
      if (r.kind == "CODEPAGE" && r.name == "page") {
        EXPECT_EQ(chip->rom_size, r.hi + 1) << name;
      }
      if (r.kind == "CODEPAGE" && r.name == "eedata") eeprom = r.hi - r.lo + 1;
      if (r.kind == "CODEPAGE" && (r.name == "config" || r.name == "cfgmem")) config_lo = r.lo;
      if (r.kind == "ACCESSBANK" && !r.is_protected) {
        EXPECT_EQ(chip->common_lo, r.lo) << name;
        EXPECT_EQ(chip->common_hi, r.hi) << name;
      }
      // General-purpose RAM from 0 up to its first gap.
      if (r.kind != "CODEPAGE" && !r.is_protected && r.lo <= ram) ram = std::max(ram, r.hi + 1);
    }
    EXPECT_EQ(chip->ram_size, ram) << name;
    EXPECT_EQ(chip->eeprom_size, eeprom) << name;
    // The configuration words: J parts at the end of flash, others at 300000h.
    bool j = name.find('J') != std::string::npos;
    EXPECT_EQ(config_lo, j ? chip->rom_size : 0x300000u) << name;
    EXPECT_TRUE(chip->config[0].set) << name;
    // Every configuration setting the header lists ("NAME = OPTION") is the
    // chip's, with that option.
    std::set<std::string> ours_settings;
    if (vec *values = chip_key_values(chip, "CONFIG"))
      for (uint32_t i = 0; i < vec_size(values); i++) {
        std::string value = static_cast<const char *>(vec_get(values, i));
        std::string setting = value.substr(0, value.find(','));
        for (size_t at = value.find(','); at != std::string::npos; at = value.find(',', at + 1)) {
          std::string item = value.substr(at + 1, value.find(',', at + 1) - at - 1);
          if (item.find('/') != std::string::npos) ours_settings.insert(setting + "=" + item.substr(0, item.find('/')));
        }
      }
    std::string header = m[1];
    std::ifstream inc("/usr/share/gputils/header/p" + header + ".inc");
    std::regex listed(R"(^;\s{5}([A-Za-z0-9_]+) = (\S+)\s)");
    std::smatch s;
    int settings = 0;
    for (std::string line; std::getline(inc, line);)
      if (std::regex_search(line, s, listed)) {
        settings++;
        EXPECT_TRUE(ours_settings.count(s[1].str() + "=" + s[2].str())) << name << ": " << s[1] << " = " << s[2];
      }
    EXPECT_GT(settings, 0) << name;
    chip_free(chip);
  }
  EXPECT_EQ(size_t(parts), names.size());
}

}  // namespace
