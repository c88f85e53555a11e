// An assembly-only program built by tovra18 with the real passes (quelm, both
// link stages with the run-time start-up module, imprel and tessik) into an
// Intel HEX file that gpsim runs: the start-up code must copy the initialised
// data from its ROM image and clear the uninitialised RAM before main.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "tests/e2e.h"

namespace {

using e2e::folder;
using e2e::program;

// The power-up code fills the RAM with A5h before the start-up code runs,
// so that clearing shows. main marks 180h with 5Ah.
const char program_source[] = R"(
	processor 18F452
	FNCONF	rparam,??,?
	psect	powerup,class=CODE,delta=1,reloc=2
	global	powerup, start
powerup:
	lfsr	0, 0
fill:
	movlw	0xA5
	movwf	postinc0, c
	movf	fsr0h, w, c
	xorlw	2
	bnz	fill
	goto	start

	psect	bss,class=RAM,space=1
	global	_count
_count:	ds	2
	psect	rbss,class=COMRAM,space=1
	global	_flags
_flags:	ds	3

; Initialised data: two absolute blocks and their ROM image, in order.
	global	__Ldata0, __Hdata0, __Ldata1, __Hdata1
__Ldata0	equ	0x150
__Hdata0	equ	0x154
__Ldata1	equ	0x160
__Hdata1	equ	0x163
	psect	idata,class=CODE,space=0,reloc=2
	db	0x11, 0x22, 0x33, 0x44
	db	0x55, 0x66, 0x77

	psect	text,class=CODE,delta=1,reloc=2
	global	_main
_main:
	movlw	0x5A
	movlb	1
	movwf	0x80, b
	bra	$

postinc0	equ	0FEEh
fsr0h	equ	0FEAh
)";

using e2e::ram_dump;

unsigned symbol(const std::string &symbols, const std::string &name) { return e2e::required_symbol(symbols, name); }

TEST(asm_program, builds_into_a_hex_file_that_starts_up_in_gpsim) {
  if (!e2e::have_tool("gpsim")) GTEST_SKIP() << "gpsim missing";
  folder dir;
  dir.write("prog.as", program_source);
  dir.write("registry", "");
  std::string env = "TOVRA18_REGISTRY='" + (dir / "registry") + "' ";
  ASSERT_EQ(dir.run(env + program("tovra18") + " --chip=18F452 --output=intel prog.as"), 0)
      << dir.read("out") << dir.read("err");
  ASSERT_TRUE(dir.exists("prog.hex"));
  EXPECT_TRUE(dir.exists("startup.as"));  // --runtime=keep is a default
  EXPECT_FALSE(dir.exists("prog.obj"));   // the only object of a one-source build goes
  EXPECT_FALSE(dir.exists("l.obj"));

  dir.write("run.stc", "break c 5000\nrun\ndump r\nquit\n");
  ASSERT_EQ(dir.run("timeout 60 gpsim -i -p p18f452 -c run.stc prog.hex"), 0) << dir.read("err");
  std::map<unsigned, unsigned> ram = ram_dump(dir.read("out"));
  ASSERT_FALSE(ram.empty()) << dir.read("out");

  std::string symbols = dir.read("prog.sym");
  unsigned count = symbol(symbols, "_count"), flags = symbol(symbols, "_flags");
  EXPECT_EQ(ram[0x180], 0x5Au) << "main did not run";
  EXPECT_EQ(ram[0x150], 0x11u);
  EXPECT_EQ(ram[0x151], 0x22u);
  EXPECT_EQ(ram[0x152], 0x33u);
  EXPECT_EQ(ram[0x153], 0x44u);
  EXPECT_EQ(ram[0x154], 0xA5u);  // the first block is four bytes
  EXPECT_EQ(ram[0x160], 0x55u);  // the second block takes the image's next bytes
  EXPECT_EQ(ram[0x161], 0x66u);
  EXPECT_EQ(ram[0x162], 0x77u);
  EXPECT_EQ(ram[0x163], 0xA5u);
  for (unsigned a : {count, count + 1, flags, flags + 1, flags + 2}) EXPECT_EQ(ram[a], 0u) << std::hex << a;
  EXPECT_EQ(ram[0x100], 0xA5u);  // what nothing claims keeps the power-up pattern
}

}  // namespace
