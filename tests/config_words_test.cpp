// Configuration words set from C with "#pragma config NAME = VALUE": the
// bytes they leave in the hex file on parts whose words sit at 300000h and
// on a J part whose words end its flash, the errors for a setting the chip
// does not have, and in gpsim that the watchdog setting is what runs; and
// data EEPROM contents, which like the words go to a memory of their own,
// refused on a chip that lacks it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e.h"

namespace {

using e2e::folder;
using e2e::hex_bytes;
using e2e::program;

int build(const folder &dir, const std::string &chip, const std::string &source) {
  dir.write("main.c", source);
  dir.write("registry", "");
  std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
  return dir.run(env + program("tovra18") + " --chip=" + chip + " --output=intel main.c");
}

// A byte the hex file leaves out.
const unsigned kUnwritten = 0x100;

struct config_case {
  const char *chip;
  const char *pragmas;
  uint32_t address;              // of the first byte checked
  std::vector<unsigned> bytes;   // from there
};

// Each expected byte is the part's erased value with the named fields
// changed, as its data sheet describes them.
const config_case config_cases[] = {
    // CONFIG1H 27h: OSC = HS (010); CONFIG2H 0Fh: WDT off (bit 0); CONFIG4L
    // 85h: LVP off (bit 2).
    {"18F452", "#pragma config OSC = HS, WDT = OFF\n#pragma config LVP = OFF\n", 0x300000,
     {0x00, 0x22, 0x0F, 0x0E, kUnwritten, kUnwritten, 0x81, 0x00}},
    // CONFIG1H 07h: OSC = HS (0010); CONFIG2H 1Fh: WDT off; CONFIG4L 85h:
    // XINST off (bit 6), lower case taken as the data sheet's names.
    {"18F4520", "#pragma config osc = hs, WDT = OFF, XINST = OFF\n", 0x300000,
     {0x00, 0x02, 0x1F, 0x1E, kUnwritten, kUnwritten, 0x85, 0x00}},
    // CONFIG1H 25h: FOSC = HSMP (0011); CONFIG2H 3Fh: WDTEN off (bits 1..0).
    {"18F45K22", "#pragma config FOSC = HSMP, WDTEN = OFF\n", 0x300000, {0x00, 0x23, 0x1F, 0x3C}},
    // The words end the flash: CONFIG1L EFh at FFF8h with WDTEN off (bit 0)
    // and XINST off (bit 6), CONFIG2L DFh with OSC = HS (100).
    {"18F46J50", "#pragma config WDTEN = OFF, XINST = OFF, OSC = HS\n", 0xFFF8, {0xAE, 0xF7, 0xDC, 0xFF}},
    // CONFIG1L 5Dh: XINST off (bit 6); CONFIG1H 08h: FOSC = HS1 (0011);
    // CONFIG2H 7Fh: WDTEN off (bits 1..0).
    {"18F46K80", "#pragma config FOSC = HS1, WDTEN = OFF, XINST = OFF\n", 0x300000, {0x1D, 0x03, 0x7F, 0x7C}},
    // CONFIG1L FFh: CP on (all eight bits); CONFIG1H E7h: OSC = HS (010);
    // CONFIG2H 0Fh: WDT off.
    {"18C452", "#pragma config CP = ON, OSC = HS, WDT = OFF\n", 0x300000, {0x00, 0xE2, 0x0F, 0x0E}},
    // Eight words end the flash at 1FFF0h: CONFIG1L E0h with XINST off,
    // CONFIG6H FFh with WDTEN off (bits 1..0), CONFIG8H F3h with DSWDTEN off
    // (bit 0); the words between are not written.
    {"18F97J94", "#pragma config XINST = OFF, WDTEN = OFF, DSWDTEN = OFF\n", 0x1FFF0,
     {0xA0, 0xF7, kUnwritten, kUnwritten, kUnwritten, kUnwritten, kUnwritten, kUnwritten, kUnwritten, kUnwritten,
      0xFF, 0xFC, kUnwritten, kUnwritten, 0xF8, 0xF2}},
    // A setting with more values than one line of the chip's list holds:
    // CONFIG4L FFh with WPFP = PAGE_50 (bits 5..0 32h, from the third line)
    // and WPCFG on (bit 7).
    {"18F26J11", "#pragma config WPFP = PAGE_50, WPCFG = ON\n", 0xFFFE, {0x72, 0xF1}},
    // One setting named twice, in two pragmas, is one setting.
    {"18F452", "#pragma config WDT = OFF\n#pragma config WDT = OFF\n", 0x300002, {0x0F, 0x0E}},
};

TEST(config_words, settings_by_name_leave_the_chips_bytes_in_the_hex_file) {
  for (const config_case &c : config_cases) {
    SCOPED_TRACE(std::string(c.chip) + ": " + c.pragmas);
    folder dir;
    ASSERT_EQ(build(dir, c.chip, std::string("#include <tovra18.h>\n") + c.pragmas + "void main(void) {}\n"), 0)
        << dir.read("out") << dir.read("err");
    std::map<uint32_t, unsigned> hex = hex_bytes(dir.read("main.hex"));
    std::vector<unsigned> got;
    for (size_t i = 0; i < c.bytes.size(); i++) {
      auto at = hex.find(c.address + uint32_t(i));
      got.push_back(at == hex.end() ? kUnwritten : at->second);
    }
    EXPECT_EQ(got, c.bytes);
    // Only the words a setting reaches are written.
    for (uint32_t a = c.address + uint32_t(c.bytes.size()); a < c.address + 16; a++)
      EXPECT_EQ(hex.count(a), 0u) << std::hex << a;
  }
}

TEST(config_words, a_setting_shared_by_two_files_links_once) {
  folder dir;
  dir.write("a.c", "#pragma config WDT = OFF\nextern void f(void);\nvoid main(void) { f(); }\n");
  dir.write("b.c", "#pragma config WDT = OFF\nvolatile unsigned char y;\nvoid f(void) { y = 1; }\n");
  dir.write("registry", "");
  std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
  ASSERT_EQ(dir.run(env + program("tovra18") + " --chip=18F452 --output=intel a.c b.c"), 0)
      << dir.read("out") << dir.read("err");
  EXPECT_EQ(hex_bytes(dir.read("a.hex"))[0x300003], 0x0Eu);
}

struct refused_case {
  const char *chip;
  const char *pragma;
  const char *message;  // the whole text expected in the output
};

const refused_case refused_cases[] = {
    {"18F452", "WDTEN = OFF", "(1356) configuration setting \"WDTEN\" is unknown on chip 18F452"},
    {"18F452", "WDT = MAYBE", "(1357) configuration setting WDT has no value \"MAYBE\" on chip 18F452"},
    {"18F452", "WDT = OFF, WDT = ON", "(1358) configuration settings WDT="},
    // Two names of the same bits with different values conflict too.
    {"18F452", "OSC = HS\n#pragma config OSC = RC", "conflict on chip 18F452"},
    {"18F452", "WDT", "(1359) bad configuration setting \"WDT\": NAME=VALUE expected"},
    {"18F452", "WDT = OFF,", "(1359) bad configuration setting \"\""},
    // Each family has its own names: the 18F452's on a J part, a K22's
    // oscillator value, a K80's watchdog twice, a flash part's on an EPROM
    // part, and a page past the last of the chip's list of pages.
    {"18F46J50", "WDT = OFF", "(1356) configuration setting \"WDT\" is unknown on chip 18F46J50"},
    {"18F45K22", "FOSC = HS", "(1357) configuration setting FOSC has no value \"HS\" on chip 18F45K22"},
    {"18F46K80", "WDTEN = OFF, WDTEN = ON",
     "(1358) configuration settings WDTEN=OFF and WDTEN=ON conflict on chip 18F46K80"},
    {"18C452", "LVP = OFF", "(1356) configuration setting \"LVP\" is unknown on chip 18C452"},
    {"18F26J11", "WPFP = PAGE_64", "(1357) configuration setting WPFP has no value \"PAGE_64\" on chip 18F26J11"},
};

TEST(config_words, a_setting_the_chip_lacks_stops_the_build_naming_setting_and_chip) {
  for (const refused_case &c : refused_cases) {
    SCOPED_TRACE(std::string(c.chip) + ": " + c.pragma);
    folder dir;
    EXPECT_NE(build(dir, c.chip, std::string("#pragma config ") + c.pragma + "\nvoid main(void) {}\n"), 0);
    std::string output = dir.read("out") + dir.read("err");
    EXPECT_NE(output.find(c.message), std::string::npos) << output;
    EXPECT_FALSE(dir.exists("main.hex"));
  }
}

// The firmware example runs to its end with the watchdog off (the examples
// test checks that); with the watchdog on, the same program is reset before
// its loop ends, so the setting is what the chip runs with.
TEST(config_words, the_watchdog_left_on_resets_the_example_in_gpsim) {
  if (!e2e::have_tool("gpsim")) GTEST_SKIP() << "gpsim missing";
  // Each family's name of the watchdog switch in the example.
  const struct {
    const char *chip, *off, *on;
  } chips[] = {{"18F452", "WDT = OFF", "WDT = ON"}, {"18F26K22", "WDTEN = OFF", "WDTEN = ON"}};
  for (const auto &c : chips) {
    SCOPED_TRACE(c.chip);
    folder dir;
    std::string source = read_file(std::string(TOVRA_SOURCE_DIR) + "/examples/config/main.c");
    size_t off = source.find(c.off);
    ASSERT_NE(off, std::string::npos);
    source.replace(off, strlen(c.off), c.on);
    ASSERT_EQ(build(dir, c.chip, source), 0) << dir.read("out") << dir.read("err");
    dir.write("run.stc", "break c 400000\nrun\ndump r\nquit\n");
    std::string model = std::string("p") + c.chip;
    for (char &ch : model) ch = char(tolower(uint8_t(ch)));
    ASSERT_EQ(dir.run("timeout 60 gpsim -i -p " + model + " -c run.stc main.hex < /dev/null"), 0) << dir.read("err");
    EXPECT_NE(dir.read("out").find("Watch Dog"), std::string::npos) << dir.read("out");
    long finished = e2e::symbol_value(dir.read("main.sym"), "_finished");
    ASSERT_GE(finished, 0);
    EXPECT_EQ(e2e::ram_dump(dir.read("out"))[unsigned(finished)], 0u);
  }
}

// Data EEPROM contents from an assembly module: on a chip with data EEPROM
// they start at F00000h; on one without, where the link could only place
// them over the program, the build stops naming the chip. A C program that
// uses the EEPROM registers there finds no such registers.
struct eeprom_case {
  const char *chip;
  const char *file;     // besides main.c
  const char *message;  // expected in the output; null where the build works
};

const eeprom_case eeprom_cases[] = {
    {"18F4520", "table.as", nullptr},
    {"18F46J50", "table.as", "(1360) the program places 4 bytes in data EEPROM, which chip 18F46J50 does not have"},
    {"18C452", "table.as", "(1360) the program places 4 bytes in data EEPROM, which chip 18C452 does not have"},
    {"18F97J94", "table.as", "which chip 18F97J94 does not have"},
    {"18F46J50", "registers.c", "undefined identifier \"EEADR\""},
};

TEST(config_words, data_eeprom_contents_need_a_chip_with_data_eeprom) {
  for (const eeprom_case &c : eeprom_cases) {
    SCOPED_TRACE(std::string(c.chip) + ": " + c.file);
    folder dir;
    dir.write("main.c", "void main(void) {}\n");
    dir.write("table.as", "\tpsect\teeprom_data,class=EEDATA,delta=1\n\tdb\t1,2,3,4\n");
    dir.write("registers.c", "#include <tovra18.h>\nvoid store(void) { EEADR = 1; EEDATA = 2; }\n");
    dir.write("registry", "");
    std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
    int status = dir.run(env + program("tovra18") + " --chip=" + c.chip + " --output=intel main.c " + c.file);
    std::string output = dir.read("out") + dir.read("err");
    if (!c.message) {
      ASSERT_EQ(status, 0) << output;
      std::map<uint32_t, unsigned> hex = hex_bytes(dir.read("main.hex"));
      std::vector<unsigned> got;
      for (uint32_t a = 0xF00000; a < 0xF00004; a++) got.push_back(hex.count(a) ? hex[a] : kUnwritten);
      EXPECT_EQ(got, (std::vector<unsigned>{1, 2, 3, 4}));
      continue;
    }
    EXPECT_NE(status, 0);
    EXPECT_NE(output.find(c.message), std::string::npos) << output;
    EXPECT_FALSE(dir.exists("main.hex"));
  }
}

}  // namespace
