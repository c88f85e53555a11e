// The driver's options as a whole, run in-process: the chip's memory classes
// (as the "-A" texts the linker gets) against the data-sheet memory maps, the
// memory and debugger options, and the effects and messages of the others.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/lists.h"
#include "common/llist.h"
#include "driver/arglist.h"
#include "driver/chipinfo.h"
#include "driver/files.h"
#include "driver/memory.h"
#include "driver/state.h"
#include "support.h"

namespace {

std::vector<std::string> class_texts() {
  arglist *list = arglist_new(5);
  class_spec_options(mem_spaces, list);
  std::vector<std::string> texts;
  for (ll_node *n = ll_head(list->items); n; n = ll_node_next(n)) {
    arglist_item *item = static_cast<arglist_item *>(ll_node_item(n));
    EXPECT_EQ(item->flags, uint32_t(ARG_CONFIGURABLE));
    texts.push_back(item->text);
  }
  arglist_free(list);
  return texts;
}

std::string class_text(const char *name) {
  mem_class *cls = ms_find_class(mem_spaces, name);
  if (!cls) return "<none>";
  char *text = cls_spec_string(cls, "-A", name);
  std::string result = text;
  xfree(text);
  return result;
}

std::vector<std::string> banks(int count, int last_hi) {
  std::vector<std::string> texts;
  char text[64];
  for (int i = 0; i < count; i++) {
    int lo = i * 0x100, hi = i == count - 1 ? last_hi : lo + 0xFF;
    snprintf(text, sizeof text, "-ABANK%d=0%Xh-0%Xh", i, lo, hi);
    texts.push_back(text);
  }
  return texts;
}

std::vector<std::string> joined(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto &p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

class driver_options_run : public ::testing::Test {
 protected:
  void run(const std::vector<std::string> &args) {
    messages.clear();
    run_driver_options(args);
    numbers = messages.numbers();
  }
  message_capture messages;
  std::vector<unsigned> numbers;
};

TEST_F(driver_options_run, classes_of_a_chip_with_errata_and_eeprom) {
  run({"--chip=18F452", "-Q"});
  EXPECT_TRUE(numbers.empty()) << messages.text();
  EXPECT_EQ(class_texts(), joined({{"-ACODE=00h-03FFFhx2", "-ACONST=00h-07FFFh", "-ASMALLCONST=0600h-06FFhx122",
                                    "-AMEDIUMCONST=0600h-07FFFh", "-ARAM=00h-0FFhx6", "-ABIGRAM=00h-05FFh",
                                    "-ACOMRAM=00h-07Fh", "-AABS1=00h-05FFh"},
                                   banks(6, 0x5FF),
                                   {"-ANVRAM=0500h-05FFh", "-AEEDATA=0F00000h-0F000FFh", "-AIDLOC=0200000h-0200007h",
                                    "-ACONFIG=0300000h-030000Dh"}}));
  EXPECT_EQ(drv.chip->bank_count, 6);
  EXPECT_EQ(drv.chip->stack_depth, 31);
  EXPECT_EQ(drv.errata, uint32_t(ERRATA_4000));
  EXPECT_TRUE(comram_covers(0x7F));
  EXPECT_FALSE(comram_covers(0x80));
}

TEST_F(driver_options_run, classes_of_a_chip_with_128k_and_an_external_bus) {
  run({"--chip=18F8722", "--ram=default,20000-2FFFF"});
  EXPECT_TRUE(numbers.empty()) << messages.text();
  EXPECT_EQ(class_texts(),
            joined({{"-ACODE=00h-01FFFFh", "-ACONST=00h-01FFFFh", "-ASMALLCONST=01000h-010FFhx496",
                     "-AMEDIUMCONST=01000h-0FFFFh,011000h-01FFFFh", "-AFARRAM=020000h-02FFFFh",
                     "-ARAM=00h-0FFhx15,0F00h-0F5Fh", "-ABIGRAM=00h-0F5Fh", "-ACOMRAM=00h-05Fh", "-AABS1=00h-0F5Fh"},
                    banks(16, 0xF5F),
                    {"-ANVRAM=0F00h-0F5Fh", "-AEEDATA=0F00000h-0F003FFh", "-AIDLOC=0200000h-0200007h",
                     "-ACONFIG=0300000h-030000Dh"}}));
  EXPECT_EQ(drv.chip->bank_count, 16);
}

TEST_F(driver_options_run, a_j_chip_keeps_its_configuration_words_in_flash) {
  run({"--chip=18F25J10"});
  EXPECT_TRUE(numbers.empty()) << messages.text();
  EXPECT_EQ(class_texts(),
            joined({{"-ACODE=00h-07FF7h", "-ACONST=00h-07FF7h", "-ASMALLCONST=0400h-04FFhx123,07F00h-07FF7h",
                     "-AMEDIUMCONST=0400h-07FF7h", "-ARAM=00h-0FFhx4", "-ABIGRAM=00h-03FFh", "-ACOMRAM=00h-07Fh",
                     "-AABS1=00h-03FFh"},
                    banks(4, 0x3FF),
                    {"-ANVRAM=0300h-03FFh", "-AIDLOC=0200000h-0200007h", "-ACONFIG=07FF8h-07FFFh"}}));
}

TEST_F(driver_options_run, a_small_chip_has_one_bank) {
  run({"--chip=18F1220"});
  EXPECT_EQ(drv.chip->bank_count, 1);
  EXPECT_EQ(class_text("BANK0"), "-ABANK0=00h-0FFh");
  EXPECT_EQ(class_text("BANK1"), "<none>");
  EXPECT_EQ(class_text("NVRAM"), "-ANVRAM=00h-0FFh");
}

TEST_F(driver_options_run, a_debugger_takes_its_memory_and_a_stack_level) {
  run({"--chip=18F452", "--debugger=icd2"});
  EXPECT_EQ(drv.chip->stack_depth, 30);
  EXPECT_EQ(drv.chip->bank_count, 6);
  EXPECT_EQ(class_text("CODE"), "-ACODE=00h-03FFFh,04000h-07DBFh");
  EXPECT_EQ(class_text("SMALLCONST"), "-ASMALLCONST=0600h-06FFhx119,07D00h-07DBFh");
  EXPECT_EQ(class_text("RAM"), "-ARAM=00h-0FFhx5,0500h-05F3h");
  EXPECT_EQ(class_text("BANK5"), "-ABANK5=0500h-05F3h");
  EXPECT_EQ(class_text("NVRAM"), "-ANVRAM=0500h-05F3h");
  EXPECT_EQ(drv.pp_args.back(), "-D__STUDIO_ICD2__=1");

  run({"--chip=18F452", "--debugger=realice"});
  EXPECT_EQ(drv.chip->stack_depth, 30);
  EXPECT_EQ(std::vector<std::string>(drv.pp_args.end() - 2, drv.pp_args.end()),
            (std::vector<std::string>{"-D__STUDIO_REALICE__=1", "-D__IT=0x101"}));
}

TEST_F(driver_options_run, errata_default_to_the_chips_and_can_be_edited) {
  run({"--chip=18F452", "--errata=none"});
  EXPECT_EQ(drv.errata, 0u);
  EXPECT_EQ(class_text("CODE"), "-ACODE=00h-07FFFh");
  run({"--chip=18F452", "--errata=+fastints"});
  EXPECT_EQ(drv.errata, uint32_t(ERRATA_4000 | ERRATA_FASTINTS));
  // The notes name the chip and each work-around in force.
  EXPECT_NE(messages.text().find("18F452"), std::string::npos);
  EXPECT_NE(messages.text().find("Corrupted fast interrupt shadow registers"), std::string::npos);
  run({"--chip=18F452", "-Q"});
  EXPECT_EQ(messages.text().find("Address 4000h boundary"), std::string::npos);
}

struct memory_option_case {
  std::vector<std::string> args;
  const char *cls;
  const char *text;
  std::vector<unsigned> messages;
};

TEST_F(driver_options_run, memory_options_edit_the_classes) {
  const memory_option_case cases[] = {
      {{"--ram=default"}, "RAM", "-ARAM=00h-0FFhx6", {}},
      {{"--ram=default,-F0-FF"}, "RAM", "-ARAM=00h-0EFh,0100h-01FFhx5", {}},
      {{"--ram=default,-F0-FF"}, "BANK0", "-ABANK0=00h-0EFh", {}},
      {{"--ram=default,-F0-FF"}, "BIGRAM", "-ABIGRAM=00h-0EFh,0100h-05FFh", {}},
      {{"--ram=default,20000-2FFFF"}, "FARRAM", "<none>", {1211}},
      {{"--ram=0-1FF"}, "BIGRAM", "-ABIGRAM=00h-01FFh", {}},
      {{"--rom=0-3FFF"}, "CODE", "-ACODE=00h-03FFFh", {}},
      {{"--rom=0-3FFF"}, "SMALLCONST", "-ASMALLCONST=0600h-06FFhx58", {}},
      {{"--rom=0-3FFF"}, "MEDIUMCONST", "-AMEDIUMCONST=0600h-03FFFh", {}},
      {{"--rom=+8000-BFFF"}, "CONST", "-ACONST=00h-0BFFFh", {}},
      {{"--rom=none"}, "CODE", "", {897}},
      {{"--rom=none", "-C"}, "CODE", "", {}},
      {{"--codeoffset=200"}, "CODE", "-ACODE=0200h-03FFFh,04000h-07FFFh", {}},
      {{"--serial=1234@7FF0"}, "CODE", "-ACODE=00h-03FFFh,04000h-07FEFh,07FF2h-07FFFh", {}},
      {{"--checksum=0-7FFD@7FFE,width=2"}, "CODE", "-ACODE=00h-03FFFh,04000h-07FFDh", {}},
      {{"--ram=defaultx"}, "RAM", "-ARAM=00h-0FFhx6", {906}},
      {{"--ram=5-1"}, "RAM", "-ARAM=00h-0FFhx6", {906}},
      {{"--ram=nowhere"}, "RAM", "-ARAM=00h-0FFhx6", {907}},
      {{"--ram=data"}, "RAM", "-ARAM=00h-0FFhx6", {906}},
      {{"--ram=eedata"}, "RAM", "-ARAM=0F00000h-0F000FFh", {}},
      {{"--ram=+eedata"}, "BIGRAM", "-ABIGRAM=00h-05FFh,0F00000h-0F000FFh", {}},
      // Addresses past the chip's spaces are refused before they change anything.
      {{"--ram=0-FFFFFFFF"}, "RAM", "-ARAM=00h-0FFhx6", {932}},
      {{"--ram=default,1000-10FF"}, "BIGRAM", "-ABIGRAM=00h-05FFh", {932}},
      {{"--ram=default,-F0-FFFFF"}, "BIGRAM", "-ABIGRAM=00h-05FFh", {932}},
      {{"--ram=0-FFF"}, "BIGRAM", "-ABIGRAM=00h-0FFFh", {}},
      {{"--rom=0-FFFFFFFF"}, "CODE", "-ACODE=00h-03FFFhx2", {932}},
      {{"--rom=0-1FFFFF", "--errata=none"}, "CODE", "-ACODE=00h-01FFFFFh", {}},
      {{"--serial=1234@FFFFFFFF"}, "CODE", "-ACODE=00h-03FFFhx2", {932}},
      {{"--serial=1234@FFFFFFFE"}, "CODE", "-ACODE=00h-03FFFhx2", {932}},
      {{"--serial=1234@7FF0-10r0x801"}, "CODE", "-ACODE=00h-03FFFhx2", {932}},
      {{"--serial=1234@7FF0-10r2049"}, "CODE", "-ACODE=00h-03FFFhx2", {932}},
      {{"--serial=1234@7FF0-10r3"}, "CODE", "-ACODE=00h-03FFFh,04000h-07FEFh,07FF2h-07FFFh", {}},
      {{"--serial=123@7FF0"}, "CODE", "-ACODE=00h-03FFFh,04000h-07FEFh,07FF2h-07FFFh", {}},
      {{"--serial=1234@200000"}, "CODE", "-ACODE=00h-03FFFhx2", {}},
      {{"--serial=1234"}, "CODE", "-ACODE=00h-03FFFhx2", {906}},
      {{"--serial=123456789ABCDEF012@7F00"}, "CODE", "-ACODE=00h-03FFFhx2", {1204}},
      {{"--checksum=0-7FFF@FFFFFFFF,width=4"}, "CODE", "-ACODE=00h-03FFFhx2", {932}},
      {{"--checksum=0-7FFF@FFFFFFFF,width=0"}, "CODE", "-ACODE=00h-03FFFhx2", {}},
      {{"--checksum=7FFF-0@7FFE"}, "CODE", "-ACODE=00h-03FFFhx2", {933}},
      {{"--checksum=0-FFFFFFFF@7FFE"}, "CODE", "-ACODE=00h-03FFFhx2", {932}},
      {{"--checksum=0-100000000@7FFE"}, "CODE", "-ACODE=00h-03FFFhx2", {1242}},
      {{"--checksum=0-7FFD@7FFE,width=-2147483648"}, "CODE", "-ACODE=00h-03FFFh,04000h-07FFDh", {1236}},
      {{"--codeoffset=FFFFFFFF"}, "CODE", "-ACODE=00h-03FFFhx2", {932}},
      {{"--codeoffset=0"}, "CODE", "-ACODE=00h-03FFFhx2", {}},
      {{"--fill=FF@0-FFFFFFFF"}, "CODE", "-ACODE=00h-03FFFhx2", {932}},
      {{"--fill=FF@10-5"}, "CODE", "-ACODE=00h-03FFFhx2", {933}},
      {{"--fill=FF@10"}, "CODE", "-ACODE=00h-03FFFhx2", {906}},
      {{"--fill="}, "CODE", "-ACODE=00h-03FFFhx2", {924}},
  };
  for (const memory_option_case &c : cases) {
    std::vector<std::string> args = {"--chip=18F452", "-Q"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    run(args);
    EXPECT_EQ(class_text(c.cls), c.text) << ::testing::PrintToString(c.args);
    EXPECT_EQ(numbers, c.messages) << ::testing::PrintToString(c.args) << messages.text();
  }
  run({"--chip=18F452", "--codeoffset=200"});
  EXPECT_EQ(drv.chip->code_offset, 0x200u);
  // A refused value is not handed on to the passes either.
  run({"--chip=18F452", "--codeoffset=FFFFFFFF", "--serial=1234@FFFFFFFF", "--fill=FF@0-FFFFFFFF",
       "--checksum=0-7FFF@FFFFFFFF"});
  EXPECT_EQ(drv.chip->code_offset, 0u);
  EXPECT_FALSE(drv.serial_given);
  EXPECT_FALSE(drv.fill_given);
  EXPECT_FALSE(drv.checksum.given);
}

TEST_F(driver_options_run, checksum_specification) {
  run({"--chip=18F452", "--checksum=0-7FFF@8000,width=x,algorithm=0x3,offset=FF,shape=round"});
  EXPECT_EQ(numbers, (std::vector<unsigned>{1236, 1236}));
  EXPECT_TRUE(drv.checksum.given);
  EXPECT_EQ(drv.checksum.end, 0x7FFFu);
  EXPECT_EQ(drv.checksum.destination, 0x8000u);
  EXPECT_EQ(drv.checksum.width, -2);
  EXPECT_EQ(drv.checksum.algorithm, 3u);
  EXPECT_EQ(drv.checksum.offset, 0xFFu);
  for (const auto &[arg, number] : {std::pair{"--checksum=x", 1241u}, {"--checksum=0", 1242u},
                                    {"--checksum=0-7FFF", 1243u}}) {
    run({"--chip=18F452", arg});
    EXPECT_EQ(numbers, std::vector<unsigned>{number}) << arg;
    EXPECT_FALSE(drv.checksum.given);
  }
}

TEST_F(driver_options_run, preprocessor_options_keep_their_command_line_order) {
  run({"--chip=18F452", "-DX", "-UX", "-Iinc"});
  EXPECT_EQ(drv.pp_args, (std::vector<std::string>{"-DQUENLOR_C", "-SP1,1,1,1,1,1,1", "-DX", "-UX", "-Iinc"}));
  run({"--chip=18F452", "-UX", "-DX"});
  EXPECT_EQ(drv.pp_args, (std::vector<std::string>{"-DQUENLOR_C", "-SP1,1,1,1,1,1,1", "-UX", "-DX"}));
  EXPECT_FALSE(drv.debug_build);
  run({"--chip=18F452", "-D__DEBUG=1"});
  EXPECT_TRUE(drv.debug_build);
}

TEST_F(driver_options_run, defaults_and_option_values) {
  run({"--chip=18F452"});
  EXPECT_EQ(drv.output, uint32_t(OUT_INTEL | OUT_MCOF));
  EXPECT_EQ(drv.runtime, uint32_t(RUNTIME_INIT | RUNTIME_CLEAR | RUNTIME_CLIB | RUNTIME_KEEP | RUNTIME_STACKWARN));
  EXPECT_EQ(drv.opt, uint32_t(OPT_LEVEL9 | OPT_ASM | OPT_SPACE));
  EXPECT_EQ(drv.double_type, uint32_t(DOUBLE_24));
  EXPECT_EQ(drv.debugger, uint32_t(DEBUGGER_NONE));
  EXPECT_EQ(drv.summary, uint32_t(SUMMARY_MEM));
  EXPECT_EQ(drv.ident_length, 31u);
  EXPECT_EQ(drv.out_dir, ".");
  EXPECT_EQ(drv.obj_dir, ".");

  run({"--chip=18F452", "--output=cof,+bin", "--runtime=-clib", "--double=32", "--callgraph=full", "-N40", "--warn=-3",
       "-L-pdata=100h", "-Lmylib", "-Mout.map", "-Gsym.sym", "--cr=x.crf", "-V", "-V"});
  EXPECT_TRUE(numbers.empty()) << messages.text();
  EXPECT_EQ(drv.output, uint32_t(OUT_COFF | OUT_BINARY));
  EXPECT_EQ(drv.runtime, uint32_t(RUNTIME_INIT | RUNTIME_CLEAR | RUNTIME_KEEP | RUNTIME_STACKWARN));
  EXPECT_EQ(drv.double_type, uint32_t(DOUBLE_32));
  EXPECT_EQ(drv.callgraph, uint32_t(CALLGRAPH_FULL));
  EXPECT_EQ(drv.ident_length, 40u);
  EXPECT_EQ(int32_t(drv.warn), -3);
  EXPECT_EQ(drv.linker_options, std::vector<std::string>{"-pdata=100h"});
  EXPECT_EQ(drv.link_inputs, std::vector<std::string>{"mylib"});
  EXPECT_EQ(drv.cg_libraries, std::vector<std::string>{"mylib"});
  EXPECT_EQ(drv.map_file, "out.map");
  EXPECT_EQ(drv.symbol_file, "sym.sym");
  EXPECT_EQ(drv.cross_ref_file, "x.crf");
  EXPECT_EQ(drv.verbose, 2);

  run({"--chip=18F452", "-Goff", "--pre"});
  EXPECT_TRUE(drv.symbol_off);
  EXPECT_TRUE(drv.pre_only && drv.compile_only);
}

TEST_F(driver_options_run, speed_and_space_together) {
  run({"--chip=18F452", "--opt=+speed"});
  EXPECT_EQ(numbers, std::vector<unsigned>{1259});
  run({"--chip=18F452", "--opt=speed"});
  EXPECT_TRUE(numbers.empty());
  run({"--chip=18F452", "--opt=all"});
  EXPECT_TRUE(numbers.empty());
  EXPECT_EQ(drv.opt, ~uint32_t(OPT_SPEED));
}

TEST_F(driver_options_run, pass_option_files_name_a_pass) {
  run({"--chip=18F452", "--getoption=tallik,f"});
  EXPECT_TRUE(numbers.empty());
  EXPECT_EQ(drv.pass_option_files[10], "f");
  EXPECT_TRUE(drv.getoption && drv.quiet);
  run({"--chip=18F452", "--setoption=JOINTA,opts"});
  EXPECT_EQ(drv.pass_option_files[5], "opts");
  struct {
    std::vector<std::string> args;
    unsigned number;
  } cases[] = {
      {{"--setoption=tallik,f"}, 905},
      {{"--getoption=nosuchpass,f"}, 905},
      {{"--getoption=jointa"}, 904},
      {{"--getoption=jointa,f", "--setoption=jointa,g"}, 895},
      {{"--msgdisable"}, 906},
      {{"--double=fast32"}, 923},
      {{"--ide=eclipse"}, 923},
      {{"--outdir=/nonexistent/folder"}, 1180},
      {{"--objdir=/nonexistent/folder"}, 1180},
  };
  for (const auto &c : cases) {
    std::vector<std::string> args = {"--chip=18F452"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    run(args);
    EXPECT_EQ(numbers, std::vector<unsigned>{c.number}) << ::testing::PrintToString(c.args);
  }
}

TEST_F(driver_options_run, output_name_and_folders) {
  scratch_dir here(true);
  run({"--chip=18F452", "-Oout"});
  EXPECT_EQ(drv.out_name, "out.hex");
  run({"--chip=18F452", "-Oout."});
  EXPECT_EQ(drv.out_name, "out.");
  run({"--chip=18F452", "-C", "-Oout.x"});
  EXPECT_EQ(drv.out_name, "out.obj");
  EXPECT_EQ(out_file("sym"), "out.sym");

  char *sub = strfmt("%s/sub", here.path().c_str());
  mkdir(sub, 0700);
  run({"--chip=18F452", "--outdir=sub", "-Osub/prog.c"});
  EXPECT_TRUE(numbers.empty()) << messages.text();
  EXPECT_EQ(drv.out_name, "prog.hex");
  EXPECT_EQ(drv.out_dir, sub);
  EXPECT_EQ(out_file("map"), "sub/prog.map");
  EXPECT_EQ(obj_file("dir/a.c", "parsk"), "sub/a.parsk");
  run({"--chip=18F452", "--outdir=sub", "-O./prog"});
  EXPECT_EQ(numbers, std::vector<unsigned>{1255});
  xfree(sub);
}

TEST_F(driver_options_run, legacy_forms_are_rewritten_and_noted) {
  run({"-18F452", "-NOERRATA"});
  EXPECT_STREQ(drv.chip->name, "18F452");
  EXPECT_EQ(drv.errata, 0u);
  EXPECT_EQ(numbers, std::vector<unsigned>{1207});
  run({"-18F452", "-FDOUBLE"});
  EXPECT_EQ(numbers, (std::vector<unsigned>{923, 1207}));
  run({"-18F452", "-studio", "-Oprog.cof", "-Olib.obj", "-A200", "-XDATA20000-2FFFF"});
  EXPECT_EQ(drv.command_words,
            (std::vector<std::string>{"tovra18", "--chip=18F452", "--ide=studio", "-Oprog.hex", "-Olib.obj",
                                      "--codeoffset=200", "--ram=default,+20000-2FFFF"}));
  EXPECT_EQ(drv.ide, uint32_t(IDE_STUDIO));
  EXPECT_EQ(drv.code_offset, 0x200u);
}

TEST_F(driver_options_run, psect_descriptions_follow_the_chips_classes) {
  run({"--chip=18F452"});
  describe_psects();
  auto find = [](const char *space_name, const char *psect) -> const psect_usage * {
    for (const psect_usage *p = ms_find(mem_spaces, space_name)->psects; p; p = p->next)
      if (strcmp(p->name, psect) == 0) return p;
    return nullptr;
  };
  const psect_usage *irdata = find("code", "irdata");
  ASSERT_NE(irdata, nullptr);
  EXPECT_STREQ(irdata->class_text, "Near RAM initialized data (ROM image)");
  EXPECT_EQ(irdata->unit, UNIT_BYTE);
  const psect_usage *rbit = find("data", "rbit");
  ASSERT_NE(rbit, nullptr);
  EXPECT_EQ(rbit->unit, UNIT_BIT);
  EXPECT_EQ(find("config", "config")->unit, UNIT_WORD);
  EXPECT_EQ(find("idloc", "idloc")->unit, UNIT_NIBBLE);
  EXPECT_STREQ(find("eedata", "eeprom_da")->class_text, "User-programmed EEPROM data");
  EXPECT_EQ(find("code", "farbss"), nullptr);  // no external memory

  EXPECT_TRUE(mark_absolute_range("CODE", 0x100, 0x10));
  EXPECT_EQ(class_text("CONST"), "-ACONST=00h-0FFh,0110h-07FFFh");
  EXPECT_FALSE(mark_absolute_range("NOSUCH", 0, 1));
}

TEST_F(driver_options_run, a_run_without_a_chip_ends) {
  EXPECT_EXIT(
      {
        run_driver_options({"-Q"});
      },
      ::testing::ExitedWithCode(1), "");
  EXPECT_EXIT(
      {
        run_driver_options({"--chip=16F84"});
      },
      ::testing::ExitedWithCode(1), "");
}

}  // namespace
