// The run-time start-up module: its text for each link stage from fixture
// symbol files, compared with expected files and assembled by quelm.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/alert.h"
#include "driver/chipinfo.h"
#include "driver/startup.h"
#include "driver/state.h"
#include "driver/symtab.h"
#include "support.h"

namespace {

const std::string fixtures = std::string(TOVRA_TEST_DIR) + "/fixtures/startup";

class startup_test : public ::testing::Test {
 protected:
  void SetUp() override {
    msg_load_file((std::string(TOVRA_SOURCE_DIR) + "/dat/en_msgs.txt").c_str());
    msg_set_error_limit(100000);
  }
  void TearDown() override { symt_free(); }

  // The module for the chip and options, written from the symbol file (none
  // for an empty table).
  std::string module(const std::vector<std::string> &options, const std::string &symbols, int stage) {
    run_driver_options(options);
    messages.clear();
    symt_reset();
    if (!symbols.empty()) {
      EXPECT_EQ(symt_read(symbols.c_str()), 1);
    }
    char *text = nullptr;
    size_t size = 0;
    FILE *out = open_memstream(&text, &size);
    startup_write(out, stage);
    fclose(out);
    std::string result(text, size);
    free(text);
    return result;
  }

  // quelm must accept the text as the driver gives it.
  void expect_assembles(const std::string &text) {
    std::string source = here.file("startup.as", text);
    std::string command = std::string("'") + TOVRA_STAGE + "/bin/quelm' -C'" + TOVRA_STAGE + "/dat/tovra-18.ini' -" +
                          drv.chip->name + " -o'" + here.path() + "/startup.obj' '" + source + "' > '" +
                          here.path() + "/quelm.out' 2>&1";
    EXPECT_EQ(system(command.c_str()), 0) << read_file(here.path() + "/quelm.out");
  }

  scratch_dir here{true};  // symt_read leaves its function list in the current folder
  message_capture messages;
};

struct module_case {
  const char *name;  // expected text: fixtures/startup/<name>.as
  std::vector<std::string> options;
  const char *symbols;  // fixture symbol file, or null
  int stage;
  std::vector<unsigned> messages;
};

const module_case module_cases[] = {
    {"prelink_18F452", {"--chip=18F452"}, nullptr, STARTUP_PRELINK, {}},
    // Words 2-7 take their defaults; the chip has no word 8.
    {"final_18F452", {"--chip=18F452", "--runtime=+config", "--warn=-1"}, "program.sym", STARTUP_FINAL_LINK,
     {1311, 1311, 1311, 1311, 1311, 1311, 1354}},
    {"final_errata_small_ram",
     {"--chip=18F1220", "--errata=lfsr,reset,4000", "--runtime=+download", "--cp=24", "--checksum=0-FF@FFE",
      "--serial=1234@F00"},
     "small.sym", STARTUP_FINAL_LINK, {}},
    {"far_data", {"--chip=18F8722"}, "far.sym", STARTUP_FINAL_LINK, {}},
};

TEST_F(startup_test, modules_match_their_expected_text_and_assemble) {
  for (const module_case &c : module_cases) {
    std::string text = module(c.options, c.symbols ? fixtures + "/" + c.symbols : "", c.stage);
    EXPECT_EQ(messages.numbers(), c.messages) << c.name << "\n" << messages.text();
    std::string path = fixtures + "/" + c.name + ".as";
    if (getenv("TOVRA_UPDATE_EXPECTED")) std::ofstream(path, std::ios::binary) << text;
    EXPECT_EQ(text, read_file(path)) << c.name;
    expect_assembles(text);
  }
}

}  // namespace

namespace {

bool holds(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

TEST_F(startup_test, without_init_and_clear_nothing_is_copied_or_cleared) {
  std::string text = module({"--chip=18F452", "--runtime=-init,-clear"}, fixtures + "/program.sym", STARTUP_FINAL_LINK);
  for (const char *part : {"copy_data", "clear_ram", "\tPSECT\tend_init\n", "tblrd", "clrf\t", "lfsr\t"})
    EXPECT_FALSE(holds(text, part)) << part;
  EXPECT_TRUE(holds(text, "start:\n_exit:\n\tdw 0xffff\t; NOP required for 4000/FETCH errata workaround\n"
                          "\tGLOBAL\t__Lsmallconst\n"));
}

TEST_F(startup_test, odd_symbol_tables_write_no_broken_loops) {
  // Far data without the near-RAM buffer up to nvram: nothing to copy through.
  std::string symbols = here.file("nobuffer.sym", "__Lrbss 20 COMRAM\n__Hrbss 30 COMRAM\n__Lfardata 20000 FARRAM\n"
                                                  "__Hfardata 20258 FARRAM\n__activetblptr 5 ABS\n");
  std::string text = module({"--chip=18F8722"}, symbols, STARTUP_FINAL_LINK);
  EXPECT_TRUE(holds(text, "; fardata psect  - 600 bytes to load\n\n; farbss psect")) << text;
  EXPECT_FALSE(holds(text, "far_copy_loop"));
  EXPECT_EQ(messages.numbers(), std::vector<unsigned>{1283});
  expect_assembles(text);
}

// A psect whose end symbol lies below its start (a symbol file written by
// hand or cut short) reaches to the last address: the module is written,
// and the assembler refuses the count, instead of the driver stopping.
TEST_F(startup_test, a_psect_ending_below_its_start_reaches_the_last_address) {
  std::string symbols = here.file("reversed.sym", "__Lrbss 30 COMRAM\n__Hrbss 20 COMRAM\n");
  std::string text = module({"--chip=18F452"}, symbols, STARTUP_FINAL_LINK);
  EXPECT_TRUE(holds(text, "\tlfsr\t0,48\n\tlfsr\t1,4294967248\n\tcall\tclear_ram\n")) << text;
}

TEST_F(startup_test, j_chips_declare_the_flash_buffer) {
  std::string text = module({"--chip=18F25J10"}, "", STARTUP_PRELINK);
  EXPECT_TRUE(holds(text, "\tpic18cxx\tequ\t1\n\n\tpsect\tjflash_buffer,class=CODE,reloc=0x400,space=0\n"
                          "\tpsect\tconfig,"));
  expect_assembles(text);
}

TEST_F(startup_test, the_header_wraps_the_command_line_at_70_characters) {
  run_driver_options({"--chip=18F452"});
  drv.command_words = {"tovra18", "--chip=18F452", "--output=intel,mcof", "-DVERSION_TEXT=some_long_value",
                       "--opt=9,asm,space", "main.c", std::string(80, 'x') + ".c", "util.c"};
  char *text = nullptr;
  size_t size = 0;
  FILE *out = open_memstream(&text, &size);
  startup_header(out, STARTUP_FINAL_LINK);
  fclose(out);
  std::string header(text, size);
  free(text);
  EXPECT_EQ(header,
            "\n\t; Quenlor C PRO for the PIC18 MCU Family V9.63PL3\n"
            "\n\t; Auto-generated runtime startup code for final link stage.\n\n\t;\n\t; Compiler options:\n\t;\n"
            "\t; --chip=18F452 --output=intel,mcof -DVERSION_TEXT=some_long_value \\\n"
            "\t; --opt=9,asm,space main.c \\\n"
            "\t; " + std::string(80, 'x') + ".c \\\n"
            "\t; util.c\n\t;\n\n\n");
}

}  // namespace
