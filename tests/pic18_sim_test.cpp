// A PIC18 program of several modules and a library, assembled by quelm,
// linked by jointa with the placement the driver gives an 18F452, and run
// in gpsim: the values it leaves in RAM prove the link.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

#include "tests/e2e.h"

namespace {

using e2e::folder;
using e2e::program;

// The psects the driver's start-up module declares, its reset vector and
// the call of main.
const char startup_source[] = R"(
	processor 18F452
	psect	config,class=CONFIG,delta=1
	psect	idloc,class=IDLOC,delta=1
	psect	eeprom_data,class=EEDATA,delta=1
	psect	const,class=CODE,delta=1,reloc=2
	psect	smallconst,class=SMALLCONST,delta=1,reloc=2
	psect	mediumconst,class=MEDIUMCONST,delta=1,reloc=2
	psect	rbss,class=COMRAM,space=1
	psect	bss,class=RAM,space=1
	psect	rdata,class=COMRAM,space=1
	psect	irdata,class=CODE,space=0,reloc=2
	psect	data,class=RAM,space=1
	psect	idata,class=CODE,space=0,reloc=2
	psect	nvram,class=NVRAM,space=1
	psect	nvrram,class=COMRAM,space=1
	psect	nvbit,class=COMRAM,bit,space=1
	psect	temp,ovrld,class=COMRAM,space=1
	psect	struct,ovrld,class=BIGRAM,space=1
	psect	rbit,class=COMRAM,bit,space=1
	psect	bigbss,class=BIGRAM,space=1
	psect	bigdata,class=BIGRAM,space=1
	psect	ibigdata,class=CODE,space=0,reloc=2
	psect	farbss,class=FARRAM,space=0,reloc=2,delta=1
	psect	fardata,class=FARRAM,space=0,reloc=2,delta=1
	psect	ifardata,class=CODE,space=0,reloc=2,delta=1
	psect	reset_vec,class=CODE,delta=1,reloc=2
	psect	powerup,class=CODE,delta=1,reloc=2
	psect	intcode,class=CODE,delta=1,reloc=2
	psect	intcodelo,class=CODE,delta=1,reloc=2
	psect	intret,class=CODE,delta=1,reloc=2
	psect	intentry,class=CODE,delta=1,reloc=2
	psect	intsave_regs,class=BIGRAM,space=1
	psect	init,class=CODE,delta=1,reloc=2
	psect	text,class=CODE,delta=1,reloc=2
	psect	end_init,class=CODE,delta=1,reloc=2
	psect	clrtext,class=CODE,delta=1,reloc=2
	psect	rparam,class=COMRAM,space=1
	PSECT	ramtop,class=RAM
	GLOBAL	__S1
	GLOBAL	__ramtop
	GLOBAL	__LRAM,__HRAM
__ramtop:
	PSECT	reset_vec
reset_pos:
	goto	start
	PSECT	init
	global	start, _main, _halt
start:
	call	_main
_halt:
	bra	_halt
	end	reset_pos
)";

// main: W = ((5 + 3) * 2) + 10h, kept in banked RAM, copied to bank 2 by
// movff; a counter in the large RAM class counted up twice through FSR0.
const char main_source[] = R"(
	processor 18F452
	psect	text,class=CODE,reloc=2
	global	_main, _add3, _double, _libinc, _result, _copy, _count
_main:
	movlw	5
	call	_add3
	rcall	_double
	call	_libinc
	movlb	high _result
	movwf	_result, b
	movff	_result, _copy
	lfsr	0, _count
	incf	INDF0, f, c
	incf	INDF0, f, c
	return
INDF0	equ	0FEFh
	psect	bss,class=RAM,space=1
	global	_result
_result:	ds	1
	psect	bank2data,class=BANK2,space=1
	global	_copy
_copy:	ds	2
)";

const char other_source[] = R"(
	processor 18F452
	psect	text,class=CODE,reloc=2
	global	_add3, _double, _count, _scratch
_add3:
	addlw	3
	return
_double:
	movwf	_scratch, c
	addwf	_scratch, w, c
	return
	psect	rbss,class=COMRAM,space=1
_scratch:	ds	1
	psect	bigbss,class=BIGRAM,space=1
_count:	ds	1
)";

const char libinc_source[] = R"(
	processor 18F452
	psect	text,class=CODE,reloc=2
	global	_libinc
_libinc:
	addlw	10h
	return
)";

const char libunused_source[] = R"(
	processor 18F452
	psect	text,class=CODE,reloc=2
	global	_libunused
_libunused:
	retlw	0
)";

// The placement and class options the driver passes for an 18F452 (32K of
// program memory, 1536 bytes of RAM in six banks, 256 bytes of EEPROM).
const char placement[] =
    "-preset_vec=0h,intcode,intcodelo,powerup,init,end_init -pramtop=0600h -psmallconst=SMALLCONST "
    "-pmediumconst=MEDIUMCONST -pconst=CONST -prparam=COMRAM -AFARRAM=00h-00h "
    "-prdata=COMRAM,nvrram=COMRAM,nvbit=COMRAM,rbss=COMRAM,rbit=COMRAM -pfarbss=FARRAM,fardata=FARRAM "
    "-pintsave_regs=BIGRAM,bigbss=BIGRAM,bigdata=BIGRAM -pbss=RAM "
    "-pidata=CODE,irdata=CODE,ibigdata=CODE,ifardata=CODE -ACODE=00h-07FFFh -ACONST=00h-07FFFh "
    "-ASMALLCONST=0600h-06FFhx122 -AMEDIUMCONST=0600h-07FFFh -ACOMRAM=00h-07Fh -ARAM=00h-0FFhx6 "
    "-AABS1=00h-05FFh -ABIGRAM=00h-05FFh -ABANK0=00h-0FFh -ABANK1=0100h-01FFh -ABANK2=0200h-02FFh "
    "-ABANK3=0300h-03FFh -ABANK4=0400h-04FFh -ABANK5=0500h-05FFh -ANVRAM=0500h-05FFh "
    "-AEEDATA=0F00000h-0F000FFh -AIDLOC=0200000h-0200007h -ACONFIG=0300000h-030000Dh -pconfig=CONFIG "
    "-pidloc=IDLOC -peeprom_data=EEDATA";

// Symbol values from the symbol file's global lines.
std::map<std::string, unsigned long> symbols(const std::string &text) {
  std::map<std::string, unsigned long> values;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line) && line.rfind("%", 0) != 0) {
    std::istringstream fields(line);
    std::string name, value;
    if (fields >> name >> value) values[name] = strtoul(value.c_str(), nullptr, 16);
  }
  return values;
}

// RAM bytes from gpsim's "dump r": lines of an address and 16 bytes.
std::map<unsigned long, int> ram(const std::string &text) {
  std::map<unsigned long, int> bytes;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    size_t colon = line.find(':');
    if (colon != 4 || line.size() < 6) continue;
    std::string digits = line.substr(0, 4);
    char *end;
    unsigned long address = strtoul(digits.c_str(), &end, 16);
    if (*end) continue;
    std::istringstream values(line.substr(5));
    std::string hex;
    for (int i = 0; i < 16 && values >> hex; i++) bytes[address + i] = (int)strtol(hex.c_str(), nullptr, 16);
  }
  return bytes;
}

TEST(Pic18Simulation, ALinkedProgramLeavesTheExpectedValuesInRam) {
  for (const char *tool : {"gpsim", "srec_cat"})
    if (!e2e::have_tool(tool)) GTEST_SKIP() << tool << " missing";
  folder dir;
  const std::pair<const char *, const char *> sources[] = {{"startup", startup_source},
                                                           {"main", main_source},
                                                           {"other", other_source},
                                                           {"libinc", libinc_source},
                                                           {"libunused", libunused_source}};
  for (const auto &s : sources) {
    dir.write(std::string(s.first) + ".as", s.second);
    ASSERT_EQ(dir.run(program("quelm") + " -18F452 " + s.first + ".as"), 0) << s.first << dir.read("err");
  }
  ASSERT_EQ(dir.run(program("bindle") + " r small.lib libinc.obj libunused.obj"), 0) << dir.read("err");
  ASSERT_EQ(dir.run(program("jointa") + " -cs -h+l.sym -z -Q18F452 -C0 -Ml.map " + placement +
                    " startup.obj main.obj other.obj small.lib"),
            0)
      << dir.read("err");
  EXPECT_EQ(dir.read("err"), "");

  std::map<std::string, unsigned long> sym = symbols(dir.read("l.sym"));
  for (const char *name : {"_halt", "_result", "_copy", "_count", "_scratch", "_libinc"})
    ASSERT_TRUE(sym.count(name)) << name << "\n" << dir.read("l.sym");
  EXPECT_EQ(sym.count("_libunused"), 0u);
  // The variables lie in the classes their psects asked for.
  EXPECT_LT(sym["_scratch"], 0x80u);                                       // COMRAM
  EXPECT_LT(sym["_result"], 0x600u);                                       // RAM
  EXPECT_TRUE(sym["_copy"] >= 0x200 && sym["_copy"] <= 0x2FF);            // BANK2
  EXPECT_TRUE(sym["_count"] >= 0x500 && sym["_count"] <= 0x5FF);          // top of BIGRAM

  char script[256];
  snprintf(script, sizeof script, "processor p18f452\nload l.hex\nbreak e 0x%lX\nrun\ndump r\nquit\n", sym["_halt"]);
  dir.write("sim.gps", script);
  ASSERT_EQ(dir.run("srec_cat l.bin -binary -o l.hex -intel"), 0) << dir.read("err");
  ASSERT_EQ(dir.run("timeout 60 gpsim -i -c sim.gps"), 0) << dir.read("err");
  std::string out = dir.read("out");
  ASSERT_NE(out.find("Hit a Breakpoint"), std::string::npos) << out;
  std::map<unsigned long, int> bytes = ram(out);
  EXPECT_EQ(bytes[sym["_scratch"]], 8);
  EXPECT_EQ(bytes[sym["_result"]], 0x20);
  EXPECT_EQ(bytes[sym["_copy"]], 0x20);
  EXPECT_EQ(bytes[sym["_count"]], 2);
}

}  // namespace
