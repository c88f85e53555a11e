// The converters on programs assembled by quelm and linked by jointa: every
// image imprel writes of the located object holds what the linker's own raw
// binary holds, and an object stripped by pellow no longer satisfies a link.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "linker/tests/objdump.h"
#include "objconv/tests/objfixture.h"

namespace {

const char start_source[] = R"(
	processor 18F452
	psect	reset_vec,class=CODE,reloc=2
	global	_main
start_here:
	goto	_main
	end	start_here
)";

// Code, a string table at an odd address after a gap, and (in its own
// module) configuration bytes at 300000h.
const char main_source[] = R"(
	processor 18F452
	psect	text,class=CODE,reloc=2
	global	_main, _table
_main:
	movlw	low _table
	movwf	0FF6h,c
	call	_sub
	bra	_main
_sub:
	nop
	return
	psect	strings,class=CODE,reloc=1
_table:
	db	72,101,108,108,111,0
	db	1,2,3
)";

const char config_source[] = R"(
	processor 18F452
	psect	config,abs,class=CONFIG
	org	300000h
	db	0x00,0x22,0x0F,0x0E
	org	300008h
	db	0x0F
)";

const char placement[] = "-Preset_vec=0 -Ptext=100h -Pstrings=1FFh";

struct LinkedProgram : ::testing::Test {
  std::string dir;

  void SetUp() override {
    for (const char *tool : {"quelm", "jointa"})
      if (!file_exists(staged_program(tool))) GTEST_SKIP() << tool << " is not staged";
    if (!have_tool("srec_cmp")) GTEST_SKIP() << "srecord is not installed";
    dir = make_scratch_dir("objconv-");
    write_file(dir + "/start.as", std::string(start_source));
    write_file(dir + "/main.as", std::string(main_source));
    write_file(dir + "/config.as", std::string(config_source));
    for (const char *name : {"start", "main", "config"}) {
      run_result r = run_in(dir, staged_program("quelm") + " -18F452 " + name + ".as");
      ASSERT_EQ(r.status, 0) << name << r.err;
    }
  }

  // Links the modules twice: into "l.obj" and, with -C0, into "l.bin".
  void link(const std::string &modules) {
    run_result obj = run_in(dir, staged_program("jointa") + " " + placement + " " + modules);
    ASSERT_EQ(obj.status, 0) << obj.err;
    run_result raw = run_in(dir, staged_program("jointa") + " -C0 " + placement + " " + modules);
    ASSERT_EQ(raw.status, 0) << raw.err;
  }

  std::string raw_size() {
    struct stat st;
    EXPECT_EQ(stat((dir + "/l.bin").c_str(), &st), 0);
    return std::to_string(st.st_size);
  }

  // Converts l.obj with the options and compares the image with l.bin,
  // whose gaps hold zeros.
  void expect_same_image(const std::string &options, const char *format) {
    run_result conv = run_in(dir, staged_program("imprel") + " " + options + " l.obj image");
    ASSERT_EQ(conv.status, 0) << options << conv.err;
    std::string size = raw_size();
    run_result cmp = run_in(dir, "srec_cmp image " + std::string(format) + " -fill 0 0 " + size +
                                     " l.bin -binary");
    EXPECT_EQ(cmp.status, 0) << options << "\n" << cmp.out << cmp.err;
  }
};

TEST_F(LinkedProgram, EveryImageEqualsTheLinkersRawBinary) {
  link("start.obj main.obj config.obj");
  expect_same_image("-i", "-intel");
  expect_same_image("-m", "-motorola");
  expect_same_image("-TE", "-tektronix-extended");
  run_result bin = run_in(dir, staged_program("imprel") + " -b l.obj image.bin");
  ASSERT_EQ(bin.status, 0) << bin.err;
  EXPECT_EQ(read_file(dir + "/image.bin"), read_file(dir + "/l.bin"));
  // The driver's form: aligned records add fill bytes at the image's end.
  run_result aligned = run_in(dir, staged_program("imprel") + " -i -16,2 l.obj aligned.hex");
  ASSERT_EQ(aligned.status, 0) << aligned.err;
  std::string size = raw_size();
  run_result cmp = run_in(dir, "srec_cmp aligned.hex -intel -crop 0 " + size + " -fill 0 0 " + size +
                                   " l.bin -binary");
  EXPECT_EQ(cmp.status, 0) << cmp.out << cmp.err;
  EXPECT_NE(read_file(dir + "/aligned.hex").find(":020000040000FA\n:00000001FF\n"), std::string::npos);
}

TEST_F(LinkedProgram, TektronixImageOfAProgramBelow64K) {
  link("start.obj main.obj");
  expect_same_image("-t", "-tektronix");
  run_result high = run_in(dir, staged_program("jointa") + " " + placement + " start.obj main.obj config.obj");
  ASSERT_EQ(high.status, 0) << high.err;
  run_result tek = run_in(dir, staged_program("imprel") + " -t l.obj high.tek");
  EXPECT_EQ(tek.status, 1);
  EXPECT_EQ(message_numbers(tek.err), std::vector<unsigned>{411});
}

TEST_F(LinkedProgram, AStrippedMainIsUndefinedToTheNextLink) {
  std::string before, after;
  ASSERT_TRUE(objdump_path((dir + "/main.obj").c_str(), &before));
  run_result strip = run_in(dir, staged_program("pellow") + " -main main.obj");
  ASSERT_EQ(strip.status, 0) << strip.err;
  ASSERT_TRUE(objdump_path((dir + "/main.obj").c_str(), &after));
  // Only _main's global flag is gone.
  const std::string global = "SYM _main value 0x0 kind 0 global psect text";
  size_t at = before.find(global);
  ASSERT_NE(at, std::string::npos) << before;
  before.replace(at, global.size(), "SYM _main value 0x0 kind 0 psect text");
  EXPECT_EQ(after, before);
  run_result relink = run_in(dir, staged_program("jointa") + " " + placement + " start.obj main.obj");
  EXPECT_EQ(relink.status, 1);
  EXPECT_NE(relink.err.find("_main"), std::string::npos) << relink.err;
  EXPECT_EQ(message_numbers(relink.err), std::vector<unsigned>{499}) << relink.err;
}

}  // namespace
