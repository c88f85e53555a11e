// The chip database reader: look-up rules, the chip record, the messages for
// malformed databases, the range-list parser, and the facts of our own
// database.
#include <gtest/gtest.h>
#include <strings.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/vector.h"
#include "driver/chipinfo.h"
#include "support.h"

namespace {

// A section that passes every check.
const std::string minimal = "ROMSIZE=8000\nRAMSIZE=600\nCOMMON=0-7F\nCFGS_UNPROG=1,700\n";

class chipinfo : public ::testing::Test {
 protected:
  std::string db(const std::string &text) { return dir.file("chips.ini", text); }

  // The name of the chip a look-up finds, "" for none.
  std::string lookup(const std::string &text, const char *name) {
    chip_record *chip = chipinfo_read(db(text).c_str(), name, nullptr, nullptr);
    std::string found = chip ? chip->name : "";
    chip_free(chip);
    return found;
  }

  scratch_dir dir;
  message_capture messages;
};

TEST_F(chipinfo, lookup_by_exact_name_or_unique_suffix) {
  const std::string text = "ARCH=PIC18\n[18F4520]\n" + minimal + "[18LF4520]\n" + minimal + "[4520]\n" + minimal +
                           "[18F452]\n" + minimal + "[18F2550]\n" + minimal;
  struct {
    const char *wanted;
    const char *found;
  } cases[] = {
      {"18f452", "18F452"},  // case ignored
      {"F452", "18F452"},
      {"2550", "18F2550"},
      {"4520", ""},  // two suffix candidates fail before the exact name is reached
      {"9999", ""},
  };
  for (const auto &c : cases) EXPECT_EQ(lookup(text, c.wanted), c.found) << c.wanted;
  EXPECT_TRUE(messages.numbers().empty());
}

TEST_F(chipinfo, an_exact_name_wins_over_an_earlier_suffix_candidate) {
  EXPECT_EQ(lookup("ARCH=PIC18\n[18F4520]\n" + minimal + "[4520]\n" + minimal, "4520"), "4520");
}

TEST_F(chipinfo, a_chip_that_is_not_found_is_reported) {
  std::string path = db("ARCH=PIC18\n[18F452]\n" + minimal);
  EXPECT_EXIT(
      {
        msg_set_output_hook(nullptr);
        chipinfo_find(path.c_str(), "16F84");
      },
      ::testing::ExitedWithCode(1), "\\(922\\).*16F84");
}

TEST_F(chipinfo, section_fields_fill_the_record) {
  std::string path = db(
      "ARCH=PIC18\n"
      "# comment\n"
      "\n"
      "[18F9999]\n"
      "  PROCID=452F\n"
      "ROMSIZE=10000\n"
      "RAMSIZE = F60\n"
      "EEPROMSIZE=400\n"
      "EXTMEM=1\n"
      "STACKDEPTH=10\n"
      "COMMON=0-5F\n"
      "ICD2RAM=EF4-EFF\n"
      "ICD2ROM=FDC0-FFFF\n"
      "REALICEROM=FD00-FFFF\n"
      "REALICERAM=EF0-EFF,E00-E0F\n"
      "ERRATA=4000,fastints\n"
      "FAMILY=big\n"
      "LIB=18k\n"
      "FLASH_EW=40,20\n"
      "PERIPH=USB@400-4FF\n"
      "PERIPH=LONGPERIPHNAME\n"
      "CFGS_UNPROG=1,0F,2,1F\n");
  chip_record *chip = chipinfo_read(path.c_str(), "18F9999", nullptr, nullptr);
  ASSERT_NE(chip, nullptr);
  EXPECT_EQ(chip->arch, CHIP_ARCH_PIC18);
  EXPECT_STREQ(chip->procid, "452F");
  EXPECT_EQ(chip->rom_size, 0x10000u);
  EXPECT_EQ(chip->ram_size, 0xF60u);
  EXPECT_EQ(chip->eeprom_size, 0x400u);
  EXPECT_EQ(chip->has_extmem, 1u);
  EXPECT_EQ(chip->stack_depth, 16);
  EXPECT_EQ(chip->common_lo, 0u);
  EXPECT_EQ(chip->common_hi, 0x5Fu);
  EXPECT_EQ(chip->icd_ram[0].lo, 0xEF4u);
  EXPECT_EQ(chip->icd_rom[0].hi, 0xFFFFu);
  EXPECT_EQ(chip->realice_rom[0].lo, 0xFD00u);
  EXPECT_EQ(chip->realice_ram[1].lo, 0xE00u);
  EXPECT_STREQ(chip->errata, "4000,fastints");
  EXPECT_STREQ(chip->family, "big");
  EXPECT_STREQ(chip->lib, "18k");
  EXPECT_EQ(chip->flash_erase_size, 64);
  EXPECT_EQ(chip->flash_write_size, 32);
  EXPECT_STREQ(chip->periph[0].name, "USB");
  EXPECT_EQ(chip->periph[0].lo, 0x400u);
  EXPECT_EQ(chip->periph[0].hi, 0x4FFu);
  EXPECT_STREQ(chip->periph[1].name, "LONGPERIP");
  EXPECT_TRUE(chip->config[0].set);
  EXPECT_EQ(chip->config[0].unprogrammed, 0x0Fu);
  EXPECT_EQ(chip->config[0].current, 0x0Fu);
  EXPECT_EQ(chip->config[1].unprogrammed, 0x1Fu);
  EXPECT_EQ(chip->config[1].offset, 2u);
  EXPECT_FALSE(chip->config[2].set);
  EXPECT_STREQ(chip_arch_name(chip->arch), "PIC18");
  chip_free(chip);
  EXPECT_TRUE(messages.numbers().empty()) << messages.text();
}

TEST_F(chipinfo, flash_block_sizes_must_be_powers_of_two) {
  struct {
    const char *value;
    int erase, write;
  } cases[] = {{"40,20", 64, 32}, {"30", 0, 0}, {"40", 64, 0}, {"40,3", 64, 0}, {"400,40", 1024, 64}};
  for (const auto &c : cases) {
    std::string path = db("ARCH=PIC18\n[C]\n" + minimal + "FLASH_EW=" + c.value + "\n");
    chip_record *chip = chipinfo_read(path.c_str(), "C", nullptr, nullptr);
    ASSERT_NE(chip, nullptr);
    EXPECT_EQ(chip->flash_erase_size, c.erase) << c.value;
    EXPECT_EQ(chip->flash_write_size, c.write) << c.value;
    chip_free(chip);
  }
}

TEST_F(chipinfo, stack_depth_defaults_to_31) {
  for (const char *line : {"", "STACKDEPTH=0\n"}) {
    std::string path = db("ARCH=PIC18\n[C]\n" + minimal + line);
    chip_record *chip = chipinfo_read(path.c_str(), "C", nullptr, nullptr);
    EXPECT_EQ(chip->stack_depth, 31);
    chip_free(chip);
  }
}

struct config_case {
  const char *line;
  std::vector<std::pair<int, uint32_t>> words;  // word number, value
  int reports;                                   // lines of message 919
};

TEST_F(chipinfo, configuration_word_defaults_are_checked) {
  const config_case cases[] = {
      {"CFGS_UNPROG=1,0F,2,1F", {{1, 0x0F}, {2, 0x1F}}, 0},
      {"CFGS_UNPROG=9,10,2,1F", {{2, 0x1F}}, 1},  // word number out of range
      {"CFGS_UNPROG=1,0,2,1F", {{2, 0x1F}}, 1},   // zero value
      {"CFGS_UNPROG=1,10000", {}, 1},             // above FFFFh
      {"CFGS_UNPROG=1,2700,3", {{1, 0x2700}}, 1}, // number without value
      {"CFGS_UNPROG=x,1", {}, 1},
      {"CFGS_UNPROG=1,zz", {}, 1},
      {"CFGS_UNPROG", {}, 1},  // no values
      {"", {}, 1},             // no record
  };
  for (const config_case &c : cases) {
    std::string path = db("ARCH=PIC18\n[CHIPX]\nROMSIZE=8000\nRAMSIZE=600\nCOMMON=0-7F\n" + std::string(c.line) + "\n");
    messages.clear();
    chip_record *chip = chipinfo_read(path.c_str(), "CHIPX", nullptr, nullptr);
    ASSERT_NE(chip, nullptr);
    std::vector<std::pair<int, uint32_t>> words;
    for (int i = 0; i < CHIP_CONFIG_WORDS; i++)
      if (chip->config[i].set) {
        words.push_back({i + 1, chip->config[i].unprogrammed});
        EXPECT_EQ(chip->config[i].offset, uint32_t(2 * i));
      }
    EXPECT_EQ(words, c.words) << c.line;
    EXPECT_EQ(messages.numbers(), std::vector<unsigned>(size_t(c.reports), 919)) << c.line;
    if (c.reports) {
      EXPECT_NE(messages.text().find("for chip CHIPX"), std::string::npos);
    }
    chip_free(chip);
  }
}

TEST_F(chipinfo, default_keys_serve_lookups_and_enumeration_applies_them) {
  std::string path = db(
      "ARCH=PIC18\nRAMSIZE=100\nLIB=common\n"
      "[OWN]\nROMSIZE=8000\nRAMSIZE=600\nCOMMON=0-7F\nCFGS_UNPROG=1,700\n"
      "[SHARED]\nROMSIZE=4000\nCOMMON=0-7F\nCFGS_UNPROG=1,700\n");
  chip_record *own = chipinfo_read(path.c_str(), "OWN", nullptr, nullptr);
  EXPECT_STREQ(chip_key_value(own, "ramsize"), "600");
  EXPECT_STREQ(chip_key_value(own, "LIB"), "common");
  EXPECT_EQ(vec_size(chip_key_values(own, "RAMSIZE")), 1u);
  EXPECT_EQ(own->ram_size, 0x600u);
  chip_free(own);
  // In a look-up the section header clears what the defaults' sizes set.
  chip_record *shared = chipinfo_read(path.c_str(), "SHARED", nullptr, nullptr);
  EXPECT_STREQ(chip_key_value(shared, "RAMSIZE"), "100");
  EXPECT_EQ(shared->ram_size, 0u);
  chip_free(shared);

  std::vector<std::string> listed;
  chipinfo_enum(path.c_str(), &listed, [](void *user, chip_record *chip) {
    static_cast<std::vector<std::string> *>(user)->push_back(std::string(chip->name) + ":" +
                                                             std::to_string(chip->ram_size));
    return 0;
  });
  EXPECT_EQ(listed, (std::vector<std::string>{"OWN:1536", "SHARED:256"}));
  EXPECT_TRUE(messages.numbers().empty()) << messages.text();
}

TEST_F(chipinfo, enumeration_stops_when_the_callback_asks) {
  std::string path = db("ARCH=PIC18\n[A]\n" + minimal + "[B]\n" + minimal + "[C]\n" + minimal);
  int seen = 0;
  chipinfo_enum(path.c_str(), &seen, [](void *user, chip_record *) { return int(++*static_cast<int *>(user) == 2); });
  EXPECT_EQ(seen, 2);
}

TEST_F(chipinfo, a_colon_separates_key_and_value_only_in_the_defaults) {
  std::string path = db("ARCH=PIC18\nROMSIZE:8000\n[A]\nRAMSIZE=600\nCOMMON=0-7F\nCFGS_UNPROG=1,700\n"
                        "[B]\nROMSIZE:8000\nRAMSIZE=600\nCOMMON=0-7F\nCFGS_UNPROG=1,700\n");
  chip_record *a = chipinfo_read(path.c_str(), "A", nullptr, nullptr);
  EXPECT_STREQ(chip_key_value(a, "ROMSIZE"), "8000");
  chip_free(a);
  EXPECT_TRUE(messages.numbers().empty());
  // Inside a section "ROMSIZE:8000" is one unknown key, which hides nothing:
  // the defaults' ROMSIZE still counts.
  chip_free(chipinfo_read(path.c_str(), "B", nullptr, nullptr));
  EXPECT_EQ(messages.numbers(), (std::vector<unsigned>{1020}));
}

struct bad_case {
  std::string text;
  std::vector<unsigned> expected;
};

TEST_F(chipinfo, malformed_databases_give_their_messages) {
  const std::string head = "ARCH=PIC18\n[C]\n";
  const std::string base = "ROMSIZE=8000\nCFGS_UNPROG=1,700\n";
  const bad_case cases[] = {
      {"", {920}},
      {head + base + "RAMSIZE=80G0\nCOMMON=0-7F\n", {1021}},
      {head + base + "RAMSIZE=600\nCOMMON=0-7G\n", {1022}},
      {head + base + "RAMSIZE=600\nCOMMON=10-5\n", {1022}},
      {head + base + "RAMSIZE=600\nCOMMON=100-1FF\n", {919}},
      {head + base + "RAMSIZE=600\nCOMMON=0-7F\nCOMMON=0-5F\n", {919, 1019, 1018}},
      {head + base + "RAMSIZE=600\nCOMMON=0-7F\nICD2RAM=0-1,2-3,4-5,6-7,8-9\n", {919}},
      {head + base + "COMMON=0-7F\n", {1015}},
      {head + base + "RAMSIZE\nCOMMON=0-7F\n", {1016, 1018}},
      {head + base + "COMMON=0-7F\nSPEED=FAST\nRAMSIZE=600\n", {1020}},
      {"ARCH=PIC18\n[]\nFOO=1\n[C]\n" + base + "RAMSIZE=600\nCOMMON=0-7F\n", {1024}},
      {"[C]\nARCH\n" + base + "RAMSIZE=600\nCOMMON=0-7F\n", {1024}},
      {"[C]\nARCH=PIC16\n" + base + "RAMSIZE=600\nCOMMON=0-7F\n", {1025}},
      {"[C]\nARCH=PIC18\nARCH=PIC18\n" + base + "RAMSIZE=600\nCOMMON=0-7F\n", {816}},
      {"[C]\n" + base + "RAMSIZE=600\nCOMMON=0-7F\n", {1026}},
  };
  for (const bad_case &c : cases) {
    messages.clear();
    chip_free(chipinfo_read(db(c.text).c_str(), "C", nullptr, nullptr));
    EXPECT_EQ(messages.numbers(), c.expected) << c.text;
  }
  messages.clear();
  EXPECT_EQ(chipinfo_read((dir.path() + "/none.ini").c_str(), "C", nullptr, nullptr), nullptr);
  EXPECT_EQ(messages.numbers(), (std::vector<unsigned>{141}));
}

TEST_F(chipinfo, an_over_long_line_is_reported_and_not_split) {
  // Split at 255 characters, the tail would read as a second RAMSIZE line.
  std::string long_line = "# " + std::string(253, 'x') + "RAMSIZE=FFFF\n";
  std::string longest = "PROCID=" + std::string(248, 'P');  // 255 characters fit
  std::string path = db("ARCH=PIC18\n[C]\n" + minimal + long_line + "EEPROMSIZE=100\n" + longest + "\r\n");
  chip_record *chip = chipinfo_read(path.c_str(), "C", nullptr, nullptr);
  ASSERT_NE(chip, nullptr);
  EXPECT_EQ(chip->ram_size, 0x600u);
  EXPECT_EQ(chip->eeprom_size, 0x100u);
  EXPECT_EQ(std::string(chip->procid), std::string(248, 'P'));
  EXPECT_EQ(messages.numbers(), (std::vector<unsigned>{919}));
  EXPECT_NE(messages.text().find("line 7"), std::string::npos) << messages.text();
  chip_free(chip);
}

std::vector<std::string> hook_calls;

TEST_F(chipinfo, sizes_and_ranges_reach_the_hooks_as_they_are_read) {
  hook_calls.clear();
  chipinfo_set_hooks(
      [](chip_record *, int selector, uint32_t size) {
        hook_calls.push_back("size " + std::to_string(selector) + " " + std::to_string(size));
      },
      [](chip_record *, int selector, uint32_t lo, uint32_t hi) {
        hook_calls.push_back("range " + std::to_string(selector) + " " + std::to_string(lo) + "-" +
                             std::to_string(hi));
      });
  std::string path = db("ARCH=PIC18\nEEPROMSIZE=10\n[C]\nROMSIZE=100\nRAMSIZE=20\nCOMMON=0-F\n"
                        "ICD2ROM=F0-FF\nCFGS_UNPROG=1,700\n");
  chip_free(chipinfo_read(path.c_str(), "C", nullptr, nullptr));
  chipinfo_set_hooks(nullptr, nullptr);
  EXPECT_EQ(hook_calls, (std::vector<std::string>{"size 3 16", "size 0 256", "size 1 32", "range 0 0-15",
                                                  "range 2 240-255"}));
}

std::vector<std::string> applied;
void record_add(void *, uint32_t lo, uint32_t hi) { applied.push_back("+" + std::to_string(lo) + "-" + std::to_string(hi)); }
void record_remove(void *, uint32_t lo, uint32_t hi) { applied.push_back("-" + std::to_string(lo) + "-" + std::to_string(hi)); }

TEST(range_list, signs_hold_until_the_next_one_and_errors_stop_the_list) {
  struct {
    const char *text;
    int result;
    std::vector<std::string> applied;
  } cases[] = {
      {"0-FF,-80-8F", 1, {"+0-255", "-128-143"}},
      {"-10-1F,20-2F,+30-3F", 1, {"-16-31", "-32-47", "+48-63"}},
      {"10-5", 0, {}},
      {"0-F,10", 0, {"+0-15"}},
      {"0-F,", 0, {"+0-15"}},
      {"0-F;10-1F", 0, {"+0-15"}},
      {"", 0, {}},
      {"G-10", 0, {}},
  };
  for (const auto &c : cases) {
    applied.clear();
    EXPECT_EQ(range_list_parse(c.text, nullptr, record_add, record_remove), c.result) << c.text;
    EXPECT_EQ(applied, c.applied) << c.text;
  }
}

TEST(power_of_two, bit_number_or_minus_one) {
  EXPECT_EQ(log2_exact(0), -1);
  EXPECT_EQ(log2_exact(1), 0);
  EXPECT_EQ(log2_exact(0x40), 6);
  EXPECT_EQ(log2_exact(0x30), -1);
  EXPECT_EQ(log2_exact(0x80000000u), 31);
}

// Our own database, from the chips' data sheets.
class chip_database : public ::testing::Test {
 protected:
  message_capture messages;
};

TEST_F(chip_database, every_chip_loads_cleanly) {
  std::vector<std::string> names;
  chipinfo_enum(staged_chip_db().c_str(), &names, [](void *user, chip_record *chip) {
    static_cast<std::vector<std::string> *>(user)->push_back(chip->name);
    EXPECT_EQ(chip->arch, CHIP_ARCH_PIC18) << chip->name;
    EXPECT_EQ(chip->stack_depth, 31) << chip->name;
    EXPECT_TRUE(chip->procid && chip->lib) << chip->name;
    // The one-time programmable 18C parts cannot write their program memory.
    if (strncasecmp(chip->name, "18C", 3) != 0) {
      EXPECT_GT(chip->flash_write_size, 0) << chip->name;
    }
    EXPECT_TRUE(chip->config[0].set) << chip->name;
    return 0;
  });
  EXPECT_TRUE(messages.numbers().empty()) << messages.text();
  // Every PIC18F chip the simulator knows, one J chip and one with an external bus.
  for (const char *name : {"18F1220", "18F1320", "18F14K22", "18F2221", "18F2321", "18F242",  "18F2420",
                           "18F2455", "18F248",  "18F252",  "18F2520",  "18F2525", "18F2550", "18F258",
                           "18F2620", "18F26K22", "18F4221", "18F4321", "18F442",  "18F4420", "18F4455",
                           "18F448",  "18F452",  "18F4520", "18F4550",  "18F458",  "18F4620", "18F6520",
                           "18F25J10", "18F8722"})
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
}

struct chip_facts {
  const char *name;
  uint32_t rom, ram, eeprom, common_hi;
  uint32_t has_extmem;
  int erase, write;
  const char *procid;
  uint32_t word1, word2;  // unprogrammed configuration words 1 and 2
};

TEST_F(chip_database, facts_match_the_data_sheets) {
  const chip_facts cases[] = {
      {"18F452", 0x8000, 0x600, 0x100, 0x7F, 0, 64, 8, "452F", 0x2700, 0x0F0F},
      {"18F4550", 0x8000, 0x800, 0x100, 0x5F, 0, 64, 32, "4550", 0x0500, 0x1F1F},
      {"18F1220", 0x1000, 0x100, 0x100, 0x7F, 0, 64, 8, "A122", 0xCF00, 0x1F0F},
      {"18F4620", 0x10000, 0xF80, 0x400, 0x7F, 0, 64, 64, "4620", 0x0700, 0x1F1F},
      {"18F8722", 0x20000, 0xF60, 0x400, 0x5F, 1, 64, 64, "8721", 0x0700, 0x1F1F},
      {"18F25J10", 0x7FF8, 0x400, 0, 0x7F, 0, 1024, 64, "D510", 0xF4E1, 0xFFC7},
  };
  for (const chip_facts &f : cases) {
    chip_record *chip = chipinfo_read(staged_chip_db().c_str(), f.name, nullptr, nullptr);
    ASSERT_NE(chip, nullptr) << f.name;
    EXPECT_EQ(chip->rom_size, f.rom) << f.name;
    EXPECT_EQ(chip->ram_size, f.ram) << f.name;
    EXPECT_EQ(chip->eeprom_size, f.eeprom) << f.name;
    EXPECT_EQ(chip->common_lo, 0u) << f.name;
    EXPECT_EQ(chip->common_hi, f.common_hi) << f.name;
    EXPECT_EQ(chip->has_extmem, f.has_extmem) << f.name;
    EXPECT_EQ(chip->flash_erase_size, f.erase) << f.name;
    EXPECT_EQ(chip->flash_write_size, f.write) << f.name;
    EXPECT_STREQ(chip->procid, f.procid) << f.name;
    EXPECT_EQ(chip->config[0].unprogrammed, f.word1) << f.name;
    EXPECT_EQ(chip->config[1].unprogrammed, f.word2) << f.name;
    chip_free(chip);
  }
}

TEST_F(chip_database, suffixes_resolve_only_when_unique) {
  chip_record *chip = chipinfo_read(staged_chip_db().c_str(), "4520", nullptr, nullptr);
  ASSERT_NE(chip, nullptr);
  EXPECT_STREQ(chip->name, "18F4520");
  chip_free(chip);
  EXPECT_EQ(chipinfo_read(staged_chip_db().c_str(), "52", nullptr, nullptr), nullptr);  // 18F252, 18F452
}

}  // namespace
