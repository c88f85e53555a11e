// PIC18 programs of several modules assembled by quelm, libraries built by
// bindle, linked by jointa into a raw image and disassembled by gputils.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e.h"

namespace {

using e2e::folder;
using e2e::program;

const char main_source[] = R"(
	processor 18F452
	psect	text,class=CODE,reloc=2
	global	_main, _func, _loop, _near, _buffer, _src, _dst, _libf
_main:
	call	_func
	goto	_loop
	bra	_near
	lfsr	1, _buffer
	movff	_src, _dst
	call	_libf
	end	_main
)";

const char other_source[] = R"(
	processor 18F452
	psect	text,class=CODE,reloc=2
	global	_func, _loop, _near
_near:
	nop
	nop
_func:
	return
_loop:
	bra	_loop
	psect	bss,class=RAM,space=1
	global	_buffer, _src, _dst
_buffer:	ds	16
_src:	ds	1
_dst:	ds	1
)";

// In the library, _libg comes before _libf, which calls it: a second
// round pulls it in. _unused is never needed.
const char libg_source[] = R"(
	psect	text,class=CODE,reloc=2
	global	_libg
_libg:
	retlw	0x47
)";
const char libf_source[] = R"(
	psect	text,class=CODE,reloc=2
	global	_libf, _libg
_libf:
	rcall	_libg
	return
)";
const char unused_source[] = R"(
	psect	text,class=CODE,reloc=2
	global	_unused
_unused:
	retlw	0x55
)";

struct Pic18Link : ::testing::Test {
  folder dir;
  void SetUp() override {
    if (!e2e::have_tool("gpdasm") || !e2e::have_tool("srec_cat")) GTEST_SKIP() << "gputils or srecord missing";
    dir.write("main.as", main_source);
    dir.write("other.as", other_source);
    dir.write("libg.as", libg_source);
    dir.write("libf.as", libf_source);
    dir.write("unused.as", unused_source);
    for (const char *name : {"main", "other", "libg", "libf", "unused"})
      ASSERT_EQ(dir.run(program("quelm") + " -18F452 " + name + ".as"), 0) << name << dir.read("err");
    ASSERT_EQ(dir.run(program("bindle") + " r lib18.lib libg.obj libf.obj unused.obj"), 0) << dir.read("err");
  }
  // Links with the options and gives the disassembly of the raw image.
  std::string link_and_disassemble(const std::string &options) {
    EXPECT_EQ(dir.run(program("jointa") + " -C0 " + options + " main.obj other.obj lib18.lib"), 0) << dir.read("err");
    EXPECT_EQ(dir.run("srec_cat l.bin -binary -o l.hex -intel && gpdasm -p p18f452 l.hex"), 0) << dir.read("err");
    return dir.read("out");
  }
};

TEST_F(Pic18Link, CrossModuleInstructionsAndLibraryCallsReachTheirTargets) {
  std::string listing = link_and_disassemble("-Ptext=0 -Pbss=100h");
  // main 0..0x15, other 0x16..0x1D, then the pulled library modules in
  // directory order: _libg at 0x1E, _libf at 0x20.
  for (const char *line : {"000000:  ec0d  call    0x00001a, 0x0", "000004:  ef0e  goto    0x00001c",
                           "000008:  d006  bra     0x000016", "00000a:  ee11  lfsr    0x1, 0x100",
                           "00000e:  c110  movff   0x110, 0x111", "000012:  ec10  call    0x000020, 0x0",
                           "00001c:  d7ff  bra     0x00001c", "00001e:  0c47  retlw   0x47",
                           "000020:  dffe  rcall   0x00001e"})
    EXPECT_NE(listing.find(line), std::string::npos) << line << "\n" << listing;
  // The module nobody needs stays out of the image.
  EXPECT_EQ(listing.find("retlw   0x55"), std::string::npos) << listing;
}

TEST_F(Pic18Link, CodePlacedHigherMovesEveryReferenceWithIt) {
  std::string listing = link_and_disassemble("-Ptext=200h -Pbss=300h");
  for (const char *line : {"000200:  ec0d  call    0x00021a, 0x0", "000208:  d006  bra     0x000216",
                           "00020a:  ee13  lfsr    0x1, 0x300", "00020e:  c310  movff   0x310, 0x311"})
    EXPECT_NE(listing.find(line), std::string::npos) << line << "\n" << listing;
}

TEST_F(Pic18Link, ABranchOutOfReachIsReported) {
  dir.write("far.as", R"(
	psect	text,class=CODE,reloc=2
	global	_far
	bra	_far
	psect	high,class=CODE,reloc=2
_far:
	return
)");
  ASSERT_EQ(dir.run(program("quelm") + " -18F452 far.as"), 0) << dir.read("err");
  EXPECT_EQ(dir.run(program("jointa") + " -C0 -Ptext=0 -Phigh=2000h far.obj"), 1);
  EXPECT_NE(dir.read("err").find("(1268)"), std::string::npos) << dir.read("err");
  EXPECT_FALSE(dir.exists("l.bin"));
}

}  // namespace
